// A double-ended queue of tasks in one ring of slots that is kept and reused: once it
// has grown to the queue's usual length, adding and taking tasks allocates nothing.
// (std::deque allocates and frees a block every few tasks, and the blocks are freed on
// another thread than the one that made them.) It grows by doubling and never shrinks:
// a burst keeps its slots (a slot is a Task: 112 bytes with 64-bit gcc and clang on
// Linux, 96 bytes in the 32-bit Windows build) until the queue is cleared or destroyed.
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
#include <vector>

#include "async/Task.h"

namespace zelto {

// Growing and moving out rely on moving a task never throwing.
static_assert(std::is_nothrow_move_assignable_v<Task>, "moving a task must not throw");

class TaskDeque {
 public:
  bool empty() const noexcept { return mSize == 0; }
  std::size_t size() const noexcept { return mSize; }

  void push_back(Task&& task) {
    growIfFull();
    append(std::move(task));
  }

  // The same without a Task in between: the name is copied and the callable moved
  // straight into the slot.
  void push_back(const std::string& name, TaskFunction&& func, int32_t tag) {
    growIfFull();
    fill(mSlots[slot(mSize)], name, std::move(func), tag);
    ++mSize;
  }

  void push_front(const std::string& name, TaskFunction&& func, int32_t tag) {
    growIfFull();
    const std::size_t head = (mHead + mSlots.size() - 1) & mask();
    fill(mSlots[head], name, std::move(func), tag);
    mHead = head;
    ++mSize;
  }

  Task& front() noexcept { return mSlots[mHead]; }

  // Its slot keeps an empty task: nothing captured stays alive in it.
  void pop_front() noexcept {
    vacate(mSlots[mHead]);
    mHead = (mHead + 1) & mask();
    --mSize;
  }

  void swap(TaskDeque& other) noexcept {
    mSlots.swap(other.mSlots);
    std::swap(mHead, other.mHead);
    std::swap(mSize, other.mSize);
  }

  // Moves every task for which `matches` is true to the back of `removed`; both keep
  // their order. `matches` is asked about each task twice, first to count the tasks to
  // move so that `removed` has room for them before any moves, and must answer the same
  // both times. Should making that room fail, neither deque has changed.
  template <typename Predicate>
  void moveOutIf(Predicate matches, TaskDeque& removed) {
    std::size_t matching = 0;
    for (std::size_t i = 0; i < mSize; ++i) {
      if (matches(mSlots[slot(i)])) {
        ++matching;
      }
    }
    if (matching == 0) {
      return;
    }
    removed.reserve(removed.size() + matching);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < mSize; ++i) {
      Task& task = mSlots[slot(i)];
      if (matches(task)) {
        removed.append(std::move(task));
      } else {
        if (kept != i) {
          mSlots[slot(kept)] = std::move(task);
        }
        ++kept;
      }
    }
    for (std::size_t i = kept; i < mSize; ++i) {
      vacate(mSlots[slot(i)]);
    }
    mSize = kept;
  }

 private:
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

  std::size_t mask() const noexcept { return mSlots.size() - 1; }
  std::size_t slot(std::size_t index) const noexcept { return (mHead + index) & mask(); }

  // Into a slot that reserve has made room for.
  void append(Task&& task) noexcept {
    mSlots[slot(mSize)] = std::move(task);
    ++mSize;
  }

  void growIfFull() {
    if (mSize == mSlots.size()) {
      reserve(mSize + 1);
    }
  }

  // Room for `count` tasks. Capacities are powers of two, so a slot's index is a mask
  // away. Only the allocation may throw, before anything has moved.
  void reserve(std::size_t count) {
    if (count <= mSlots.size()) {
      return;
    }
    std::size_t capacity = mSlots.empty() ? kFirstCapacity : mSlots.size();
    while (capacity < count) {
      capacity *= 2;
    }
    std::vector<Task> larger(capacity);
    for (std::size_t i = 0; i < mSize; ++i) {
      larger[i] = std::move(mSlots[slot(i)]);
    }
    mSlots.swap(larger);
    mHead = 0;
  }

  static constexpr std::size_t kFirstCapacity = 16;

  std::vector<Task> mSlots;
  std::size_t mHead = 0;
  std::size_t mSize = 0;
};

}  // namespace zelto
