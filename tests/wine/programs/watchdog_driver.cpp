// Drives one watchdog scenario: starts watchdog_parent.exe, which starts Quorvane.exe as
// its child, ends the parent in the scenario's way and reports how the child ended.
//
//   watchdog_driver.exe <scenario> <child program> [child args...]
//
// Scenarios:
//   exit         the parent returns from main once the child is inside CefExecuteProcess
//   terminate    the same, but the parent ends with TerminateProcess
//   child-first  the parent stays until the child has ended by itself
//   orphan       the child is created suspended and resumed only after its parent is gone
//
// Prints key=value lines: child_exit_code, parent_exit_code, delay_ms (exit and terminate:
// from the parent's end to the child's), parent_running_at_child_end,
// parent_gone_before_child_start, child_reached_cef (only when it did not), child_timed_out.
// CEF_STANDIN_LOG must name the child's event log. Every wait is bounded; a child that
// outlives its bound is ended so that it does not linger.
#include <windows.h>

#include <cstdio>
#include <string>

#include "program_support.h"

namespace {

constexpr DWORD kStartBoundMs = 30000;  // for the child to reach CefExecuteProcess
constexpr DWORD kEndBoundMs = 20000;    // for a process to end

int fail(const char* what) {
  std::printf("error=%s %lu\n", what, GetLastError());
  std::fflush(stdout);
  return 2;
}

void report(const char* key, const std::string& value) {
  std::printf("%s=%s\n", key, value.c_str());
  std::fflush(stdout);
}

double millisecondsSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 /
         static_cast<double>(frequency.QuadPart);
}

std::wstring environmentVariable(const wchar_t* name) {
  wchar_t value[4096];
  const DWORD length = GetEnvironmentVariableW(name, value, 4096);
  return length > 0 && length < 4096 ? std::wstring(value, length) : std::wstring();
}

bool fileContains(const std::wstring& path, const std::string& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  std::string content;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    content.append(buffer, read);
  }
  CloseHandle(file);
  return content.find(text) != std::string::npos;
}

// Polls the child's event log until CEF has taken over its main thread, by which time the
// watchdog has been started.
bool waitForCefExecuteProcess(const std::wstring& log, HANDLE child) {
  for (DWORD waited = 0; waited < kStartBoundMs; waited += 20) {
    if (fileContains(log, "\"CefExecuteProcess\"")) {
      return true;
    }
    if (WaitForSingleObject(child, 20) == WAIT_OBJECT_0) {
      return false;
    }
  }
  return false;
}

// Polls until no process with this id can be opened.
bool waitUntilGone(DWORD processId) {
  for (DWORD waited = 0; waited < kEndBoundMs; waited += 10) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (process == nullptr) {
      return true;
    }
    CloseHandle(process);
    Sleep(10);
  }
  return false;
}

// Reads the parent's output up to its "child_pid=" line; other lines are passed on.
bool readChildIds(HANDLE output, DWORD& pid, DWORD& tid) {
  std::string line;
  char c = 0;
  DWORD read = 0;
  while (ReadFile(output, &c, 1, &read, nullptr) && read == 1) {
    if (c != '\n') {
      line += c;
      continue;
    }
    unsigned long p = 0, t = 0;
    if (std::sscanf(line.c_str(), "child_pid=%lu child_tid=%lu", &p, &t) == 2) {
      pid = p;
      tid = t;
      return true;
    }
    std::printf("parent: %s\n", line.c_str());
    line.clear();
  }
  return false;
}

