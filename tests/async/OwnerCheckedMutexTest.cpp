#include "async/OwnerCheckedMutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace zelto {
namespace {

void expectBusy(const std::function<void()>& call) {
  try {
    call();
    ADD_FAILURE() << "re-entry was not reported";
  } catch (const std::system_error& error) {
    EXPECT_EQ(error.code(), std::make_error_code(std::errc::device_or_resource_busy));
  }
}

TEST(OwnerCheckedMutex, ReportsReentryByItsOwnerAndStaysHeld) {
  OwnerCheckedMutex mutex;
  mutex.lock();
  EXPECT_TRUE(mutex.isHeldByCurrentThread());
  expectBusy([&] { mutex.lock(); });
  expectBusy([&] { (void)mutex.try_lock(); });

  // Still held after the refused attempts: another thread cannot take it.
  bool otherGotIt = true;
  std::thread([&] {
    otherGotIt = mutex.try_lock();
    EXPECT_FALSE(mutex.isHeldByCurrentThread());
  }).join();
  EXPECT_FALSE(otherGotIt);

  mutex.unlock();
  EXPECT_FALSE(mutex.isHeldByCurrentThread());
  std::thread([&] {
    std::lock_guard<OwnerCheckedMutex> lock(mutex);
    EXPECT_TRUE(mutex.isHeldByCurrentThread());
  }).join();
  mutex.lock();  // free again, and the owner may take it once more
  mutex.unlock();
}

TEST(OwnerCheckedMutex, WorksWithConditionVariableAny) {
  OwnerCheckedMutex mutex;
  std::condition_variable_any signal;
  bool ready = false;
  std::thread waiter([&] {
    std::unique_lock<OwnerCheckedMutex> lock(mutex);
    signal.wait(lock, [&] { return ready; });
    // The wait gave the lock back to this thread, with its ownership.
    EXPECT_TRUE(mutex.isHeldByCurrentThread());
    expectBusy([&] { mutex.lock(); });
  });
  {
    std::lock_guard<OwnerCheckedMutex> lock(mutex);
    ready = true;
  }
  signal.notify_all();
  waiter.join();
}

// The queue's worker waits through the mutex itself: while it waits another thread owns
// the lock, and afterwards the waiter owns it again and re-entry is still refused.
TEST(OwnerCheckedMutex, WaitGivesTheLockAwayAndTakesItBackWithItsOwnership) {
  OwnerCheckedMutex mutex;
  std::condition_variable signal;
  bool ready = false;
  std::thread waiter([&] {
    std::unique_lock<OwnerCheckedMutex> lock(mutex);
    while (!ready) {
      mutex.wait(signal);
    }
    EXPECT_TRUE(mutex.isHeldByCurrentThread());
    expectBusy([&] { mutex.lock(); });
  });
  {
    // Only possible while the waiter has given the lock away.
    std::lock_guard<OwnerCheckedMutex> lock(mutex);
    EXPECT_TRUE(mutex.isHeldByCurrentThread());
    ready = true;
  }
  signal.notify_all();
  waiter.join();
  EXPECT_FALSE(mutex.isHeldByCurrentThread());
}

// A taker that finds the lock held spins for a moment and then sleeps: whether the
// holder lets go within the spin or long after it, every taker gets the lock in turn and
// never two at once.
TEST(OwnerCheckedMutex, ContendedTakersGetItOneAtATimeWhetherTheHoldIsShortOrLong) {
  OwnerCheckedMutex mutex;
  std::atomic<int> inside{0};
  std::atomic<bool> overlapped{false};
  long counted = 0;  // guarded by the mutex alone
  constexpr int kThreads = 4;
  constexpr int kRounds = 5000;
  std::vector<std::thread> takers;
  for (int t = 0; t < kThreads; ++t) {
    takers.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        std::lock_guard<OwnerCheckedMutex> lock(mutex);
        if (inside.fetch_add(1) != 0)
          overlapped = true;
        ++counted;
        // Now and then a hold far longer than any spin, so that takers also sleep.
        if (t == 0 && round % 1000 == 0)
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
        inside.fetch_sub(1);
      }
    });
  }
  for (std::thread& taker : takers)
    taker.join();
  EXPECT_FALSE(overlapped.load());
  EXPECT_EQ(counted, long{kThreads} * kRounds);
  EXPECT_FALSE(mutex.isHeldByCurrentThread());
}

}  // namespace
}  // namespace zelto
