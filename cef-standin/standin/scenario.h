// The scenario player: a renderer process driven by scenario steps, one JSON object a
// line (see STANDIN.md). Steps that cannot be played are reported on standard error and
// in the event log as ScenarioError, and the rest is played.
#ifndef CEF_STANDIN_STANDIN_SCENARIO_H_
#define CEF_STANDIN_STANDIN_SCENARIO_H_

#include <string>

#include "include/cef_app.h"

namespace cef_standin {

// Runs a renderer for `app` (render-process handler, WebKit start-up) and plays the
// steps against it. Returns when they are played, unless the application ends the
// process first.
void PlayScenario(CefRefPtr<CefApp> app, const std::string& jsonLines);

}  // namespace cef_standin

#endif  // CEF_STANDIN_STANDIN_SCENARIO_H_
