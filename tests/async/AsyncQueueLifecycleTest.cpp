// The queue's life: the worker, task failures, stopping and destruction.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "async/AsyncQueue.h"
#include "async/QueueTestSupport.h"

namespace zelto {

namespace {

using namespace testing_support;

// A task that says it has started, then holds the worker until released.
TEST(AsyncQueueLifecycle, StopsAtOnceWithoutTasks) {
  auto queue = std::make_shared<AsyncQueue>("q");
  EXPECT_EQ(queue->state(), Running);
  EXPECT_NE(queue->workerThreadId(), std::thread::id());
  EXPECT_FALSE(queue->isWorkerThread());

  mustReturn("stop", [&] { queue->stop(); });
  EXPECT_TRUE(queue->isStopped());
  EXPECT_EQ(queue->state(), Stopped);
  EXPECT_EQ(queue->workerThreadId(), std::thread::id());

  mustReturn("a second stop", [&] { queue->stop(); });
  EXPECT_TRUE(queue->isStopped());

  // A stopped queue still takes a task; it never runs and goes with the queue.
  bool ran = false;
  auto sentinel = std::make_shared<int>(0);
  std::weak_ptr<int> watch = sentinel;
  queue->addTask(
      "late", [&ran, sentinel] { ran = true; }, Back, 0);
  sentinel.reset();
  EXPECT_EQ(queue->taskCount(), 1u);
  EXPECT_TRUE(queue->hasTasks());
  queue.reset();
  EXPECT_TRUE(watch.expired());
  EXPECT_FALSE(ran);
}

TEST(AsyncQueueLifecycle, StopRunsEveryQueuedTaskInOrderBeforeReturning) {
  Blocker blocker;
  Journal journal;
  auto queue = std::make_shared<AsyncQueue>("q");
  queue->addTask("blocker", blocker.task(), Back, 0);
  ASSERT_TRUE(blocker.started.wait());
  for (const char* name : {"t1", "t2", "t3"})
    queue->addTask(name, journal.note(name), Back, 0);

  std::vector<std::string> ranBeforeStopReturned;
  std::thread stopper([&] {
    queue->stop();
    ranBeforeStopReturned = journal.entries();
  });
  EXPECT_TRUE(eventually([&] { return queue->state() == Exiting; }));
  blocker.release.set();
  mustReturn("stop with three queued tasks", [&] { stopper.join(); });

  EXPECT_EQ(ranBeforeStopReturned, (std::vector<std::string>{"t1", "t2", "t3"}));
  EXPECT_TRUE(queue->isStopped());
}

struct ThrowingTaskCase {
  const char* label;
  std::function<void()> func;
};

void PrintTo(const ThrowingTaskCase& value, std::ostream* out) {
  *out << value.label;
}

class AsyncQueueThrowingTask : public ::testing::TestWithParam<ThrowingTaskCase> {};

TEST_P(AsyncQueueThrowingTask, IsReportedAndTheNextTaskRuns) {
  Journal journal;
  auto queue = std::make_shared<AsyncQueue>("q");
  queue->addTask("failing", GetParam().func, Back, 0);
  queue->addTask("next", journal.note("next"), Back, 0);
  ASSERT_TRUE(journal.waitForSize(1));
  EXPECT_EQ(journal.entries(), std::vector<std::string>{"next"});
  EXPECT_EQ(queue->state(), Running);
  mustReturn("stop", [&] { queue->stop(); });
}

INSTANTIATE_TEST_SUITE_P(
    Failures,
    AsyncQueueThrowingTask,
    ::testing::Values(ThrowingTaskCase{"StandardException",
                                       [] { throw std::runtime_error("boom"); }},
                      ThrowingTaskCase{"OtherValue", [] { throw 42; }},
                      ThrowingTaskCase{"EmptyCallable", nullptr}),
    [](const ::testing::TestParamInfo<ThrowingTaskCase>& info) { return info.param.label; });

TEST(AsyncQueueLifecycle, KnowsTheRunningTaskAndItsWorker) {
  Journal journal;
  auto queue = std::make_shared<AsyncQueue>("q");
  std::string nameInTask;
  bool onWorker = false;
  std::thread::id idInTask;
  queue->addTask(
      "first",
      [&] {
        nameInTask = queue->currentTaskName();
        onWorker = queue->isWorkerThread();
        idInTask = std::this_thread::get_id();
        journal.add("first");
      },
      Back, 0);
  ASSERT_TRUE(journal.waitForSize(1));
  EXPECT_EQ(nameInTask, "first");
  EXPECT_TRUE(onWorker);
  EXPECT_EQ(idInTask, queue->workerThreadId());
  EXPECT_FALSE(queue->isWorkerThread());
  EXPECT_TRUE(eventually([&] { return queue->currentTaskName().empty(); }));
}

TEST(AsyncQueueLifecycle, StopFromATaskReturnsAtOnceAndTheWorkerDrains) {
  Blocker blocker;
  Journal journal;
  auto queue = std::make_shared<AsyncQueue>("q");
  queue->addTask("blocker", blocker.task(), Back, 0);
  ASSERT_TRUE(blocker.started.wait());
  queue->addTask(
      "stopper",
      [&] {
        queue->stop();
        journal.add("stop returned");
      },
      Back, 0);
  queue->addTask("t1", journal.note("t1"), Back, 0);
  queue->addTask("t2", journal.note("t2"), Back, 0);
  blocker.release.set();

  ASSERT_TRUE(journal.waitForSize(3));
  EXPECT_EQ(journal.entries(), (std::vector<std::string>{"stop returned", "t1", "t2"}));
  EXPECT_EQ(queue->state(), Exiting);

  // A stop is under way: another one returns at once, and the queue refuses tasks.
  mustReturn("stop after a stop from the worker", [&] { queue->stop(); });
  EXPECT_EQ(queue->state(), Exiting);
  queue->addTask("refused", journal.note("refused"), Back, 0);
  EXPECT_EQ(queue->taskCount(), 0u);

  // Destroying it joins the worker instead of ending the process.
  mustReturn("destroying the queue", [&] { queue.reset(); });
  EXPECT_EQ(journal.entries().size(), 3u);
}

TEST(AsyncQueueLifecycle, DeferredTasksNeverRunAndGoWithTheQueue) {
  auto queue = std::make_shared<AsyncQueue>("q", AsyncQueue::Start::Initialising);
  bool ran = false;
  auto sentinel = std::make_shared<int>(0);
  std::weak_ptr<int> watch = sentinel;
  queue->addTask(
      "deferred", [&ran, sentinel] { ran = true; }, Back, 0);
  sentinel.reset();
  EXPECT_EQ(queue->taskCount(), 1u);

  mustReturn("stop", [&] { queue->stop(); });
  EXPECT_TRUE(queue->isStopped());
  EXPECT_FALSE(watch.expired());
  queue.reset();
  EXPECT_TRUE(watch.expired());
  EXPECT_FALSE(ran);
}

// How the last reference to a queue can go away on its own worker.
enum class LastReference { DroppedInTask, HeldByTask, HeldByFinishedCallback };

class AsyncQueueDestroyedOnWorker : public ::testing::TestWithParam<LastReference> {};

TEST_P(AsyncQueueDestroyedOnWorker, NeitherAbortsNorTouchesTheQueueAgain) {
  Blocker blocker;
  Event done;
  bool leftBehindRan = false;
  auto sentinel = std::make_shared<int>(0);
  std::weak_ptr<int> watch = sentinel;

  auto holder = std::make_shared<std::shared_ptr<AsyncQueue>>(std::make_shared<AsyncQueue>("q"));
  std::weak_ptr<AsyncQueue> queueWatch = *holder;
  AsyncQueue& queue = **holder;
  queue.addTask("blocker", blocker.task(), Back, 0);
  ASSERT_TRUE(blocker.started.wait());

  switch (GetParam()) {
    case LastReference::DroppedInTask:
      queue.addTask(
          "drop",
          [holder, &done] {
            holder->reset();
            done.set();
          },
          Back, 0);
      break;
    case LastReference::HeldByTask:
      queue.addTask(
          "hold", [keep = *holder, &done] { done.set(); }, Back, 0);
      holder->reset();
      break;
    case LastReference::HeldByFinishedCallback:
      queue.addTask(
          "waiting", [] {}, Back, 0);
      EXPECT_FALSE(queue.suspendProcessingWhenFinished([keep = *holder, &done] { done.set(); }));
      holder->reset();
      break;
  }
  queue.addTask(
      "left behind", [&leftBehindRan, sentinel] { leftBehindRan = true; }, Back, 0);
  sentinel.reset();
  blocker.release.set();

  ASSERT_TRUE(done.wait());
  EXPECT_TRUE(eventually([&] { return queueWatch.expired() && watch.expired(); }));
  EXPECT_FALSE(leftBehindRan);
}

INSTANTIATE_TEST_SUITE_P(Ways,
                         AsyncQueueDestroyedOnWorker,
                         ::testing::Values(LastReference::DroppedInTask,
                                           LastReference::HeldByTask,
                                           LastReference::HeldByFinishedCallback),
                         [](const ::testing::TestParamInfo<LastReference>& info) {
                           switch (info.param) {
                             case LastReference::DroppedInTask:
                               return "DroppedInTask";
                             case LastReference::HeldByTask:
                               return "HeldByTask";
                             case LastReference::HeldByFinishedCallback:
                               return "HeldByFinishedCallback";
                           }
                           return "";
                         });

// Every operation that takes the queue's lock, as a thread holding it would call it.
struct LockedCall {
  const char* label;
  std::function<void(AsyncQueue&)> call;
};

void PrintTo(const LockedCall& value, std::ostream* out) {
  *out << value.label;
}

class AsyncQueueLockReentry : public ::testing::TestWithParam<LockedCall> {};

TEST_P(AsyncQueueLockReentry, IsReportedAsBusyAndChangesNothing) {
  Journal journal;
  AsyncQueue queue("q", AsyncQueue::Start::Initialising);
  ASSERT_TRUE(queue.addInitialiserTask("init", journal.note("init")));
  ASSERT_TRUE(journal.waitForSize(1));
  queue.addTask("deferred", journal.note("deferred"), Back, 3);

  {
    std::lock_guard<OwnerCheckedMutex> held(AsyncQueueTestAccess::lock(queue));
    try {
      GetParam().call(queue);
      ADD_FAILURE() << "the call went through while the thread held the lock";
    } catch (const std::system_error& error) {
      EXPECT_EQ(error.code(), std::make_error_code(std::errc::device_or_resource_busy));
    }
  }

  EXPECT_EQ(queue.state(), Initialising);
  EXPECT_EQ(queue.taskCount(), 1u);
  // Still usable: the deferred task runs once the queue is initialised.
  ASSERT_TRUE(queue.setInitialised());
  ASSERT_TRUE(journal.waitForSize(2));
  EXPECT_EQ(journal.entries(), (std::vector<std::string>{"init", "deferred"}));
}

INSTANTIATE_TEST_SUITE_P(
    Operations,
    AsyncQueueLockReentry,
    ::testing::Values(
        LockedCall{"addTask",
                   [](AsyncQueue& q) {
                     q.addTask(
                         "t", [] {}, Back, 0);
                   }},
        LockedCall{"removeTasks", [](AsyncQueue& q) { q.removeTasks(3); }},
        LockedCall{"clearTasks", [](AsyncQueue& q) { q.clearTasks(); }},
        LockedCall{"hasTasks", [](AsyncQueue& q) { (void)q.hasTasks(); }},
        LockedCall{"taskCount", [](AsyncQueue& q) { (void)q.taskCount(); }},
        LockedCall{"suspend",
                   [](AsyncQueue& q) { (void)q.suspendProcessingWhenFinished(nullptr); }},
        LockedCall{"resume", [](AsyncQueue& q) { q.resumeProcessing(); }},
        LockedCall{"stop", [](AsyncQueue& q) { q.stop(); }},
        LockedCall{"addInitialiserTask",
                   [](AsyncQueue& q) { (void)q.addInitialiserTask("i", [] {}); }},
        LockedCall{"setInitialised", [](AsyncQueue& q) { (void)q.setInitialised(); }}),
    [](const ::testing::TestParamInfo<LockedCall>& info) { return info.param.label; });

}  // namespace
}  // namespace zelto
