// A named task queue with one worker thread of its own.
//
// The worker runs tasks one at a time from the head of the task queue, without holding
// the queue's lock, and reports a task's exception without stopping. Tasks that arrive
// while the queue is initialising wait in a deferred queue until the initialiser tasks
// have run. The queue can be suspended and resumed. Stopping lets the worker drain the
// task queue, then joins it. State changes, unusual calls and task failures are
// reported through the root logger.
//
// Every operation may be called from any thread, including from a task or from the
// suspension callback on the worker itself.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "async/IAsyncQueue.h"
#include "async/OwnerCheckedMutex.h"
#include "async/QueueState.h"
#include "async/Task.h"
#include "async/TaskDeque.h"

namespace zelto {

class RootLogger;

class AsyncQueue : public IAsyncQueue {
 public:
  // How a new queue begins. Initialising holds ordinary tasks back until the initialiser
  // tasks (addInitialiserTask) have run and the queue has been declared initialised.
  enum class Start { Running, Initialising };

  // Reports to RootLogger::instance(), looked up at each report. Starts the worker;
  // throws std::system_error if the thread cannot be created.
  explicit AsyncQueue(const std::string& name, Start start = Start::Running);
  // Reports to the given logger instead, which must outlive the queue.
  AsyncQueue(const std::string& name, RootLogger& reporter, Start start = Start::Running);

  // Stops the queue (draining the task queue), then destroys the tasks left in either
  // queue without running them. Safe on the worker thread itself (from a task that
  // drops the last reference): the worker then ends without touching the queue again.
  ~AsyncQueue() override;

  AsyncQueue(const AsyncQueue&) = delete;
  AsyncQueue& operator=(const AsyncQueue&) = delete;

  void addTask(const std::string& name, Func func, TaskPlacement placement, int32_t tag) override;
  void removeTasks(int32_t tag) override;
  void clearTasks() override;
  bool hasTasks() override;
  bool suspendProcessingWhenFinished(Func onFinished) override;
  void resumeProcessing() override;
  std::size_t taskCount() override;
  // Ends a suspension, so that the worker drains the tasks already admitted, and joins
  // it. Called on the worker it returns at once; the worker ends once the task queue is
  // empty. A second call while a stop is under way returns at once.
  void stop() override;
  std::thread::id workerThreadId() override;
  bool isWorkerThread() override;
  bool isStopped() override;
  std::string currentTaskName() override;
  void setCurrentTaskName(const std::string& name) override;

  // The initialiser phase of a queue started Initialising.
  //
  // Puts an initialiser task at the tail of the task queue, where the worker runs it
  // ahead of every deferred task. Accepted only while Initialising or Processing;
  // answers false (and drops func) otherwise.
  bool addInitialiserTask(const std::string& name, Func func, int32_t tag = 0);
  // Initialising -> Processing: once the task queue is empty the worker moves the
  // deferred tasks into it and the queue is Running. False if it was not Initialising.
  bool setInitialised();

  QueueState state() const { return static_cast<QueueState>(mState.load()); }

 private:
  friend class AsyncQueueTestAccess;  // lets tests hold the queue's lock
  using Lock = std::unique_lock<OwnerCheckedMutex>;

  // The worker thread's body.
  void run();
  // Takes a task from the head of the task queue and runs it without the lock. False if
  // the queue was destroyed while it ran.
  bool runNextTask(Lock& lock);
  // Suspends and calls the pending finished callback without the lock, then discards
  // any callback stored while it ran. False if the queue was destroyed meanwhile.
  bool handOverSuspension(Lock& lock);
  // Ends the initialiser phase once the task queue is empty; the worker calls it holding
  // mMutex while Processing.
  void swapQueues();
  // Wakes the worker unless the queue is suspended or the worker is not waiting; called
  // holding mMutex.
  void notifyIfNotSuspended();
  // The worker's single wait on mSignal, holding mMutex.
  void waitForSignal();
  // Before the idle worker waits: looks for a change for a short while without mMutex,
  // so that a caller adding tasks steadily finds the worker awake and wakes nobody.
  // True if something changed meanwhile; called and returns holding mMutex.
  bool changedWhilePolling(Lock& lock);
  // Called holding mMutex, so a plain increment is enough.
  void countChange() {
    mChanges.store(mChanges.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
  }
  // The destructor's last resort when the worker cannot be joined.
  void releaseUnjoinedWorker();

  std::string mName;
  std::string mCurrentTaskName;  // guarded by mTaskNameMutex
  // Guards both queues, mIsSuspended and mHasFinishedFunc writes, and the worker's
  // passes. Taken before mTaskNameMutex, never after it.
  OwnerCheckedMutex mMutex;
  std::mutex mTaskNameMutex;
  std::condition_variable mSignal;  // only the worker waits on it, through mMutex.wait
  TaskDeque mTaskQueue;
  TaskDeque mDeferredQueue;
  std::thread mThread;
  std::atomic<int32_t> mState;
  std::atomic<bool> mIsSuspended{false};
  // Set while the worker waits on mSignal and until someone wakes it; guarded by mMutex.
  // A worker that is running tasks needs no notification: it looks at the queue again
  // before it waits.
  bool mWorkerWaiting = false;
  // Counts what would wake the worker (tasks added, resumption, the end of the
  // initialiser phase, a stop); changed under mMutex, read by the polling worker.
  // On a cache line of its own: the polling worker reads it again and again.
  alignas(64) std::atomic<uint32_t> mChanges{0};
  Func mHasFinishedFunc;  // set: a suspension is pending

  RootLogger* mReporter;  // null: the process-wide logger
  // The worker's id, readable while stop() joins mThread on another thread.
  std::atomic<std::thread::id> mWorkerId{};
  // Set by the worker as the last thing it does with this object.
  std::atomic<bool> mWorkerEnded{false};
  // Points into the worker's frame while it runs; the destructor sets it when it runs
  // on the worker, so the worker knows not to touch the queue again. Worker-only.
  bool* mDestroyedOnWorker = nullptr;
};

}  // namespace zelto
