// The secret prompt on a real terminal: the value is read with echo off, nothing typed shows,
// and the terminal is left as it was found.
#include <poll.h>
#include <pty.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tarnek/autocli/option_parser.h"
#include "tarnek/callspec.h"

namespace {

using namespace Tarnek::CallSpec;
using Clock = std::chrono::steady_clock;

// Long enough for a loaded machine; a fault fails the test instead of hanging it.
constexpr std::chrono::seconds kPatience{10};
const std::string kPrompt = "Enter value for 'password': ";
const std::string kEnd = "<end>";

// Runs in the child, on the terminal's slave side: no test framework here, only plain output
// and _exit, so that the child never runs the parent's tests or destructors.
[[noreturn]] void ParseAndReport(const std::vector<std::string>& args) {
  int status = 2;
  try {
    auto spec = InputSpec::New();
    auto password = ParameterSpec::New("password", ParameterType::String);
    password->SetSecret(true);
    spec->AddParameter(password);
    Tarnek::AutoCli::OptionParser parser;
    parser.ParseVector(args);
    parser.SetInputSpec(spec);
    const auto& parameters = parser.GetCommandParameters();
    termios now{};
    const bool echo = tcgetattr(STDIN_FILENO, &now) == 0 && (now.c_lflag & ECHO) != 0;
    std::cout << "value=[" << (parameters.empty() ? "(none)" : parameters.front().second)
              << "] echo=" << (echo ? "on" : "off") << " errors=" << parser.GetParseErrors().size()
              << " " << kEnd << std::endl;
    status = std::cout ? 0 : 3;
  } catch (...) {
  }
  _exit(status);
}

// A parser running in a child on a fresh pseudo-terminal; the child is killed and reaped if a
// test leaves early, so a failure leaves no process or descriptor behind.
struct ParserOnTerminal {
  explicit ParserOnTerminal(const std::vector<std::string>& args) {
    std::fflush(nullptr);  // else the child would write the parent's buffered output again
    pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) ParseAndReport(args);
  }
  ~ParserOnTerminal() {
    if (pid > 0) {
      kill(pid, SIGKILL);
      Wait();
    }
    if (master >= 0) close(master);
  }

  // What the terminal shows, up to and including `text`; empty on timeout or end.
  std::string ReadUntil(const std::string& text) {
    const auto deadline = Clock::now() + kPatience;
    for (std::size_t at; (at = seen.find(text)) == std::string::npos;) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      pollfd ready{master, POLLIN, 0};
      errno = 0;  // a timeout sets none
      const int rc = left.count() > 0 ? poll(&ready, 1, static_cast<int>(left.count())) : 0;
      char buffer[256];
      // Linux reports EIO once the slave side is closed by the child's exit.
      const ssize_t got = rc > 0 ? read(master, buffer, sizeof buffer) : -1;
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return "";
      seen.append(buffer, static_cast<size_t>(got));
    }
    return seen.substr(0, seen.find(text) + text.size());
  }

  // The master side reports the slave's attributes. The prompt is flushed just before echo is
  // switched off, so the switch is awaited rather than raced.
  bool WaitForEchoOff() const {
    termios now{};
    for (const auto deadline = Clock::now() + kPatience; Clock::now() < deadline; sched_yield()) {
      if (tcgetattr(master, &now) != 0) return false;
      if ((now.c_lflag & ECHO) == 0) return true;
    }
    return false;
  }

  // The child's exit status, or -1 when it did not exit normally.
  int Wait() {
    int status = 0;
    pid_t rc;
    while ((rc = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    pid = -1;
    return rc > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  pid_t pid = -1;
  int master = -1;
  std::string seen;
};

TEST(SecretPromptOnTerminal, ReadsWithEchoOffAndRestoresEcho) {
  ParserOnTerminal child({"ns", "c", "--password"});
  ASSERT_TRUE(child.pid > 0 && child.master >= 0);
  ASSERT_NE(child.ReadUntil(kPrompt), "") << "no prompt; the terminal showed: " << child.seen;
  ASSERT_TRUE(child.WaitForEchoOff()) << "echo stayed on while the secret was awaited";
  const std::string typed = "s3cret\n";
  ASSERT_EQ(write(child.master, typed.data(), typed.size()), ssize_t(typed.size()));
  // Byte for byte: the prompt, the parser's own line end (the terminal turns it into CR LF),
  // then the report. Any echo of the typed secret or its line end would sit in between.
  EXPECT_EQ(child.ReadUntil(kEnd), kPrompt + "\r\nvalue=[s3cret] echo=on errors=0 " + kEnd)
      << "the terminal showed: " << child.seen;
  EXPECT_EQ(child.Wait(), 0);
}

TEST(SecretPromptOnTerminal, InlineSecretIsNotPromptedFor) {
  ParserOnTerminal child({"ns", "c", "--password=x"});
  ASSERT_TRUE(child.pid > 0 && child.master >= 0);
  // Had it prompted, the child would wait for a line never typed and the read would time out.
  EXPECT_EQ(child.ReadUntil(kEnd), "value=[x] echo=on errors=0 " + kEnd)
      << "the terminal showed: " << child.seen;
  EXPECT_EQ(child.Wait(), 0);
}

}  // namespace
