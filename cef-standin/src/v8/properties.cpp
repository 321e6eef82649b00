// Properties and elements of the stand-in's V8 objects. A heap object's are the heap's
// (v8/objects.h: interceptors and accessors route there as below, and what a getter,
// setter or interceptor throws is kept on the value, as CEF's HasException tells). A value
// made outside any context keeps its own here, with V8's routing as CEF sets it up: an
// object made with an interceptor offers every read and write to it first (by
// name, or by index for a key that is an array index), and a read it answers with a
// valid value goes no further; a write always goes on. Accessor properties (made with
// SetValue(key, AccessControl, attribute) on an object with an accessor) are read and
// written through the accessor. A thrown exception makes the read null and the write
// false.
#include <algorithm>
#include <limits>

#include "v8/value.h"

namespace cef_standin {
namespace {

std::u16string IndexKey(int index) {
  std::string digits = std::to_string(index);
  return std::u16string(digits.begin(), digits.end());
}

// A key V8 treats as an element index: digits without a leading zero, in int range.
bool ParseIndex(const std::u16string& key, int& index) {
  if (key.empty() || key.size() > 10 || (key.size() > 1 && key[0] == u'0')) {
    return false;
  }
  long long value = 0;
  for (char16_t c : key) {
    if (c < u'0' || c > u'9') {
      return false;
    }
    value = value * 10 + (c - u'0');
  }
  if (value > std::numeric_limits<int>::max()) {
    return false;
  }
  index = static_cast<int>(value);
  return true;
}

bool ValidValue(const CefRefPtr<CefV8Value>& value) {
  return value && value->IsValid();
}

}  // namespace

bool V8Value::IsArrayIndexKey(const std::u16string& key, size_t& index) const {
  int parsed = 0;
  if (kind_ != Kind::kArray || key.size() > 9 || !ParseIndex(key, parsed)) {
    return false;
  }
  index = static_cast<size_t>(parsed);
  return true;
}

bool V8Value::AskInterceptor(const std::u16string& key, CefRefPtr<CefV8Value>& retval) {
  CefRefPtr<CefV8Interceptor> interceptor = interceptor_;
  if (!interceptor) {
    return true;
  }
  CefString exception;
  int index = 0;
  if (ParseIndex(key, index)) {
    interceptor->Get(index, this, retval, exception);
  } else {
    interceptor->Get(CefString(key), this, retval, exception);
  }
  if (!ValidValue(retval)) {
    retval = nullptr;
  }
  return exception.empty();
}

CefRefPtr<CefV8Value> V8Value::Read(const std::u16string& key) {
  CefRefPtr<CefV8Value> retval;
  if (!AskInterceptor(key, retval)) {
    return nullptr;  // it threw
  }
  return retval ? retval : ReadOwn(key);
}

CefRefPtr<CefV8Value> V8Value::ReadOwn(const std::u16string& key) {
  auto found = properties_.find(key);
  if (found == properties_.end()) {
    return new V8Value(Kind::kUndefined);
  }
  if (!found->second.accessor) {
    return found->second.value;
  }
  CefRefPtr<CefV8Accessor> accessor = accessor_;
  CefRefPtr<CefV8Value> retval;
  CefString exception;
  if (accessor && accessor->Get(CefString(key), this, retval, exception)) {
    if (!exception.empty()) {
      return nullptr;
    }
    if (ValidValue(retval)) {
      return retval;
    }
  }
  return new V8Value(Kind::kUndefined);
}

bool V8Value::Write(const std::u16string& key, CefRefPtr<CefV8Value> value) {
  CefRefPtr<CefV8Interceptor> interceptor = interceptor_;
  if (interceptor) {
    CefString exception;
    int index = 0;
    if (ParseIndex(key, index)) {
      interceptor->Set(index, this, value, exception);
    } else {
      interceptor->Set(CefString(key), this, value, exception);
    }
    if (!exception.empty()) {
      return false;
    }
  }
  auto found = properties_.find(key);
  if (found != properties_.end() && found->second.accessor) {
    CefRefPtr<CefV8Accessor> accessor = accessor_;
    // A read-only accessor property has no setter: the write is ignored.
    if (accessor && (found->second.attribute & V8_PROPERTY_ATTRIBUTE_READONLY) == 0) {
      CefString exception;
      accessor->Set(CefString(key), this, value, exception);
      return exception.empty();
    }
    return true;
  }
  return Define(found, key, value, V8_PROPERTY_ATTRIBUTE_NONE);
}

bool V8Value::Define(std::map<std::u16string, Property>::iterator found,
                     const std::u16string& key,
                     CefRefPtr<CefV8Value> value,
                     int attribute) {
  if (found == properties_.end()) {
    properties_[key] = Property{value, attribute, nextOrder_++, false};
  } else if ((found->second.attribute &
              (V8_PROPERTY_ATTRIBUTE_READONLY | V8_PROPERTY_ATTRIBUTE_DONTDELETE)) == 0) {
    found->second = Property{value, attribute, found->second.order, false};
  }
  return true;  // also when a read-only or undeletable property kept its value, as V8 answers
}

bool V8Value::HasValue(const CefString& key) {
  if (!Usable()) {
    return false;
  }
  if (handle_) {
    return script::HasProperty(handle_, key.ToString16());
  }
  const std::u16string name = key.ToString16();
  size_t index = 0;
  if (IsArrayIndexKey(name, index)) {
    return index < elements_.size();
  }
  // Without a query callback V8 asks the interceptor's getter.
  CefRefPtr<CefV8Value> retval;
  if (AskInterceptor(name, retval) && retval) {
    return true;
  }
  return properties_.count(name) != 0;
}

bool V8Value::HasValue(int index) {
  if (!Usable() || index < 0) {
    return false;
  }
  if (handle_) {
    return script::HasProperty(handle_, IndexKey(index));
  }
  if (kind_ == Kind::kArray) {
    return static_cast<size_t>(index) < elements_.size();
  }
  return HasValue(CefString(IndexKey(index)));
}

bool V8Value::DeleteValue(const CefString& key) {
  if (!Usable()) {
    return false;
  }
  if (handle_) {
    return script::DeleteProperty(handle_, key.ToString16(), Catching());
  }
  size_t index = 0;
  if (IsArrayIndexKey(key.ToString16(), index)) {
    return DeleteValue(static_cast<int>(index));
  }
  auto found = properties_.find(key.ToString16());
  if (found != properties_.end() &&
      (found->second.attribute & V8_PROPERTY_ATTRIBUTE_DONTDELETE) == 0) {
    CefRefPtr<CefV8Value> keepAlive = found->second.value;
    properties_.erase(found);
  }
  return true;  // also for a property that does not allow deleting, as V8 answers
}

bool V8Value::DeleteValue(int index) {
  if (!Usable() || index < 0) {
    return false;
  }
  if (handle_) {
    return script::DeleteProperty(handle_, IndexKey(index), Catching());
  }
  if (kind_ == Kind::kArray) {
    if (static_cast<size_t>(index) < elements_.size()) {
      elements_[static_cast<size_t>(index)] = new V8Value(Kind::kUndefined);  // a hole
    }
    return true;
  }
  return DeleteValue(CefString(IndexKey(index)));
}

CefRefPtr<CefV8Value> V8Value::GetValue(const CefString& key) {
  if (!Usable()) {
    return nullptr;
  }
  if (handle_) {
    return script::GetProperty(handle_, key.ToString16(), Catching());
  }
  size_t index = 0;
  if (IsArrayIndexKey(key.ToString16(), index)) {
    return GetValue(static_cast<int>(index));
  }
  return Read(key.ToString16());
}

CefRefPtr<CefV8Value> V8Value::GetValue(int index) {
  if (!Usable() || index < 0) {
    return nullptr;
  }
  if (handle_) {
    return script::GetProperty(handle_, IndexKey(index), Catching());
  }
  if (kind_ == Kind::kArray) {
    return static_cast<size_t>(index) < elements_.size()
               ? elements_[static_cast<size_t>(index)]
               : CefRefPtr<CefV8Value>(new V8Value(Kind::kUndefined));
  }
  return Read(IndexKey(index));
}

bool V8Value::SetValue(const CefString& key,
                       CefRefPtr<CefV8Value> value,
                       PropertyAttribute attribute) {
  if (!Usable() || !ValidValue(value)) {
    return false;
  }
  if (handle_) {
    return script::DefineProperty(handle_, key.ToString16(), value, attribute, Catching());
  }
  const std::u16string name = key.ToString16();
  size_t index = 0;
  if (IsArrayIndexKey(name, index)) {
    return SetValue(static_cast<int>(index), value);
  }
  // Without attributes CEF sets the property (interceptor and accessor see it); with
  // them it defines it, which neither sees.
  if (attribute == V8_PROPERTY_ATTRIBUTE_NONE) {
    return Write(name, value);
  }
  return Define(properties_.find(name), name, value, attribute);
}

bool V8Value::SetValue(int index, CefRefPtr<CefV8Value> value) {
  if (!Usable() || index < 0 || !ValidValue(value)) {
    return false;
  }
  if (handle_) {
    return script::DefineProperty(handle_, IndexKey(index), value, V8_PROPERTY_ATTRIBUTE_NONE,
                                  Catching());
  }
  if (kind_ != Kind::kArray) {
    return Write(IndexKey(index), value);
  }
  const size_t at = static_cast<size_t>(index);
  while (elements_.size() <= at) {
    elements_.push_back(new V8Value(Kind::kUndefined));
  }
  elements_[at] = value;
  return true;
}

bool V8Value::SetValue(const CefString& key, AccessControl settings, PropertyAttribute attribute) {
  (void)settings;  // who may read and write across origins: one origin here
  if (!Usable()) {
    return false;
  }
  if (handle_) {
    return binding_ && binding_->accessor &&
           script::DefineAccessor(handle_, key.ToString16(), attribute);
  }
  if (!accessor_) {
    return false;
  }
  const std::u16string name = key.ToString16();
  auto found = properties_.find(name);
  if (found != properties_.end()) {
    if ((found->second.attribute & V8_PROPERTY_ATTRIBUTE_DONTDELETE) != 0) {
      return false;  // cannot be redefined
    }
    found->second = Property{nullptr, attribute, found->second.order, true};
    return true;
  }
  properties_[name] = Property{nullptr, attribute, nextOrder_++, true};
  return true;
}

bool V8Value::GetKeys(std::vector<CefString>& keys) {
  if (!Usable()) {
    return false;
  }
  if (handle_) {
    std::vector<std::u16string> own;
    if (!script::OwnKeys(handle_, own)) {
      return false;
    }
    keys.insert(keys.end(), own.begin(), own.end());
    return true;
  }
  for (size_t i = 0; i < elements_.size(); ++i) {
    keys.push_back(IndexKey(static_cast<int>(i)));
  }
  std::vector<std::pair<uint64_t, const std::u16string*>> ordered;
  for (const auto& [name, property] : properties_) {
    if ((property.attribute & V8_PROPERTY_ATTRIBUTE_DONTENUM) == 0) {
      ordered.emplace_back(property.order, &name);
    }
  }
  std::sort(ordered.begin(), ordered.end());
  for (const auto& entry : ordered) {
    keys.push_back(*entry.second);
  }
  return true;
}

}  // namespace cef_standin
