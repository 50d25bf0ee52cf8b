// Ten thousand extension commands run by one qorcli process through --input: every child is
// reaped and every descriptor closed, which the process's own /proc entries show when a command
// at the start and one at the end look at their parent.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

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

struct ScratchDirectory {
  ScratchDirectory() {
    path = (std::filesystem::temp_directory_path() / "fault-runs-XXXXXX").string();
    if (mkdtemp(path.data()) == nullptr) path.clear();
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
  }
  std::string path;
};

std::string ReadFile(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

// Runs qorcli in `directory` with standard input, output and error on files there; returns
// the exit status (128 + signal when killed).
int RunQorcli(const std::string& directory, const std::vector<std::string>& args) {
  std::vector<std::string> texts{"qorcli"};
  texts.insert(texts.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);
  std::vector<std::string> environmentTexts;
  for (const char* name : {"LD_LIBRARY_PATH", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
    if (const char* value = std::getenv(name)) {
      environmentTexts.push_back(std::string(name) + "=" + value);
    }
  }
  std::vector<char*> environment;
  for (std::string& text : environmentTexts) environment.push_back(text.data());
  environment.push_back(nullptr);

  const pid_t child = fork();
  if (child == 0) {
    if (chdir(directory.c_str()) != 0) _exit(126);
    const int in = open("in.txt", O_RDONLY);
    const int out = open("out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) {
      _exit(126);
    }
    close(in);
    close(out);
    close(err);
    execve(QORCLI_PATH, argv.data(), environment.data());
    _exit(127);
  }
  if (child < 0) return -1;
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(ManyRuns, TenThousandCommandsLeaveNoZombieAndNoDescriptor) {
  ScratchDirectory directory;
  ASSERT_FALSE(directory.path.empty());
  std::ofstream(directory.path + "/t.xml") << kDescriptor;
  std::string input = "t state\n";
  for (int i = 0; i < kRuns; ++i) input += "t one\n";
  input += "t state\n";
  std::ofstream(directory.path + "/in.txt") << input;

  EXPECT_EQ(RunQorcli(directory.path, {"--plugin", "t.xml", "--input", "in.txt"}), 0);

  std::string err = ReadFile(directory.path + "/err.txt");
  if (err.compare(0, std::strlen(kDefaultFolderNotes), kDefaultFolderNotes) == 0) {
    err.erase(0, std::strlen(kDefaultFolderNotes));
  }
  EXPECT_EQ(err, "");
  const std::string out = ReadFile(directory.path + "/out.txt");
  std::istringstream lines(out);
  std::string first, line, last;
  std::getline(lines, first);
  int ones = 0;
  while (std::getline(lines, line)) {
    if (line != "1") break;
    ++ones;
  }
  last = line;
  EXPECT_EQ(ones, kRuns);
  EXPECT_EQ(first.compare(0, 12, "descriptors="), 0) << first;
  EXPECT_NE(first.find(" children=1"), std::string::npos) << first;
  EXPECT_EQ(last, first) << "qorcli held other descriptors or children at the end";
  EXPECT_FALSE(std::getline(lines, line)) << "unexpected output: " << line;
}

}  // namespace
