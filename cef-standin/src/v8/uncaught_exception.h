// What no script caught: a timer's callback, code run by CefFrame::ExecuteJavaScript or a
// page's own <script> that threw. CEF tells the render-process handler through
// OnUncaughtException, with the stack where the error was made, when the renderer was
// asked for such stacks (CefSettings::uncaught_exception_stack_size, which the browser
// passes to its renderers as --uncaught-exception-stack-size); nothing is told otherwise.
#ifndef CEF_STANDIN_SRC_V8_UNCAUGHT_EXCEPTION_H_
#define CEF_STANDIN_SRC_V8_UNCAUGHT_EXCEPTION_H_

#include "include/cef_render_process_handler.h"
#include "include/cef_v8.h"
#include "v8/run.h"

namespace cef_standin {

// The browser process's setting, for the renderers it starts (and one run in its own
// process, as the yardstick's is).
void SetBrowserUncaughtExceptionStackSize(int frames);
// What this renderer was asked for: its --uncaught-exception-stack-size, or else the
// setting of a browser in this process; 0 when neither.
int UncaughtExceptionStackSize();

// The renderer's handler hears of uncaught exceptions with at most `frames` frames (0 or
// no handler: nobody hears, and errors keep no stacks).
void SetUncaughtExceptionHandler(CefRefPtr<CefRenderProcessHandler> handler, int frames);

// Reports `result` (a run of the context that ended with Outcome::kThrew; other outcomes
// are ignored) as an uncaught exception of the context.
void ReportUncaughtException(CefRefPtr<CefV8Context> context, const script::RunResult& result);

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_V8_UNCAUGHT_EXCEPTION_H_
