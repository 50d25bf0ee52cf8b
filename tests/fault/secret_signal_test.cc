// Signals that arrive while a secret value is read on a real terminal: a fatal one ends the
// process the way it would have anyway, but only after echo is back on; one the program handles
// itself neither ends the read nor loses what is typed.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include <gtest/gtest.h>

#include "tarnek/autocli/option_parser.h"
#include "tarnek/callspec.h"
#include "../common/terminal_child.h"

namespace {

using namespace Tarnek::CallSpec;
const std::string kPrompt = "Enter value for 'password': ";
const std::string kEnd = "<end>";

// Shows on the terminal that the handler ran, so that the test knows the signal arrived.
extern "C" void NoteSignal(int) {
  const int savedErrno = errno;
  if (write(STDOUT_FILENO, "*", 1) != 1) _exit(4);
  errno = savedErrno;
}

// Runs in the child on the terminal's slave side: plain output and _exit only, so the child
// never runs the parent's tests or destructors. With `ownHandler` the program handles SIGUSR1
// itself, without SA_RESTART, as a host may.
[[noreturn]] void PromptAndReport(bool ownHandler) {
  const rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);  // SIGQUIT's default action would leave a core file
  if (ownHandler) {
    struct sigaction action {};
    action.sa_handler = NoteSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGUSR1, &action, nullptr);
  }
  int status = 2;
  try {
    auto spec = InputSpec::New();
    auto password = ParameterSpec::New("password", ParameterType::String);
    password->SetSecret(true);
    spec->AddParameter(password);
    Tarnek::AutoCli::OptionParser parser;
    parser.ParseVector({"ns", "c", "--password"});
    parser.SetInputSpec(spec);
    const auto& parameters = parser.GetCommandParameters();
    termios now{};
    const bool echo = tcgetattr(STDIN_FILENO, &now) == 0 && (now.c_lflag & ECHO) != 0;
    std::cout << "value=[" << (parameters.empty() ? "(none)" : parameters.front().second)
              << "] echo=" << (echo ? "on" : "off") << " " << kEnd << std::endl;
    status = std::cout ? 0 : 3;
  } catch (...) {
  }
  _exit(status);
}

// A child prompting for a secret on a fresh pseudo-terminal.
struct PromptOnTerminal : TarnekTest::ChildOnTerminal {
  explicit PromptOnTerminal(bool ownHandler = false)
      : ChildOnTerminal([ownHandler] { PromptAndReport(ownHandler); }) {}
};

TEST(SecretReadSignal, FatalSignalRestoresEchoThenEndsTheProcessWithThatSignal) {
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    PromptOnTerminal child;
    ASSERT_TRUE(child.pid > 0 && child.master >= 0);
    ASSERT_NE(child.ReadUntil(kPrompt), "") << "no prompt; the terminal showed: " << child.seen;
    ASSERT_TRUE(child.WaitForSilentRead()) << "the child never waited for the secret";
    ASSERT_EQ(kill(child.pid, signalNumber), 0);
    const int status = child.Wait();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber)
        << strsignal(signalNumber) << ": wait status " << status;
    EXPECT_TRUE(child.EchoIsOn()) << strsignal(signalNumber) << " left echo off";
    EXPECT_EQ(child.ReadRest(), kPrompt) << strsignal(signalNumber);
  }
}

TEST(SecretReadSignal, HandledSignalNeitherEndsTheReadNorLosesTypedText) {
  PromptOnTerminal child(/*ownHandler=*/true);
  ASSERT_TRUE(child.pid > 0 && child.master >= 0);
  ASSERT_NE(child.ReadUntil(kPrompt), "") << "no prompt; the terminal showed: " << child.seen;
  ASSERT_TRUE(child.WaitForSilentRead());
  ASSERT_EQ(write(child.master, "ab", 2), 2);  // canonical mode: not yet a line
  ASSERT_EQ(kill(child.pid, SIGUSR1), 0);
  ASSERT_NE(child.ReadUntil(kPrompt + "*"), "") << "the terminal showed: " << child.seen;
  // The interrupted read is resumed (had it ended, the child would report and exit instead).
  ASSERT_TRUE(child.WaitForSilentRead()) << "the terminal showed: " << child.seen;
  ASSERT_EQ(write(child.master, "c\n", 2), 2);
  EXPECT_EQ(child.ReadUntil(kEnd), kPrompt + "*\r\nvalue=[abc] echo=on " + kEnd)
      << "the terminal showed: " << child.seen;
  const int status = child.Wait();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
