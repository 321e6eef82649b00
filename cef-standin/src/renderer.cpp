#include "renderer.h"

#include "event_log.h"

namespace cef_standin {

void RunRenderer(CefRefPtr<CefApp> app) {
  CefRefPtr<CefRenderProcessHandler> handler = app ? app->GetRenderProcessHandler() : nullptr;
  LogEvent({{"event", "GetRenderProcessHandler"}, {"handler", static_cast<bool>(handler)}});
  if (!handler) {
    return;
  }
  handler->OnWebKitInitialized();
  LogEvent({{"event", "OnWebKitInitialized"}});
}

}  // namespace cef_standin
