// Browser-process callbacks of the application.
#ifndef CEF_INCLUDE_CEF_BROWSER_PROCESS_HANDLER_H_
#define CEF_INCLUDE_CEF_BROWSER_PROCESS_HANDLER_H_

#include "include/cef_base.h"
#include "include/cef_client.h"
#include "include/cef_command_line.h"

class CefBrowserProcessHandler : public virtual CefBaseRefCounted {
 public:
  // CEF's context is ready on the UI thread.
  virtual void OnContextInitialized() {}
  // A child process is about to be launched with this command line.
  virtual void OnBeforeChildProcessLaunch(CefRefPtr<CefCommandLine> command_line) {}
  // Work for an external message pump is due in delay_ms.
  virtual void OnScheduleMessagePumpWork(int64 delay_ms) {}
  // The client of browsers created without one.
  virtual CefRefPtr<CefClient> GetDefaultClient() { return nullptr; }
};

#endif  // CEF_INCLUDE_CEF_BROWSER_PROCESS_HANDLER_H_
