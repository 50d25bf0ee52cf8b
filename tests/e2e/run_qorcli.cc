// The child-process runner of the end-to-end tests: fork and exec with three pipes, a poll loop
// that feeds standard input while draining both outputs (so a chatty child never blocks on a
// full pipe), and a deadline after which the child is killed instead of hanging the test.
#include "run_qorcli.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include <gtest/gtest.h>

namespace e2e_test {
namespace {

constexpr std::chrono::seconds kPatience{20};
// A checker such as valgrind runs the program many times slower.
constexpr std::chrono::seconds kWrappedPatience{180};

const char* const kDefaultFolderNotes[] = {
    "Unable to open directory /usr/lib/norvane/qorcli for plugin registration\n",
    "Unable to open directory /usr/lib/norvane/qorcli/ext for plugin registration\n"};

struct Pipe {
  int read = -1;
  int write = -1;
  Pipe() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) == 0) read = fds[0], write = fds[1];
  }
  ~Pipe() { CloseRead(), CloseWrite(); }
  static void Close(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
  void CloseRead() { Close(read); }
  void CloseWrite() { Close(write); }
};

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

Outcome RunQorcli(const std::vector<std::string>& args, const std::string& directory,
                  const std::string& input, const std::string& program) {
  Outcome outcome;
  // A child that exits without reading its input must fail the write, not kill the test.
  signal(SIGPIPE, SIG_IGN);

  // TARNEK_QORCLI_WRAPPER, when set, is a command line (words separated by spaces, the first an
  // absolute path) that qorcli runs under, for example a memory checker.
  std::vector<std::string> argvTexts;
  const char* wrapper = std::getenv("TARNEK_QORCLI_WRAPPER");
  std::istringstream wrapperWords(wrapper ? wrapper : "");
  for (std::string word; wrapperWords >> word;) argvTexts.push_back(word);
  const bool wrapped = !argvTexts.empty();
  const std::string executable = wrapped ? argvTexts.front() : QORCLI_PATH;
  argvTexts.push_back(program);
  argvTexts.insert(argvTexts.end(), args.begin(), args.end());
  std::vector<std::string> environmentTexts{"ZN_USERNAME=e2e"};
  for (const char* name : {"LD_LIBRARY_PATH", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
    if (const char* value = std::getenv(name))
      environmentTexts.push_back(std::string(name) + "=" + value);
  }
  if (wrapped) {
    // The wrapper finds the program by its plain name on the search path, so that argv[0] is
    // still `program` (the name the program's texts show).
    const std::string path = QORCLI_PATH;
    environmentTexts.push_back("PATH=" + path.substr(0, path.rfind('/')) +
                               ":/usr/local/bin:/usr/bin:/bin");
  }
  std::vector<char*> argv = Pointers(argvTexts);
  std::vector<char*> environment = Pointers(environmentTexts);

  Pipe in, out, err;
  if (in.read < 0 || out.read < 0 || err.read < 0) {
    ADD_FAILURE() << "pipe: " << std::strerror(errno);
    return outcome;
  }
  const pid_t child = fork();
  if (child < 0) {
    ADD_FAILURE() << "fork: " << std::strerror(errno);
    return outcome;
  }
  if (child == 0) {
    // Only async-signal-safe calls between fork and exec.
    if (dup2(in.read, STDIN_FILENO) < 0 || dup2(out.write, STDOUT_FILENO) < 0 ||
        dup2(err.write, STDERR_FILENO) < 0 || chdir(directory.c_str()) != 0) {
      _exit(126);
    }
    execve(executable.c_str(), argv.data(), environment.data());
    _exit(127);
  }
  in.CloseRead();
  out.CloseWrite();
  err.CloseWrite();

  size_t written = 0;
  if (input.empty()) in.CloseWrite();
  const auto patience = wrapped ? kWrappedPatience : kPatience;
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (out.read >= 0 || err.read >= 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      ADD_FAILURE() << "qorcli did not finish within " << patience.count() << " s";
      kill(child, SIGKILL);
      break;
    }
    pollfd fds[3] = {{out.read, POLLIN, 0}, {err.read, POLLIN, 0}, {in.write, POLLOUT, 0}};
    if (poll(fds, 3, static_cast<int>(left.count())) < 0) {
      if (errno == EINTR) continue;
      ADD_FAILURE() << "poll: " << std::strerror(errno);
      kill(child, SIGKILL);
      break;
    }
    if (fds[2].revents != 0) {
      const ssize_t n = write(in.write, input.data() + written, input.size() - written);
      if (n > 0) written += static_cast<size_t>(n);
      if ((n < 0 && errno != EINTR && errno != EAGAIN) || written == input.size()) in.CloseWrite();
    }
    Pipe* sources[2] = {&out, &err};
    std::string* sinks[2] = {&outcome.out, &outcome.err};
    for (int i = 0; i < 2; ++i) {
      if (fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t n = read(sources[i]->read, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        sources[i]->CloseRead();
      }
    }
  }
  in.CloseWrite();

  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  for (const char* note : kDefaultFolderNotes) {
    if (outcome.err.compare(0, std::strlen(note), note) == 0)
      outcome.err.erase(0, std::strlen(note));
  }
  return outcome;
}

}  // namespace e2e_test
