// The C half of the double for V8 objects with an accessor or interceptor: accessor
// properties, and the calls into the executable's cef_v8accessor_t and
// cef_v8interceptor_t; and how any V8 call into the executable is answered.
#include "half.h"

namespace cef_double {

bool V8Answer(int handled,
              cef_v8value_t* result,
              cef_string_t* thrown,
              Obj** retval,
              std::u16string& exception) {
  exception = In(thrown);
  cef_string_utf16_clear(thrown);
  if (result) {
    Obj* obj = ObjOf(result);
    if (obj) {
      ObjAddRef(Kind::kValue, obj);
      *retval = obj;
    }
    result->base.release(&result->base);
  }
  return handled != 0;
}

void FillValueAccessor(cef_v8value_t* s) {
  s->set_value_byaccessor = [](cef_v8value_t* self, const cef_string_t* key,
                               cef_v8_accesscontrol_t settings,
                               cef_v8_propertyattribute_t attribute) CEF_CALLBACK -> int {
    return V8SetAccessor(ObjOf(self), In(key), static_cast<int>(settings),
                         static_cast<int>(attribute));
  };
}

bool AccessorGet(Exe* accessor,
                 const std::u16string& name,
                 Obj* object,
                 Obj** retval,
                 std::u16string& exception) {
  auto* s = ExeStruct<cef_v8accessor_t>(accessor);
  if (!s->get) {
    return false;
  }
  const cef_string_t text = Lend(name);
  cef_v8value_t* result = nullptr;
  cef_string_t thrown = {};
  int handled = 0;
  {
    CallingExecutable calling;
    handled = s->get(s, &text, ValueLent(object), &result, &thrown);
  }
  return V8Answer(handled, result, &thrown, retval, exception);
}

bool AccessorSet(Exe* accessor,
                 const std::u16string& name,
                 Obj* object,
                 Obj* value,
                 std::u16string& exception) {
  auto* s = ExeStruct<cef_v8accessor_t>(accessor);
  if (!s->set) {
    return false;
  }
  const cef_string_t text = Lend(name);
  cef_string_t thrown = {};
  int handled = 0;
  {
    CallingExecutable calling;
    handled = s->set(s, &text, ValueLent(object), ValueLent(value), &thrown);
  }
  Obj* none = nullptr;
  return V8Answer(handled, nullptr, &thrown, &none, exception);
}

bool InterceptorGet(Exe* interceptor,
                    const std::u16string& name,
                    int index,
                    Obj* object,
                    Obj** retval,
                    std::u16string& exception) {
  auto* s = ExeStruct<cef_v8interceptor_t>(interceptor);
  cef_v8value_t* result = nullptr;
  cef_string_t thrown = {};
  int handled = 0;
  if (index >= 0 && s->get_byindex) {
    CallingExecutable calling;
    handled = s->get_byindex(s, index, ValueLent(object), &result, &thrown);
  } else if (index < 0 && s->get_byname) {
    const cef_string_t text = Lend(name);
    CallingExecutable calling;
    handled = s->get_byname(s, &text, ValueLent(object), &result, &thrown);
  }
  return V8Answer(handled, result, &thrown, retval, exception);
}

bool InterceptorSet(Exe* interceptor,
                    const std::u16string& name,
                    int index,
                    Obj* object,
                    Obj* value,
                    std::u16string& exception) {
  auto* s = ExeStruct<cef_v8interceptor_t>(interceptor);
  cef_string_t thrown = {};
  int handled = 0;
  if (index >= 0 && s->set_byindex) {
    CallingExecutable calling;
    handled = s->set_byindex(s, index, ValueLent(object), ValueLent(value), &thrown);
  } else if (index < 0 && s->set_byname) {
    const cef_string_t text = Lend(name);
    CallingExecutable calling;
    handled = s->set_byname(s, &text, ValueLent(object), ValueLent(value), &thrown);
  }
  Obj* none = nullptr;
  return V8Answer(handled, nullptr, &thrown, &none, exception);
}

}  // namespace cef_double
