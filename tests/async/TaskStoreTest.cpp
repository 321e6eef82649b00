// A task's callable (TaskFunction) and the ring the queues keep their tasks in
// (TaskDeque): what std::function and std::deque gave the queue must still hold.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "async/TaskDeque.h"
#include "async/TaskFunction.h"

namespace zelto {
namespace {

// A callable that says it is empty when tested, and fails the test when called.
struct EmptyWrapper {
  explicit operator bool() const { return false; }
  void operator()() const { ADD_FAILURE() << "an empty callable was called"; }
};

// Anything that tests false makes an empty TaskFunction, whatever its own signature.
TEST(TaskFunction, EmptyOnesThrowBadFunctionCall) {
  const std::function<void()> emptyStd;
  void (*const nullPointer)() = nullptr;
  int (*const nullPointerReturningInt)() = nullptr;
  std::vector<TaskFunction> empties;
  empties.emplace_back();
  empties.emplace_back(nullptr);
  empties.emplace_back(emptyStd);
  empties.emplace_back(std::function<void()>());
  empties.emplace_back(std::function<int()>());
  empties.emplace_back(nullPointer);
  empties.emplace_back(nullPointerReturningInt);
  empties.emplace_back(EmptyWrapper());
  for (TaskFunction& func : empties) {
    EXPECT_FALSE(func);
    EXPECT_THROW(func(), std::bad_function_call);
  }
}

// Small and large callables, move-only ones among them, run once moved around and
// release what they hold when they go.
TEST(TaskFunction, SmallAndLargeCallablesRunAndReleaseTheirCaptures) {
  auto held = std::make_shared<int>(0);
  std::array<char, TaskFunction::kInlineSize * 2> large{};
  large[0] = 1;
  std::vector<TaskFunction> funcs;
  funcs.emplace_back([held] { ++*held; });
  funcs.emplace_back([held, large] { *held += large[0]; });
  funcs.emplace_back([owned = std::make_unique<int>(1), held] { *held += *owned; });
  funcs.emplace_back(std::function<void()>([held] { ++*held; }));
  for (TaskFunction& func : funcs) {
    TaskFunction moved = std::move(func);
    EXPECT_FALSE(func);
    TaskFunction assigned;
    assigned = std::move(moved);
    assigned();
  }
  EXPECT_EQ(*held, 4);
  funcs.clear();
  EXPECT_EQ(held.use_count(), 1);
}

std::vector<std::string> drain(TaskDeque& deque) {
  std::vector<std::string> names;
  while (!deque.empty()) {
    names.push_back(deque.front().name);
    deque.pop_front();
  }
  return names;
}

// Pushes at both ends, taken from the head while it grows past its first capacity and
// wraps around: the order is a double-ended queue's.
TEST(TaskDeque, KeepsDequeOrderAcrossGrowthAndWrapAround) {
  TaskDeque deque;
  std::vector<std::string> expected;  // front to back
  int next = 0;
  for (int round = 0; round < 5; ++round) {
    for (int i = 0; i < 7 * (round + 1); ++i) {
      const std::string name = std::to_string(next++);
      if (i % 3 == 0) {
        deque.push_front(name, TaskFunction([] {}), 0);
        expected.insert(expected.begin(), name);
      } else {
        deque.push_back(name, TaskFunction([] {}), 0);
        expected.push_back(name);
      }
    }
    for (int i = 0; i < 5; ++i) {
      ASSERT_EQ(deque.front().name, expected.front());
      deque.pop_front();
      expected.erase(expected.begin());
    }
    ASSERT_EQ(deque.size(), expected.size());
  }
  EXPECT_EQ(drain(deque), expected);
}

TEST(TaskDeque, MoveOutIfKeepsTheOrderOfBothAndLeavesNoCaptureBehind) {
  auto held = std::make_shared<int>(0);
  TaskDeque deque;
  for (int i = 0; i < 10; ++i) {  // moves the head off the first slot
    deque.push_back("x", TaskFunction([held] {}), 0);
  }
  for (int i = 0; i < 10; ++i) {
    deque.pop_front();
  }
  std::vector<std::string> kept, removed;
  for (int i = 0; i < 30; ++i) {
    const std::string name = std::to_string(i);
    const int32_t tag = i % 4 == 1 ? 1 : 0;
    deque.push_back(name, TaskFunction([held] {}), tag);
    (tag == 1 ? removed : kept).push_back(name);
  }
  TaskDeque taken;
  deque.moveOutIf([](const Task& task) { return task.tag == 1; }, taken);
  EXPECT_EQ(drain(taken), removed);
  EXPECT_EQ(drain(deque), kept);
  EXPECT_EQ(held.use_count(), 1);  // no slot still holds a callable
}

}  // namespace
}  // namespace zelto
