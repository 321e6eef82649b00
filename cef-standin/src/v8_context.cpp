#include "v8_context.h"

#include <vector>

namespace cef_standin {
namespace {

// Entered contexts, innermost last. Never destroyed, so that a process ending from
// inside a handler does not tear it down under the running call.
std::vector<CefRefPtr<V8Context>>& EnteredContexts() {
  static auto* entered = new std::vector<CefRefPtr<V8Context>>();
  return *entered;
}

int NextContextId() {
  static int next = 0;
  return ++next;
}

}  // namespace

V8Context::V8Context(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame)
    : id_(NextContextId()),
      browser_(browser),
      frame_(frame),
      window_(new V8Value(V8Value::Kind::kObject)) {}

void V8Context::Invalidate() {
  valid_ = false;
  window_->Clear();
}

CefRefPtr<CefV8Value> V8Context::GetGlobal() {
  return valid_ ? CefRefPtr<CefV8Value>(window_) : nullptr;
}

bool V8Context::Enter() {
  if (!valid_) {
    return false;
  }
  EnteredContexts().push_back(this);
  return true;
}

bool V8Context::Exit() {
  auto& entered = EnteredContexts();
  if (entered.empty() || entered.back().get() != this) {
    return false;
  }
  entered.pop_back();
  return true;
}

}  // namespace cef_standin

CefRefPtr<CefV8Context> CefV8Context::GetCurrentContext() {
  auto& entered = cef_standin::EnteredContexts();
  return entered.empty() ? nullptr : CefRefPtr<CefV8Context>(entered.back());
}

CefRefPtr<CefV8Context> CefV8Context::GetEnteredContext() {
  auto& entered = cef_standin::EnteredContexts();
  return entered.empty() ? nullptr : CefRefPtr<CefV8Context>(entered.front());
}

bool CefV8Context::InContext() {
  return !cef_standin::EnteredContexts().empty();
}
