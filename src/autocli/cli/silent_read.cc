// Reading a secret value from the terminal without echoing it.
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <string>

#include "tarnek/autocli/option_parser.h"

namespace Tarnek {
namespace AutoCli {

namespace {

// The signals whose default action ends the process while the user sits at the prompt: Ctrl-C,
// Ctrl-\, a closed terminal and a plain kill. Dying of one of them with echo off would leave
// the user's shell blind, so for the duration of the read they restore the terminal first.
constexpr int kFatalSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};
constexpr std::size_t kFatalSignalCount = sizeof kFatalSignals / sizeof kFatalSignals[0];

// What the signal handler puts back. Written before the handlers are installed and only read
// by them, so the handler never sees it half-written.
termios savedForSignals;

bool SetAttributes(const termios& attributes) {
  int rc;
  do {
    rc = tcsetattr(STDIN_FILENO, TCSANOW, &attributes);
  } while (rc != 0 && errno == EINTR);
  return rc == 0;
}

// Runs with the disposition already reset to the default (SA_RESETHAND) and the signal not
// blocked (SA_NODEFER): after the terminal is restored, raising it again ends the process the
// way the sender meant, with the status a shell reports for that signal. tcsetattr and raise
// are both safe in a signal handler.
extern "C" void RestoreTerminalAndDie(int signalNumber) {
  const int savedErrno = errno;
  tcsetattr(STDIN_FILENO, TCSANOW, &savedForSignals);
  raise(signalNumber);
  errno = savedErrno;  // only reached if the default action was to continue after all
}

// Installs RestoreTerminalAndDie for the fatal signals that still have their default action,
// and puts the previous dispositions back when the read is over. A signal the host ignores stays
// ignored; one the host handles itself stays the host's (its handler decides, and a read it
// interrupts ends through the echo guard below).
class FatalSignalGuard {
 public:
  explicit FatalSignalGuard(const termios& saved) {
    savedForSignals = saved;
    struct sigaction restoring {};
    restoring.sa_handler = RestoreTerminalAndDie;
    sigemptyset(&restoring.sa_mask);
    restoring.sa_flags = SA_RESETHAND | SA_NODEFER;
    for (std::size_t i = 0; i < kFatalSignalCount; ++i) {
      installed_[i] = sigaction(kFatalSignals[i], nullptr, &previous_[i]) == 0 &&
                      (previous_[i].sa_flags & SA_SIGINFO) == 0 &&
                      previous_[i].sa_handler == SIG_DFL &&
                      sigaction(kFatalSignals[i], &restoring, nullptr) == 0;
    }
  }
  ~FatalSignalGuard() {
    for (std::size_t i = 0; i < kFatalSignalCount; ++i) {
      if (installed_[i]) sigaction(kFatalSignals[i], &previous_[i], nullptr);
    }
  }
  FatalSignalGuard(const FatalSignalGuard&) = delete;
  FatalSignalGuard& operator=(const FatalSignalGuard&) = delete;

 private:
  struct sigaction previous_[kFatalSignalCount];
  bool installed_[kFatalSignalCount] = {};
};

// Puts the terminal back as it was whatever way the read ends, so that a failed read or an
// exception never leaves the user's shell without echo.
class EchoOffGuard {
 public:
  explicit EchoOffGuard(const termios& saved) : saved_(saved) {
    termios silent = saved;
    silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    SetAttributes(silent);
  }
  ~EchoOffGuard() { SetAttributes(saved_); }
  EchoOffGuard(const EchoOffGuard&) = delete;
  EchoOffGuard& operator=(const EchoOffGuard&) = delete;

 private:
  const termios saved_;
};

// One line from standard input, without its line end. A read interrupted by a signal whose
// handler returns (a host's handler installed without SA_RESTART) is resumed instead of being
// taken for the end of input; what was typed before the interruption is kept.
std::string ReadLine() {
  std::string line;
  for (;;) {
    std::string piece;
    errno = 0;
    std::getline(std::cin, piece);
    line += piece;
    if (!std::cin.eof() || errno != EINTR || !std::ferror(stdin)) break;
    std::clearerr(stdin);
    std::cin.clear();
  }
  return line;
}

}  // namespace

std::string OptionParser::GetSilentString() {
  termios saved;
  // Not a terminal (a pipe, a file): there is no echo to switch off.
  if (tcgetattr(STDIN_FILENO, &saved) != 0) return ReadLine();
  // The handlers go in before echo goes off and come out after it is back on, so that there is
  // no moment at which a signal could end the process with echo off.
  FatalSignalGuard signals(saved);
  EchoOffGuard guard(saved);
  return ReadLine();
}

}  // namespace AutoCli
}  // namespace Tarnek
