#include "base/platform.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include "base/command_line.h"
#include "base/utf.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace cef_standin {
namespace {

std::vector<std::u16string>& StoredArguments() {
  static std::vector<std::u16string> arguments;
  return arguments;
}

}  // namespace

std::vector<std::u16string> ProcessArguments() {
#ifdef _WIN32
  return CommandLine::Split(WideToUtf16(GetCommandLineW()));
#else
  return StoredArguments();
#endif
}

void SetProcessArguments(int argc, char** argv) {
  StoredArguments().clear();
  for (int i = 0; i < argc; ++i) {
    StoredArguments().push_back(Utf8ToUtf16(argv[i]));
  }
}

std::optional<std::string> GetEnv(const char* name) {
#ifdef _WIN32
  std::wstring wideName = Utf16ToWide(Utf8ToUtf16(name));
  DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (size == 0) {
    return std::nullopt;
  }
  std::wstring value(size, L'\0');
  size = GetEnvironmentVariableW(wideName.c_str(), &value[0], size);
  value.resize(size);
  std::u16string text = WideToUtf16(value);
  return Utf16ToUtf8(text.data(), text.size());
#else
  const char* value = std::getenv(name);
  return value ? std::optional<std::string>(value) : std::nullopt;
#endif
}

std::string NativePath(const std::string& path) {
#ifdef _WIN32
  if (!path.empty() && path[0] == '/') {
    std::string windowsPath = "Z:" + path;
    for (char& c : windowsPath) {
      c = c == '/' ? '\\' : c;
    }
    return windowsPath;
  }
#endif
  return path;
}

std::u16string ExecutablePath() {
#ifdef _WIN32
  wchar_t buffer[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  return WideToUtf16(buffer);
#else
  std::vector<std::u16string> arguments = ProcessArguments();
  return arguments.empty() ? std::u16string() : arguments[0];
#endif
}

void SleepMilliseconds(long milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace cef_standin
