// More of qorcli end to end: every formatter and filter on the built-in listing, parameter
// errors, descriptor commands that fail in each way a child process can, quoting in input files,
// and a secret typed at a real terminal.
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "qorcli_fixture.h"
#include "run_qorcli.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using e2e_test::Outcome;
using e2e_test::RunQorcli;

// "burn" writes a readable document after its error line and exits 0, "mute" writes nothing,
// "show" writes a document but exits 9: only the text decides, never the exit status.
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
<execute><![CDATA[printf '<output><int>%s</int></output>' "$(printf %s '$val{token}' | wc -c)"]]></execute></command>
</commands></plugin>
)xml";

const std::string kListTable =
    "Namespace       Command  Description\n"
    "--------------  -------  -----------\n"
    "qorcli.command  list     List all of the qorcli commands.\n";
const std::string kEmptyListTable =
    "Namespace  Command  Description\n---------  -------  -----------\n";
const std::vector<std::string> kList{"qorcli", "command", "list"};

std::vector<std::string> With(std::vector<std::string> front, std::vector<std::string> back) {
  front.insert(front.end(), back.begin(), back.end());
  return front;
}

class QorcliMore : public e2e_test::QorcliRuns {
 protected:
  void SetUp() override {
    QorcliRuns::SetUp();
    descriptor_ = WriteFile("disk.xml", kDescriptor);
  }
  std::string descriptor_;
};

TEST_F(QorcliMore, EveryFormatterRendersTheListing) {
  auto as = [](const char* formatter) { return With({"--formatter", formatter}, kList); };
  Check({
      {"table", as("table"), kListTable, "", 0},
      {"simple", as("simple"),
       "\nQorCliCommand:\n   Namespace: qorcli.command\n   Command: list\n"
       "   Description: List all of the qorcli commands.\n\n",
       "", 0},
      {"python", as("python"),
       "[{\"Command\": \"\"\"list\"\"\", \"Description\": \"\"\"List all of the qorcli "
       "commands.\"\"\", \"Namespace\": \"\"\"qorcli.command\"\"\", }, ]\n",
       "", 0},
      // The command's default format parameters travel into the document's meta-data.
      {"xml", as("xml"),
       "<?xml version=\"1.0\"?>\n"
       "<output xmlns:qorcli=\"http://www.norvane.com/Products/QOR/5.0/qorcli\">\n"
       "   <meta-data>\n"
       "      <meta-data-field name=\"fields:QorCliCommand\" "
       "value=\"Namespace,Command,Description\"/>\n"
       "      <meta-data-field name=\"wrap-last\" value=\"true\"/>\n"
       "   </meta-data>\n   <root>\n      <list type=\"structure\">\n"
       "            <structure typeName=\"QorCliCommand\">\n"
       "               <field name=\"Command\">\n                  <string>list</string>\n"
       "               </field>\n               <field name=\"Description\">\n"
       "                  <string>List all of the qorcli commands.</string>\n"
       "               </field>\n               <field name=\"Namespace\">\n"
       "                  <string>qorcli.command</string>\n               </field>\n"
       "            </structure>\n      </list>\n   </root>\n</output>\n",
       "", 0},
      // The help formatter throws on a listing; the front end reports what it threw.
      {"commandhelp", as("commandhelp"), "",
       "Errors: \nError: Unexpected type for output, formatter expected a struct with help "
       "information\n",
       1},
      {"unknown formatter", as("nosuch"), "",
       "Errors: \nUnable to find requested formatter: nosuch\n", 1},
  });
}

TEST_F(QorcliMore, ListingFiltersAndParameterErrors) {
  Check({
      {"short filters combine", With(kList, {"-c", "li", "-n", "qorcli.com"}), kListTable, "", 0},
      {"filters are case-sensitive", With(kList, {"--command-filter=LIST"}), kEmptyListTable, "",
       0},
      {"description filter", With(kList, {"--description-filter=qorcli"}), kListTable, "", 0},
      {"no namespace matches", With(kList, {"-n", "nomatch"}), kEmptyListTable, "", 0},
      {"unknown parameter", With(kList, {"--bogus", "x"}), "",
       "Errors: \nUnknown parameter : bogus\n", 1},
      {"missing value", With(kList, {"-c", "li", "-n"}), "", "Errors: \n-n must have value\n", 1},
      {"one value only", With(kList, {"-n", "a", "--namespace-filter", "b"}), "",
       "Errors: \nFound multiple values for namespace-filter this parameter can only accept a "
       "single value.\n",
       1},
      {"word after the command", With(kList, {"stray"}), "",
       "Errors: \nUnable to find a namespace or command with the name 'stray' on the command "
       "'qorcli command list'. Commands cannot have sub-commands or sub-namespaces.\n",
       1},
  });
}

