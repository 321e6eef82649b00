// The renderer process of the stand-in: WebKit start-up and the scenario player.
#ifndef CEF_STANDIN_SRC_RENDERER_H_
#define CEF_STANDIN_SRC_RENDERER_H_

#include "include/cef_app.h"

namespace cef_standin {

// Runs a renderer with the application's render-process handler until its scenario is
// played out.
void RunRenderer(CefRefPtr<CefApp> app);

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_RENDERER_H_
