// Process start: descriptor wiring, inherited environment and failure reporting.
#include "torkuser.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

void Close(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

// A pipe made the way callers make theirs: without close-on-exec.
struct Pipe {
  int read = -1, write = -1;
  Pipe() {
    int fds[2];
    if (pipe(fds) == 0) read = fds[0], write = fds[1];
  }
  ~Pipe() { Close(read), Close(write); }
};

std::string ReadAll(int fd) {
  std::string text;
  char chunk[256];
  for (ssize_t got; (got = ::read(fd, chunk, sizeof chunk)) != 0;) {
    if (got < 0 && errno != EINTR) break;
    if (got > 0) text.append(chunk, static_cast<size_t>(got));
  }
  return text;
}

int Start(const char* path, std::vector<std::string> args, const std::vector<int>& fds,
          pid_t* pid) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(&arg[0]);
  argv.push_back(nullptr);
  return TorkuserCompat_ForkExec(path, argv.data(), nullptr, -1, fds.data(),
                                 static_cast<int>(fds.size()), -1, -1, 0, pid);
}

int WaitFor(pid_t pid) {
  int status = 0;
  pid_t done;
  while ((done = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
  }
  EXPECT_EQ(done, pid);
  return status;
}

bool HasNoChildren() { return waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD; }

struct ShellRun {
  std::string out, err;
  int waitStatus = 0;
};

// Runs a shell script with `input` on its standard input and collects its output and errors.
ShellRun RunShell(const std::string& script, const std::string& input = "") {
  Pipe in, out, err;
  EXPECT_EQ(write(in.write, input.data(), input.size()), static_cast<ssize_t>(input.size()));
  Close(in.write);
  pid_t pid = 0;
  const int status = Start("/bin/sh", {"sh", "-c", script}, {in.read, out.write, err.write}, &pid);
  EXPECT_EQ(status, 0);
  ShellRun run;
  if (status != 0) return run;
  Close(in.read), Close(out.write), Close(err.write);
  run.out = ReadAll(out.read);
  run.err = ReadAll(err.read);
  run.waitStatus = WaitFor(pid);
  return run;
}

TEST(ForkExecDescriptors, ChildHasExactlyTheGivenDescriptorsWiredInOrder) {
  Pipe unrelated;  // open in the caller, not close-on-exec: must not reach the child
  ASSERT_GE(unrelated.write, 0);
  // [ -e ] drops the descriptor the glob itself used.
  const ShellRun listed =
      RunShell("for f in /proc/$$/fd/*; do [ -e \"$f\" ] && echo \"${f##*/}\"; done; exit 0");
  EXPECT_EQ(listed.out, "0\n1\n2\n");

  // A null environment hands the child the caller's.
  ASSERT_EQ(setenv("TORKUSER_TEST_VALUE", "inherited", 1), 0);
  const ShellRun wired =
      RunShell("cat; echo \"$TORKUSER_TEST_VALUE\"; echo oops >&2; exit 7", "hello\n");
  unsetenv("TORKUSER_TEST_VALUE");
  EXPECT_EQ(wired.out, "hello\ninherited\n");
  EXPECT_EQ(wired.err, "oops\n");
  EXPECT_TRUE(WIFEXITED(wired.waitStatus) && WEXITSTATUS(wired.waitStatus) == 7);
  EXPECT_TRUE(HasNoChildren());
}

TEST(ForkExecDescriptors, SourcesInsideTheTargetRangeAreSwappedAndDuplicated) {
  // Place the pipe ends at k and k+1 (single digits, which any shell can redirect), then ask
  // for a child where slot k gets k+1 and slot k+1 gets k, and slots 3..k-1 repeat one end.
  Pipe in, out;
  int k = 3;
  while (k < 9 && (fcntl(k, F_GETFD) != -1 || fcntl(k + 1, F_GETFD) != -1)) ++k;
  if (k >= 9) GTEST_SKIP() << "no two free descriptors below 10";
  ASSERT_EQ(dup2(in.read, k), k);
  ASSERT_EQ(dup2(out.write, k + 1), k + 1);
  ASSERT_EQ(write(in.write, "a\nb\n", 4), 4);
  Close(in.write), Close(out.write);
  std::vector<int> fds(static_cast<size_t>(k + 2), k + 1);
  fds[0] = k;
  fds[2] = 2;
  fds[static_cast<size_t>(k)] = k + 1;
  fds[static_cast<size_t>(k + 1)] = k;
  const std::string script = "read l; echo \"$l\" >&" + std::to_string(k) + "; read m <&" +
                             std::to_string(k + 1) + "; echo \"$m\"; echo dup >&3";
  pid_t pid = 0;
  const int status = Start("/bin/sh", {"sh", "-c", script}, fds, &pid);
  close(k);
  close(k + 1);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(ReadAll(out.read), "a\nb\ndup\n");
  EXPECT_EQ(WEXITSTATUS(WaitFor(pid)), 0);
}

TEST(ForkExecFailure, ReportsTheReasonAndLeavesNoChild) {
  const struct {
    const char* path;
    std::vector<int> fds;
    int step, error;
  } cases[] = {{"/nonexistent/program", {0, 1, 2}, TORKUSER_STEP_EXEC, ENOENT},
               {"/dev/null", {0, 1, 2}, TORKUSER_STEP_EXEC, EACCES},
               {"/bin/true", {0, 1, 987654}, TORKUSER_STEP_SETUP, EBADF}};
  for (const auto& c : cases) {
    pid_t pid = -5;
    const int status = Start(c.path, {"x"}, c.fds, &pid);
    EXPECT_EQ(TORKUSER_STATUS_STEP(status), c.step) << c.path;
    EXPECT_EQ(TORKUSER_STATUS_ERRNO(status), c.error) << c.path;
    EXPECT_EQ(pid, -5) << c.path;
    EXPECT_TRUE(HasNoChildren()) << c.path;
  }
  pid_t pid = 0;
  char* argv[] = {nullptr};
  EXPECT_EQ(TORKUSER_STATUS_STEP(TorkuserCompat_ForkExec("/bin/true", argv, nullptr, -1, nullptr, 0,
                                                         -1, -1, 0, nullptr)),
            TORKUSER_STEP_ARGUMENTS);
  EXPECT_EQ(TORKUSER_STATUS_STEP(TorkuserCompat_ForkExec("/bin/true", argv, nullptr, -1, nullptr,
                                                         -1, -1, -1, 0, &pid)),
            TORKUSER_STEP_ARGUMENTS);
}

TEST(TorkuserStatusText, DescribesErrorAndStep) {
  const int missing = (TORKUSER_STEP_EXEC << 16) | ENOENT;
  const struct {
    int status;
    size_t bufferSize;
    const char* expected;
  } cases[] = {{missing, 200, "No such file or directory (exec of the program failed)"},
               {(TORKUSER_STEP_FORK << 16) | EAGAIN, 200,
                "Resource temporarily unavailable (creating the child process failed)"},
               {missing, 8, "No such"}};
  for (const auto& c : cases) {
    char buffer[200];
    memset(buffer, 'X', sizeof buffer);
    EXPECT_EQ(TorkuserStatus_CodeToString(c.status, buffer, c.bufferSize, nullptr), buffer);
    EXPECT_STREQ(buffer, c.expected);
  }
}

}  // namespace
