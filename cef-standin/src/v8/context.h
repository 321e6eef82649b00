// The stand-in's V8 contexts: a frame's page (its window object), the stack of entered
// contexts that CefV8Context::GetCurrentContext reads, and the script-forbidden time
// while CEF tells the application that a page goes.
#ifndef CEF_STANDIN_SRC_V8_CONTEXT_H_
#define CEF_STANDIN_SRC_V8_CONTEXT_H_

#include <memory>
#include <vector>

#include "include/cef_v8.h"
#include "v8/value.h"

namespace cef_standin {

// One CefV8Context object. As in CEF, several objects may stand for the same page's
// context (GetCurrentContext makes a new one at each call): IsSame tells.
class V8Context : public CefV8Context {
 public:
  // A new page's context.
  V8Context(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame);

  // Another object for the same context.
  CefRefPtr<V8Context> NewHandle() const;
  // An object for the live context whose script environment this is, or null.
  static CefRefPtr<V8Context> OfEnvironment(int environment);
  // An object for the context of `state`: a released one (IsValid false) when no object
  // of it is left.
  static CefRefPtr<V8Context> OfState(const std::shared_ptr<ContextState>& state);
  CefRefPtr<V8Value> window() const { return page_->window; }
  const std::shared_ptr<ContextState>& state() const { return page_->state; }
  // The script engine's global environment of this page (script/engine.h).
  int environment() const { return page_->environment; }
  // The page is gone: the context and every object made in it turn invalid, and the
  // objects let go of what they held.
  void Invalidate();

  bool IsValid() override { return page_->state->valid(); }
  CefRefPtr<CefBrowser> GetBrowser() override { return page_->browser; }
  CefRefPtr<CefFrame> GetFrame() override { return page_->frame; }
  // Null, as is Enter() false, while script is forbidden.
  CefRefPtr<CefV8Value> GetGlobal() override;
  bool Enter() override;
  bool Exit() override;
  bool IsSame(CefRefPtr<CefV8Context> that) override;
  CefRefPtr<CefTaskRunner> GetTaskRunner() override;
  bool Eval(const CefString& code,
            const CefString& script_url,
            int start_line,
            CefRefPtr<CefV8Value>& retval,
            CefRefPtr<CefV8Exception>& exception) override;

 private:
  struct Page {
    CefRefPtr<CefBrowser> browser;
    CefRefPtr<CefFrame> frame;
    CefRefPtr<V8Value> window;
    std::shared_ptr<ContextState> state = std::make_shared<ContextState>();
    int environment = 0;
  };
  explicit V8Context(std::shared_ptr<Page> page) : page_(std::move(page)) {}
  // Every page made in this process while an object of it lives, for OfEnvironment and
  // OfState.
  static std::vector<std::weak_ptr<Page>>& Pages();

  std::shared_ptr<Page> page_;

  IMPLEMENT_REFCOUNTING(V8Context);
};

// The state of the current context (the innermost entered one, or the one of the native
// function running), or null outside any.
std::shared_ptr<ContextState> CurrentContextState();

// While one lives, a function made in the context of `state` runs, called from script:
// that context is the current one (GetCurrentContext, and where new values are made), as
// V8 makes a function's own context current; the entered context stays the one entered
// last from C++ (GetEnteredContext). Nothing changes for a null state.
class CallingContextScope {
 public:
  explicit CallingContextScope(const std::shared_ptr<ContextState>& state);
  ~CallingContextScope();
  CallingContextScope(const CallingContextScope&) = delete;
  CallingContextScope& operator=(const CallingContextScope&) = delete;

 private:
  bool pushed_ = false;
};

// While one lives, script is forbidden (as while CEF runs OnContextReleased): no context
// can be entered, GetGlobal answers null and no function runs.
class ScriptForbiddenScope {
 public:
  ScriptForbiddenScope();
  ~ScriptForbiddenScope();
  ScriptForbiddenScope(const ScriptForbiddenScope&) = delete;
  ScriptForbiddenScope& operator=(const ScriptForbiddenScope&) = delete;

  static bool IsScriptForbidden();
};

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_V8_CONTEXT_H_
