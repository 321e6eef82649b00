#include "AllocationCounter.h"

#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <new>

namespace bench {
namespace {

thread_local uint64_t tAllocations = 0;
thread_local bool tTracking = false;
thread_local int64_t tHeld = 0;
thread_local int64_t tPeak = 0;

void* tracked(void* memory) noexcept {
  if (tTracking && memory != nullptr) {
    tHeld += static_cast<int64_t>(malloc_usable_size(memory));
    tPeak = std::max(tPeak, tHeld);
  }
  return memory;
}

void release(void* memory) noexcept {
  if (tTracking && memory != nullptr) {
    tHeld -= static_cast<int64_t>(malloc_usable_size(memory));
  }
  std::free(memory);
}

void* allocate(std::size_t size) {
  ++tAllocations;
  if (void* memory = std::malloc(size == 0 ? 1 : size)) {
    return tracked(memory);
  }
  throw std::bad_alloc();
}

void* allocateAligned(std::size_t size, std::align_val_t alignment) {
  ++tAllocations;
  const std::size_t align = static_cast<std::size_t>(alignment);
  // aligned_alloc wants a size that is a multiple of the alignment.
  const std::size_t rounded = ((size == 0 ? 1 : size) + align - 1) / align * align;
  if (void* memory = std::aligned_alloc(align, rounded)) {
    return tracked(memory);
  }
  throw std::bad_alloc();
}

}  // namespace

uint64_t threadAllocations() noexcept {
  return tAllocations;
}

void startPeakTracking() noexcept {
  tHeld = 0;
  tPeak = 0;
  tTracking = true;
}

int64_t stopPeakTracking() noexcept {
  tTracking = false;
  return tPeak;
}

}  // namespace bench

void* operator new(std::size_t size) {
  return bench::allocate(size);
}
void* operator new[](std::size_t size) {
  return bench::allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return bench::allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return bench::allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  return bench::allocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return bench::allocateAligned(size, alignment);
}
void operator delete(void* memory) noexcept {
  bench::release(memory);
}
void operator delete[](void* memory) noexcept {
  bench::release(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
  bench::release(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
  bench::release(memory);
}
void operator delete(void* memory, std::align_val_t) noexcept {
  bench::release(memory);
}
void operator delete[](void* memory, std::align_val_t) noexcept {
  bench::release(memory);
}
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept {
  bench::release(memory);
}
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept {
  bench::release(memory);
}
