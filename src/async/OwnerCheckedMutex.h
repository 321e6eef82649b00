// A plain (non-recursive) mutex that knows whether the calling thread holds it.
//
// A thread that already holds it and tries to take it again gets a std::system_error
// with std::errc::device_or_resource_busy instead of blocking, on every platform: the
// standard mutex deadlocks on some runtimes (winpthreads) and throws on others. The
// queue relies on the error: its diagnostics made under the lock may come back to the
// same queue through the root logger, which then drops them instead of deadlocking.
//
// Taking a held lock spins a little before it sleeps: the queue's holds are a few dozen
// instructions, and a thread that sleeps on the lock makes the holder wake it with a
// system call when it lets go.
//
// Each thread keeps the mutexes it holds in a short list of its own, so that taking the
// lock writes nothing but the mutex itself: the object is one std::mutex, and the queue
// keeps its task ring on the same cache line.
//
// Satisfies Lockable, so std::condition_variable_any can wait on it; wait() waits on a
// plain std::condition_variable, which is cheaper to notify and to wake.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <system_error>

namespace zelto {

class OwnerCheckedMutex {
 public:
  // How many of these one thread may hold at once: a queue's lock, and the logger's
  // queue lock that a report made under it takes, with room to spare.
  static constexpr std::size_t kMostHeldByOneThread = 8;

  OwnerCheckedMutex() = default;
  OwnerCheckedMutex(const OwnerCheckedMutex&) = delete;
  OwnerCheckedMutex& operator=(const OwnerCheckedMutex&) = delete;

  // Throws std::system_error: device_or_resource_busy if the calling thread holds it,
  // resource_unavailable_try_again if the thread already holds kMostHeldByOneThread.
  void lock() {
    checkCanTake();
    if (!mMutex.try_lock())
      lockContended();
    noteHeld();
  }

  // Throws like lock() on re-entry rather than answering false, so that re-entry is
  // never mistaken for contention.
  bool try_lock() {
    checkCanTake();
    if (!mMutex.try_lock())
      return false;
    noteHeld();
    return true;
  }

  void unlock() {
    noteReleased();
    mMutex.unlock();
  }

  // Waits on `signal` until notified (or woken spuriously), releasing the mutex meanwhile,
  // like std::condition_variable::wait. The calling thread must hold the mutex; it holds
  // it again when this returns. (It stays in the thread's list while it waits: the thread
  // can take no lock meanwhile.)
  void wait(std::condition_variable& signal) {
    std::unique_lock<std::mutex> inner(mMutex, std::adopt_lock);
    signal.wait(inner);
    inner.release();  // still locked: the caller's lock owns it again
  }

  // The same, for at most `timeout`; true if it ended because the time was up.
  template <typename Duration>
  bool waitFor(std::condition_variable& signal, Duration timeout) {
    std::unique_lock<std::mutex> inner(mMutex, std::adopt_lock);
    const bool timedOut = signal.wait_for(inner, timeout) == std::cv_status::timeout;
    inner.release();
    return timedOut;
  }

  bool isHeldByCurrentThread() const noexcept;

 private:
  void checkCanTake() const;
  // The lock is held by another thread: spins for a short while (with more than one CPU
  // usable the holder, whose hold is a few instructions, is likely running and about to
  // let go), then sleeps until it is free.
  void lockContended();
  void noteHeld() noexcept;
  void noteReleased() noexcept;

  std::mutex mMutex;
};

}  // namespace zelto
