#include "values.h"

namespace cef_standin {
namespace {

ValueEntry Scalar(CefValueType type) {
  ValueEntry entry;
  entry.type = type;
  return entry;
}

// An entry read through CEF's API, for values that are not the stand-in's own.
template <typename Container, typename Key>
ValueEntry ReadEntry(Container& container, const Key& key) {
  ValueEntry entry = Scalar(container->GetType(key));
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
      entry.stringValue = container->GetString(key).ToString16();
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

// ListValue

void ListValue::MarkReadOnly() {
  readOnly_ = true;
  for (ValueEntry& entry : entries_) {
    if (entry.list) {
      entry.list->MarkReadOnly();
    }
    if (entry.dictionary) {
      entry.dictionary->MarkReadOnly();
    }
  }
}

bool ListValue::IsEqual(CefRefPtr<CefListValue> that) {
  if (!that) {
    return false;
  }
  CefRefPtr<ListValue> other = CopyList(that);
  if (other->entries_.size() != entries_.size()) {
    return false;
  }
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (!entries_[i].Equals(other->entries_[i])) {
      return false;
    }
  }
  return true;
}

CefRefPtr<CefListValue> ListValue::Copy() {
  return CopyList(this);
}

bool ListValue::SetSize(size_t size) {
  if (readOnly_) {
    return false;
  }
  entries_.resize(size);
  return true;
}

bool ListValue::Clear() {
  if (readOnly_) {
    return false;
  }
  entries_.clear();
  return true;
}

bool ListValue::Remove(size_t index) {
  if (readOnly_ || index >= entries_.size()) {
    return false;
  }
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
  return true;
}

const ValueEntry* ListValue::Find(size_t index) const {
  return index < entries_.size() ? &entries_[index] : nullptr;
}

bool ListValue::Store(size_t index, ValueEntry entry) {
  if (readOnly_) {
    return false;
  }
  if (index >= entries_.size()) {
    entries_.resize(index + 1);  // the gap reads as null entries
  }
  entries_[index] = std::move(entry);
  return true;
}

CefValueType ListValue::GetType(size_t index) {
  const ValueEntry* entry = Find(index);
  return entry ? entry->type : VTYPE_INVALID;
}

bool ListValue::GetBool(size_t index) {
  const ValueEntry* entry = Find(index);
  return entry && entry->type == VTYPE_BOOL && entry->boolValue;
}

int ListValue::GetInt(size_t index) {
  const ValueEntry* entry = Find(index);
  return entry && entry->type == VTYPE_INT ? entry->intValue : 0;
}

double ListValue::GetDouble(size_t index) {
  const ValueEntry* entry = Find(index);
  if (entry && entry->type == VTYPE_DOUBLE) {
    return entry->doubleValue;
  }
  return entry && entry->type == VTYPE_INT ? entry->intValue : 0.0;
}

CefString ListValue::GetString(size_t index) {
  const ValueEntry* entry = Find(index);
  return entry && entry->type == VTYPE_STRING ? CefString(entry->stringValue) : CefString();
}

CefRefPtr<CefDictionaryValue> ListValue::GetDictionary(size_t index) {
  const ValueEntry* entry = Find(index);
  return entry && entry->type == VTYPE_DICTIONARY ? entry->dictionary.get() : nullptr;
}

CefRefPtr<CefListValue> ListValue::GetList(size_t index) {
  const ValueEntry* entry = Find(index);
  return entry && entry->type == VTYPE_LIST ? entry->list.get() : nullptr;
}

bool ListValue::SetNull(size_t index) {
  return Store(index, Scalar(VTYPE_NULL));
}

bool ListValue::SetBool(size_t index, bool value) {
  ValueEntry entry = Scalar(VTYPE_BOOL);
  entry.boolValue = value;
  return Store(index, std::move(entry));
}

bool ListValue::SetInt(size_t index, int value) {
  ValueEntry entry = Scalar(VTYPE_INT);
  entry.intValue = value;
  return Store(index, std::move(entry));
}

bool ListValue::SetDouble(size_t index, double value) {
  ValueEntry entry = Scalar(VTYPE_DOUBLE);
  entry.doubleValue = value;
  return Store(index, std::move(entry));
}

bool ListValue::SetString(size_t index, const CefString& value) {
  ValueEntry entry = Scalar(VTYPE_STRING);
  entry.stringValue = value.ToString16();
  return Store(index, std::move(entry));
}

bool ListValue::SetDictionary(size_t index, CefRefPtr<CefDictionaryValue> value) {
  if (!value) {
    return false;
  }
  ValueEntry entry = Scalar(VTYPE_DICTIONARY);
  entry.dictionary = CopyDictionary(value);
  return Store(index, std::move(entry));
}

bool ListValue::SetList(size_t index, CefRefPtr<CefListValue> value) {
  if (!value) {
    return false;
  }
  ValueEntry entry = Scalar(VTYPE_LIST);
  entry.list = CopyList(value);
  return Store(index, std::move(entry));
}

// DictionaryValue

void DictionaryValue::MarkReadOnly() {
  readOnly_ = true;
  for (auto& [key, entry] : entries_) {
    if (entry.list) {
      entry.list->MarkReadOnly();
    }
    if (entry.dictionary) {
      entry.dictionary->MarkReadOnly();
    }
  }
}

bool DictionaryValue::IsEqual(CefRefPtr<CefDictionaryValue> that) {
  if (!that) {
    return false;
  }
  CefRefPtr<DictionaryValue> other = CopyDictionary(that);
  if (other->entries_.size() != entries_.size()) {
    return false;
  }
  for (const auto& [key, entry] : entries_) {
    auto found = other->entries_.find(key);
    if (found == other->entries_.end() || !entry.Equals(found->second)) {
      return false;
    }
  }
  return true;
}

CefRefPtr<CefDictionaryValue> DictionaryValue::Copy(bool exclude_empty_children) {
  CefRefPtr<DictionaryValue> copy = CopyDictionary(this);
  if (exclude_empty_children) {
    for (auto it = copy->entries_.begin(); it != copy->entries_.end();) {
      const ValueEntry& entry = it->second;
      bool empty = (entry.list && entry.list->GetSize() == 0) ||
                   (entry.dictionary && entry.dictionary->GetSize() == 0);
      it = empty ? copy->entries_.erase(it) : std::next(it);
    }
  }
  return copy;
}

bool DictionaryValue::Clear() {
  if (readOnly_) {
    return false;
  }
  entries_.clear();
  return true;
}

bool DictionaryValue::HasKey(const CefString& key) {
  return Find(key) != nullptr;
}

bool DictionaryValue::GetKeys(KeyList& keys) {
  for (const auto& entry : entries_) {
    keys.push_back(entry.first);
  }
  return true;
}

bool DictionaryValue::Remove(const CefString& key) {
  return !readOnly_ && entries_.erase(key.ToString16()) > 0;
}

const ValueEntry* DictionaryValue::Find(const CefString& key) const {
  auto found = entries_.find(key.ToString16());
  return found == entries_.end() ? nullptr : &found->second;
}

bool DictionaryValue::Store(const CefString& key, ValueEntry entry) {
  if (readOnly_) {
    return false;
  }
  entries_[key.ToString16()] = std::move(entry);
  return true;
}

CefValueType DictionaryValue::GetType(const CefString& key) {
  const ValueEntry* entry = Find(key);
  return entry ? entry->type : VTYPE_INVALID;
}

bool DictionaryValue::GetBool(const CefString& key) {
  const ValueEntry* entry = Find(key);
  return entry && entry->type == VTYPE_BOOL && entry->boolValue;
}

int DictionaryValue::GetInt(const CefString& key) {
  const ValueEntry* entry = Find(key);
  return entry && entry->type == VTYPE_INT ? entry->intValue : 0;
}

double DictionaryValue::GetDouble(const CefString& key) {
  const ValueEntry* entry = Find(key);
  if (entry && entry->type == VTYPE_DOUBLE) {
    return entry->doubleValue;
  }
  return entry && entry->type == VTYPE_INT ? entry->intValue : 0.0;
}

CefString DictionaryValue::GetString(const CefString& key) {
  const ValueEntry* entry = Find(key);
  return entry && entry->type == VTYPE_STRING ? CefString(entry->stringValue) : CefString();
}

CefRefPtr<CefDictionaryValue> DictionaryValue::GetDictionary(const CefString& key) {
  const ValueEntry* entry = Find(key);
  return entry && entry->type == VTYPE_DICTIONARY ? entry->dictionary.get() : nullptr;
}

CefRefPtr<CefListValue> DictionaryValue::GetList(const CefString& key) {
  const ValueEntry* entry = Find(key);
  return entry && entry->type == VTYPE_LIST ? entry->list.get() : nullptr;
}

bool DictionaryValue::SetNull(const CefString& key) {
  return Store(key, Scalar(VTYPE_NULL));
}

bool DictionaryValue::SetBool(const CefString& key, bool value) {
  ValueEntry entry = Scalar(VTYPE_BOOL);
  entry.boolValue = value;
  return Store(key, std::move(entry));
}

bool DictionaryValue::SetInt(const CefString& key, int value) {
  ValueEntry entry = Scalar(VTYPE_INT);
  entry.intValue = value;
  return Store(key, std::move(entry));
}

bool DictionaryValue::SetDouble(const CefString& key, double value) {
  ValueEntry entry = Scalar(VTYPE_DOUBLE);
  entry.doubleValue = value;
  return Store(key, std::move(entry));
}

bool DictionaryValue::SetString(const CefString& key, const CefString& value) {
  ValueEntry entry = Scalar(VTYPE_STRING);
  entry.stringValue = value.ToString16();
  return Store(key, std::move(entry));
}

bool DictionaryValue::SetDictionary(const CefString& key, CefRefPtr<CefDictionaryValue> value) {
  if (!value) {
    return false;
  }
  ValueEntry entry = Scalar(VTYPE_DICTIONARY);
  entry.dictionary = CopyDictionary(value);
  return Store(key, std::move(entry));
}

bool DictionaryValue::SetList(const CefString& key, CefRefPtr<CefListValue> value) {
  if (!value) {
    return false;
  }
  ValueEntry entry = Scalar(VTYPE_LIST);
  entry.list = CopyList(value);
  return Store(key, std::move(entry));
}

}  // namespace cef_standin

CefRefPtr<CefListValue> CefListValue::Create() {
  return new cef_standin::ListValue();
}

CefRefPtr<CefDictionaryValue> CefDictionaryValue::Create() {
  return new cef_standin::DictionaryValue();
}
