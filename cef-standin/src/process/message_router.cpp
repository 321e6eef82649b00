#include "process/message_router.h"

#include "include/cef_task.h"

namespace cef_standin {

// One answer of the browser process, run later on the renderer thread.
class AnswerTask : public CefTask {
 public:
  AnswerTask(CefRefPtr<RendererRouter> router,
             int browserId,
             int contextId,
             int requestId,
             bool success,
             const CefString& response,
             int errorCode,
             const CefString& errorMessage)
      : router_(router),
        browserId_(browserId),
        contextId_(contextId),
        requestId_(requestId),
        success_(success),
        response_(response),
        errorCode_(errorCode),
        errorMessage_(errorMessage) {}

  void Execute() override {
    router_->RunAnswer(browserId_, contextId_, requestId_, success_, response_, errorCode_,
                       errorMessage_);
  }

 private:
  CefRefPtr<RendererRouter> router_;
  const int browserId_;
  const int contextId_;
  const int requestId_;
  const bool success_;
  const CefString response_;
  const int errorCode_;
  const CefString errorMessage_;

  IMPLEMENT_REFCOUNTING(AnswerTask);
};

namespace {

// The page's two functions of one context, both served by the router.
class RouterFunctions : public CefV8Handler {
 public:
  explicit RouterFunctions(CefRefPtr<RendererRouter> router) : router_(router) {}

  bool Execute(const CefString& name,
               CefRefPtr<CefV8Value> object,
               const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval,
               CefString& exception) override {
    if (name == router_->queryFunction()) {
      return router_->Query(arguments, retval, exception);
    }
    if (name == router_->cancelFunction()) {
      return router_->Cancel(arguments, retval, exception);
    }
    return false;
  }

 private:
  CefRefPtr<RendererRouter> router_;

