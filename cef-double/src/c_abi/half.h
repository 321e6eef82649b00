// Shared by the C half of the double (compiled with the distribution's C API headers).
#ifndef CEF_DOUBLE_SRC_C_HALF_H_
#define CEF_DOUBLE_SRC_C_HALF_H_

#include <cstring>  // before CEF's headers, whose string wrappers use strlen
#include <string>
#include <vector>

#include "include/capi/cef_app_capi.h"
#include "include/capi/cef_browser_capi.h"
#include "include/capi/cef_command_line_capi.h"
#include "include/capi/cef_frame_capi.h"
#include "include/capi/cef_process_message_capi.h"
#include "include/capi/cef_task_capi.h"
#include "include/capi/cef_v8_capi.h"
#include "include/capi/cef_values_capi.h"
#include "include/capi/cef_waitable_event_capi.h"
#include "include/internal/cef_string.h"
#include "include/internal/cef_string_list.h"
#include "neutral.h"

namespace cef_double {

// Text the executable passes in; empty for a null string.
std::u16string In(const cef_string_t* text);
// Text handed out, allocated by the double (freed with cef_string_userfree_utf16_free).
cef_string_userfree_t Out(const std::u16string& text);
void Assign(cef_string_t* target, const std::u16string& text);
// Text lent to the executable for the length of a call: it points into `text`, which
// outlives the call, so there is nothing to copy or free. Empty text has a null buffer,
// as a copy of it would.
inline cef_string_t Lend(const std::u16string& text) {
  cef_string_t lent = {};
  if (!text.empty()) {
    lent.str = const_cast<char16*>(reinterpret_cast<const char16*>(text.data()));
    lent.length = text.size();
  }
  return lent;
}

// The engine object behind a struct of the double (borrowed): `s` is the `self` of a
// member or an argument CEF requires. A null, released or foreign struct is reported
// and ends the process. Defined in c_abi/references.h, instantiated in c_abi/side.cpp for every
// struct the double hands out.
template <class S>
Obj* ObjOf(S* s);

// A struct passed in by the executable: its reference is the double's, released at the
// end of the call. Null stays null.
template <class S>
class Arg {
 public:
  explicit Arg(S* s) : s_(s) {}
  ~Arg() {
    if (s_) {
      s_->base.release(&s_->base);
    }
  }
  Arg(const Arg&) = delete;
  Arg& operator=(const Arg&) = delete;
  Obj* obj() const { return s_ ? ObjOf(s_) : nullptr; }

 private:
  S* s_;
};

// Shells of the structs the other files of the C half hand out (c_abi/side.cpp): `...Out`
// takes over the handle's reference (null stays null), `...Lent` adds one of its own.
cef_browser_t* BrowserOut(Obj* o);
cef_frame_t* FrameOut(Obj* o);
cef_process_message_t* MessageOut(Obj* o);
cef_list_value_t* ListOut(Obj* o);
cef_dictionary_value_t* DictionaryValueOut(Obj* o);
cef_binary_value_t* BinaryValueOut(Obj* o);
cef_value_t* BoxOut(Obj* o);
cef_command_line_t* CommandLineOut(Obj* o);
cef_v8value_t* ValueLent(Obj* o);
cef_task_runner_t* TaskRunnerOut(Obj* runner);
cef_waitable_event_t* WaitableEventOut(Obj* event);
cef_v8exception_t* ExceptionOut(Obj* exception);
cef_v8context_t* ContextOut(Obj* o);
cef_v8value_t* ValueOut(Obj* o);
cef_v8stack_trace_t* StackTraceOut(Obj* o);
cef_v8stack_frame_t* StackFrameOut(Obj* o);

// Members of those structs defined outside c_abi/side.cpp (c_abi/values.cpp,
// c_abi/command_line.cpp, c_abi/tasks.cpp, c_abi/v8_access.cpp, c_abi/v8_extras.cpp,
// c_abi/v8_kinds.cpp, c_abi/v8_script.cpp).
void FillListValues(cef_list_value_t* s);
void FillDictionary(cef_dictionary_value_t* s);
void FillBinary(cef_binary_value_t* s);
void FillBox(cef_value_t* s);
void FillCommandLineMore(cef_command_line_t* s);
void FillTaskRunner(cef_task_runner_t* s);
void FillWaitableEvent(cef_waitable_event_t* s);
void FillValueAccessor(cef_v8value_t* s);
void FillValueExtras(cef_v8value_t* s);  // c_abi/v8_extras.cpp
void FillException(cef_v8exception_t* s);
void FillValueKinds(cef_v8value_t* s);       // c_abi/v8_kinds.cpp
void FillContextScript(cef_v8context_t* s);  // c_abi/v8_script.cpp
void FillStackTrace(cef_v8stack_trace_t* s);
void FillStackFrame(cef_v8stack_frame_t* s);

// The bookkeeping of c_abi/references.cpp for the other files of the C half. An object of the
// executable passed in, held with its reference (null stays null); a `size` other than
// that of S is reported. Defined for the structs the other files take in (cef_task_t,
// cef_app_t).
template <class S>
Exe* KeepExe(S* s);
// The struct of an object of the executable that the double holds.
template <class S>
S* ExeStruct(Exe* exe) {
  return reinterpret_cast<S*>(exe);
}
// While one lives, a call into the executable is under way.
class CallingExecutable {
 public:
  CallingExecutable();
  ~CallingExecutable();
  CallingExecutable(const CallingExecutable&) = delete;
  CallingExecutable& operator=(const CallingExecutable&) = delete;
};
// An object of the executable that the double holds, handed back to the executable with
// a reference of its own (null stays null).
template <class S>
S* ExeBack(Exe* exe) {
  if (!exe) {
    return nullptr;
  }
  auto* base = reinterpret_cast<cef_base_ref_counted_t*>(exe);
  CallingExecutable calling;
  base->add_ref(base);
  return reinterpret_cast<S*>(exe);
}

// Appends each text to a string list the executable passed in (c_abi/side.cpp).
void StringListOut(cef_string_list_t list, const std::vector<std::u16string>& items);
// What the executable answered a V8 call with (c_abi/v8_access.cpp): `exception` gets the
// text it threw (`thrown` is cleared), *retval the value it gave (one reference) if any
// (`result` is released). Returns whether it handled the call.
bool V8Answer(int handled,
              cef_v8value_t* result,
              cef_string_t* thrown,
              Obj** retval,
              std::u16string& exception);

}  // namespace cef_double

#endif  // CEF_DOUBLE_SRC_C_HALF_H_
