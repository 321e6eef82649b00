// The renderer process of the stand-in: the scenario named by CEF_STANDIN_SCENARIO,
// played against the application.
#ifndef CEF_STANDIN_SRC_RENDERER_H_
#define CEF_STANDIN_SRC_RENDERER_H_

#include <string>

#include "include/cef_app.h"

namespace cef_standin {

// Runs a renderer with the application's render-process handler until its scenario is
// played out (or the application ends the process).
void RunRenderer(CefRefPtr<CefApp> app);

// The application call under way, for the log when the process ends inside one.
std::string& HandlerCallInProgress();

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_RENDERER_H_
