// A named task queue with a worker thread of its own. Callers hold it as this
// interface, through a shared pointer. Every operation may be called from any thread,
// including from a task on the queue's own worker.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>

#include "async/TaskFunction.h"

namespace zelto {

// Where addTask puts a task. Any value other than Front counts as Back.
enum TaskPlacement : int32_t {
  Back = 0,   // the tail of its queue
  Front = 1,  // the head of its queue
};

class IAsyncQueue {
 public:
  // Any callable with no arguments and no result, held without a heap allocation when
  // it is small; see TaskFunction.
  using Func = TaskFunction;

  virtual ~IAsyncQueue() = default;

  // Adds a task; refused silently while the queue is exiting.
  virtual void addTask(const std::string& name,
                       Func func,
                       TaskPlacement placement,
                       int32_t tag) = 0;
  // Removes every queued task with this tag from the queue the state selects.
  virtual void removeTasks(int32_t tag) = 0;
  // Destroys every queued task without running it.
  virtual void clearTasks() = 0;
  // True if either queue holds a task (the running task is in neither).
  virtual bool hasTasks() = 0;
  // Suspends now, or once the running task has finished when tasks are queued and
  // onFinished is given; true if the task queue was empty. onFinished is then called on
  // the worker; a suspension it asks for while it runs is discarded.
  virtual bool suspendProcessingWhenFinished(Func onFinished) = 0;
  // Ends a suspension.
  virtual void resumeProcessing() = 0;
  // Tasks in both queues.
  virtual std::size_t taskCount() = 0;
  // Ends any suspension, lets the worker drain the task queue, then joins it. Called
  // from a task on the worker it returns at once and the worker ends once drained.
  virtual void stop() = 0;
  // The worker's id; the empty id once the worker has been joined.
  virtual std::thread::id workerThreadId() = 0;
  virtual bool isWorkerThread() = 0;
  // True once a stop has joined the worker.
  virtual bool isStopped() = 0;
  // The name of the task the worker is running; empty between tasks.
  virtual std::string currentTaskName() = 0;
  virtual void setCurrentTaskName(const std::string& name) = 0;
};

}  // namespace zelto
