#include "heap_reserve.h"

#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

// Runs `body` in a child process (the reserve changes the allocator of the whole process, and a
// limit set for one case must not reach the others); the child's exit code is the result.
template <typename Body>
int InChild(Body body) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(body());
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

// Whether the mapping holding `address` carries the huge-page advice.
bool AdvisedForHugePages(std::uintptr_t address) {
  std::ifstream maps("/proc/self/smaps");
  bool inside = false;
  for (std::string line; std::getline(maps, line);) {
    std::uintptr_t from = 0, to = 0;
    if (std::sscanf(line.c_str(), "%lx-%lx ", &from, &to) == 2) {
      inside = address >= from && address < to;
    } else if (inside && line.rfind("VmFlags:", 0) == 0) {
      return line.find(" hg") != std::string::npos;
    }
  }
  return false;
}

constexpr int kUnsupported = 77;

// Under the sanitizers' allocator the C library's heap is not where allocations come from.
bool OwnAllocator() {
#if defined(__SANITIZE_ADDRESS__)
  return false;
#else
  return ::mallopt(M_TOP_PAD, 128 * 1024) != 0;
#endif
}

TEST(HeapReserve, GrowsTheHeapOnceAndAdvisesHugePages) {
  if (!OwnAllocator()) GTEST_SKIP() << "another allocator is in place";
  const int result = InChild([] {
    void* const before = ::sbrk(0);
    Qorcli::ReserveHugePageHeap();
    const auto grown = static_cast<std::size_t>(static_cast<char*>(::sbrk(0)) -
                                                static_cast<char*>(before));
    if (grown < (std::size_t{256} << 20)) return 1;
    // Allocations come from the reserve, large ones included, and work as ever; the first
    // megabytes keep ordinary pages, what lies beyond them is advised.
    const std::size_t size = std::size_t{24} << 20;
    auto* block = static_cast<char*>(std::malloc(size));
    if (block == nullptr) return 2;
    std::memset(block, 'x', size);
    const auto address = reinterpret_cast<std::uintptr_t>(block);
    const bool early = AdvisedForHugePages(address);
    const bool late = AdvisedForHugePages(address + size - 1);
    std::free(block);
    return !early && late ? 0 : 3;
  });
  EXPECT_EQ(result, 0);
}

TEST(HeapReserve, LeavesTheHeapAloneUnderAMemoryLimit) {
  if (!OwnAllocator()) GTEST_SKIP() << "another allocator is in place";
  for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
    const int result = InChild([resource] {
      const rlimit limit{std::size_t{1} << 30, std::size_t{1} << 30};
      if (::setrlimit(resource, &limit) != 0) return kUnsupported;
      void* const before = ::sbrk(0);
      Qorcli::ReserveHugePageHeap();
      if (::sbrk(0) != before) return 1;
      void* block = std::malloc(std::size_t{64} << 20);
      std::free(block);
      return block != nullptr ? 0 : 2;
    });
    EXPECT_TRUE(result == 0 || result == kUnsupported) << "resource " << resource << ": " << result;
  }
}

}  // namespace
