// Suspending the worker now or after the running task, the finished callback, resuming,
// and how a stop ends a suspension.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
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

TEST_F(SuspendBehindARunningTask, SuspensionAskedForInsideTheCallbackIsDiscarded) {
  bool secondCalled = false;
  auto sentinel = std::make_shared<int>(0);
  std::weak_ptr<int> watch = sentinel;
  EXPECT_FALSE(queue->suspendProcessingWhenFinished([&] {
    // Still suspended with t1 and t2 queued: taken as a deferred suspension, then
    // dropped once this callback returns.
    EXPECT_FALSE(
        queue->suspendProcessingWhenFinished([&secondCalled, sentinel] { secondCalled = true; }));
    journal.add("first");
  }));
  sentinel.reset();
  blocker.release.set();
  ASSERT_TRUE(journal.waitForSize(1));
  EXPECT_TRUE(eventually([&] { return watch.expired(); }));
  pause();
  EXPECT_EQ(journal.entries(), Names{"first"});  // still suspended

  queue->resumeProcessing();
  ASSERT_TRUE(journal.waitForSize(3));
  EXPECT_EQ(journal.entries(), (Names{"first", "t1", "t2"}));
  EXPECT_FALSE(secondCalled);
}

// A callback that asks again for itself each time it is called ("tell me next time"):
// the worker must not hand it over again and again with no task in between.
enum class Renewal { ThenResumed, ResumesAndRenews, ThenStopped };

// The callback and its count outlive the queue, and the callback reaches the queue by a
// plain pointer, so that a worker that keeps calling it fails the test by hanging (a
// bounded wait) rather than by touching what the test has already let go.
class SelfRenewingCallback : public SuspendBehindARunningTask,
                             public ::testing::WithParamInterface<Renewal> {
 protected:
  std::atomic<int> calls{0};
  std::function<void()> renew;
};

TEST_P(SelfRenewingCallback, IsCalledOnceAndTheQueuedTasksRunOnce) {
  renew = [this, raw = queue.get()] {
    ++calls;
    if (GetParam() == Renewal::ResumesAndRenews)
      raw->resumeProcessing();
    raw->suspendProcessingWhenFinished(renew);
  };
  EXPECT_FALSE(queue->suspendProcessingWhenFinished(renew));
  blocker.release.set();
  ASSERT_TRUE(eventually([&] { return calls.load() > 0; }));

  switch (GetParam()) {
    case Renewal::ThenResumed:
      pause();
      EXPECT_TRUE(journal.entries().empty());
      queue->resumeProcessing();
      ASSERT_TRUE(journal.waitForSize(2));
      break;
    case Renewal::ResumesAndRenews:
      ASSERT_TRUE(journal.waitForSize(2));
      break;
    case Renewal::ThenStopped:
      pause();
      mustReturn("stop while a callback renews itself", [&] { queue->stop(); });
      break;
  }
  mustReturn("stop", [&] { queue->stop(); });
  EXPECT_EQ(calls.load(), 1);
  EXPECT_EQ(journal.entries(), (Names{"t1", "t2"}));
  // Destroyed here, while `renew` still exists.
  mustReturn("destroying the queue", [&] { queue.reset(); });
}

INSTANTIATE_TEST_SUITE_P(Renewals,
                         SelfRenewingCallback,
                         ::testing::Values(Renewal::ThenResumed,
                                           Renewal::ResumesAndRenews,
                                           Renewal::ThenStopped),
                         [](const ::testing::TestParamInfo<Renewal>& info) {
                           switch (info.param) {
                             case Renewal::ThenResumed:
                               return "ThenResumed";
                             case Renewal::ResumesAndRenews:
                               return "ResumesAndRenews";
                             case Renewal::ThenStopped:
                               return "ThenStopped";
                           }
                           return "";
                         });

// The destructor alone, with no stop before it, ends a queue whose callback renews
// itself.
TEST(AsyncQueueSuspension, DestroyingAQueueWhoseCallbackRenewsItselfReturns) {
  Blocker blocker;
  std::atomic<int> calls{0};
  std::function<void()> renew;  // outlives the queue
  auto queue = std::make_shared<AsyncQueue>("q");
  renew = [&calls, &renew, raw = queue.get()] {
    ++calls;
    raw->suspendProcessingWhenFinished(renew);
  };
  queue->addTask("blocker", blocker.task(), Back, 0);
  ASSERT_TRUE(blocker.started.wait());
  queue->addTask(
      "t1", [] {}, Back, 0);
  EXPECT_FALSE(queue->suspendProcessingWhenFinished(renew));
  blocker.release.set();
  ASSERT_TRUE(eventually([&] { return calls.load() > 0; }));
  mustReturn("destroying the queue", [&] { queue.reset(); });
  EXPECT_EQ(calls.load(), 1);
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
