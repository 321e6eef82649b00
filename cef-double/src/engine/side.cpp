// The engine half of the double: the stand-in's engine behind plain functions, and the
// executable's handlers as the stand-in's C++ interfaces, so that the engine drives the
// executable through the C half exactly as it drives the stand-in build's application.
#include <string>
#include <vector>

#include "base/event_log.h"
#include "handles.h"
#include "include/cef_app.h"
#include "include/cef_dom.h"
#include "include/cef_process_message.h"
#include "include/cef_task.h"
#include "include/cef_v8.h"
#include "include/cef_values.h"
#include "include/cef_waitable_event.h"
#include "neutral.h"

namespace cef_double {
namespace {

std::u16string Text(const CefString& text) {
  return text.ToString16();
}

class ExeV8Handler : public CefV8Handler {
 public:
  explicit ExeV8Handler(Exe* exe) : exe_(exe) {}
  bool Execute(const CefString& name,
               CefRefPtr<CefV8Value> object,
               const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval,
               CefString& exception) override {
    std::vector<Obj*> args;
    args.reserve(arguments.size());
    for (const auto& argument : arguments) {
      args.push_back(Borrow(argument.get()));
    }
    Obj* result = nullptr;
    std::u16string thrown;
    Obj* receiver = Borrow(object.get());
    const bool handled = V8HandlerExecute(exe_.get(), Text(name), receiver, args, &result, thrown);
    return Answered(handled, result, &retval, thrown, exception);
  }
  Exe* exe() const { return exe_.get(); }

 private:
  ExeRef exe_;
  IMPLEMENT_REFCOUNTING(ExeV8Handler);
};

// User data the executable gave a value: CEF keeps it as it is and hands it back.
class ExeUserData : public CefBaseRefCounted {
 public:
  explicit ExeUserData(Exe* exe) : exe_(exe) {}
  Exe* exe() const { return exe_.get(); }

 private:
  ExeRef exe_;
  IMPLEMENT_REFCOUNTING(ExeUserData);
};

class ExeDomVisitor : public CefDOMVisitor {
 public:
  explicit ExeDomVisitor(Exe* exe) : exe_(exe) {}
  void Visit(CefRefPtr<CefDOMDocument> document) override {
    DomVisitorVisit(exe_.get(), Borrow(document.get()));
  }

 private:
  ExeRef exe_;
  IMPLEMENT_REFCOUNTING(ExeDomVisitor);
};

class ExeLoadHandler : public CefLoadHandler {
 public:
  explicit ExeLoadHandler(Exe* exe) : exe_(exe) {}
  void OnLoadEnd(CefRefPtr<CefBrowser> browser,
                 CefRefPtr<CefFrame> frame,
                 int httpStatusCode) override {
    LoadHandlerOnLoadEnd(exe_.get(), Borrow(browser.get()), Borrow(frame.get()), httpStatusCode);
  }

