// What the worker does when it runs out of tasks: looks for the next one for a while if
// that pays, gives back the ring a burst left, and sleeps; and that no task is lost at
// any of these steps.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "async/AsyncQueue.h"
#include "async/IdlePolling.h"
#include "async/QueueTestSupport.h"

#ifdef __linux__
#include <sched.h>
#endif

namespace zelto {
namespace {

using namespace testing_support;
using Clock = IdlePolling::Clock;

// Makes every idle spell poll while it lives.
class ForcedPolling {
 public:
  ForcedPolling() { IdlePolling::forcePollingForTesting(true); }
  ~ForcedPolling() {
    IdlePolling::setPollEndedHookForTesting(nullptr);
    IdlePolling::forcePollingForTesting(false);
  }
  ForcedPolling(const ForcedPolling&) = delete;
  ForcedPolling& operator=(const ForcedPolling&) = delete;
};

// Holds the worker at the end of an armed poll, before it takes its lock again, until
// the test has added a task.
struct PollEnd {
  std::mutex mutex;
  std::condition_variable changed;
  bool armed = false;
  int ended = 0;  // armed polls that have ended
  bool added = false;

  static PollEnd* sCurrent;
  static void hook() {
    PollEnd& self = *sCurrent;
    std::unique_lock<std::mutex> lock(self.mutex);
    if (!self.armed)
      return;
    self.armed = false;
    ++self.ended;
    self.changed.notify_all();
    self.changed.wait(lock, [&] { return self.added; });
    self.added = false;
  }
};
PollEnd* PollEnd::sCurrent = nullptr;

// The lost wake-up boundary: a task added after the worker has stopped looking, but
// before it has taken its lock again to decide whether to sleep, must still run. Each
// round holds the worker at exactly that point and adds the task there.
TEST(AsyncQueueIdle, TaskAddedJustAsAPollEndsRuns) {
  ForcedPolling forced;
  PollEnd pollEnd;
  PollEnd::sCurrent = &pollEnd;
  IdlePolling::setPollEndedHookForTesting(&PollEnd::hook);
  {
    std::lock_guard<std::mutex> lock(pollEnd.mutex);
    pollEnd.armed = true;
  }
  AsyncQueue queue("q");
  std::atomic<int> ran{0};
  constexpr int kRounds = 200;
  for (int round = 0; round < kRounds; ++round) {
    {
      std::unique_lock<std::mutex> lock(pollEnd.mutex);
      ASSERT_TRUE(pollEnd.changed.wait_for(lock, kPatience, [&] { return pollEnd.ended > round; }))
          << "the worker did not poll in round " << round;
      pollEnd.armed = true;  // for the poll after this round's task
    }
    queue.addTask(
        "t", [&ran] { ran.fetch_add(1); }, Back, 0);
    {
      std::lock_guard<std::mutex> lock(pollEnd.mutex);
      pollEnd.added = true;
    }
    pollEnd.changed.notify_all();
    ASSERT_TRUE(eventually([&] { return ran.load() == round + 1; })) << "round " << round;
  }
  IdlePolling::setPollEndedHookForTesting(nullptr);
  {
    // Let a worker still held at the last armed poll go.
    std::lock_guard<std::mutex> lock(pollEnd.mutex);
    pollEnd.armed = false;
    pollEnd.added = true;
  }
  pollEnd.changed.notify_all();
  mustReturn("stop", [&] { queue.stop(); });
  EXPECT_EQ(ran.load(), kRounds);
}

// The same boundary met by timing: each task is added a little later after the previous
// one ran, from at once to well past the polling window, so that the adds fall before,
// across and after the end of the poll. Every task must run.
TEST(AsyncQueueIdle, TasksAddedAcrossThePollingWindowAllRun) {
  ForcedPolling forced;
  AsyncQueue queue("q");
  std::atomic<int> ran{0};
  int added = 0;
  const auto window = std::chrono::duration_cast<std::chrono::nanoseconds>(IdlePolling::kWindow);
  for (int repeat = 0; repeat < 3; ++repeat) {
    for (auto delay = std::chrono::nanoseconds(0); delay <= 3 * window; delay += window / 10) {
      queue.addTask(
          "t", [&ran] { ran.fetch_add(1); }, Back, 0);
      ++added;
      const auto deadline = Clock::now() + kPatience;
      while (ran.load() != added) {
        ASSERT_LT(Clock::now(), deadline) << "a task added " << delay.count() << " ns on never ran";
      }
      const auto addAt = Clock::now() + delay;
      while (Clock::now() < addAt) {
      }
    }
  }
  mustReturn("stop", [&] { queue.stop(); });
  EXPECT_EQ(ran.load(), added);
}

// The caller that adds a task lets the queue's lock go before it wakes the worker. In
// that window the worker may run the task, and the task may drop the queue's last
// reference (a queue that ends itself is written so). Each case holds the caller in the
// window until the queue's destruction has begun on the worker, and a while longer: the
// queue must still be there when the caller goes on to ring or signal. A polling worker
// finds the task as its poll ends; a sleeping one as its sleep ends without the caller
// (a timed wait, a spurious wake-up).
enum class Waking { Doorbell, Signal };

struct WakeWindow {
  Event destructionBegun;
  Event destroyed;
  bool destroyedInWindow = false;
  PollEnd* pollEnd = nullptr;     // the worker held at a poll's end, let go from the window
  AsyncQueue* sleeper = nullptr;  // the sleeping worker's queue, woken from the window

