// The renderer side of the message router, as CEF 92's wrapper library behaves where
// the application or the browser process can tell: the query and cancel functions on
// every window it is told about (hidden, read-only, undeletable); a context gets its id
// (1, 2, ... per router) when its page first uses them; queries leave as
// "<query function>Msg" [context id, request id, request, persistent] through the
// context's frame; cancels as "<cancel function>Msg" [context id, request id], with
// request id 0 standing for all of a released context's queries, sent through the
// released frame; only "<query function>Msg" is taken from OnProcessMessageReceived:
// the browser's answer is posted as a task to the renderer thread, and that task runs
// the page's onSuccess(response) or onFailure(code, message) in the query's context,
// when the query is still pending and its context still alive. A persistent query stays
// pending through its successes, until a failure or a cancel.
#ifndef CEF_STANDIN_SRC_PROCESS_MESSAGE_ROUTER_H_
#define CEF_STANDIN_SRC_PROCESS_MESSAGE_ROUTER_H_

#include <map>
#include <string>
#include <tuple>

#include "include/wrapper/cef_message_router.h"

namespace cef_standin {

class RendererRouter : public CefMessageRouterRendererSide {
 public:
  explicit RendererRouter(const CefMessageRouterConfig& config);

  int GetPendingCount(CefRefPtr<CefBrowser> browser, CefRefPtr<CefV8Context> context) override;
  void OnContextCreated(CefRefPtr<CefBrowser> browser,
                        CefRefPtr<CefFrame> frame,
                        CefRefPtr<CefV8Context> context) override;
  void OnContextReleased(CefRefPtr<CefBrowser> browser,
                         CefRefPtr<CefFrame> frame,
                         CefRefPtr<CefV8Context> context) override;
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                CefRefPtr<CefFrame> frame,
                                CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message) override;

  // window.cefQuery({request, persistent, onSuccess, onFailure}) and
  // window.cefQueryCancel(id), called by the page in the current context.
  bool Query(const CefV8ValueList& arguments, CefRefPtr<CefV8Value>& retval, CefString& exception);
  bool Cancel(const CefV8ValueList& arguments, CefRefPtr<CefV8Value>& retval, CefString& exception);

  const CefString& queryFunction() const { return queryFunction_; }
  const CefString& cancelFunction() const { return cancelFunction_; }

 private:
  // A pending query: browser id, context id, request id.
  using Key = std::tuple<int, int, int>;
  struct Request {
    bool persistent = false;
    CefRefPtr<CefV8Value> onSuccess;  // either may be null
    CefRefPtr<CefV8Value> onFailure;
  };
  friend class AnswerTask;

  ~RendererRouter() override = default;

  // The context's id, made on first use; 0 when it has none and `create` is false.
  int ContextId(CefRefPtr<CefV8Context> context, bool create);
  // Drops the context's queries in that browser (request id 0: all of them) and tells
  // the browser process through `frame`. False when there was none to drop.
  bool SendCancel(CefRefPtr<CefBrowser> browser,
                  CefRefPtr<CefFrame> frame,
                  int contextId,
                  int requestId);
  // The posted answer runs: the page's callback, when the query is still pending.
  void RunAnswer(int browserId,
                 int contextId,
                 int requestId,
                 bool success,
                 const CefString& response,
                 int errorCode,
                 const CefString& errorMessage);

  const CefString queryFunction_;
  const CefString cancelFunction_;
  const std::string queryMessage_;
  const std::string cancelMessage_;
  std::map<int, CefRefPtr<CefV8Context>> contexts_;  // by context id
  std::map<Key, Request> pending_;
  int lastContextId_ = 0;
  int lastRequestId_ = 0;
};

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_PROCESS_MESSAGE_ROUTER_H_
