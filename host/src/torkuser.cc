// Process start with an exact descriptor table for the child.
#include "torkuser.h"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace {

int MakeStatus(int step, int error) { return (step << 16) | (error & 0xFFFF); }

// Everything the child needs, prepared before vfork: the child runs in our memory and may only
// make async-signal-safe calls: it must not allocate, nor change anything the parent relies on.
struct ChildPlan {
  const char* path;
  char* const* argv;
  char* const* envp;
  const int* fds;
  int numFds;
  int* scratch;  // numFds slots
  int statusFd;  // write end of the close-on-exec status pipe
  int fdLimit;   // upper bound for closing descriptors when close_range is unavailable
};

[[noreturn]] void ReportAndExit(int statusFd, int status) {
  ssize_t written;
  do {
    written = write(statusFd, &status, sizeof status);
  } while (written < 0 && errno == EINTR);
  _exit(127);
}

int Dup2Retrying(int from, int to) {
  int rc;
  do {
    rc = dup2(from, to);
  } while (rc < 0 && errno == EINTR);
  return rc;
}

void CloseFrom(int first, int last, int fdLimit) {
  if (first > last) return;
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
  if (close_range(static_cast<unsigned>(first), static_cast<unsigned>(last), 0) == 0) return;
#endif
  for (int fd = first; fd <= last && fd < fdLimit; ++fd) close(fd);
}

// Runs in the child, with every signal blocked (the parent blocked them around vfork).
[[noreturn]] void RunChild(const ChildPlan& plan) {
  // Park the status pipe and every source descriptor at numbers >= numFds first: then the
  // final dup2 onto 0..numFds-1 cannot overwrite a source still needed, whatever the overlap
  // (swaps, a descriptor given twice, a source equal to its own slot).
  const int statusFd = fcntl(plan.statusFd, F_DUPFD_CLOEXEC, plan.numFds);
  if (statusFd < 0) ReportAndExit(plan.statusFd, MakeStatus(TORKUSER_STEP_SETUP, errno));
  for (int i = 0; i < plan.numFds; ++i) {
    plan.scratch[i] = fcntl(plan.fds[i], F_DUPFD_CLOEXEC, plan.numFds);
    if (plan.scratch[i] < 0) ReportAndExit(statusFd, MakeStatus(TORKUSER_STEP_SETUP, errno));
  }
  for (int i = 0; i < plan.numFds; ++i) {
    // dup2 clears close-on-exec on the target, so slot i survives the exec.
    if (Dup2Retrying(plan.scratch[i], i) < 0) {
      ReportAndExit(statusFd, MakeStatus(TORKUSER_STEP_SETUP, errno));
    }
  }
  // Nothing the caller had open may leak into the program, close-on-exec or not; only the
  // status pipe stays, and exec closes it.
  CloseFrom(plan.numFds, statusFd - 1, plan.fdLimit);
  CloseFrom(statusFd + 1, ~0U >> 1, plan.fdLimit);

  // Handlers of the caller must not run in the child once signals are unblocked, and the
  // ignores a server sets for itself (a closed pipe, an oversized file) would silently change
  // how the program fails. Other ignored signals (a hang-up ignored on purpose) are inherited.
  struct sigaction defaultAction;
  memset(&defaultAction, 0, sizeof defaultAction);
  defaultAction.sa_handler = SIG_DFL;
  sigemptyset(&defaultAction.sa_mask);
  for (int sig = 1; sig < NSIG; ++sig) {
    struct sigaction current;
    if (sigaction(sig, nullptr, &current) != 0) continue;
    const bool handled = current.sa_handler != SIG_DFL && current.sa_handler != SIG_IGN;
    const bool resetIgnore = current.sa_handler == SIG_IGN && (sig == SIGPIPE || sig == SIGXFSZ);
    if (handled || resetIgnore) sigaction(sig, &defaultAction, nullptr);
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);

  if (plan.envp != nullptr) {
    execve(plan.path, plan.argv, plan.envp);
  } else {
    execv(plan.path, plan.argv);
  }
  ReportAndExit(statusFd, MakeStatus(TORKUSER_STEP_EXEC, errno));
}

