#include "host/remote_debugging.h"

LSTATUS readEnableEmbeddedAppDebug(DWORD* value, DWORD* size) {
  return RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Orvex Zelto Native",
                      L"EnableEmbeddedAppDebug", RRF_RT_REG_DWORD, nullptr, value, size);
}

int remoteDebuggingPort() {
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (readEnableEmbeddedAppDebug(&value, &size) == ERROR_SUCCESS && value == 1) {
    return 7777;
  }
  return 0;
}
