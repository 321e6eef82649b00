// The process monitor against real processes under Wine.
#include "win32/process_monitor.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include "test_process.h"
#include "win32/handle.h"
#include "win32/parent_process.h"

namespace {

using testing_support::TestProcess;
using testing_support::waitFor;
using win32::process_monitor;

constexpr DWORD kBoundMs = 10000;  // turns a hang into a failure
constexpr DWORD kQuietMs = 300;    // the least time a callback that must not run is given

// How long a callback that must not run is given to run: at least kQuietMs, and several
// times what a callback that had to run took on this host, so a slow host (32-bit code
// under emulation) gives a wrong callback as fair a chance to show as a fast one.
DWORD quietMs(DWORD observedMs) {
  return observedMs > kQuietMs / 4 ? 4 * observedMs : kQuietMs;
}

win32::handle newEvent() {
  return win32::handle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

// Counts the allocations of a monitor's shared state. With std::allocate_shared the
// monitor and its reference counts live in one block, which is returned only when the
// last weak reference is gone, so a wait context that is never freed keeps it.
template <typename T>
struct CountingAllocator {
  using value_type = T;
  explicit CountingAllocator(std::shared_ptr<std::atomic<int>> live) : live(std::move(live)) {}
  template <typename U>
  CountingAllocator(const CountingAllocator<U>& other) : live(other.live) {}
  T* allocate(std::size_t n) {
    ++*live;
    return std::allocator<T>().allocate(n);
  }
  void deallocate(T* p, std::size_t n) {
    std::allocator<T>().deallocate(p, n);
    --*live;
  }
  template <typename U>
  bool operator==(const CountingAllocator<U>& other) const {
    return live == other.live;
  }
  template <typename U>
  bool operator!=(const CountingAllocator<U>& other) const {
    return live != other.live;
  }
  std::shared_ptr<std::atomic<int>> live;
};

struct Tracked {
  std::shared_ptr<process_monitor> monitor;
  std::shared_ptr<std::atomic<int>> live = std::make_shared<std::atomic<int>>(0);
};

Tracked trackedMonitor(const std::function<void()>& onProcessExit) {
  Tracked tracked;
  tracked.monitor = std::allocate_shared<process_monitor>(
      CountingAllocator<process_monitor>(tracked.live), onProcessExit);
  return tracked;
}

// Polls until the monitor's shared block has been returned.
bool allFreed(const std::atomic<int>& live) {
  for (DWORD waited = 0; waited < kBoundMs; waited += 10) {
    if (live == 0) {
      return true;
    }
    Sleep(10);
  }
  return live == 0;
}

// Polls until the process id can no longer be opened.
bool goneFor(DWORD processId) {
  for (DWORD waited = 0; waited < kBoundMs; waited += 10) {
    win32::handle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (!process) {
      return true;
    }
    Sleep(10);
  }
  return false;
}

// What a callback saw: how often it ran, on which thread, and an event it sets.
struct Calls {
  std::atomic<int> count{0};
  std::atomic<DWORD> thread{0};
  win32::handle ran = newEvent();

  std::function<void()> callback() {
    return [this] {
      thread = GetCurrentThreadId();
      ++count;
      SetEvent(ran.get());
    };
  }
};

// The process ends after the monitor has started, or had already ended when it started
// (its object still held open by the test): either way the callback runs exactly once,
// on a pool thread, and everything is freed once the monitor is dropped.
class CallbackRuns : public testing::TestWithParam<bool> {};

TEST_P(CallbackRuns, OnceWhenTheWatchedProcessEnds) {
  const bool endedBeforeStart = GetParam();
  TestProcess process;
  if (endedBeforeStart) {
    process.end();
  }
  Calls calls;
  Tracked tracked = trackedMonitor(calls.callback());
  ASSERT_TRUE(tracked.monitor->start(process.id()));
  const DWORD endedAt = GetTickCount();
  if (!endedBeforeStart) {
    process.end();
  }

  ASSERT_TRUE(waitFor(calls.ran.get(), kBoundMs)) << "the callback did not run";
  Sleep(quietMs(GetTickCount() - endedAt));
  EXPECT_EQ(calls.count, 1);
  EXPECT_NE(calls.thread, GetCurrentThreadId());

  tracked.monitor.reset();
  EXPECT_TRUE(allFreed(*tracked.live)) << "the wait context was not freed";
}

INSTANTIATE_TEST_SUITE_P(ProcessMonitor,
                         CallbackRuns,
                         testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "AlreadyEnded" : "EndsLater";
                         });

// Cancelling before the process ends, by stop() or by dropping the monitor: the callback
// never runs, and the cancelled registration's context is freed at once.
enum class Cancel { kStop, kDrop };

class CancelledBeforeTheEnd : public testing::TestWithParam<Cancel> {};

TEST_P(CancelledBeforeTheEnd, CallbackNeverRunsAndNothingIsKept) {
  TestProcess process;
  auto calls = std::make_shared<Calls>();
  Tracked tracked = trackedMonitor([calls] { calls->callback()(); });
  ASSERT_TRUE(tracked.monitor->start(process.id()));
  // A second monitor of the same process, never cancelled, shows how long this host takes
  // to deliver the end.
  Calls witnessCalls;
  std::shared_ptr<IProcessMonitor> witness =
      process_monitor::create(process.id(), witnessCalls.callback());
  ASSERT_NE(witness, nullptr);

  if (GetParam() == Cancel::kStop) {
    tracked.monitor->stop();
    tracked.monitor->stop();  // a second stop has nothing left to cancel
  } else {
    tracked.monitor.reset();
    EXPECT_EQ(*tracked.live, 0) << "the cancelled wait still holds the monitor's block";
  }
  const DWORD endedAt = GetTickCount();
  process.end();

  ASSERT_TRUE(waitFor(witnessCalls.ran.get(), kBoundMs)) << "the witness did not run";
  EXPECT_FALSE(waitFor(calls->ran.get(), quietMs(GetTickCount() - endedAt)))
      << "the callback ran after cancelling";
  EXPECT_EQ(calls->count, 0);
  tracked.monitor.reset();
  EXPECT_EQ(*tracked.live, 0) << "the cancelled wait's context was not freed";
}

INSTANTIATE_TEST_SUITE_P(ProcessMonitor,
                         CancelledBeforeTheEnd,
                         testing::Values(Cancel::kStop, Cancel::kDrop),
                         [](const testing::TestParamInfo<Cancel>& info) {
                           return info.param == Cancel::kStop ? "Stop" : "Drop";
                         });

// The callback holds the last reference when it returns: the monitor is destroyed on the
// callback's own thread, whose stop() must neither wait for itself nor free the context
// under the callback.
TEST(ProcessMonitor, LastReferenceDroppedOnTheCallbackThread) {
  TestProcess process;
  win32::handle fired = newEvent();
  win32::handle released = newEvent();
  win32::handle destroyed = newEvent();
  auto destroyedOn = std::make_shared<std::atomic<DWORD>>(0);
  std::atomic<DWORD> callbackThread{0};

  // Set when the monitor's copy of the callback, the last one, is destroyed.
  struct Sentinel {
    Sentinel(std::shared_ptr<std::atomic<DWORD>> on, HANDLE event)
        : on(std::move(on)), event(event) {}
    Sentinel(const Sentinel&) = delete;
    std::shared_ptr<std::atomic<DWORD>> on;
    HANDLE event;
    ~Sentinel() {
      *on = GetCurrentThreadId();
      SetEvent(event);
    }
  };
  auto sentinel = std::make_shared<Sentinel>(destroyedOn, destroyed.get());
  HANDLE firedEvent = fired.get();
  HANDLE releasedEvent = released.get();
  std::atomic<DWORD>* callbackThreadOut = &callbackThread;
  Tracked tracked = trackedMonitor([sentinel, firedEvent, releasedEvent, callbackThreadOut] {
    *callbackThreadOut = GetCurrentThreadId();
    SetEvent(firedEvent);
    WaitForSingleObject(releasedEvent, kBoundMs);
  });
  sentinel.reset();
  ASSERT_TRUE(tracked.monitor->start(process.id()));

  process.end();
  ASSERT_TRUE(waitFor(fired.get(), kBoundMs)) << "the callback did not run";
  tracked.monitor.reset();
  SetEvent(released.get());

  ASSERT_TRUE(waitFor(destroyed.get(), kBoundMs)) << "the monitor was not destroyed";
  EXPECT_EQ(*destroyedOn, callbackThread.load());
  EXPECT_TRUE(allFreed(*tracked.live)) << "the wait context was not freed";
}

// Dropping the monitor just as the process ends races the callback: whichever way each
// round goes, the callback runs at most once, nothing crashes and everything is freed.
TEST(ProcessMonitor, DroppedWhileTheCallbackFires) {
  constexpr int kRounds = 40;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE(round);
    TestProcess process;
    auto count = std::make_shared<std::atomic<int>>(0);
    Tracked tracked = trackedMonitor([count] { ++*count; });
    ASSERT_TRUE(tracked.monitor->start(process.id()));
    process.end();
    tracked.monitor.reset();
    ASSERT_TRUE(allFreed(*tracked.live)) << "the wait context was not freed";
    EXPECT_LE(*count, 1);
  }
}

