// The C half of a V8 value's user data and of the exceptions its calls threw
// (cef_v8exception_t).
#include "half.h"
#include "references.h"

namespace cef_double {
namespace {

template <int ExceptionInfo::*kField>
int CEF_CALLBACK ExceptionNumber(cef_v8exception_t* self) {
  return V8ExceptionInfo(ObjOf(self)).*kField;
}

template <std::u16string ExceptionInfo::*kField>
cef_string_userfree_t CEF_CALLBACK ExceptionText(cef_v8exception_t* self) {
  return Out(V8ExceptionInfo(ObjOf(self)).*kField);
}

}  // namespace

void FillException(cef_v8exception_t* s) {
  s->get_message = ExceptionText<&ExceptionInfo::message>;
  s->get_source_line = ExceptionText<&ExceptionInfo::sourceLine>;
  s->get_script_resource_name = ExceptionText<&ExceptionInfo::scriptResourceName>;
  s->get_line_number = ExceptionNumber<&ExceptionInfo::lineNumber>;
  s->get_start_position = ExceptionNumber<&ExceptionInfo::startPosition>;
  s->get_end_position = ExceptionNumber<&ExceptionInfo::endPosition>;
  s->get_start_column = ExceptionNumber<&ExceptionInfo::startColumn>;
  s->get_end_column = ExceptionNumber<&ExceptionInfo::endColumn>;
}

void FillValueExtras(cef_v8value_t* s) {
  // The value keeps the executable's object, and hands it back with a reference for the
  // caller.
  s->set_user_data = [](cef_v8value_t* self, cef_base_ref_counted_t* user_data)
                         CEF_CALLBACK -> int {
    Exe* data = Keep(user_data);
    return V8SetUserData(ObjOf(self), data);
  };
  s->get_user_data = [](cef_v8value_t* self) CEF_CALLBACK {
    return ExeBack<cef_base_ref_counted_t>(V8UserData(ObjOf(self)));
  };
  s->get_exception = [](cef_v8value_t* self)
                         CEF_CALLBACK { return ExceptionOut(V8Exception(ObjOf(self))); };
}

}  // namespace cef_double
