// The qorcli program end to end: real argument vectors and input streams, real plug-in files,
// and the exact standard output, standard error and exit status the user sees.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "run_qorcli.h"

namespace {

namespace fs = std::filesystem;
using e2e_test::Outcome;
using e2e_test::RunQorcli;

const std::string kGoodPlugin = std::string(TARNEK_TEST_PLUGIN_DIR) + "/good.so";

const char* const kRootListing = R"(Usage: qorcli [disp options] <namespaces> <command>

For help please run qorcli --help

Available Namespaces: 

qorcli  Commands that operate on the qorcli system itself allowing users to get additional information.

Available Commands: 


)";

const char* const kQorcliListing = R"(Usage: qorcli [disp options] qorcli <namespaces> <command>

For help please run qorcli --help

Available Namespaces: 

command  Operations to get information about commands.

Available Commands: 


)";

const char* const kCommandListing =
    R"(Usage: qorcli [disp options] qorcli command <namespaces> <command>

For help please run qorcli --help

Available Namespaces: 


Available Commands: 

list  List all of the qorcli commands.

)";

const char* const kCommandTable = R"(Namespace       Command  Description
--------------  -------  -----------
qorcli.command  list     List all of the qorcli commands.
)";

const char* const kUsage = R"(qorcli [dispatcher options] <namespaces> <command> [options]
      For a list of available namespaces run qorcli with no arguments.  
      Objects can be listed by specifying just the namespace.
      Commands can be listed by specifying the namespace and object.

 Dispatcher Options: 
       --plugin-dir                    Add all the plug-ins from this directory
       --plugin                        Add a specific file plugin.  (Multiple --plugin options can be passed.)
       --formatter <formatter>         Override the formatter to use for a given command
       --format-param <key>=<value>    Set a formatter parameter to give the formatter information about how to format the command
       --screen-width <width>          Use the specified screen width when formatting text
    -h|--help                          Show this message.

)";

struct Case {
  const char* what;
  std::vector<std::string> args;
  std::string out;
  std::string err;
  int status;
};

class Qorcli : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "qorcli-e2e-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    scratch = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
  }

  Outcome Run(const std::vector<std::string>& args, const std::string& input = "") {
    return RunQorcli(args, scratch.string(), input);
  }
  void Check(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      const Outcome outcome = Run(c.args);
      EXPECT_EQ(outcome.out, c.out);
      EXPECT_EQ(outcome.err, c.err);
      EXPECT_EQ(outcome.status, c.status);
    }
  }
  std::string WriteFile(const std::string& name, const std::string& text) {
    const fs::path path = scratch / name;
    std::ofstream(path) << text;
    return path.string();
  }

  fs::path scratch;
};

TEST_F(Qorcli, ListsNamespacesAndFailsWhenNoCommandIsNamed) {
  Check({
      {"no arguments", {}, kRootListing, "", 1},
      {"namespace", {"qorcli"}, kQorcliListing, "", 1},
      {"namespace holding only commands", {"qorcli", "command"}, kCommandListing, "", 1},
      {"--help after a namespace is not parsed", {"qorcli", "--help"}, kQorcliListing, "", 1},
  });
}

TEST_F(Qorcli, RunsTheListingCommandWithTheChosenFormat) {
  Check({
      {"default table", {"qorcli", "command", "list"}, kCommandTable, "", 0},
      {"json formatter",
       {"--formatter", "json", "qorcli", "command", "list"},
       "\n[\n\n      {\n         \"Command\": \"list\",\n"
       "         \"Description\": \"List all of the qorcli commands.\",\n"
       "         \"Namespace\": \"qorcli.command\"\n      }\n]\n",
       "",
       0},
      // The command's own default names the fields per type, so the user's must as well.
      {"format parameter",
       {"--format-param", "fields:QorCliCommand=Command", "qorcli", "command", "list"},
       "Command\n-------\nlist\n",
       "",
       0},
      {"command help",
       {"qorcli", "command", "list", "--help"},
       "Usage: qorcli qorcli command list <options>\n\n"
       "Description: List all of the qorcli commands.\n\n"
       "  -c|--command-filter       Show only commands containing the specified string in their "
       "name.\n"
       "  -d|--description-filter   Show only commands containing the specified string in their "
       "description.\n"
       "  -h|--help                 Show the help message.\n"
       "  -n|--namespace-filter     Show only commands containing the specified string in their "
       "namespace path.\n",
       "",
       0},
  });
}

