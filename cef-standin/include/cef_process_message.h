// A named message with an argument list, sent between a browser and its renderers.
#ifndef CEF_INCLUDE_CEF_PROCESS_MESSAGE_H_
#define CEF_INCLUDE_CEF_PROCESS_MESSAGE_H_

#include "include/cef_base.h"
#include "include/cef_values.h"

class CefProcessMessage : public virtual CefBaseRefCounted {
 public:
  // A new message with an empty, writable argument list.
  static CefRefPtr<CefProcessMessage> Create(const CefString& name);

  // False once the message has been sent: its arguments went with it.
  virtual bool IsValid() = 0;
  // A received message is read-only.
  virtual bool IsReadOnly() = 0;
  // A writable copy.
  virtual CefRefPtr<CefProcessMessage> Copy() = 0;
  virtual CefString GetName() = 0;
  virtual CefRefPtr<CefListValue> GetArgumentList() = 0;
};

#endif  // CEF_INCLUDE_CEF_PROCESS_MESSAGE_H_
