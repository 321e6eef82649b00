// What the queue and the logger tell the processor: the cache line, the unit in which
// CPUs hand memory to each other (what two threads write goes on lines of its own);
// asking ahead for lines that are about to be written; and that a thread is spinning.
#pragma once

#include <cstddef>
#include <thread>

#if defined(_MSC_VER)
#include <intrin.h>  // _mm_prefetch, _mm_pause, __yield
#endif

namespace zelto {

inline constexpr std::size_t kCacheLine = 64;

// Starts fetching the lines of [start, start + bytes) for writing, so that they have
// come from whichever CPU last wrote them by the time this one writes them.
inline void prefetchForWriting(const void* start, std::size_t bytes) noexcept {
  const char* const first = static_cast<const char*>(start);
  for (std::size_t offset = 0; offset < bytes; offset += kCacheLine) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(first + offset, 1);
#elif defined(_MSC_VER) && (defined(_M_IX86) || defined(_M_X64))
    // MSVC has no prefetch for writing that every x86 runs; a read prefetch still brings
    // the line over, and the write then only has to claim it.
    _mm_prefetch(first + offset, _MM_HINT_T0);
#else
    (void)first;  // a hint only: nothing to do where the compiler offers none
#endif
  }
}

// Tells the processor that this thread is spinning, where it has a way to be told, and
// otherwise lets another thread run.
inline void relaxWhileSpinning() noexcept {
#if (defined(__GNUC__) || defined(__clang__)) && (defined(__i386__) || defined(__x86_64__))
  __builtin_ia32_pause();
#elif defined(_MSC_VER) && (defined(_M_IX86) || defined(_M_X64))
  _mm_pause();
#elif defined(_MSC_VER) && defined(_M_ARM64)
  __yield();
#else
  std::this_thread::yield();
#endif
}

}  // namespace zelto
