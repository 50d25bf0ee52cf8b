// Ten thousand extension commands run by one qorcli process through --input: every child is
// reaped and every descriptor closed, which the process's own /proc entries show when a command
// at the start and one at the end look at their parent.
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fault_test_helpers.h"

namespace {

using fault_test::ReadFile;
using namespace std::string_literals;

constexpr int kRuns = 10000;

const char* const kDefaultFolderNotes =
    "Unable to open directory /usr/lib/norvane/qorcli for plugin registration\n"
    "Unable to open directory /usr/lib/norvane/qorcli/ext for plugin registration\n";

// "t one" is the cheapest command there is; "t state" reports what its parent, qorcli, holds:
// its open descriptors and its children (a zombie is still a child), the reporting shell being
// the one child expected.
const char kDescriptor[] = R"xml(<plugin><version>1.0.0</version>
<namespaces><namespace path="t"><description>Fault tests</description></namespace></namespaces>
<commands>
  <command path="t.one"><input-spec/><output-spec><int/></output-spec>
    <format-parameters><formatter>simple</formatter></format-parameters>
    <execute>printf '&lt;output&gt;&lt;int&gt;1&lt;/int&gt;&lt;/output&gt;'</execute></command>
  <command path="t.state"><input-spec/><output-spec><string/></output-spec>
    <format-parameters><formatter>simple</formatter></format-parameters>
    <execute>printf '&lt;output&gt;&lt;string&gt;descriptors=%s children=%s&lt;/string&gt;&lt;/output&gt;' "$(ls /proc/$PPID/fd | wc -l)" "$(cat /proc/$PPID/task/*/children | wc -w)"</execute></command>
</commands></plugin>
)xml";

// Runs qorcli on t.xml and in.txt in `directory`, its output and errors going to files there,
// with only the environment a sanitized build needs; returns the exit status (128 + signal).
int RunQorcli(const std::string& directory) {
  std::vector<std::string> environment;
  for (const char* name : {"LD_LIBRARY_PATH", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
    if (const char* value = std::getenv(name)) environment.push_back(name + ("="s + value));
  }
  std::vector<char*> envp;
  for (std::string& text : environment) envp.push_back(text.data());
  envp.push_back(nullptr);
  const char* const argv[] = {"qorcli", "--plugin", "t.xml", "--input", "in.txt", nullptr};
  std::fflush(nullptr);  // else the child's freopen would write the parent's buffered output
  const pid_t child = fork();
  if (child == 0) {
    if (chdir(directory.c_str()) != 0 || !freopen("in.txt", "r", stdin) ||
        !freopen("out.txt", "w", stdout) || !freopen("err.txt", "w", stderr)) {
      _exit(126);
    }
    execve(QORCLI_PATH, const_cast<char* const*>(argv), envp.data());
    _exit(127);
  }
  int status = 0;
  while (child > 0 && waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return child < 0 ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(ManyRuns, TenThousandCommandsLeaveNoZombieAndNoDescriptor) {
  fault_test::ScratchDirectory directory;
  directory.Write("t.xml", kDescriptor);
  std::string input = "t state\n";
  for (int i = 0; i < kRuns; ++i) input += "t one\n";
  directory.Write("in.txt", input + "t state\n");

  EXPECT_EQ(RunQorcli(directory.path), 0);

  std::string err = ReadFile(directory.path + "/err.txt");
  if (err.compare(0, std::strlen(kDefaultFolderNotes), kDefaultFolderNotes) == 0) {
    err.erase(0, std::strlen(kDefaultFolderNotes));
  }
  EXPECT_EQ(err, "");
  const std::string out = ReadFile(directory.path + "/out.txt");
  std::istringstream lines(out);
  std::string first, line;
  std::getline(lines, first);
  int ones = 0;
  while (std::getline(lines, line) && line == "1") ++ones;
  const std::string last = line;
  EXPECT_EQ(ones, kRuns);
  EXPECT_EQ(first.compare(0, 12, "descriptors="), 0) << first;
  EXPECT_NE(first.find(" children=1"), std::string::npos) << first;
  EXPECT_EQ(last, first) << "qorcli held other descriptors or children at the end";
  EXPECT_FALSE(std::getline(lines, line)) << "unexpected output: " << line;
}

}  // namespace
