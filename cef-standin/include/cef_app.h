// The application object and CEF's process entry points.
#ifndef CEF_INCLUDE_CEF_APP_H_
#define CEF_INCLUDE_CEF_APP_H_

#include "include/cef_base.h"
#include "include/cef_browser_process_handler.h"
#include "include/cef_command_line.h"
#include "include/cef_render_process_handler.h"
#include "include/cef_resource_bundle_handler.h"
#include "include/cef_scheme.h"

class CefApp : public virtual CefBaseRefCounted {
 public:
  // Last chance to change the command line CEF and Chromium will read.
  virtual void OnBeforeCommandLineProcessing(const CefString& process_type,
                                             CefRefPtr<CefCommandLine> command_line) {}
  // Register custom schemes; called in every process.
  virtual void OnRegisterCustomSchemes(CefRawPtr<CefSchemeRegistrar> registrar) {}
  virtual CefRefPtr<CefResourceBundleHandler> GetResourceBundleHandler() { return nullptr; }
  virtual CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() { return nullptr; }
  virtual CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() { return nullptr; }
};

// Runs a child process to its end and returns its exit code (0 or more), or returns
// a negative value at once when this is the browser process.
int CefExecuteProcess(const CefMainArgs& args,
                      CefRefPtr<CefApp> application,
                      void* windows_sandbox_info);

// Initialises CEF in the browser process and keeps the application until CefShutdown.
// With settings.multi_threaded_message_loop CEF runs its own UI thread; otherwise the
// calling thread is the UI thread, served by CefRunMessageLoop or CefDoMessageLoopWork.
bool CefInitialize(const CefMainArgs& args,
                   const CefSettings& settings,
                   CefRefPtr<CefApp> application,
                   void* windows_sandbox_info);

// Shuts CEF down: its threads stop, queued tasks are dropped and the application is let
// go. Call on the thread that called CefInitialize.
void CefShutdown();

// One pass of the UI thread's ready tasks; without a multi-threaded message loop only.
void CefDoMessageLoopWork();

// Runs the UI thread's tasks until CefQuitMessageLoop; without a multi-threaded message
// loop only, on the thread that called CefInitialize.
void CefRunMessageLoop();
void CefQuitMessageLoop();

// Makes the process DPI aware; call before any other CEF function.
void CefEnableHighDPISupport();

#endif  // CEF_INCLUDE_CEF_APP_H_
