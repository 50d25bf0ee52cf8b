// The shell runner behind extension commands, its process-wide hooks, and Panic.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <boost/algorithm/string/replace.hpp>

#include "tarnek/autocli/extension_command.h"
#include "tarnek/exception.h"
#include "torkuser.h"

namespace Tarnek {
namespace AutoCli {

namespace {

constexpr char kShell[] = "/bin/sh";
// Large results are tens of megabytes: read them in pieces as large as a pipe delivers at once.
constexpr std::size_t kReadPiece = 1 << 16;
// The output pipe is widened so that a fast child does not stall every 64 KiB waiting for us.
constexpr int kOutputPipeSize = 1 << 20;
constexpr std::size_t kStatusTextSize = 200;

CommandExecListener commandExecListener = nullptr;
ChildRpTorkOptionMaker childRpTorkOptionMaker = nullptr;

// strerror_r has two incompatible signatures depending on the feature macros in force; these
// overloads accept either.
[[maybe_unused]] std::string ErrorText(const char* text, const char*) { return text; }
[[maybe_unused]] std::string ErrorText(int rc, const char* buffer) {
  return rc == 0 ? buffer : "Unknown error";
}

std::string ErrnoText(int errorNumber) {
  char buffer[256];
  return ErrorText(strerror_r(errorNumber, buffer, sizeof buffer), buffer);
}

[[noreturn]] void ThrowErrno(const std::string& prefix, int errorNumber) {
  throw TarnekException(prefix + ErrnoText(errorNumber));
}

// Owns one descriptor and closes it on every way out of the runner. close() is not retried on
// EINTR: on Linux the descriptor is gone either way, and a retry could close a descriptor
// another thread has just been given.
class FileDescriptor {
 public:
  FileDescriptor() = default;
  ~FileDescriptor() { Close(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int* Receive() noexcept { return &fd; }
  int Get() const noexcept { return fd; }
  bool IsOpen() const noexcept { return fd >= 0; }
  void Close() noexcept {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }

 private:
  int fd = -1;
};

// Both ends of one pipe, created close-on-exec so that no other child started meanwhile
// inherits them (the child that should have an end gets it duplicated onto 0 or 1).
struct Pipe {
  FileDescriptor read;
  FileDescriptor write;

  bool Open() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return false;
    *read.Receive() = ends[0];
    *write.Receive() = ends[1];
    return true;
  }
};

// Makes sure the child is waited for on every path. On the normal path the runner waits
// itself and disarms the guard; when the exchange with the child failed its output is of no
// use, so the guard closes the caller's ends, kills the shell (it might otherwise never end,
// and the caller would hang here) and reaps it.
class ChildReaper {
 public:
  ChildReaper(pid_t child, FileDescriptor& toChild, FileDescriptor& fromChild) noexcept
      : pid(child), input(toChild), output(fromChild) {}
  ~ChildReaper() {
    if (pid <= 0) return;
    input.Close();
    output.Close();
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  ChildReaper(const ChildReaper&) = delete;
  ChildReaper& operator=(const ChildReaper&) = delete;

  /// Waits for the child; throws with the errno text when waiting fails.
  int Wait(const std::string& command) {
    int status = 0;
    pid_t rc;
    do {
      rc = ::waitpid(pid, &status, 0);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) {
      const int error = errno;
      pid = -1;  // whatever made waitpid fail, waiting again would fail the same way
      ThrowErrno("Error waiting for process '" + command + "': ", error);
    }
    pid = -1;
    return status;
  }

 private:
  pid_t pid;
  FileDescriptor& input;
  FileDescriptor& output;
};

// A child that exits without reading all of its input makes the next write raise SIGPIPE,
// whose default action would end the whole host. The signal is blocked in this thread only
// (a write to a pipe raises it for the writing thread), and a SIGPIPE our writes raised is
// taken off the pending set before the mask is restored. This leaves the process-wide
// disposition alone: changing it to "ignore" and back would race with other threads and with
// a handler the host installs. A SIGPIPE that was already pending before is not ours to drop.
class SigpipeBlock {
 public:
  SigpipeBlock() {
    sigemptyset(&sigpipe);
    sigaddset(&sigpipe, SIGPIPE);
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &sigpipe, &previous);
    wasBlocked = sigismember(&previous, SIGPIPE) == 1;
    sigset_t pending;
    sigpending(&pending);
    wasPending = sigismember(&pending, SIGPIPE) == 1;
  }
  ~SigpipeBlock() {
    if (!wasPending) {
      const timespec noWait{0, 0};
      while (sigtimedwait(&sigpipe, nullptr, &noWait) == SIGPIPE) {
      }
    }
    if (!wasBlocked) pthread_sigmask(SIG_UNBLOCK, &sigpipe, nullptr);
  }
  SigpipeBlock(const SigpipeBlock&) = delete;
  SigpipeBlock& operator=(const SigpipeBlock&) = delete;

