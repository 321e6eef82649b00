// Helpers for the task queue's tests: bounded waits that turn a hang into a clear
// failure, a thread-safe journal of what ran, and a look inside the queue.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "async/AsyncQueue.h"

namespace zelto {

// Lets a test hold a queue's lock, as a diagnostic made under the lock does, and look at
// what the worker is doing.
class AsyncQueueTestAccess {
 public:
  static OwnerCheckedMutex& lock(AsyncQueue& queue) { return queue.mMutex; }
  // True while the worker sleeps on its signal.
  static bool sleeping(AsyncQueue& queue) {
    std::lock_guard<OwnerCheckedMutex> held(queue.mMutex);
    return queue.mIdle == AsyncQueue::Idle::Waiting;
  }
  // Wakes the sleeping worker as its timed wait ending, or a spurious wake-up, would: not
  // through a caller's decision to wake it.
  static void wakeWithoutCaller(AsyncQueue& queue) { queue.mSignal.notify_all(); }
  static uint32_t sleepsEnded(AsyncQueue& queue) {
    return queue.mWaitsEnded.load(std::memory_order_relaxed);
  }
  static std::size_t ringCapacity(AsyncQueue& queue) {
    std::lock_guard<OwnerCheckedMutex> held(queue.mMutex);
    return queue.mTaskQueue.capacity();
  }
};

namespace testing_support {

// How long a test waits for something that should happen at once.
constexpr std::chrono::seconds kPatience{10};

// A one-shot flag that can be waited for, with a bound.
class Event {
 public:
  // Notifies under the lock: a waiter may destroy the event as soon as it sees it set.
  void set() {
    std::lock_guard<std::mutex> lock(mMutex);
    mSet = true;
    mChanged.notify_all();
  }

  // True if the event was set in time.
  bool wait(std::chrono::milliseconds timeout = kPatience) {
    std::unique_lock<std::mutex> lock(mMutex);
    return mChanged.wait_for(lock, timeout, [this] { return mSet; });
  }

  bool isSet() {
    std::lock_guard<std::mutex> lock(mMutex);
    return mSet;
  }

 private:
  std::mutex mMutex;
  std::condition_variable mChanged;
  bool mSet = false;
};

// What happened, in order, from any thread.
class Journal {
 public:
  void add(const std::string& entry) {
    std::lock_guard<std::mutex> lock(mMutex);
    mEntries.push_back(entry);
    mChanged.notify_all();
  }

  // A task that notes its name.
  std::function<void()> note(const std::string& entry) {
    return [this, entry] { add(entry); };
  }

  std::vector<std::string> entries() {
    std::lock_guard<std::mutex> lock(mMutex);
    return mEntries;
  }

  // True once at least `count` entries are there.
  bool waitForSize(std::size_t count, std::chrono::milliseconds timeout = kPatience) {
    std::unique_lock<std::mutex> lock(mMutex);
    return mChanged.wait_for(lock, timeout, [&] { return mEntries.size() >= count; });
  }

 private:
  std::mutex mMutex;
  std::condition_variable mChanged;
  std::vector<std::string> mEntries;
};

// Polls `condition` until it holds; false if it never did in time.
template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds timeout = kPatience) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Runs `call` on a thread of its own and waits for it to return. A call that does not
// return in time is a hang: the blocked thread can be neither joined nor left behind
// safely, so the test program ends at once, saying which call hung.
inline void mustReturn(const char* what,
                       std::function<void()> call,
                       std::chrono::milliseconds timeout = kPatience) {
  Event returned;
  std::thread thread([&] {
    call();
    returned.set();
  });
  if (!returned.wait(timeout)) {
    std::fprintf(stderr, "\nHANG: %s did not return within %lld ms\n", what,
                 static_cast<long long>(timeout.count()));
    std::fflush(stderr);
    std::_Exit(3);
  }
  thread.join();
}

// A task that holds the worker until released, to queue others behind it.
struct Blocker {
  Event started;
  Event release;
  std::function<void()> task() {
    return [this] {
      started.set();
      release.wait();
    };
  }
};

}  // namespace testing_support
}  // namespace zelto