 private:
  ExeRef exe_;
  IMPLEMENT_REFCOUNTING(ExeLoadHandler);
};

class ExeRenderHandler : public CefRenderProcessHandler {
 public:
  explicit ExeRenderHandler(Exe* exe) : exe_(exe) {}
  CefRefPtr<CefLoadHandler> GetLoadHandler() override {
    Exe* handler = RenderHandlerLoadHandler(exe_.get());
    return handler ? new ExeLoadHandler(handler) : nullptr;
  }
  void OnWebKitInitialized() override { RenderHandlerOnWebKitInitialized(exe_.get()); }
  void OnBrowserCreated(CefRefPtr<CefBrowser> browser,
                        CefRefPtr<CefDictionaryValue> extra_info) override {
    RenderHandlerOnBrowserCreated(exe_.get(), Borrow(browser.get()), Borrow(extra_info.get()));
  }
  void OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) override {
    RenderHandlerOnBrowserDestroyed(exe_.get(), Borrow(browser.get()));
  }
  void OnContextCreated(CefRefPtr<CefBrowser> browser,
                        CefRefPtr<CefFrame> frame,
                        CefRefPtr<CefV8Context> context) override {
    RenderHandlerOnContextCreated(exe_.get(), Borrow(browser.get()), Borrow(frame.get()),
                                  Borrow(context.get()));
  }
  void OnContextReleased(CefRefPtr<CefBrowser> browser,
                         CefRefPtr<CefFrame> frame,
                         CefRefPtr<CefV8Context> context) override {
    RenderHandlerOnContextReleased(exe_.get(), Borrow(browser.get()), Borrow(frame.get()),
                                   Borrow(context.get()));
  }
  void OnUncaughtException(CefRefPtr<CefBrowser> browser,
                           CefRefPtr<CefFrame> frame,
                           CefRefPtr<CefV8Context> context,
                           CefRefPtr<CefV8Exception> exception,
                           CefRefPtr<CefV8StackTrace> stackTrace) override {
    RenderHandlerOnUncaughtException(exe_.get(), Borrow(browser.get()), Borrow(frame.get()),
                                     Borrow(context.get()), Borrow(exception.get()),
                                     Borrow(stackTrace.get()));
  }
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                CefRefPtr<CefFrame> frame,
                                CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message) override {
    return RenderHandlerOnProcessMessageReceived(
        exe_.get(), Borrow(browser.get()), Borrow(frame.get()), static_cast<int>(source_process),
        Borrow(message.get()));
  }

 private:
  ExeRef exe_;
  IMPLEMENT_REFCOUNTING(ExeRenderHandler);
};

class ExeBrowserHandler : public CefBrowserProcessHandler {
 public:
  explicit ExeBrowserHandler(Exe* exe) : exe_(exe) {}
  void OnContextInitialized() override { BrowserHandlerOnContextInitialized(exe_.get()); }
  void OnBeforeChildProcessLaunch(CefRefPtr<CefCommandLine> command_line) override {
    BrowserHandlerOnBeforeChildProcessLaunch(exe_.get(), Borrow(command_line.get()));
  }

 private:
  ExeRef exe_;
  IMPLEMENT_REFCOUNTING(ExeBrowserHandler);
};

class ExeApp : public CefApp {
 public:
  explicit ExeApp(Exe* exe) : exe_(exe) {}
  void OnBeforeCommandLineProcessing(const CefString& process_type,
                                     CefRefPtr<CefCommandLine> command_line) override {
    AppOnBeforeCommandLineProcessing(exe_.get(), Text(process_type), Borrow(command_line.get()));
  }
  void OnRegisterCustomSchemes(CefRawPtr<CefSchemeRegistrar> registrar) override {
    AppOnRegisterCustomSchemes(exe_.get(), reinterpret_cast<Registrar*>(registrar));
  }
  CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override {
    Exe* handler = AppBrowserProcessHandler(exe_.get());
    return handler ? new ExeBrowserHandler(handler) : nullptr;
  }
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override {
    Exe* handler = AppRenderProcessHandler(exe_.get());
    return handler ? new ExeRenderHandler(handler) : nullptr;
  }

 private:
  ExeRef exe_;
  IMPLEMENT_REFCOUNTING(ExeApp);
};

CefString::struct_type* Field(cef_string_t& field) {
  return &field;
}

}  // namespace

CefRefPtr<CefV8Handler> V8HandlerOfExe(Exe* handler) {
  return handler ? new ExeV8Handler(handler) : nullptr;
}

Exe* ExeOfV8Handler(const CefRefPtr<CefV8Handler>& handler) {
  auto* own = dynamic_cast<ExeV8Handler*>(handler.get());
  return own ? own->exe() : nullptr;
}

// Objects

