#include "runtime/renderer.h"

#include <cstdio>
#include <cstdlib>

#include "base/event_log.h"
#include "base/platform.h"
#include "base/utf.h"
#include "standin/scenario.h"

namespace cef_standin {
namespace {

// Logs how the process ends, also when the application ends it with exit().
void LogProcessExit() {
  nlohmann::json event = {{"event", "ProcessExiting"}};
  if (!HandlerCallInProgress().empty()) {
    event["during"] = HandlerCallInProgress();
  }
  LogEvent(event);
}

bool ReadFile(const std::string& path, std::string& text) {
#ifdef _WIN32
  std::FILE* file = _wfopen(Utf16ToWide(Utf8ToUtf16(NativePath(path))).c_str(), L"rb");
#else
  std::FILE* file = std::fopen(path.c_str(), "rb");
#endif
  if (!file) {
    return false;
  }
  char buffer[65536];
  size_t read = 0;
  while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    text.append(buffer, read);
  }
  std::fclose(file);
  return true;
}

}  // namespace

void RunRenderer(CefRefPtr<CefApp> app) {
  std::atexit(LogProcessExit);
  std::string steps;
  std::optional<std::string> path = GetEnv("CEF_STANDIN_SCENARIO");
  if (path && !path->empty() && !ReadFile(*path, steps)) {
    std::fprintf(stderr, "cef-standin: cannot read the scenario %s\n", path->c_str());
    LogEvent(
        {{"event", "ScenarioError"}, {"reason", "cannot read the scenario file"}, {"path", *path}});
  }
  PlayScenario(app, steps);
}

}  // namespace cef_standin
