// qorcli end to end on a descriptor plug-in: every formatter over one result, a command that
// fails with ERROR: lines, quoted words in an input stream, and a secret typed at a real
// terminal without echo.
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "run_qorcli.h"

namespace {

namespace fs = std::filesystem;
using e2e_test::RunQorcli;

const char kDescriptor[] = R"xml(<plugin><version>1.0.0</version>
<namespaces><namespace path="t"><description>Test commands.</description></namespace></namespaces>
<commands>
<command path="t.rows"><description>Two rows.</description><input-spec/>
<output-spec><list type="structure"><structure typeName="Row"><field name="Name"><string/></field><field name="Size"><int/></field></structure></list></output-spec>
<format-parameters><formatter>table</formatter></format-parameters>
<execute><![CDATA[echo '<output><list type="structure"><structure typeName="Row"><field name="Name"><string>a</string></field><field name="Size"><int>1</int></field></structure><structure typeName="Row"><field name="Name"><string>b</string></field><field name="Size"><int>22</int></field></structure></list></output>']]></execute></command>
<command path="t.fail"><description>Fails.</description><input-spec/><output-spec><int/></output-spec>
<format-parameters/><execute>echo 'ERROR:disk is on fire'; echo 'ERROR:and so is the backup'; exit 3</execute></command>
<command path="t.secret"><description>Length of a secret.</description>
<input-spec><parameter name="token" type="string" required="true" secret="true"><description>The token.</description></parameter></input-spec>
<output-spec><int/></output-spec><format-parameters><formatter>simple</formatter></format-parameters>
<execute><![CDATA[printf '<output><int>%s</int></output>' "$(tr -d '\n' | wc -c)"]]></execute>
<stdin>$val{token}</stdin></command>
</commands></plugin>
)xml";

class DescriptorEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = fs::temp_directory_path() /
                 ("tarnek-e2e-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(directory_);
    std::ofstream(directory_ / "t.xml") << kDescriptor;
  }
  void TearDown() override { fs::remove_all(directory_); }
  fs::path directory_;
};

TEST_F(DescriptorEndToEnd, EveryFormatterRendersTheSameResult) {
  const struct {
    const char* formatter;
    const char* out;
  } cases[] = {
      {"table", "Name  Size\n----  ----\na        1  \nb       22  \n"},
      {"simple", "\nRow:\n   Name: a\n   Size: 1\n\nRow:\n   Name: b\n   Size: 22\n\n"},
      {"json",
       "\n[\n\n      {\n         \"Name\": \"a\",\n         \"Size\": 1\n      }, \n\n      {\n"
       "         \"Name\": \"b\",\n         \"Size\": 22\n      }\n]\n"},
      {"python", "[{\"Name\": \"\"\"a\"\"\", \"Size\": 1, }, {\"Name\": \"\"\"b\"\"\", \"Size\": 22, }, ]\n"},
  };
  for (const auto& c : cases) {
    const auto outcome =
        RunQorcli({"--plugin", "t.xml", "--formatter", c.formatter, "t", "rows"}, directory_);
    EXPECT_EQ(outcome.out, c.out) << c.formatter;
    EXPECT_EQ(outcome.err, "") << c.formatter;
    EXPECT_EQ(outcome.status, 0) << c.formatter;
  }
  const auto xml = RunQorcli({"--plugin", "t.xml", "--formatter", "xml", "t", "rows"}, directory_);
  EXPECT_EQ(xml.status, 0);
  EXPECT_EQ(xml.out.rfind("<?xml version=\"1.0\"?>\n<output xmlns:qorcli=", 0), 0u) << xml.out;
  EXPECT_NE(xml.out.find("<integer>22</integer>"), std::string::npos) << xml.out;
}

TEST_F(DescriptorEndToEnd, ListingFiltersCombine) {
  const struct {
    std::vector<std::string> filters;
    const char* rows;
  } cases[] = {
      {{"-n", "t", "--command-filter=ow"}, "t          rows     Two rows.\n"},
      {{"-d", "Fails"}, "t          fail     Fails.\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"--plugin", "t.xml", "qorcli", "command", "list"};
    args.insert(args.end(), c.filters.begin(), c.filters.end());
    const auto outcome = RunQorcli(args, directory_);
    EXPECT_EQ(outcome.out, std::string("Namespace  Command  Description\n"
                                       "---------  -------  -----------\n") + c.rows);
    EXPECT_EQ(outcome.status, 0);
  }
}

TEST_F(DescriptorEndToEnd, ErrorLinesFailTheCommand) {
  const auto outcome = RunQorcli({"--plugin", "t.xml", "t", "fail"}, directory_);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err, "Errors: \ndisk is on fire\nand so is the backup\n");
  EXPECT_EQ(outcome.status, 1);
}

TEST_F(DescriptorEndToEnd, InputStreamGroupsQuotedWords) {
  std::ofstream(directory_ / "lines") << "# rows with one column\n"
                                         "--plugin t.xml --format-param \"fields:Row=Size\" t rows\n";
  const auto outcome = RunQorcli({"--input", "lines"}, directory_);
  EXPECT_EQ(outcome.out, "Size\n----\n   1  \n  22  \n");
  EXPECT_EQ(outcome.status, 0);
}

// Reads from the terminal until `want` has arrived or ten seconds have passed.
std::string ReadUntil(int terminal, const std::string& want, std::string seen = "") {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (seen.find(want) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    pollfd ready{terminal, POLLIN, 0};
    if (poll(&ready, 1, 100) <= 0) continue;
    char buffer[256];
    const ssize_t count = read(terminal, buffer, sizeof buffer);
    if (count <= 0) break;
    seen.append(buffer, static_cast<std::size_t>(count));
  }
  return seen;
}

TEST_F(DescriptorEndToEnd, SecretIsTypedAtTheTerminalWithoutEcho) {
  int terminal = -1;
  const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (chdir(directory_.c_str()) != 0) _exit(126);
    execl(QORCLI_PATH, "qorcli", "--plugin", "t.xml", "t", "secret", "--token",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  std::string seen = ReadUntil(terminal, "Enter value for 'token': ");
  ASSERT_NE(seen.find("Enter value for 'token': "), std::string::npos) << seen;
  // The prompt is written before echo goes off; wait for the terminal to say it is off.
  termios settings{};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (tcgetattr(terminal, &settings) == 0 && (settings.c_lflag & ECHO) != 0 &&
         std::chrono::steady_clock::now() < deadline) {
    poll(nullptr, 0, 10);
  }
  EXPECT_EQ(settings.c_lflag & ECHO, 0u);
  ASSERT_EQ(write(terminal, "s3cret\n", 7), 7);
  seen = ReadUntil(terminal, "6", seen);
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  close(terminal);
  EXPECT_EQ(seen.find("s3cret"), std::string::npos) << "the secret was echoed: " << seen;
  EXPECT_NE(seen.find("6"), std::string::npos) << seen;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
