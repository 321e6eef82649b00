// Heap values held from C++, and C++ values entering the heap (see objects.h).
#include "objects.h"

#include <duktape.h>

#include "../standin/browser.h"
#include "../utf.h"
#include "../v8_context.h"
#include "../v8_value.h"
#include "engine.h"
#include "protected.h"

namespace cef_standin {
namespace script {
namespace {

// The heap stash's table of held values, by handle id.
constexpr const char* kTable = "held";
// Hidden on a native function: the C++ function value it stands for.
constexpr const char* kStandsFor =
    "\xFF"
    "cefFunction";
// C++ objects copied into the heap go no deeper than this.
constexpr int kDeepestCopy = 32;

uint32_t& NextId() {
  static uint32_t next = 1;
  return next;
}

bool Live(const Handle& handle) {
  Engine& engine = Engine::Get();
  return handle && engine.heap() && handle.heap == engine.heapNumber();
}

void PushTable(duk_context* ctx) {
  duk_push_heap_stash(ctx);
  if (!duk_get_prop_string(ctx, -1, kTable)) {
    duk_pop(ctx);
    duk_push_bare_object(ctx);
    duk_dup_top(ctx);
    duk_put_prop_string(ctx, -3, kTable);
  }
  duk_remove(ctx, -2);
}

// Pushes the held value, or undefined for one that is gone.
bool PushHeld(duk_context* ctx, const Handle& handle) {
  if (!Live(handle)) {
    duk_push_undefined(ctx);
    return false;
  }
  PushTable(ctx);
  duk_get_prop_index(ctx, -1, handle.id);
  duk_remove(ctx, -2);
  return !duk_is_undefined(ctx, -1);
}

// Runs `work` protected with the held value on top of the stack; on success `done` sees
// what it left on top of the stack. False when the value is gone or the work threw.
template <typename Work, typename Done>
bool WithHeld(const Handle& handle, Work& work, Done done) {
  duk_context* ctx = Engine::Get().heap();
  if (!ctx) {
    return false;
  }
  if (!PushHeld(ctx, handle)) {
    duk_pop(ctx);
    return false;
  }
  const bool ok = Protected(ctx, 1, work);
  if (ok) {
    done(ctx);
  }
  duk_pop(ctx);
  return ok;
}

void Nothing(duk_context*) {}

void PushValue(duk_context* ctx, CefRefPtr<CefV8Value> value, int depth);

// What a C++ handler's call came to, for the native function to turn into script.
enum class Answer { kUndefined, kValue, kThrow };

Answer CallHandler(duk_context* ctx) {
  const duk_idx_t count = duk_get_top(ctx);
  duk_push_current_function(ctx);
  duk_get_prop_string(ctx, -1, kStandsFor);
  auto* function = static_cast<V8Value*>(duk_get_pointer(ctx, -1));
  duk_pop_2(ctx);
  CefRefPtr<CefV8Handler> handler = function ? function->GetFunctionHandler() : nullptr;
  if (!handler) {
    return Answer::kUndefined;  // its page is gone
  }
  duk_push_this(ctx);
  CefRefPtr<CefV8Value> receiver = FromEngine(ctx, -1);
  duk_pop(ctx);
  CefV8ValueList arguments;
  for (duk_idx_t i = 0; i < count; ++i) {
    arguments.push_back(FromEngine(ctx, i));
  }
  CefRefPtr<CefV8Value> retval;
  CefString exception;
  if (!handler->Execute(function->GetFunctionName(), receiver, arguments, retval, exception)) {
    return Answer::kUndefined;
  }
  if (!exception.empty()) {
    const std::string text = ToEngineString(exception.ToString16());
    duk_push_lstring(ctx, text.data(), text.size());
    return Answer::kThrow;
  }
  if (!retval || !retval->IsValid()) {
    return Answer::kUndefined;
  }
  auto push = [&retval](duk_context* inner) -> duk_ret_t {
    PushValue(inner, retval, 0);
    return 1;
  };
  return Protected(ctx, 0, push) ? Answer::kValue : Answer::kThrow;
}

// A native function's body: the C++ work happens in CallHandler, whose frame is gone
// before anything is thrown into the script.
duk_ret_t NativeCall(duk_context* ctx) {
  switch (CallHandler(ctx)) {
    case Answer::kUndefined:
      return 0;
    case Answer::kValue:
      return 1;
    case Answer::kThrow:
      break;
  }
  if (duk_is_error(ctx, -1)) {
    return duk_throw(ctx);
  }
  duk_push_error_object(ctx, DUK_ERR_ERROR, "%s", duk_safe_to_string(ctx, -1));
  return duk_throw(ctx);
}

// The native function is garbage: it lets go of the C++ value it stood for.
duk_ret_t NativeFinalizer(duk_context* ctx) {
  if (duk_get_prop_string(ctx, 0, kStandsFor)) {
    if (auto* function = static_cast<V8Value*>(duk_get_pointer(ctx, -1))) {
      duk_push_pointer(ctx, nullptr);
      duk_put_prop_string(ctx, 0, kStandsFor);
      function->Release();
    }
  }
  return 0;
}

void PushNativeFunction(duk_context* ctx, V8Value* function) {
  duk_push_c_function(ctx, NativeCall, DUK_VARARGS);
  function->AddRef();
  duk_push_pointer(ctx, function);
  duk_put_prop_string(ctx, -2, kStandsFor);
  duk_push_c_function(ctx, NativeFinalizer, 1);
  duk_set_finalizer(ctx, -2);
  duk_push_string(ctx, "name");
  const std::string name = ToEngineString(function->GetFunctionName().ToString16());
  duk_push_lstring(ctx, name.data(), name.size());
  duk_def_prop(ctx, -3, DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_FORCE);
}

void PushValue(duk_context* ctx, CefRefPtr<CefV8Value> value, int depth) {
  auto* own = dynamic_cast<V8Value*>(value.get());
  if (!own || !own->IsValid()) {
    duk_push_undefined(ctx);
    return;
  }
  if (own->handle()) {
    PushHeld(ctx, own->handle());
    return;
  }
  switch (own->kind()) {
    case V8Value::Kind::kNull:
      duk_push_null(ctx);
      return;
    case V8Value::Kind::kBool:
      duk_push_boolean(ctx, own->GetBoolValue());
      return;
    case V8Value::Kind::kInt:
    case V8Value::Kind::kUInt:
    case V8Value::Kind::kDouble:
      duk_push_number(ctx, own->GetDoubleValue());
      return;
    case V8Value::Kind::kString: {
      const std::string text = ToEngineString(own->GetStringValue().ToString16());
      duk_push_lstring(ctx, text.data(), text.size());
      return;
    }
    case V8Value::Kind::kDate:
      duk_get_global_string(ctx, "Date");
      duk_push_number(ctx, own->dateValue());
      duk_new(ctx, 1);
      return;
    case V8Value::Kind::kFunction:
      PushNativeFunction(ctx, own);
      return;
    case V8Value::Kind::kArray:
      duk_push_array(ctx);
      if (depth < kDeepestCopy) {
        for (size_t i = 0; i < own->elements().size(); ++i) {
          PushValue(ctx, own->elements()[i], depth + 1);
          duk_put_prop_index(ctx, -2, static_cast<duk_uarridx_t>(i));
        }
      }
      return;
    case V8Value::Kind::kObject:
      duk_push_object(ctx);
      if (depth < kDeepestCopy) {
        for (const auto& [key, property] : own->properties()) {
          if (property.accessor) {
            continue;  // read through its accessor from C++ only
          }
          const std::string name = ToEngineString(key);
          PushValue(ctx, property.value, depth + 1);
          duk_put_prop_lstring(ctx, -2, name.data(), name.size());
        }
      }
      return;
    default:
      duk_push_undefined(ctx);
      return;
  }
}

// What a call threw, as CEF 92 reports it.
class V8Exception : public CefV8Exception {
 public:
  explicit V8Exception(Exception e) : e_(std::move(e)) {}
  CefString GetMessage() override { return e_.message; }
  CefString GetSourceLine() override { return e_.sourceLine; }
  CefString GetScriptResourceName() override { return e_.scriptName; }
  int GetLineNumber() override { return e_.line; }
  // Duktape reports no positions within a line: 0, the line's start.
  int GetStartPosition() override { return 0; }
  int GetEndPosition() override { return 0; }
  int GetStartColumn() override { return e_.column; }
  int GetEndColumn() override { return e_.column; }

