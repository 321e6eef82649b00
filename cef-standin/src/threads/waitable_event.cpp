// CefWaitableEvent over a mutex and a condition variable. As in CEF, waiting is refused
// on the browser process's UI and IO threads.
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "include/cef_task.h"
#include "include/cef_waitable_event.h"
#include "threads/tasks.h"

namespace cef_standin {
namespace {

class WaitableEvent : public CefWaitableEvent {
 public:
  WaitableEvent(bool automaticReset, bool signaled)
      : automaticReset_(automaticReset), signaled_(signaled) {}

  void Reset() override {
    std::lock_guard<std::mutex> lock(mutex_);
    signaled_ = false;
  }
  void Signal() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      signaled_ = true;
    }
    if (automaticReset_) {
      changed_.notify_one();
    } else {
      changed_.notify_all();
    }
  }
  bool IsSignaled() override {
    std::lock_guard<std::mutex> lock(mutex_);
    return Consume();
  }
  void Wait() override {
    if (!WaitAllowed()) {
      return;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return signaled_; });
    Consume();
  }
  bool TimedWait(int64 max_ms) override {
    if (!WaitAllowed()) {
      return false;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, Milliseconds(max_ms), [this] { return signaled_; });
    return Consume();
  }

 private:
  static bool WaitAllowed() { return !CefCurrentlyOn(TID_UI) && !CefCurrentlyOn(TID_IO); }

  // Under the lock: the state a waiter sees, reset when automatic.
  bool Consume() {
    const bool was = signaled_;
    if (was && automaticReset_) {
      signaled_ = false;
    }
    return was;
  }

  const bool automaticReset_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool signaled_;

  IMPLEMENT_REFCOUNTING(WaitableEvent);
};

}  // namespace
}  // namespace cef_standin

CefRefPtr<CefWaitableEvent> CefWaitableEvent::CreateWaitableEvent(bool automatic_reset,
                                                                  bool initially_signaled) {
  return new cef_standin::WaitableEvent(automatic_reset, initially_signaled);
}
