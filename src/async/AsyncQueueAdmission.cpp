// AsyncQueue: how tasks enter and leave the queues other than by running, and the
// initialiser phase.
#include "async/AsyncQueue.h"

#include <atomic>
#include <thread>
#include <utility>

#include "async/QueueDiagnostics.h"

namespace zelto {

namespace diag = queue_diagnostics;

namespace {

std::atomic<void (*)()> gWakeWindow{nullptr};

}  // namespace

void AsyncQueue::addTask(const std::string& name, Func func, TaskPlacement placement, int32_t tag) {
  if (mState.load() == Exiting)
    return;  // refused silently

  Lock lock(mMutex);
  if (mIsSuspended.load())
    diag::taskAddedWhileSuspended(mReporter, name, mName);

  TaskDeque* target = &mTaskQueue;
  const int32_t state = mState.load();
  if (state == Initialising) {
    diag::taskDeferredWhileInitialising(mReporter, mName);
    target = &mDeferredQueue;
  } else if (state == Processing) {
    diag::taskDeferredWhileProcessing(mReporter, mName);
    target = &mDeferredQueue;
  }

  if (placement == Front)
    target->push_front(name, std::move(func), tag);
  else
    target->push_back(name, std::move(func), tag);
  // A deferred task gives the worker nothing to run before the swap, which the end of
  // the initialiser phase brings about: nobody is woken for it.
  if (target != &mTaskQueue || mIsSuspended.load())
    return;
  const Wake wake = wakeNeeded();
  if (wake == Wake::Nothing)
    return;
  // Whether to wake the worker is decided under the lock, so no wake-up is lost; the
  // doorbell or signal itself goes after the lock is released, so the worker does not at
  // once run into the lock still held here (and, woken from sleep, sleep a second time).
  // From the unlock on, the task may run and destroy the queue: the count raised here
  // makes the destructor wait until the wake has been sent, so the doorbell and the
  // signal are still there for it, and lowering the count is the last touch.
  mWakesInFlight.fetch_add(1, std::memory_order_relaxed);
  lock.unlock();
  if (void (*const hook)() = gWakeWindow.load(std::memory_order_relaxed))
    hook();
  sendWake(wake);
  mWakesInFlight.fetch_sub(1, std::memory_order_release);
}

void AsyncQueue::setWakeWindowHookForTesting(void (*hook)()) noexcept {
  gWakeWindow.store(hook);
}

void AsyncQueue::waitForWakesInFlight() const {
  // Such a caller is a few instructions from done, unless it has lost its CPU.
  while (mWakesInFlight.load(std::memory_order_acquire) != 0)
    std::this_thread::yield();
}

void AsyncQueue::removeTasks(int32_t tag) {
  // Destroyed after the lock is released: a task's captures may call back into the queue.
  TaskDeque removed;
  Lock lock(mMutex);
  const int32_t state = mState.load();
  TaskDeque& queue = (state == Initialising || state == Processing) ? mDeferredQueue : mTaskQueue;
  queue.moveOutIf([tag](const Task& task) { return task.tag == tag; }, removed);
}

void AsyncQueue::clearTasks() {
  // Destroyed after the lock is released, the deferred tasks first.
  TaskDeque tasks;
  TaskDeque deferred;
  Lock lock(mMutex);
  deferred.swap(mDeferredQueue);
  tasks.swap(mTaskQueue);
}

bool AsyncQueue::hasTasks() {
  Lock lock(mMutex);
  return !mTaskQueue.empty() || !mDeferredQueue.empty();
}

std::size_t AsyncQueue::taskCount() {
  Lock lock(mMutex);
  return mDeferredQueue.size() + mTaskQueue.size();
}

bool AsyncQueue::addInitialiserTask(const std::string& name, Func func, int32_t tag) {
  Lock lock(mMutex);
  const int32_t state = mState.load();
  if (state != Initialising && state != Processing)
    return false;
  mTaskQueue.push_back(name, std::move(func), tag);
  notifyIfNotSuspended();
  return true;
}

bool AsyncQueue::setInitialised() {
  Lock lock(mMutex);
  int32_t expected = Initialising;
  if (!mState.compare_exchange_strong(expected, Processing))
    return false;
  notifyIfNotSuspended();  // the worker swaps as soon as the initialiser tasks have run
  return true;
}

void AsyncQueue::swapQueues() {
  if (mState.load() != Processing) {
    diag::swapWhileNotProcessing(mReporter, mName);
  } else if (!mTaskQueue.empty()) {
    diag::swapDelayedByInitialiserTasks(mReporter, mName);
  } else {
    mTaskQueue.swap(mDeferredQueue);
    mState.exchange(Running);
  }
  diag::swapFinished(mReporter, mState.load(), mName);
}

void AsyncQueue::notifyIfNotSuspended() {
  if (!mIsSuspended.load())
    notifyWorker();
}

void AsyncQueue::notifyWorker() {
  sendWake(wakeNeeded());
}

AsyncQueue::Wake AsyncQueue::wakeNeeded() {
  // One doorbell or one wake-up is enough until the worker polls or waits again.
  if (mIdle == Idle::Polling) {
    mIdle = Idle::Busy;
    return Wake::Doorbell;
  }
  if (mIdle != Idle::Waiting)
    return Wake::Nothing;
  mIdle = Idle::Busy;
  // Tells the worker how long it slept before there was work, so that it learns whether
  // looking before sleeping would have paid.
  mWakeAskedAt = IdlePolling::Clock::now();
  return Wake::Signal;
}

void AsyncQueue::sendWake(Wake wake) {
  // A ring that comes after the poll has ended is harmless: every poll starts from the
  // doorbell as it then is, and the worker looks at the queue under the lock after each.
  if (wake == Wake::Doorbell)
    mDoorbell.fetch_add(1, std::memory_order_release);
  else if (wake == Wake::Signal)
    mSignal.notify_one();
}

}  // namespace zelto
