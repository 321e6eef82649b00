// The one application object handed to CEF in every process. It is the browser-process
// handler, the render-process handler and the V8 handler of the bridge functions too.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "include/cef_app.h"

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

  // CefBaseRefCounted: the object's own count; it deletes itself with the last reference.
  void AddRef() const override;
  bool Release() const override;
  bool HasOneRef() const override;
  bool HasAtLeastOneRef() const override;

 private:
  ~ZeltoCefApp() override = default;

  mutable std::atomic<int32_t> mRefCount{0};
  const std::string mChildProcessPath;
  const std::vector<std::string> mBridgeFunctionNames;
};

}  // namespace Core
}  // namespace CEF
}  // namespace EmbeddedBrowser
