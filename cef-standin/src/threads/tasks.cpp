#include "threads/tasks.h"

#include <array>
#include <future>

#include "base/event_log.h"

namespace cef_standin {
namespace {

constexpr size_t kThreads = static_cast<size_t>(TID_RENDERER) + 1;

struct Registry {
  std::mutex mutex;
  std::array<std::shared_ptr<TaskQueue>, kThreads> queues;
  int renderers = 0;  // renderer processes open in this process
};

// Never destroyed: a process may end from inside a task, and worker threads may still
// ask while it ends.
Registry& Threads() {
  static auto* registry = new Registry();
  return *registry;
}

bool Known(CefThreadId thread) {
  return static_cast<size_t>(thread) < kThreads;
}

class FunctionTask : public CefTask {
 public:
  explicit FunctionTask(std::function<void()> function) : function_(std::move(function)) {}
  void Execute() override { function_(); }

 private:
  std::function<void()> function_;
  IMPLEMENT_REFCOUNTING(FunctionTask);
};

}  // namespace

// TaskQueue

void TaskQueue::AdoptCallingThread() {
  std::lock_guard<std::mutex> lock(mutex_);
  owner_ = std::this_thread::get_id();
}

bool TaskQueue::OnOwnerThread() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return owner_ == std::this_thread::get_id();
}

bool TaskQueue::Post(CefRefPtr<CefTask> task, int64_t delayMs) {
  if (!task) {
    return false;
  }
  const Clock::time_point due = Clock::now() + Milliseconds(delayMs);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) {
      return false;
    }
    tasks_.emplace(Key(due, posted_++), task);
  }
  changed_.notify_all();
  return true;
}

CefRefPtr<CefTask> TaskQueue::TakeDue(std::unique_lock<std::mutex>& lock) {
  (void)lock;
  if (closed_ || tasks_.empty() || tasks_.begin()->first.first > Clock::now()) {
    return nullptr;
  }
  CefRefPtr<CefTask> task = tasks_.begin()->second;
  tasks_.erase(tasks_.begin());
  return task;
}

size_t TaskQueue::RunReady() {
  size_t ran = 0;
  for (;;) {
    CefRefPtr<CefTask> task;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      task = TakeDue(lock);
    }
    if (!task) {
      return ran;
    }
    task->Execute();
    ++ran;
  }
}

void TaskQueue::RunUntilQuit() {
  std::unique_lock<std::mutex> lock(mutex_);
  quit_ = false;
  for (;;) {
    if (CefRefPtr<CefTask> task = TakeDue(lock)) {
      lock.unlock();
      task->Execute();
      task = nullptr;  // released outside the lock: its destructor may post
      lock.lock();
      continue;
    }
    if (quit_ || closed_) {
      quit_ = false;
      return;
    }
    if (tasks_.empty()) {
      changed_.wait(lock);
    } else {
      // A copy: the task may be gone (run elsewhere or dropped) while this waits.
      const Clock::time_point due = tasks_.begin()->first.first;
      changed_.wait_until(lock, due);
    }
  }
}

void TaskQueue::Quit() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
  }
  changed_.notify_all();
}

void TaskQueue::Close() {
  std::map<Key, CefRefPtr<CefTask>> dropped;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    owner_ = std::thread::id();  // no thread runs it any more
    dropped.swap(tasks_);
  }
  changed_.notify_all();
  // Released here, outside the lock: a task's destructor may post again (refused now).
}

// The named threads

std::chrono::milliseconds Milliseconds(int64_t count) {
  constexpr int64_t kCentury = int64_t{100} * 366 * 24 * 3600 * 1000;
  return std::chrono::milliseconds(count < 0 ? 0 : count > kCentury ? kCentury : count);
}

std::shared_ptr<TaskQueue> QueueOf(CefThreadId thread) {
  if (!Known(thread)) {
    return nullptr;
  }
  Registry& registry = Threads();
  std::lock_guard<std::mutex> lock(registry.mutex);
  return registry.queues[static_cast<size_t>(thread)];
}

std::shared_ptr<TaskQueue> QueueOfCallingThread() {
  Registry& registry = Threads();
  std::array<std::shared_ptr<TaskQueue>, kThreads> queues;
  {
    std::lock_guard<std::mutex> lock(registry.mutex);
    queues = registry.queues;
  }
  for (const auto& queue : queues) {
    if (queue && queue->OnOwnerThread()) {
      return queue;
    }
  }
  return nullptr;
}

