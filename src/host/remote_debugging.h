// The machine-wide switch that opens CEF's remote-debugging port in the browser process.
#pragma once

#include <windows.h>

namespace zelto {
class RootLogger;
}

// One RegGetValueW of HKLM\Software\Orvex Zelto Native\EnableEmbeddedAppDebug, REG_DWORD
// only, in the registry view of this process's bitness; returns its status.
LSTATUS readEnableEmbeddedAppDebug(DWORD* value, DWORD* size);

// 7777 when the switch is on (a REG_DWORD of exactly 1), which is also logged; else 0.
int remoteDebuggingPort();

// The log call saying the port is open.
void logRemoteDebugEnabled(zelto::RootLogger& logger);
