// The stand-in's process message: a name and an argument list. Sending takes the
// arguments away; a received message is read-only.
#ifndef CEF_STANDIN_SRC_PROCESS_MESSAGE_H_
#define CEF_STANDIN_SRC_PROCESS_MESSAGE_H_

#include "include/cef_process_message.h"
#include "values.h"

namespace cef_standin {

class ProcessMessage : public CefProcessMessage {
 public:
  ProcessMessage(const std::u16string& name, CefRefPtr<ListValue> arguments, bool readOnly);

  // Gives up the arguments, as sending does; the message is invalid afterwards.
  CefRefPtr<ListValue> TakeArguments();

  bool IsValid() override { return arguments_ != nullptr; }
  bool IsReadOnly() override { return readOnly_; }
  CefRefPtr<CefProcessMessage> Copy() override;
  CefString GetName() override { return name_; }
  CefRefPtr<CefListValue> GetArgumentList() override { return arguments_.get(); }

 private:
  std::u16string name_;
  CefRefPtr<ListValue> arguments_;
  bool readOnly_;

  IMPLEMENT_REFCOUNTING(ProcessMessage);
};

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_PROCESS_MESSAGE_H_
