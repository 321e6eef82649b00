// AsyncQueue: suspending and resuming the worker.
#include "async/AsyncQueue.h"

#include <exception>
#include <utility>

#include "async/QueueDiagnostics.h"

namespace zelto {

namespace diag = queue_diagnostics;

bool AsyncQueue::suspendProcessingWhenFinished(Func onFinished) {
  diag::suspendRequested(mReporter, mName);

  Func replaced;  // a callback replaced here is dropped after the lock is released
  Lock lock(mMutex);
  const std::size_t queued = mTaskQueue.size();  // deferred tasks do not count
  if (mIsSuspended.load())
    diag::suspendWhileSuspended(mReporter, mName);

  if (queued != 0 && onFinished) {
    // Suspend once the running task has finished, and tell the caller then.
    diag::suspendDeferredUntilTaskFinishes(mReporter, mName);
    replaced = std::move(mHasFinishedFunc);
    mHasFinishedFunc = std::move(onFinished);
  } else {
    // Nothing to wait for (or nobody to tell): suspend now; onFinished is never called.
    mIsSuspended.store(true);
  }
  diag::suspendFinished(mReporter, mIsSuspended.load(), mName);
  return queued == 0;
}

void AsyncQueue::resumeProcessing() {
  Lock lock(mMutex);
  if (mIsSuspended.load()) {
    mIsSuspended.store(false);
    notifyIfNotSuspended();
  } else {
    diag::resumeWhileNotSuspended(mReporter, mName);
  }
  diag::resumeFinished(mReporter, mIsSuspended.load(), mName);
}

bool AsyncQueue::handOverSuspension(Lock& lock) {
  diag::suspendingWithCallback(mReporter, mName);
  mIsSuspended.store(true);
  Func callback = std::move(mHasFinishedFunc);
  mHasFinishedFunc = nullptr;

  // The callback may destroy the queue; keep what is needed afterwards on this frame.
  RootLogger* const reporter = mReporter;
  const bool* const destroyed = mDestroyedOnWorker;
  lock.unlock();
  try {
    callback();
  } catch (const std::exception& error) {
    diag::finishedCallbackThrew(reporter, error.what());
  } catch (...) {
    diag::finishedCallbackThrewUnknown(reporter);
  }
  callback = nullptr;
  if (*destroyed)
    return false;

  lock.lock();
  // A callback asked for while this one ran is discarded: kept, a callback that asks
  // again for itself would be handed over at every pass and no task would ever run.
  // It is dropped without the lock, as its captures may hold the last reference to the
  // queue.
  Func renewed = std::move(mHasFinishedFunc);
  mHasFinishedFunc = nullptr;
  if (renewed) {
    lock.unlock();
    renewed = nullptr;
    if (*destroyed)
      return false;
    lock.lock();
  }
  return true;
}

}  // namespace zelto
