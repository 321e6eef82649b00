// CefTaskRunner: a handle on one named thread's queue. A runner outlives its thread:
// once the thread has stopped, posts through it are refused.
#include "threads/tasks.h"

namespace cef_standin {
namespace {

class TaskRunner : public CefTaskRunner {
 public:
  explicit TaskRunner(std::shared_ptr<TaskQueue> queue) : queue_(std::move(queue)) {}

  bool IsSame(CefRefPtr<CefTaskRunner> that) override {
    auto* other = dynamic_cast<TaskRunner*>(that.get());
    return other && other->queue_ == queue_;
  }
  bool BelongsToCurrentThread() override { return queue_->OnOwnerThread(); }
  bool BelongsToThread(CefThreadId threadId) override { return QueueOf(threadId) == queue_; }
  bool PostTask(CefRefPtr<CefTask> task) override {
    return PostAndLog(queue_.get(), queue_->thread(), task, std::nullopt, true);
  }
  bool PostDelayedTask(CefRefPtr<CefTask> task, int64 delay_ms) override {
    return PostAndLog(queue_.get(), queue_->thread(), task, delay_ms, true);
  }

 private:
  const std::shared_ptr<TaskQueue> queue_;
  IMPLEMENT_REFCOUNTING(TaskRunner);
};

}  // namespace
}  // namespace cef_standin

CefRefPtr<CefTaskRunner> CefTaskRunner::GetForCurrentThread() {
  std::shared_ptr<cef_standin::TaskQueue> queue = cef_standin::QueueOfCallingThread();
  return queue ? new cef_standin::TaskRunner(queue) : nullptr;
}

CefRefPtr<CefTaskRunner> CefTaskRunner::GetForThread(CefThreadId threadId) {
  std::shared_ptr<cef_standin::TaskQueue> queue = cef_standin::QueueOf(threadId);
  return queue ? new cef_standin::TaskRunner(queue) : nullptr;
}