namespace {

const CefBaseRefCounted* Base(Kind kind, Obj* object) {
  switch (kind) {
    case Kind::kBrowser:
      return As<CefBrowser>(object);
    case Kind::kFrame:
      return As<CefFrame>(object);
    case Kind::kContext:
      return As<CefV8Context>(object);
    case Kind::kValue:
      return As<CefV8Value>(object);
    case Kind::kMessage:
      return As<CefProcessMessage>(object);
    case Kind::kList:
      return As<CefListValue>(object);
    case Kind::kDocument:
      return As<CefDOMDocument>(object);
    case Kind::kNode:
      return As<CefDOMNode>(object);
    case Kind::kCommandLine:
      return As<CefCommandLine>(object);
    case Kind::kDictionary:
      return As<CefDictionaryValue>(object);
    case Kind::kBinary:
      return As<CefBinaryValue>(object);
    case Kind::kBox:
      return As<CefValue>(object);
    case Kind::kTaskRunner:
      return As<CefTaskRunner>(object);
    case Kind::kWaitableEvent:
      return As<CefWaitableEvent>(object);
    case Kind::kException:
      return As<CefV8Exception>(object);
    case Kind::kStackTrace:
      return As<CefV8StackTrace>(object);
    case Kind::kStackFrame:
      return As<CefV8StackFrame>(object);
  }
  return nullptr;
}

}  // namespace

void ObjAddRef(Kind kind, Obj* object) {
  Base(kind, object)->AddRef();
}

void ObjRelease(Kind kind, Obj* object) {
  Base(kind, object)->Release();
}

// Entry points

void EnableHighDpiSupport() {
  CefEnableHighDPISupport();
}

CefRefPtr<CefApp> AppOfExe(Exe* app) {
  return app ? new ExeApp(app) : nullptr;
}

int ExecuteProcess(Exe* app, bool hasSandboxInfo) {
  CefMainArgs args;
  CefRefPtr<CefApp> application = app ? new ExeApp(app) : nullptr;
  static int sandbox = 0;
  return CefExecuteProcess(args, application, hasSandboxInfo ? &sandbox : nullptr);
}

bool Initialize(const Settings& s, Exe* app, bool hasSandboxInfo) {
  CefMainArgs args;
  CefSettings settings;
  settings.no_sandbox = s.no_sandbox;
  CefString(Field(settings.browser_subprocess_path)) = s.browser_subprocess_path;
  settings.multi_threaded_message_loop = s.multi_threaded_message_loop;
  settings.external_message_pump = s.external_message_pump;
  settings.windowless_rendering_enabled = s.windowless_rendering_enabled;
  settings.command_line_args_disabled = s.command_line_args_disabled;
  CefString(Field(settings.cache_path)) = s.cache_path;
  CefString(Field(settings.root_cache_path)) = s.root_cache_path;
  CefString(Field(settings.user_data_path)) = s.user_data_path;
  CefString(Field(settings.locale)) = s.locale;
  CefString(Field(settings.log_file)) = s.log_file;
  settings.log_severity = static_cast<cef_log_severity_t>(s.log_severity);
  settings.remote_debugging_port = s.remote_debugging_port;
  settings.uncaught_exception_stack_size = s.uncaught_exception_stack_size;
  CefString(Field(settings.accept_language_list)) = s.accept_language_list;
  CefRefPtr<CefApp> application = app ? new ExeApp(app) : nullptr;
  static int sandbox = 0;
  return CefInitialize(args, settings, application, hasSandboxInfo ? &sandbox : nullptr);
}

void LogJson(const std::string& json) {
  cef_standin::LogEvent(nlohmann::json::parse(json, nullptr, false));
}

void LogUnmodeled(const char* what) {
  cef_standin::LogEvent({{"event", "Unmodeled"}, {"call", what}});
}

bool CurrentlyOn(int thread) {
  return CefCurrentlyOn(static_cast<CefThreadId>(thread));
}

// Browsers and frames

