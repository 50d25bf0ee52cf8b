// Reading a secret value from the terminal without echoing it.
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <string>

#include "tarnek/autocli/option_parser.h"

namespace Tarnek {
namespace AutoCli {

namespace {

bool SetAttributes(const termios& attributes) {
  int rc;
  do {
    rc = tcsetattr(STDIN_FILENO, TCSANOW, &attributes);
  } while (rc != 0 && errno == EINTR);
  return rc == 0;
}

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

std::string ReadLine() {
  std::string line;
  // At end of input getline leaves the string as it was: empty.
  std::getline(std::cin, line);
  return line;
}

}  // namespace

std::string OptionParser::GetSilentString() {
  termios saved;
  // Not a terminal (a pipe, a file): there is no echo to switch off.
  if (tcgetattr(STDIN_FILENO, &saved) != 0) return ReadLine();
  EchoOffGuard guard(saved);
  return ReadLine();
}

}  // namespace AutoCli
}  // namespace Tarnek
