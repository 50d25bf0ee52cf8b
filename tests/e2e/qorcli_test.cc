// The qorcli program end to end: real argument vectors and input streams, real plug-in files
// (a compiled one and a descriptor whose commands fail in each way a child process can), and the
// exact standard output, standard error and exit status the user sees.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "qorcli_fixture.h"
#include "run_qorcli.h"

namespace {

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

// "burn" writes a readable document after its error line and exits 0, "mute" writes nothing,
// "show" writes a document but exits 9: only the text decides, never the exit status. "token"
// gets its secret on standard input.
const char kDescriptor[] = R"xml(<plugin><version>1.0.0</version>
<namespaces><namespace path="disk"><description>Disk commands.</description></namespace></namespaces>
<commands>
<command path="disk.burn"><description>Burns.</description><input-spec/><output-spec><int/></output-spec>
<format-parameters><formatter>simple</formatter></format-parameters>
<execute><![CDATA[echo 'ERROR: disk is on fire'; echo '<output><int>1</int></output>'; exit 0]]></execute></command>
<command path="disk.mute"><description>Says nothing.</description><input-spec/><output-spec><int/></output-spec>
<format-parameters/><execute>exit 5</execute></command>
<command path="disk.show"><description>Shows disks.</description><input-spec/>
<output-spec><list type="structure"><structure typeName="Disk"><field name="Name"><string/></field><field name="Size"><int/></field></structure></list></output-spec>
<format-parameters><formatter>table</formatter></format-parameters>
<execute><![CDATA[echo '<output><list type="structure"><structure typeName="Disk"><field name="Name"><string>sda</string></field><field name="Size"><int>512</int></field></structure></list></output>'; exit 9]]></execute></command>
<command path="disk.token"><description>Token length.</description>
<input-spec><parameter name="token" type="string" required="true" secret="true"><description>The token.</description></parameter></input-spec>
<output-spec><int/></output-spec><format-parameters><formatter>simple</formatter></format-parameters>
<execute><![CDATA[printf '<output><int>%s</int></output>' "$(tr -d '\n' | wc -c)"]]></execute>
<stdin>$val{token}</stdin></command>
</commands></plugin>
)xml";

const std::vector<std::string> kList{"qorcli", "command", "list"};

std::vector<std::string> With(std::vector<std::string> front, std::vector<std::string> back) {
  front.insert(front.end(), back.begin(), back.end());
  return front;
}

using Qorcli = e2e_test::QorcliRuns;

class DescriptorEndToEnd : public e2e_test::QorcliRuns {
 protected:
  void SetUp() override {
    QorcliRuns::SetUp();
    descriptor_ = WriteFile("disk.xml", kDescriptor);
  }
  std::string descriptor_;
};

TEST_F(Qorcli, ListsRunsAndRefusesCommandLines) {
  Check({
      {"no arguments", {}, kRootListing, "", 1},
      {"namespace", {"qorcli"}, kQorcliListing, "", 1},
      {"--help after a namespace is not parsed", {"qorcli", "--help"}, kQorcliListing, "", 1},
      {"default table", kList, kCommandTable, "", 0},
      {"short filters combine", With(kList, {"-c", "li", "-n", "qorcli.com"}), kCommandTable, "",
       0},
      {"option without its value", With(kList, {"-c", "li", "-n"}), "",
       "Errors: \n-n must have value\n", 1},
      {"json formatter", With({"--formatter", "json"}, kList), kJsonTable, "", 0},
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
      {"--help before a command path", With({"--help"}, kList), kUsage, "", 1},
      // Dispatcher errors are gathered into one block and nothing runs.
      {"two formatters", With({"--formatter", "a", "--formatter", "b"}, kList), "",
       "Errors: \nOnly one --formatter option can be passed to a command\n", 1},
      {"all dispatcher errors together",
       With({"--bogus", "x", "--format-param", "nokey", "--other", "y"}, kList), "",
       "Errors: \nUnknown dispatcher parameter: bogus\nUnknown dispatcher parameter: other\n"
       "Unable to read format parameter nokey\n",
       1},
      // Standard output is a pipe, so only the option can give a width.
      {"screen width wraps the listing",
       {"--screen-width", "0x50"},
       "Usage: qorcli [disp options] <namespaces> <command>\n\n"
       "For help please run qorcli --help\n\nAvailable Namespaces: \n\n"
       "qorcli  Commands that operate on the qorcli system itself allowing users to get \n"
       "        additional information.\n\nAvailable Commands: \n\n\n",
       "",
       1},
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
      // Words group by double quotes; only a line that starts with '#' is a comment.
      {"quoted format parameter with blanks", fromStdin,
       "Command  Description\n-------  -----------\nlist     List all of the qorcli commands.\n",
       "", 0,
       "  # indented comment\n\t\n"
       "--format-param \"fields:QorCliCommand=Command,  Description\" qorcli command list\n"},
      {"plug-in loaded by its line", fromStdin, "hi hi\n", "", 0,
       "--plugin " + kGoodPlugin + " --formatter simple greet repeat -w hi --times 2\n"},
      {"unquoted filter leaves a word", fromStdin, "",
       "Errors: \nFound Extra non-parameter arguments at the end of input: 'all' \n", 1,
       "qorcli command list -d List all\n"},
      {"empty formatter", fromStdin, "",
       "Errors: \n--formatter requires the name of the formatter to use for this command\n", 1,
       "--formatter \"\" qorcli command list\n"},
      {"late # is a word", fromStdin, "",
       "Errors: \nUnable to find a namespace or command with the name '# not a comment' on the "
       "command 'qorcli command list'. Commands cannot have sub-commands or sub-namespaces.\n",
       1, "qorcli command list # not a comment\n"},
  });
}

