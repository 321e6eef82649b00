// The stand-in's process message: a name and an argument list it owns. Sending takes
// the arguments' tree away (the list, and so the message, turns invalid); a received
// message's list is read-only.
#ifndef CEF_STANDIN_SRC_VALUES_PROCESS_MESSAGE_H_
#define CEF_STANDIN_SRC_VALUES_PROCESS_MESSAGE_H_

#include "include/cef_process_message.h"
#include "values/values.h"

namespace cef_standin {

class ProcessMessage : public CefProcessMessage {
 public:
  ProcessMessage(const std::u16string& name, CefRefPtr<ListValue> arguments, bool readOnly);

  // Gives up the arguments, as sending does; the message is invalid afterwards.
  CefRefPtr<ListValue> TakeArguments() { return arguments_->Detach(); }

  bool IsValid() override { return arguments_->IsValid(); }
  bool IsReadOnly() override { return arguments_->IsReadOnly(); }
  CefRefPtr<CefProcessMessage> Copy() override;
  CefString GetName() override { return name_; }
  CefRefPtr<CefListValue> GetArgumentList() override { return arguments_.get(); }

 private:
  std::u16string name_;
  CefRefPtr<ListValue> arguments_;

  IMPLEMENT_REFCOUNTING(ProcessMessage);
};

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_VALUES_PROCESS_MESSAGE_H_
