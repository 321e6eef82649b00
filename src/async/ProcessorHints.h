// What the queue and the logger tell the processor: the cache line, the unit in which
// CPUs hand memory to each other (what two threads write goes on lines of its own);
// asking ahead for lines that are about to be written; and that a thread is spinning.
#pragma once

#include <cstddef>
#include <thread>

namespace zelto {

inline constexpr std::size_t kCacheLine = 64;

// Starts fetching the lines of [start, start + bytes) for writing, so that they have
// come from whichever CPU last wrote them by the time this one writes them.
inline void prefetchForWriting(const void* start, std::size_t bytes) noexcept {
  const char* const first = static_cast<const char*>(start);
  for (std::size_t offset = 0; offset < bytes; offset += kCacheLine)
    __builtin_prefetch(first + offset, 1);
}

// Tells the processor that this thread is spinning, where it has a way to be told, and
// otherwise lets another thread run.
inline void relaxWhileSpinning() noexcept {
#if defined(__i386__) || defined(__x86_64__)
  __builtin_ia32_pause();
#else
  std::this_thread::yield();
#endif
}

}  // namespace zelto
