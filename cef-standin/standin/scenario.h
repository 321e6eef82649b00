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

// The most time (ms) and memory (KiB) a script step may take, whatever the step asks
// for; a fuzzer lowers them so that no input can keep a run busy for long. Steps that set
// no limit get these or the engine's own (2 s, 64 MiB), whichever is less; so do a page's
// timers and extensions, and a wait step waits no longer than the time.
void SetScriptLimitCeiling(int timeMs, int memoryKb);

}  // namespace cef_standin

#endif  // CEF_STANDIN_STANDIN_SCENARIO_H_
