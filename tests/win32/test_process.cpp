#include "test_process.h"

#include <string>

#include <gtest/gtest.h>

namespace testing_support {

TestProcess::TestProcess() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length == MAX_PATH) {
    ADD_FAILURE() << "cannot find this test program's path";
    return;
  }
  // Were it ever resumed, it would only list the tests and exit.
  std::wstring commandLine = L"\"" + std::wstring(path) + L"\" --gtest_list_tests";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(path, commandLine.data(), nullptr, nullptr, FALSE,
                      CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info)) {
    ADD_FAILURE() << "CreateProcessW failed: " << GetLastError();
    return;
  }
  mId = info.dwProcessId;
  mProcess = info.hProcess;
  mThread = info.hThread;
}

TestProcess::~TestProcess() {
  if (mProcess) {
    end();
  }
}

void TestProcess::end(UINT exitCode) {
  ASSERT_TRUE(mProcess) << "no process to end";
  if (WaitForSingleObject(mProcess.get(), 0) == WAIT_TIMEOUT) {
    ASSERT_TRUE(TerminateProcess(mProcess.get(), exitCode)) << GetLastError();
  }
  ASSERT_EQ(WaitForSingleObject(mProcess.get(), 10000), WAIT_OBJECT_0) << "process did not end";
}

void TestProcess::forget() {
  mThread.reset();
  mProcess.reset();
}

bool waitFor(HANDLE event, DWORD timeoutMs) {
  return WaitForSingleObject(event, timeoutMs) == WAIT_OBJECT_0;
}

}  // namespace testing_support
