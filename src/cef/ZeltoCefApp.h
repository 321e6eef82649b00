// The one application object handed to CEF in every process. It is the browser-process
// handler, the render-process handler and the V8 handler of the bridge functions too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cef/RefCount.h"
#include "include/cef_app.h"
#include "include/wrapper/cef_message_router.h"

namespace EmbeddedBrowser {
namespace CEF {
namespace Core {

class ZeltoCefApp : public CefApp,
                    public CefBrowserProcessHandler,
                    public CefRenderProcessHandler,
                    public CefV8Handler {
 public:
  // installDir: the installation directory (UTF-8); child processes run
  // installDir + "\dependencies\Quorvane.exe", joined as given.
  explicit ZeltoCefApp(const std::string& installDir);
  ZeltoCefApp(const ZeltoCefApp&) = delete;
  ZeltoCefApp& operator=(const ZeltoCefApp&) = delete;

  // CefApp (ZeltoCefApp.cpp)
  void OnBeforeCommandLineProcessing(const CefString& process_type,
                                     CefRefPtr<CefCommandLine> command_line) override;
  void OnRegisterCustomSchemes(CefRawPtr<CefSchemeRegistrar> registrar) override;
  CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override;
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override;

  // CefBrowserProcessHandler (ZeltoCefApp.cpp)
  void OnBeforeChildProcessLaunch(CefRefPtr<CefCommandLine> command_line) override;

  // CefRenderProcessHandler: the JavaScript bridge (JavaScriptBridge.cpp) and the
  // renderer commands (RendererCommands.cpp). CEF calls them on the renderer's main
  // thread, one at a time.
  void OnWebKitInitialized() override;
  void OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) override;
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

  // CefV8Handler: a page called one of the bridge functions (JavaScriptBridge.cpp).
  bool Execute(const CefString& name,
               CefRefPtr<CefV8Value> object,
               const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval,
               CefString& exception) override;

  // CefBaseRefCounted: the object's own count; it deletes itself with the last reference.
  void AddRef() const override;
  bool Release() const override;
  bool HasOneRef() const override;
  bool HasAtLeastOneRef() const override;

 private:
  ~ZeltoCefApp() override = default;

  RefCount mRefCount;
  const std::string mChildProcessPath;
  const std::vector<std::string> mBridgeFunctionNames;
  // The browser whose main frame carries every bridge message: the first one a context
  // was created for, until it is destroyed.
  CefRefPtr<CefBrowser> mBrowser;
  CefRefPtr<CefMessageRouterRendererSide> mMessageRouter;
};

}  // namespace Core
}  // namespace CEF
}  // namespace EmbeddedBrowser
