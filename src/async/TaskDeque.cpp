#include "async/TaskDeque.h"

#include <cstdint>
#include <new>

#include "util/ProcessorHints.h"
#include "util/SystemPages.h"

namespace zelto {

namespace {

// Rings from this size on (32 768 slots of 128 bytes) come from the system's pages, so
// that they go back to it when they are freed. Smaller ones come from the heap, which
// reuses their memory from one growth to the next: fresh pages at every growth made
// a queue that grows from empty to 100 000 tasks twice as slow.
constexpr std::size_t kPagesFrom = 4 * 1024 * 1024;

// Small rings from the ordinary heap, on a cache line boundary: the block is a line
// larger, and the word before the ring says where it starts.

void* allocateAligned(std::size_t bytes) {
  char* const block = static_cast<char*>(::operator new(bytes + kCacheLine));
  char* const ring = block + kCacheLine - reinterpret_cast<std::uintptr_t>(block) % kCacheLine;
  reinterpret_cast<char**>(ring)[-1] = block;
  return ring;
}

void releaseAligned(void* ring) noexcept {
  ::operator delete(static_cast<char**>(ring)[-1]);
}

}  // namespace

TaskDeque::Slot* TaskDeque::makeSlots(std::size_t capacity) {
  const std::size_t bytes = capacity * sizeof(Slot);
  Slot* const slots = static_cast<Slot*>(bytes >= kPagesFrom ? system_pages::allocate(bytes)
                                                             : allocateAligned(bytes));
  for (std::size_t i = 0; i < capacity; ++i) {
    ::new (static_cast<void*>(slots + i)) Slot();
  }
  return slots;
}

void TaskDeque::releaseSlots(Slot* slots, std::size_t capacity) noexcept {
  if (slots == nullptr) {
    return;
  }
  for (std::size_t i = 0; i < capacity; ++i) {
    slots[i].~Slot();
  }
  const std::size_t bytes = capacity * sizeof(Slot);
  if (bytes >= kPagesFrom) {
    system_pages::release(slots, bytes);
  } else {
    releaseAligned(slots);
  }
}

void TaskDeque::reserve(std::size_t count) {
  if (count <= mCapacity) {
    return;
  }
  if (count > (std::size_t{1} << 31)) {
    throw std::bad_alloc();
  }
  std::size_t capacity = mCapacity == 0 ? kFirstCapacity : mCapacity;
  while (capacity < count) {
    capacity *= 2;
  }
  Slot* const larger = makeSlots(capacity);
  const std::size_t queued = size();
  for (std::size_t i = 0; i < queued; ++i) {
    larger[i].task = std::move(at(slot(i)));
  }
  releaseSlots(mSlots, mCapacity);
  mSlots = larger;
  mCapacity = static_cast<uint32_t>(capacity);
  mHead = 0;
}

}  // namespace zelto