int FdLimit() {
  struct rlimit limit;
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
      limit.rlim_cur > (1u << 20)) {
    return 1 << 20;
  }
  return static_cast<int>(limit.rlim_cur);
}

void Reap(pid_t child) {
  while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
}

// strerror_r comes in a GNU flavour (returns the text) and an XSI one (fills the buffer).
[[maybe_unused]] const char* ErrorText(const char* text, const char*) { return text; }
[[maybe_unused]] const char* ErrorText(int rc, const char* buffer) {
  return rc == 0 ? buffer : "Unknown error";
}

const char* StepText(int step) {
  switch (step) {
    case TORKUSER_STEP_ARGUMENTS:
      return "invalid arguments to the process start";
    case TORKUSER_STEP_PIPE:
      return "creating the status pipe failed";
    case TORKUSER_STEP_FORK:
      return "creating the child process failed";
    case TORKUSER_STEP_SETUP:
      return "setting up the child process failed";
    case TORKUSER_STEP_EXEC:
      return "exec of the program failed";
    default:
      return nullptr;
  }
}

}  // namespace

extern "C" {

int TorkuserCompat_ForkExec(const char* path, char* const argv[], char* const envp[],
                            int /*reserved1*/, const int* fds, int numFds, int /*reserved2*/,
                            int /*reserved3*/, int /*flags*/, pid_t* pid) {
  if (path == nullptr || argv == nullptr || pid == nullptr || numFds < 0 ||
      (numFds > 0 && fds == nullptr)) {
    return MakeStatus(TORKUSER_STEP_ARGUMENTS, EINVAL);
  }
  std::vector<int> scratch(static_cast<size_t>(numFds));
  int statusPipe[2];
  if (pipe2(statusPipe, O_CLOEXEC) != 0) return MakeStatus(TORKUSER_STEP_PIPE, errno);
  const ChildPlan plan{path, argv, envp, fds, numFds, scratch.data(), statusPipe[1], FdLimit()};

  // Signals stay blocked across the start so that no handler of ours runs in the child before
  // it has reset them. vfork: the child borrows our memory until it execs or exits instead of
  // copying the page tables of a possibly large caller, so it only touches the plan prepared
  // above, its own stack below ours, and the system.
  sigset_t all, saved;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &saved);
  const pid_t child = vfork();
  if (child == 0) RunChild(plan);
  const int forkErrno = errno;
  pthread_sigmask(SIG_SETMASK, &saved, nullptr);
  close(statusPipe[1]);
  if (child < 0) {
    close(statusPipe[0]);
    return MakeStatus(TORKUSER_STEP_FORK, forkErrno);
  }

  // The pipe closes on a successful exec without a word; otherwise the child writes its
  // status before it exits.
  int childStatus = 0;
  size_t received = 0;
  ssize_t got = 0;
  while (received < sizeof childStatus) {
    got = read(statusPipe[0], reinterpret_cast<char*>(&childStatus) + received,
               sizeof childStatus - received);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    received += static_cast<size_t>(got);
  }
  const int readErrno = errno;
  close(statusPipe[0]);
  if (received == 0 && got == 0) {
    *pid = child;
    return 0;
  }
  if (got < 0) {
    // Whether the program runs is unknown: do not hand out a child we cannot vouch for.
    kill(child, SIGKILL);
    Reap(child);
    return MakeStatus(TORKUSER_STEP_SETUP, readErrno);
  }
  Reap(child);
  return received == sizeof childStatus ? childStatus : MakeStatus(TORKUSER_STEP_SETUP, EIO);
}

const char* TorkuserStatus_CodeToString(int status, char* buffer, size_t bufferSize,
                                        void* /*reserved*/) {
  if (buffer == nullptr || bufferSize == 0) return buffer;
  if (status == 0) {
    snprintf(buffer, bufferSize, "Success");
    return buffer;
  }
  const char* step = StepText(TORKUSER_STATUS_STEP(status));
  if (step == nullptr) {
    snprintf(buffer, bufferSize, "Unknown process start status %d", status);
    return buffer;
  }
  char scratch[128];
  const int error = TORKUSER_STATUS_ERRNO(status);
  snprintf(buffer, bufferSize, "%s (%s)",
           ErrorText(strerror_r(error, scratch, sizeof scratch), scratch), step);
  return buffer;
}

}  // extern "C"
