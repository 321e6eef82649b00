#include "values.h"

namespace cef_standin {

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
  return Store(index, ScalarEntry(VTYPE_NULL));
}

bool ListValue::SetBool(size_t index, bool value) {
  ValueEntry entry = ScalarEntry(VTYPE_BOOL);
  entry.boolValue = value;
  return Store(index, std::move(entry));
}

bool ListValue::SetInt(size_t index, int value) {
  ValueEntry entry = ScalarEntry(VTYPE_INT);
  entry.intValue = value;
  return Store(index, std::move(entry));
}

bool ListValue::SetDouble(size_t index, double value) {
  ValueEntry entry = ScalarEntry(VTYPE_DOUBLE);
  entry.doubleValue = FiniteOrZero(value);
  return Store(index, std::move(entry));
}

bool ListValue::SetString(size_t index, const CefString& value) {
  ValueEntry entry = ScalarEntry(VTYPE_STRING);
  entry.stringValue = value.ToString();
  return Store(index, std::move(entry));
}

bool ListValue::SetDictionary(size_t index, CefRefPtr<CefDictionaryValue> value) {
  if (!value) {
    return false;
  }
  ValueEntry entry = ScalarEntry(VTYPE_DICTIONARY);
  entry.dictionary = CopyDictionary(value);
  return Store(index, std::move(entry));
}

bool ListValue::SetList(size_t index, CefRefPtr<CefListValue> value) {
  if (!value) {
    return false;
  }
  ValueEntry entry = ScalarEntry(VTYPE_LIST);
  entry.list = CopyList(value);
  return Store(index, std::move(entry));
}

}  // namespace cef_standin
