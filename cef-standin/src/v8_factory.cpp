// CEF's factory functions for V8 values. Objects, arrays and functions belong to a
// context, so they are made only while one is entered; an object keeps its accessor and
// interceptor until that context is released.
#include "script/objects.h"
#include "v8_value.h"

using cef_standin::V8Value;

CefRefPtr<CefV8Value> CefV8Value::CreateUndefined() {
  return new V8Value(V8Value::Kind::kUndefined);
}

CefRefPtr<CefV8Value> CefV8Value::CreateNull() {
  return new V8Value(V8Value::Kind::kNull);
}

CefRefPtr<CefV8Value> CefV8Value::CreateBool(bool value) {
  return V8Value::Bool(value);
}

CefRefPtr<CefV8Value> CefV8Value::CreateInt(int32 value) {
  return V8Value::Int(value);
}

CefRefPtr<CefV8Value> CefV8Value::CreateUInt(uint32 value) {
  return V8Value::UInt(value);
}

CefRefPtr<CefV8Value> CefV8Value::CreateDouble(double value) {
  return V8Value::Double(value);
}

CefRefPtr<CefV8Value> CefV8Value::CreateString(const CefString& value) {
  return V8Value::String(value.ToString16());
}

CefRefPtr<CefV8Value> CefV8Value::CreateObject(CefRefPtr<CefV8Accessor> accessor,
                                               CefRefPtr<CefV8Interceptor> interceptor) {
  if (!CefV8Context::InContext()) {
    return nullptr;  // V8 objects belong to a context
  }
  // A plain object lives in the page's heap; one with an accessor or interceptor stays
  // the stand-in's own, which calls them.
  CefRefPtr<V8Value> object =
      accessor || interceptor
          ? CefRefPtr<V8Value>(new V8Value(V8Value::Kind::kObject))
          : V8Value::InEngine(V8Value::Kind::kObject, cef_standin::script::NewObject());
  object->MarkUserCreated();
  object->SetAccessorAndInterceptor(accessor, interceptor);
  return object;
}

CefRefPtr<CefV8Value> CefV8Value::CreateArray(int length) {
  if (!CefV8Context::InContext()) {
    return nullptr;
  }
  return V8Value::InEngine(V8Value::Kind::kArray,
                           cef_standin::script::NewArray(length > 0 ? length : 0));
}

CefRefPtr<CefV8Value> CefV8Value::CreateFunction(const CefString& name,
                                                 CefRefPtr<CefV8Handler> handler) {
  if (!CefV8Context::InContext() || !handler) {
    return nullptr;
  }
  return V8Value::Function(name.ToString16(), handler);
}

CefRefPtr<CefV8Value> CefV8Value::CreateDate(const CefTime& date) {
  if (!CefV8Context::InContext()) {
    return nullptr;
  }
  return V8Value::Date(date.GetDoubleT() * 1000.0);
}

// No ArrayBuffer kind yet: refused.
CefRefPtr<CefV8Value> CefV8Value::CreateArrayBuffer(
    void* buffer,
    size_t length,
    CefRefPtr<CefV8ArrayBufferReleaseCallback> release_callback) {
  return nullptr;
}
