// Counts the heap allocations made by the calling thread, through a replaced global
// operator new. Cheap enough to leave on for every benchmark of the program.
#pragma once

#include <cstdint>

namespace bench {

// Allocations made so far by the calling thread.
uint64_t threadAllocations() noexcept;

}  // namespace bench
