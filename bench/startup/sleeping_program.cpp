// The memory yardstick: a GUI program that splits its command line, as every entry point
// of this kind does, and then waits as long as the stand-in keeps a non-renderer child
// (CEF_STANDIN_CHILD_MS), doing nothing else.
//
// Built with WAIT_ON_PARENT it also registers a wait on its parent process with the
// system thread pool, as the executable's watchdog does, and nothing with it: the
// difference to the plain program is what that wait costs on this system.
#include <windows.h>

#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdlib>

namespace {

#ifdef WAIT_ON_PARENT
void CALLBACK parentEnded(PVOID, BOOLEAN) {
  ExitProcess(0);
}

void waitOnParent() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  DWORD parent = 0;
  for (BOOL found = Process32FirstW(snapshot, &entry); found;
       found = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == GetCurrentProcessId()) {
      parent = entry.th32ParentProcessID;
    }
  }
  CloseHandle(snapshot);
  HANDLE wait = nullptr;
  if (HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, parent)) {
    RegisterWaitForSingleObject(&wait, process, parentEnded, nullptr, INFINITE, WT_EXECUTEONLYONCE);
  }
}
#else
void waitOnParent() {}
#endif

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  waitOnParent();
  char milliseconds[16] = {};
  if (GetEnvironmentVariableA("CEF_STANDIN_CHILD_MS", milliseconds, sizeof(milliseconds)) <
      sizeof(milliseconds)) {
    Sleep(static_cast<DWORD>(std::strtoul(milliseconds, nullptr, 10)));
  }
  LocalFree(arguments);
  return 0;
}
