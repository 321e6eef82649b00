// A double-ended queue of tasks in one ring of slots that is kept and reused: once it
// has grown to the queue's usual length, adding and taking tasks allocates nothing.
// (std::deque allocates and frees a block every few tasks, and the blocks are freed on
// another thread than the one that made them.) It grows by doubling and never shrinks:
// a burst keeps its slots (112 bytes each on 64-bit) until the queue is cleared
// or destroyed. swap hands the whole ring over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "async/Task.h"

namespace zelto {

class TaskDeque {
 public:
  bool empty() const { return mSize == 0; }
  std::size_t size() const { return mSize; }

  void push_back(Task&& task) {
    growIfFull();
    mSlots[slot(mSize)] = std::move(task);
    ++mSize;
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

  Task& front() { return mSlots[mHead]; }

  // Its slot keeps an empty task: nothing captured stays alive in it.
  void pop_front() {
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
  // their order.
  template <typename Predicate>
  void moveOutIf(Predicate matches, TaskDeque& removed) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < mSize; ++i) {
      Task& task = mSlots[slot(i)];
      if (matches(task)) {
        removed.push_back(std::move(task));
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

  static void vacate(Task& task) {
    task.func = nullptr;
    task.name.clear();
  }

  std::size_t mask() const { return mSlots.size() - 1; }
  std::size_t slot(std::size_t index) const { return (mHead + index) & mask(); }

  // Capacities are powers of two, so a slot's index is a mask away.
  void growIfFull() {
    if (mSize < mSlots.size()) {
      return;
    }
    std::vector<Task> larger(mSlots.empty() ? kFirstCapacity : mSlots.size() * 2);
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
