// A renderer of our own against the double, through CEF's C API only:
//   double_v8_probe.exe --type=renderer   (CEF_STANDIN_SCENARIO: a browser, a context in
//                                          its main frame, then the browser destroyed)
// In OnContextCreated it makes an object with an accessor and an interceptor and reads
// and writes it; once the page is gone the object must be invalid and its accessor and
// interceptor let go, and the destroyed browser invalid. Prints each failed check and
// returns how many failed. Built only with the double (make cef-test).
//   double_v8_probe.exe --type=renderer exit-clean|exit-leak
// instead lets go of everything OnContextCreated is given ("exit-leak": but the
// context), and calls exit(0) inside OnProcessMessageReceived, as a renderer told to end
// does, to show what the double's end-of-process check makes of it.
//   double_v8_probe.exe --type=renderer misuse
// also misuses V8 in OnContextCreated as CEF refuses it, each refusal to be reported:
// eval without a slot for its result or its exception (nothing runs), and a date, an
// array buffer and a stack trace asked for on another thread (null).
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>  // before CEF's headers, whose string wrappers use strlen
#include <string>

#include "include/capi/cef_app_capi.h"
#include "include/capi/cef_browser_capi.h"
#include "include/capi/cef_render_process_handler_capi.h"
#include "include/capi/cef_v8_capi.h"

namespace {

int failures = 0;
std::string mode;  // "", "exit-clean", "exit-leak" or "misuse"

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "FAIL: %s\n", what);
    ++failures;
  }
}

template <class S>
void Release(S* s) {
  if (s) {
    s->base.release(&s->base);
  }
}

// A struct of this program: counted references, never freed (it is static).
template <class S>
struct Own {
  S s = {};
  std::atomic<int> refs{1};

  static Own* Of(cef_base_ref_counted_t* base) { return reinterpret_cast<Own*>(base); }
  Own() {
    s.base.size = sizeof(S);
    s.base.add_ref = [](cef_base_ref_counted_t* self) CEF_CALLBACK { ++Of(self)->refs; };
    s.base.release = [](cef_base_ref_counted_t* self)
                         CEF_CALLBACK -> int { return --Of(self)->refs == 0; };
    s.base.has_one_ref = [](cef_base_ref_counted_t* self)
                             CEF_CALLBACK -> int { return Of(self)->refs == 1; };
    s.base.has_at_least_one_ref = [](cef_base_ref_counted_t* self)
                                      CEF_CALLBACK -> int { return Of(self)->refs >= 1; };
  }
  // Handed over with a reference for the receiver.
  S* Give() {
    ++refs;
    return &s;
  }
};

Own<cef_app_t> app;
Own<cef_render_process_handler_t> handler;
Own<cef_v8accessor_t> accessor;
Own<cef_v8interceptor_t> interceptor;
std::string calls;  // "set acc=5;get acc;get #3;..."
cef_v8value_t* kept = nullptr;
cef_browser_t* keptBrowser = nullptr;

std::string Text(const cef_string_t* text) {
  std::string out;
  for (size_t i = 0; text && i < text->length; ++i) {
    out += static_cast<char>(text->str[i]);
  }
  return out;
}

cef_string_t Literal(const wchar_t* text) {
  cef_string_t out = {};
  cef_string_utf16_set(reinterpret_cast<const char16*>(text), std::wcslen(text), &out, 1);
  return out;
}

// Both are refused before anything runs, and the slot given is left as it was.
void EvalWithoutSlots(cef_v8context_t* context) {
  cef_string_t code = Literal(L"ran = 1");
  cef_v8value_t* retval = nullptr;
  cef_v8exception_t* exception = nullptr;
  Check(context->eval(context, &code, nullptr, 1, nullptr, &exception) == 0 && !exception,
        "eval without a result slot is refused");
  Check(context->eval(context, &code, nullptr, 1, &retval, nullptr) == 0 && !retval,
        "eval without an exception slot is refused");
  cef_string_utf16_clear(&code);
  code = Literal(L"typeof ran");
  Check(context->eval(context, &code, nullptr, 1, &retval, &exception) == 1 && retval,
        "eval with both slots runs");
  if (retval) {
    cef_string_userfree_t type = retval->get_string_value(retval);
    Check(Text(type) == "undefined", "the refused code never ran");
    cef_string_userfree_utf16_free(type);
  }
  Release(retval);
  Release(exception);
  cef_string_utf16_clear(&code);
}

// On another thread CEF has no V8: each answers null.
DWORD WINAPI AskForV8(void*) {
  cef_time_t time = {};
  time.year = 2021;
  time.month = 3;
  time.day_of_month = 4;
  static char memory[8];
  Check(!cef_v8value_create_date(&time), "no date off the renderer thread");
  Check(!cef_v8value_create_array_buffer(memory, sizeof memory, nullptr),
        "no array buffer off the renderer thread");
  Check(!cef_v8stack_trace_get_current(10), "no stack trace off the renderer thread");
  return 0;
}

