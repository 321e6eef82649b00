// Values that travel between processes: lists and dictionaries of null, bool, int,
// double, string and nested containers. Usable on any thread of any process.
#ifndef CEF_INCLUDE_CEF_VALUES_H_
#define CEF_INCLUDE_CEF_VALUES_H_

#include <vector>

#include "include/cef_base.h"

typedef enum {
  VTYPE_INVALID = 0,
  VTYPE_NULL,
  VTYPE_BOOL,
  VTYPE_INT,
  VTYPE_DOUBLE,
  VTYPE_STRING,
  VTYPE_BINARY,
  VTYPE_DICTIONARY,
  VTYPE_LIST,
} cef_value_type_t;
typedef cef_value_type_t CefValueType;

class CefBinaryValue;
class CefDictionaryValue;
class CefListValue;

// Lists, dictionaries and binaries are trees of values. A value made with Create() (or
// Copy()) owns its tree: IsOwned() false. Getting a nested list, dictionary or binary
// gives a reference into the tree (IsOwned() true) that turns invalid once its entry is
// replaced or removed, or once the tree's owner is gone. Setting an owning value into a
// container moves its tree there and leaves the value given invalid; setting a
// reference copies what it refers to.

// Any one value: a simple one, or a list, dictionary or binary held as the value that
// was set (by reference).
class CefValue : public virtual CefBaseRefCounted {
 public:
  // A new null value.
  static CefRefPtr<CefValue> Create();

  virtual bool IsValid() = 0;
  virtual bool IsOwned() = 0;
  // Binaries are always read-only.
  virtual bool IsReadOnly() = 0;
  virtual bool IsSame(CefRefPtr<CefValue> that) = 0;
  virtual bool IsEqual(CefRefPtr<CefValue> that) = 0;
  virtual CefRefPtr<CefValue> Copy() = 0;
  virtual CefValueType GetType() = 0;
  virtual bool GetBool() = 0;
  virtual int GetInt() = 0;
  virtual double GetDouble() = 0;
  virtual CefString GetString() = 0;
  virtual CefRefPtr<CefBinaryValue> GetBinary() = 0;
  virtual CefRefPtr<CefDictionaryValue> GetDictionary() = 0;
  virtual CefRefPtr<CefListValue> GetList() = 0;
  virtual bool SetNull() = 0;
  virtual bool SetBool(bool value) = 0;
  virtual bool SetInt(int value) = 0;
  virtual bool SetDouble(double value) = 0;
  virtual bool SetString(const CefString& value) = 0;
  virtual bool SetBinary(CefRefPtr<CefBinaryValue> value) = 0;
  virtual bool SetDictionary(CefRefPtr<CefDictionaryValue> value) = 0;
  virtual bool SetList(CefRefPtr<CefListValue> value) = 0;
};

// Bytes, read-only.
class CefBinaryValue : public virtual CefBaseRefCounted {
 public:
  // A copy of the bytes; null for no data or a size of 0.
  static CefRefPtr<CefBinaryValue> Create(const void* data, size_t data_size);

  virtual bool IsValid() = 0;
  virtual bool IsOwned() = 0;
  virtual bool IsSame(CefRefPtr<CefBinaryValue> that) = 0;
  virtual bool IsEqual(CefRefPtr<CefBinaryValue> that) = 0;
  virtual CefRefPtr<CefBinaryValue> Copy() = 0;
  virtual size_t GetSize() = 0;
  // Copies up to buffer_size bytes from data_offset; returns how many.
  virtual size_t GetData(void* buffer, size_t buffer_size, size_t data_offset) = 0;
};

// A dictionary keyed by strings.
class CefDictionaryValue : public virtual CefBaseRefCounted {
 public:
  typedef std::vector<CefString> KeyList;

  // A new dictionary, owned by no other value.
  static CefRefPtr<CefDictionaryValue> Create();