DWORD exitCodeOf(HANDLE process) {
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  return code;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: watchdog_driver <scenario> <child program> [child args...]\n");
    return 2;
  }
  const std::wstring scenario = argv[1];
  const bool orphan = scenario == L"orphan";
  const bool childFirst = scenario == L"child-first";
  if (scenario != L"exit" && scenario != L"terminate" && !orphan && !childFirst) {
    std::fprintf(stderr, "unknown scenario\n");
    return 2;
  }
  const std::wstring log = program_support::windowsPath(environmentVariable(L"CEF_STANDIN_LOG"));
  if (log.empty()) {
    std::fprintf(stderr, "CEF_STANDIN_LOG is not set\n");
    return 2;
  }

  // watchdog_parent.exe sits beside this program.
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring parentPath = self;
  parentPath = parentPath.substr(0, parentPath.find_last_of(L"\\/") + 1) + L"watchdog_parent.exe";
  std::wstring parentCommandLine = program_support::quoted(parentPath) +
                                   (orphan ? L" suspended " : L" now ") +
                                   (scenario == L"terminate" ? L"terminate " : L"return ") +
                                   program_support::joinArguments(argc, argv, 2);

  // Pipes to the parent: it reports the child's ids on one and waits for the other to close.
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  HANDLE parentOutRead = nullptr, parentOutWrite = nullptr;
  HANDLE parentInRead = nullptr, parentInWrite = nullptr;
  if (!CreatePipe(&parentOutRead, &parentOutWrite, &inheritable, 0) ||
      !CreatePipe(&parentInRead, &parentInWrite, &inheritable, 0)) {
    return fail("CreatePipe");
  }
  SetHandleInformation(parentOutRead, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(parentInWrite, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = parentInRead;
  startup.hStdOutput = parentOutWrite;
  startup.hStdError = parentOutWrite;
  PROCESS_INFORMATION parent = {};
  if (!CreateProcessW(nullptr, parentCommandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      nullptr, &startup, &parent)) {
    return fail("CreateProcessW");
  }
  CloseHandle(parentInRead);
  CloseHandle(parentOutWrite);

  DWORD childPid = 0, childTid = 0;
  if (!readChildIds(parentOutRead, childPid, childTid)) {
    return fail("no child ids from the parent");
  }
  HANDLE child = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE,
                             FALSE, childPid);
  if (child == nullptr) {
    return fail("OpenProcess child");
  }
  HANDLE childThread = orphan ? OpenThread(THREAD_SUSPEND_RESUME, FALSE, childTid) : nullptr;
  if (orphan && childThread == nullptr) {
    return fail("OpenThread child");
  }

  if (!orphan && !childFirst && !waitForCefExecuteProcess(log, child)) {
    report("child_reached_cef", "0");
  }

  if (childFirst) {
    // The child's own work ends while its parent still waits for its standard input.
    if (WaitForSingleObject(child, kEndBoundMs) == WAIT_OBJECT_0) {
      report("parent_running_at_child_end",
             WaitForSingleObject(parent.hProcess, 0) == WAIT_TIMEOUT ? "1" : "0");
    }
  }

  // Let the parent end, and take the moment it has ended.
  CloseHandle(parentInWrite);
  if (WaitForSingleObject(parent.hProcess, kEndBoundMs) != WAIT_OBJECT_0) {
    TerminateProcess(child, 99);
    return fail("the parent did not end");
  }
  LARGE_INTEGER parentEnded;
  QueryPerformanceCounter(&parentEnded);
  report("parent_exit_code", std::to_string(exitCodeOf(parent.hProcess)));

  if (orphan) {
    // Nothing may hold the parent's process object once the child starts.
    CloseHandle(parent.hThread);
    CloseHandle(parent.hProcess);
    parent.hProcess = parent.hThread = nullptr;
    report("parent_gone_before_child_start", waitUntilGone(parent.dwProcessId) ? "1" : "0");
    ResumeThread(childThread);
    CloseHandle(childThread);
  }

  if (WaitForSingleObject(child, kEndBoundMs) != WAIT_OBJECT_0) {
    report("child_timed_out", "1");
    TerminateProcess(child, 99);
    WaitForSingleObject(child, kEndBoundMs);
    CloseHandle(child);
    return 0;
  }
  if (!orphan && !childFirst) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f", millisecondsSince(parentEnded));
    report("delay_ms", text);
  }
  report("child_exit_code", std::to_string(exitCodeOf(child)));
  CloseHandle(child);
  return 0;
}
