// The yardstick's stand-in for the test client's renderer application: the render-process
// handler of the renderer the test framework opens in the yardstick's process (see
// test_handler.h), which hands every call on to the delegates the test files register,
// as the test client's own does.
#ifndef CEF_DOUBLE_CEFTESTS_CLIENT_APP_RENDERER_H_
#define CEF_DOUBLE_CEFTESTS_CLIENT_APP_RENDERER_H_

#include <set>

#include "include/cef_app.h"
#include "include/cef_load_handler.h"
#include "include/cef_render_process_handler.h"

namespace client {

class ClientAppRenderer : public CefApp, public CefRenderProcessHandler {
 public:
  // What a test file adds to the renderer; every method defaults to doing nothing.
  class Delegate : public virtual CefBaseRefCounted {
   public:
    virtual void OnWebKitInitialized(CefRefPtr<ClientAppRenderer> /*app*/) {}
    virtual void OnBrowserCreated(CefRefPtr<ClientAppRenderer> /*app*/,
                                  CefRefPtr<CefBrowser> /*browser*/,
                                  CefRefPtr<CefDictionaryValue> /*extra_info*/) {}
    virtual void OnBrowserDestroyed(CefRefPtr<ClientAppRenderer> /*app*/,
                                    CefRefPtr<CefBrowser> /*browser*/) {}
    virtual CefRefPtr<CefLoadHandler> GetLoadHandler(CefRefPtr<ClientAppRenderer> /*app*/) {
      return nullptr;
    }
    virtual void OnContextCreated(CefRefPtr<ClientAppRenderer> /*app*/,
                                  CefRefPtr<CefBrowser> /*browser*/,
                                  CefRefPtr<CefFrame> /*frame*/,
                                  CefRefPtr<CefV8Context> /*context*/) {}
    virtual void OnContextReleased(CefRefPtr<ClientAppRenderer> /*app*/,
                                   CefRefPtr<CefBrowser> /*browser*/,
                                   CefRefPtr<CefFrame> /*frame*/,
                                   CefRefPtr<CefV8Context> /*context*/) {}
    virtual void OnUncaughtException(CefRefPtr<ClientAppRenderer> /*app*/,
                                     CefRefPtr<CefBrowser> /*browser*/,
                                     CefRefPtr<CefFrame> /*frame*/,
                                     CefRefPtr<CefV8Context> /*context*/,
                                     CefRefPtr<CefV8Exception> /*exception*/,
                                     CefRefPtr<CefV8StackTrace> /*stackTrace*/) {}
    virtual bool OnProcessMessageReceived(CefRefPtr<ClientAppRenderer> /*app*/,
                                          CefRefPtr<CefBrowser> /*browser*/,
                                          CefRefPtr<CefFrame> /*frame*/,
                                          CefProcessId /*source_process*/,
                                          CefRefPtr<CefProcessMessage> /*message*/) {
      return false;
    }
  };
  typedef std::set<CefRefPtr<Delegate>> DelegateSet;

  // With the delegates of every renderer-side test file the yardstick runs.
  ClientAppRenderer();

  // The first load handler a delegate offers.
  CefRefPtr<CefLoadHandler> GetLoadHandler() override;

  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return this; }
  void OnWebKitInitialized() override;
  void OnBrowserCreated(CefRefPtr<CefBrowser> browser,
                        CefRefPtr<CefDictionaryValue> extra_info) override;
  void OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) override;
  void OnContextCreated(CefRefPtr<CefBrowser> browser,
                        CefRefPtr<CefFrame> frame,
                        CefRefPtr<CefV8Context> context) override;
  void OnContextReleased(CefRefPtr<CefBrowser> browser,
                         CefRefPtr<CefFrame> frame,
                         CefRefPtr<CefV8Context> context) override;
  void OnUncaughtException(CefRefPtr<CefBrowser> browser,
                           CefRefPtr<CefFrame> frame,
                           CefRefPtr<CefV8Context> context,
                           CefRefPtr<CefV8Exception> exception,
                           CefRefPtr<CefV8StackTrace> stackTrace) override;
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                CefRefPtr<CefFrame> frame,
                                CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message) override;

 private:
  DelegateSet delegates_;
  IMPLEMENT_REFCOUNTING(ClientAppRenderer);
};

}  // namespace client

#endif  // CEF_DOUBLE_CEFTESTS_CLIENT_APP_RENDERER_H_