// start() on a monitor no shared_ptr owns throws, and leaves the mutex free: stop() and
// another start() on another thread go through instead of waiting for ever.
TEST(ProcessMonitor, StartWithoutSharedOwnerThrowsAndLeavesItUnlocked) {
  TestProcess process;
  // On the heap and leaked if the check fails, so that a stuck thread never sees it freed.
  auto* monitor = new process_monitor([] {});
  EXPECT_THROW(monitor->start(process.id()), std::bad_weak_ptr);

  struct Outcome {
    std::atomic<bool> threwAgain{false};
    win32::handle done = newEvent();
  };
  auto outcome = std::make_shared<Outcome>();
  std::thread([monitor, outcome, id = process.id()] {
    try {
      monitor->start(id);
    } catch (const std::bad_weak_ptr&) {
      outcome->threwAgain = true;
    }
    monitor->stop();
    SetEvent(outcome->done.get());
  }).detach();

  ASSERT_TRUE(waitFor(outcome->done.get(), kBoundMs)) << "the monitor was left locked";
  EXPECT_TRUE(outcome->threwAgain);
  delete monitor;
}

// Ids that cannot be opened for waiting: no monitor.
TEST(ProcessMonitor, CreateOnAProcessThatCannotBeOpenedGivesNothing) {
  DWORD endedId = 0;
  {
    TestProcess process;
    endedId = process.id();
    process.end();
    process.forget();
  }
  // Wine keeps an ended process's object for about half a second after the last handle
  // to it is closed; the case is about an id that can no longer be opened.
  ASSERT_TRUE(goneFor(endedId)) << "process " << endedId << " can still be opened";
  struct Case {
    const char* name;
    DWORD id;
  };
  const Case cases[] = {
      {"the idle process", 0},
      {"no parent found", win32::kNoParentProcess},
      {"an ended process nobody holds", endedId},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool ran = false;
    EXPECT_EQ(process_monitor::create(c.id, [&ran] { ran = true; }), nullptr);
    EXPECT_FALSE(ran);
  }
}

TEST(ProcessMonitor, CreateGivesAStartedMonitor) {
  TestProcess process;
  Calls calls;
  std::shared_ptr<IProcessMonitor> monitor =
      process_monitor::create(process.id(), calls.callback());
  ASSERT_NE(monitor, nullptr);
  // Already watching: a second start registers nothing more.
  EXPECT_FALSE(monitor->start(process.id()));
  const DWORD endedAt = GetTickCount();
  process.end();
  ASSERT_TRUE(waitFor(calls.ran.get(), kBoundMs)) << "the callback did not run";
  Sleep(quietMs(GetTickCount() - endedAt));
  EXPECT_EQ(calls.count, 1);
}

}  // namespace
