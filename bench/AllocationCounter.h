// Counts the heap allocations made by the calling thread, through a replaced global
// operator new. Cheap enough to leave on for every benchmark of the program. On request
// it also follows the bytes the calling thread allocates and frees, for a peak.
#pragma once

#include <cstdint>

namespace bench {

// Allocations made so far by the calling thread.
uint64_t threadAllocations() noexcept;

// Follows the heap bytes the calling thread allocates and frees through operator new and
// delete, from zero at this call, until stopPeakTracking.
void startPeakTracking() noexcept;
// The most bytes held at once since startPeakTracking (allocated minus freed, by the
// allocator's usable sizes), and the tracking ends.
int64_t stopPeakTracking() noexcept;

}  // namespace bench
