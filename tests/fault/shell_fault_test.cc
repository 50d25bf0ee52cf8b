// The shell runner under conditions a host brings about: a timer signal interrupting every
// system call of the exchange, and a child writing tens of megabytes.
#include <signal.h>
#include <sys/time.h>
#include <sys/wait.h>

#include <cstddef>
#include <string>

#include <gtest/gtest.h>

#include "fault_test_helpers.h"
#include "tarnek/autocli/extension_command.h"

namespace {

using Tarnek::AutoCli::AutoCli_ShellCmd;

constexpr std::size_t kMegabyte = 1u << 20;

volatile sig_atomic_t interruptions = 0;
extern "C" void CountInterruption(int) { interruptions = interruptions + 1; }

// A host's interval timer whose handler is installed without SA_RESTART, so that poll, read,
// write and waitpid fail with EINTR whenever it fires; removed again at the end of the test.
struct InterruptingTimer {
  InterruptingTimer() {
    interruptions = 0;
    struct sigaction action {};
    action.sa_handler = CountInterruption;
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, &previous);
    const itimerval every{{0, 500}, {0, 500}};
    setitimer(ITIMER_REAL, &every, nullptr);
  }
  ~InterruptingTimer() {
    const itimerval off{};
    setitimer(ITIMER_REAL, &off, nullptr);
    sigaction(SIGALRM, &previous, nullptr);
  }
  struct sigaction previous;
};

TEST(ShellFault, InterruptedSystemCallsAreResumedAndNothingIsLost) {
  const std::size_t size = 4 * kMegabyte;
  // Both directions at once, then a child that has closed its output but still works, so that
  // the wait for it is interrupted too.
  const std::string command =
      "head -c " + std::to_string(size) +
      " /dev/zero | tr '\\0' a; wc -c; exec >&-; head -c 33554432 /dev/zero | wc -c >/dev/null; "
      "exit 4";
  std::string output;
  int status = 0;
  {
    InterruptingTimer timer;
    status = AutoCli_ShellCmd(command, output, std::string(size, 'x'));
  }
  EXPECT_GT(interruptions, 0) << "the timer never fired; nothing was tested";
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 4);
  ASSERT_EQ(output.size(), size + 8);
  EXPECT_EQ(output.find_first_not_of('a'), size);
  EXPECT_EQ(output.substr(size), std::to_string(size) + "\n");
}

// The output is collected whole, and the memory it takes is about what is kept: the string
// and its growth, not copies of it.
TEST(ShellFault, TensOfMegabytesOfOutputAreCollectedWhole) {
  const std::size_t size = 48 * kMegabyte;
  const long before = fault_test::PeakResidentMegabytes();
  std::string output;
  const int status = AutoCli_ShellCmd(
      "head -c " + std::to_string(size) + " /dev/zero | tr '\\0' b; printf end", output, "");
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  ASSERT_EQ(output.size(), size + 3);
  EXPECT_EQ(output.find_first_not_of('b'), size);
  EXPECT_EQ(output.substr(size), "end");
  EXPECT_LT(fault_test::PeakResidentMegabytes() - before, 4 * static_cast<long>(size / kMegabyte));
}

}  // namespace
