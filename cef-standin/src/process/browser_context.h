// The browser process's CEF context between CefInitialize and CefShutdown: the
// application, kept all that time, and the browser process's named threads.
#ifndef CEF_STANDIN_SRC_PROCESS_BROWSER_CONTEXT_H_
#define CEF_STANDIN_SRC_PROCESS_BROWSER_CONTEXT_H_

#include <functional>

#include "include/cef_app.h"

namespace cef_standin {

// Starts the threads (a UI thread of its own with a multi-threaded message loop, else the
// calling thread is the UI thread) and keeps the application. False when a context is
// running already.
bool StartBrowserContext(CefRefPtr<CefApp> app, bool multiThreadedMessageLoop);
// Runs the function on the UI thread and returns once it has run.
void RunOnUiThread(const std::function<void()>& function);
// Between CefInitialize and CefShutdown.
bool BrowserContextRunning();

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_PROCESS_BROWSER_CONTEXT_H_
