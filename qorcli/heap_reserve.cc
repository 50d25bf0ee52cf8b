// Large results and many plug-ins make qorcli allocate hundreds of thousands of small objects,
// and on a virtual machine the first touch of every fresh 4 KiB page is a fault costing
// microseconds: building a 100,000-row result spent about a third of its time in them. Backing
// the heap with 2 MiB pages takes 512 times fewer faults for the same memory.
//
// The allocator cannot be told to do this from inside a running process, so the heap is grown
// once, up front, by a large reserve that is then marked for huge pages; every allocation up to
// the reserve comes from it. The reserve is address space only: memory is committed as it is
// touched, as before. Later growth beyond it gets ordinary pages.
#include "heap_reserve.h"

#include <malloc.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <initializer_list>

namespace Qorcli {
namespace {

constexpr std::size_t kReserve = std::size_t{256} << 20;
constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
// The start of the heap keeps ordinary pages: a short run (a listing, one small command) uses
// a few hundred kilobytes, and clearing a whole 2 MiB page for each of them would cost it more
// than the faults it saves.
constexpr std::uintptr_t kOrdinaryPages = std::uintptr_t{8} << 20;
// The allocator's own default pad, restored once the reserve is taken so that later growth
// asks for no more than it would have.
constexpr int kDefaultTopPad = 128 * 1024;
// Allocations up to this size come from the heap instead of a mapping of their own (the
// largest value the allocator accepts), so large buffers land in the reserve too.
constexpr int kMaxHeapAllocation = 32 << 20;

// A reserve that counts against a finite address-space or data limit could make a later,
// legitimate allocation fail; then the heap is left as it is.
bool LimitsLeaveRoom() {
  for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
    rlimit limit{};
    if (::getrlimit(resource, &limit) != 0) return false;
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < 16 * kReserve) return false;
  }
  return true;
}

}  // namespace

void ReserveHugePageHeap() {
  if (!LimitsLeaveRoom()) return;
  // mallopt refuses (returns 0) under allocators that are not the C library's own.
  if (::mallopt(M_MMAP_THRESHOLD, kMaxHeapAllocation) == 0) return;
  // Keeps the reserve from being handed back the moment it is free.
  ::mallopt(M_TRIM_THRESHOLD, static_cast<int>(2 * kReserve));
  ::mallopt(M_TOP_PAD, static_cast<int>(kReserve));
  void* const breakBefore = ::sbrk(0);
  // Larger than any free space the heap has this early, so the heap must grow, by the pad.
  void* const probe = std::malloc(std::size_t{1} << 20);
  void* const breakAfter = ::sbrk(0);
  ::mallopt(M_TOP_PAD, kDefaultTopPad);
  if (probe != nullptr && breakAfter != breakBefore && breakAfter != reinterpret_cast<void*>(-1)) {
    const std::uintptr_t start =
        (reinterpret_cast<std::uintptr_t>(probe) + kOrdinaryPages + kHugePage - 1) &
        ~(kHugePage - 1);
    const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(breakAfter) & ~(kHugePage - 1);
    // Only a hint: a kernel without transparent huge pages refuses it, and nothing changes.
    if (end > start) (void)::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
  }
  std::free(probe);
}

}  // namespace Qorcli
