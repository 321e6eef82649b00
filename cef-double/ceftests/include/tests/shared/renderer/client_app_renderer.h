// The yardstick's stand-in for the test client's renderer application: the delegate
// interface renderer-side tests implement (never called here: no renderer runs).
#ifndef CEF_DOUBLE_CEFTESTS_CLIENT_APP_RENDERER_H_
#define CEF_DOUBLE_CEFTESTS_CLIENT_APP_RENDERER_H_

#include <set>

#include "include/cef_app.h"

namespace client {

class ClientAppRenderer : public CefApp {
 public:
  class Delegate : public virtual CefBaseRefCounted {
   public:
    virtual bool OnProcessMessageReceived(CefRefPtr<ClientAppRenderer> app,
                                          CefRefPtr<CefBrowser> browser,
                                          CefRefPtr<CefFrame> frame,
                                          CefProcessId source_process,
                                          CefRefPtr<CefProcessMessage> message) {
      return false;
    }
  };
  typedef std::set<CefRefPtr<Delegate>> DelegateSet;
};

}  // namespace client

#endif  // CEF_DOUBLE_CEFTESTS_CLIENT_APP_RENDERER_H_
