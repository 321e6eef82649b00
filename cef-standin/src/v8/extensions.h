// CEF's V8 extensions: script registered once with CefRegisterExtension and run in every
// context made after it, before the application hears of the context. Its declarations
// `native function name();` become functions of the window that call the extension's
// handler, as V8 binds them. Extensions belong to the renderer: they go when it ends.
#ifndef CEF_STANDIN_SRC_V8_EXTENSIONS_H_
#define CEF_STANDIN_SRC_V8_EXTENSIONS_H_

#include "include/cef_v8.h"

namespace cef_standin {

// Runs every registered extension, oldest first, in the new context. One that throws is
// logged ("ExtensionFailed") and the others still run.
void RunExtensions(CefRefPtr<CefV8Context> context);
// The renderer ends: its extensions and their handlers are let go.
void ClearExtensions();

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_V8_EXTENSIONS_H_