bool BrowserIsValid(Obj* browser) {
  return Take<CefBrowser>(browser)->IsValid();
}
int BrowserId(Obj* browser) {
  return Take<CefBrowser>(browser)->GetIdentifier();
}
bool BrowserIsSame(Obj* browser, Obj* other) {
  return Take<CefBrowser>(browser)->IsSame(Take<CefBrowser>(other));
}
bool BrowserIsPopup(Obj* browser) {
  return Take<CefBrowser>(browser)->IsPopup();
}
bool BrowserHasDocument(Obj* browser) {
  return Take<CefBrowser>(browser)->HasDocument();
}
Obj* BrowserMainFrame(Obj* browser) {
  return Give(Take<CefBrowser>(browser)->GetMainFrame());
}
Obj* BrowserFocusedFrame(Obj* browser) {
  return Give(Take<CefBrowser>(browser)->GetFocusedFrame());
}
Obj* BrowserFrameByName(Obj* browser, const std::u16string& name) {
  return Give(Take<CefBrowser>(browser)->GetFrame(CefString(name)));
}
Obj* BrowserFrameById(Obj* browser, int64_t id) {
  return Give(Take<CefBrowser>(browser)->GetFrame(static_cast<int64>(id)));
}
size_t BrowserFrameCount(Obj* browser) {
  return Take<CefBrowser>(browser)->GetFrameCount();
}
std::vector<std::u16string> BrowserFrameNames(Obj* browser) {
  std::vector<CefString> names;
  Take<CefBrowser>(browser)->GetFrameNames(names);
  return Texts(names);
}

bool FrameIsValid(Obj* frame) {
  return Take<CefFrame>(frame)->IsValid();
}
bool FrameIsMain(Obj* frame) {
  return Take<CefFrame>(frame)->IsMain();
}
bool FrameIsFocused(Obj* frame) {
  return Take<CefFrame>(frame)->IsFocused();
}
std::u16string FrameName(Obj* frame) {
  return Text(Take<CefFrame>(frame)->GetName());
}
int64_t FrameId(Obj* frame) {
  return Take<CefFrame>(frame)->GetIdentifier();
}
std::u16string FrameUrl(Obj* frame) {
  return Text(Take<CefFrame>(frame)->GetURL());
}
Obj* FrameParent(Obj* frame) {
  return Give(Take<CefFrame>(frame)->GetParent());
}
Obj* FrameBrowser(Obj* frame) {
  return Give(Take<CefFrame>(frame)->GetBrowser());
}
Obj* FrameV8Context(Obj* frame) {
  return Give(Take<CefFrame>(frame)->GetV8Context());
}
void FrameVisitDom(Obj* frame, Exe* visitor) {
  CefRefPtr<CefDOMVisitor> adapter = visitor ? new ExeDomVisitor(visitor) : nullptr;
  Take<CefFrame>(frame)->VisitDOM(adapter);
}
void FrameSendProcessMessage(Obj* frame, int target, Obj* message) {
  Take<CefFrame>(frame)->SendProcessMessage(static_cast<CefProcessId>(target),
                                            Take<CefProcessMessage>(message));
}
void FrameExecuteJavaScript(Obj* frame,
                            const std::u16string& code,
                            const std::u16string& url,
                            int line) {
  Take<CefFrame>(frame)->ExecuteJavaScript(code, url, line);
}
void FrameLoadUrl(Obj* frame, const std::u16string& url) {
  Take<CefFrame>(frame)->LoadURL(url);
}

// V8 contexts and values

