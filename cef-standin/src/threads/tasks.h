// CEF's named threads as the stand-in runs them. Each named thread has a queue of posted
// tasks, served by the thread that owns it: the renderer's main thread between the steps
// it plays, a browser process's worker threads (UI with a multi-threaded message loop,
// IO, file, process launcher) in their own loops, or the thread that called CefInitialize
// as UI thread without one. Posting is safe from any thread.
#ifndef CEF_STANDIN_SRC_THREADS_TASKS_H_
#define CEF_STANDIN_SRC_THREADS_TASKS_H_

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "include/cef_task.h"

namespace cef_standin {

class TaskQueue {
 public:
  explicit TaskQueue(CefThreadId thread) : thread_(thread) {}
  TaskQueue(const TaskQueue&) = delete;
  TaskQueue& operator=(const TaskQueue&) = delete;

  CefThreadId thread() const { return thread_; }
  // The calling thread now runs this queue's tasks.
  void AdoptCallingThread();
  bool OnOwnerThread() const;

  // Queues the task to run no sooner than delayMs from now; false once closed.
  bool Post(CefRefPtr<CefTask> task, int64_t delayMs);
  // Runs the tasks that are due, oldest first, and those they post in turn that are due
  // at once; returns how many ran. On the owner thread only.
  size_t RunReady();
  // Runs tasks as they fall due until Quit (then the tasks that are due, and returns) or
  // Close. On the owner thread only.
  void RunUntilQuit();
  void Quit();
  // Refuses further posts and drops what is queued, unrun; no thread owns it any more.
  void Close();

 private:
  using Clock = std::chrono::steady_clock;
  // Due time, then posting order.
  using Key = std::pair<Clock::time_point, uint64_t>;

  // Takes the oldest due task, or null.
  CefRefPtr<CefTask> TakeDue(std::unique_lock<std::mutex>& lock);

  const CefThreadId thread_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::map<Key, CefRefPtr<CefTask>> tasks_;
  uint64_t posted_ = 0;
  std::thread::id owner_;
  bool quit_ = false;
  bool closed_ = false;
};

// A delay or time-out in milliseconds as a duration: none when negative, and no longer
// than a century, so that adding it to the clock cannot overflow.
std::chrono::milliseconds Milliseconds(int64_t count);

// The queue of a named thread in this process, or null.
std::shared_ptr<TaskQueue> QueueOf(CefThreadId thread);
// The queue the calling thread runs, or null.
std::shared_ptr<TaskQueue> QueueOfCallingThread();
// Makes the queue the named thread's (null: the process no longer runs that thread).
void SetQueue(CefThreadId thread, std::shared_ptr<TaskQueue> queue);
// The log's name of a thread: "renderer", "ui", "io", ...
const char* ThreadName(CefThreadId thread);

// A task made of a function.
CefRefPtr<CefTask> MakeTask(std::function<void()> function);

// Queues the task on `queue` (none: refused) and logs the post: the thread, the delay
// when one was asked for, whether it came through a task runner, and whether it was
// accepted.
bool PostAndLog(TaskQueue* queue,
                CefThreadId thread,
                CefRefPtr<CefTask> task,
                std::optional<int64_t> delayMs,
                bool viaRunner);

// A thread that runs one queue until stopped.
class WorkerThread {
 public:
  explicit WorkerThread(CefThreadId thread);
  // Stops the thread if it still runs.
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  const std::shared_ptr<TaskQueue>& queue() const { return queue_; }
  // Drops what is queued and waits for the thread to end (after the task under way).
  void Stop();

 private:
  std::shared_ptr<TaskQueue> queue_;
  std::thread thread_;
};

// The renderer thread's queue: open while a renderer process runs (any of them, where
// tests make several), owned by the thread that opened it.
void OpenRendererTasks();
// When the last renderer closes: drops what is still queued; later posts are refused.
void CloseRendererTasks();
// Runs the renderer's due tasks, oldest first, and those they post in turn; returns how
// many ran.
size_t RunRendererTasks();

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_THREADS_TASKS_H_