// The renderings themselves are pinned by the formatter tests; here the name picks the
// formatter and the command's default format parameters reach it.
TEST_F(Qorcli, FormatterChosenByNameGetsTheCommandsFormatParameters) {
  auto as = [](const char* formatter) { return With({"--formatter", formatter}, kList); };
  Check({
      {"simple", as("simple"),
       "\nQorCliCommand:\n   Namespace: qorcli.command\n   Command: list\n"
       "   Description: List all of the qorcli commands.\n\n",
       "", 0},
      {"python", as("python"),
       "[{\"Command\": \"\"\"list\"\"\", \"Description\": \"\"\"List all of the qorcli "
       "commands.\"\"\", \"Namespace\": \"\"\"qorcli.command\"\"\", }, ]\n",
       "", 0},
      // The help formatter throws on a listing; the front end reports what it threw.
      {"commandhelp", as("commandhelp"), "",
       "Errors: \nError: Unexpected type for output, formatter expected a struct with help "
       "information\n",
       1},
      {"unknown formatter", as("nosuch"), "",
       "Errors: \nUnable to find requested formatter: nosuch\n", 1},
  });
  const e2e_test::Outcome xml = e2e_test::RunQorcli(as("xml"), scratch.string());
  EXPECT_EQ(xml.status, 0);
  EXPECT_NE(xml.out.find("qorcli\">\n   <meta-data>\n"
                         "      <meta-data-field name=\"fields:QorCliCommand\" "
                         "value=\"Namespace,Command,Description\"/>\n"
                         "      <meta-data-field name=\"wrap-last\" value=\"true\"/>\n"
                         "   </meta-data>\n"),
            std::string::npos)
      << xml.out;
}

TEST_F(DescriptorEndToEnd, ExtensionCommandsFailOnTheirTextNotTheirStatus) {
  const std::vector<std::string> disk{"--plugin", descriptor_, "disk"};
  Check({
      {"error line wins over a document", With(disk, {"burn"}), "", "Errors: \n disk is on fire\n",
       1},
      // The status shows only for a silent child. The runner leaves LANG unset, so the command
      // line gains a locale, and the message's "exited" starts with a Cyrillic ie.
      {"no output", With(disk, {"mute"}), "",
       "Errors: \nGot no data from process.\nCommand \"LANG=en_US.UTF-8 exit 5\"\n"
       "\xD0\xB5"
       "xited with error code: 5\n",
       1},
      {"document despite exit 9", With(disk, {"show"}), "Name  Size\n----  ----\nsda    512  \n",
       "", 0},
      {"secret read from a pipe", With(disk, {"token", "--token"}),
       "Enter value for 'token': \n6\n", "", 0, "s3cret\n"},
      {"secret given inline is not prompted", With(disk, {"token", "--token=s3cret"}), "6\n", "",
       0},
  });
}

}  // namespace
