#include "v8/value.h"

#include <cmath>

#include "base/event_log.h"
#include "base/frame_identity.h"
#include "base/utf.h"
#include "v8/context.h"
#include "v8/json_values.h"

namespace cef_standin {
namespace {

constexpr double kInt32Min = -2147483648.0;
constexpr double kInt32Max = 2147483647.0;
constexpr double kUInt32Max = 4294967295.0;

}  // namespace

void ContextState::Release() {
  valid_ = false;
  // Held while they let go, as releasing one may release others (and untrack them).
  std::vector<CefRefPtr<V8Value>> objects(objects_.begin(), objects_.end());
  for (const auto& object : objects) {
    object->Clear();
  }
  std::vector<CefRefPtr<script::Binding>> bindings(bindings_.begin(), bindings_.end());
  for (const auto& binding : bindings) {
    binding->Clear();
  }
}

V8Value::V8Value(Kind kind) : kind_(kind) {
  if (IsObject()) {
    state_ = CurrentContextState();
    if (state_) {
      state_->Track(this);
    }
  }
}

V8Value::~V8Value() {
  if (state_) {
    state_->Untrack(this);
  }
  script::Drop(handle_);
}

CefRefPtr<V8Value> V8Value::InEngine(Kind kind,
                                     const script::Handle& handle,
                                     const std::shared_ptr<ContextState>& state,
                                     CefRefPtr<script::Binding> binding) {
  if (!handle) {
    return new V8Value(Kind::kInvalid);
  }
  CefRefPtr<V8Value> v = new V8Value(kind);
  v->handle_ = handle;
  v->binding_ = binding;
  v->BindToContext(state);
  return v;
}

script::Thrown* V8Value::Catching() {
  thrown_.exception = nullptr;  // a call that throws nothing clears the last exception
  return &thrown_;
}

void V8Value::BindToContext(const std::shared_ptr<ContextState>& state) {
  if (!IsObject() || state_ || !state) {
    return;
  }
  state_ = state;
  state_->Track(this);
  for (const auto& property : properties_) {
    if (auto* value = dynamic_cast<V8Value*>(property.second.value.get())) {
      value->BindToContext(state);
    }
  }
  for (const auto& element : elements_) {
    if (auto* value = dynamic_cast<V8Value*>(element.get())) {
      value->BindToContext(state);
    }
  }
}

bool V8Value::Usable() const {
  return (kind_ == Kind::kObject || kind_ == Kind::kArray || kind_ == Kind::kFunction ||
          kind_ == Kind::kArrayBuffer) &&
         (!state_ || state_->valid());
}

CefRefPtr<V8Value> V8Value::Bool(bool value) {
  CefRefPtr<V8Value> v = new V8Value(Kind::kBool);
  v->bool_ = value;
  return v;
}

CefRefPtr<V8Value> V8Value::Number(double value) {
  // V8 keeps integral numbers as small integers; -0 and fractions stay doubles.
  const bool integral =
      std::isfinite(value) && value == std::trunc(value) && !(value == 0 && std::signbit(value));
  if (integral && value >= kInt32Min && value <= kInt32Max) {
    return Int(static_cast<int32_t>(value));
  }
  if (integral && value >= 0 && value <= kUInt32Max) {
    return UInt(static_cast<uint32_t>(value));
  }
  return Double(value);
}

CefRefPtr<V8Value> V8Value::Int(int32_t value) {
  CefRefPtr<V8Value> v = new V8Value(Kind::kInt);
  v->int_ = value;
  return v;
}

CefRefPtr<V8Value> V8Value::UInt(uint32_t value) {
  CefRefPtr<V8Value> v = new V8Value(Kind::kUInt);
  v->uint_ = value;
  return v;
}

CefRefPtr<V8Value> V8Value::Double(double value) {
  CefRefPtr<V8Value> v = new V8Value(Kind::kDouble);
  v->double_ = value;
  return v;
}

CefRefPtr<V8Value> V8Value::String(const std::u16string& value) {
  CefRefPtr<V8Value> v = new V8Value(Kind::kString);
  v->string_ = value;
  return v;
}

CefRefPtr<V8Value> V8Value::Date(const CefTime& time) {
  CefRefPtr<V8Value> v = new V8Value(Kind::kDate);
  v->date_ = time;
  return v;
}

CefRefPtr<V8Value> V8Value::Date(double millisecondsSinceEpoch) {
  return Date(CefTime(millisecondsSinceEpoch / 1000.0));
}

CefRefPtr<V8Value> V8Value::Array(size_t length) {
  CefRefPtr<V8Value> v = new V8Value(Kind::kArray);
  for (size_t i = 0; i < length; ++i) {
    v->elements_.push_back(new V8Value(Kind::kUndefined));
  }
  return v;
}

CefRefPtr<V8Value> V8Value::Function(const std::u16string& name, CefRefPtr<CefV8Handler> handler) {
  CefRefPtr<V8Value> v = new V8Value(Kind::kFunction);
  v->functionName_ = name;
  v->handler_ = handler;
  return v;
}

void V8Value::Clear() {
  // Moved out first: releasing a value may come back here through a cycle.
  std::map<std::u16string, Property> properties = std::move(properties_);
  std::vector<CefRefPtr<CefV8Value>> elements = std::move(elements_);
  CefRefPtr<CefBaseRefCounted> userData = std::move(userData_);
  CefRefPtr<CefV8Handler> handler = std::move(handler_);
  CefRefPtr<CefV8Accessor> accessor = std::move(accessor_);
  CefRefPtr<CefV8Interceptor> interceptor = std::move(interceptor_);
  CefRefPtr<CefV8Exception> exception = std::move(thrown_.exception);
  CefRefPtr<script::Binding> binding = std::move(binding_);
  script::Drop(handle_);
  handle_ = script::Handle();
  properties_.clear();
  elements_.clear();
  userData_ = nullptr;
  handler_ = nullptr;
  accessor_ = nullptr;
  interceptor_ = nullptr;
}

// CEF answers by the kind V8 reported, not by the value: an int32 is a uint too (even a
// negative one) and a uint32 an int (even one past 2^31).
bool V8Value::IsInt() {
  return kind_ == Kind::kInt || kind_ == Kind::kUInt;
}

bool V8Value::IsUInt() {
  return kind_ == Kind::kInt || kind_ == Kind::kUInt;
}

bool V8Value::IsDouble() {
  return kind_ == Kind::kInt || kind_ == Kind::kUInt || kind_ == Kind::kDouble;
}

bool V8Value::IsObject() {
  return kind_ == Kind::kObject || kind_ == Kind::kArray || kind_ == Kind::kFunction ||
         kind_ == Kind::kArrayBuffer;
}

bool V8Value::IsSame(CefRefPtr<CefV8Value> that) {
  if (!IsValid() || !that) {
    return false;
  }
  auto* other = dynamic_cast<V8Value*>(that.get());
  if (handle_ && other && other->handle_ && other->IsValid()) {
    return handle_.heap == other->handle_.heap && handle_.identity == other->handle_.identity;
  }
  return that.get() == this;
}

bool V8Value::ClearException() {
  if (!Usable()) {
    return false;
  }
  thrown_.exception = nullptr;
  return true;
}

int32 V8Value::GetIntValue() {
  if (kind_ == Kind::kInt) {
    return int_;
  }
  return kind_ == Kind::kUInt ? static_cast<int32>(uint_) : 0;
}

uint32 V8Value::GetUIntValue() {
  if (kind_ == Kind::kUInt) {
    return uint_;
  }
  return kind_ == Kind::kInt ? static_cast<uint32>(int_) : 0;
}

double V8Value::GetDoubleValue() {
  switch (kind_) {
    case Kind::kInt:
      return int_;
    case Kind::kUInt:
      return uint_;
    case Kind::kDouble:
      return double_;
    default:
      return 0.0;
  }
}

CefString V8Value::GetStringValue() {
  return kind_ == Kind::kString ? CefString(string_) : CefString();
}

bool V8Value::SetRethrowExceptions(bool rethrow) {
  if (!Usable()) {
    return false;
  }
  thrown_.rethrow = rethrow;
  return true;
}

bool V8Value::SetUserData(CefRefPtr<CefBaseRefCounted> user_data) {
  if (!IsUserCreated()) {
    return false;
  }
  (binding_ ? binding_->userData : userData_) = user_data;
  return true;
}

CefRefPtr<CefBaseRefCounted> V8Value::GetUserData() {
  if (!IsUserCreated()) {
    return nullptr;
  }
  return binding_ ? binding_->userData : userData_;
}

int V8Value::GetExternallyAllocatedMemory() {
  if (!IsUserCreated()) {
    return 0;
  }
  return binding_ ? binding_->externalMemory : externalMemory_;
}

int V8Value::GetArrayLength() {
  if (kind_ != Kind::kArray || !Usable()) {
    return 0;
  }
  return handle_ ? script::ArrayLength(handle_) : static_cast<int>(elements_.size());
}

// As CEF: only within a context. A page's own ArrayBuffer has no callback.
CefRefPtr<CefV8ArrayBufferReleaseCallback> V8Value::GetArrayBufferReleaseCallback() {
  if (kind_ != Kind::kArrayBuffer || !Usable() || !CefV8Context::InContext()) {
    return nullptr;
  }
  return binding_ ? binding_->releaseCallback : nullptr;
}

// Detaches and releases the bytes C++ gave (once; again it answers true and does
// nothing). A page's own ArrayBuffer answers false: its bytes are the heap's, which
// Duktape cannot detach.
bool V8Value::NeuterArrayBuffer() {
  if (kind_ != Kind::kArrayBuffer || !Usable() || !CefV8Context::InContext()) {
    return false;
  }
  return script::NeuterArrayBuffer(handle_);
}

CefString V8Value::GetFunctionName() {
  if (kind_ != Kind::kFunction || !Usable()) {
    return CefString();
  }
  if (binding_) {
    return binding_->functionName;
  }
  return handle_ ? CefString(script::FunctionName(handle_)) : CefString(functionName_);
}

CefRefPtr<CefV8Handler> V8Value::GetFunctionHandler() {
  if (kind_ != Kind::kFunction || !Usable()) {
    return nullptr;
  }
  return binding_ ? binding_->handler : handler_;
}

CefRefPtr<CefV8Value> V8Value::ExecuteFunction(CefRefPtr<CefV8Value> object,
                                               const CefV8ValueList& arguments) {
  return ExecuteFunctionWithContext(nullptr, object, arguments);
}

// As V8 through CEF: a call with a released context, a receiver that is no object or an
// argument that is no valid value runs nothing and gives null; without a context the
// call runs in the current one, with the window as receiver when none is given. Every
// call, run or refused, is logged.
CefRefPtr<CefV8Value> V8Value::ExecuteFunctionWithContext(CefRefPtr<CefV8Context> context,
                                                          CefRefPtr<CefV8Value> object,
                                                          const CefV8ValueList& arguments) {
  nlohmann::json args = nlohmann::json::array();
  bool argumentsValid = true;
  for (const CefRefPtr<CefV8Value>& argument : arguments) {
    args.push_back(V8ValueToJson(argument));
    argumentsValid = argumentsValid && argument && argument->IsValid();
  }
  const bool native = binding_ ? binding_->handler != nullptr : handler_ != nullptr;
  nlohmann::json event = {{"event", "ExecuteFunction"},
                          {"function", GetFunctionName().ToString()},
                          {"native", native},
                          {"args", args}};
  CefRefPtr<CefV8Context> target = context ? context : CefV8Context::GetCurrentContext();
  const char* refused = nullptr;
  if (kind_ != Kind::kFunction) {
    refused = "not a function";
  } else if (!Usable()) {
    refused = "the function's context is released";
  } else if (context && !context->IsValid()) {
    refused = "the context is released";
  } else if (object && (!object->IsValid() || !object->IsObject())) {
    refused = "the receiver is not an object";
  } else if (!argumentsValid) {
    refused = "an argument is not a valid value";
  } else if (ScriptForbiddenScope::IsScriptForbidden()) {
    refused = "script is forbidden";
  } else if (!target || !target->Enter()) {
    refused = "no context to run in";  // CEF 92 would fail hard here
  }
  if (refused) {
    event["refused"] = refused;
    LogEvent(event);
    return nullptr;
  }
  const FrameIdentity* frame = FrameIdentityOf(target->GetFrame().get());
  event["browser"] = frame ? nlohmann::json(frame->browserId()) : nlohmann::json();
  event["frame"] = frame ? nlohmann::json(frame->label()) : nlohmann::json();
  LogEvent(event);
  calls_.push_back(args.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));

  CefRefPtr<CefV8Value> result;
  if (handle_) {
    // The engine runs it (a native function calls its handler); what it throws stays
    // with this value, and goes on into the calling script when this value rethrows.
    script::Thrown* thrown = Catching();
    script::CallOutcome call = script::Call(handle_, object, arguments, thrown->rethrow);
    result = call.result;
    thrown->exception = call.thrown;
  } else {
    result = new V8Value(Kind::kUndefined);  // a page value of the scenario's: nothing runs
  }
  target->Exit();
  return result;
}

}  // namespace cef_standin

namespace cef_standin {

// The calendar time the date was made with, untouched; for any other value the epoch.
CefTime V8Value::GetDateValue() {
  return kind_ == Kind::kDate ? date_ : CefTime(0.0);
}

int V8Value::AdjustExternallyAllocatedMemory(int change_in_bytes) {
  if (!IsUserCreated()) {
    return 0;
  }
  int& memory = binding_ ? binding_->externalMemory : externalMemory_;
  memory += change_in_bytes;
  return memory;
}

}  // namespace cef_standin
