// Watches another process and runs a callback when it ends.
#pragma once

#include <windows.h>

class IProcessMonitor {
 public:
  // Destroying a monitor cancels its wait.
  virtual ~IProcessMonitor() = default;
  // Begins watching the process; true when the wait is registered.
  virtual bool start(DWORD processId) = 0;
  // Cancels the wait, if any. The callback does not run after this returns, unless it
  // was already running.
  virtual void stop() = 0;
};
