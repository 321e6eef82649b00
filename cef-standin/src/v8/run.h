// Script runs as the V8 API and the page see them: the engine's runs (script/engine.h)
// with the completion value as a CefV8Value, in a context or a frame, and the conversion
// of any Duktape value to one. Kept in the script namespace, where the engine's users
// have always found them.
#ifndef CEF_STANDIN_SRC_V8_RUN_H_
#define CEF_STANDIN_SRC_V8_RUN_H_

#include <functional>
#include <string>

#include "include/cef_frame.h"
#include "include/cef_v8.h"
#include "script/engine.h"

namespace cef_standin {
namespace script {

struct RunResult {
  Outcome outcome = Outcome::kNoContext;
  CefRefPtr<CefV8Value> value;  // the completion value (kCompleted), null otherwise
  Exception exception;          // kThrew and the limits (a message naming the limit)
};

// Engine::Run and Engine::CallOnStack, with the completion value.
RunResult Run(int environment,
              const std::u16string& source,
              const std::u16string& scriptName,
              int startLine,
              const Limits& limits);
RunResult CallOnStack(duk_hthread* ctx, int arguments, const Limits& limits);

// Runs `source` in the frame's current context (entered for the run), as a page's
// <script> would: the entry of the scenario's script steps.
RunResult RunInFrame(CefRefPtr<CefFrame> frame,
                     const std::u16string& source,
                     const std::u16string& scriptName,
                     const Limits& limits = Limits());
// The same for a given context.
RunResult RunInContext(CefRefPtr<CefV8Context> context,
                       const std::u16string& source,
                       const std::u16string& scriptName,
                       int startLine,
                       const Limits& limits = Limits());

// A page's own scripts: called after OnContextCreated for every new context, with the
// context entered (set by the scenario player; empty: no page scripts).
using PageScriptHook = std::function<void(CefRefPtr<CefFrame> frame, CefRefPtr<CefV8Context>)>;
void SetPageScriptHook(PageScriptHook hook);
void RunPageScriptHook(CefRefPtr<CefFrame> frame, CefRefPtr<CefV8Context> context);

// A Duktape value as a CefV8Value (numbers typed as V8 types them).
CefRefPtr<CefV8Value> FromEngine(duk_hthread* ctx, int index);

}  // namespace script
}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_V8_RUN_H_
