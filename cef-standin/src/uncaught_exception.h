// What no script caught: a timer's callback, code run by CefFrame::ExecuteJavaScript or a
// page's own <script> that threw. CEF tells the render-process handler through
// OnUncaughtException, with a stack trace, when the process was asked for one
// (uncaught_exception_stack_size); nothing is told otherwise.
#ifndef CEF_STANDIN_SRC_UNCAUGHT_EXCEPTION_H_
#define CEF_STANDIN_SRC_UNCAUGHT_EXCEPTION_H_

#include "include/cef_v8.h"
#include "script/engine.h"

namespace cef_standin {

// Reports `result` (a run of the context that ended with Outcome::kThrew; other outcomes
// are ignored) as an uncaught exception of the context.
void ReportUncaughtException(CefRefPtr<CefV8Context> context, const script::RunResult& result);

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_UNCAUGHT_EXCEPTION_H_
