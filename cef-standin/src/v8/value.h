// The stand-in's JavaScript values: every kind page script can pass, with V8's number
// rules. Objects, arrays and functions made in a context are handles into the script
// engine's heap (v8/objects.h), with what C++ attached to them (handler, accessor,
// interceptor, user data) in the heap object's binding. Values made outside any context
// (the scenario's page values) keep their properties here until they enter a page. An
// object belongs to the context it was made in: once that context is released it is
// invalid, its methods fail, and it lets go of everything it held.
#ifndef CEF_STANDIN_SRC_V8_VALUE_H_
#define CEF_STANDIN_SRC_V8_VALUE_H_

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "include/cef_v8.h"
#include "v8/objects.h"

namespace cef_standin {

class V8Value;

// One V8 context's objects, valid until the context is released.
class ContextState {
 public:
  bool valid() const { return valid_; }
  void Track(V8Value* object) { objects_.insert(object); }
  void Untrack(V8Value* object) { objects_.erase(object); }
  void Track(script::Binding* binding) { bindings_.insert(binding); }
  void Untrack(script::Binding* binding) { bindings_.erase(binding); }
  // The context is released: every object made in it turns invalid and lets go of its
  // properties, elements, handler, accessor, interceptor and user data; so does every
  // heap object's binding made in it.
  void Release();

 private:
  bool valid_ = true;
  std::set<V8Value*> objects_;
  std::set<script::Binding*> bindings_;
};

class V8Value : public CefV8Value {
 public:
  enum class Kind {
    kInvalid,  // a handle that cannot be used: IsValid() is false
    kUndefined,
    kNull,
    kBool,
    kInt,     // a number that is a 32-bit signed integer
    kUInt,    // a number that is a 32-bit unsigned integer and no signed one
    kDouble,  // any other number
    kDate,
    kString,
    kObject,
    kArray,
    kFunction,
    kArrayBuffer,  // an ArrayBuffer of the heap's (over C++'s memory when C++ made it)
  };

  struct Property {
    CefRefPtr<CefV8Value> value;
    int attribute = V8_PROPERTY_ATTRIBUTE_NONE;
    uint64_t order = 0;     // insertion order, as V8 lists keys
    bool accessor = false;  // read and written through the object's CefV8Accessor
  };

  // An object, array or function belongs to the context entered when it is made (none
  // outside any: then it never turns invalid).
  explicit V8Value(Kind kind);
  ~V8Value() override;

  // Values as page script hands them over; these need no entered context.
  static CefRefPtr<V8Value> Bool(bool value);
  static CefRefPtr<V8Value> Number(double value);  // classified as V8 does
  static CefRefPtr<V8Value> Int(int32_t value);
  static CefRefPtr<V8Value> UInt(uint32_t value);
  static CefRefPtr<V8Value> Double(double value);  // a double whatever its value
  static CefRefPtr<V8Value> String(const std::u16string& value);
  // A date keeps the calendar time it was made with, exactly as given (an invalid one
  // too), as CEF 92 does; one from script is the calendar time of its milliseconds.
  static CefRefPtr<V8Value> Date(const CefTime& time);
  static CefRefPtr<V8Value> Date(double millisecondsSinceEpoch);
  static CefRefPtr<V8Value> Array(size_t length);
  static CefRefPtr<V8Value> Function(const std::u16string& name, CefRefPtr<CefV8Handler> handler);
  // An object, array or function that lives in the script engine's heap (one a page made,
  // or a page's window): its properties, elements and calls are the heap's. It belongs to
  // the context entered when it is made, or to `state`.
  static CefRefPtr<V8Value> InEngine(Kind kind,
                                     const script::Handle& handle,
                                     const std::shared_ptr<ContextState>& state = nullptr,
                                     CefRefPtr<script::Binding> binding = nullptr);
  const script::Handle& handle() const { return handle_; }
  // What C++ attached to the heap object, or null (a page's own object).
  script::Binding* binding() const { return binding_.get(); }

  Kind kind() const { return kind_; }
  // A date's milliseconds since the epoch, as script's Date gets them: 0 for a calendar
  // time that is not valid.
  double dateValue() const { return date_.GetDoubleT() * 1000.0; }
  const std::map<std::u16string, Property>& properties() const { return properties_; }
  const std::vector<CefRefPtr<CefV8Value>>& elements() const { return elements_; }
  void MarkUserCreated() { userCreated_ = true; }
  // An object made outside any context now belongs to this one.
  void BindToContext(const std::shared_ptr<ContextState>& state);
  // The arguments of each call that ran (ExecuteFunction), as JSON arrays of
  // {"kind", "value"}, oldest first.
  const std::vector<std::string>& calls() const { return calls_; }
  // Drops every property, element, handler, accessor, interceptor and user data: the
  // page that held them is gone.
  void Clear();

