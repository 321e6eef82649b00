// The stand-in's lists and dictionaries: entries of every CEF value type, read-only
// marking for what a process receives, deep copies, and equality. Strings and keys are
// held as UTF-8, as CEF holds them, so text goes in as UTF-16 and may come back changed.
#ifndef CEF_STANDIN_SRC_VALUES_H_
#define CEF_STANDIN_SRC_VALUES_H_

#include <map>
#include <string>
#include <vector>

#include "include/cef_values.h"

namespace cef_standin {

class ListValue;
class DictionaryValue;

// What a list or dictionary keeps of a double: NaN and the infinities, which JSON cannot
// hold, are kept as 0.
double FiniteOrZero(double value);

// One entry of a list or a dictionary.
struct ValueEntry {
  CefValueType type = VTYPE_NULL;
  bool boolValue = false;
  int intValue = 0;
  double doubleValue = 0;
  std::string stringValue;  // UTF-8, as CEF keeps it: unpaired surrogates are U+FFFD
  CefRefPtr<ListValue> list;
  CefRefPtr<DictionaryValue> dictionary;

  ValueEntry DeepCopy() const;
  bool Equals(const ValueEntry& other) const;
};

class ListValue : public CefListValue {
 public:
  ListValue() = default;

  const std::vector<ValueEntry>& entries() const { return entries_; }
  // Writes an entry, growing the list with null entries; false when read-only.
  bool Store(size_t index, ValueEntry entry);
  // What another process hands over is read-only, children included.
  void MarkReadOnly();

  bool IsValid() override { return true; }
  bool IsOwned() override { return false; }
  bool IsReadOnly() override { return readOnly_; }
  bool IsSame(CefRefPtr<CefListValue> that) override { return that.get() == this; }
  bool IsEqual(CefRefPtr<CefListValue> that) override;
  CefRefPtr<CefListValue> Copy() override;
  bool SetSize(size_t size) override;
  size_t GetSize() override { return entries_.size(); }
  bool Clear() override;
  bool Remove(size_t index) override;
  CefValueType GetType(size_t index) override;
  bool GetBool(size_t index) override;
  int GetInt(size_t index) override;
  double GetDouble(size_t index) override;
  CefString GetString(size_t index) override;
  CefRefPtr<CefDictionaryValue> GetDictionary(size_t index) override;
  CefRefPtr<CefListValue> GetList(size_t index) override;
  bool SetNull(size_t index) override;
  bool SetBool(size_t index, bool value) override;
  bool SetInt(size_t index, int value) override;
  bool SetDouble(size_t index, double value) override;
  bool SetString(size_t index, const CefString& value) override;
  bool SetDictionary(size_t index, CefRefPtr<CefDictionaryValue> value) override;
  bool SetList(size_t index, CefRefPtr<CefListValue> value) override;

 private:
  const ValueEntry* Find(size_t index) const;

  std::vector<ValueEntry> entries_;
  bool readOnly_ = false;

  IMPLEMENT_REFCOUNTING(ListValue);
};

class DictionaryValue : public CefDictionaryValue {
 public:
  DictionaryValue() = default;

  const std::map<std::string, ValueEntry>& entries() const { return entries_; }
  bool Store(const CefString& key, ValueEntry entry);
  void MarkReadOnly();

  bool IsValid() override { return true; }
  bool IsOwned() override { return false; }
  bool IsReadOnly() override { return readOnly_; }
  bool IsSame(CefRefPtr<CefDictionaryValue> that) override { return that.get() == this; }
  bool IsEqual(CefRefPtr<CefDictionaryValue> that) override;
  CefRefPtr<CefDictionaryValue> Copy(bool exclude_empty_children) override;
  size_t GetSize() override { return entries_.size(); }
  bool Clear() override;
  bool HasKey(const CefString& key) override;
  bool GetKeys(KeyList& keys) override;
  bool Remove(const CefString& key) override;
  CefValueType GetType(const CefString& key) override;
  bool GetBool(const CefString& key) override;
  int GetInt(const CefString& key) override;
  double GetDouble(const CefString& key) override;
  CefString GetString(const CefString& key) override;
  CefRefPtr<CefDictionaryValue> GetDictionary(const CefString& key) override;
  CefRefPtr<CefListValue> GetList(const CefString& key) override;
  bool SetNull(const CefString& key) override;
  bool SetBool(const CefString& key, bool value) override;
  bool SetInt(const CefString& key, int value) override;
  bool SetDouble(const CefString& key, double value) override;
  bool SetString(const CefString& key, const CefString& value) override;
  bool SetDictionary(const CefString& key, CefRefPtr<CefDictionaryValue> value) override;
  bool SetList(const CefString& key, CefRefPtr<CefListValue> value) override;

 private:
  const ValueEntry* Find(const CefString& key) const;

  std::map<std::string, ValueEntry> entries_;  // keys in UTF-8, as CEF keeps them
  bool readOnly_ = false;

  IMPLEMENT_REFCOUNTING(DictionaryValue);
};

// An entry of the given type with no value yet.
ValueEntry ScalarEntry(CefValueType type);

// A writable deep copy of any CefListValue / CefDictionaryValue, through CEF's API when
// it is not one of the stand-in's own.
CefRefPtr<ListValue> CopyList(CefRefPtr<CefListValue> list);
CefRefPtr<DictionaryValue> CopyDictionary(CefRefPtr<CefDictionaryValue> dictionary);

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_VALUES_H_
