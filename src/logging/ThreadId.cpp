#include "logging/ThreadId.h"

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace zelto {

uint32_t currentThreadId() noexcept {
#if defined(_WIN32)
  return static_cast<uint32_t>(GetCurrentThreadId());
#else
  // A system call on Linux: asked once per thread.
  thread_local const uint32_t id = static_cast<uint32_t>(::syscall(SYS_gettid));
  return id;
#endif
}

}  // namespace zelto
