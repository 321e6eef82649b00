// Ends this process when the process that started it ends.
#pragma once

#include <memory>

#include "win32/IProcessMonitor.h"

// Looks for the parent process and starts watching it; the watchdog lasts as long as the
// returned pointer. Empty when there is no parent to watch.
std::shared_ptr<IProcessMonitor> watchParentProcess();
