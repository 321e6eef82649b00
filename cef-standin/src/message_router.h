// The renderer side of the message router, as CEF's wrapper library behaves where the
// application can tell: the query and cancel functions on every window it is told
// about, queries sent as "<query function>Msg" messages through the context's frame,
// cancels as "<cancel function>Msg", and only its own messages taken from
// OnProcessMessageReceived.
#ifndef CEF_STANDIN_SRC_MESSAGE_ROUTER_H_
#define CEF_STANDIN_SRC_MESSAGE_ROUTER_H_

#include <map>
#include <string>

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
  // window.cefQueryCancel(id), called by the page in `context`.
  bool Query(CefRefPtr<CefV8Context> context,
             const CefV8ValueList& arguments,
             CefRefPtr<CefV8Value>& retval,
             CefString& exception);
  bool Cancel(CefRefPtr<CefV8Context> context,
              const CefV8ValueList& arguments,
              CefRefPtr<CefV8Value>& retval,
              CefString& exception);

  const CefString& queryFunction() const { return queryFunction_; }
  const CefString& cancelFunction() const { return cancelFunction_; }

 private:
  struct Pending {
    CefRefPtr<CefV8Context> context;
    bool persistent = false;
  };

  ~RendererRouter() override = default;

  const CefString queryFunction_;
  const CefString cancelFunction_;
  const CefString queryMessage_;
  const CefString cancelMessage_;
  std::map<int, Pending> pending_;  // by request id
  int nextRequestId_ = 1;
};

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_MESSAGE_ROUTER_H_
