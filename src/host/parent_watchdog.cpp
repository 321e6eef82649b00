#include "host/parent_watchdog.h"

#include <windows.h>

#include "win32/parent_process.h"
#include "win32/process_monitor.h"

std::shared_ptr<IProcessMonitor> watchParentProcess() {
  const DWORD parent = win32::getParentProcessId();
  if (parent == win32::kNoParentProcess) {
    return nullptr;
  }
  // A child must not outlive the process that started it: end at once, without CEF's or
  // the program's clean-up, which could hang on a parent that is gone.
  return win32::process_monitor::create(parent, [] { ExitProcess(0); });
}