void SetQueue(CefThreadId thread, std::shared_ptr<TaskQueue> queue) {
  if (!Known(thread)) {
    return;
  }
  std::shared_ptr<TaskQueue> previous;
  Registry& registry = Threads();
  std::lock_guard<std::mutex> lock(registry.mutex);
  previous.swap(registry.queues[static_cast<size_t>(thread)]);
  registry.queues[static_cast<size_t>(thread)] = std::move(queue);
}

const char* ThreadName(CefThreadId thread) {
  switch (thread) {
    case TID_UI:
      return "ui";
    case TID_FILE_BACKGROUND:
      return "file_background";
    case TID_FILE_USER_VISIBLE:
      return "file_user_visible";
    case TID_FILE_USER_BLOCKING:
      return "file_user_blocking";
    case TID_PROCESS_LAUNCHER:
      return "process_launcher";
    case TID_IO:
      return "io";
    case TID_RENDERER:
      return "renderer";
  }
  return "unknown";
}

CefRefPtr<CefTask> MakeTask(std::function<void()> function) {
  return new FunctionTask(std::move(function));
}

bool PostAndLog(TaskQueue* queue,
                CefThreadId thread,
                CefRefPtr<CefTask> task,
                std::optional<int64_t> delayMs,
                bool viaRunner) {
  const bool accepted = queue && queue->Post(task, delayMs.value_or(0));
  nlohmann::json event = {{"event", "PostTask"}, {"thread", ThreadName(thread)}};
  if (viaRunner) {
    event["runner"] = true;
  }
  if (delayMs) {
    event["delay_ms"] = *delayMs;
  }
  event["accepted"] = accepted;
  LogEvent(event);
  return accepted;
}

// WorkerThread

WorkerThread::WorkerThread(CefThreadId thread) : queue_(std::make_shared<TaskQueue>(thread)) {
  // Shared with the thread, which may still be inside set_value when the wait returns.
  auto started = std::make_shared<std::promise<void>>();
  std::future<void> adopted = started->get_future();
  thread_ = std::thread([queue = queue_, started] {
    queue->AdoptCallingThread();
    started->set_value();
    queue->RunUntilQuit();
  });
  // Its owner is known before anyone can post to it.
  adopted.wait();
}

WorkerThread::~WorkerThread() {
  Stop();
}

void WorkerThread::Stop() {
  queue_->Close();
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) {
    thread_.join();
  } else if (thread_.joinable()) {
    thread_.detach();  // stopped from its own task: it ends once that task returns
  }
}

// The renderer's thread

void OpenRendererTasks() {
  Registry& registry = Threads();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto& queue = registry.queues[static_cast<size_t>(TID_RENDERER)];
  if (registry.renderers++ == 0 || !queue) {
    queue = std::make_shared<TaskQueue>(TID_RENDERER);
    queue->AdoptCallingThread();
  }
}

void CloseRendererTasks() {
  std::shared_ptr<TaskQueue> closing;
  {
    Registry& registry = Threads();
    std::lock_guard<std::mutex> lock(registry.mutex);
    if (registry.renderers > 0 && --registry.renderers > 0) {
      return;
    }
    closing.swap(registry.queues[static_cast<size_t>(TID_RENDERER)]);
  }
  if (closing) {
    closing->Close();
  }
}

size_t RunRendererTasks() {
  std::shared_ptr<TaskQueue> queue = QueueOf(TID_RENDERER);
  return queue && queue->OnOwnerThread() ? queue->RunReady() : 0;
}

}  // namespace cef_standin

using cef_standin::QueueOf;

bool CefCurrentlyOn(CefThreadId threadId) {
  std::shared_ptr<cef_standin::TaskQueue> queue = QueueOf(threadId);
  return queue && queue->OnOwnerThread();
}

bool CefPostTask(CefThreadId threadId, CefRefPtr<CefTask> task) {
  return cef_standin::PostAndLog(QueueOf(threadId).get(), threadId, task, std::nullopt, false);
}

bool CefPostDelayedTask(CefThreadId threadId, CefRefPtr<CefTask> task, int64 delay_ms) {
  return cef_standin::PostAndLog(QueueOf(threadId).get(), threadId, task, delay_ms, false);
}
