// Suspending the worker now or after the running task, the finished callback, resuming,
// and how a stop ends a suspension.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "async/AsyncQueue.h"
#include "async/QueueTestSupport.h"

namespace zelto {
namespace {

using namespace testing_support;
using Names = std::vector<std::string>;

// Long enough for a worker that wrongly goes on to start the next task. A pass never
// depends on it: a correct queue gives the same result after any pause.
void pause() {
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

// A queue whose worker is held by a blocker, with tasks t1 and t2 queued behind it.
class SuspendBehindARunningTask : public ::testing::Test {
 protected:
  void SetUp() override {
    queue = std::make_shared<AsyncQueue>("q");
    queue->addTask("blocker", blocker.task(), Back, 0);
    ASSERT_TRUE(blocker.started.wait());
    queue->addTask("t1", journal.note("t1"), Back, 0);
    queue->addTask("t2", journal.note("t2"), Back, 0);
  }
  void TearDown() override {
    blocker.release.set();
    mustReturn("destroying the queue", [this] { queue.reset(); });
  }

  Blocker blocker;
  Journal journal;
  std::shared_ptr<AsyncQueue> queue;
};

TEST(AsyncQueueSuspension, IdleQueueSuspendsAtOnceAndNeverCallsTheCallback) {
  Journal journal;
  AsyncQueue queue("q");
  bool called = false;
  auto sentinel = std::make_shared<int>(0);
  std::weak_ptr<int> watch = sentinel;
  EXPECT_TRUE(queue.suspendProcessingWhenFinished([&called, sentinel] { called = true; }));
  sentinel.reset();
  EXPECT_TRUE(watch.expired());  // not kept

  queue.addTask("while suspended", journal.note("while suspended"), Back, 0);
  EXPECT_EQ(queue.taskCount(), 1u);
  pause();
  EXPECT_TRUE(journal.entries().empty());

  queue.resumeProcessing();
  ASSERT_TRUE(journal.waitForSize(1));
  EXPECT_FALSE(called);
}

TEST_F(SuspendBehindARunningTask, CallbackRunsOnTheWorkerOnceTheRunningTaskFinishes) {
  Event called;
  bool onWorker = false;
  EXPECT_FALSE(queue->suspendProcessingWhenFinished([&] {
    onWorker = queue->isWorkerThread();
    called.set();
  }));
  EXPECT_FALSE(called.isSet());

  blocker.release.set();
  ASSERT_TRUE(called.wait());
  EXPECT_TRUE(onWorker);
  pause();
  EXPECT_TRUE(journal.entries().empty());
  EXPECT_EQ(queue->taskCount(), 2u);

  queue->resumeProcessing();
  ASSERT_TRUE(journal.waitForSize(2));
  EXPECT_EQ(journal.entries(), (Names{"t1", "t2"}));
}

TEST_F(SuspendBehindARunningTask, WithoutACallbackSuspendsAtOnce) {
  EXPECT_FALSE(queue->suspendProcessingWhenFinished(nullptr));
  queue->addTask("done", journal.note("blocker done"), Front, 0);
  blocker.release.set();
  pause();
  EXPECT_TRUE(journal.entries().empty());  // not even the task at the head started
  EXPECT_EQ(queue->taskCount(), 3u);

  queue->resumeProcessing();
  ASSERT_TRUE(journal.waitForSize(3));
  EXPECT_EQ(journal.entries(), (Names{"blocker done", "t1", "t2"}));
}

TEST_F(SuspendBehindARunningTask, OnlyTheLatestCallbackIsCalled) {
  bool firstCalled = false;
  Event secondCalled;
  auto sentinel = std::make_shared<int>(0);
  std::weak_ptr<int> watch = sentinel;
  EXPECT_FALSE(
      queue->suspendProcessingWhenFinished([&firstCalled, sentinel] { firstCalled = true; }));
  sentinel.reset();
  EXPECT_FALSE(queue->suspendProcessingWhenFinished([&] { secondCalled.set(); }));
  EXPECT_TRUE(watch.expired());

  blocker.release.set();
  ASSERT_TRUE(secondCalled.wait());
  EXPECT_FALSE(firstCalled);
}

TEST_F(SuspendBehindARunningTask, CallbackThatResumesLetsTheWorkerGoOn) {
  EXPECT_FALSE(queue->suspendProcessingWhenFinished([this] { queue->resumeProcessing(); }));
  blocker.release.set();
  ASSERT_TRUE(journal.waitForSize(2));
  EXPECT_EQ(journal.entries(), (Names{"t1", "t2"}));
}

struct ThrowingCallbackCase {
  const char* label;
  std::function<void()> callback;
};

void PrintTo(const ThrowingCallbackCase& value, std::ostream* out) {
  *out << value.label;
}

class AsyncQueueThrowingCallback : public ::testing::TestWithParam<ThrowingCallbackCase> {};

TEST_P(AsyncQueueThrowingCallback, LeavesTheQueueSuspended) {
  Blocker blocker;
  Journal journal;
  AsyncQueue queue("q");
  queue.addTask("blocker", blocker.task(), Back, 0);
  ASSERT_TRUE(blocker.started.wait());
  queue.addTask("t1", journal.note("t1"), Back, 0);
  EXPECT_FALSE(queue.suspendProcessingWhenFinished([&] {
    journal.add("callback");
    GetParam().callback();
  }));
  blocker.release.set();
  ASSERT_TRUE(journal.waitForSize(1));
  pause();
  EXPECT_EQ(journal.entries(), Names{"callback"});

  queue.resumeProcessing();
  ASSERT_TRUE(journal.waitForSize(2));
  EXPECT_EQ(journal.entries(), (Names{"callback", "t1"}));
}

INSTANTIATE_TEST_SUITE_P(
    Failures,
    AsyncQueueThrowingCallback,
    ::testing::Values(ThrowingCallbackCase{"StandardException",
                                           [] { throw std::logic_error("no"); }},
                      ThrowingCallbackCase{"OtherValue", [] { throw 7; }}),
    [](const ::testing::TestParamInfo<ThrowingCallbackCase>& info) { return info.param.label; });

TEST(AsyncQueueSuspension, TaskCanSuspendItsOwnQueue) {
  Journal journal;
  Event called;
  AsyncQueue queue("q");
  Blocker blocker;
  queue.addTask("blocker", blocker.task(), Back, 0);
  ASSERT_TRUE(blocker.started.wait());
  queue.addTask(
      "suspender",
      [&] {
        // t1 is queued behind this task, so the suspension waits for it to finish.
        EXPECT_FALSE(queue.suspendProcessingWhenFinished([&] { called.set(); }));
        journal.add("suspender");
      },
      Back, 0);
  queue.addTask("t1", journal.note("t1"), Back, 0);
  blocker.release.set();

  ASSERT_TRUE(called.wait());
  pause();
  EXPECT_EQ(journal.entries(), Names{"suspender"});
  queue.resumeProcessing();
  ASSERT_TRUE(journal.waitForSize(2));
  EXPECT_EQ(journal.entries(), (Names{"suspender", "t1"}));
}

TEST_F(SuspendBehindARunningTask, SuspensionAskedForInsideTheCallbackIsKept) {
  Event secondCalled;
  EXPECT_FALSE(queue->suspendProcessingWhenFinished([&] {
    // Still suspended with t1 and t2 queued: kept, and called after the next resume.
    EXPECT_FALSE(queue->suspendProcessingWhenFinished([&] { secondCalled.set(); }));
    journal.add("first");
  }));
  blocker.release.set();
  ASSERT_TRUE(journal.waitForSize(1));
  pause();
  EXPECT_FALSE(secondCalled.isSet());

  queue->resumeProcessing();
  ASSERT_TRUE(secondCalled.wait());
  pause();
  EXPECT_EQ(journal.entries(), Names{"first"});  // suspended again before t1

  queue->resumeProcessing();
  ASSERT_TRUE(journal.waitForSize(3));
  EXPECT_EQ(journal.entries(), (Names{"first", "t1", "t2"}));
}

TEST_F(SuspendBehindARunningTask, CallbackThatResumesAndAsksAgainIsFollowedAtOnce) {
  Event secondCalled;
  EXPECT_FALSE(queue->suspendProcessingWhenFinished([&] {
    queue->resumeProcessing();
    EXPECT_FALSE(queue->suspendProcessingWhenFinished([&] { secondCalled.set(); }));
  }));
  blocker.release.set();
  ASSERT_TRUE(secondCalled.wait());
  pause();
  EXPECT_TRUE(journal.entries().empty());

  queue->resumeProcessing();
  ASSERT_TRUE(journal.waitForSize(2));
}

TEST(AsyncQueueSuspension, ResumingAnActiveQueueChangesNothing) {
  Journal journal;
  AsyncQueue queue("q");
  queue.resumeProcessing();
  queue.addTask("t1", journal.note("t1"), Back, 0);
  ASSERT_TRUE(journal.waitForSize(1));
}

// However the queue is suspended when the stop comes, the admitted tasks still run and
// the stop returns.
enum class SuspendedWhen { BeforeStop, PendingAtStop, AfterStopBegan };

class AsyncQueueStopWhileSuspended : public ::testing::TestWithParam<SuspendedWhen> {};

TEST_P(AsyncQueueStopWhileSuspended, RunsTheAdmittedTasksAndReturns) {
  Blocker blocker;
  Journal journal;
  Event called;
  auto queue = std::make_shared<AsyncQueue>("q");
  queue->addTask("blocker", blocker.task(), Back, 0);
  ASSERT_TRUE(blocker.started.wait());
  queue->addTask("t1", journal.note("t1"), Back, 0);
  queue->addTask("t2", journal.note("t2"), Back, 0);

  std::thread stopper;
  switch (GetParam()) {
    case SuspendedWhen::BeforeStop:
      EXPECT_FALSE(queue->suspendProcessingWhenFinished(nullptr));
      blocker.release.set();
      pause();
      ASSERT_TRUE(journal.entries().empty());
      stopper = std::thread([&] { queue->stop(); });
      break;
    case SuspendedWhen::PendingAtStop:
      EXPECT_FALSE(queue->suspendProcessingWhenFinished([&] { called.set(); }));
      stopper = std::thread([&] { queue->stop(); });
      EXPECT_TRUE(eventually([&] { return queue->state() == Exiting; }));
      blocker.release.set();
      // Whoever waits for the callback is not left waiting.
      EXPECT_TRUE(called.wait());
      break;
    case SuspendedWhen::AfterStopBegan:
      stopper = std::thread([&] { queue->stop(); });
      EXPECT_TRUE(eventually([&] { return queue->state() == Exiting; }));
      EXPECT_FALSE(queue->suspendProcessingWhenFinished(nullptr));
      blocker.release.set();
      break;
  }
  mustReturn("stop of a suspended queue", [&] { stopper.join(); });
  EXPECT_TRUE(queue->isStopped());
  EXPECT_EQ(journal.entries(), (Names{"t1", "t2"}));
}

INSTANTIATE_TEST_SUITE_P(Moments,
                         AsyncQueueStopWhileSuspended,
                         ::testing::Values(SuspendedWhen::BeforeStop,
                                           SuspendedWhen::PendingAtStop,
                                           SuspendedWhen::AfterStopBegan),
                         [](const ::testing::TestParamInfo<SuspendedWhen>& info) {
                           switch (info.param) {
                             case SuspendedWhen::BeforeStop:
                               return "BeforeStop";
                             case SuspendedWhen::PendingAtStop:
                               return "PendingAtStop";
                             case SuspendedWhen::AfterStopBegan:
                               return "AfterStopBegan";
                           }
                           return "";
                         });

}  // namespace
}  // namespace zelto
