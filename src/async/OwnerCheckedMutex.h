// A plain (non-recursive) mutex that knows which thread holds it.
//
// A thread that already holds it and tries to take it again gets a std::system_error
// with std::errc::device_or_resource_busy instead of blocking, on every platform: the
// standard mutex deadlocks on some runtimes (winpthreads) and throws on others. The
// queue relies on the error: its diagnostics made under the lock may come back to the
// same queue through the root logger, which then drops them instead of deadlocking.
//
// Satisfies Lockable, so std::condition_variable_any can wait on it; wait() waits on a
// plain std::condition_variable, which is cheaper to notify and to wake.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace zelto {

class OwnerCheckedMutex {
 public:
  OwnerCheckedMutex() = default;
  OwnerCheckedMutex(const OwnerCheckedMutex&) = delete;
  OwnerCheckedMutex& operator=(const OwnerCheckedMutex&) = delete;

  // Throws std::system_error (device_or_resource_busy) if the calling thread holds it.
  void lock() {
    throwIfHeldByCurrentThread();
    mMutex.lock();
    mOwner.store(std::this_thread::get_id(), std::memory_order_relaxed);
  }

  // Throws like lock() on re-entry rather than answering false, so that re-entry is
  // never mistaken for contention.
  bool try_lock() {
    throwIfHeldByCurrentThread();
    if (!mMutex.try_lock())
      return false;
    mOwner.store(std::this_thread::get_id(), std::memory_order_relaxed);
    return true;
  }

  void unlock() {
    mOwner.store(std::thread::id(), std::memory_order_relaxed);
    mMutex.unlock();
  }

  // Waits on `signal` until notified (or woken spuriously), releasing the mutex meanwhile,
  // like std::condition_variable::wait. The calling thread must hold the mutex; it holds
  // it again, as its owner, when this returns.
  void wait(std::condition_variable& signal) {
    std::unique_lock<std::mutex> inner(mMutex, std::adopt_lock);
    mOwner.store(std::thread::id(), std::memory_order_relaxed);
    signal.wait(inner);
    mOwner.store(std::this_thread::get_id(), std::memory_order_relaxed);
    inner.release();  // still locked: the caller's lock owns it again
  }

  // Only the owner ever stores its own id, so a relaxed read is enough to tell.
  bool isHeldByCurrentThread() const {
    return mOwner.load(std::memory_order_relaxed) == std::this_thread::get_id();
  }

 private:
  void throwIfHeldByCurrentThread() const {
    if (isHeldByCurrentThread())
      throw std::system_error(std::make_error_code(std::errc::device_or_resource_busy),
                              "queue lock taken again by the thread that holds it");
  }

  std::mutex mMutex;
  std::atomic<std::thread::id> mOwner{};
};

}  // namespace zelto
