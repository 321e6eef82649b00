#include "win32/parent_process.h"

#include <tlhelp32.h>

#include "win32/handle.h"

namespace win32 {

DWORD getParentProcessId() {
  HANDLE taken = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (taken == INVALID_HANDLE_VALUE) {
    return kNoParentProcess;
  }
  const handle snapshot(taken);

  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  const DWORD own = GetCurrentProcessId();
  DWORD parent = kNoParentProcess;
  for (BOOL found = Process32FirstW(snapshot.get(), &entry); found;
       found = Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == own) {
      parent = entry.th32ParentProcessID;
    }
  }
  return parent;
}

}  // namespace win32
