// CEF's factory functions for V8 values. Objects, arrays and functions belong to a
// context, so they are made only while one is entered, in the script engine's heap; an
// object keeps its accessor and interceptor, a function its handler, until that context
// is released.
#include "include/cef_task.h"
#include "v8/value.h"

using cef_standin::V8Value;
using cef_standin::script::Binding;
namespace script = cef_standin::script;

namespace {

// The heap object as a V8 value of the current context; null when the heap made none.
CefRefPtr<CefV8Value> InHeap(V8Value::Kind kind,
                             const cef_standin::script::Handle& handle,
                             CefRefPtr<Binding> binding) {
  if (!handle) {
    return nullptr;
  }
  return V8Value::InEngine(kind, handle, nullptr, binding);
}

}  // namespace

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
  CefRefPtr<Binding> binding = new Binding();
  binding->accessor = accessor;
  binding->interceptor = interceptor;
  return InHeap(V8Value::Kind::kObject, script::NewObject(binding), binding);
}

CefRefPtr<CefV8Value> CefV8Value::CreateArray(int length) {
  if (!CefV8Context::InContext()) {
    return nullptr;
  }
  CefRefPtr<Binding> binding = new Binding();
  return InHeap(V8Value::Kind::kArray, script::NewArray(length > 0 ? length : 0, binding), binding);
}

CefRefPtr<CefV8Value> CefV8Value::CreateFunction(const CefString& name,
                                                 CefRefPtr<CefV8Handler> handler) {
  if (!CefV8Context::InContext() || !handler) {
    return nullptr;
  }
  CefRefPtr<Binding> binding = new Binding();
  binding->handler = handler;
  binding->functionName = name.ToString16();
  return InHeap(V8Value::Kind::kFunction, script::NewFunction(binding), binding);
}

// Needs no context, only the renderer's thread (where V8 lives): the date keeps `date`
// as given, and becomes a Date of script's only when it enters a context's heap.
CefRefPtr<CefV8Value> CefV8Value::CreateDate(const CefTime& date) {
  if (!CefCurrentlyOn(TID_RENDERER)) {
    return nullptr;
  }
  return V8Value::Date(date);
}

// Over the caller's memory, which script's views then read and write; the release
// callback gets the buffer back once it is neutered or collected. Null off the renderer's
// thread, outside any context or for no memory of a non-zero length: then the buffer stays
// the caller's.
CefRefPtr<CefV8Value> CefV8Value::CreateArrayBuffer(
    void* buffer,
    size_t length,
    CefRefPtr<CefV8ArrayBufferReleaseCallback> release_callback) {
  if (!CefCurrentlyOn(TID_RENDERER) || !CefV8Context::InContext()) {
    return nullptr;
  }
  CefRefPtr<Binding> binding = new Binding();
  return InHeap(V8Value::Kind::kArrayBuffer,
                script::NewArrayBuffer(buffer, length, release_callback, binding), binding);
}
