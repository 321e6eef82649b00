#include "util/SystemPages.h"

#include <new>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif

namespace zelto {
namespace system_pages {

void* allocate(std::size_t bytes) {
#ifdef _WIN32
  void* const pages = VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (pages == nullptr)
    throw std::bad_alloc();
  return pages;
#else
  void* const pages =
      mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (pages == MAP_FAILED)
    throw std::bad_alloc();
  return pages;
#endif
}

void release(void* pages, std::size_t bytes) noexcept {
  if (pages == nullptr)
    return;
#ifdef _WIN32
  (void)bytes;
  VirtualFree(pages, 0, MEM_RELEASE);
#else
  munmap(pages, bytes);
#endif
}

}  // namespace system_pages
}  // namespace zelto
