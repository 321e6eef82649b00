// The stand-in's scenario player driving the application object: arbitrary scenario
// lines (browsers, frames, contexts, page calls with any arguments, page scripts,
// messages from either process). Looks for crashes, leaks and undefined behaviour in the bridge,
// the renderer commands and the player.
#include <cstddef>
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "cef/ZeltoCefApp.h"
#include "standin/scenario.h"

namespace {

// "terminateProc" ends the process by design; such inputs cannot be played here.
bool endsTheProcess(const std::string& scenario) {
  std::size_t start = 0;
  while (start <= scenario.size()) {
    std::size_t end = scenario.find('\n', start);
    if (end == std::string::npos) {
      end = scenario.size();
    }
    const nlohmann::json step =
        nlohmann::json::parse(scenario.substr(start, end - start), nullptr, false);
    if (step.is_object() && step.contains("name") && step["name"] == "terminateProc") {
      return true;
    }
    start = end + 1;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string scenario(reinterpret_cast<const char*>(data), size);
  if (endsTheProcess(scenario)) {
    return -1;  // not worth keeping in the corpus
  }
  // A runaway script may take a moment, never the fuzzer's time-out.
  cef_standin::SetScriptLimitCeiling(50, 16 * 1024);
  CefRefPtr<EmbeddedBrowser::CEF::Core::ZeltoCefApp> app =
      new EmbeddedBrowser::CEF::Core::ZeltoCefApp("C:\\X");
  cef_standin::PlayScenario(app.get(), scenario);
  return 0;
}
