#include "message_router.h"

#include "event_log.h"
#include "v8_context.h"

namespace cef_standin {
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
    CefRefPtr<CefV8Context> context = CefV8Context::GetCurrentContext();
    if (!context) {
      return false;
    }
    if (name == router_->queryFunction()) {
      return router_->Query(context, arguments, retval, exception);
    }
    if (name == router_->cancelFunction()) {
      return router_->Cancel(context, arguments, retval, exception);
    }
    return false;
  }

 private:
  CefRefPtr<RendererRouter> router_;

  IMPLEMENT_REFCOUNTING(RouterFunctions);
};

int ContextId(CefRefPtr<CefV8Context> context) {
  auto* own = dynamic_cast<V8Context*>(context.get());
  return own ? own->id() : 0;
}

// Properties the page can neither see in enumerations, overwrite nor delete.
constexpr int kHiddenFixed = V8_PROPERTY_ATTRIBUTE_READONLY | V8_PROPERTY_ATTRIBUTE_DONTENUM |
                             V8_PROPERTY_ATTRIBUTE_DONTDELETE;

}  // namespace

RendererRouter::RendererRouter(const CefMessageRouterConfig& config)
    : queryFunction_(config.js_query_function),
      cancelFunction_(config.js_cancel_function),
      queryMessage_(config.js_query_function.ToString() + "Msg"),
      cancelMessage_(config.js_cancel_function.ToString() + "Msg") {}

int RendererRouter::GetPendingCount(CefRefPtr<CefBrowser> browser,
                                    CefRefPtr<CefV8Context> context) {
  int count = 0;
  for (const auto& [id, pending] : pending_) {
    const bool browserMatches = !browser || (pending.context->GetBrowser() &&
                                             pending.context->GetBrowser()->IsSame(browser));
    const bool contextMatches = !context || pending.context->IsSame(context);
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
  // Queries of a page that is gone get no answer.
  for (auto it = pending_.begin(); it != pending_.end();) {
    it = context && it->second.context->IsSame(context) ? pending_.erase(it) : std::next(it);
  }
}

bool RendererRouter::OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                              CefRefPtr<CefFrame> frame,
                                              CefProcessId source_process,
                                              CefRefPtr<CefProcessMessage> message) {
  if (!message || message->GetName() != queryMessage_) {
    return false;
  }
  // The browser's answer: context id, request id, success, then the response or the
  // error code and message.
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  const int requestId = args ? args->GetInt(1) : 0;
  auto found = pending_.find(requestId);
  if (found == pending_.end() || ContextId(found->second.context) != args->GetInt(0)) {
    return true;
  }
  const bool success = args->GetBool(2);
  nlohmann::json event = {
      {"event", "QueryAnswered"}, {"request_id", requestId}, {"success", success}};
  if (success) {
    event["response"] = args->GetString(3).ToString();
  } else {
    event["error_code"] = args->GetInt(3);
    event["error_message"] = args->GetString(4).ToString();
  }
  LogEvent(event);
  if (!success || !found->second.persistent) {
    pending_.erase(found);
  }
  return true;
}

bool RendererRouter::Query(CefRefPtr<CefV8Context> context,
                           const CefV8ValueList& arguments,
                           CefRefPtr<CefV8Value>& retval,
                           CefString& exception) {
  CefRefPtr<CefV8Value> query = arguments.size() == 1 ? arguments[0] : nullptr;
  if (!query || !query->IsObject()) {
    exception = "Invalid arguments; expecting a single object";
    return true;
  }
  CefRefPtr<CefV8Value> request = query->GetValue("request");
  if (!request || !request->IsString()) {
    exception = "Invalid arguments; object member 'request' is required and must be a string";
    return true;
  }
  CefRefPtr<CefV8Value> persistent = query->GetValue("persistent");
  const bool isPersistent = persistent && persistent->IsBool() && persistent->GetBoolValue();
  CefRefPtr<CefFrame> frame = context->GetFrame();
  if (!frame) {
    return false;
  }

  const int requestId = nextRequestId_++;
  pending_[requestId] = Pending{context, isPersistent};
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(queryMessage_);
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  args->SetInt(0, ContextId(context));
  args->SetInt(1, requestId);
  args->SetString(2, request->GetStringValue());
  args->SetBool(3, isPersistent);
  frame->SendProcessMessage(PID_BROWSER, message);
  retval = CefV8Value::CreateInt(requestId);
  return true;
}

bool RendererRouter::Cancel(CefRefPtr<CefV8Context> context,
                            const CefV8ValueList& arguments,
                            CefRefPtr<CefV8Value>& retval,
                            CefString& exception) {
  CefRefPtr<CefV8Value> id = arguments.size() == 1 ? arguments[0] : nullptr;
  if (!id || !id->IsInt()) {
    exception = "Invalid arguments; expecting a single integer";
    return true;
  }
  const int requestId = id->GetIntValue();
  auto found = pending_.find(requestId);
  const bool cancelled = found != pending_.end() && found->second.context->IsSame(context);
  if (cancelled) {
    pending_.erase(found);
    CefRefPtr<CefFrame> frame = context->GetFrame();
    if (frame) {
      CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(cancelMessage_);
      message->GetArgumentList()->SetInt(0, ContextId(context));
      message->GetArgumentList()->SetInt(1, requestId);
      frame->SendProcessMessage(PID_BROWSER, message);
    }
  }
  retval = CefV8Value::CreateBool(cancelled);
  return true;
}

}  // namespace cef_standin

CefMessageRouterConfig::CefMessageRouterConfig()
    : js_query_function("cefQuery"), js_cancel_function("cefQueryCancel") {}

CefRefPtr<CefMessageRouterRendererSide> CefMessageRouterRendererSide::Create(
    const CefMessageRouterConfig& config) {
  return new cef_standin::RendererRouter(config);
}