TEST_F(Qorcli, RefusesBadLinesWithAnErrorBlockAndRunsNothing) {
  const std::vector<std::string> list{"qorcli", "command", "list"};
  auto with = [&list](std::vector<std::string> options) {
    options.insert(options.end(), list.begin(), list.end());
    return options;
  };
  Check({
      {"format parameter without key", with({"--format-param", "=x"}), "",
       "Errors: \nUnable to read format parameter =x\n", 1},
      {"two formatters", with({"--formatter", "a", "--formatter", "b"}), "",
       "Errors: \nOnly one --formatter option can be passed to a command\n", 1},
      {"unknown dispatcher option", with({"--bogus", "x"}), "",
       "Errors: \nUnknown dispatcher parameter: bogus\n", 1},
      {"all dispatcher errors together",
       with({"--bogus", "x", "--format-param", "nokey", "--other", "y"}), "",
       "Errors: \nUnknown dispatcher parameter: bogus\nUnknown dispatcher parameter: other\n"
       "Unable to read format parameter nokey\n",
       1},
      {"unknown path word",
       {"nosuch"},
       "",
       "Errors: \nUnable to find a command or namespace with the name 'nosuch' in namespace \n",
       1},
      {"word after a command",
       {"qorcli", "command", "list", "extra"},
       "",
       "Errors: \nUnable to find a namespace or command with the name 'extra' on the command "
       "'qorcli command list'. Commands cannot have sub-commands or sub-namespaces.\n",
       1},
      {"parse error",
       {"qorcli", "command", "list", "-n", "a", "b"},
       "",
       "Errors: \nFound Extra non-parameter arguments at the end of input: 'b' \n",
       1},
  });
}

TEST_F(Qorcli, HelpBeforeThePathPrintsTheUsageAndFails) {
  Check({
      {"-h", {"-h"}, kUsage, "", 1},
      {"--help before a command path", {"--help", "qorcli", "command", "list"}, kUsage, "", 1},
  });
}

TEST_F(Qorcli, ScreenWidthWrapsListingsWithinRange) {
  const std::string head =
      "Usage: qorcli [disp options] <namespaces> <command>\n\n"
      "For help please run qorcli --help\n\nAvailable Namespaces: \n\n";
  const std::string tail = "\nAvailable Commands: \n\n\n";
  // Standard output is a pipe, so only the option can give a width.
  const std::string wrapped80 =
      "qorcli  Commands that operate on the qorcli system itself allowing users to get \n"
      "        additional information.\n";
  const std::string wrapped64 =
      "qorcli  Commands that operate on the qorcli system itself \n"
      "        allowing users to get additional information.\n";
  const std::string whole =
      "qorcli  Commands that operate on the qorcli system itself allowing users to get "
      "additional information.\n";
  Check({
      {"hexadecimal", {"--screen-width", "0x50"}, head + wrapped80 + tail, "", 1},
      {"octal", {"--screen-width", "0100"}, head + wrapped64 + tail, "", 1},
      {"last occurrence wins",
       {"--screen-width", "64", "--screen-width", "80"},
       head + wrapped80 + tail,
       "",
       1},
      {"zero", {"--screen-width", "0"}, head + whole + tail, "", 1},
      {"not a number", {"--screen-width", "wide"}, head + whole + tail, "", 1},
      {"above the range", {"--screen-width", "10000"}, head + whole + tail, "", 1},
  });
}

TEST_F(Qorcli, LoadsPluginFilesAndFolders) {
  const std::vector<std::string> repeat{"--formatter", "simple", "greet",   "repeat",
                                        "--word",      "hi",     "--times", "3"};
  std::vector<std::string> byFile{"--plugin", kGoodPlugin};
  byFile.insert(byFile.end(), repeat.begin(), repeat.end());

  const fs::path folder = scratch / "plugins";
  fs::create_directories(folder);
  fs::copy_file(kGoodPlugin, folder / "good.so");
  WriteFile("plugins/notes.txt", "not a plug-in\n");
  std::vector<std::string> byFolder{"--plugin-dir", folder.string()};
  byFolder.insert(byFolder.end(), repeat.begin(), repeat.end());

  Check({
      {"--plugin", byFile, "hi hi hi\n", "", 0},
      {"--plugin-dir", byFolder, "hi hi hi\n", "", 0},
      // Without a formatter the plug-in command has no rendering of its own.
      {"no formatter",
       {"--plugin", kGoodPlugin, "greet", "repeat", "-w", "hi", "--times", "1"},
       "",
       "",
       0},
      {"invalid parameter",
       {"--plugin", kGoodPlugin, "greet", "repeat", "-w", "hi", "--times", "9"},
       "",
       "Errors: \nInvalid data constraint for parameter 'times'. Expected integer in the range "
       "1-5\n",
       1},
      {"unloadable file does not stop the line",
       {"--plugin", "/nonexistent.so", "qorcli", "command", "list"},
       kCommandTable,
       "Unable to load plugin /nonexistent.so: Unable to load plugin from /nonexistent.so : "
       "/nonexistent.so: cannot open shared object file: No such file or directory\n",
       0},
  });
}

