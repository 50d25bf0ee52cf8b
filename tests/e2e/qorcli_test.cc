// The qorcli program end to end: real argument vectors and input streams, real plug-in files,
// and the exact standard output, standard error and exit status the user sees.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "qorcli_fixture.h"
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

const std::string kJsonTable =
    "\n[\n\n      {\n         \"Command\": \"list\",\n"
    "         \"Description\": \"List all of the qorcli commands.\",\n"
    "         \"Namespace\": \"qorcli.command\"\n      }\n]\n";

using Qorcli = e2e_test::QorcliRuns;

TEST_F(Qorcli, ListsRunsAndRefusesCommandLines) {
  const std::vector<std::string> list{"qorcli", "command", "list"};
  auto with = [&list](std::vector<std::string> options) {
    options.insert(options.end(), list.begin(), list.end());
    return options;
  };
  Check({
      {"no arguments", {}, kRootListing, "", 1},
      {"namespace", {"qorcli"}, kQorcliListing, "", 1},
      {"--help after a namespace is not parsed", {"qorcli", "--help"}, kQorcliListing, "", 1},
      {"default table", list, kCommandTable, "", 0},
      {"json formatter", with({"--formatter", "json"}), kJsonTable, "", 0},
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
      {"-h", {"-h"}, kUsage, "", 1},
      {"--help before a command path", with({"--help"}), kUsage, "", 1},
      // Dispatcher errors are gathered into one block and nothing runs.
      {"format parameter without key", with({"--format-param", "=x"}), "",
       "Errors: \nUnable to read format parameter =x\n", 1},
      {"two formatters", with({"--formatter", "a", "--formatter", "b"}), "",
       "Errors: \nOnly one --formatter option can be passed to a command\n", 1},
      {"all dispatcher errors together",
       with({"--bogus", "x", "--format-param", "nokey", "--other", "y"}), "",
       "Errors: \nUnknown dispatcher parameter: bogus\nUnknown dispatcher parameter: other\n"
       "Unable to read format parameter nokey\n",
       1},
  });
}

TEST_F(Qorcli, ScreenWidthWrapsListings) {
  const std::string head =
      "Usage: qorcli [disp options] <namespaces> <command>\n\n"
      "For help please run qorcli --help\n\nAvailable Namespaces: \n\n";
  const std::string tail = "\nAvailable Commands: \n\n\n";
  // Standard output is a pipe, so only the option can give a width.
  Check({
      {"hexadecimal",
       {"--screen-width", "0x50"},
       head +
           "qorcli  Commands that operate on the qorcli system itself allowing users to get \n"
           "        additional information.\n" +
           tail,
       "",
       1},
      {"zero", {"--screen-width", "0"}, kRootListing, "", 1},
  });
}

TEST_F(Qorcli, LoadsPluginFiles) {
  Check({
      {"--plugin",
       {"--plugin", kGoodPlugin, "--formatter", "simple", "greet", "repeat", "-w", "hi", "--times",
        "3"},
       "hi hi hi\n",
       "",
       0},
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
  const std::string bogus = "qorcli command list --bogus\n";
  const std::string failedLine = "Errors: \nUnknown parameter : bogus\n";
  const std::vector<std::string> fromStdin{"--input", "STDIN"};
  Check({
      {"file", {"--input", WriteFile("ok.txt", passing)}, kCommandTable, "", 0},
      {"last line fails",
       {"--input", WriteFile("failing.txt", passing + bogus + "# ignored\n")},
       kCommandTable,
       failedLine,
       1},
      {"failing line, then a passing one", fromStdin, kCommandTable, failedLine, 0,
       bogus + passing},
      // Options before the path apply to their own line only.
      {"options per line", fromStdin, kJsonTable + kQorcliListing, "", 1,
       "--formatter json qorcli command list\nqorcli\n"},
      // The input option is honoured before errors of the same line are printed.
      {"despite line errors", {"--format-param", "=x", "--input", WriteFile("ok.txt", passing)},
       kCommandTable, "", 0},
      {"two inputs", {"--input", "a", "--input", "b"}, "",
       "Only one --input dispatch parameter is allowed\n", 1},
      {"missing file", {"--input", "absent.txt"}, "", "Unable to open file absent.txt\n", 1},
      {"--input inside a stream", fromStdin, "",
       "Errors: \nUnknown dispatcher parameter: input\n", 1,
       "--input other.txt qorcli command list\n"},
      // An unknown path word, or the usage, ends the whole stream, not just its line.
      {"unknown path word", fromStdin, kCommandTable,
       "Errors: \nUnable to find a command or namespace with the name 'nosuch' in namespace \n", 1,
       "qorcli command list\nnosuch\nqorcli command list\n"},
      {"-h inside a stream", fromStdin, kUsage, "", 1, "-h\nqorcli command list\n"},
  });
}

}  // namespace
