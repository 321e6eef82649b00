#include "win32/process_monitor.h"

#include <atomic>
#include <utility>

namespace win32 {

// What the system hands to the wait callback. Both the callback and stop() may be the
// last to use it, so whichever of the two finishes with it second frees it; when stop()
// learns that the callback will never run, it frees it alone.
struct process_monitor::wait_context {
  explicit wait_context(std::weak_ptr<process_monitor> monitor) : monitor(std::move(monitor)) {}

  // Marks this side done with the context; the second side to get here frees it.
  static void release(wait_context* context) {
    if (context->oneSideDone.exchange(true, std::memory_order_acq_rel)) {
      delete context;
    }
  }

  std::weak_ptr<process_monitor> monitor;
  std::atomic<bool> oneSideDone{false};
};

std::shared_ptr<IProcessMonitor> process_monitor::create(
    DWORD processId,
    const std::function<void()>& onProcessExit) {
  try {
    auto monitor = std::make_shared<process_monitor>(onProcessExit);
    if (monitor->start(processId)) {
      return monitor;
    }
  } catch (...) {
    // Out of memory, or a callback that cannot be copied: no watchdog, like any other
    // failure to start.
  }
  return nullptr;
}

process_monitor::process_monitor(const std::function<void()>& onProcessExit)
    : mOnProcessExit(onProcessExit) {}

process_monitor::~process_monitor() {
  stop();
  // mProcess closes the process handle as it is destroyed.
}

bool process_monitor::start(DWORD processId) {
  std::lock_guard<std::mutex> lock(mMutex);
  if (mWait != nullptr) {
    return false;  // already watching; a second registration would be lost
  }
  mProcess = OpenProcess(SYNCHRONIZE, FALSE, processId);
  if (!mProcess) {
    return false;
  }
  // shared_from_this throws std::bad_weak_ptr for a monitor no shared_ptr owns; the lock
  // and the context are released on the way out.
  auto context = std::make_unique<wait_context>(shared_from_this());
  if (!RegisterWaitForSingleObject(&mWait, mProcess.get(), &process_monitor::waitCallback,
                                   context.get(), INFINITE, WT_EXECUTEONLYONCE)) {
    mWait = nullptr;
    return false;
  }
  mWaitContext = context.release();
  return true;
}

void process_monitor::stop() {
  std::lock_guard<std::mutex> lock(mMutex);
  if (mWait == nullptr) {
    return;
  }
  // Never the blocking unregister: this may run on the callback's own thread, when the
  // callback drops the last reference to the monitor, and would then wait for itself.
  const bool nothingOutstanding = UnregisterWait(mWait) != FALSE;
  if (nothingOutstanding) {
    // The callback has either finished with the context or will never run.
    delete mWaitContext;
  } else if (GetLastError() == ERROR_IO_PENDING) {
    // The callback is queued or running and will still use the context.
    wait_context::release(mWaitContext);
  }
  // Any other failure leaves the registration's state unknown: keeping a few bytes is
  // better than freeing them under a callback.
  mWait = nullptr;
  mWaitContext = nullptr;
}

void CALLBACK process_monitor::waitCallback(PVOID parameter, BOOLEAN /*timedOut*/) {
  auto* context = static_cast<wait_context*>(parameter);
  if (context == nullptr) {
    return;
  }
  {
    // A monitor that is gone, or going, is not touched. The strong reference keeps it
    // alive while the callback runs; if it is the last one, the monitor is destroyed
    // here, on this thread, as it goes out of scope.
    std::shared_ptr<process_monitor> monitor = context->monitor.lock();
    if (monitor && monitor->mOnProcessExit) {
      try {
        monitor->mOnProcessExit();
      } catch (...) {
        // Nothing to report to on a pool thread; an escaping exception would end the
        // process without its exit code.
      }
    }
  }
  wait_context::release(context);
}

}  // namespace win32
