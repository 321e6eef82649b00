#include "values.h"

namespace cef_standin {

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
  return !readOnly_ && entries_.erase(key.ToString()) > 0;
}

const ValueEntry* DictionaryValue::Find(const CefString& key) const {
  auto found = entries_.find(key.ToString());
  return found == entries_.end() ? nullptr : &found->second;
}

bool DictionaryValue::Store(const CefString& key, ValueEntry entry) {
  if (readOnly_) {
    return false;
  }
  entries_[key.ToString()] = std::move(entry);
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
  return Store(key, ScalarEntry(VTYPE_NULL));
}

bool DictionaryValue::SetBool(const CefString& key, bool value) {
  ValueEntry entry = ScalarEntry(VTYPE_BOOL);
  entry.boolValue = value;
  return Store(key, std::move(entry));
}

bool DictionaryValue::SetInt(const CefString& key, int value) {
  ValueEntry entry = ScalarEntry(VTYPE_INT);
  entry.intValue = value;
  return Store(key, std::move(entry));
}

bool DictionaryValue::SetDouble(const CefString& key, double value) {
  ValueEntry entry = ScalarEntry(VTYPE_DOUBLE);
  entry.doubleValue = FiniteOrZero(value);
  return Store(key, std::move(entry));
}

bool DictionaryValue::SetString(const CefString& key, const CefString& value) {
  ValueEntry entry = ScalarEntry(VTYPE_STRING);
  entry.stringValue = value.ToString();
  return Store(key, std::move(entry));
}

bool DictionaryValue::SetDictionary(const CefString& key, CefRefPtr<CefDictionaryValue> value) {
  if (!value) {
    return false;
  }
  ValueEntry entry = ScalarEntry(VTYPE_DICTIONARY);
  entry.dictionary = CopyDictionary(value);
  return Store(key, std::move(entry));
}

bool DictionaryValue::SetList(const CefString& key, CefRefPtr<CefListValue> value) {
  if (!value) {
    return false;
  }
  ValueEntry entry = ScalarEntry(VTYPE_LIST);
  entry.list = CopyList(value);
  return Store(key, std::move(entry));
}

}  // namespace cef_standin