Obj* ContextCurrent() {
  return Give(CefV8Context::GetCurrentContext());
}
Obj* ContextEntered() {
  return Give(CefV8Context::GetEnteredContext());
}
bool ContextInContext() {
  return CefV8Context::InContext();
}
bool ContextIsValid(Obj* context) {
  return Take<CefV8Context>(context)->IsValid();
}
Obj* ContextBrowser(Obj* context) {
  return Give(Take<CefV8Context>(context)->GetBrowser());
}
Obj* ContextFrame(Obj* context) {
  return Give(Take<CefV8Context>(context)->GetFrame());
}
Obj* ContextGlobal(Obj* context) {
  return Give(Take<CefV8Context>(context)->GetGlobal());
}
bool ContextEnter(Obj* context) {
  return Take<CefV8Context>(context)->Enter();
}
bool ContextExit(Obj* context) {
  return Take<CefV8Context>(context)->Exit();
}
bool ContextIsSame(Obj* context, Obj* other) {
  return Take<CefV8Context>(context)->IsSame(Take<CefV8Context>(other));
}

Obj* V8Create(V8Make kind, double number) {
  switch (kind) {
    case V8Make::kUndefined:
      return Give(CefV8Value::CreateUndefined());
    case V8Make::kNull:
      return Give(CefV8Value::CreateNull());
    case V8Make::kBool:
      return Give(CefV8Value::CreateBool(number != 0));
    case V8Make::kInt:
      return Give(CefV8Value::CreateInt(static_cast<int32>(number)));
    case V8Make::kUInt:
      return Give(CefV8Value::CreateUInt(static_cast<uint32>(number)));
    case V8Make::kDouble:
      return Give(CefV8Value::CreateDouble(number));
    case V8Make::kObject:
      return Give(CefV8Value::CreateObject(nullptr, nullptr));
    case V8Make::kArray:
      return Give(CefV8Value::CreateArray(static_cast<int>(number)));
  }
  return nullptr;
}
Obj* V8CreateString(const std::u16string& text) {
  return Give(CefV8Value::CreateString(text));
}
Obj* V8CreateFunction(const std::u16string& name, Exe* handler) {
  return Give(CefV8Value::CreateFunction(name, V8HandlerOfExe(handler)));
}

