#include "async/OwnerCheckedMutex.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

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

}  // namespace
}  // namespace zelto
