// AsyncQueue: construction, the worker loop, stopping and destruction. Admission and
// the initialiser phase are in AsyncQueueAdmission.cpp, suspension in
// AsyncQueueSuspension.cpp.
#include "async/AsyncQueue.h"

#include <chrono>
#include <exception>
#include <system_error>
#include <utility>

#include "async/QueueDiagnostics.h"

namespace zelto {

namespace diag = queue_diagnostics;

namespace {

int32_t initialState(AsyncQueue::Start start) {
  return start == AsyncQueue::Start::Initialising ? Initialising : Running;
}

}  // namespace

AsyncQueue::AsyncQueue(const std::string& name, Start start)
    : mName(name), mReporter(nullptr), mState(initialState(start)) {
  mThread = std::thread(&AsyncQueue::run, this);
  mWorkerId.store(mThread.get_id());
}

AsyncQueue::AsyncQueue(const std::string& name, RootLogger& reporter, Start start)
    : mName(name), mReporter(&reporter), mState(initialState(start)) {
  mThread = std::thread(&AsyncQueue::run, this);
  mWorkerId.store(mThread.get_id());
}

AsyncQueue::~AsyncQueue() {
  waitForWakesInFlight();
  try {
    stop();
  } catch (...) {
    // Only a lock re-entry can throw here, and no caller holds the lock while the
    // queue is destroyed; the thread is dealt with below either way.
  }
  if (!mThread.joinable())
    return;
  if (std::this_thread::get_id() == mWorkerId.load()) {
    // The last reference went away in a task or callback on the worker: the worker must
    // not come back to this object, and the thread cannot join itself.
    if (mDestroyedOnWorker != nullptr)
      *mDestroyedOnWorker = true;
    mThread.detach();
    return;
  }
  // A stop asked on the worker earlier left the thread running, or a join failed.
  releaseUnjoinedWorker();
}

void AsyncQueue::releaseUnjoinedWorker() {
  try {
    mThread.join();
    mWorkerId.store(std::thread::id());
    mState.store(Stopped);
    return;
  } catch (...) {
  }
  // The thread cannot be joined: let the worker finish with this object (it is
  // Exiting, so it drains the task queue and ends), then let the thread go.
  while (!mWorkerEnded.load())
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  try {
    mThread.detach();
  } catch (...) {
  }
}

void AsyncQueue::stop() {
  if (isStopped())
    return;
  {
    // Under the lock, so that a worker about to wait either sees Exiting or gets the
    // wake-up. Re-entry throws here, before anything has changed.
    Lock lock(mMutex);
    int32_t current = mState.load();
    do {
      if (current == Exiting || current == Stopped)
        return;  // another stop is under way, has failed or has finished
    } while (!mState.compare_exchange_weak(current, Exiting));
    // A suspension would hold the admitted tasks (and the join) forever: end it, so the
    // worker drains them.
    mIsSuspended.store(false);
    notifyWorker();
    mSignal.notify_all();
  }
  if (isWorkerThread())
    return;  // a task stopping its own queue; the worker ends once the queue is drained
  if (!mThread.joinable())
    return;
  try {
    mThread.join();
    mWorkerId.store(std::thread::id());
    mState.store(Stopped);
  } catch (const std::system_error& error) {
    diag::joinFailed(mReporter, error.code());
  } catch (...) {
    diag::joinFailedUnexpectedly(mReporter);
  }
}

std::thread::id AsyncQueue::workerThreadId() {
  return mWorkerId.load();
}

bool AsyncQueue::isWorkerThread() {
  return workerThreadId() == std::this_thread::get_id();
}

bool AsyncQueue::isStopped() {
  return mState.load() == Stopped;
}

std::string AsyncQueue::currentTaskName() {
  std::lock_guard<std::mutex> lock(mTaskNameMutex);
  return mCurrentTaskName;
}

void AsyncQueue::setCurrentTaskName(const std::string& name) {
  std::lock_guard<std::mutex> lock(mTaskNameMutex);
  // The worker clears the name after every task: clearing skips the general copy.
  if (name.empty())
    mCurrentTaskName.clear();
  else
    mCurrentTaskName = name;
}

void AsyncQueue::run() {
  bool destroyed = false;
  mDestroyedOnWorker = &destroyed;
  bool idleAWhile = false;  // the last wait ended for want of anything happening
  Lock lock(mMutex);
  for (;;) {
    // A pending suspension takes effect before the next task starts.
    if (mHasFinishedFunc && !handOverSuspension(lock))
      return;

    const bool exiting = mState.load() == Exiting;
    if (exiting && mTaskQueue.empty())
      break;  // deferred tasks are never run

    // Once exiting, a suspension no longer holds the worker: the tasks admitted before
    // the stop still run.
    if (mIsSuspended.load() && !exiting) {
      diag::waitingWhileSuspended(mReporter, mIsSuspended.load(), mName);
      waitForSignal();
      diag::wokenWhileSuspended(mReporter, mState.load(), mName);
      continue;
    }

    // Another thread asked for a suspension while the previous callback's discarded
    // renewal was being dropped: it takes effect before the next task starts.
    if (mHasFinishedFunc)
      continue;

    if (!mTaskQueue.empty()) {
      if (!runNextTask(lock))
        return;
      mPolling.taskRan();
      idleAWhile = false;
      continue;
    }

    if (mState.load() == Processing)
      swapQueues();
    if (!mTaskQueue.empty())
      continue;
    // Nothing to run: look for a while if that pays, or sleep. A burst's large ring is
    // given back once the worker has had nothing to do for a while (a caller that comes
    // back at once finds it still there). Polling and giving back begin the pass anew,
    // looking at everything again under the lock, so nothing that came meanwhile is
    // missed.
    if (polledForWork(lock))
      continue;
    if (idleAWhile && releasedLargeRings(lock))
      continue;
    idleAWhile = waitForSignal(holdsLargeRings());
  }
  mDestroyedOnWorker = nullptr;
  lock.unlock();
  mWorkerEnded.store(true);  // the last touch of this object
}

bool AsyncQueue::polledForWork(Lock& lock) {
  if (!mPolling.shouldPoll())
    return false;
  // Callers that add a task while this says Polling ring the doorbell; one that comes
  // after the look has ended finds the worker Busy, and the worker finds its task at the
  // next pass, before it could wait.
  mIdle = Idle::Polling;
  const uint32_t seen = mDoorbell.load(std::memory_order_relaxed);
  lock.unlock();
  mPolling.poll(mDoorbell, seen);
  lock.lock();
  mIdle = Idle::Busy;
  return true;
}

bool AsyncQueue::holdsLargeRings() const {
  return (mTaskQueue.empty() && mTaskQueue.capacity() > TaskDeque::kSmallCapacity) ||
         (mDeferredQueue.empty() && mDeferredQueue.capacity() > TaskDeque::kSmallCapacity);
}

bool AsyncQueue::releasedLargeRings(Lock& lock) {
  const bool taskRing = mTaskQueue.empty() && mTaskQueue.capacity() > TaskDeque::kSmallCapacity;
  const bool deferredRing =
      mDeferredQueue.empty() && mDeferredQueue.capacity() > TaskDeque::kSmallCapacity;
  if (!taskRing && !deferredRing)
    return false;
  {
    TaskDeque released;
    TaskDeque releasedDeferred;
    if (taskRing)
      mTaskQueue.releaseStorage(released);
    if (deferredRing)
      mDeferredQueue.releaseStorage(releasedDeferred);
    // Freed here, without the lock: freeing a large ring takes a while, and callers may
    // add tasks meanwhile.
    lock.unlock();
  }
  lock.lock();
  return true;
}

namespace {

// How long a drained queue keeps a burst's large ring in case more comes.
constexpr std::chrono::milliseconds kIdleBeforeRelease{50};

}  // namespace

bool AsyncQueue::waitForSignal(bool timed) {
  mIdle = Idle::Waiting;
  mWakeAskedAt = IdlePolling::Clock::time_point{};
  bool timedOut = false;
  if (timed)
    timedOut = mMutex.waitFor(mSignal, kIdleBeforeRelease);
  else
    mMutex.wait(mSignal);
  mWaitsEnded.fetch_add(1, std::memory_order_relaxed);
  mIdle = Idle::Busy;
  mPolling.woken(mWakeAskedAt);
  return timedOut;
}

bool AsyncQueue::runNextTask(Lock& lock) {
  Task task = std::move(mTaskQueue.front());
  setCurrentTaskName(task.name);
  mTaskQueue.pop_front();
  // The next task's slot, written by a caller on another CPU, is fetched while this
  // task runs rather than while the next one holds the lock.
  mTaskQueue.prefetchFront();

  // The task may destroy the queue; keep what is needed afterwards on this frame.
  RootLogger* const reporter = mReporter;
  const bool* const destroyed = mDestroyedOnWorker;
  lock.unlock();
  try {
    task.func();
  } catch (const std::exception& error) {
    diag::taskThrew(reporter, error.what(), task.name);
  } catch (...) {
    diag::taskThrewUnknown(reporter, task.name);
  }
  // Its captures may hold the last reference to this queue, so let them go before
  // taking the lock again.
  task.func = nullptr;
  if (*destroyed)
    return false;

  // Cleared before the queue's lock is taken again: the name has a lock of its own, and
  // the queue's lock is held for as short a time as it can be.
  setCurrentTaskName(std::string());
  lock.lock();
  return true;
}

}  // namespace zelto
