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
    : mName(name), mState(initialState(start)), mReporter(nullptr) {
  mThread = std::thread(&AsyncQueue::run, this);
  mWorkerId.store(mThread.get_id());
}

AsyncQueue::AsyncQueue(const std::string& name, RootLogger& reporter, Start start)
    : mName(name), mState(initialState(start)), mReporter(&reporter) {
  mThread = std::thread(&AsyncQueue::run, this);
  mWorkerId.store(mThread.get_id());
}

AsyncQueue::~AsyncQueue() {
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
    countChange();
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
      continue;
    }

    if (mState.load() == Processing)
      swapQueues();
    if (mTaskQueue.empty() && !changedWhilePolling(lock))
      waitForSignal();
  }
  mDestroyedOnWorker = nullptr;
  lock.unlock();
  mWorkerEnded.store(true);  // the last touch of this object
}

namespace {

// How long an idle worker looks for new tasks before it waits: longer than the gap
// between the records of a busy caller, short beside a wake-up from sleep.
constexpr std::chrono::microseconds kPollTime{20};

// Tells the processor that this thread is spinning.
void relaxWhileSpinning() {
#if defined(__i386__) || defined(__x86_64__)
  __builtin_ia32_pause();
#else
  std::this_thread::yield();
#endif
}

}  // namespace

bool AsyncQueue::changedWhilePolling(Lock& lock) {
  const uint32_t seen = mChanges.load(std::memory_order_relaxed);
  lock.unlock();
  const auto deadline = std::chrono::steady_clock::now() + kPollTime;
  for (uint32_t spins = 1; mChanges.load(std::memory_order_relaxed) == seen; ++spins) {
    relaxWhileSpinning();
    if (spins % 64 == 0 && std::chrono::steady_clock::now() >= deadline)
      break;
  }
  lock.lock();
  // Every change is made under the lock: with the count unchanged, nothing has happened
  // that would have woken a waiting worker, and it may wait.
  return mChanges.load(std::memory_order_relaxed) != seen;
}

void AsyncQueue::waitForSignal() {
  mWorkerWaiting = true;
  mMutex.wait(mSignal);
  mWorkerWaiting = false;
}

bool AsyncQueue::runNextTask(Lock& lock) {
  Task task = std::move(mTaskQueue.front());
  setCurrentTaskName(task.name);
  mTaskQueue.pop_front();

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

  lock.lock();
  setCurrentTaskName(std::string());
  return true;
}

}  // namespace zelto
