#include "base/event_log.h"

#include <cstdio>
#include <mutex>

#include "base/platform.h"
#include "base/utf.h"

namespace cef_standin {
namespace {

std::FILE* OpenForAppend(const std::string& path) {
#ifdef _WIN32
  std::u16string wide = Utf8ToUtf16(NativePath(path));
  return _wfopen(Utf16ToWide(wide).c_str(), L"ab");
#else
  return std::fopen(path.c_str(), "ab");
#endif
}

}  // namespace

void LogEvent(const nlohmann::json& event) {
  static const std::optional<std::string> path = GetEnv("CEF_STANDIN_LOG");
  static std::mutex mutex;
  if (!path || path->empty()) {
    return;
  }
  std::string line = event.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
  std::lock_guard<std::mutex> lock(mutex);
  // Opened once and kept (a page may log a hundred thousand events, and an open is dear
  // under Wine); appended, and flushed at every line, so that a process that ends
  // abruptly has logged everything before.
  static std::FILE* const file = OpenForAppend(*path);
  if (file) {
    std::fwrite(line.data(), 1, line.size(), file);
    std::fflush(file);
  }
}

std::string& HandlerCallInProgress() {
  // Never destroyed: it is read by an exit handler.
  static auto* call = new std::string();
  return *call;
}

}  // namespace cef_standin
