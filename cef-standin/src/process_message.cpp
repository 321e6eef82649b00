#include "process_message.h"

namespace cef_standin {

ProcessMessage::ProcessMessage(const std::u16string& name,
                               CefRefPtr<ListValue> arguments,
                               bool readOnly)
    : name_(name), arguments_(std::move(arguments)), readOnly_(readOnly) {
  if (readOnly_ && arguments_) {
    arguments_->MarkReadOnly();
  }
}

CefRefPtr<ListValue> ProcessMessage::TakeArguments() {
  CefRefPtr<ListValue> arguments = std::move(arguments_);
  arguments_ = nullptr;
  return arguments;
}

CefRefPtr<CefProcessMessage> ProcessMessage::Copy() {
  return new ProcessMessage(name_, CopyList(arguments_.get()), false);
}

}  // namespace cef_standin

CefRefPtr<CefProcessMessage> CefProcessMessage::Create(const CefString& name) {
  return new cef_standin::ProcessMessage(name.ToString16(), new cef_standin::ListValue(), false);
}
