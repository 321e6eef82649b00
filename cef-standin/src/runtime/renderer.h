// The renderer process of the stand-in: the scenario named by CEF_STANDIN_SCENARIO,
// played against the application.
#ifndef CEF_STANDIN_SRC_RUNTIME_RENDERER_H_
#define CEF_STANDIN_SRC_RUNTIME_RENDERER_H_

#include "include/cef_app.h"

namespace cef_standin {

// Runs a renderer with the application's render-process handler until its scenario is
// played out (or the application ends the process).
void RunRenderer(CefRefPtr<CefApp> app);

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_RUNTIME_RENDERER_H_
