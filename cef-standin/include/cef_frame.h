// A frame of a browser: the main (top-level) frame or a nested one. In a renderer its
// methods are called on the main thread.
#ifndef CEF_INCLUDE_CEF_FRAME_H_
#define CEF_INCLUDE_CEF_FRAME_H_

#include "include/cef_base.h"
#include "include/cef_dom.h"
#include "include/cef_process_message.h"

class CefBrowser;
class CefV8Context;

class CefFrame : public virtual CefBaseRefCounted {
 public:
  // False once the frame has gone (its browser was destroyed or it was detached).
  virtual bool IsValid() = 0;
  virtual void LoadURL(const CefString& url) = 0;
  virtual void ExecuteJavaScript(const CefString& code,
                                 const CefString& script_url,
                                 int start_line) = 0;
  virtual bool IsMain() = 0;
  virtual bool IsFocused() = 0;
  // The frame's name; the main frame's is empty.
  virtual CefString GetName() = 0;
  virtual int64 GetIdentifier() = 0;
  // Null for the main frame.
  virtual CefRefPtr<CefFrame> GetParent() = 0;
  virtual CefString GetURL() = 0;
  virtual CefRefPtr<CefBrowser> GetBrowser() = 0;
  // Renderer only.
  virtual CefRefPtr<CefV8Context> GetV8Context() = 0;
  // Renderer only: runs the visitor on the frame's current document.
  virtual void VisitDOM(CefRefPtr<CefDOMVisitor> visitor) = 0;
  // Sends the message to the target process; delivery is not guaranteed. The message
  // gives up its arguments and is no longer valid afterwards.
  virtual void SendProcessMessage(CefProcessId target_process,
                                  CefRefPtr<CefProcessMessage> message) = 0;
};

#endif  // CEF_INCLUDE_CEF_FRAME_H_
