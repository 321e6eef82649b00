// How tasks enter and leave the queue: placement, removal, clearing, counting, refusal
// while exiting, and the initialiser phase.
#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "async/AsyncQueue.h"
#include "async/QueueTestSupport.h"
#include "support/FailingAllocation.h"

namespace zelto {
namespace {

using namespace testing_support;
using Names = std::vector<std::string>;

TEST(AsyncQueueAdmission, FrontGoesToTheHeadAndAnyOtherPlacementToTheTail) {
  Blocker blocker;
  Journal journal;
  AsyncQueue queue("q");
  queue.addTask("blocker", blocker.task(), Back, 0);
  ASSERT_TRUE(blocker.started.wait());

  queue.addTask("a", journal.note("a"), Back, 0);
  queue.addTask("b", journal.note("b"), Back, 0);
  queue.addTask("c", journal.note("c"), static_cast<TaskPlacement>(7), 0);
  queue.addTask("d", journal.note("d"), Front, 0);
  queue.addTask("e", journal.note("e"), Front, 0);
  EXPECT_EQ(queue.taskCount(), 5u);
  blocker.release.set();

  ASSERT_TRUE(journal.waitForSize(5));
  EXPECT_EQ(journal.entries(), (Names{"e", "d", "a", "b", "c"}));
}

TEST(AsyncQueueAdmission, RemovesByTagFromTheTaskQueueWhileRunning) {
  Blocker blocker;
  Journal journal;
  AsyncQueue queue("q");
  queue.addTask("blocker", blocker.task(), Back, 0);
  ASSERT_TRUE(blocker.started.wait());
  queue.addTask("first 7", journal.note("first 7"), Back, 7);
  queue.addTask("0", journal.note("0"), Back, 0);
  queue.addTask("second 7", journal.note("second 7"), Back, 7);
  queue.addTask("3", journal.note("3"), Back, 3);

  queue.removeTasks(7);
  EXPECT_EQ(queue.taskCount(), 2u);
  blocker.release.set();
  queue.addTask("end", journal.note("end"), Back, 7);  // added after the removal: kept

  ASSERT_TRUE(journal.waitForSize(3));
  EXPECT_EQ(journal.entries(), (Names{"0", "3", "end"}));
}

TEST(AsyncQueueAdmission, RemovesByTagFromTheDeferredQueueWhileInitialising) {
  Blocker blocker;
  Journal journal;
  AsyncQueue queue("q", AsyncQueue::Start::Initialising);
  ASSERT_TRUE(queue.addInitialiserTask("blocker", blocker.task()));
  ASSERT_TRUE(blocker.started.wait());
  ASSERT_TRUE(queue.addInitialiserTask("init 7", journal.note("init 7"), 7));
  queue.addTask("deferred 7", journal.note("deferred 7"), Back, 7);
  queue.addTask("deferred 0", journal.note("deferred 0"), Back, 0);

  queue.removeTasks(7);
  EXPECT_EQ(queue.taskCount(), 2u);  // the initialiser task is untouched
  ASSERT_TRUE(queue.setInitialised());
  blocker.release.set();

  ASSERT_TRUE(journal.waitForSize(2));
  EXPECT_EQ(journal.entries(), (Names{"init 7", "deferred 0"}));
}

// A removal that runs out of memory part way must leave the queue as it was: every
// task still there, whole, in its order. 16 tasks to remove, 3 to keep, then one more
// to remove, so that the removed tasks outgrow a first ring of 16; each allocation of
// the removal is made to fail in turn until one removal goes through.
TEST(AsyncQueueAdmission, RemovalThatRunsOutOfMemoryLeavesTheQueueAsItWas) {
  Names all, kept;
  for (int i = 0; i < 20; ++i) {
    all.push_back((i >= 16 && i < 19 ? "keep " : "remove ") + std::to_string(i));
    if (i >= 16 && i < 19)
      kept.push_back(all.back());
  }
  bool failedOnce = false;
  for (int failing = 1;; ++failing) {
    ASSERT_LE(failing, 10) << "the removal kept allocating";
    Journal journal;
    AsyncQueue queue("q");
    EXPECT_TRUE(queue.suspendProcessingWhenFinished(nullptr));
    for (const std::string& name : all)
      queue.addTask(name, journal.note(name), Back, name.rfind("keep", 0) == 0 ? 0 : 7);

    bool threw = false;
    {
      FailingAllocation failure(failing);
      try {
        queue.removeTasks(7);
      } catch (const std::bad_alloc&) {
        threw = true;
      }
      ASSERT_EQ(threw, failure.failed()) << "allocation " << failing;
    }
    const Names expected = threw ? all : kept;
    EXPECT_EQ(queue.taskCount(), expected.size()) << "allocation " << failing;
    queue.stop();  // runs every task still queued
    EXPECT_EQ(journal.entries(), expected) << "allocation " << failing;
    if (!threw)
      break;
    failedOnce = true;
  }
  EXPECT_TRUE(failedOnce);
}

TEST(AsyncQueueAdmission, ClearingDuringATaskLetsItFinishAndDropsBothQueues) {
  Blocker blocker;
  Journal journal;
  AsyncQueue queue("q", AsyncQueue::Start::Initialising);
  ASSERT_TRUE(queue.addInitialiserTask("running", [&] {
    blocker.task()();
    journal.add("running");
  }));
  ASSERT_TRUE(blocker.started.wait());
  ASSERT_TRUE(queue.addInitialiserTask("init", journal.note("init")));
  auto sentinel = std::make_shared<int>(0);
  std::weak_ptr<int> watch = sentinel;
  queue.addTask(
      "deferred", [&journal, sentinel] { journal.add("deferred"); }, Back, 0);
  sentinel.reset();
  EXPECT_TRUE(queue.hasTasks());
  EXPECT_EQ(queue.taskCount(), 2u);  // the running task is in neither queue

  queue.clearTasks();
  EXPECT_TRUE(watch.expired());
  EXPECT_FALSE(queue.hasTasks());
  EXPECT_EQ(queue.taskCount(), 0u);
  blocker.release.set();

  ASSERT_TRUE(journal.waitForSize(1));
  ASSERT_TRUE(queue.setInitialised());
  queue.addTask("after", journal.note("after"), Back, 0);
  ASSERT_TRUE(journal.waitForSize(2));
  EXPECT_EQ(journal.entries(), (Names{"running", "after"}));
}

TEST(AsyncQueueAdmission, RefusesTasksSilentlyWhileExiting) {
  Event stopped;
  Event release;
  Journal journal;
  auto queue = std::make_shared<AsyncQueue>("q");
  queue->addTask(
      "stopper",
      [&] {
        queue->stop();
        stopped.set();
        release.wait();
      },
      Back, 0);
  ASSERT_TRUE(stopped.wait());
  ASSERT_EQ(queue->state(), Exiting);

  queue->addTask("refused", journal.note("refused"), Back, 0);
  EXPECT_EQ(queue->taskCount(), 0u);
  EXPECT_FALSE(queue->hasTasks());
  release.set();
  mustReturn("destroying the queue", [&] { queue.reset(); });
  EXPECT_TRUE(journal.entries().empty());
}

TEST(AsyncQueueInitialiser, SwapsOnceTheInitialiserTasksHaveRun) {
  Blocker blocker;
  Journal journal;
  AsyncQueue queue("q", AsyncQueue::Start::Initialising);
  EXPECT_EQ(queue.state(), Initialising);

  // Ordinary tasks wait in the deferred queue, with their placement applied there.
  queue.addTask("d1", journal.note("d1"), Back, 0);
  queue.addTask("d2", journal.note("d2"), Back, 0);
  queue.addTask("d0", journal.note("d0"), Front, 0);
  ASSERT_TRUE(queue.addInitialiserTask("i1", journal.note("i1")));
  ASSERT_TRUE(journal.waitForSize(1));
  // Initialising: the initialiser task ran, the deferred ones wait.
  EXPECT_EQ(queue.taskCount(), 3u);
  EXPECT_EQ(queue.state(), Initialising);

  ASSERT_TRUE(queue.addInitialiserTask("blocker", blocker.task()));
  ASSERT_TRUE(blocker.started.wait());
  ASSERT_TRUE(queue.addInitialiserTask("i2", journal.note("i2")));
  ASSERT_TRUE(queue.setInitialised());
  EXPECT_FALSE(queue.setInitialised());
  EXPECT_EQ(queue.state(), Processing);
  queue.addTask("d3", journal.note("d3"), Back, 0);  // still deferred while processing
  // Initialiser tasks are still welcome while processing.
  ASSERT_TRUE(queue.addInitialiserTask("i3", journal.note("i3")));
  blocker.release.set();

  ASSERT_TRUE(journal.waitForSize(7));
  EXPECT_TRUE(eventually([&] { return queue.state() == Running; }));
  queue.addTask("after", journal.note("after"), Back, 0);
  ASSERT_TRUE(journal.waitForSize(8));
  EXPECT_EQ(journal.entries(), (Names{"i1", "i2", "i3", "d0", "d1", "d2", "d3", "after"}));

  // Running: the initialiser phase is over.
  EXPECT_FALSE(queue.addInitialiserTask("late", journal.note("late")));
  EXPECT_FALSE(queue.setInitialised());
}

TEST(AsyncQueueInitialiser, DeclaredInitialisedWithNothingQueuedSwapsAtOnce) {
  Journal journal;
  AsyncQueue queue("q", AsyncQueue::Start::Initialising);
  queue.addTask("d1", journal.note("d1"), Back, 0);
  queue.addTask("d2", journal.note("d2"), Back, 0);
  ASSERT_TRUE(queue.setInitialised());
  ASSERT_TRUE(journal.waitForSize(2));
  EXPECT_EQ(journal.entries(), (Names{"d1", "d2"}));
  EXPECT_EQ(queue.state(), Running);
}

}  // namespace
}  // namespace zelto
