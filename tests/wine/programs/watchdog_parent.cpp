// Plays the parent of a Quorvane.exe child process for the watchdog tests.
//
//   watchdog_parent.exe <now|suspended> <return|terminate> <child program> [child args...]
//
// Starts the child (suspended: its first thread waits for someone else to resume it),
// prints "child_pid=<id> child_tid=<id>", then waits until its standard input is closed
// and ends: by returning from main, or by TerminateProcess on itself with exit code 9.
#include <windows.h>

#include <cstdio>
#include <string>

#include "program_support.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: watchdog_parent <now|suspended> <return|terminate> <child>...\n");
    return 2;
  }
  const std::wstring start = argv[1];
  const std::wstring end = argv[2];
  std::wstring commandLine = program_support::joinArguments(argc, argv, 3);

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION child = {};
  const DWORD flags = start == L"suspended" ? CREATE_SUSPENDED : 0;
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                      &startup, &child)) {
    std::printf("error=CreateProcessW %lu\n", GetLastError());
    std::fflush(stdout);
    return 3;
  }
  std::printf("child_pid=%lu child_tid=%lu\n", child.dwProcessId, child.dwThreadId);
  std::fflush(stdout);

  // The driver closes our standard input when it is time to end.
  char buffer[64];
  DWORD read = 0;
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof(buffer), &read, nullptr) &&
         read > 0) {
  }
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);

  if (end == L"terminate") {
    TerminateProcess(GetCurrentProcess(), 9);
  }
  return 0;
}
