// The extension-command floor: start `/bin/sh -c LINE`, read everything it prints, wait for it.
//   floor_shell LINE
#include <spawn.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

extern char** environ;

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return 1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  char sh[] = "/bin/sh", c[] = "-c";
  char* args[] = {sh, c, argv[1], nullptr};
  pid_t pid;
  if (posix_spawn(&pid, sh, &actions, nullptr, args, environ) != 0) return 1;
  close(fds[1]);
  std::string output;
  char piece[65536];
  for (;;) {
    const ssize_t got = read(fds[0], piece, sizeof piece);
    if (got > 0) {
      output.append(piece, static_cast<size_t>(got));
    } else if (got == 0) {
      break;
    }
  }
  close(fds[0]);
  int status;
  waitpid(pid, &status, 0);
  return output.empty() ? 1 : 0;
}