  IMPLEMENT_REFCOUNTING(RouterFunctions);
};

// Properties the page can neither see in enumerations, overwrite nor delete.
constexpr int kHiddenFixed = V8_PROPERTY_ATTRIBUTE_READONLY | V8_PROPERTY_ATTRIBUTE_DONTENUM |
                             V8_PROPERTY_ATTRIBUTE_DONTDELETE;

// 0 is never handed out: it stands for "no context" and "every request".
int NextId(int& last) {
  ++last;
  if (last == 0) {
    ++last;
  }
  return last;
}

// An optional member of the query object must be of the right kind when present.
bool MemberIsWrong(CefRefPtr<CefV8Value> query,
                   const char* member,
                   bool (CefV8Value::*isRightKind)(),
                   const char* kind,
                   CefRefPtr<CefV8Value>& value,
                   CefString& exception) {
  if (!query->HasValue(member)) {
    return false;
  }
  value = query->GetValue(member);
  if (value && (value.get()->*isRightKind)()) {
    return false;
  }
  exception =
      std::string("Invalid arguments; object member '") + member + "' must have type " + kind;
  return true;
}

}  // namespace

RendererRouter::RendererRouter(const CefMessageRouterConfig& config)
    : queryFunction_(config.js_query_function),
      cancelFunction_(config.js_cancel_function),
      queryMessage_(config.js_query_function.ToString() + "Msg"),
      cancelMessage_(config.js_cancel_function.ToString() + "Msg") {}

int RendererRouter::GetPendingCount(CefRefPtr<CefBrowser> browser,
                                    CefRefPtr<CefV8Context> context) {
  const int contextId = context ? ContextId(context, false) : 0;
  if (context && contextId == 0) {
    return 0;  // the context never used the router
  }
  int count = 0;
  for (const auto& entry : pending_) {
    const Key& key = entry.first;
    const bool browserMatches = !browser || std::get<0>(key) == browser->GetIdentifier();
    const bool contextMatches = !context || std::get<1>(key) == contextId;
    count += browserMatches && contextMatches ? 1 : 0;
  }
  return count;
}

void RendererRouter::OnContextCreated(CefRefPtr<CefBrowser> browser,
                                      CefRefPtr<CefFrame> frame,
                                      CefRefPtr<CefV8Context> context) {
  CefRefPtr<CefV8Value> window = context ? context->GetGlobal() : nullptr;
  if (!window) {
    return;
  }
  CefRefPtr<CefV8Handler> handler = new RouterFunctions(this);
  const auto attribute = static_cast<CefV8Value::PropertyAttribute>(kHiddenFixed);
  window->SetValue(queryFunction_, CefV8Value::CreateFunction(queryFunction_, handler), attribute);
  window->SetValue(cancelFunction_, CefV8Value::CreateFunction(cancelFunction_, handler),
                   attribute);
}

void RendererRouter::OnContextReleased(CefRefPtr<CefBrowser> browser,
                                       CefRefPtr<CefFrame> frame,
                                       CefRefPtr<CefV8Context> context) {
  // The page is gone: the browser process hears that all of its queries are off.
  const int contextId = ContextId(context, false);
  if (contextId == 0) {
    return;
  }
  contexts_.erase(contextId);
  SendCancel(browser, frame, contextId, 0);
}

bool RendererRouter::OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                              CefRefPtr<CefFrame> frame,
                                              CefProcessId source_process,
                                              CefRefPtr<CefProcessMessage> message) {
  if (!message || message->GetName().ToString() != queryMessage_) {
    return false;
  }
  // The browser's answer: context id, request id, success, then the response or the
  // error code and message. Taken whatever its source; whether the query is known is
  // asked only when the posted task runs.
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  if (!args || !browser) {
    return true;
  }
  const bool success = args->GetBool(2);
  CefRefPtr<CefTask> task =
      success ? new AnswerTask(this, browser->GetIdentifier(), args->GetInt(0), args->GetInt(1),
                               true, args->GetString(3), 0, CefString())
              : new AnswerTask(this, browser->GetIdentifier(), args->GetInt(0), args->GetInt(1),
                               false, CefString(), args->GetInt(3), args->GetString(4));
  CefPostTask(TID_RENDERER, task);
  return true;
}

void RendererRouter::RunAnswer(int browserId,
                               int contextId,
                               int requestId,
                               bool success,
                               const CefString& response,
                               int errorCode,
                               const CefString& errorMessage) {
  auto found = pending_.find(Key{browserId, contextId, requestId});
  if (found == pending_.end()) {
    return;  // answered, cancelled or released meanwhile, or never asked
  }
  // A persistent query stays until it fails or is cancelled.
  const Request request = found->second;
  if (!success || !request.persistent) {
    pending_.erase(found);
  }
  auto context = contexts_.find(contextId);
  if (context == contexts_.end()) {
    return;
  }
  CefV8ValueList arguments;
  CefRefPtr<CefV8Value> callback = success ? request.onSuccess : request.onFailure;
  if (!callback) {
    return;
  }
  if (success) {
    arguments.push_back(CefV8Value::CreateString(response));
  } else {
    arguments.push_back(CefV8Value::CreateInt(errorCode));
    arguments.push_back(CefV8Value::CreateString(errorMessage));
  }
  callback->ExecuteFunctionWithContext(context->second, nullptr, arguments);
}