 private:
  sigset_t sigpipe;
  bool wasBlocked = false;
  bool wasPending = false;
};

// Feeds `stdinText` to the child while collecting its output. Writing everything first would
// deadlock with a child that fills its output pipe before it has read all of its input, so
// both directions advance as poll() allows. The child sees the end of its input once the whole
// text is written; a child that closes its input early just ends the writing.
void ExchangeWithChild(FileDescriptor& toChild, FileDescriptor& fromChild,
                       const std::string& stdinText, std::string& output) {
  std::size_t written = 0;
  if (stdinText.empty()) {
    toChild.Close();
  } else if (::fcntl(toChild.Get(), F_SETFL, ::fcntl(toChild.Get(), F_GETFL) | O_NONBLOCK) != 0) {
    // Only the caller's end becomes non-blocking: it is a separate open file from the child's.
    ThrowErrno("Unable to write to sub-process: ", errno);
  }
  SigpipeBlock sigpipeBlocked;
  std::vector<char> piece(kReadPiece);
  while (toChild.IsOpen() || fromChild.IsOpen()) {
    if (!toChild.IsOpen()) {
      // Only the output is left: plain blocking reads, no poll() in between.
      const ssize_t got = ::read(fromChild.Get(), piece.data(), piece.size());
      if (got > 0) {
        output.append(piece.data(), static_cast<std::size_t>(got));
      } else if (got == 0) {
        fromChild.Close();
      } else if (errno != EINTR) {
        ThrowErrno("Unable to read from sub-process: ", errno);
      }
      continue;
    }
    pollfd watched[2];
    nfds_t count = 0;
    int writeSlot = -1;
    int readSlot = -1;
    if (toChild.IsOpen()) {
      writeSlot = static_cast<int>(count);
      watched[count++] = pollfd{toChild.Get(), POLLOUT, 0};
    }
    if (fromChild.IsOpen()) {
      readSlot = static_cast<int>(count);
      watched[count++] = pollfd{fromChild.Get(), POLLIN, 0};
    }
    if (::poll(watched, count, -1) < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(toChild.IsOpen() ? "Unable to write to sub-process: "
                                  : "Unable to read from sub-process: ",
                 errno);
    }

    if (writeSlot >= 0 && watched[writeSlot].revents != 0) {
      const ssize_t sent =
          ::write(toChild.Get(), stdinText.data() + written, stdinText.size() - written);
      if (sent >= 0) {
        written += static_cast<std::size_t>(sent);
        if (written == stdinText.size()) toChild.Close();
      } else if (errno == EPIPE) {
        // The child is done with its input; its output still decides the outcome.
        toChild.Close();
      } else if (errno != EINTR && errno != EAGAIN) {
        ThrowErrno("Unable to write to sub-process: ", errno);
      }
    }

    if (readSlot >= 0 && watched[readSlot].revents != 0) {
      const ssize_t got = ::read(fromChild.Get(), piece.data(), piece.size());
      if (got > 0) {
        output.append(piece.data(), static_cast<std::size_t>(got));
      } else if (got == 0) {
        fromChild.Close();
      } else if (errno != EINTR && errno != EAGAIN) {
        ThrowErrno("Unable to read from sub-process: ", errno);
      }
    }
  }
}

}  // namespace

void SetCommandExecListener(CommandExecListener listener) { commandExecListener = listener; }

void SetChildRpTorkOptionMaker(ChildRpTorkOptionMaker maker) { childRpTorkOptionMaker = maker; }

std::string MakeChildRpTorkOption(int n) {
  return childRpTorkOptionMaker ? childRpTorkOptionMaker(n) : std::string();
}

int AutoCli_ShellCmd(const std::string& command, std::string& output,
                     const std::string& stdinText) {
  Pipe input;
  if (!input.Open()) ThrowErrno("Can't create input pipe: ", errno);
  Pipe fromChild;
  if (!fromChild.Open()) ThrowErrno("Can't create output pipe: ", errno);
  // Best effort: a system that refuses keeps the default size.
  (void)::fcntl(fromChild.read.Get(), F_SETPIPE_SZ, kOutputPipeSize);

  std::vector<std::string> arguments{kShell};
  std::string childOption = MakeChildRpTorkOption(-1);
  if (!childOption.empty()) arguments.push_back(std::move(childOption));
  arguments.emplace_back("-c");
  arguments.push_back(command);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(&argument[0]);
  argv.push_back(nullptr);

  const int childFds[3] = {input.read.Get(), fromChild.write.Get(), STDERR_FILENO};
  pid_t pid = -1;
  const int started =
      TorkuserCompat_ForkExec(kShell, argv.data(), nullptr, -1, childFds, 3, -1, -1, 0, &pid);
  // The child has its own copies; ours would keep it from ever seeing the end of its input,
  // and us from ever seeing the end of its output.
  input.read.Close();
  fromChild.write.Close();
  if (started != 0) {
    char reason[kStatusTextSize] = {};
    TorkuserStatus_CodeToString(started, reason, sizeof reason, nullptr);
    reason[sizeof reason - 1] = '\0';
    throw TarnekException("Failed to call process '" + command + "': " + reason);
  }

  ChildReaper child(pid, input.write, fromChild.read);
  ExchangeWithChild(input.write, fromChild.read, stdinText, output);
  const int status = child.Wait(command);
  if (commandExecListener) commandExecListener(command, status);
  return status;
}

int AutoCli_ShellCmdWithZnUsername(const std::string& command, const std::string& userName,
                                   std::string& output, const std::string& stdinText) {
  if (userName.empty()) return AutoCli_ShellCmd(command, output, stdinText);
  // Single quotes keep the shell from interpreting anything in the name; a quote inside it
  // ends the quoting, adds an escaped quote and starts quoting again.
  const std::string quoted = boost::algorithm::replace_all_copy(userName, "'", "'\\''");
  return AutoCli_ShellCmd("ZN_USERNAME='" + quoted + "' " + command, output, stdinText);
}

}  // namespace AutoCli
}  // namespace Tarnek

namespace {
// Static so that a host running out of memory can still say why it gives up.
char panicBuffer[256];
}  // namespace

extern "C" void Panic(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(panicBuffer, sizeof panicBuffer, format, arguments);
  va_end(arguments);
  std::fprintf(stderr, "panic: %s", panicBuffer);
  std::abort();
}
