// Finding the process that started this one.
#pragma once

#include <windows.h>

namespace win32 {

// The process id that means "no parent found".
constexpr DWORD kNoParentProcess = static_cast<DWORD>(-1);

// The id of the process that started this one, as the system's process snapshot records
// it, or kNoParentProcess when the snapshot cannot be taken or has no entry for this
// process. The id is not checked against reuse: the process now bearing it may be
// another one.
DWORD getParentProcessId();

}  // namespace win32
