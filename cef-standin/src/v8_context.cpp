#include "v8_context.h"

#include <vector>

#include "script/engine.h"
#include "script/objects.h"

namespace cef_standin {
namespace {

// Entered contexts, innermost last. Never destroyed, so that a process ending from
// inside a handler does not tear it down under the running call.
std::vector<CefRefPtr<V8Context>>& EnteredContexts() {
  static auto* entered = new std::vector<CefRefPtr<V8Context>>();
  return *entered;
}

int& ScriptForbiddenDepth() {
  static int depth = 0;
  return depth;
}

}  // namespace

V8Context::V8Context(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame)
    : page_(std::make_shared<Page>()) {
  page_->browser = browser;
  page_->frame = frame;
  page_->environment = script::Engine::Get().NewEnvironment();
  // The window is the global object of the page's environment in the script engine.
  page_->window =
      V8Value::InEngine(V8Value::Kind::kObject, script::WindowOf(page_->environment), page_->state);
}

CefRefPtr<V8Context> V8Context::NewHandle() const {
  return new V8Context(page_);
}

void V8Context::Invalidate() {
  page_->state->Release();
  script::Engine::Get().ReleaseEnvironment(page_->environment);
  page_->environment = 0;
}

CefRefPtr<CefV8Value> V8Context::GetGlobal() {
  return IsValid() && !ScriptForbiddenScope::IsScriptForbidden()
             ? CefRefPtr<CefV8Value>(page_->window)
             : nullptr;
}

bool V8Context::Enter() {
  if (!IsValid() || ScriptForbiddenScope::IsScriptForbidden()) {
    return false;
  }
  EnteredContexts().push_back(this);
  return true;
}

bool V8Context::Exit() {
  // Only the object that entered leaves, innermost first.
  auto& entered = EnteredContexts();
  if (entered.empty() || entered.back().get() != this) {
    return false;
  }
  entered.pop_back();
  return true;
}

bool V8Context::IsSame(CefRefPtr<CefV8Context> that) {
  auto* other = dynamic_cast<V8Context*>(that.get());
  return other && other->page_ == page_;
}

std::shared_ptr<ContextState> CurrentContextState() {
  auto& entered = EnteredContexts();
  return entered.empty() ? nullptr : entered.back()->state();
}

ScriptForbiddenScope::ScriptForbiddenScope() {
  ++ScriptForbiddenDepth();
}

ScriptForbiddenScope::~ScriptForbiddenScope() {
  --ScriptForbiddenDepth();
}

bool ScriptForbiddenScope::IsScriptForbidden() {
  return ScriptForbiddenDepth() > 0;
}

}  // namespace cef_standin

// Each call makes a new object, as CEF does; compare contexts with IsSame.
CefRefPtr<CefV8Context> CefV8Context::GetCurrentContext() {
  auto& entered = cef_standin::EnteredContexts();
  return entered.empty() ? nullptr : CefRefPtr<CefV8Context>(entered.back()->NewHandle());
}

CefRefPtr<CefV8Context> CefV8Context::GetEnteredContext() {
  auto& entered = cef_standin::EnteredContexts();
  return entered.empty() ? nullptr : CefRefPtr<CefV8Context>(entered.front()->NewHandle());
}

bool CefV8Context::InContext() {
  return !cef_standin::EnteredContexts().empty();
}

namespace cef_standin {

CefRefPtr<CefTaskRunner> V8Context::GetTaskRunner() {
  return CefTaskRunner::GetForThread(TID_RENDERER);
}

// As CEF 92: nothing for a released context, while script is forbidden, or for no code;
// else the completion value, or false with the exception. A run stopped by a limit
// reports the limit as its exception.
bool V8Context::Eval(const CefString& code,
                     const CefString& script_url,
                     int start_line,
                     CefRefPtr<CefV8Value>& retval,
                     CefRefPtr<CefV8Exception>& exception) {
  retval = nullptr;
  exception = nullptr;
  if (!IsValid() || ScriptForbiddenScope::IsScriptForbidden() || code.empty()) {
    return false;
  }
  script::RunResult result = script::RunInContext(this, code.ToString16(), script_url.ToString16(),
                                                  start_line, script::Engine::Get().limits());
  if (result.outcome == script::Outcome::kCompleted) {
    retval = result.value;
    return true;
  }
  if (result.outcome != script::Outcome::kNoContext) {
    exception = script::ToV8Exception(std::move(result.exception));
  }
  return false;
}

}  // namespace cef_standin
