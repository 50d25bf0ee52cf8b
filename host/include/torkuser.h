// Host kernel user library: starting child processes with a chosen set of descriptors.
#ifndef TORKUSER_H_
#define TORKUSER_H_

#include <stddef.h>
#include <sys/types.h>

#define TORKUSER_EXPORT __attribute__((visibility("default")))

/// A status is 0 on success. Otherwise it carries the step that failed and the errno value
/// it failed with: status = (step << 16) | errno.
enum TorkuserStep {
  TORKUSER_STEP_ARGUMENTS = 1, /* invalid arguments (errno EINVAL) */
  TORKUSER_STEP_PIPE = 2,      /* the internal status pipe could not be created */
  TORKUSER_STEP_FORK = 3,      /* no child process could be created */
  TORKUSER_STEP_SETUP = 4,     /* the child could not set up its descriptors or signals */
  TORKUSER_STEP_EXEC = 5       /* the child could not execute the program */
};

#define TORKUSER_STATUS_STEP(status) ((status) >> 16)
#define TORKUSER_STATUS_ERRNO(status) ((status)&0xFFFF)

#ifdef __cplusplus
extern "C" {
#endif

/// Starts `path` with `argv` in a new process. `envp` NULL means the caller's environment.
/// The child gets exactly fds[0..numFds-1] as its descriptors 0..numFds-1 (the same
/// descriptor may be given more than once, in any order) and no other descriptor of the
/// caller. Signals ignored by the caller, handlers and the signal mask are reset to default.
/// Returns 0 and sets *pid once the program has been executed; the caller must waitpid() it.
/// When the program could not be started, returns a non-zero status and leaves no child.
/// reserved1..3 and flags are accepted and ignored (callers pass -1, -1, -1 and 0).
TORKUSER_EXPORT int TorkuserCompat_ForkExec(const char* path, char* const argv[],
                                            char* const envp[], int reserved1, const int* fds,
                                            int numFds, int reserved2, int reserved3, int flags,
                                            pid_t* pid);

/// Writes a NUL-terminated description of `status` into `buffer`, truncated to `bufferSize`
/// bytes, for example "No such file or directory (exec of the program failed)".
/// Returns `buffer`. `reserved` is ignored.
TORKUSER_EXPORT const char* TorkuserStatus_CodeToString(int status, char* buffer, size_t bufferSize,
                                                        void* reserved);

#ifdef __cplusplus
}
#endif

#endif  // TORKUSER_H_