int64_t V8Query(Obj* value, V8Ask what) {
  CefRefPtr<CefV8Value> v = Take<CefV8Value>(value);
  switch (what) {
    case V8Ask::kIsValid:
      return v->IsValid();
    case V8Ask::kIsUndefined:
      return v->IsUndefined();
    case V8Ask::kIsNull:
      return v->IsNull();
    case V8Ask::kIsBool:
      return v->IsBool();
    case V8Ask::kIsInt:
      return v->IsInt();
    case V8Ask::kIsUInt:
      return v->IsUInt();
    case V8Ask::kIsDouble:
      return v->IsDouble();
    case V8Ask::kIsDate:
      return v->IsDate();
    case V8Ask::kIsString:
      return v->IsString();
    case V8Ask::kIsObject:
      return v->IsObject();
    case V8Ask::kIsArray:
      return v->IsArray();
    case V8Ask::kIsArrayBuffer:
      return v->IsArrayBuffer();
    case V8Ask::kIsFunction:
      return v->IsFunction();
    case V8Ask::kIsUserCreated:
      return v->IsUserCreated();
    case V8Ask::kHasException:
      return v->HasException();
    case V8Ask::kClearException:
      return v->ClearException();
    case V8Ask::kWillRethrowExceptions:
      return v->WillRethrowExceptions();
    case V8Ask::kBoolValue:
      return v->GetBoolValue();
    case V8Ask::kIntValue:
      return v->GetIntValue();
    case V8Ask::kUIntValue:
      return v->GetUIntValue();
    case V8Ask::kArrayLength:
      return v->GetArrayLength();
  }
  return 0;
}
double V8Double(Obj* value) {
  return Take<CefV8Value>(value)->GetDoubleValue();
}
std::u16string V8String(Obj* value) {
  return Text(Take<CefV8Value>(value)->GetStringValue());
}
std::u16string V8FunctionName(Obj* value) {
  return Text(Take<CefV8Value>(value)->GetFunctionName());
}
bool V8IsSame(Obj* value, Obj* other) {
  return Take<CefV8Value>(value)->IsSame(Take<CefV8Value>(other));
}
bool V8SetRethrow(Obj* value, bool rethrow) {
  return Take<CefV8Value>(value)->SetRethrowExceptions(rethrow);
}
bool V8HasKey(Obj* value, const std::u16string& key) {
  return Take<CefV8Value>(value)->HasValue(CefString(key));
}
bool V8HasIndex(Obj* value, int index) {
  return Take<CefV8Value>(value)->HasValue(index);
}
bool V8DeleteKey(Obj* value, const std::u16string& key) {
  return Take<CefV8Value>(value)->DeleteValue(CefString(key));
}
bool V8DeleteIndex(Obj* value, int index) {
  return Take<CefV8Value>(value)->DeleteValue(index);
}
Obj* V8GetKey(Obj* value, const std::u16string& key) {
  return Give(Take<CefV8Value>(value)->GetValue(CefString(key)));
}
Obj* V8GetIndex(Obj* value, int index) {
  return Give(Take<CefV8Value>(value)->GetValue(index));
}
bool V8SetKey(Obj* value, const std::u16string& key, Obj* item, int attribute) {
  return Take<CefV8Value>(value)->SetValue(CefString(key), Take<CefV8Value>(item),
                                           static_cast<CefV8Value::PropertyAttribute>(attribute));
}
bool V8SetIndex(Obj* value, int index, Obj* item) {
  return Take<CefV8Value>(value)->SetValue(index, Take<CefV8Value>(item));
}
bool V8Keys(Obj* value, std::vector<std::u16string>& keys) {
  std::vector<CefString> names;
  const bool ok = Take<CefV8Value>(value)->GetKeys(names);
  keys = Texts(names);
  return ok;
}
Obj* V8Execute(Obj* function, Obj* context, Obj* receiver, const std::vector<Obj*>& arguments) {
  CefV8ValueList list;
  for (Obj* argument : arguments) {
    list.push_back(Take<CefV8Value>(argument));
  }
  CefRefPtr<CefV8Value> f = Take<CefV8Value>(function);
  if (context) {
    return Give(f->ExecuteFunctionWithContext(Take<CefV8Context>(context),
                                              Take<CefV8Value>(receiver), list));
  }
  return Give(f->ExecuteFunction(Take<CefV8Value>(receiver), list));
}

// Process messages and lists

Obj* MessageCreate(const std::u16string& name) {
  return Give(CefProcessMessage::Create(name));
}
bool MessageIsValid(Obj* message) {
  return Take<CefProcessMessage>(message)->IsValid();
}
bool MessageIsReadOnly(Obj* message) {
  return Take<CefProcessMessage>(message)->IsReadOnly();
}
Obj* MessageCopy(Obj* message) {
  return Give(Take<CefProcessMessage>(message)->Copy());
}
std::u16string MessageName(Obj* message) {
  return Text(Take<CefProcessMessage>(message)->GetName());
}
Obj* MessageArguments(Obj* message) {
  return Give(Take<CefProcessMessage>(message)->GetArgumentList());
}

Obj* ListCreate() {
  return Give(CefListValue::Create());
}
Obj* ListCopy(Obj* list) {
  return Give(Take<CefListValue>(list)->Copy());
}
bool ListSetSize(Obj* list, size_t size) {
  return Take<CefListValue>(list)->SetSize(size);
}

// DOM

Obj* DocumentBody(Obj* document) {
  return Give(Take<CefDOMDocument>(document)->GetBody());
}
std::u16string DocumentTitle(Obj* document) {
  return Text(Take<CefDOMDocument>(document)->GetTitle());
}
bool NodeIsText(Obj* node) {
  return Take<CefDOMNode>(node)->IsText();
}
bool NodeIsElement(Obj* node) {
  return Take<CefDOMNode>(node)->IsElement();
}
std::u16string NodeName(Obj* node) {
  return Text(Take<CefDOMNode>(node)->GetName());
}
std::u16string NodeTagName(Obj* node) {
  return Text(Take<CefDOMNode>(node)->GetElementTagName());
}
std::u16string NodeInnerText(Obj* node) {
  return Text(Take<CefDOMNode>(node)->GetElementInnerText());
}

