// Measures the private memory of a waiting child process. It starts the given command
// line as its own child, so the child has a real parent (and its watchdog a process to
// wait on), waits until the child's private memory stops changing, prints one JSON
// line and ends the child.
//   child_memory.exe COMMAND [ARGUMENTS...]
//
// Private memory is the process's commit charge as GetProcessMemoryInfo gives it:
// PrivateUsage, or PagefileUsage where PrivateUsage is left 0 (Wine fills only the
// latter, with the process's anonymous resident pages; on Windows the two are equal).
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr DWORD kSampleMs = 100;
// Unchanged over this many samples in a row counts as settled.
constexpr int kSettledSamples = 5;
constexpr DWORD kGiveUpMs = 20000;

// The command line after the measuring program's own name, as given.
std::wstring commandAfterProgram() {
  const wchar_t* line = GetCommandLineW();
  bool quoted = false;
  for (; *line != L'\0' && (quoted || (*line != L' ' && *line != L'\t')); ++line) {
    if (*line == L'"') {
      quoted = !quoted;
    }
  }
  while (*line == L' ' || *line == L'\t') {
    ++line;
  }
  return line;
}

bool sample(HANDLE process, PROCESS_MEMORY_COUNTERS_EX& counters) {
  counters = {};
  counters.cb = sizeof(counters);
  return GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof(counters)) != FALSE;
}

SIZE_T privateBytes(const PROCESS_MEMORY_COUNTERS_EX& counters) {
  return counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
}

}  // namespace

int wmain() {
  std::wstring command = commandAfterProgram();
  if (command.empty()) {
    std::fprintf(stderr, "usage: child_memory.exe COMMAND [ARGUMENTS...]\n");
    return 2;
  }
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION child = {};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &child)) {
    std::fprintf(stderr, "cannot start the child: error %lu\n", GetLastError());
    return 1;
  }

  PROCESS_MEMORY_COUNTERS_EX counters = {};
  SIZE_T last = 0;
  int unchanged = 0;
  bool settled = false;
  for (DWORD waited = 0; waited < kGiveUpMs; waited += kSampleMs) {
    if (WaitForSingleObject(child.hProcess, kSampleMs) != WAIT_TIMEOUT) {
      break;  // the child ended before it settled: nothing to measure
    }
    if (!sample(child.hProcess, counters)) {
      break;
    }
    const SIZE_T now = privateBytes(counters);
    unchanged = now == last ? unchanged + 1 : 0;
    last = now;
    if (unchanged + 1 >= kSettledSamples) {
      settled = true;
      break;
    }
  }

  TerminateProcess(child.hProcess, 0);
  WaitForSingleObject(child.hProcess, INFINITE);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  if (!settled) {
    std::fprintf(stderr, "the child ended or kept changing before it settled\n");
    return 1;
  }
  std::printf(
      "{\"private_bytes\": %lu, \"private_usage\": %lu, \"pagefile_usage\": %lu, "
      "\"working_set\": %lu}\n",
      static_cast<unsigned long>(privateBytes(counters)),
      static_cast<unsigned long>(counters.PrivateUsage),
      static_cast<unsigned long>(counters.PagefileUsage),
      static_cast<unsigned long>(counters.WorkingSetSize));
  return 0;
}
