// A real process for the Win32 tests to watch: this test program again, started
// suspended, so it runs none of its own code and ends only when the test ends it.
#pragma once

#include <windows.h>

#include "win32/handle.h"

namespace testing_support {

class TestProcess {
 public:
  // Starts the process; fails the current test when it cannot.
  TestProcess();
  // Ends the process if it still runs.
  ~TestProcess();

  TestProcess(const TestProcess&) = delete;
  TestProcess& operator=(const TestProcess&) = delete;

  DWORD id() const { return mId; }
  // Ends the process with this exit code and waits until it has ended.
  void end(UINT exitCode = 7);
  // Closes this side's handles, so that nothing keeps an ended process's object alive.
  void forget();

 private:
  DWORD mId = 0;
  win32::handle mProcess;
  win32::handle mThread;
};

// Waits up to timeoutMs for the event; true when it was set.
bool waitFor(HANDLE event, DWORD timeoutMs);

}  // namespace testing_support
