// What a thread does while it spins: tells the processor so, where the processor has a
// way to be told, and otherwise lets another thread run.
#pragma once

#include <thread>

namespace zelto {

inline void relaxWhileSpinning() noexcept {
#if defined(__i386__) || defined(__x86_64__)
  __builtin_ia32_pause();
#else
  std::this_thread::yield();
#endif
}

}  // namespace zelto