TEST_F(QorcliMore, ExtensionCommandsFailOnTheirTextNotTheirStatus) {
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

TEST_F(QorcliMore, InputFilesGroupQuotedWords) {
  auto lines = [this](const char* name, const std::string& text) {
    return std::vector<std::string>{"--input", WriteFile(name, text)};
  };
  Check({
      {"quoted format parameter with blanks, comments skipped",
       lines("a",
             "  # indented comment\n\t\n"
             "--format-param \"fields:QorCliCommand=Command,  Description\" qorcli command list\n"),
       "Command  Description\n-------  -----------\nlist     List all of the qorcli commands.\n",
       "", 0},
      {"quoted filter", lines("b", "qorcli command list -d \"List all\"\n"), kListTable, "", 0},
      {"unquoted filter leaves a word", lines("c", "qorcli command list -d List all\n"), "",
       "Errors: \nFound Extra non-parameter arguments at the end of input: 'all' \n", 1},
      {"quotes inside a word",
       lines("d", "qorcli command list --namespace-filter=\"qorcli command\"\n"), kEmptyListTable,
       "", 0},
      {"empty word inside the line", lines("e", "qorcli command list -d \"\" -c li\n"), kListTable,
       "", 0},
      {"empty word at the end is none", lines("f", "qorcli command list -d \"\"\n"), "",
       "Errors: \n-d must have value\n", 1},
      {"empty formatter", lines("g", "--formatter \"\" qorcli command list\n"), "",
       "Errors: \n--formatter requires the name of the formatter to use for this command\n", 1},
      // Only a line that starts with '#' is a comment.
      {"late # is a word", lines("h", "qorcli command list # not a comment\n"), "",
       "Errors: \nUnable to find a namespace or command with the name '# not a comment' on the "
       "command 'qorcli command list'. Commands cannot have sub-commands or sub-namespaces.\n",
       1},
  });
}

// Reads the terminal into `seen` until `want` shows, or with no `want` until the child has
// closed it; false when the deadline comes first.
bool ReadTerminal(int terminal, std::string& seen, const char* want, Clock::time_point deadline) {
  while (want == nullptr || seen.find(want) == std::string::npos) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd ready{terminal, POLLIN, 0};
    const int count = left.count() > 0 ? poll(&ready, 1, static_cast<int>(left.count())) : 0;
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    char buffer[256];
    const ssize_t n = read(terminal, buffer, sizeof buffer);
    if (n <= 0) return want == nullptr;  // EIO once every holder of the terminal has closed it
    seen.append(buffer, static_cast<size_t>(n));
  }
  return true;
}

TEST_F(QorcliMore, SecretTypedAtATerminalIsNeitherEchoedNorLeftSilent) {
  std::vector<std::string> args{"qorcli", "--plugin", descriptor_, "disk", "token", "--token"};
  std::vector<std::string> environment{"ZN_USERNAME=e2e"};
  for (const char* name : {"LD_LIBRARY_PATH", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
    if (const char* value = std::getenv(name))
      environment.push_back(std::string(name) + "=" + value);
  }
  auto pointers = [](std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (std::string& text : texts) result.push_back(text.data());
    result.push_back(nullptr);
    return result;
  };
  std::vector<char*> argv = pointers(args);
  std::vector<char*> envp = pointers(environment);

  const auto deadline = Clock::now() + std::chrono::seconds(20);
  int terminal = -1;
  const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
  ASSERT_GE(child, 0);
  if (child == 0) {
    execve(QORCLI_PATH, argv.data(), envp.data());
    _exit(127);
  }
  std::string screen;
  const bool prompted = ReadTerminal(terminal, screen, "Enter value for 'token': ", deadline);
  // The prompt is flushed before echo goes off, and the terminal echoes what is typed at once,
  // so typing must wait until the program has switched echo off.
  termios mode{};
  while (prompted && tcgetattr(terminal, &mode) == 0 && (mode.c_lflag & ECHO) != 0 &&
         Clock::now() < deadline) {
    poll(nullptr, 0, 5);
  }
  const bool silent = prompted && (mode.c_lflag & ECHO) == 0;
  const bool typed = silent && write(terminal, "s3cret\n", 7) == 7;
  const bool ended = typed && ReadTerminal(terminal, screen, nullptr, deadline);
  if (!ended) kill(child, SIGKILL);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  termios after{};
  const bool restored = tcgetattr(terminal, &after) == 0 && (after.c_lflag & ECHO) != 0;
  close(terminal);

  for (const char* folder : {"", "/ext"}) {
    const std::string note = std::string("Unable to open directory /usr/lib/norvane/qorcli") +
                             folder + " for plugin registration\r\n";
    if (screen.compare(0, note.size(), note) == 0) screen.erase(0, note.size());
  }
  EXPECT_TRUE(silent) << "echo stayed on at the prompt: " << screen;
  EXPECT_TRUE(ended) << screen;
  // The program ends the unechoed line itself; the terminal maps each line end to CR LF.
  EXPECT_EQ(screen, "Enter value for 'token': \r\n6\r\n");
  EXPECT_TRUE(restored) << "echo was left off";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
