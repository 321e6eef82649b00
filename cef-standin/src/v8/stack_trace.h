// The stand-in's CefV8StackTrace: frames of script, innermost first, as the script
// engine found them (script/stack.h).
#ifndef CEF_STANDIN_SRC_V8_STACK_TRACE_H_
#define CEF_STANDIN_SRC_V8_STACK_TRACE_H_

#include <vector>

#include "include/cef_v8.h"
#include "script/stack.h"

namespace cef_standin {

CefRefPtr<CefV8StackTrace> MakeStackTrace(std::vector<script::StackFrame> frames);

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_V8_STACK_TRACE_H_