// Command lines and the scheme registrar

Obj* CommandLineCreate() {
  return Give(CefCommandLine::CreateCommandLine());
}
bool CommandLineIsReadOnly(Obj* commandLine) {
  return Take<CefCommandLine>(commandLine)->IsReadOnly();
}
std::u16string CommandLineString(Obj* commandLine) {
  return Text(Take<CefCommandLine>(commandLine)->GetCommandLineString());
}
std::u16string CommandLineProgram(Obj* commandLine) {
  return Text(Take<CefCommandLine>(commandLine)->GetProgram());
}
void CommandLineSetProgram(Obj* commandLine, const std::u16string& program) {
  Take<CefCommandLine>(commandLine)->SetProgram(CefString(program));
}
bool CommandLineHasSwitches(Obj* commandLine) {
  return Take<CefCommandLine>(commandLine)->HasSwitches();
}
bool CommandLineHasSwitch(Obj* commandLine, const std::u16string& name) {
  return Take<CefCommandLine>(commandLine)->HasSwitch(CefString(name));
}
std::u16string CommandLineSwitchValue(Obj* commandLine, const std::u16string& name) {
  return Text(Take<CefCommandLine>(commandLine)->GetSwitchValue(CefString(name)));
}
void CommandLineAppendSwitch(Obj* commandLine, const std::u16string& name) {
  Take<CefCommandLine>(commandLine)->AppendSwitch(CefString(name));
}
void CommandLineAppendSwitchWithValue(Obj* commandLine,
                                      const std::u16string& name,
                                      const std::u16string& value) {
  Take<CefCommandLine>(commandLine)->AppendSwitchWithValue(CefString(name), CefString(value));
}
bool CommandLineHasArguments(Obj* commandLine) {
  return Take<CefCommandLine>(commandLine)->HasArguments();
}
void CommandLineAppendArgument(Obj* commandLine, const std::u16string& argument) {
  Take<CefCommandLine>(commandLine)->AppendArgument(CefString(argument));
}
std::vector<std::u16string> CommandLineArgv(Obj* commandLine) {
  std::vector<CefString> argv;
  Take<CefCommandLine>(commandLine)->GetArgv(argv);
  return Texts(argv);
}

bool RegistrarAddCustomScheme(Registrar* registrar, const std::u16string& name, int options) {
  return reinterpret_cast<CefSchemeRegistrar*>(registrar)->AddCustomScheme(CefString(name),
                                                                           options);
}

bool V8SetUserData(Obj* value, Exe* data) {
  return Take<CefV8Value>(value)->SetUserData(data ? new ExeUserData(data) : nullptr);
}

Exe* V8UserData(Obj* value) {
  CefRefPtr<CefBaseRefCounted> data = Take<CefV8Value>(value)->GetUserData();
  auto* own = dynamic_cast<ExeUserData*>(data.get());
  return own ? own->exe() : nullptr;
}

Obj* V8Exception(Obj* value) {
  return Give(Take<CefV8Value>(value)->GetException());
}

ExceptionInfo V8ExceptionInfo(Obj* exception) {
  CefV8Exception* e = Take<CefV8Exception>(exception);
  ExceptionInfo info;
  info.message = Text(e->GetMessage());
  info.sourceLine = Text(e->GetSourceLine());
  info.scriptResourceName = Text(e->GetScriptResourceName());
  info.lineNumber = e->GetLineNumber();
  info.startPosition = e->GetStartPosition();
  info.endPosition = e->GetEndPosition();
  info.startColumn = e->GetStartColumn();
  info.endColumn = e->GetEndColumn();
  return info;
}

}  // namespace cef_double
