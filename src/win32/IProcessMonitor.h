// Watches another process and runs a callback when it ends.
#pragma once

#include <cstdint>

class IProcessMonitor {
 public:
  virtual ~IProcessMonitor() = default;
  // Begins watching the process; true when the wait is registered.
  virtual bool start(uint32_t processId) = 0;
  // Cancels the wait, if any.
  virtual void stop() = 0;
};
