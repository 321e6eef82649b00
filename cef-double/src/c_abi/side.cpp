// The C half of the double: libcef.dll's exports and the C structs it hands to the
// executable, each a thin shell around an engine object; and the executable's own
// structs (application, handlers, visitors, tasks) called on the engine's behalf.
//
// Every struct handed out is a shell whose references the books count
// (references.h).
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "half.h"

namespace cef_double {
void TrapCalled(const char* what);
}  // namespace cef_double
using cef_double::TrapCalled;

#include "include/cef_api_hash.h"
#include "include/cef_version.h"
#include "include/internal/cef_string_list.h"
#include "member_traps.inc"
// After the stubs: Make() fills every shell with them first.
#include "references.h"

namespace cef_double {
namespace {

// ---------------------------------------------------------------------------------------
// Structs of the double

#define SELF_OBJ(self) ObjOf(self)

void FillBrowser(cef_browser_t* s);
void FillFrame(cef_frame_t* s);
void FillContext(cef_v8context_t* s);
void FillValue(cef_v8value_t* s);
void FillMessage(cef_process_message_t* s);
void FillList(cef_list_value_t* s);
void FillDocument(cef_domdocument_t* s);
void FillNode(cef_domnode_t* s);
void FillCommandLine(cef_command_line_t* s);

cef_domnode_t* NodeOut(Obj* o) {
  return Hand(o, Kind::kNode, "cef_domnode_t", FillNode);
}

// Borrowed engine handles as shells for the executable (each with its own reference).
cef_browser_t* BrowserLent(Obj* o) {
  return Make(o, Kind::kBrowser, "cef_browser_t", FillBrowser);
}
cef_frame_t* FrameLent(Obj* o) {
  return Make(o, Kind::kFrame, "cef_frame_t", FillFrame);
}
cef_v8context_t* ContextLent(Obj* o) {
  return Make(o, Kind::kContext, "cef_v8context_t", FillContext);
}

// Browser

void FillBrowser(cef_browser_t* s) {
  s->is_valid = [](cef_browser_t* self) CEF_CALLBACK -> int { return BrowserIsValid(ObjOf(self)); };
  s->get_identifier = [](cef_browser_t* self)
                          CEF_CALLBACK -> int { return BrowserId(ObjOf(self)); };
  s->is_same = [](cef_browser_t* self, cef_browser_t* that) CEF_CALLBACK -> int {
    Arg<cef_browser_t> other(that);
    return other.obj() && BrowserIsSame(ObjOf(self), other.obj());
  };
  s->is_popup = [](cef_browser_t* self) CEF_CALLBACK -> int { return BrowserIsPopup(ObjOf(self)); };
  s->has_document = [](cef_browser_t* self)
                        CEF_CALLBACK -> int { return BrowserHasDocument(ObjOf(self)); };
  s->get_main_frame = [](cef_browser_t* self)
                          CEF_CALLBACK { return FrameOut(BrowserMainFrame(ObjOf(self))); };
  s->get_focused_frame = [](cef_browser_t* self)
                             CEF_CALLBACK { return FrameOut(BrowserFocusedFrame(ObjOf(self))); };
  s->get_frame_byident = [](cef_browser_t* self, int64 id)
                             CEF_CALLBACK { return FrameOut(BrowserFrameById(ObjOf(self), id)); };
  s->get_frame = [](cef_browser_t* self, const cef_string_t* name)
                     CEF_CALLBACK { return FrameOut(BrowserFrameByName(ObjOf(self), In(name))); };
  s->get_frame_count = [](cef_browser_t* self)
                           CEF_CALLBACK { return BrowserFrameCount(ObjOf(self)); };
  s->get_frame_names = [](cef_browser_t* self, cef_string_list_t names)
                           CEF_CALLBACK { StringListOut(names, BrowserFrameNames(ObjOf(self))); };
  s->is_loading = [](cef_browser_t*) CEF_CALLBACK -> int { return 0; };
  s->can_go_back = [](cef_browser_t*) CEF_CALLBACK -> int { return 0; };
  s->can_go_forward = [](cef_browser_t*) CEF_CALLBACK -> int { return 0; };
}

// Frame

void FillFrame(cef_frame_t* s) {
  s->is_valid = [](cef_frame_t* self) CEF_CALLBACK -> int { return FrameIsValid(ObjOf(self)); };
  s->is_main = [](cef_frame_t* self) CEF_CALLBACK -> int { return FrameIsMain(ObjOf(self)); };
  s->is_focused = [](cef_frame_t* self) CEF_CALLBACK -> int { return FrameIsFocused(ObjOf(self)); };
  s->get_name = [](cef_frame_t* self) CEF_CALLBACK { return Out(FrameName(ObjOf(self))); };
  s->get_identifier = [](cef_frame_t* self) CEF_CALLBACK -> int64 { return FrameId(ObjOf(self)); };
  s->get_url = [](cef_frame_t* self) CEF_CALLBACK { return Out(FrameUrl(ObjOf(self))); };
  s->get_parent = [](cef_frame_t* self) CEF_CALLBACK { return FrameOut(FrameParent(ObjOf(self))); };
  s->get_browser = [](cef_frame_t* self)
                       CEF_CALLBACK { return BrowserOut(FrameBrowser(ObjOf(self))); };
  s->get_v8context = [](cef_frame_t* self)
                         CEF_CALLBACK { return ContextOut(FrameV8Context(ObjOf(self))); };
  s->visit_dom = [](cef_frame_t* self, cef_domvisitor_t* visitor)
                     CEF_CALLBACK { FrameVisitDom(ObjOf(self), Keep(visitor)); };
  s->send_process_message = [](cef_frame_t* self, cef_process_id_t target,
                               cef_process_message_t* message) CEF_CALLBACK {
    Arg<cef_process_message_t> m(message);
    if (m.obj()) {
      FrameSendProcessMessage(ObjOf(self), static_cast<int>(target), m.obj());
    }
  };
  s->execute_java_script =
      [](cef_frame_t* self, const cef_string_t* code, const cef_string_t* url, int line)
          CEF_CALLBACK { FrameExecuteJavaScript(ObjOf(self), In(code), In(url), line); };
  s->load_url = [](cef_frame_t* self, const cef_string_t* url)
                    CEF_CALLBACK { FrameLoadUrl(ObjOf(self), In(url)); };
}

// V8 context

void FillContext(cef_v8context_t* s) {
  s->is_valid = [](cef_v8context_t* self)
                    CEF_CALLBACK -> int { return ContextIsValid(ObjOf(self)); };
  s->get_browser = [](cef_v8context_t* self)
                       CEF_CALLBACK { return BrowserOut(ContextBrowser(ObjOf(self))); };
  s->get_frame = [](cef_v8context_t* self)
                     CEF_CALLBACK { return FrameOut(ContextFrame(ObjOf(self))); };
  s->get_global = [](cef_v8context_t* self)
                      CEF_CALLBACK { return ValueOut(ContextGlobal(ObjOf(self))); };
  s->enter = [](cef_v8context_t* self) CEF_CALLBACK -> int { return ContextEnter(ObjOf(self)); };
  s->exit = [](cef_v8context_t* self) CEF_CALLBACK -> int { return ContextExit(ObjOf(self)); };
  s->is_same = [](cef_v8context_t* self, cef_v8context_t* that) CEF_CALLBACK -> int {
    Arg<cef_v8context_t> other(that);
    return other.obj() && ContextIsSame(ObjOf(self), other.obj());
  };
  // Eval and the task runner (c_abi/v8_script.cpp).
  FillContextScript(s);
}

// V8 value

template <V8Ask kWhat>
int CEF_CALLBACK Ask(cef_v8value_t* self) {
  return static_cast<int>(V8Query(ObjOf(self), kWhat));
}

cef_v8value_t* RunFunction(cef_v8value_t* self,
                           cef_v8context_t* context,
                           cef_v8value_t* object,
                           size_t count,
                           cef_v8value_t* const* arguments) {
  Arg<cef_v8context_t> ctx(context);
  Arg<cef_v8value_t> receiver(object);
  std::vector<Obj*> args;
  std::vector<cef_v8value_t*> held;
  for (size_t i = 0; i < count; ++i) {
    held.push_back(arguments[i]);
    args.push_back(ObjOf(arguments[i]));
  }
  Obj* result = nullptr;
  bool complete = true;
  for (Obj* a : args) {
    complete = complete && a;
  }
  if (complete) {
    result = V8Execute(ObjOf(self), ctx.obj(), receiver.obj(), args);
  }
  for (cef_v8value_t* h : held) {
    if (h) {
      h->base.release(&h->base);
    }
  }
  return ValueOut(result);
}

void FillValue(cef_v8value_t* s) {
  s->is_valid = Ask<V8Ask::kIsValid>;
  s->is_undefined = Ask<V8Ask::kIsUndefined>;
  s->is_null = Ask<V8Ask::kIsNull>;
  s->is_bool = Ask<V8Ask::kIsBool>;
  s->is_int = Ask<V8Ask::kIsInt>;
  s->is_uint = Ask<V8Ask::kIsUInt>;
  s->is_double = Ask<V8Ask::kIsDouble>;
  s->is_date = Ask<V8Ask::kIsDate>;
  s->is_string = Ask<V8Ask::kIsString>;
  s->is_object = Ask<V8Ask::kIsObject>;
  s->is_array = Ask<V8Ask::kIsArray>;
  s->is_array_buffer = Ask<V8Ask::kIsArrayBuffer>;
  s->is_function = Ask<V8Ask::kIsFunction>;
  s->is_user_created = Ask<V8Ask::kIsUserCreated>;
  s->has_exception = Ask<V8Ask::kHasException>;
  s->clear_exception = Ask<V8Ask::kClearException>;
  s->will_rethrow_exceptions = Ask<V8Ask::kWillRethrowExceptions>;
  s->get_bool_value = Ask<V8Ask::kBoolValue>;
  s->get_array_length = Ask<V8Ask::kArrayLength>;
  s->get_int_value = [](cef_v8value_t* self) CEF_CALLBACK -> int32 {
    return static_cast<int32>(V8Query(ObjOf(self), V8Ask::kIntValue));
  };
  s->get_uint_value = [](cef_v8value_t* self) CEF_CALLBACK -> uint32 {
    return static_cast<uint32>(V8Query(ObjOf(self), V8Ask::kUIntValue));
  };
  s->get_double_value = [](cef_v8value_t* self) CEF_CALLBACK { return V8Double(ObjOf(self)); };
  s->get_string_value = [](cef_v8value_t* self) CEF_CALLBACK { return Out(V8String(ObjOf(self))); };
  s->get_function_name = [](cef_v8value_t* self)
                             CEF_CALLBACK { return Out(V8FunctionName(ObjOf(self))); };
  s->is_same = [](cef_v8value_t* self, cef_v8value_t* that) CEF_CALLBACK -> int {
    Arg<cef_v8value_t> other(that);
    return other.obj() && V8IsSame(ObjOf(self), other.obj());
  };
  s->set_rethrow_exceptions = [](cef_v8value_t* self, int rethrow) CEF_CALLBACK -> int {
    return V8SetRethrow(ObjOf(self), rethrow != 0);
  };
  s->has_value_bykey = [](cef_v8value_t* self, const cef_string_t* key)
                           CEF_CALLBACK -> int { return V8HasKey(ObjOf(self), In(key)); };
  s->has_value_byindex = [](cef_v8value_t* self, int index)
                             CEF_CALLBACK -> int { return V8HasIndex(ObjOf(self), index); };
  s->delete_value_bykey = [](cef_v8value_t* self, const cef_string_t* key)
                              CEF_CALLBACK -> int { return V8DeleteKey(ObjOf(self), In(key)); };
  s->delete_value_byindex = [](cef_v8value_t* self, int index)
                                CEF_CALLBACK -> int { return V8DeleteIndex(ObjOf(self), index); };
  s->get_value_bykey = [](cef_v8value_t* self, const cef_string_t* key)
                           CEF_CALLBACK { return ValueOut(V8GetKey(ObjOf(self), In(key))); };
  s->get_value_byindex = [](cef_v8value_t* self, int index)
                             CEF_CALLBACK { return ValueOut(V8GetIndex(ObjOf(self), index)); };
  s->set_value_bykey = [](cef_v8value_t* self, const cef_string_t* key, cef_v8value_t* value,
                          cef_v8_propertyattribute_t attribute) CEF_CALLBACK -> int {
    Arg<cef_v8value_t> v(value);
    return v.obj() && V8SetKey(ObjOf(self), In(key), v.obj(), static_cast<int>(attribute));
  };
  s->set_value_byindex = [](cef_v8value_t* self, int index, cef_v8value_t* value)
                             CEF_CALLBACK -> int {
    Arg<cef_v8value_t> v(value);
    return v.obj() && V8SetIndex(ObjOf(self), index, v.obj());
  };
  s->get_keys = [](cef_v8value_t* self, cef_string_list_t keys) CEF_CALLBACK -> int {
    std::vector<std::u16string> names;
    const bool ok = V8Keys(ObjOf(self), names);
    StringListOut(keys, names);
    return ok;
  };
  s->execute_function =
      [](cef_v8value_t* self, cef_v8value_t* object, size_t count, cef_v8value_t* const* arguments)
          CEF_CALLBACK { return RunFunction(self, nullptr, object, count, arguments); };
  s->execute_function_with_context =
      [](cef_v8value_t* self, cef_v8context_t* context, cef_v8value_t* object, size_t count,
         cef_v8value_t* const* arguments)
          CEF_CALLBACK { return RunFunction(self, context, object, count, arguments); };
  FillValueAccessor(s);
  FillValueExtras(s);
  FillValueKinds(s);
}

// Process message and list value

void FillMessage(cef_process_message_t* s) {
  s->is_valid = [](cef_process_message_t* self)
                    CEF_CALLBACK -> int { return MessageIsValid(ObjOf(self)); };
  s->is_read_only = [](cef_process_message_t* self)
                        CEF_CALLBACK -> int { return MessageIsReadOnly(ObjOf(self)); };
  s->copy = [](cef_process_message_t* self)
                CEF_CALLBACK { return MessageOut(MessageCopy(ObjOf(self))); };
  s->get_name = [](cef_process_message_t* self)
                    CEF_CALLBACK { return Out(MessageName(ObjOf(self))); };
  s->get_argument_list = [](cef_process_message_t* self)
                             CEF_CALLBACK { return ListOut(MessageArguments(ObjOf(self))); };
}

void FillList(cef_list_value_t* s) {
  s->copy = [](cef_list_value_t* self) CEF_CALLBACK { return ListOut(ListCopy(ObjOf(self))); };
  s->set_size = [](cef_list_value_t* self, size_t size)
                    CEF_CALLBACK -> int { return ListSetSize(ObjOf(self), size); };
  // The members lists share with dictionaries (c_abi/values.cpp).
  FillListValues(s);
}

// DOM

void FillDocument(cef_domdocument_t* s) {
  s->get_body = [](cef_domdocument_t* self)
                    CEF_CALLBACK { return NodeOut(DocumentBody(ObjOf(self))); };
  s->get_title = [](cef_domdocument_t* self)
                     CEF_CALLBACK { return Out(DocumentTitle(ObjOf(self))); };
}

void FillNode(cef_domnode_t* s) {
  s->is_text = [](cef_domnode_t* self) CEF_CALLBACK -> int { return NodeIsText(ObjOf(self)); };
  s->is_element = [](cef_domnode_t* self)
                      CEF_CALLBACK -> int { return NodeIsElement(ObjOf(self)); };
  s->get_name = [](cef_domnode_t* self) CEF_CALLBACK { return Out(NodeName(ObjOf(self))); };
  s->get_element_tag_name = [](cef_domnode_t* self)
                                CEF_CALLBACK { return Out(NodeTagName(ObjOf(self))); };
  s->get_element_inner_text = [](cef_domnode_t* self)
                                  CEF_CALLBACK { return Out(NodeInnerText(ObjOf(self))); };
}

// Command line and scheme registrar

void FillCommandLine(cef_command_line_t* s) {
  s->is_read_only = [](cef_command_line_t* self)
                        CEF_CALLBACK -> int { return CommandLineIsReadOnly(ObjOf(self)); };
  s->get_command_line_string = [](cef_command_line_t* self)
                                   CEF_CALLBACK { return Out(CommandLineString(ObjOf(self))); };
  s->get_program = [](cef_command_line_t* self)
                       CEF_CALLBACK { return Out(CommandLineProgram(ObjOf(self))); };
  s->set_program = [](cef_command_line_t* self, const cef_string_t* program)
                       CEF_CALLBACK { CommandLineSetProgram(ObjOf(self), In(program)); };
  s->has_switches = [](cef_command_line_t* self)
                        CEF_CALLBACK -> int { return CommandLineHasSwitches(ObjOf(self)); };
  s->has_switch = [](cef_command_line_t* self, const cef_string_t* name)
                      CEF_CALLBACK -> int { return CommandLineHasSwitch(ObjOf(self), In(name)); };
  s->get_switch_value = [](cef_command_line_t* self, const cef_string_t* name) CEF_CALLBACK {
    return Out(CommandLineSwitchValue(ObjOf(self), In(name)));
  };
  s->append_switch = [](cef_command_line_t* self, const cef_string_t* name)
                         CEF_CALLBACK { CommandLineAppendSwitch(ObjOf(self), In(name)); };
  s->append_switch_with_value =
      [](cef_command_line_t* self, const cef_string_t* name, const cef_string_t* value)
          CEF_CALLBACK { CommandLineAppendSwitchWithValue(ObjOf(self), In(name), In(value)); };
  s->has_arguments = [](cef_command_line_t* self)
                         CEF_CALLBACK -> int { return CommandLineHasArguments(ObjOf(self)); };
  s->append_argument = [](cef_command_line_t* self, const cef_string_t* argument)
                           CEF_CALLBACK { CommandLineAppendArgument(ObjOf(self), In(argument)); };
  s->get_argv = [](cef_command_line_t* self, cef_string_list_t argv)
                    CEF_CALLBACK { StringListOut(argv, CommandLineArgv(ObjOf(self))); };
  FillCommandLineMore(s);
}

// The registrar is scoped: the struct lives for the one call, its `del` left null as
// CEF leaves it.
struct RegistrarShell {
  cef_scheme_registrar_t s;
  Registrar* registrar;
};

}  // namespace

cef_browser_t* BrowserOut(Obj* o) {
  return Hand(o, Kind::kBrowser, "cef_browser_t", FillBrowser);
}
cef_frame_t* FrameOut(Obj* o) {
  return Hand(o, Kind::kFrame, "cef_frame_t", FillFrame);
}
cef_process_message_t* MessageOut(Obj* o) {
  return Hand(o, Kind::kMessage, "cef_process_message_t", FillMessage);
}
cef_v8context_t* ContextOut(Obj* o) {
  return Hand(o, Kind::kContext, "cef_v8context_t", FillContext);
}
cef_v8value_t* ValueOut(Obj* o) {
  return Hand(o, Kind::kValue, "cef_v8value_t", FillValue);
}
cef_v8exception_t* ExceptionOut(Obj* o) {
  return Hand(o, Kind::kException, "cef_v8exception_t", FillException);
}
cef_v8stack_trace_t* StackTraceOut(Obj* o) {
  return Hand(o, Kind::kStackTrace, "cef_v8stack_trace_t", FillStackTrace);
}
cef_v8stack_frame_t* StackFrameOut(Obj* o) {
  return Hand(o, Kind::kStackFrame, "cef_v8stack_frame_t", FillStackFrame);
}
cef_list_value_t* ListOut(Obj* o) {
  return Hand(o, Kind::kList, "cef_list_value_t", FillList);
}
cef_dictionary_value_t* DictionaryValueOut(Obj* o) {
  return Hand(o, Kind::kDictionary, "cef_dictionary_value_t", FillDictionary);
}
cef_binary_value_t* BinaryValueOut(Obj* o) {
  return Hand(o, Kind::kBinary, "cef_binary_value_t", FillBinary);
}
cef_value_t* BoxOut(Obj* o) {
  return Hand(o, Kind::kBox, "cef_value_t", FillBox);
}
cef_command_line_t* CommandLineOut(Obj* o) {
  return Hand(o, Kind::kCommandLine, "cef_command_line_t", FillCommandLine);
}

// The structs whose members live in the other files of the C half.
template Obj* ObjOf(cef_browser_t*);
template Obj* ObjOf(cef_frame_t*);
template Obj* ObjOf(cef_process_message_t*);
template Obj* ObjOf(cef_list_value_t*);
template Obj* ObjOf(cef_v8exception_t*);
template Obj* ObjOf(cef_dictionary_value_t*);
template Obj* ObjOf(cef_binary_value_t*);
template Obj* ObjOf(cef_value_t*);
template Obj* ObjOf(cef_command_line_t*);
template Obj* ObjOf(cef_v8value_t*);
template Obj* ObjOf(cef_v8context_t*);
template Obj* ObjOf(cef_v8stack_trace_t*);
template Obj* ObjOf(cef_v8stack_frame_t*);
template Obj* ObjOf(cef_task_runner_t*);
template Obj* ObjOf(cef_waitable_event_t*);

// ---------------------------------------------------------------------------------------
// The bookkeeping for the other files of the C half (c_abi/half.h)

void StringListOut(cef_string_list_t list, const std::vector<std::u16string>& items) {
  for (const auto& item : items) {
    const cef_string_t text = Lend(item);
    cef_string_list_append(list, &text);
  }
}
cef_v8value_t* ValueLent(Obj* o) {
  return Make(o, Kind::kValue, "cef_v8value_t", FillValue);
}
cef_task_runner_t* TaskRunnerOut(Obj* runner) {
  return Hand(runner, Kind::kTaskRunner, "cef_task_runner_t", FillTaskRunner);
}
cef_waitable_event_t* WaitableEventOut(Obj* event) {
  return Hand(event, Kind::kWaitableEvent, "cef_waitable_event_t", FillWaitableEvent);
}

// ---------------------------------------------------------------------------------------
// Calls into the executable's structs

void AppOnBeforeCommandLineProcessing(Exe* app, const std::u16string& type, Obj* commandLine) {
  auto* s = ExeStruct<cef_app_t>(app);
  if (!s->on_before_command_line_processing) {
    return;
  }
  const cef_string_t text = Lend(type);
  CallingExecutable calling;
  s->on_before_command_line_processing(
      s, &text, Make(commandLine, Kind::kCommandLine, "cef_command_line_t", FillCommandLine));
}

void AppOnRegisterCustomSchemes(Exe* app, Registrar* registrar) {
  auto* s = ExeStruct<cef_app_t>(app);
  if (!s->on_register_custom_schemes) {
    return;
  }
  RegistrarShell shell = {};
  TrapFill(&shell.s);
  shell.s.base.size = sizeof(cef_scheme_registrar_t);
  shell.s.base.del = nullptr;
  shell.registrar = registrar;
  shell.s.add_custom_scheme = [](cef_scheme_registrar_t* self, const cef_string_t* name,
                                 int options) CEF_CALLBACK -> int {
    return RegistrarAddCustomScheme(reinterpret_cast<RegistrarShell*>(self)->registrar, In(name),
                                    options);
  };
  CallingExecutable calling;
  s->on_register_custom_schemes(s, &shell.s);
}

Exe* AppBrowserProcessHandler(Exe* app) {
  auto* s = ExeStruct<cef_app_t>(app);
  if (!s->get_browser_process_handler) {
    return nullptr;
  }
  CallingExecutable calling;
  cef_browser_process_handler_t* handler = s->get_browser_process_handler(s);
  return Keep(handler);
}

Exe* AppRenderProcessHandler(Exe* app) {
  auto* s = ExeStruct<cef_app_t>(app);
  if (!s->get_render_process_handler) {
    return nullptr;
  }
  CallingExecutable calling;
  cef_render_process_handler_t* handler = s->get_render_process_handler(s);
  return Keep(handler);
}

void BrowserHandlerOnContextInitialized(Exe* handler) {
  auto* s = ExeStruct<cef_browser_process_handler_t>(handler);
  if (s->on_context_initialized) {
    CallingExecutable calling;
    s->on_context_initialized(s);
  }
}

void BrowserHandlerOnBeforeChildProcessLaunch(Exe* handler, Obj* commandLine) {
  auto* s = ExeStruct<cef_browser_process_handler_t>(handler);
  if (s->on_before_child_process_launch) {
    CallingExecutable calling;
    s->on_before_child_process_launch(
        s, Make(commandLine, Kind::kCommandLine, "cef_command_line_t", FillCommandLine));
  }
}

void RenderHandlerOnWebKitInitialized(Exe* handler) {
  auto* s = ExeStruct<cef_render_process_handler_t>(handler);
  if (s->on_web_kit_initialized) {
    CallingExecutable calling;
    s->on_web_kit_initialized(s);
  }
}

void RenderHandlerOnBrowserCreated(Exe* handler, Obj* browser, Obj* extraInfo) {
  auto* s = ExeStruct<cef_render_process_handler_t>(handler);
  if (s->on_browser_created) {
    CallingExecutable calling;
    s->on_browser_created(
        s, BrowserLent(browser),
        Make(extraInfo, Kind::kDictionary, "cef_dictionary_value_t", FillDictionary));
  }
}

void RenderHandlerOnBrowserDestroyed(Exe* handler, Obj* browser) {
  auto* s = ExeStruct<cef_render_process_handler_t>(handler);
  if (s->on_browser_destroyed) {
    CallingExecutable calling;
    s->on_browser_destroyed(s, BrowserLent(browser));
  }
}

void RenderHandlerOnContextCreated(Exe* handler, Obj* browser, Obj* frame, Obj* context) {
  auto* s = ExeStruct<cef_render_process_handler_t>(handler);
  if (s->on_context_created) {
    CallingExecutable calling;
    s->on_context_created(s, BrowserLent(browser), FrameLent(frame), ContextLent(context));
  }
}

Exe* RenderHandlerLoadHandler(Exe* handler) {
  auto* s = ExeStruct<cef_render_process_handler_t>(handler);
  if (!s->get_load_handler) {
    return nullptr;
  }
  CallingExecutable calling;
  cef_load_handler_t* loadHandler = s->get_load_handler(s);
  return Keep(loadHandler);
}

void LoadHandlerOnLoadEnd(Exe* handler, Obj* browser, Obj* frame, int httpStatusCode) {
  auto* s = ExeStruct<cef_load_handler_t>(handler);
  if (s->on_load_end) {
    CallingExecutable calling;
    s->on_load_end(s, BrowserLent(browser), FrameLent(frame), httpStatusCode);
  }
}

void RenderHandlerOnContextReleased(Exe* handler, Obj* browser, Obj* frame, Obj* context) {
  auto* s = ExeStruct<cef_render_process_handler_t>(handler);
  if (s->on_context_released) {
    CallingExecutable calling;
    s->on_context_released(s, BrowserLent(browser), FrameLent(frame), ContextLent(context));
  }
}

void RenderHandlerOnUncaughtException(Exe* handler,
                                      Obj* browser,
                                      Obj* frame,
                                      Obj* context,
                                      Obj* exception,
                                      Obj* stackTrace) {
  auto* s = ExeStruct<cef_render_process_handler_t>(handler);
  if (s->on_uncaught_exception) {
    CallingExecutable calling;
    s->on_uncaught_exception(
        s, BrowserLent(browser), FrameLent(frame), ContextLent(context),
        Make(exception, Kind::kException, "cef_v8exception_t", FillException),
        Make(stackTrace, Kind::kStackTrace, "cef_v8stack_trace_t", FillStackTrace));
  }
}

bool RenderHandlerOnProcessMessageReceived(Exe* handler,
                                           Obj* browser,
                                           Obj* frame,
                                           int source,
                                           Obj* message) {
  auto* s = ExeStruct<cef_render_process_handler_t>(handler);
  if (!s->on_process_message_received) {
    return false;
  }
  CallingExecutable calling;
  return s->on_process_message_received(
             s, BrowserLent(browser), FrameLent(frame), static_cast<cef_process_id_t>(source),
             Make(message, Kind::kMessage, "cef_process_message_t", FillMessage)) != 0;
}

bool V8HandlerExecute(Exe* handler,
                      const std::u16string& name,
                      Obj* receiver,
                      const std::vector<Obj*>& arguments,
                      Obj** retval,
                      std::u16string& exception) {
  auto* s = ExeStruct<cef_v8handler_t>(handler);
  if (!s->execute) {
    return false;
  }
  const cef_string_t text = Lend(name);
  std::vector<cef_v8value_t*> args;
  for (Obj* argument : arguments) {
    args.push_back(ValueLent(argument));
  }
  cef_v8value_t* result = nullptr;
  cef_string_t thrown = {};
  int handled = 0;
  {
    CallingExecutable calling;
    handled = s->execute(s, &text, ValueLent(receiver), args.size(),
                         args.empty() ? nullptr : args.data(), &result, &thrown);
  }
  return V8Answer(handled, result, &thrown, retval, exception);
}

void DomVisitorVisit(Exe* visitor, Obj* document) {
  auto* s = ExeStruct<cef_domvisitor_t>(visitor);
  if (s->visit) {
    CallingExecutable calling;
    s->visit(s, Make(document, Kind::kDocument, "cef_domdocument_t", FillDocument));
  }
}

void TaskExecute(Exe* task) {
  auto* s = ExeStruct<cef_task_t>(task);
  if (s->execute) {
    CallingExecutable calling;
    s->execute(s);
  }
}

void TrapCalled(const char* what) {
  std::fprintf(stderr, "libcef double: unmodeled call %s\n", what);
  LogUnmodeled(what);
}

}  // namespace cef_double

