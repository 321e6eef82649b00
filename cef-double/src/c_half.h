// Shared by the C half of the double (compiled with the distribution's C API headers).
#ifndef CEF_DOUBLE_SRC_C_HALF_H_
#define CEF_DOUBLE_SRC_C_HALF_H_

#include <cstring>  // before CEF's headers, whose string wrappers use strlen
#include <string>

#include "include/capi/cef_command_line_capi.h"
#include "include/capi/cef_task_capi.h"
#include "include/capi/cef_v8_capi.h"
#include "include/capi/cef_values_capi.h"
#include "include/capi/cef_waitable_event_capi.h"
#include "include/internal/cef_string.h"
#include "neutral.h"

namespace cef_double {

// Text the executable passes in; empty for a null string.
std::u16string In(const cef_string_t* text);
// Text handed out, allocated by the double (freed with cef_string_userfree_utf16_free).
cef_string_userfree_t Out(const std::u16string& text);
void Assign(cef_string_t* target, const std::u16string& text);

// Shells of the value and command-line structs (c_side.cpp). `...Out` takes the handle's
// reference (null stays null); `ObjOf...` answers the engine object behind a struct of
// the double (borrowed), or null.
cef_list_value_t* ListValueOut(Obj* o);
cef_dictionary_value_t* DictionaryValueOut(Obj* o);
cef_binary_value_t* BinaryValueOut(Obj* o);
cef_value_t* BoxOut(Obj* o);
cef_command_line_t* CommandLineValueOut(Obj* o);
Obj* ObjOfList(cef_list_value_t* s);
Obj* ObjOfDictionary(cef_dictionary_value_t* s);
Obj* ObjOfBinary(cef_binary_value_t* s);
Obj* ObjOfBox(cef_value_t* s);
Obj* ObjOfCommandLine(cef_command_line_t* s);

// Members of those structs defined outside c_side.cpp (c_values.cpp, c_command_line.cpp).
void FillListValues(cef_list_value_t* s);
void FillDictionary(cef_dictionary_value_t* s);
void FillBinary(cef_binary_value_t* s);
void FillBox(cef_value_t* s);
void FillCommandLineMore(cef_command_line_t* s);
// The bookkeeping of c_side.cpp for the other files of the C half. An object of the
// executable passed in, held with its reference (null stays null).
Exe* KeepExe(cef_base_ref_counted_t* base);
// While one lives, a call into the executable is under way.
class CallingExecutable {
 public:
  CallingExecutable();
  ~CallingExecutable();
  CallingExecutable(const CallingExecutable&) = delete;
  CallingExecutable& operator=(const CallingExecutable&) = delete;
};
// Shells: *Out takes over the handle's reference, *Lent adds one of its own; *Obj gives
// the engine object behind a shell of the double (borrowed), or null.
cef_v8value_t* V8ValueLent(Obj* value);
Obj* V8ValueObj(cef_v8value_t* value);
cef_task_runner_t* TaskRunnerOut(Obj* runner);
Obj* TaskRunnerObj(cef_task_runner_t* runner);
cef_waitable_event_t* WaitableEventOut(Obj* event);
Obj* WaitableEventObj(cef_waitable_event_t* event);
// Members defined by c_tasks.cpp and c_v8_access.cpp.
void FillTaskRunner(cef_task_runner_t* s);
void FillWaitableEvent(cef_waitable_event_t* s);
void FillValueAccessor(cef_v8value_t* s);

}  // namespace cef_double

#endif  // CEF_DOUBLE_SRC_C_HALF_H_
