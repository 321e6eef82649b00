// A page's own script, as the scenario plays it: source run in a frame's context with a
// time and a memory limit, and what it came to written to the event log as a "Script"
// event (its completion value, what it threw, or the limit that stopped it). A script
// that throws or runs away is an event of the page, never the end of the scenario.
#ifndef CEF_STANDIN_SRC_PAGE_SCRIPT_H_
#define CEF_STANDIN_SRC_PAGE_SCRIPT_H_

#include <string>

#include "include/cef_frame.h"
#include "v8/run.h"

namespace cef_standin {

struct PageScript {
  std::u16string source;
  std::u16string name;  // the script's name in errors and in the event
  script::Limits limits;
};

// Runs the script in the frame's current context and logs the "Script" event. The
// frame must have a context (the scenario player checks).
script::Outcome RunPageScript(CefRefPtr<CefFrame> frame, const PageScript& script);

// Logs a run of the frame's script as a "Script" event named `name`.
void LogScriptRun(CefRefPtr<CefFrame> frame,
                  const std::u16string& name,
                  const script::RunResult& run);

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_PAGE_SCRIPT_H_
