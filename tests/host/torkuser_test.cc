// Process start: descriptor wiring, failure reporting, environment and signals of the child.
#include "torkuser.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// A pipe made the way callers make theirs: without close-on-exec.
struct Pipe {
  int read = -1;
  int write = -1;
  Pipe() {
    int fds[2];
    if (pipe(fds) == 0) {
      read = fds[0];
      write = fds[1];
    }
  }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  void CloseRead() {
    if (read >= 0) close(read);
    read = -1;
  }
  void CloseWrite() {
    if (write >= 0) close(write);
    write = -1;
  }
};

std::string ReadAll(int fd) {
  std::string text;
  char chunk[256];
  for (;;) {
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return text;
    text.append(chunk, static_cast<size_t>(got));
  }
}

int Start(const char* path, std::vector<std::string> args, const std::vector<int>& fds, pid_t* pid,
          char* const* envp = nullptr) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(&arg[0]);
  argv.push_back(nullptr);
  return TorkuserCompat_ForkExec(path, argv.data(), envp, -1, fds.data(),
                                 static_cast<int>(fds.size()), -1, -1, 0, pid);
}

int WaitFor(pid_t pid) {
  int status = 0;
  pid_t done;
  do {
    done = waitpid(pid, &status, 0);
  } while (done < 0 && errno == EINTR);
  EXPECT_EQ(done, pid);
  return status;
}

bool HasNoChildren() { return waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD; }

struct ShellRun {
  std::string out;
  int waitStatus = 0;
};

// Runs a shell script with `input` on its standard input and collects its standard output.
ShellRun RunShell(const std::string& script, const std::string& input = "",
                  char* const* envp = nullptr) {
  Pipe in, out;
  EXPECT_EQ(write(in.write, input.data(), input.size()), static_cast<ssize_t>(input.size()));
  in.CloseWrite();
  pid_t pid = 0;
  const int status = Start("/bin/sh", {"sh", "-c", script}, {in.read, out.write, 2}, &pid, envp);
  EXPECT_EQ(status, 0);
  ShellRun run;
  if (status != 0) return run;
  in.CloseRead();
  out.CloseWrite();
  run.out = ReadAll(out.read);
  run.waitStatus = WaitFor(pid);
  return run;
}

// Lists the shell's open descriptors; [ -e ] drops the one the glob itself used.
const char kListDescriptors[] =
    "for f in /proc/$$/fd/*; do [ -e \"$f\" ] && echo \"${f##*/}\"; done; exit 0";

TEST(ForkExecDescriptors, ChildHasExactlyTheGivenDescriptors) {
  Pipe unrelated;  // open in the caller, not close-on-exec: must not reach the child
  ASSERT_GE(unrelated.write, 0);
  const ShellRun run = RunShell(kListDescriptors);
  EXPECT_EQ(run.out, "0\n1\n2\n");
  EXPECT_TRUE(WIFEXITED(run.waitStatus) && WEXITSTATUS(run.waitStatus) == 0);
}

TEST(ForkExecDescriptors, WiresInputOutputAndError) {
  Pipe in, out, err;
  ASSERT_EQ(write(in.write, "hello\nworld\n", 12), 12);
  in.CloseWrite();
  pid_t pid = 0;
  ASSERT_EQ(
      Start("/bin/sh", {"sh", "-c", "cat; echo oops >&2"}, {in.read, out.write, err.write}, &pid),
      0);
  in.CloseRead();
  out.CloseWrite();
  err.CloseWrite();
  EXPECT_EQ(ReadAll(out.read), "hello\nworld\n");
  EXPECT_EQ(ReadAll(err.read), "oops\n");
  EXPECT_EQ(WEXITSTATUS(WaitFor(pid)), 0);
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
  in.CloseWrite();
  out.CloseWrite();
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

TEST(ForkExecProcess, ExitStatusReachesTheCaller) {
  const ShellRun run = RunShell("exit 7");
  ASSERT_TRUE(WIFEXITED(run.waitStatus));
  EXPECT_EQ(WEXITSTATUS(run.waitStatus), 7);
  EXPECT_TRUE(HasNoChildren());
}

struct EnvironmentCase {
  const char* what;
  std::vector<const char*> envp;  // empty: inherit
  const char* expected;
};

TEST(ForkExecProcess, EnvironmentIsInheritedOrReplaced) {
  ASSERT_EQ(setenv("TORKUSER_TEST_VALUE", "inherited", 1), 0);
  const EnvironmentCase cases[] = {
      {"inherited", {}, "-inherited\n"},
      {"replaced", {"ONLY=given", nullptr}, "given-\n"},
  };
  for (const EnvironmentCase& c : cases) {
    char* const* envp = c.envp.empty() ? nullptr : const_cast<char* const*>(c.envp.data());
    EXPECT_EQ(RunShell("echo \"$ONLY-$TORKUSER_TEST_VALUE\"", "", envp).out, c.expected) << c.what;
  }
  unsetenv("TORKUSER_TEST_VALUE");
}

TEST(ForkExecProcess, IgnoredAndBlockedSignalsAreResetForTheChild) {
  struct sigaction ignore {
  }, savedPipe{};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(sigaction(SIGPIPE, &ignore, &savedPipe), 0);
  const ShellRun piped = RunShell("kill -s PIPE $$; echo survived");
  sigaction(SIGPIPE, &savedPipe, nullptr);
  EXPECT_TRUE(WIFSIGNALED(piped.waitStatus) && WTERMSIG(piped.waitStatus) == SIGPIPE) << piped.out;

  sigset_t term, savedMask;
  sigemptyset(&term);
  sigaddset(&term, SIGTERM);
  ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &term, &savedMask), 0);
  const ShellRun terminated = RunShell("kill -s TERM $$; echo survived");
  pthread_sigmask(SIG_SETMASK, &savedMask, nullptr);
  EXPECT_TRUE(WIFSIGNALED(terminated.waitStatus) && WTERMSIG(terminated.waitStatus) == SIGTERM)
      << terminated.out;
}