bool RendererRouter::Query(const CefV8ValueList& arguments,
                           CefRefPtr<CefV8Value>& retval,
                           CefString& exception) {
  CefRefPtr<CefV8Value> query = arguments.size() == 1 ? arguments[0] : nullptr;
  if (!query || !query->IsObject()) {
    exception = "Invalid arguments; expecting a single object";
    return true;
  }
  CefRefPtr<CefV8Value> request = query->GetValue("request");
  if (!request || !request->IsString()) {
    exception = "Invalid arguments; object member 'request' is required and must have type string";
    return true;
  }
  CefRefPtr<CefV8Value> onSuccess, onFailure, persistent;
  if (MemberIsWrong(query, "onSuccess", &CefV8Value::IsFunction, "function", onSuccess,
                    exception) ||
      MemberIsWrong(query, "onFailure", &CefV8Value::IsFunction, "function", onFailure,
                    exception) ||
      MemberIsWrong(query, "persistent", &CefV8Value::IsBool, "boolean", persistent, exception)) {
    return true;
  }
  CefRefPtr<CefV8Context> context = CefV8Context::GetCurrentContext();
  CefRefPtr<CefBrowser> browser = context ? context->GetBrowser() : nullptr;
  CefRefPtr<CefFrame> frame = context ? context->GetFrame() : nullptr;
  if (!browser || !frame) {
    return false;
  }
  const bool isPersistent = persistent && persistent->GetBoolValue();
  const int contextId = ContextId(context, true);
  const int requestId = NextId(lastRequestId_);
  pending_[Key{browser->GetIdentifier(), contextId, requestId}] =
      Request{isPersistent, onSuccess, onFailure};

  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(queryMessage_);
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  args->SetInt(0, contextId);
  args->SetInt(1, requestId);
  args->SetString(2, request->GetStringValue());
  args->SetBool(3, isPersistent);
  frame->SendProcessMessage(PID_BROWSER, message);
  retval = CefV8Value::CreateInt(requestId);
  return true;
}

bool RendererRouter::Cancel(const CefV8ValueList& arguments,
                            CefRefPtr<CefV8Value>& retval,
                            CefString& exception) {
  CefRefPtr<CefV8Value> id = arguments.size() == 1 ? arguments[0] : nullptr;
  if (!id || !id->IsInt()) {
    exception = "Invalid arguments; expecting a single integer";
    return true;
  }
  bool cancelled = false;
  const int requestId = id->GetIntValue();
  CefRefPtr<CefV8Context> context = CefV8Context::GetCurrentContext();
  if (requestId != 0 && context && context->GetBrowser()) {
    cancelled =
        SendCancel(context->GetBrowser(), context->GetFrame(), ContextId(context, true), requestId);
  }
  retval = CefV8Value::CreateBool(cancelled);
  return true;
}

int RendererRouter::ContextId(CefRefPtr<CefV8Context> context, bool create) {
  if (!context) {
    return 0;
  }
  for (const auto& [id, known] : contexts_) {
    if (known->IsSame(context)) {
      return id;
    }
  }
  if (!create) {
    return 0;
  }
  const int id = NextId(lastContextId_);
  contexts_[id] = context;
  return id;
}

bool RendererRouter::SendCancel(CefRefPtr<CefBrowser> browser,
                                CefRefPtr<CefFrame> frame,
                                int contextId,
                                int requestId) {
  if (!browser) {
    return false;
  }
  int cancelled = 0;
  for (auto it = pending_.begin(); it != pending_.end();) {
    const auto& [browserId, queryContext, queryRequest] = it->first;
    const bool matches = browserId == browser->GetIdentifier() && queryContext == contextId &&
                         (requestId == 0 || queryRequest == requestId);
    cancelled += matches ? 1 : 0;
    it = matches ? pending_.erase(it) : std::next(it);
  }
  if (cancelled == 0 || !frame) {
    return cancelled > 0;
  }
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(cancelMessage_);
  message->GetArgumentList()->SetInt(0, contextId);
  message->GetArgumentList()->SetInt(1, requestId);
  frame->SendProcessMessage(PID_BROWSER, message);
  return true;
}

}  // namespace cef_standin

CefMessageRouterConfig::CefMessageRouterConfig()
    : js_query_function("cefQuery"), js_cancel_function("cefQueryCancel") {}

CefRefPtr<CefMessageRouterRendererSide> CefMessageRouterRendererSide::Create(
    const CefMessageRouterConfig& config) {
  return new cef_standin::RendererRouter(config);
}
