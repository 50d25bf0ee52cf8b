// Process-wide tuning of the allocator for qorcli's own process.
#pragma once

namespace Qorcli {

/// Lets the allocator's heap be backed by huge pages where the system offers them (a hint; does
/// nothing where it is not available, under another allocator, or under a tight memory limit).
void ReserveHugePageHeap();

}  // namespace Qorcli
