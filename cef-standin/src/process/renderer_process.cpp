#include "standin/renderer_process.h"

#include <algorithm>

#include "base/event_log.h"
#include "base/utf.h"
#include "page/globals.h"
#include "threads/tasks.h"
#include "v8/context.h"
#include "v8/extensions.h"
#include "v8/json_values.h"
#include "v8/objects.h"
#include "v8/run.h"
#include "v8/uncaught_exception.h"
#include "values/process_message.h"

namespace cef_standin {
namespace {

const char* SourceName(CefProcessId source) {
  return source == PID_BROWSER ? "browser" : "renderer";
}

nlohmann::json Where(const CefRefPtr<Frame>& frame) {
  return {{"browser", frame->browserId()}, {"frame", frame->label()}};
}

nlohmann::json Event(const char* name, const CefRefPtr<Frame>& frame) {
  nlohmann::json event = Where(frame);
  event["event"] = name;
  return event;
}

}  // namespace

RendererProcess* RendererProcess::Current() {
  // Every page host is a renderer process.
  return dynamic_cast<RendererProcess*>(PageHost::Current());
}

RendererProcess::RendererProcess(CefRefPtr<CefApp> app) {
  previous_ = Current();
  SetCurrent(this);
  // Every context of a page has its timers and DOM.
  UsePageGlobals();
  OpenRendererTasks();
  handler_ = app ? app->GetRenderProcessHandler() : nullptr;
  LogEvent({{"event", "GetRenderProcessHandler"}, {"handler", static_cast<bool>(handler_)}});
  if (handler_) {
    handler_->OnWebKitInitialized();
    LogEvent({{"event", "OnWebKitInitialized"}});
  }
  SetUncaughtExceptionHandler(handler_, UncaughtExceptionStackSize());
}

RendererProcess::~RendererProcess() {
  if (Current() == this) {
    SetCurrent(previous_);
  }
  // Tasks still queued never run: the renderer thread ends with the process.
  CloseRendererTasks();
  SetUncaughtExceptionHandler(nullptr, 0);
  ClearExtensions();
  // The process ends without further calls into the application; the pages' objects
  // still let go of the application's functions.
  for (const auto& frame : framesWithContext_) {
    CefRefPtr<CefV8Context> context = frame->GetV8Context();
    frame->SetV8Context(nullptr);
    if (auto* own = dynamic_cast<V8Context*>(context.get())) {
      own->Invalidate();
    }
  }
}

CefRefPtr<Browser> RendererProcess::CreateBrowser(int id, CefRefPtr<CefDictionaryValue> extraInfo) {
  if (browsers_.count(id)) {
    return nullptr;
  }
  CefRefPtr<Browser> browser = Browser::Create(id);
  browsers_[id] = browser;
  if (handler_) {
    handler_->OnBrowserCreated(browser.get(), extraInfo);
  }
  LogEvent({{"event", "OnBrowserCreated"}, {"browser", id}});
  return browser;
}

CefRefPtr<Browser> RendererProcess::FindBrowser(int id) const {
  auto found = browsers_.find(id);
  return found == browsers_.end() ? nullptr : found->second;
}

void RendererProcess::DestroyBrowser(CefRefPtr<Browser> browser) {
  if (!browser || browser->destroyed()) {
    return;
  }
  // Its pages go first, then the browser.
  for (const auto& frame : browser->frames()) {
    ReleaseContext(frame);
  }
  if (handler_) {
    handler_->OnBrowserDestroyed(browser.get());
  }
  LogEvent({{"event", "OnBrowserDestroyed"}, {"browser", browser->GetIdentifier()}});
  browser->Destroy();
  auto found = browsers_.find(browser->GetIdentifier());
  if (found != browsers_.end() && found->second == browser) {
    browsers_.erase(found);
  }
}

CefRefPtr<CefV8Context> RendererProcess::CreateContext(CefRefPtr<Frame> frame) {
  if (!frame || !frame->IsValid()) {
    return nullptr;
  }
  ReleaseContext(frame);
  CefRefPtr<CefBrowser> browser = frame->GetBrowser();
  CefRefPtr<V8Context> context = new V8Context(browser, frame.get());
  frame->SetV8Context(context.get());
  framesWithContext_.push_back(frame);
  // The extensions run first, as V8 installs them when it makes the context.
  RunExtensions(context.get());
  if (handler_) {
    context->Enter();
    handler_->OnContextCreated(browser, frame.get(), context.get());
    context->Exit();
  }
  LogEvent(Event("OnContextCreated", frame));
  // What ExecuteJavaScript asked for before the frame had a context runs now.
  frame->RunQueuedJavaScript();
  // Then the page's own scripts, if the scenario gives any.
  if (context->Enter()) {
    script::RunPageScriptHook(frame.get(), context.get());
    context->Exit();
  }
  return context.get();
}

CefRefPtr<CefV8Context> RendererProcess::ContextOf(CefRefPtr<Frame> frame) const {
  return frame ? frame->GetV8Context() : nullptr;
}

bool RendererProcess::ReleaseContext(CefRefPtr<Frame> frame) {
  CefRefPtr<CefV8Context> context = ContextOf(frame);
  if (!context) {
    return false;
  }
  if (handler_) {
    // As CEF does: a new object for the same context, no context entered, and script
    // forbidden while the handler runs.
    auto* own = dynamic_cast<V8Context*>(context.get());
    CefRefPtr<CefV8Context> released = own ? CefRefPtr<CefV8Context>(own->NewHandle()) : context;
    ScriptForbiddenScope forbidden;
    handler_->OnContextReleased(context->GetBrowser(), frame.get(), released);
  }
  LogEvent(Event("OnContextReleased", frame));
  frame->SetV8Context(nullptr);
  framesWithContext_.erase(std::remove(framesWithContext_.begin(), framesWithContext_.end(), frame),
                           framesWithContext_.end());
  if (auto* own = dynamic_cast<V8Context*>(context.get())) {
    own->Invalidate();
  }
  return true;
}

CallResult RendererProcess::Call(CefRefPtr<Frame> frame,
                                 const std::string& function,
                                 const CefV8ValueList& arguments) {
  CallResult result;
  CefRefPtr<CefV8Context> context = ContextOf(frame);
  if (!context || !context->Enter()) {
    nlohmann::json event = Event("CallFailed", frame);
    event["function"] = function;
    event["reason"] = "the frame has no V8 context";
    LogEvent(event);
    return result;
  }
  // The page's values belong to its context.
  if (auto* own = dynamic_cast<V8Context*>(context.get())) {
    for (const auto& argument : arguments) {
      if (auto* value = dynamic_cast<V8Value*>(argument.get())) {
        value->BindToContext(own->state());
      }
    }
  }
  CefRefPtr<CefV8Value> window = context->GetGlobal();
  CefRefPtr<CefV8Value> target = window->GetValue(function);
  CefRefPtr<CefV8Handler> handler = target ? target->GetFunctionHandler() : nullptr;
  if (!handler) {
    nlohmann::json event = Event("CallFailed", frame);
    event["function"] = function;
    event["reason"] = target && target->IsFunction() ? "not a native function"
                                                     : "window." + function + " is not a function";
    LogEvent(event);
    context->Exit();
    return result;
  }

  // The page calls window[function](arguments...) through the script engine, as a script
  // would; the handler's own answer is what the event tells.
  script::HandlerAnswer answer;
  script::WatchNextHandlerCall(&answer);
  HandlerCallInProgress() = "Execute(\"" + function + "\")";
  if (auto* function = dynamic_cast<V8Value*>(target.get())) {
    script::Call(function->handle(), window, arguments);
  }
  HandlerCallInProgress().clear();
  script::WatchNextHandlerCall(nullptr);
  result.called = true;
  result.handled = answer.handled;
  result.retval = answer.retval;
  result.exception = Utf16ToUtf8(answer.exception.data(), answer.exception.size());
  context->Exit();

  nlohmann::json event = Event("Execute", frame);
  event["function"] = function;
  event["arguments"] = arguments.size();
  event["handled"] = result.handled;
  event["retval_set"] = static_cast<bool>(result.retval);
  event["exception"] = result.exception;
  if (result.retval) {
    event["retval"] = V8ValueToJson(result.retval);
  }
  LogEvent(event);
  return result;
}

size_t RendererProcess::RunPostedTasks() {
  return RunRendererTasks();
}

std::vector<std::string> RendererProcess::GlobalNames(CefRefPtr<Frame> frame) {
  std::vector<std::string> names;
  auto* context = dynamic_cast<V8Context*>(ContextOf(frame).get());
  if (context) {
    // What the page's window has beyond a fresh global object's built-ins.
    const std::vector<std::u16string>& builtIns = script::BuiltInGlobalNames();
    for (const std::u16string& name : script::AllOwnKeys(context->window()->handle())) {
      if (std::find(builtIns.begin(), builtIns.end(), name) == builtIns.end()) {
        names.push_back(Utf16ToUtf8(name.data(), name.size()));
      }
    }
  }
  std::sort(names.begin(), names.end());
  nlohmann::json event = Event("Globals", frame);
  event["names"] = names;
  event["has_context"] = context != nullptr;
  LogEvent(event);
  return names;
}

bool RendererProcess::Deliver(CefRefPtr<Frame> frame,
                              CefProcessId source,
                              CefRefPtr<CefProcessMessage> message) {
  if (!frame || !message) {
    return false;
  }
  nlohmann::json event = Event("OnProcessMessageReceived", frame);
  event["source"] = SourceName(source);
  event["name"] = message->GetName().ToString();
  bool handled = false;
  if (handler_) {
    HandlerCallInProgress() =
        "OnProcessMessageReceived(\"" + event["name"].get<std::string>() + "\")";
    handled = handler_->OnProcessMessageReceived(frame->GetBrowser(), frame.get(), source, message);
    HandlerCallInProgress().clear();
  }
  event["handled"] = handled;
  LogEvent(event);
  return handled;
}

// Test helpers

CefV8ValueList PageArguments(const std::string& jsonArray) {
  CefV8ValueList arguments;
  std::string error;
  nlohmann::json json = nlohmann::json::parse(jsonArray, nullptr, false);
  if (json.is_discarded() || !PageArgumentsFromJson(json, arguments, error)) {
    arguments.clear();
  }
  return arguments;
}

CefRefPtr<CefV8Value> PageValue(const std::string& json) {
  CefRefPtr<CefV8Value> value;
  std::string error;
  nlohmann::json parsed = nlohmann::json::parse(json, nullptr, false);
  if (parsed.is_discarded() || !PageValueFromJson(parsed, value, error)) {
    return nullptr;
  }
  return value;
}

CefRefPtr<CefProcessMessage> IncomingMessage(const std::string& name,
                                             const std::string& jsonArguments) {
  CefRefPtr<ListValue> arguments;
  std::string error;
  nlohmann::json json = nlohmann::json::parse(jsonArguments, nullptr, false);
  if (json.is_discarded() || !ListFromJson(json, arguments, error)) {
    arguments = new ListValue();
  }
  return new ProcessMessage(Utf8ToUtf16(name), arguments, true);
}

std::vector<std::string> PageFunctionCalls(CefRefPtr<CefV8Value> function) {
  auto* own = dynamic_cast<V8Value*>(function.get());
  return own ? own->calls() : std::vector<std::string>();
}

std::string DescribeList(CefRefPtr<CefListValue> list) {
  return ListToJson(list).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace cef_standin
