// A double-ended queue of tasks in one ring of slots that is kept and reused: once it
// has grown to the queue's usual length, adding and taking tasks allocates nothing.
// (std::deque allocates and frees a block every few tasks, and the blocks are freed on
// another thread than the one that made them.) It grows by doubling; a queue that has
// drained a burst gives its large ring back with releaseStorage (a slot is a Task on a
// cache line boundary: 128 bytes with 64-bit gcc and clang on Linux and in the 32-bit
// Windows build). Large rings come from the operating system's pages and go back to it.
//
// The object itself is 24 bytes (20 on 32-bit builds): it fits on the cache line of the
// lock that guards it. Each slot starts a cache line of its own, so a caller filling
// one slot and the worker emptying the one before it do not write the same line.
//
// Exceptions: growing the ring may throw std::bad_alloc and adding a task may throw what
// copying its name throws; either way the deque is left as it was (strong guarantee),
// and so is the caller's callable. moveOutIf gives the same guarantee: it makes room in
// `removed` before it moves anything. Everything else never throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>

#include "async/Task.h"
#include "util/ProcessorHints.h"

namespace zelto {

// Growing and moving out rely on moving a task never throwing.
static_assert(std::is_nothrow_move_assignable_v<Task>, "moving a task must not throw");

class TaskDeque {
 public:
  // Rings up to this many slots stay when drained; larger ones are worth giving back.
  static constexpr std::size_t kSmallCapacity = 256;

  TaskDeque() noexcept = default;
  ~TaskDeque() { releaseSlots(mSlots, mCapacity); }
  TaskDeque(const TaskDeque&) = delete;
  TaskDeque& operator=(const TaskDeque&) = delete;

  bool empty() const noexcept { return size() == 0; }
  std::size_t size() const noexcept { return mSize; }
  std::size_t capacity() const noexcept { return mCapacity; }

  void push_back(Task&& task) {
    growIfFull();
    append(std::move(task));
  }

  // The same without a Task in between: the name is copied and the callable moved
  // straight into the slot.
  void push_back(const std::string& name, TaskFunction&& func, int32_t tag) {
    growIfFull();
    fill(at(slot(mSize)), name, std::move(func), tag);
    setSize(size() + 1);
    // The next caller fills the next slot, which the worker last emptied on its CPU.
    if (size() < mCapacity)
      prefetchSlot(slot(size()));
  }

  void push_front(const std::string& name, TaskFunction&& func, int32_t tag) {
    growIfFull();
    const uint32_t head = (mHead + mCapacity - 1) & mask();
    fill(at(head), name, std::move(func), tag);
    mHead = head;
    setSize(size() + 1);
  }

  Task& front() noexcept { return at(mHead); }

  // Asks the processor to fetch the front slot for writing, if there is one: the worker
  // takes it next, and another CPU may have written it.
  void prefetchFront() const noexcept {
    if (!empty())
      prefetchSlot(mHead);
  }

  // Its slot keeps an empty task: nothing captured stays alive in it.
  void pop_front() noexcept {
    vacate(at(mHead));
    mHead = (mHead + 1) & mask();
    setSize(size() - 1);
  }

  void swap(TaskDeque& other) noexcept {
    std::swap(mSlots, other.mSlots);
    std::swap(mCapacity, other.mCapacity);
    std::swap(mHead, other.mHead);
    std::swap(mSize, other.mSize);
  }

  // Moves the whole ring, tasks and all, into `into` (which must be empty and hold no
  // ring) and leaves this deque empty with no ring: the ring is freed when `into` goes,
  // where the caller chooses (e.g. after letting a lock go).
  void releaseStorage(TaskDeque& into) noexcept { swap(into); }

  // Moves every task for which `matches` is true to the back of `removed`; both keep
  // their order. `matches` is asked about each task twice, first to count the tasks to
  // move so that `removed` has room for them before any moves, and must answer the same
  // both times. Should making that room fail, neither deque has changed.
  template <typename Predicate>
  void moveOutIf(Predicate matches, TaskDeque& removed) {
    const std::size_t count = size();
    std::size_t matching = 0;
    for (std::size_t i = 0; i < count; ++i) {
      if (matches(at(slot(i)))) {
        ++matching;
      }
    }
    if (matching == 0) {
      return;
    }
    removed.reserve(removed.size() + matching);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < count; ++i) {
      Task& task = at(slot(i));
      if (matches(task)) {
        removed.append(std::move(task));
      } else {
        if (kept != i) {
          at(slot(kept)) = std::move(task);
        }
        ++kept;
      }
    }
    for (std::size_t i = kept; i < count; ++i) {
      vacate(at(slot(i)));
    }
    setSize(kept);
  }

 private:
  // One task per cache line boundary.
  struct alignas(kCacheLine) Slot {
    Task task;
  };

  // The name first: should copying it throw, the slot is still unused and the callable
  // still the caller's.
  static void fill(Task& slot, const std::string& name, TaskFunction&& func, int32_t tag) {
    slot.name = name;
    slot.tag = tag;
    slot.func = std::move(func);
  }

  static void vacate(Task& task) noexcept {
    task.func = nullptr;
    task.name.clear();
  }

  static Slot* makeSlots(std::size_t capacity);
  static void releaseSlots(Slot* slots, std::size_t capacity) noexcept;

  Task& at(std::size_t index) noexcept { return mSlots[index].task; }

  // Starts fetching a slot's lines for writing.
  void prefetchSlot(std::size_t index) const noexcept {
    prefetchForWriting(mSlots + index, sizeof(Slot));
  }
  uint32_t mask() const noexcept { return mCapacity - 1; }
  std::size_t slot(std::size_t index) const noexcept { return (mHead + index) & mask(); }
  void setSize(std::size_t size) noexcept { mSize = static_cast<uint32_t>(size); }

  // Into a slot that reserve has made room for.
  void append(Task&& task) noexcept {
    at(slot(size())) = std::move(task);
    setSize(size() + 1);
  }

  void growIfFull() {
    if (size() == mCapacity) {
      reserve(size() + 1);
    }
  }

  // Room for `count` tasks. Capacities are powers of two, so a slot's index is a mask
  // away. Only the allocation may throw, before anything has moved.
  void reserve(std::size_t count);

  static constexpr std::size_t kFirstCapacity = 16;

  Slot* mSlots = nullptr;
  uint32_t mCapacity = 0;
  uint32_t mHead = 0;
  uint32_t mSize = 0;
};

}  // namespace zelto
