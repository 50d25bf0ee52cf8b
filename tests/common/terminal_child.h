// A child process on a fresh pseudo-terminal, for tests of what a person at a terminal sees.
// The child is killed and reaped if a test leaves early, so that a failure leaves no process or
// descriptor behind.
#ifndef TARNEK_TESTS_COMMON_TERMINAL_CHILD_H_
#define TARNEK_TESTS_COMMON_TERMINAL_CHILD_H_

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
#include <fstream>
#include <string>

namespace TarnekTest {

class ChildOnTerminal {
 public:
  using Clock = std::chrono::steady_clock;
  // Long enough for a loaded machine; a fault fails the test instead of hanging it.
  static constexpr std::chrono::seconds kPatience{10};

  // Runs `body` in the child on the terminal's slave side. The body must end with _exit and use
  // plain output only, so that the child never runs the parent's tests or destructors.
  template <typename Body>
  explicit ChildOnTerminal(Body body) {
    std::fflush(nullptr);  // else the child would write the parent's buffered output again
    pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
      body();
      _exit(127);
    }
  }
  ~ChildOnTerminal() {
    if (pid > 0) {
      kill(pid, SIGKILL);
      Wait();
    }
    if (master >= 0) close(master);
  }
  ChildOnTerminal(const ChildOnTerminal&) = delete;
  ChildOnTerminal& operator=(const ChildOnTerminal&) = delete;

  // What the terminal showed up to and including `text`; empty on timeout or end.
  std::string ReadUntil(const std::string& text) {
    const auto deadline = Clock::now() + kPatience;
    while (seen.find(text) == std::string::npos) {
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

  // Everything the terminal shows until the child's side is closed.
  std::string ReadRest() {
    ReadUntil(std::string(1, '\0'));  // never shown: reads until the end
    return seen;
  }

  // The master side reports the slave's attributes.
  bool EchoIsOn() const {
    termios now{};
    return tcgetattr(master, &now) == 0 && (now.c_lflag & ECHO) != 0;
  }

  // A prompt is flushed just before echo is switched off, so the switch is awaited, not raced.
  bool WaitForEchoOff() const {
    for (const auto deadline = Clock::now() + kPatience; Clock::now() < deadline; sched_yield()) {
      if (!EchoIsOn()) return true;
    }
    return false;
  }

  // Waits until the child sits in the read of its standard input (system call 0 on descriptor
  // 0) with echo off, so that a signal arrives at the moment under test and not before.
  bool WaitForSilentRead() const {
    const std::string syscallFile = "/proc/" + std::to_string(pid) + "/syscall";
    for (const auto deadline = Clock::now() + kPatience; Clock::now() < deadline; sched_yield()) {
      std::ifstream file(syscallFile);
      std::string number, descriptor;
      if (file >> number >> descriptor && number == "0" && descriptor == "0x0" && !EchoIsOn()) {
        return true;
      }
    }
    return false;
  }

  // The raw wait status (0 for a child that exited with 0).
  int Wait() {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    pid = -1;
    return status;
  }

  pid_t pid = -1;
  int master = -1;
  std::string seen;
};

}  // namespace TarnekTest

#endif  // TARNEK_TESTS_COMMON_TERMINAL_CHILD_H_