struct FailureCase {
  const char* path;
  int step;
  int error;
};

TEST(ForkExecFailure, ReportsTheReasonAndLeavesNoChild) {
  const FailureCase cases[] = {
      {"/nonexistent/program", TORKUSER_STEP_EXEC, ENOENT},
      {"/", TORKUSER_STEP_EXEC, EACCES},
      {"/dev/null", TORKUSER_STEP_EXEC, EACCES},
  };
  for (const FailureCase& c : cases) {
    pid_t pid = -5;
    const int status = Start(c.path, {"x"}, {0, 1, 2}, &pid);
    EXPECT_EQ(TORKUSER_STATUS_STEP(status), c.step) << c.path;
    EXPECT_EQ(TORKUSER_STATUS_ERRNO(status), c.error) << c.path;
    EXPECT_EQ(pid, -5) << c.path;
    EXPECT_TRUE(HasNoChildren()) << c.path;
  }
}

TEST(ForkExecFailure, BadDescriptorOrArgumentsAreReported) {
  pid_t pid = 0;
  const int badFd = Start("/bin/true", {"true"}, {0, 1, 987654}, &pid);
  EXPECT_EQ(TORKUSER_STATUS_STEP(badFd), TORKUSER_STEP_SETUP);
  EXPECT_EQ(TORKUSER_STATUS_ERRNO(badFd), EBADF);
  EXPECT_TRUE(HasNoChildren());

  char* argv[] = {nullptr};
  EXPECT_EQ(TORKUSER_STATUS_STEP(TorkuserCompat_ForkExec("/bin/true", argv, nullptr, -1, nullptr, 0,
                                                         -1, -1, 0, nullptr)),
            TORKUSER_STEP_ARGUMENTS);
  EXPECT_EQ(TORKUSER_STATUS_STEP(TorkuserCompat_ForkExec("/bin/true", argv, nullptr, -1, nullptr,
                                                         -1, -1, -1, 0, &pid)),
            TORKUSER_STEP_ARGUMENTS);
}

struct TextCase {
  int status;
  size_t bufferSize;
  const char* expected;
};

TEST(TorkuserStatusText, DescribesErrorAndStep) {
  const int missing = (TORKUSER_STEP_EXEC << 16) | ENOENT;
  const TextCase cases[] = {
      {0, 200, "Success"},
      {missing, 200, "No such file or directory (exec of the program failed)"},
      {(TORKUSER_STEP_FORK << 16) | EAGAIN, 200,
       "Resource temporarily unavailable (creating the child process failed)"},
      {missing, 8, "No such"},
      {(77 << 16) | 1, 200, "Unknown process start status 5046273"},
  };
  for (const TextCase& c : cases) {
    char buffer[200];
    memset(buffer, 'X', sizeof buffer);
    EXPECT_EQ(TorkuserStatus_CodeToString(c.status, buffer, c.bufferSize, nullptr), buffer);
    EXPECT_STREQ(buffer, c.expected);
  }
}

}  // namespace
