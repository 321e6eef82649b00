// Memory taken straight from the operating system in whole pages and given straight
// back to it. Big buffers that live only through a burst (a queue's grown ring, a log
// record pool's overflow blocks) come from here, so that the process shrinks again when
// they go, whichever threads made and freed them: the C library keeps what it frees in
// its arenas, often for good.
#pragma once

#include <cstddef>

namespace zelto {
namespace system_pages {

// Page-aligned, zero-filled memory of at least `bytes`; throws std::bad_alloc.
void* allocate(std::size_t bytes);
// Gives back what allocate(bytes) returned, with the same `bytes`. Null is ignored.
void release(void* pages, std::size_t bytes) noexcept;

}  // namespace system_pages
}  // namespace zelto