  bool IsValid() override { return kind_ != Kind::kInvalid && (!IsObject() || Usable()); }
  bool IsUndefined() override { return kind_ == Kind::kUndefined; }
  bool IsNull() override { return kind_ == Kind::kNull; }
  bool IsBool() override { return kind_ == Kind::kBool; }
  bool IsInt() override;
  bool IsUInt() override;
  bool IsDouble() override;
  bool IsDate() override { return kind_ == Kind::kDate; }
  bool IsString() override { return kind_ == Kind::kString; }
  bool IsObject() override;
  bool IsArray() override { return kind_ == Kind::kArray; }
  bool IsArrayBuffer() override { return kind_ == Kind::kArrayBuffer; }
  bool IsFunction() override { return kind_ == Kind::kFunction; }
  bool IsSame(CefRefPtr<CefV8Value> that) override;
  bool GetBoolValue() override { return kind_ == Kind::kBool && bool_; }
  int32 GetIntValue() override;
  uint32 GetUIntValue() override;
  double GetDoubleValue() override;
  CefTime GetDateValue() override;
  CefString GetStringValue() override;

  bool IsUserCreated() override { return Usable() && (userCreated_ || binding_); }
  bool HasException() override { return Usable() && thrown_.exception != nullptr; }
  CefRefPtr<CefV8Exception> GetException() override {
    return Usable() ? thrown_.exception : nullptr;
  }
  bool ClearException() override;
  bool WillRethrowExceptions() override { return Usable() && thrown_.rethrow; }
  bool SetRethrowExceptions(bool rethrow) override;
  bool HasValue(const CefString& key) override;
  bool HasValue(int index) override;
  bool DeleteValue(const CefString& key) override;
  bool DeleteValue(int index) override;
  CefRefPtr<CefV8Value> GetValue(const CefString& key) override;
  CefRefPtr<CefV8Value> GetValue(int index) override;
  bool SetValue(const CefString& key,
                CefRefPtr<CefV8Value> value,
                PropertyAttribute attribute) override;
  bool SetValue(int index, CefRefPtr<CefV8Value> value) override;
  bool SetValue(const CefString& key, AccessControl settings, PropertyAttribute attribute) override;
  bool GetKeys(std::vector<CefString>& keys) override;
  bool SetUserData(CefRefPtr<CefBaseRefCounted> user_data) override;
  CefRefPtr<CefBaseRefCounted> GetUserData() override;
  int GetExternallyAllocatedMemory() override;
  int AdjustExternallyAllocatedMemory(int change_in_bytes) override;
  int GetArrayLength() override;
  CefRefPtr<CefV8ArrayBufferReleaseCallback> GetArrayBufferReleaseCallback() override;
  bool NeuterArrayBuffer() override;
  CefString GetFunctionName() override;
  CefRefPtr<CefV8Handler> GetFunctionHandler() override;
  CefRefPtr<CefV8Value> ExecuteFunction(CefRefPtr<CefV8Value> object,
                                        const CefV8ValueList& arguments) override;
  CefRefPtr<CefV8Value> ExecuteFunctionWithContext(CefRefPtr<CefV8Context> context,
                                                   CefRefPtr<CefV8Value> object,
                                                   const CefV8ValueList& arguments) override;

 private:
  // An object whose context (if any) is still valid: its object methods work.
  bool Usable() const;
  // Starts a heap operation that may throw: what it throws is kept on this value.
  script::Thrown* Catching();
  bool IsArrayIndexKey(const std::u16string& key, size_t& index) const;
  // Offers a read to the interceptor, if any: false when it threw; retval is its valid
  // answer, or null.
  bool AskInterceptor(const std::u16string& key, CefRefPtr<CefV8Value>& retval);
  // A read through interceptor and accessor: the value, or null when one threw.
  CefRefPtr<CefV8Value> Read(const std::u16string& key);
  CefRefPtr<CefV8Value> ReadOwn(const std::u16string& key);
  bool Write(const std::u16string& key, CefRefPtr<CefV8Value> value);
  // Sets a data property (`found` is the key's entry, or the end), unless the one there is
  // read-only or undeletable.
  bool Define(std::map<std::u16string, Property>::iterator found,
              const std::u16string& key,
              CefRefPtr<CefV8Value> value,
              int attribute);

  Kind kind_;
  bool bool_ = false;
  int32_t int_ = 0;
  uint32_t uint_ = 0;
  double double_ = 0;
  CefTime date_;
  std::u16string string_;
  std::map<std::u16string, Property> properties_;
  std::vector<CefRefPtr<CefV8Value>> elements_;
  uint64_t nextOrder_ = 0;
  std::u16string functionName_;
  CefRefPtr<CefV8Handler> handler_;
  CefRefPtr<CefV8Accessor> accessor_;
  CefRefPtr<CefV8Interceptor> interceptor_;
  CefRefPtr<CefBaseRefCounted> userData_;
  std::shared_ptr<ContextState> state_;
  bool userCreated_ = false;
  script::Handle handle_;               // set: the value lives in the engine's heap
  CefRefPtr<script::Binding> binding_;  // what C++ attached to that heap object
  script::Thrown thrown_;               // what the last heap operation on it threw
  int externalMemory_ = 0;
  std::vector<std::string> calls_;

  IMPLEMENT_REFCOUNTING(V8Value);
};

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_V8_VALUE_H_
