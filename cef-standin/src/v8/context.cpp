#include "v8/context.h"

#include <algorithm>
#include <vector>

#include "v8/objects.h"
#include "v8/run.h"

namespace cef_standin {
namespace {

// The contexts entered from C++ and those of native functions running, innermost last.
// Never destroyed, so that a process ending from inside a handler does not tear it down
// under the running call.
struct ContextEntry {
  CefRefPtr<V8Context> context;
  bool entered;  // by Enter(); false: the context of a native function called from script
};
std::vector<ContextEntry>& EnteredContexts() {
  static auto* entered = new std::vector<ContextEntry>();
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
  script::UseHeapObjects();
  page_->environment = script::Engine::Get().NewEnvironment();
  // The window is the global object of the page's environment in the script engine.
  page_->window =
      V8Value::InEngine(V8Value::Kind::kObject, script::WindowOf(page_->environment), page_->state);
  auto& pages = Pages();
  pages.erase(std::remove_if(pages.begin(), pages.end(),
                             [](const std::weak_ptr<Page>& page) { return page.expired(); }),
              pages.end());
  pages.push_back(page_);
}

CefRefPtr<V8Context> V8Context::NewHandle() const {
  return new V8Context(page_);
}

std::vector<std::weak_ptr<V8Context::Page>>& V8Context::Pages() {
  static auto* pages = new std::vector<std::weak_ptr<Page>>();
  return *pages;
}

CefRefPtr<V8Context> V8Context::OfEnvironment(int environment) {
  for (const auto& known : Pages()) {
    std::shared_ptr<Page> page = known.lock();
    if (page && environment > 0 && page->environment == environment) {
      return new V8Context(page);
    }
  }
  return nullptr;
}

CefRefPtr<V8Context> V8Context::OfState(const std::shared_ptr<ContextState>& state) {
  for (const auto& known : Pages()) {
    std::shared_ptr<Page> page = known.lock();
    if (page && page->state == state) {
      return new V8Context(page);
    }
  }
  // No object of that page is left: a released context (a live one is always held by
  // its frame).
  auto page = std::make_shared<Page>();
  page->state = state;
  return new V8Context(page);
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
  EnteredContexts().push_back({this, true});
  return true;
}

bool V8Context::Exit() {
  // Only the object that entered leaves, innermost first.
  auto& entered = EnteredContexts();
  if (entered.empty() || !entered.back().entered || entered.back().context.get() != this) {
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
  return entered.empty() ? nullptr : entered.back().context->state();
}

CallingContextScope::CallingContextScope(const std::shared_ptr<ContextState>& state) {
  if (state) {
    EnteredContexts().push_back({V8Context::OfState(state), false});
    pushed_ = true;
  }
}

CallingContextScope::~CallingContextScope() {
  if (pushed_) {
    EnteredContexts().pop_back();
  }
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
  return entered.empty() ? nullptr : CefRefPtr<CefV8Context>(entered.back().context->NewHandle());
}

// The context entered last from C++ (V8's entered context), whatever function runs.
CefRefPtr<CefV8Context> CefV8Context::GetEnteredContext() {
  auto& entered = cef_standin::EnteredContexts();
  for (auto it = entered.rbegin(); it != entered.rend(); ++it) {
    if (it->entered) {
      return it->context->NewHandle();
    }
  }
  return entered.empty() ? nullptr : CefRefPtr<CefV8Context>(entered.back().context->NewHandle());
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