  static WakeWindow* sCurrent;
  static void hook() {
    WakeWindow& self = *sCurrent;
    if (self.pollEnd != nullptr) {
      std::lock_guard<std::mutex> lock(self.pollEnd->mutex);
      self.pollEnd->added = true;
      self.pollEnd->changed.notify_all();
    }
    if (self.sleeper != nullptr)
      AsyncQueueTestAccess::wakeWithoutCaller(*self.sleeper);
    if (!self.destructionBegun.wait())
      return;
    // Ample time for a destructor that does not wait for this caller to finish.
    self.destroyedInWindow = self.destroyed.wait(std::chrono::milliseconds(200));
  }
};
WakeWindow* WakeWindow::sCurrent = nullptr;

class AsyncQueueWakeWindow : public testing::TestWithParam<Waking> {
 protected:
  void TearDown() override {
    AsyncQueue::setWakeWindowHookForTesting(nullptr);
    IdlePolling::setPollEndedHookForTesting(nullptr);
    IdlePolling::forcePollingForTesting(false);
  }
};

TEST_P(AsyncQueueWakeWindow, QueueOutlivesTheCallerThatGaveItsLastReferenceToATask) {
  WakeWindow window;
  WakeWindow::sCurrent = &window;
  PollEnd pollEnd;
  PollEnd::sCurrent = &pollEnd;
  if (GetParam() == Waking::Doorbell) {
    IdlePolling::forcePollingForTesting(true);
    IdlePolling::setPollEndedHookForTesting(&PollEnd::hook);
    pollEnd.armed = true;
    window.pollEnd = &pollEnd;
  }
  std::shared_ptr<AsyncQueue> queue(new AsyncQueue("q"), [&window](AsyncQueue* doomed) {
    window.destructionBegun.set();
    delete doomed;
    window.destroyed.set();
  });
  AsyncQueue* const caller = queue.get();
  if (GetParam() == Waking::Doorbell) {
    // Held at the end of its first poll, still saying it polls: the add rings.
    std::unique_lock<std::mutex> lock(pollEnd.mutex);
    ASSERT_TRUE(pollEnd.changed.wait_for(lock, kPatience, [&] { return pollEnd.ended == 1; }));
  } else {
    ASSERT_TRUE(eventually([&] { return AsyncQueueTestAccess::sleeping(*caller); }));
    window.sleeper = caller;
  }
  AsyncQueue::setWakeWindowHookForTesting(&WakeWindow::hook);

  caller->addTask(
      "last", [last = std::move(queue)]() mutable { last.reset(); }, Back, 0);

  AsyncQueue::setWakeWindowHookForTesting(nullptr);
  EXPECT_TRUE(window.destructionBegun.isSet()) << "the task had not run in the window";
  EXPECT_FALSE(window.destroyedInWindow) << "the queue was destroyed under its caller";
  EXPECT_TRUE(window.destroyed.wait());
}

INSTANTIATE_TEST_SUITE_P(BothWays,
                         AsyncQueueWakeWindow,
                         testing::Values(Waking::Doorbell, Waking::Signal),
                         [](const testing::TestParamInfo<Waking>& info) {
                           return info.param == Waking::Doorbell ? "Doorbell" : "Signal";
                         });

// A task that waits in the deferred queue gives the worker nothing to run: adding it
// wakes nobody. The end of the initialiser phase does, and the tasks then run.
TEST(AsyncQueueIdle, DeferredTasksWakeNobody) {
  Journal journal;
  AsyncQueue queue("q", AsyncQueue::Start::Initialising);
  ASSERT_TRUE(eventually([&] { return AsyncQueueTestAccess::sleeping(queue); }));
  const uint32_t sleepsEnded = AsyncQueueTestAccess::sleepsEnded(queue);
  for (int i = 0; i < 20; ++i)
    queue.addTask("d" + std::to_string(i), journal.note("d" + std::to_string(i)), Back, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(AsyncQueueTestAccess::sleepsEnded(queue), sleepsEnded);
  EXPECT_TRUE(AsyncQueueTestAccess::sleeping(queue));
  EXPECT_EQ(queue.taskCount(), 20u);

  EXPECT_TRUE(queue.setInitialised());
  ASSERT_TRUE(journal.waitForSize(20));
  EXPECT_EQ(journal.entries().front(), "d0");
  EXPECT_EQ(journal.entries().back(), "d19");
}

// A burst grows the ring; once the worker has drained it and has nothing left to do, the
// ring goes back to the system, and the queue keeps working with a small one.
TEST(AsyncQueueIdle, DrainedQueueGivesItsLargeRingBack) {
  Blocker blocker;
  AsyncQueue queue("q");
  queue.addTask("blocker", blocker.task(), Back, 0);
  ASSERT_TRUE(blocker.started.wait());
  constexpr int kBurst = 5000;
  std::atomic<int> ran{0};
  std::atomic<bool> inOrder{true};
  for (int i = 0; i < kBurst; ++i) {
    queue.addTask(
        "burst",
        [&ran, &inOrder, i] {
          if (ran.fetch_add(1) != i)
            inOrder.store(false);
        },
        Back, 0);
  }
  EXPECT_GE(AsyncQueueTestAccess::ringCapacity(queue), static_cast<std::size_t>(kBurst));
  blocker.release.set();
  ASSERT_TRUE(eventually([&] {
    return ran.load() == kBurst && AsyncQueueTestAccess::sleeping(queue) &&
           AsyncQueueTestAccess::ringCapacity(queue) <= TaskDeque::kSmallCapacity;
  })) << "capacity "
      << AsyncQueueTestAccess::ringCapacity(queue);
  EXPECT_TRUE(inOrder.load());

  queue.addTask(
      "after", [&ran] { ran.fetch_add(1); }, Back, 0);
  EXPECT_TRUE(eventually([&] { return ran.load() == kBurst + 1; }));
}

// The policy itself: it polls only after two spells in a row that ended within the
// window, waits for a longer run after a poll that found nothing, and never polls with
// one usable CPU.
TEST(IdlePolling, PollsOnlyAfterShortSpellsAndNeverOnOneCpu) {
  auto learnSpell = [](IdlePolling& polling, std::chrono::microseconds length) {
    polling.taskRan();
    const Clock::time_point start = Clock::now();
    const bool polled = polling.shouldPoll();
    polling.woken(start + length);
    return polled;
  };
  auto pollsNext = [](IdlePolling& polling) {
    polling.taskRan();
    return polling.shouldPoll();
  };

  IdlePolling polling;
  const bool manyCpus = IdlePolling::usableCpus() > 1;
  EXPECT_FALSE(learnSpell(polling, std::chrono::microseconds(1)));  // no history yet
  EXPECT_FALSE(learnSpell(polling, std::chrono::microseconds(1)));  // one short spell
  EXPECT_EQ(pollsNext(polling), manyCpus);                          // two in a row
  EXPECT_FALSE(polling.shouldPoll()) << "once per spell";
  // That spell turns out long although it polled: the next poll waits for four short
  // spells in a row.
  polling.woken(Clock::now() + std::chrono::seconds(1));
  for (int spell = 0; spell < 4; ++spell)
    EXPECT_FALSE(learnSpell(polling, std::chrono::microseconds(1))) << "spell " << spell;
  EXPECT_EQ(pollsNext(polling), manyCpus);

#ifdef __linux__
  // A worker that may run on one CPU only, from its first spell or confined later on.
  bool pinnedPolls = true;
  bool confinedPolls = true;
  std::thread([&] {
    IdlePolling confinedLater;
    learnSpell(confinedLater, std::chrono::microseconds(1));
    learnSpell(confinedLater, std::chrono::microseconds(1));
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(sched_getcpu(), &one);
    ASSERT_EQ(sched_setaffinity(0, sizeof(one), &one), 0);
    EXPECT_EQ(IdlePolling::usableCpus(), 1u);
    IdlePolling pinned;
    learnSpell(pinned, std::chrono::microseconds(1));
    learnSpell(pinned, std::chrono::microseconds(1));
    pinnedPolls = pollsNext(pinned);
    std::this_thread::sleep_for(IdlePolling::kAffinityReread + std::chrono::milliseconds(20));
    confinedPolls = pollsNext(confinedLater);
  }).join();
  EXPECT_FALSE(pinnedPolls);
  EXPECT_FALSE(confinedPolls) << "a worker confined to one CPU kept polling";
#endif
}

}  // namespace
}  // namespace zelto