  virtual bool IsValid() = 0;
  virtual bool IsOwned() = 0;
  // Values handed in by CEF (for example with a received message) may be read-only;
  // their setters then fail.
  virtual bool IsReadOnly() = 0;
  virtual bool IsSame(CefRefPtr<CefDictionaryValue> that) = 0;
  virtual bool IsEqual(CefRefPtr<CefDictionaryValue> that) = 0;
  // A writable copy.
  virtual CefRefPtr<CefDictionaryValue> Copy(bool exclude_empty_children) = 0;
  virtual size_t GetSize() = 0;
  virtual bool Clear() = 0;
  virtual bool HasKey(const CefString& key) = 0;
  virtual bool GetKeys(KeyList& keys) = 0;
  virtual bool Remove(const CefString& key) = 0;
  virtual CefValueType GetType(const CefString& key) = 0;
  // A list, dictionary or binary entry by reference, a simple one as a copy.
  virtual CefRefPtr<CefValue> GetValue(const CefString& key) = 0;
  // The getters answer false, 0, 0.0 or an empty string when the entry is missing or
  // of another type (an int entry reads as a double too).
  virtual bool GetBool(const CefString& key) = 0;
  virtual int GetInt(const CefString& key) = 0;
  virtual double GetDouble(const CefString& key) = 0;
  virtual CefString GetString(const CefString& key) = 0;
  virtual CefRefPtr<CefBinaryValue> GetBinary(const CefString& key) = 0;
  virtual CefRefPtr<CefDictionaryValue> GetDictionary(const CefString& key) = 0;
  virtual CefRefPtr<CefListValue> GetList(const CefString& key) = 0;
  // A list, dictionary or binary held by the value moves or is copied as by SetList();
  // the value then refers to the entry.
  virtual bool SetValue(const CefString& key, CefRefPtr<CefValue> value) = 0;
  virtual bool SetNull(const CefString& key) = 0;
  virtual bool SetBool(const CefString& key, bool value) = 0;
  virtual bool SetInt(const CefString& key, int value) = 0;
  virtual bool SetDouble(const CefString& key, double value) = 0;
  virtual bool SetString(const CefString& key, const CefString& value) = 0;
  virtual bool SetBinary(const CefString& key, CefRefPtr<CefBinaryValue> value) = 0;
  virtual bool SetDictionary(const CefString& key, CefRefPtr<CefDictionaryValue> value) = 0;
  virtual bool SetList(const CefString& key, CefRefPtr<CefListValue> value) = 0;
};

// A list indexed from 0. Writing at an index past the end grows the list and fills the
// gap with null entries.
class CefListValue : public virtual CefBaseRefCounted {
 public:
  // A new empty list, owned by no other value.
  static CefRefPtr<CefListValue> Create();

  virtual bool IsValid() = 0;
  virtual bool IsOwned() = 0;
  virtual bool IsReadOnly() = 0;
  virtual bool IsSame(CefRefPtr<CefListValue> that) = 0;
  virtual bool IsEqual(CefRefPtr<CefListValue> that) = 0;
  // A writable copy.
  virtual CefRefPtr<CefListValue> Copy() = 0;
  // Grows with null entries or cuts the list to this size.
  virtual bool SetSize(size_t size) = 0;
  virtual size_t GetSize() = 0;
  virtual bool Clear() = 0;
  virtual bool Remove(size_t index) = 0;
  // VTYPE_INVALID past the end.
  virtual CefValueType GetType(size_t index) = 0;
  virtual CefRefPtr<CefValue> GetValue(size_t index) = 0;
  // The getters answer false, 0, 0.0 or an empty string when the entry is missing or
  // of another type (an int entry reads as a double too).
  virtual bool GetBool(size_t index) = 0;
  virtual int GetInt(size_t index) = 0;
  virtual double GetDouble(size_t index) = 0;
  virtual CefString GetString(size_t index) = 0;
  virtual CefRefPtr<CefBinaryValue> GetBinary(size_t index) = 0;
  virtual CefRefPtr<CefDictionaryValue> GetDictionary(size_t index) = 0;
  virtual CefRefPtr<CefListValue> GetList(size_t index) = 0;
  virtual bool SetValue(size_t index, CefRefPtr<CefValue> value) = 0;
  virtual bool SetNull(size_t index) = 0;
  virtual bool SetBool(size_t index, bool value) = 0;
  virtual bool SetInt(size_t index, int value) = 0;
  virtual bool SetDouble(size_t index, double value) = 0;
  virtual bool SetString(size_t index, const CefString& value) = 0;
  virtual bool SetBinary(size_t index, CefRefPtr<CefBinaryValue> value) = 0;
  virtual bool SetDictionary(size_t index, CefRefPtr<CefDictionaryValue> value) = 0;
  virtual bool SetList(size_t index, CefRefPtr<CefListValue> value) = 0;
};

#endif  // CEF_INCLUDE_CEF_VALUES_H_
