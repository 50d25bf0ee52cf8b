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

using Tarnek::AutoCli::OptionParser;
using namespace Tarnek::CallSpec;
using Clock = std::chrono::steady_clock;

// Long enough for a loaded machine; a fault fails the test instead of hanging it.
constexpr std::chrono::seconds kPatience{10};
constexpr const char* kPrompt = "Enter value for 'password': ";
constexpr const char* kEnd = "<end>";

// Runs in the child, on the terminal's slave side: no test framework here, only plain output
// and _exit, so that the child never runs the parent's tests or destructors.
[[noreturn]] void ParseAndReport(const std::vector<std::string>& args) {
  int status = 2;
  try {
    auto spec = InputSpec::New();
    auto password = ParameterSpec::New("password", ParameterType::String);
    password->SetSecret(true);
    spec->AddParameter(password);
    OptionParser parser;
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
class ParserOnTerminal {
 public:
  explicit ParserOnTerminal(const std::vector<std::string>& args) {
    // Whatever the parent has buffered would otherwise be written a second time by the child.
    std::cout.flush();
    std::fflush(nullptr);
    pid_ = forkpty(&master_, nullptr, nullptr, nullptr);
    if (pid_ == 0) ParseAndReport(args);
  }
  ~ParserOnTerminal() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      Wait();
    }
    if (master_ >= 0) close(master_);
  }
  ParserOnTerminal(const ParserOnTerminal&) = delete;
  ParserOnTerminal& operator=(const ParserOnTerminal&) = delete;

  bool Started() const { return pid_ > 0 && master_ >= 0; }

  // Appends what the terminal shows to `seen` until it holds `text`; false on timeout or end.
  bool ReadUntil(const std::string& text, std::string& seen) {
    const auto deadline = Clock::now() + kPatience;
    while (seen.find(text) == std::string::npos) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return false;
      pollfd ready{master_, POLLIN, 0};
      const int rc = poll(&ready, 1, static_cast<int>(left));
      if (rc < 0 && errno == EINTR) continue;
      if (rc <= 0) return false;
      char buffer[256];
      const ssize_t got = read(master_, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      // Linux reports EIO once the slave side is closed by the child's exit.
      if (got <= 0) return false;
      seen.append(buffer, static_cast<size_t>(got));
    }
    return true;
  }

  // The master side reports the slave's attributes. The prompt is flushed just before echo is
  // switched off, so the switch is awaited rather than raced.
  bool WaitForEchoOff() const {
    const auto deadline = Clock::now() + kPatience;
    termios now{};
    while (Clock::now() < deadline) {
      if (tcgetattr(master_, &now) != 0) return false;
      if ((now.c_lflag & ECHO) == 0) return true;
      sched_yield();
    }
    return false;
  }

  bool Type(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
      const ssize_t put = write(master_, text.data() + done, text.size() - done);
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      done += static_cast<size_t>(put);
    }
    return true;
  }

  // The child's exit status, or -1 when it did not exit normally.
  int Wait() {
    int status = 0;
    pid_t rc;
    do {
      rc = waitpid(pid_, &status, 0);
    } while (rc < 0 && errno == EINTR);
    pid_ = -1;
    return rc > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  int master_ = -1;
};

// What the terminal showed, cut after the child's report.
std::string UpToEnd(const std::string& seen) {
  return seen.substr(0, seen.find(kEnd) + std::string(kEnd).size());
}

TEST(SecretPromptOnTerminal, ReadsWithEchoOffAndRestoresEcho) {
  ParserOnTerminal child({"ns", "c", "--password"});
  ASSERT_TRUE(child.Started());
  std::string seen;
  ASSERT_TRUE(child.ReadUntil(kPrompt, seen)) << "no prompt; the terminal showed: " << seen;
  ASSERT_TRUE(child.WaitForEchoOff()) << "echo stayed on while the secret was awaited";
  ASSERT_TRUE(child.Type("s3cret\n"));
  ASSERT_TRUE(child.ReadUntil(kEnd, seen)) << "no report; the terminal showed: " << seen;
  // Byte for byte: the prompt, the parser's own line end (the terminal turns it into CR LF),
  // then the report. Any echo of the typed secret or its line end would sit in between.
  EXPECT_EQ(UpToEnd(seen),
            std::string(kPrompt) + "\r\nvalue=[s3cret] echo=on errors=0 " + kEnd);
  EXPECT_EQ(child.Wait(), 0);
}

TEST(SecretPromptOnTerminal, InlineSecretIsNotPromptedFor) {
  ParserOnTerminal child({"ns", "c", "--password=x"});
  ASSERT_TRUE(child.Started());
  std::string seen;
  // Had it prompted, the child would wait for a line never typed and the read would time out.
  ASSERT_TRUE(child.ReadUntil(kEnd, seen)) << "no report; the terminal showed: " << seen;
  EXPECT_EQ(UpToEnd(seen), std::string("value=[x] echo=on errors=0 ") + kEnd);
  EXPECT_EQ(child.Wait(), 0);
}

}  // namespace
