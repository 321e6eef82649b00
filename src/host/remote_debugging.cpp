#include "host/remote_debugging.h"

#include <sstream>

#include "logging/RootLogger.h"
#include "util/ScrambledLiteral.h"

namespace {

constexpr int kRemoteDebuggingPort = 7777;
constexpr int32_t kLogLine = 307;

}  // namespace

LSTATUS readEnableEmbeddedAppDebug(DWORD* value, DWORD* size) {
  return RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Orvex Zelto Native",
                      L"EnableEmbeddedAppDebug", RRF_RT_REG_DWORD, nullptr, value, size);
}

int remoteDebuggingPort() {
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (readEnableEmbeddedAppDebug(&value, &size) != ERROR_SUCCESS || value != 1) {
    return 0;
  }
  logRemoteDebugEnabled(zelto::RootLogger::instance());
  return kRemoteDebuggingPort;
}

void logRemoteDebugEnabled(zelto::RootLogger& logger) {
  static constexpr zelto::ScrambledLiteral<90> kFile = zelto::scramble(
      "C:\\Users\\builder\\source\\repos\\orvex\\tandu-teams\\zelto-native\\src\\host\\"
      "remote_debugging.cpp");
  static constexpr zelto::ScrambledLiteral<39> kFunction =
      zelto::scramble("void logRemoteDebugEnabled(RootLogger&)");

  std::ostringstream message;
  message << "CEF remote debug port enabled";
  const std::string function = kFunction.str();
  const std::string file = kFile.str();
  logger.log(message.str(), zelto::RootLogger::Info, kLogLine, file, function);
}
