// Runs a callback on a thread of the system thread pool when a watched process ends.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>

#include "win32/IProcessMonitor.h"
#include "win32/handle.h"

namespace win32 {

// Watches one process. The system's wait holds only a weak reference to the monitor, so
// a pending wait never keeps it alive, and a wait that completes while the monitor is
// being destroyed does nothing. Must be owned by a std::shared_ptr before start().
class process_monitor final : public IProcessMonitor,
                              public std::enable_shared_from_this<process_monitor> {
 public:
  // A started monitor for processId, or an empty pointer when the process cannot be
  // opened for waiting or the wait cannot be registered.
  static std::shared_ptr<IProcessMonitor> create(DWORD processId,
                                                 const std::function<void()>& onProcessExit);

  explicit process_monitor(const std::function<void()>& onProcessExit);
  // Cancels the wait, then closes the process handle. Safe on the callback's own thread.
  ~process_monitor() override;

  process_monitor(const process_monitor&) = delete;
  process_monitor& operator=(const process_monitor&) = delete;

  // Opens the process for waiting and registers a one-shot wait for its end. False when
  // the process cannot be opened, the wait cannot be registered, or a wait is already
  // registered. Throws std::bad_weak_ptr when no std::shared_ptr owns the monitor.
  bool start(DWORD processId) override;
  // Cancels the wait without waiting for a callback that is already running.
  void stop() override;

 private:
  struct wait_context;

  static void CALLBACK waitCallback(PVOID context, BOOLEAN timedOut);

  std::mutex mMutex;                     // serialises start and stop
  std::function<void()> mOnProcessExit;  // run once, when the watched process ends
  handle mProcess;                       // the watched process, opened for SYNCHRONIZE
  HANDLE mWait = nullptr;                // the wait registration, null when none
  wait_context* mWaitContext = nullptr;  // the registration's context, shared with it
};

}  // namespace win32
