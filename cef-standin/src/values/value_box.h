// The stand-in's CefValue: a simple value of its own, or the binary, list or dictionary
// handle it was given (held by reference, as CEF holds it).
#ifndef CEF_STANDIN_SRC_VALUES_VALUE_BOX_H_
#define CEF_STANDIN_SRC_VALUES_VALUE_BOX_H_

#include <memory>

#include "values/values.h"

namespace cef_standin {

class ValueBox : public CefValue {
 public:
  explicit ValueBox(std::unique_ptr<ValueNode> simple) : simple_(std::move(simple)) {}
  // Holds a binary, list or dictionary handle.
  explicit ValueBox(CefRefPtr<CefBaseRefCounted> held, CefValueType type);

  // A node for a container's entry: what the held handle gives up or a copy of it
  // (see ValueHandle::TakeOrCopy), or a copy of the simple value. Null when it cannot.
  std::unique_ptr<ValueNode> TakeOrCopy(const ValueNode* target);
  // After the entry was placed: a held handle is replaced by a view of `placed`.
  void Refer(ValueNode* placed);

  bool IsValid() override;
  bool IsOwned() override;
  bool IsReadOnly() override;
  bool IsSame(CefRefPtr<CefValue> that) override;
  bool IsEqual(CefRefPtr<CefValue> that) override;
  CefRefPtr<CefValue> Copy() override;
  CefValueType GetType() override;
  bool GetBool() override;
  int GetInt() override;
  double GetDouble() override;
  CefString GetString() override;
  CefRefPtr<CefBinaryValue> GetBinary() override;
  CefRefPtr<CefDictionaryValue> GetDictionary() override;
  CefRefPtr<CefListValue> GetList() override;
  bool SetNull() override;
  bool SetBool(bool value) override;
  bool SetInt(int value) override;
  bool SetDouble(double value) override;
  bool SetString(const CefString& value) override;
  bool SetBinary(CefRefPtr<CefBinaryValue> value) override;
  bool SetDictionary(CefRefPtr<CefDictionaryValue> value) override;
  bool SetList(CefRefPtr<CefListValue> value) override;

 private:
  bool SetSimple(std::unique_ptr<ValueNode> node);
  bool Hold(CefRefPtr<CefBaseRefCounted> held, CefValueType type);
  ValueHandle* held() const { return held_ ? HandleOf(held_.get()) : nullptr; }

  std::unique_ptr<ValueNode> simple_;
  CefRefPtr<CefBaseRefCounted> held_;  // a BinaryValue, ListValue or DictionaryValue
  CefValueType heldType_ = VTYPE_INVALID;

  IMPLEMENT_REFCOUNTING(ValueBox);
};

// An entry as CefValue: a view for a binary, list or dictionary, else a copy.
CefRefPtr<CefValue> BoxEntry(ValueNode* node, bool readOnly);

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_VALUES_VALUE_BOX_H_