using namespace cef_double;

// ---------------------------------------------------------------------------------------
// Exports

extern "C" {

CEF_EXPORT const char* cef_api_hash(int entry) {
  switch (entry) {
    case 0:
      return CEF_API_HASH_PLATFORM;
    case 1:
      return CEF_API_HASH_UNIVERSAL;
    case 2:
      return CEF_COMMIT_HASH;
    default:
      return nullptr;
  }
}

CEF_EXPORT int cef_version_info(int entry) {
  static const int kInfo[] = {CEF_VERSION_MAJOR,    CEF_VERSION_MINOR,    CEF_VERSION_PATCH,
                              CEF_COMMIT_NUMBER,    CHROME_VERSION_MAJOR, CHROME_VERSION_MINOR,
                              CHROME_VERSION_BUILD, CHROME_VERSION_PATCH};
  return entry >= 0 && entry < 8 ? kInfo[entry] : 0;
}

CEF_EXPORT void cef_enable_highdpi_support() {
  EnableHighDpiSupport();
}

CEF_EXPORT int cef_execute_process(const cef_main_args_t* args,
                                   cef_app_t* application,
                                   void* windows_sandbox_info) {
  (void)args;
  int code = 0;
  {
    InEntry entry;
    code = ExecuteProcess(Keep(application), windows_sandbox_info != nullptr);
  }
  return code;
}

CEF_EXPORT int cef_initialize(const cef_main_args_t* args,
                              const struct _cef_settings_t* s,
                              cef_app_t* application,
                              void* windows_sandbox_info) {
  (void)args;
  Settings settings;
  if (s) {
    settings.no_sandbox = s->no_sandbox != 0;
    settings.browser_subprocess_path = In(&s->browser_subprocess_path);
    settings.multi_threaded_message_loop = s->multi_threaded_message_loop != 0;
    settings.external_message_pump = s->external_message_pump != 0;
    settings.windowless_rendering_enabled = s->windowless_rendering_enabled != 0;
    settings.command_line_args_disabled = s->command_line_args_disabled != 0;
    settings.cache_path = In(&s->cache_path);
    settings.root_cache_path = In(&s->root_cache_path);
    settings.user_data_path = In(&s->user_data_path);
    settings.locale = In(&s->locale);
    settings.log_file = In(&s->log_file);
    settings.log_severity = static_cast<int>(s->log_severity);
    settings.remote_debugging_port = s->remote_debugging_port;
    settings.uncaught_exception_stack_size = s->uncaught_exception_stack_size;
    settings.accept_language_list = In(&s->accept_language_list);
  }
  InEntry entry;
  return Initialize(settings, Keep(application), windows_sandbox_info != nullptr);
}

CEF_EXPORT int cef_post_task(cef_thread_id_t thread, cef_task_t* task) {
  if (!task) {
    return 0;
  }
  return PostTask(static_cast<int>(thread), Keep(task));
}

CEF_EXPORT int cef_currently_on(cef_thread_id_t thread) {
  return CurrentlyOn(static_cast<int>(thread));
}

CEF_EXPORT cef_process_message_t* cef_process_message_create(const cef_string_t* name) {
  return MessageOut(MessageCreate(In(name)));
}

CEF_EXPORT cef_list_value_t* cef_list_value_create() {
  return ListOut(ListCreate());
}

CEF_EXPORT cef_command_line_t* cef_command_line_create() {
  return CommandLineOut(CommandLineCreate());
}

CEF_EXPORT cef_v8context_t* cef_v8context_get_current_context() {
  return ContextOut(ContextCurrent());
}
CEF_EXPORT cef_v8context_t* cef_v8context_get_entered_context() {
  return ContextOut(ContextEntered());
}
CEF_EXPORT int cef_v8context_in_context() {
  return ContextInContext();
}

CEF_EXPORT cef_v8value_t* cef_v8value_create_undefined() {
  return ValueOut(V8Create(V8Make::kUndefined, 0));
}
CEF_EXPORT cef_v8value_t* cef_v8value_create_null() {
  return ValueOut(V8Create(V8Make::kNull, 0));
}
CEF_EXPORT cef_v8value_t* cef_v8value_create_bool(int value) {
  return ValueOut(V8Create(V8Make::kBool, value != 0));
}
CEF_EXPORT cef_v8value_t* cef_v8value_create_int(int32 value) {
  return ValueOut(V8Create(V8Make::kInt, value));
}
CEF_EXPORT cef_v8value_t* cef_v8value_create_uint(uint32 value) {
  return ValueOut(V8Create(V8Make::kUInt, value));
}
CEF_EXPORT cef_v8value_t* cef_v8value_create_double(double value) {
  return ValueOut(V8Create(V8Make::kDouble, value));
}
CEF_EXPORT cef_v8value_t* cef_v8value_create_string(const cef_string_t* value) {
  return ValueOut(V8CreateString(In(value)));
}
CEF_EXPORT cef_v8value_t* cef_v8value_create_object(cef_v8accessor_t* accessor,
                                                    cef_v8interceptor_t* interceptor) {
  // The object keeps both for its life.
  return ValueOut(V8CreateObject(Keep(accessor), Keep(interceptor)));
}
CEF_EXPORT cef_v8value_t* cef_v8value_create_array(int length) {
  return ValueOut(V8Create(V8Make::kArray, length));
}
CEF_EXPORT cef_v8value_t* cef_v8value_create_function(const cef_string_t* name,
                                                      cef_v8handler_t* handler) {
  return ValueOut(V8CreateFunction(In(name), Keep(handler)));
}

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_DETACH) {
    CheckObjects("process end");
  }
  return TRUE;
}
