#include "values/values.h"

namespace cef_standin {

using Lock = std::lock_guard<std::recursive_mutex>;

DictionaryValue::DictionaryValue()
    : ContainerValue(std::make_unique<ValueNode>(VTYPE_DICTIONARY), false) {}

CefRefPtr<CefDictionaryValue> DictionaryValue::Copy(bool exclude_empty_children) {
  Lock lock(ValuesLock());
  if (!node()) {
    return nullptr;
  }
  std::unique_ptr<ValueNode> copy = node()->Clone(exclude_empty_children);
  return new DictionaryValue(copy ? std::move(copy)
                                  : std::make_unique<ValueNode>(VTYPE_DICTIONARY));
}

bool DictionaryValue::HasKey(const CefString& key) {
  Lock lock(ValuesLock());
  return node() && node()->members.count(key.ToString()) != 0;
}

bool DictionaryValue::GetKeys(KeyList& keys) {
  Lock lock(ValuesLock());
  if (!node()) {
    return false;
  }
  for (const auto& member : node()->members) {
    keys.push_back(member.first);
  }
  return true;
}

}  // namespace cef_standin

CefRefPtr<CefDictionaryValue> CefDictionaryValue::Create() {
  return new cef_standin::DictionaryValue();
}