TEST_F(Qorcli, InputStreamRunsEveryLineAndTheLastOneDecides) {
  const std::string passing = "# a comment\n\n   \nqorcli command list\n";
  const std::string failing = passing + "qorcli command list --bogus\n# ignored\n";
  const std::string failedLine = "Errors: \nUnknown parameter : bogus\n";

  Outcome fromFile = Run({"--input", WriteFile("lines.txt", passing)});
  EXPECT_EQ(fromFile.out, kCommandTable);
  EXPECT_EQ(fromFile.err, "");
  EXPECT_EQ(fromFile.status, 0);

  Outcome lastFails = Run({"--input", WriteFile("failing.txt", failing)});
  EXPECT_EQ(lastFails.out, kCommandTable);
  EXPECT_EQ(lastFails.err, failedLine);
  EXPECT_EQ(lastFails.status, 1);

  // A failing line followed by a passing one: the stream still succeeds.
  Outcome recovered = Run({"--input", "STDIN"}, "qorcli command list --bogus\n" + passing);
  EXPECT_EQ(recovered.out, kCommandTable);
  EXPECT_EQ(recovered.err, failedLine);
  EXPECT_EQ(recovered.status, 0);

  // Lines of a stream are their own command lines: the program name is the default one and
  // the options before the path apply to that line only.
  Outcome perLine = Run({"--input", "STDIN"}, "--formatter json qorcli command list\nqorcli\n");
  EXPECT_EQ(perLine.out.substr(perLine.out.size() - std::string(kQorcliListing).size()),
            kQorcliListing);
  EXPECT_EQ(perLine.status, 1);

  // The input option is honoured before errors of the same line are printed.
  Outcome despiteErrors = Run({"--format-param", "=x", "--input", WriteFile("ok.txt", passing)});
  EXPECT_EQ(despiteErrors.out, kCommandTable);
  EXPECT_EQ(despiteErrors.err, "");
  EXPECT_EQ(despiteErrors.status, 0);

  Outcome empty = Run({"--input", "STDIN"}, "# nothing to do\n");
  EXPECT_EQ(empty.out, "");
  EXPECT_EQ(empty.status, 0);
}

TEST_F(Qorcli, InputStreamRefusals) {
  Check({
      {"two inputs",
       {"--input", "a", "--input", "b"},
       "",
       "Only one --input dispatch parameter is allowed\n",
       1},
      {"missing file", {"--input", "absent.txt"}, "", "Unable to open file absent.txt\n", 1},
  });

  Outcome nested = Run({"--input", "STDIN"}, "--input other.txt qorcli command list\n");
  EXPECT_EQ(nested.out, "");
  EXPECT_EQ(nested.err, "Errors: \nUnknown dispatcher parameter: input\n");
  EXPECT_EQ(nested.status, 1);

  // An unknown path word ends the whole stream, not just its line.
  Outcome unknown = Run({"--input", "STDIN"}, "qorcli command list\nnosuch\nqorcli command list\n");
  EXPECT_EQ(unknown.out, kCommandTable);
  EXPECT_EQ(
      unknown.err,
      "Errors: \nUnable to find a command or namespace with the name 'nosuch' in namespace \n");
  EXPECT_EQ(unknown.status, 1);

  // Usage inside a stream ends the whole process; the line after it never runs.
  Outcome help = Run({"--input", "STDIN"}, "-h\nqorcli command list\n");
  EXPECT_EQ(help.out, kUsage);
  EXPECT_EQ(help.err, "");
  EXPECT_EQ(help.status, 1);
}

TEST_F(Qorcli, ProgramNameComesFromTheArgumentVectorButNotFromStreamLines) {
  const std::string program = "/opt/tools/qc";
  Outcome listing = RunQorcli({"qorcli"}, scratch.string(), "", program);
  EXPECT_EQ(listing.out.substr(0, listing.out.find('\n')),
            "Usage: /opt/tools/qc [disp options] qorcli <namespaces> <command>");
  EXPECT_EQ(listing.status, 1);

  Outcome usage = RunQorcli({"-h"}, scratch.string(), "", program);
  EXPECT_EQ(usage.out.substr(0, usage.out.find('\n')),
            "/opt/tools/qc [dispatcher options] <namespaces> <command> [options]");

  Outcome stream = RunQorcli({"--input", "STDIN"}, scratch.string(), "qorcli\n", program);
  EXPECT_EQ(stream.out, kQorcliListing);
}

}  // namespace