void AskOffTheRendererThread() {
  HANDLE thread = CreateThread(nullptr, 0, AskForV8, nullptr, 0, nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
}

void Fill() {
  app.s.get_render_process_handler = [](cef_app_t*) CEF_CALLBACK { return handler.Give(); };

  accessor.s.get = [](cef_v8accessor_t*, const cef_string_t* name, cef_v8value_t* object,
                      cef_v8value_t** retval, cef_string_t*) CEF_CALLBACK -> int {
    calls += "get " + Text(name) + ";";
    Release(object);
    *retval = cef_v8value_create_int(7);
    return 1;
  };
  accessor.s.set = [](cef_v8accessor_t*, const cef_string_t* name, cef_v8value_t* object,
                      cef_v8value_t* value, cef_string_t*) CEF_CALLBACK -> int {
    calls += "set " + Text(name) + "=" + std::to_string(value->get_int_value(value)) + ";";
    Release(object);
    Release(value);
    return 1;
  };
  interceptor.s.get_byname = [](cef_v8interceptor_t*, const cef_string_t* name,
                                cef_v8value_t* object, cef_v8value_t**, cef_string_t*)
                                 CEF_CALLBACK -> int {
    calls += "iget " + Text(name) + ";";
    Release(object);
    return 1;  // no value: the property as it is
  };
  interceptor.s.get_byindex = [](cef_v8interceptor_t*, int index, cef_v8value_t* object,
                                 cef_v8value_t** retval, cef_string_t*) CEF_CALLBACK -> int {
    calls += "iget #" + std::to_string(index) + ";";
    Release(object);
    *retval = cef_v8value_create_int(index * 10);
    return 1;
  };
  interceptor.s.set_byname = [](cef_v8interceptor_t*, const cef_string_t* name,
                                cef_v8value_t* object, cef_v8value_t* value, cef_string_t*)
                                 CEF_CALLBACK -> int {
    calls += "iset " + Text(name) + ";";
    Release(object);
    Release(value);
    return 1;
  };
  interceptor.s.set_byindex = [](cef_v8interceptor_t*, int index, cef_v8value_t* object,
                                 cef_v8value_t* value, cef_string_t*) CEF_CALLBACK -> int {
    calls += "iset #" + std::to_string(index) + ";";
    Release(object);
    Release(value);
    return 1;
  };

  handler.s.on_context_created = [](cef_render_process_handler_t*, cef_browser_t* browser,
                                    cef_frame_t* frame, cef_v8context_t* context) CEF_CALLBACK {
    if (mode == "misuse") {
      EvalWithoutSlots(context);
      AskOffTheRendererThread();
    }
    cef_v8value_t* object = cef_v8value_create_object(accessor.Give(), interceptor.Give());
    Check(object && object->is_valid(object), "an object with accessor and interceptor");
    if (object) {
      cef_string_t acc = Literal(L"acc");
      Check(object->set_value_byaccessor(object, &acc, V8_ACCESS_CONTROL_DEFAULT,
                                         V8_PROPERTY_ATTRIBUTE_NONE) == 1,
            "an accessor property");
      Check(object->set_value_bykey(object, &acc, cef_v8value_create_int(5),
                                    V8_PROPERTY_ATTRIBUTE_NONE) == 1,
            "written through the accessor");
      cef_v8value_t* read = object->get_value_bykey(object, &acc);
      Check(read && read->get_int_value(read) == 7, "read through the accessor");
      Release(read);
      read = object->get_value_byindex(object, 3);
      Check(read && read->get_int_value(read) == 30, "read through the interceptor by index");
      Release(read);
      cef_string_utf16_clear(&acc);
    }
    Release(frame);
    if (mode == "exit-clean" || mode == "exit-leak") {
      Release(object);
      Release(browser);
      if (mode != "exit-leak") {
        Release(context);
      }
      return;
    }
    kept = object;
    keptBrowser = browser;
    Release(context);
  };
  handler.s.on_process_message_received = [](cef_render_process_handler_t*, cef_browser_t*,
                                             cef_frame_t*, cef_process_id_t, cef_process_message_t*)
                                              CEF_CALLBACK -> int {
    // Ends the process inside the call, holding what the call was given.
    std::exit(0);
  };
  handler.s.on_browser_destroyed = [](cef_render_process_handler_t*,
                                      cef_browser_t* browser) CEF_CALLBACK {
    // The page went first: its object is invalid and let go of what it held.
    Check(kept && !kept->is_valid(kept), "the object is invalid once its page is gone");
    if (kept) {
      cef_string_t acc = Literal(L"acc");
      Check(kept->set_value_bykey(kept, &acc, cef_v8value_create_int(1),
                                  V8_PROPERTY_ATTRIBUTE_NONE) == 0,
            "its writes fail");
      Check(kept->get_value_bykey(kept, &acc) == nullptr, "its reads fail");
      cef_string_utf16_clear(&acc);
    }
    Check(accessor.refs == 1 && interceptor.refs == 1, "accessor and interceptor let go");
    Release(browser);
  };
}

}  // namespace

int main(int argc, char** argv) {
  mode = argc > 2 ? argv[2] : "";
  Fill();
  cef_main_args_t args = {GetModuleHandleW(nullptr)};
  cef_execute_process(&args, app.Give(), nullptr);
  Check(keptBrowser && !keptBrowser->is_valid(keptBrowser), "the destroyed browser is invalid");
  Check(calls == "iset acc;set acc=5;iget acc;get acc;iget #3;", calls.c_str());
  Release(kept);
  Release(keptBrowser);
  Check(app.refs == 1 && handler.refs == 1, "application and handler given back");
  return failures;
}
