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
#include "async/IdlePolling.h"
#include "async/OwnerCheckedMutex.h"
#include "async/QueueState.h"
#include "async/Task.h"
#include "async/TaskDeque.h"
#include "util/ProcessorHints.h"

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
  // Safe too while the caller that added that task is still waking the worker: it
  // waits for that caller to be done with the queue first.
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

  // Tests: called in addTask on the caller's thread after it has let the queue's lock
  // go and before it wakes the worker, the window in which its task may already run
  // (null: nothing).
  static void setWakeWindowHookForTesting(void (*hook)()) noexcept;

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
  // Wakes the worker, or rings the doorbell of a polling worker, unless the queue is
  // suspended or the worker is busy anyway; called holding mMutex.
  void notifyIfNotSuspended();
  // The same for a stop, whatever the suspension.
  void notifyWorker();
  // What a polling or sleeping worker needs to see a new task.
  enum class Wake { Nothing, Doorbell, Signal };
  // Decides how to reach the worker (and takes it for reached): the doorbell while it
  // polls, the signal while it sleeps; called holding mMutex.
  Wake wakeNeeded();
  // Rings or signals as decided; with or without mMutex.
  void sendWake(Wake wake);
  // The destructor's first step: waits until no caller is between letting mMutex go and
  // waking the worker (see mWakesInFlight).
  void waitForWakesInFlight() const;
  // The worker's single wait on mSignal, holding mMutex; a timed one ends after a while
  // if nothing wakes the worker, and then answers true.
  bool waitForSignal(bool timed = false);
  // Looks for a new task for a short while without mMutex, if recent history says one is
  // likely to come; true if it did (whatever it saw, the next pass looks afresh). Called
  // and returns holding mMutex.
  bool polledForWork(Lock& lock);
  // Whether a queue ring is empty but large, worth giving back; holding mMutex.
  bool holdsLargeRings() const;
  // Gives a large ring of a drained queue back, freed without mMutex; true if it did.
  bool releasedLargeRings(Lock& lock);
  // The destructor's last resort when the worker cannot be joined.
  void releaseUnjoinedWorker();

  // What the worker is doing when it has no task; written by the worker under mMutex,
  // read by callers under it.
  enum class Idle : uint8_t { Busy, Polling, Waiting };

  // The members are grouped by who writes them, each group on cache lines of its own,
  // so that adding a task moves as few lines between the caller's CPU and the worker's
  // as the hand-over needs: the lock with the task ring's bookkeeping, and the slot.

  // Read by every operation, written rarely (state changes, suspension).
  std::string mName;
  RootLogger* mReporter;  // null: the process-wide logger
  std::atomic<int32_t> mState;
  std::atomic<bool> mIsSuspended{false};
  // The worker's id, readable while stop() joins mThread on another thread.
  std::atomic<std::thread::id> mWorkerId{};
  // Set by the worker as the last thing it does with this object.
  std::atomic<bool> mWorkerEnded{false};

  // Written by the worker at every task.
  alignas(kCacheLine) std::string mCurrentTaskName;  // guarded by mTaskNameMutex
  std::mutex mTaskNameMutex;
  IdlePolling mPolling;
  // Sleeps ended so far (for tests).
  std::atomic<uint32_t> mWaitsEnded{0};
  // Points into the worker's frame while it runs; the destructor sets it when it runs
  // on the worker, so the worker knows not to touch the queue again. Worker-only.
  bool* mDestroyedOnWorker = nullptr;

  // The hand-over: written by whoever adds or takes a task. Guards both queues,
  // mIsSuspended and mHasFinishedFunc writes, and the worker's passes. Taken before
  // mTaskNameMutex, never after it. With glibc on x86-64 the lock (40 bytes) and the
  // ring's bookkeeping (24) are one cache line.
  alignas(kCacheLine) OwnerCheckedMutex mMutex;
  TaskDeque mTaskQueue;

  // Written by the worker when it runs dry or sleeps, read by callers at every task.
  alignas(kCacheLine) Idle mIdle = Idle::Busy;
  // Rung by the caller that found the worker polling.
  std::atomic<uint32_t> mDoorbell{0};
  // When a caller woke the sleeping worker; unset while nobody has.
  IdlePolling::Clock::time_point mWakeAskedAt{};
  std::condition_variable mSignal;  // only the worker waits on it, through mMutex.wait

  // Callers that have let mMutex go and not yet rung the doorbell or signalled. The task
  // such a caller added may already have run and dropped the queue's last reference (a
  // queue that ends itself is written so), so the destructor waits for the count to be
  // zero before the doorbell and the signal go. Raised under mMutex, lowered as the
  // caller's last touch of the queue. Written by waking callers alone, so on a line of
  // its own: the worker's polling and the lock's hand-over never have to fetch it.
  alignas(kCacheLine) std::atomic<uint32_t> mWakesInFlight{0};
  // Written by callers only while the queue is initialising.
  TaskDeque mDeferredQueue;
  std::thread mThread;
  Func mHasFinishedFunc;  // set: a suspension is pending
};

}  // namespace zelto