 private:
  Exception e_;
  IMPLEMENT_REFCOUNTING(V8Exception);
};

std::vector<std::u16string> Keys(const Handle& object, duk_uint_t flags, bool& ok) {
  std::vector<std::u16string> keys;
  auto list = [&keys, flags](duk_context* inner) -> duk_ret_t {
    duk_enum(inner, -1, flags);
    while (duk_next(inner, -1, 0)) {
      duk_size_t length = 0;
      const char* bytes = duk_get_lstring(inner, -1, &length);
      keys.push_back(FromEngineString(bytes, length));
      duk_pop(inner);
    }
    return 0;
  };
  ok = WithHeld(object, list, Nothing);
  return keys;
}

}  // namespace

CefRefPtr<CefV8Exception> ToV8Exception(Exception exception) {
  return new V8Exception(std::move(exception));
}

Handle Keep(duk_context* ctx, int index) {
  Handle handle;
  Engine& engine = Engine::Get();
  if (!engine.heap()) {
    return handle;
  }
  // Protected: the table may have to grow in a heap at its run's memory limit.
  index = duk_normalize_index(ctx, index);
  duk_dup(ctx, index);
  const uint32_t id = NextId()++;
  auto keep = [id](duk_context* inner) -> duk_ret_t {
    const duk_idx_t value = duk_get_top_index(inner);
    PushTable(inner);
    duk_dup(inner, value);
    duk_put_prop_index(inner, -2, id);
    return 0;
  };
  if (Protected(ctx, 1, keep)) {
    handle.id = id;
    handle.heap = engine.heapNumber();
    handle.identity = duk_get_heapptr(ctx, index);
  }
  duk_pop(ctx);
  return handle;
}

V8Value* StandsFor(duk_context* ctx, int index) {
  if (!duk_is_c_function(ctx, index)) {
    return nullptr;
  }
  V8Value* function = nullptr;
  if (duk_get_prop_string(ctx, index, kStandsFor)) {
    function = static_cast<V8Value*>(duk_get_pointer(ctx, -1));
  }
  duk_pop(ctx);
  return function;
}

void Drop(const Handle& handle) {
  if (!Live(handle)) {
    return;
  }
  duk_context* ctx = Engine::Get().heap();
  PushTable(ctx);
  duk_del_prop_index(ctx, -1, handle.id);
  duk_pop(ctx);
}

namespace {

// Makes a value with `make` on the entered context's thread and holds it.
template <typename Make>
Handle MakeInContext(Make make) {
  CefRefPtr<CefV8Context> current = CefV8Context::GetCurrentContext();
  auto* context = dynamic_cast<V8Context*>(current.get());
  duk_context* ctx = context ? Engine::Get().Thread(context->environment()) : nullptr;
  if (!ctx) {
    return Handle();
  }
  Handle handle;
  if (Protected(ctx, 0, make)) {
    handle = Keep(ctx, -1);
  }
  duk_pop(ctx);
  return handle;
}

}  // namespace

Handle NewObject() {
  auto make = [](duk_context* inner) -> duk_ret_t {
    duk_push_object(inner);
    return 1;
  };
  return MakeInContext(make);
}

Handle NewArray(int length) {
  auto make = [length](duk_context* inner) -> duk_ret_t {
    duk_push_array(inner);
    duk_push_int(inner, length);
    duk_put_prop_string(inner, -2, "length");
    return 1;
  };
  return MakeInContext(make);
}

Handle WindowOf(int environment) {
  duk_context* thread = Engine::Get().Thread(environment);
  if (!thread) {
    return Handle();
  }
  duk_push_global_object(thread);
  Handle handle = Keep(thread, -1);
  duk_pop(thread);
  return handle;
}

bool HasProperty(const Handle& object, const std::u16string& key) {
  const std::string name = ToEngineString(key);
  bool has = false;
  auto ask = [&name, &has](duk_context* inner) -> duk_ret_t {
    has = duk_has_prop_lstring(inner, -1, name.data(), name.size()) != 0;
    return 0;
  };
  return WithHeld(object, ask, Nothing) && has;
}

CefRefPtr<CefV8Value> GetProperty(const Handle& object, const std::u16string& key) {
  const std::string name = ToEngineString(key);
  auto read = [&name](duk_context* inner) -> duk_ret_t {
    duk_get_prop_lstring(inner, -1, name.data(), name.size());
    return 1;
  };
  CefRefPtr<CefV8Value> value;
  WithHeld(object, read, [&value](duk_context* ctx) { value = FromEngine(ctx, -1); });
  return value;
}

bool DefineProperty(const Handle& object,
                    const std::u16string& key,
                    CefRefPtr<CefV8Value> value,
                    int attribute) {
  const std::string name = ToEngineString(key);
  auto define = [&name, &value, attribute](duk_context* inner) -> duk_ret_t {
    const duk_idx_t object = duk_get_top_index(inner);
    duk_push_lstring(inner, name.data(), name.size());
    PushValue(inner, value, 0);
    if (attribute == V8_PROPERTY_ATTRIBUTE_NONE) {
      // Set, as CEF does without attributes: setters and a Proxy's trap see it.
      duk_put_prop(inner, object);
      return 0;
    }
    duk_uint_t flags = DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_HAVE_WRITABLE |
                       DUK_DEFPROP_HAVE_ENUMERABLE | DUK_DEFPROP_HAVE_CONFIGURABLE;
    if ((attribute & V8_PROPERTY_ATTRIBUTE_READONLY) == 0) {
      flags |= DUK_DEFPROP_WRITABLE;
    }
    if ((attribute & V8_PROPERTY_ATTRIBUTE_DONTENUM) == 0) {
      flags |= DUK_DEFPROP_ENUMERABLE;
    }
    if ((attribute & V8_PROPERTY_ATTRIBUTE_DONTDELETE) == 0) {
      flags |= DUK_DEFPROP_CONFIGURABLE;
    }
    duk_def_prop(inner, object, flags);
    return 0;
  };
  return WithHeld(object, define, Nothing);
}

bool DeleteProperty(const Handle& object, const std::u16string& key) {
  const std::string name = ToEngineString(key);
  auto remove = [&name](duk_context* inner) -> duk_ret_t {
    duk_del_prop_lstring(inner, -1, name.data(), name.size());
    return 0;
  };
  return WithHeld(object, remove, Nothing);
}

bool OwnKeys(const Handle& object, std::vector<std::u16string>& keys) {
  bool ok = false;
  keys = Keys(object, DUK_ENUM_OWN_PROPERTIES_ONLY, ok);
  return ok;
}

std::vector<std::u16string> AllOwnKeys(const Handle& object) {
  bool ok = false;
  return Keys(object, DUK_ENUM_OWN_PROPERTIES_ONLY | DUK_ENUM_INCLUDE_NONENUMERABLE, ok);
}

int ArrayLength(const Handle& array) {
  duk_context* ctx = Engine::Get().heap();
  if (!ctx) {
    return 0;
  }
  const int length = PushHeld(ctx, array) ? static_cast<int>(duk_get_length(ctx, -1)) : 0;
  duk_pop(ctx);
  return length;
}

std::u16string FunctionName(const Handle& function) {
  CefRefPtr<CefV8Value> name = GetProperty(function, u"name");
  return name && name->IsString() ? name->GetStringValue().ToString16() : std::u16string();
}

CallOutcome Call(const Handle& function,
                 CefRefPtr<CefV8Value> receiver,
                 const CefV8ValueList& arguments) {
  CallOutcome outcome;
  CefRefPtr<CefV8Context> current = CefV8Context::GetCurrentContext();
  auto* context = dynamic_cast<V8Context*>(current.get());
  duk_context* ctx = context ? Engine::Get().Thread(context->environment()) : nullptr;
  if (!ctx || !Live(function)) {
    return outcome;
  }
  // The function, this, then the arguments: pushed protected, as pushing may allocate.
  auto push = [&](duk_context* inner) -> duk_ret_t {
    duk_push_array(inner);
    PushHeld(inner, function);
    duk_put_prop_index(inner, -2, 0);
    if (receiver) {
      PushValue(inner, receiver, 0);
    } else {
      duk_push_global_object(inner);
    }
    duk_put_prop_index(inner, -2, 1);
    for (size_t i = 0; i < arguments.size(); ++i) {
      PushValue(inner, arguments[i], 0);
      duk_put_prop_index(inner, -2, static_cast<duk_uarridx_t>(i + 2));
    }
    return 1;
  };
  if (!Protected(ctx, 0, push)) {
    duk_pop(ctx);
    return outcome;
  }
  const duk_idx_t list = duk_get_top_index(ctx);
  const duk_size_t count = duk_get_length(ctx, list);
  for (duk_size_t i = 0; i < count; ++i) {
    duk_get_prop_index(ctx, list, static_cast<duk_uarridx_t>(i));
  }
  duk_remove(ctx, list);
  RunResult run =
      Engine::Get().CallOnStack(ctx, static_cast<int>(arguments.size()), Engine::Get().limits());
  outcome.ran = true;
  if (run.outcome == Outcome::kCompleted) {
    outcome.result = run.value;
  } else {
    outcome.thrown = ToV8Exception(std::move(run.exception));
  }
  return outcome;
}

const std::vector<std::u16string>& BuiltInGlobalNames() {
  static const std::vector<std::u16string>* names = [] {
    Engine& engine = Engine::Get();
    const int environment = engine.NewEnvironment();
    const Handle window = WindowOf(environment);
    auto* list = new std::vector<std::u16string>(AllOwnKeys(window));
    Drop(window);
    engine.ReleaseEnvironment(environment);
    return list;
  }();
  return *names;
}

}  // namespace script
}  // namespace cef_standin
