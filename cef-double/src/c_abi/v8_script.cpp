// The C half of script in a context: a context's Eval and task runner, stack traces and
// their frames, and extensions.
#include "half.h"
#include "references.h"

namespace cef_double {
namespace {

// An out-parameter of CEF's C API: a struct already in it carries a reference that the
// callee owns, whatever it answers.
template <class S>
void Drop(S** slot) {
  if (slot && *slot) {
    Arg<S> previous(*slot);
    *slot = nullptr;
  }
}

template <bool StackFrameInfo::*kField>
int CEF_CALLBACK FrameFlag(cef_v8stack_frame_t* self) {
  return StackFrameOf(ObjOf(self)).*kField;
}

template <int StackFrameInfo::*kField>
int CEF_CALLBACK FrameNumber(cef_v8stack_frame_t* self) {
  return StackFrameOf(ObjOf(self)).*kField;
}

template <std::u16string StackFrameInfo::*kField>
cef_string_userfree_t CEF_CALLBACK FrameText(cef_v8stack_frame_t* self) {
  return Out(StackFrameOf(ObjOf(self)).*kField);
}

}  // namespace

void FillContextScript(cef_v8context_t* s) {
  s->get_task_runner = [](cef_v8context_t* self)
                           CEF_CALLBACK { return TaskRunnerOut(ContextTaskRunner(ObjOf(self))); };
  s->eval = [](cef_v8context_t* self, const cef_string_t* code, const cef_string_t* script_url,
               int start_line, cef_v8value_t** retval, cef_v8exception_t** exception)
                CEF_CALLBACK -> int {
    Obj* context = ObjOf(self);
    // CEF runs nothing without both slots, and leaves what is in the other one alone.
    if (!retval || !exception) {
      Fault("cef_v8context_t", "eval given no slot for its result or its exception");
      return 0;
    }
    Drop(retval);
    Drop(exception);
    Obj* value = nullptr;
    Obj* thrown = nullptr;
    const bool ran = ContextEval(context, In(code), In(script_url), start_line, &value, &thrown);
    *retval = ValueOut(value);
    *exception = ExceptionOut(thrown);
    return ran;
  };
}

void FillStackTrace(cef_v8stack_trace_t* s) {
  s->is_valid = [](cef_v8stack_trace_t* self)
                    CEF_CALLBACK -> int { return StackTraceIsValid(ObjOf(self)); };
  s->get_frame_count = [](cef_v8stack_trace_t* self)
                           CEF_CALLBACK { return StackTraceFrameCount(ObjOf(self)); };
  s->get_frame = [](cef_v8stack_trace_t* self, int index)
                     CEF_CALLBACK { return StackFrameOut(StackTraceFrame(ObjOf(self), index)); };
}

void FillStackFrame(cef_v8stack_frame_t* s) {
  s->is_valid = FrameFlag<&StackFrameInfo::valid>;
  s->get_script_name = FrameText<&StackFrameInfo::scriptName>;
  s->get_script_name_or_source_url = FrameText<&StackFrameInfo::scriptNameOrSourceUrl>;
  s->get_function_name = FrameText<&StackFrameInfo::functionName>;
  s->get_line_number = FrameNumber<&StackFrameInfo::lineNumber>;
  s->get_column = FrameNumber<&StackFrameInfo::column>;
  s->is_eval = FrameFlag<&StackFrameInfo::isEval>;
  s->is_constructor = FrameFlag<&StackFrameInfo::isConstructor>;
}

}  // namespace cef_double

using namespace cef_double;

extern "C" {

// Off the renderer's thread it is reported, and the engine answers null.
CEF_EXPORT cef_v8stack_trace_t* cef_v8stack_trace_get_current(int frame_limit) {
  OnRendererThread("cef_v8stack_trace_t", "cef_v8stack_trace_get_current");
  return StackTraceOut(StackTraceCurrent(frame_limit));
}

CEF_EXPORT int cef_register_extension(const cef_string_t* extension_name,
                                      const cef_string_t* javascript_code,
                                      cef_v8handler_t* handler) {
  // The extension keeps the handler for the renderer's life.
  return RegisterExtension(In(extension_name), In(javascript_code), Keep(handler));
}

}  // extern "C"
