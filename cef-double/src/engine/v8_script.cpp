// The engine half of script in a context: Eval, the context's task runner, stack traces
// and extensions.
#include "handles.h"
#include "include/cef_task.h"
#include "include/cef_v8.h"
#include "neutral.h"

namespace cef_double {

Obj* ContextTaskRunner(Obj* context) {
  return Give(Take<CefV8Context>(context)->GetTaskRunner());
}

bool ContextEval(Obj* context,
                 const std::u16string& code,
                 const std::u16string& scriptUrl,
                 int startLine,
                 Obj** retval,
                 Obj** exception) {
  CefRefPtr<CefV8Value> value;
  CefRefPtr<CefV8Exception> thrown;
  const bool ran = Take<CefV8Context>(context)->Eval(code, scriptUrl, startLine, value, thrown);
  *retval = Give(value);
  *exception = Give(thrown);
  return ran;
}

Obj* StackTraceCurrent(int frameLimit) {
  return Give(CefV8StackTrace::GetCurrent(frameLimit));
}
bool StackTraceIsValid(Obj* trace) {
  return Take<CefV8StackTrace>(trace)->IsValid();
}
int StackTraceFrameCount(Obj* trace) {
  return Take<CefV8StackTrace>(trace)->GetFrameCount();
}
Obj* StackTraceFrame(Obj* trace, int index) {
  return Give(Take<CefV8StackTrace>(trace)->GetFrame(index));
}

StackFrameInfo StackFrameOf(Obj* frame) {
  CefV8StackFrame* f = Take<CefV8StackFrame>(frame);
  StackFrameInfo info;
  info.valid = f->IsValid();
  info.scriptName = f->GetScriptName().ToString16();
  info.scriptNameOrSourceUrl = f->GetScriptNameOrSourceURL().ToString16();
  info.functionName = f->GetFunctionName().ToString16();
  info.lineNumber = f->GetLineNumber();
  info.column = f->GetColumn();
  info.isEval = f->IsEval();
  info.isConstructor = f->IsConstructor();
  return info;
}

bool RegisterExtension(const std::u16string& name, const std::u16string& code, Exe* handler) {
  return CefRegisterExtension(name, code, V8HandlerOfExe(handler));
}

}  // namespace cef_double
