// Load-state notifications of a browser (the program offers none).
#ifndef CEF_INCLUDE_CEF_LOAD_HANDLER_H_
#define CEF_INCLUDE_CEF_LOAD_HANDLER_H_

#include "include/cef_base.h"

class CefBrowser;
class CefFrame;

class CefLoadHandler : public virtual CefBaseRefCounted {
 public:
  // The frame's document has loaded (its child frames included).
  virtual void OnLoadEnd(CefRefPtr<CefBrowser> browser,
                         CefRefPtr<CefFrame> frame,
                         int httpStatusCode) {}
};

#endif  // CEF_INCLUDE_CEF_LOAD_HANDLER_H_
