// The stand-in's V8 context: a frame's window object, and the stack of entered
// contexts that CefV8Context::GetCurrentContext reads.
#ifndef CEF_STANDIN_SRC_V8_CONTEXT_H_
#define CEF_STANDIN_SRC_V8_CONTEXT_H_

#include "include/cef_v8.h"
#include "v8_value.h"

namespace cef_standin {

class V8Context : public CefV8Context {
 public:
  V8Context(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame);

  int id() const { return id_; }
  CefRefPtr<V8Value> window() const { return window_; }
  // The page is gone: the window loses its properties and the context its validity.
  void Invalidate();

  bool IsValid() override { return valid_; }
  CefRefPtr<CefBrowser> GetBrowser() override { return browser_; }
  CefRefPtr<CefFrame> GetFrame() override { return frame_; }
  CefRefPtr<CefV8Value> GetGlobal() override;
  bool Enter() override;
  bool Exit() override;
  bool IsSame(CefRefPtr<CefV8Context> that) override { return that.get() == this; }

 private:
  const int id_;
  CefRefPtr<CefBrowser> browser_;
  CefRefPtr<CefFrame> frame_;
  CefRefPtr<V8Value> window_;
  bool valid_ = true;

  IMPLEMENT_REFCOUNTING(V8Context);
};

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_V8_CONTEXT_H_
