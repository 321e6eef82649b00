#include "values/process_message.h"

namespace cef_standin {

ProcessMessage::ProcessMessage(const std::u16string& name,
                               CefRefPtr<ListValue> arguments,
                               bool readOnly)
    : name_(name), arguments_(arguments ? arguments.get() : new ListValue()) {
  if (readOnly) {
    arguments_->MarkReadOnly();
  }
}

CefRefPtr<CefProcessMessage> ProcessMessage::Copy() {
  std::lock_guard<std::recursive_mutex> lock(ValuesLock());
  if (!arguments_->node()) {
    return nullptr;
  }
  return new ProcessMessage(name_, new ListValue(arguments_->node()->Clone()), false);
}

}  // namespace cef_standin

CefRefPtr<CefProcessMessage> CefProcessMessage::Create(const CefString& name) {
  return new cef_standin::ProcessMessage(name.ToString16(), new cef_standin::ListValue(), false);
}
