#include "values.h"

#include <cmath>

namespace cef_standin {

double FiniteOrZero(double value) {
  return std::isfinite(value) ? value : 0.0;
}

ValueEntry ScalarEntry(CefValueType type) {
  ValueEntry entry;
  entry.type = type;
  return entry;
}

namespace {

// An entry read through CEF's API, for values that are not the stand-in's own.
template <typename Container, typename Key>
ValueEntry ReadEntry(Container& container, const Key& key) {
  ValueEntry entry = ScalarEntry(container->GetType(key));
  switch (entry.type) {
    case VTYPE_BOOL:
      entry.boolValue = container->GetBool(key);
      break;
    case VTYPE_INT:
      entry.intValue = container->GetInt(key);
      break;
    case VTYPE_DOUBLE:
      entry.doubleValue = container->GetDouble(key);
      break;
    case VTYPE_STRING:
      entry.stringValue = container->GetString(key).ToString();
      break;
    case VTYPE_LIST:
      entry.list = CopyList(container->GetList(key));
      break;
    case VTYPE_DICTIONARY:
      entry.dictionary = CopyDictionary(container->GetDictionary(key));
      break;
    default:
      entry.type = VTYPE_NULL;
      break;
  }
  return entry;
}

}  // namespace

ValueEntry ValueEntry::DeepCopy() const {
  ValueEntry copy = *this;
  if (list) {
    copy.list = CopyList(list.get());
  }
  if (dictionary) {
    copy.dictionary = CopyDictionary(dictionary.get());
  }
  return copy;
}

bool ValueEntry::Equals(const ValueEntry& other) const {
  if (type != other.type) {
    return false;
  }
  switch (type) {
    case VTYPE_BOOL:
      return boolValue == other.boolValue;
    case VTYPE_INT:
      return intValue == other.intValue;
    case VTYPE_DOUBLE:
      return doubleValue == other.doubleValue;
    case VTYPE_STRING:
      return stringValue == other.stringValue;
    case VTYPE_LIST:
      return list->IsEqual(other.list.get());
    case VTYPE_DICTIONARY:
      return dictionary->IsEqual(other.dictionary.get());
    default:
      return true;
  }
}

CefRefPtr<ListValue> CopyList(CefRefPtr<CefListValue> list) {
  CefRefPtr<ListValue> copy = new ListValue();
  if (!list) {
    return copy;
  }
  if (auto* own = dynamic_cast<ListValue*>(list.get())) {
    for (size_t i = 0; i < own->entries().size(); ++i) {
      copy->Store(i, own->entries()[i].DeepCopy());
    }
    return copy;
  }
  for (size_t i = 0; i < list->GetSize(); ++i) {
    copy->Store(i, ReadEntry(list, i));
  }
  return copy;
}

CefRefPtr<DictionaryValue> CopyDictionary(CefRefPtr<CefDictionaryValue> dictionary) {
  CefRefPtr<DictionaryValue> copy = new DictionaryValue();
  if (!dictionary) {
    return copy;
  }
  if (auto* own = dynamic_cast<DictionaryValue*>(dictionary.get())) {
    for (const auto& [key, entry] : own->entries()) {
      copy->Store(key, entry.DeepCopy());
    }
    return copy;
  }
  CefDictionaryValue::KeyList keys;
  dictionary->GetKeys(keys);
  for (const CefString& key : keys) {
    copy->Store(key, ReadEntry(dictionary, key));
  }
  return copy;
}

}  // namespace cef_standin

CefRefPtr<CefListValue> CefListValue::Create() {
  return new cef_standin::ListValue();
}

CefRefPtr<CefDictionaryValue> CefDictionaryValue::Create() {
  return new cef_standin::DictionaryValue();
}
