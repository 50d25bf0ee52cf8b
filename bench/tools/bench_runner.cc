// Runs two commands alternately, many times each, and prints the median wall time and the median
// peak resident memory of each, with their ratios. Alternating keeps a noisy machine's drift out
// of the ratio: both sides see the same load.
//
//   bench_runner REPS OUT_A OUT_B -- COMMAND_A... -- COMMAND_B...
//
// OUT_A and OUT_B receive the commands' standard output (truncated before every run); standard
// error goes to /dev/null. Output, one line: a_ms b_ms time_ratio a_kb b_kb memory_ratio.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Sample {
  double ms;
  long kb;
};

double Now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

Sample RunOnce(const std::vector<char*>& argv, const char* out, int& failures) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const double start = Now();
  pid_t pid;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
    std::perror(argv[0]);
    std::exit(2);
  }
  int status = 0;
  rusage usage{};
  while (wait4(pid, &status, 0, &usage) < 0) {
  }
  const double end = Now();
  posix_spawn_file_actions_destroy(&actions);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ++failures;
  return {end - start, usage.ru_maxrss};
}

template <typename T>
T Median(std::vector<T> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 7 || std::strcmp(argv[4], "--") != 0) {
    std::fprintf(stderr, "usage: %s REPS OUT_A OUT_B -- A... -- B...\n", argv[0]);
    return 2;
  }
  const int reps = std::atoi(argv[1]);
  std::vector<char*> a, b;
  int i = 5;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) a.push_back(argv[i]);
  for (++i; i < argc; ++i) b.push_back(argv[i]);
  a.push_back(nullptr);
  b.push_back(nullptr);
  if (a.size() < 2 || b.size() < 2) return 2;

  int failuresA = 0, failuresB = 0;
  RunOnce(a, argv[2], failuresA);  // warm the page cache for both sides
  RunOnce(b, argv[3], failuresB);
  failuresA = failuresB = 0;
  std::vector<double> msA, msB;
  std::vector<long> kbA, kbB;
  for (int r = 0; r < reps; ++r) {
    // Alternate which side goes first, so neither always runs right after the other.
    const bool aFirst = r % 2 == 0;
    for (int side = 0; side < 2; ++side) {
      if ((side == 0) == aFirst) {
        const Sample s = RunOnce(a, argv[2], failuresA);
        msA.push_back(s.ms);
        kbA.push_back(s.kb);
      } else {
        const Sample s = RunOnce(b, argv[3], failuresB);
        msB.push_back(s.ms);
        kbB.push_back(s.kb);
      }
    }
  }
  if (failuresA || failuresB) {
    std::fprintf(stderr, "warning: %d and %d runs exited non-zero\n", failuresA, failuresB);
  }
  const double ma = Median(msA), mb = Median(msB);
  const long ka = Median(kbA), kb = Median(kbB);
  std::printf("%.3f %.3f %.3f %ld %ld %.3f\n", ma, mb, ma / mb, ka, kb,
              static_cast<double>(ka) / static_cast<double>(kb));
  return 0;
}
