// Heap values held from C++, and C++ values entering the heap (see objects.h).
#include "v8/objects.h"

#include <duktape.h>

#include <unordered_map>
#include <utility>

#include "base/utf.h"
#include "script/engine.h"
#include "script/protected.h"
#include "v8/context.h"
#include "v8/run.h"
#include "v8/value.h"

namespace cef_standin {
namespace script {
namespace {

// The heap stash's table of held values, by handle id.
constexpr const char* kTable = "held";
// Hidden on a bound heap object (or a Proxy's target) and on an accessor's getter and
// setter: a pointer to the Binding, one reference of it.
constexpr const char* kBindingKey =
    "\xFF"
    "cefBinding";
// Hidden beside it: true on the one that owns the binding's entry in Bound().
constexpr const char* kOwnerKey =
    "\xFF"
    "cefOwner";
// Hidden on an accessor's getter and setter: the property's name.
constexpr const char* kNameKey =
    "\xFF"
    "cefName";
// Hidden on an ArrayBuffer C++ made: the plain buffer over C++'s bytes (which every view
// of it shares), and a pointer to its ExternalBytes.
constexpr const char* kPlainKey =
    "\xFF"
    "cefPlain";
constexpr const char* kExternalKey =
    "\xFF"
    "cefExternal";
// Hidden on a global object: the environment's own Date constructor, kept before any
// page ran (the page may replace its `Date`).
constexpr const char* kOwnDateKey =
    "\xFF"
    "ownDate";
// The heap stash's slots of the heap's own Reflect functions ("reflect.set", ...).
constexpr const char* kReflectPrefix = "reflect.";
// The heap stash's slot for what a C++ call made from script rethrows.
constexpr const char* kPendingKey = "pending";
// A plain data property: writable, enumerable, configurable.
constexpr duk_uint_t kDataProperty = DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_SET_WRITABLE |
                                     DUK_DEFPROP_SET_ENUMERABLE | DUK_DEFPROP_SET_CONFIGURABLE;
// C++ objects copied into the heap go no deeper than this.
constexpr int kDeepestCopy = 32;

uint32_t& NextId() {
  static uint32_t next = 1;
  return next;
}

// The bound heap objects by identity (what the V8 API sees: a Proxy, not its target).
// An entry goes when its owner is finalized; a heap given up is never freed, so no
// address of one is reused.
std::unordered_map<const void*, Binding*>& Bound() {
  static auto* bound = new std::unordered_map<const void*, Binding*>();
  return *bound;
}

bool& RethrowPending() {
  static bool pending = false;
  return pending;
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

// What was thrown is at the top of the stack: kept for the value the operation was made
// on, and set to go on into the calling script when that value rethrows.
void Caught(duk_context* ctx, Thrown* thrown) {
  if (!thrown) {
    return;
  }
  thrown->exception = ToV8Exception(DescribeThrown(ctx, -1));
  if (thrown->rethrow && Engine::Get().depth() > 0) {
    RethrowPending() = KeepInStash(ctx, kPendingKey);
  }
}

// Pushes the heap's own Reflect function `name` (kept when the heap was made), never the
// page's. May throw (it may allocate): only where a throw is caught.
void PushReflect(duk_context* ctx, const char* name) {
  duk_push_heap_stash(ctx);
  duk_get_prop_string(ctx, -1, (std::string(kReflectPrefix) + name).c_str());
  duk_remove(ctx, -2);
}

// Pushes what a C++ call made from script rethrows, if anything.
bool TakePending(duk_context* ctx) {
  if (!RethrowPending()) {
    return false;
  }
  RethrowPending() = false;
  duk_push_heap_stash(ctx);
  duk_get_prop_string(ctx, -1, kPendingKey);
  duk_del_prop_string(ctx, -2, kPendingKey);
  duk_remove(ctx, -2);
  return true;
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

// Pushes the held value, or for an object made with an interceptor its Proxy's target:
// where definitions, deletions and key lists go, as V8 offers those to no interceptor.
bool PushTarget(duk_context* ctx, const Handle& handle) {
  if (!PushHeld(ctx, handle)) {
    return false;
  }
  auto found = Bound().find(handle.identity);
  if (found != Bound().end() && found->second->target) {
    duk_pop(ctx);
    duk_push_heapptr(ctx, const_cast<void*>(found->second->target));
  }
  return true;
}

// Which of a held object the work is on: the object itself, or a Proxy's target (what
// CEF's definitions, deletions and key lists reach past the interceptor).
enum class On { kObject, kTarget };

// Runs `work` protected on the held object pushed on the heap's stack: on success `done`
// sees what the work left on top; on a throw `thrown` (if any) gets it. False when the
// object is gone or the work threw.
template <typename Work, typename Done>
bool OnHeld(const Handle& handle, On on, Work& work, Done done, Thrown* thrown = nullptr) {
  duk_context* ctx = Engine::Get().heap();
  if (!ctx || !Live(handle)) {
    return false;
  }
  // Finding the held value is protected too: its key may need a block of a heap at its
  // run's limit.
  bool found = false;
  auto held = [&](duk_context* inner) -> duk_ret_t {
    found = on == On::kTarget ? PushTarget(inner, handle) : PushHeld(inner, handle);
    return found ? work(inner) : 0;
  };
  const bool ok = Protected(ctx, 0, held);
  if (ok && found) {
    done(ctx);
  } else if (!ok) {
    Caught(ctx, thrown);
  }
  duk_pop(ctx);
  return ok && found;
}

void Nothing(duk_context*) {}

void PushValue(duk_context* ctx, CefRefPtr<CefV8Value> value, int depth);

// The C++ object the heap object at `index` carries under the hidden `key`, or null.
template <typename T>
T* Carried(duk_context* ctx, duk_idx_t index, const char* key) {
  T* carried = nullptr;
  if (duk_get_prop_string(ctx, index, key)) {
    carried = static_cast<T*>(duk_get_pointer(ctx, -1));
  }
  duk_pop(ctx);
  return carried;
}

// The binding a native function, getter, setter or Proxy target at `index` carries.
Binding* CarriedBinding(duk_context* ctx, duk_idx_t index) {
  return Carried<Binding>(ctx, index, kBindingKey);
}

// A bound object is garbage: it lets go of its binding (and so of what C++ attached).
duk_ret_t BindingFinalizer(duk_context* ctx) {
  Binding* binding = CarriedBinding(ctx, 0);
  if (!binding) {
    return 0;
  }
  duk_push_pointer(ctx, nullptr);
  duk_put_prop_string(ctx, 0, kBindingKey);
  duk_get_prop_string(ctx, 0, kOwnerKey);
  const bool owner = duk_get_boolean(ctx, -1) != 0;
  duk_pop(ctx);
  if (owner) {
    auto found = Bound().find(binding->identity);
    if (found != Bound().end() && found->second == binding) {
      Bound().erase(found);
    }
  }
  binding->Release();
  return 0;
}

// Gives the object at `index` a reference to the binding (the owner also its entry in
// Bound(), under `identity`), let go by `finalizer`.
void Carry(duk_context* ctx,
           duk_idx_t index,
           Binding* binding,
           bool owner,
           duk_c_function finalizer = BindingFinalizer) {
  index = duk_normalize_index(ctx, index);
  binding->AddRef();
  duk_push_pointer(ctx, binding);
  duk_put_prop_string(ctx, index, kBindingKey);
  duk_push_boolean(ctx, owner);
  duk_put_prop_string(ctx, index, kOwnerKey);
  duk_push_c_function(ctx, finalizer, 1);
  duk_set_finalizer(ctx, index);
  if (owner) {
    Bound()[binding->identity] = binding;
  }
}

// The bytes of C++'s an ArrayBuffer shows script, and who frees them. Owned by the heap
// object (its finalizer deletes it).
struct ExternalBytes {
  void* data = nullptr;
  CefRefPtr<CefV8ArrayBufferReleaseCallback> releaser;
  bool armed = false;     // the buffer was handed out: its release is ours
  bool detached = false;  // no view reaches the bytes any more
};

// The Duktape class number of the object at `index` (may throw: it allocates).
int ClassNumber(duk_context* ctx, duk_idx_t index) {
  duk_inspect_value(ctx, index);
  duk_get_prop_string(ctx, -1, "class");
  const int number = duk_get_int_default(ctx, -1, -1);
  duk_pop_2(ctx);
  return number;
}

// Duktape's class numbers of the objects V8 tells apart, learnt from a new heap.
struct Classes {
  int array = -1;
  int date = -1;
  int arrayBuffer = -1;
};
Classes& Known() {
  static Classes classes;
  return classes;
}

ExternalBytes* CarriedBytes(duk_context* ctx, duk_idx_t index) {
  return Carried<ExternalBytes>(ctx, index, kExternalKey);
}

// Points the plain buffer every view of the ArrayBuffer at `index` shares at nothing, so
// that they read zeros and skip writes from now on.
void DetachBytes(duk_context* ctx, duk_idx_t index, ExternalBytes* bytes) {
  if (bytes->detached) {
    return;
  }
  bytes->detached = true;
  if (duk_get_prop_string(ctx, index, kPlainKey) && duk_is_buffer(ctx, -1)) {
    duk_config_buffer(ctx, -1, nullptr, 0);
  }
  duk_pop(ctx);
}

// Hands detached bytes back to their owner, once (no Duktape work: safe to run anywhere).
void ReleaseBytes(ExternalBytes* bytes) {
  CefRefPtr<CefV8ArrayBufferReleaseCallback> releaser = std::move(bytes->releaser);
  bytes->releaser = nullptr;
  if (releaser && bytes->armed) {
    releaser->ReleaseBuffer(bytes->data);
  }
}

// An ArrayBuffer C++ made is garbage: its bytes are released unless they were already
// (neutered), and it lets go of its binding.
duk_ret_t ArrayBufferFinalizer(duk_context* ctx) {
  if (ExternalBytes* bytes = CarriedBytes(ctx, 0)) {
    duk_push_pointer(ctx, nullptr);
    duk_put_prop_string(ctx, 0, kExternalKey);
    DetachBytes(ctx, 0, bytes);
    ReleaseBytes(bytes);
    delete bytes;
  }
  return BindingFinalizer(ctx);
}

// Native functions do their C++ work in a function that returns before anything is
// thrown into the script, so no C++ frame holding references is ever unwound.
enum class Answer { kUndefined, kValue, kThrow };

duk_ret_t Finish(duk_context* ctx, Answer answer) {
  LeaveIfHeapGivenUp();
  if (TakePending(ctx)) {
    return duk_throw(ctx);  // a call made from the C++ code threw, and rethrows
  }
  switch (answer) {
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
  // No C source file and line: the error is placed where the script called, as V8 places
  // it (its fileName and lineNumber are those of the innermost script frame).
  duk_push_error_object_raw(ctx, DUK_ERR_ERROR, nullptr, 0, "%s", duk_safe_to_string(ctx, -1));
  return duk_throw(ctx);
}

// Pushes what C++ answered: its exception text (kThrow, thrown as an Error), its valid
// value, or nothing (undefined).
Answer Answered(duk_context* ctx, const CefString& exception, CefRefPtr<CefV8Value> retval) {
  if (!exception.empty()) {
    // Protected: the text may not fit a heap at its run's limit; then what that threw
    // (Duktape's RangeError) is thrown in its place.
    const std::string text = ToEngineString(exception.ToString16());
    auto push = [&text](duk_context* inner) -> duk_ret_t {
      duk_push_lstring(inner, text.data(), text.size());
      return 1;
    };
    Protected(ctx, 0, push);
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

HandlerAnswer*& Watcher() {
  static HandlerAnswer* watcher = nullptr;
  return watcher;
}

Answer CallHandler(duk_context* ctx) {
  const duk_idx_t count = duk_get_top(ctx);
  duk_push_current_function(ctx);
  CefRefPtr<Binding> binding = CarriedBinding(ctx, -1);
  duk_pop(ctx);
  CefRefPtr<CefV8Handler> handler = binding ? binding->handler : nullptr;
  if (!handler) {
    return Answer::kUndefined;  // a page value's function
  }
  // The function's own context is the current one while it runs (released or not), and
  // the values handed to the handler belong to it.
  CallingContextScope calling(binding->state());
  // Called with `new`, the receiver is the new object.
  duk_push_this(ctx);
  CefRefPtr<CefV8Value> receiver = FromEngine(ctx, -1);
  duk_pop(ctx);
  CefV8ValueList arguments;
  for (duk_idx_t i = 0; i < count; ++i) {
    arguments.push_back(FromEngine(ctx, i));
  }
  CefRefPtr<CefV8Value> retval;
  CefString exception;
  HandlerAnswer* watcher = std::exchange(Watcher(), nullptr);
  const bool handled =
      handler->Execute(binding->functionName, receiver, arguments, retval, exception);
  if (watcher) {
    *watcher = {true, handled, retval, exception.ToString16()};
  }
  if (!handled) {
    return Answer::kUndefined;
  }
  return Answered(ctx, exception, retval);
}

duk_ret_t NativeCall(duk_context* ctx) {
  return Finish(ctx, CallHandler(ctx));
}

std::u16string CarriedName(duk_context* ctx) {
  duk_push_current_function(ctx);
  duk_get_prop_string(ctx, -1, kNameKey);
  duk_size_t length = 0;
  const char* bytes = duk_get_lstring(ctx, -1, &length);
  std::u16string name = bytes ? FromEngineString(bytes, length) : std::u16string();
  duk_pop_2(ctx);
  return name;
}

CefRefPtr<CefV8Accessor> CarriedAccessor(duk_context* ctx) {
  duk_push_current_function(ctx);
  Binding* binding = CarriedBinding(ctx, -1);
  duk_pop(ctx);
  return binding ? binding->accessor : nullptr;
}

// An accessor property read from script: its accessor answers.
Answer AccessorGet(duk_context* ctx) {
  CefRefPtr<CefV8Accessor> accessor = CarriedAccessor(ctx);
  if (!accessor) {
    return Answer::kUndefined;
  }
  duk_push_this(ctx);
  CefRefPtr<CefV8Value> object = FromEngine(ctx, -1);
  duk_pop(ctx);
  CefRefPtr<CefV8Value> retval;
  CefString exception;
  if (!accessor->Get(CarriedName(ctx), object, retval, exception)) {
    return Answer::kUndefined;
  }
  return Answered(ctx, exception, retval);
}

Answer AccessorSet(duk_context* ctx) {
  CefRefPtr<CefV8Accessor> accessor = CarriedAccessor(ctx);
  if (!accessor) {
    return Answer::kUndefined;
  }
  CefRefPtr<CefV8Value> value = FromEngine(ctx, 0);
  duk_push_this(ctx);
  CefRefPtr<CefV8Value> object = FromEngine(ctx, -1);
  duk_pop(ctx);
  CefString exception;
  accessor->Set(CarriedName(ctx), object, value, exception);
  return Answered(ctx, exception, nullptr);
}

duk_ret_t AccessorGetter(duk_context* ctx) {
  return Finish(ctx, AccessorGet(ctx));
}

duk_ret_t AccessorSetter(duk_context* ctx) {
  return Finish(ctx, AccessorSet(ctx));
}

// Symbols are strings with a marker byte in front.
bool IsSymbol(duk_context* ctx, duk_idx_t index) {
  duk_size_t length = 0;
  const char* bytes = duk_get_lstring(ctx, index, &length);
  if (!bytes || length == 0) {
    return false;
  }
  const auto first = static_cast<unsigned char>(bytes[0]);
  return first == 0x80 || first == 0x81 || first == 0x82 || first == 0xFF;
}

// A key V8 hands to an indexed interceptor: an array index (below 2^32 - 1).
bool ArrayIndex(const std::u16string& key, uint32_t& index) {
  if (key.empty() || key.size() > 10 || (key.size() > 1 && key[0] == u'0')) {
    return false;
  }
  uint64_t value = 0;
  for (char16_t c : key) {
    if (c < u'0' || c > u'9') {
      return false;
    }
    value = value * 10 + static_cast<uint64_t>(c - u'0');
  }
  if (value >= 0xFFFFFFFFull) {
    return false;
  }
  index = static_cast<uint32_t>(value);
  return true;
}

// What the interceptor said about a key, for a Proxy trap.
enum class Intercepted { kNotAsked, kPassed, kAnswered, kThrew };

// Offers a read of the key at `key` (a trap's argument) to the interceptor of the Proxy's
// target at 0, with `object` (the Proxy) as the object; kAnswered pushes the answer,
// kThrew the text to throw.
Intercepted AskInterceptor(duk_context* ctx, duk_idx_t key, CefRefPtr<CefV8Value> object) {
  Binding* binding = CarriedBinding(ctx, 0);
  CefRefPtr<CefV8Interceptor> interceptor = binding ? binding->interceptor : nullptr;
  if (!interceptor || IsSymbol(ctx, key)) {
    return Intercepted::kNotAsked;  // V8 offers strings and indexes only
  }
  const std::u16string name = SafeString(ctx, key);
  CefRefPtr<CefV8Value> retval;
  CefString exception;
  uint32_t index = 0;
  if (ArrayIndex(name, index)) {
    interceptor->Get(static_cast<int>(index), object, retval, exception);
  } else {
    interceptor->Get(CefString(name), object, retval, exception);
  }
  switch (Answered(ctx, exception, retval)) {
    case Answer::kUndefined:
      return Intercepted::kPassed;
    case Answer::kValue:
      return Intercepted::kAnswered;
    case Answer::kThrow:
      break;
  }
  return Intercepted::kThrew;
}

// The Proxy's receiver (or, for `has`, which has none, the Proxy itself) as a V8 value.
CefRefPtr<CefV8Value> TrapObject(duk_context* ctx, duk_idx_t receiver) {
  if (receiver >= 0 && duk_is_object(ctx, receiver)) {
    return FromEngine(ctx, receiver);
  }
  Binding* binding = CarriedBinding(ctx, 0);
  if (!binding || !binding->identity) {
    return nullptr;
  }
  duk_push_heapptr(ctx, const_cast<void*>(binding->identity));
  CefRefPtr<CefV8Value> object = FromEngine(ctx, -1);
  duk_pop(ctx);
  return object;
}

// get(target, key, receiver): the interceptor first; what it leaves, the target.
Answer TrapGet(duk_context* ctx) {
  switch (AskInterceptor(ctx, 1, TrapObject(ctx, 2))) {
    case Intercepted::kAnswered:
      return Answer::kValue;
    case Intercepted::kThrew:
      return Answer::kThrow;
    default:
      break;
  }
  duk_dup(ctx, 1);
  duk_get_prop(ctx, 0);
  return Answer::kValue;
}

// Offers a write to the interceptor; true when it threw (the text to throw pushed).
bool TellInterceptor(duk_context* ctx) {
  Binding* binding = CarriedBinding(ctx, 0);
  CefRefPtr<CefV8Interceptor> interceptor = binding ? binding->interceptor : nullptr;
  if (!interceptor || IsSymbol(ctx, 1)) {
    return false;
  }
  const std::u16string name = SafeString(ctx, 1);
  CefRefPtr<CefV8Value> object = TrapObject(ctx, 3);
  CefRefPtr<CefV8Value> value = FromEngine(ctx, 2);
  CefString exception;
  uint32_t index = 0;
  if (ArrayIndex(name, index)) {
    interceptor->Set(static_cast<int>(index), object, value, exception);
  } else {
    interceptor->Set(CefString(name), object, value, exception);
  }
  return !exception.empty() && Answered(ctx, exception, nullptr) == Answer::kThrow;
}

// set(target, key, value, receiver): the interceptor sees every write, which then goes on
// to the target (CEF's interceptor never takes one over). Nothing of C++ lives in this
// frame while the write may throw.
Answer TrapSet(duk_context* ctx) {
  if (TellInterceptor(ctx)) {
    return Answer::kThrow;
  }
  // Answers false (rather than throwing) where the target refuses, as Reflect.set; the
  // heap's own, not the page's.
  PushReflect(ctx, "set");
  duk_dup(ctx, 0);
  duk_dup(ctx, 1);
  duk_dup(ctx, 2);
  duk_call(ctx, 3);
  return Answer::kValue;
}

// has(target, key): a key the interceptor answers is there.
Answer TrapHas(duk_context* ctx) {
  switch (AskInterceptor(ctx, 1, TrapObject(ctx, -1))) {
    case Intercepted::kAnswered:
      duk_push_true(ctx);
      return Answer::kValue;
    case Intercepted::kThrew:
      return Answer::kThrow;
    default:
      break;
  }
  duk_push_boolean(ctx, duk_has_prop(ctx, 0));  // consumes the key copy below
  return Answer::kValue;
}

duk_ret_t ProxyGet(duk_context* ctx) {
  return Finish(ctx, TrapGet(ctx));
}
duk_ret_t ProxySet(duk_context* ctx) {
  return Finish(ctx, TrapSet(ctx));
}
duk_ret_t ProxyHas(duk_context* ctx) {
  duk_set_top(ctx, 2);
  return Finish(ctx, TrapHas(ctx));
}

// The thread of the current context, or null outside any.
duk_context* CurrentThread() {
  CefRefPtr<CefV8Context> current = CefV8Context::GetCurrentContext();
  auto* context = dynamic_cast<V8Context*>(current.get());
  return context ? Engine::Get().Thread(context->environment()) : nullptr;
}

// Makes a heap value on the current context's thread with `make` (which pushes it) and
// holds it; an empty handle when there is no context or making it threw.
template <typename Make>
Handle MakeHeld(Make& make) {
  duk_context* ctx = CurrentThread();
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

void PushNativeFunction(duk_context* ctx, Binding* binding) {
  duk_push_c_function(ctx, NativeCall, DUK_VARARGS);
  binding->identity = duk_get_heapptr(ctx, -1);
  Carry(ctx, -1, binding, true);
  duk_push_string(ctx, "name");
  const std::string name = ToEngineString(binding->functionName);
  duk_push_lstring(ctx, name.data(), name.size());
  duk_def_prop(ctx, -3, DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_FORCE);
}

void PushValue(duk_context* ctx, CefRefPtr<CefV8Value> value, int depth) {
  auto* own = dynamic_cast<V8Value*>(value.get());
  if (own && own->kind() == V8Value::Kind::kInvalid) {
    // What CEF hands over as an invalid value is a symbol in script, as it came.
    duk_push_string(ctx,
                    "\x80"
                    "invalid");
    return;
  }
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
      // The environment's own Date, whatever the page did to its global.
      duk_push_global_object(ctx);
      duk_get_prop_string(ctx, -1, kOwnDateKey);
      duk_remove(ctx, -2);
      duk_push_number(ctx, own->dateValue());
      duk_new(ctx, 1);
      return;
    case V8Value::Kind::kFunction: {
      // A page value's function: one that does nothing, under its name, and is the page
      // value again when it comes back.
      CefRefPtr<Binding> binding = new Binding();
      binding->functionName = own->GetFunctionName().ToString16();
      binding->pageFunction = value;
      PushNativeFunction(ctx, binding.get());
      return;
    }
    // The copies' properties are defined, not set: the page's setters on Array.prototype
    // or Object.prototype never take them.
    case V8Value::Kind::kArray:
      duk_push_array(ctx);
      if (depth < kDeepestCopy) {
        for (size_t i = 0; i < own->elements().size(); ++i) {
          duk_push_uint(ctx, static_cast<duk_uint_t>(i));
          PushValue(ctx, own->elements()[i], depth + 1);
          duk_def_prop(ctx, -3, kDataProperty);
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
          duk_push_lstring(ctx, name.data(), name.size());
          PushValue(ctx, property.value, depth + 1);
          duk_def_prop(ctx, -3, kDataProperty);
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
    // The argument: a safe call shares the caller's frame, so it is not at index 0.
    const duk_idx_t self = duk_get_top_index(inner);
    duk_enum(inner, self, flags);
    while (duk_next(inner, -1, 0)) {
      duk_size_t length = 0;
      const char* bytes = duk_get_lstring(inner, -1, &length);
      keys.push_back(FromEngineString(bytes, length));
      duk_pop(inner);
    }
    return 0;
  };
  ok = OnHeld(object, On::kTarget, list, Nothing);
  return keys;
}

}  // namespace

void WatchNextHandlerCall(HandlerAnswer* answer) {
  Watcher() = answer;
}

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

void Drop(const Handle& handle) {
  if (!Live(handle)) {
    return;
  }
  duk_context* ctx = Engine::Get().heap();
  auto drop = [&handle](duk_context* inner) -> duk_ret_t {
    PushTable(inner);
    duk_del_prop_index(inner, -1, handle.id);
    return 0;
  };
  Protected(ctx, 0, drop);
  duk_pop(ctx);
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
    // The argument: a safe call shares the caller's frame, so it is not at index 0.
    const duk_idx_t self = duk_get_top_index(inner);
    has = duk_has_prop_lstring(inner, self, name.data(), name.size()) != 0;
    return 0;
  };
  return OnHeld(object, On::kObject, ask, Nothing) && has;
}

CefRefPtr<CefV8Value> GetProperty(const Handle& object, const std::u16string& key, Thrown* thrown) {
  const std::string name = ToEngineString(key);
  auto read = [&name](duk_context* inner) -> duk_ret_t {
    // The argument: a safe call shares the caller's frame, so it is not at index 0.
    const duk_idx_t self = duk_get_top_index(inner);
    duk_get_prop_lstring(inner, self, name.data(), name.size());
    return 1;
  };
  CefRefPtr<CefV8Value> value;
  OnHeld(
      object, On::kObject, read, [&value](duk_context* ctx) { value = FromEngine(ctx, -1); },
      thrown);
  return value;
}

bool DefineProperty(const Handle& object,
                    const std::u16string& key,
                    CefRefPtr<CefV8Value> value,
                    int attribute,
                    Thrown* thrown) {
  // Without attributes CEF sets the property (setters and the interceptor see it); with
  // them it defines it on the object itself, which neither sees.
  const bool set = attribute == V8_PROPERTY_ATTRIBUTE_NONE;
  const std::string name = ToEngineString(key);
  bool done = false;
  auto define = [&name, &value, &done, set, attribute](duk_context* inner) -> duk_ret_t {
    // The argument: a safe call shares the caller's frame, so it is not at index 0.
    const duk_idx_t self = duk_get_top_index(inner);
    if (set) {
      // As V8's sloppy Set: a read-only property or one without a setter keeps its value
      // and the write still succeeds; only a throw fails it.
      PushReflect(inner, "set");
      duk_dup(inner, self);
      duk_push_lstring(inner, name.data(), name.size());
      PushValue(inner, value, 0);
      duk_call(inner, 3);
      done = true;
      return 0;
    }
    PushReflect(inner, "defineProperty");
    duk_dup(inner, self);
    duk_push_lstring(inner, name.data(), name.size());
    duk_push_object(inner);
    PushValue(inner, value, 0);
    duk_put_prop_string(inner, -2, "value");
    duk_push_boolean(inner, (attribute & V8_PROPERTY_ATTRIBUTE_READONLY) == 0);
    duk_put_prop_string(inner, -2, "writable");
    duk_push_boolean(inner, (attribute & V8_PROPERTY_ATTRIBUTE_DONTENUM) == 0);
    duk_put_prop_string(inner, -2, "enumerable");
    duk_push_boolean(inner, (attribute & V8_PROPERTY_ATTRIBUTE_DONTDELETE) == 0);
    duk_put_prop_string(inner, -2, "configurable");
    duk_call(inner, 3);
    // False where a non-configurable property is there, as V8's DefineOwnProperty.
    done = duk_get_boolean(inner, -1) != 0;
    return 0;
  };
  return OnHeld(object, set ? On::kObject : On::kTarget, define, Nothing, thrown) && done;
}

bool DeleteProperty(const Handle& object, const std::u16string& key, Thrown* thrown) {
  const std::string name = ToEngineString(key);
  bool deleted = false;
  auto remove = [&name, &deleted](duk_context* inner) -> duk_ret_t {
    // The argument: a safe call shares the caller's frame, so it is not at index 0.
    const duk_idx_t self = duk_get_top_index(inner);
    // False for a property that may not be deleted, as V8's sloppy Delete.
    PushReflect(inner, "deleteProperty");
    duk_dup(inner, self);
    duk_push_lstring(inner, name.data(), name.size());
    duk_call(inner, 2);
    deleted = duk_get_boolean(inner, -1) != 0;
    return 0;
  };
  return OnHeld(object, On::kTarget, remove, Nothing, thrown) && deleted;
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
  duk_size_t length = 0;
  auto read = [&length](duk_context* inner) -> duk_ret_t {
    length = duk_get_length(inner, duk_get_top_index(inner));
    return 0;
  };
  return OnHeld(array, On::kObject, read, Nothing) ? static_cast<int>(length) : 0;
}

std::u16string FunctionName(const Handle& function) {
  CefRefPtr<CefV8Value> name = GetProperty(function, u"name");
  return name && name->IsString() ? name->GetStringValue().ToString16() : std::u16string();
}

CallOutcome Call(const Handle& function,
                 CefRefPtr<CefV8Value> receiver,
                 const CefV8ValueList& arguments,
                 bool rethrow) {
  CallOutcome outcome;
  CefRefPtr<CefV8Context> current = CefV8Context::GetCurrentContext();
  auto* context = dynamic_cast<V8Context*>(current.get());
  duk_context* ctx = context ? Engine::Get().Thread(context->environment()) : nullptr;
  if (!ctx || !Live(function)) {
    return outcome;
  }
  // The function, this, then the arguments: pushed protected, as pushing may allocate.
  auto push = [&](duk_context* inner) -> duk_ret_t {
    // No prototype: the page's Array.prototype getters and setters see none of it.
    duk_push_bare_array(inner);
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
  // Room for them all on the stack, or no call (past Duktape's value stack limit).
  if (!duk_check_stack(ctx, static_cast<duk_idx_t>(count))) {
    duk_pop(ctx);
    return outcome;
  }
  for (duk_size_t i = 0; i < count; ++i) {
    duk_get_prop_index(ctx, list, static_cast<duk_uarridx_t>(i));
  }
  duk_remove(ctx, list);
  RunResult run = CallOnStack(ctx, static_cast<int>(arguments.size()), Engine::Get().limits());
  outcome.ran = true;
  if (run.outcome == Outcome::kCompleted) {
    outcome.result = run.value;
    return outcome;
  }
  outcome.thrown = ToV8Exception(std::move(run.exception));
  if (Engine::Get().depth() > 0) {
    // Called from C++ code that script called: what it threw may go on into that script.
    PushLastThrown(ctx);
    if (rethrow && !duk_is_undefined(ctx, -1)) {
      Thrown pending;
      pending.rethrow = true;
      Caught(ctx, &pending);
    }
    duk_pop(ctx);
  }
  return outcome;
}

Binding::Binding() : state_(CurrentContextState()) {
  if (state_) {
    state_->Track(this);
  }
}

Binding::~Binding() {
  if (state_) {
    state_->Untrack(this);
  }
}

namespace {
// Bindings of released contexts whose handler stays until the outermost run ends.
std::vector<CefRefPtr<Binding>>& Retired() {
  static auto* retired = new std::vector<CefRefPtr<Binding>>();
  return *retired;
}
}  // namespace

void ReleaseRetiredHandlers() {
  std::vector<CefRefPtr<Binding>> retired = std::move(Retired());
  Retired().clear();
  for (const CefRefPtr<Binding>& binding : retired) {
    CefRefPtr<CefV8Handler> handler = std::move(binding->handler);
    binding->handler = nullptr;
  }
}

void Binding::Clear() {
  // Moved out first: letting go of one may come back here. While script runs, a
  // function's handler stays until the outermost run ends: the running script may still
  // call it (as in CEF, where the function keeps its handler).
  CefRefPtr<CefV8Handler> oldHandler;
  if (Engine::Get().depth() > 0) {
    Retired().push_back(this);
  } else {
    oldHandler = std::move(handler);
    handler = nullptr;
  }
  CefRefPtr<CefV8Accessor> oldAccessor = std::move(accessor);
  CefRefPtr<CefV8Interceptor> oldInterceptor = std::move(interceptor);
  CefRefPtr<CefBaseRefCounted> oldUserData = std::move(userData);
  CefRefPtr<CefV8Value> oldPageFunction = std::move(pageFunction);
  pageFunction = nullptr;
  CefRefPtr<CefV8ArrayBufferReleaseCallback> oldReleaseCallback = std::move(releaseCallback);
  accessor = nullptr;
  interceptor = nullptr;
  userData = nullptr;
  releaseCallback = nullptr;
}

Handle NewObject(CefRefPtr<Binding> binding) {
  auto make = [&binding](duk_context* ctx) -> duk_ret_t {
    duk_push_object(ctx);
    if (!binding->interceptor) {
      binding->identity = duk_get_heapptr(ctx, -1);
      Carry(ctx, -1, binding.get(), true);
      return 1;
    }
    // A Proxy: its target carries the binding (so the Proxy's traps find it).
    duk_push_bare_object(ctx);
    duk_push_c_function(ctx, ProxyGet, 3);
    duk_put_prop_string(ctx, -2, "get");
    duk_push_c_function(ctx, ProxySet, 4);
    duk_put_prop_string(ctx, -2, "set");
    duk_push_c_function(ctx, ProxyHas, 2);
    duk_put_prop_string(ctx, -2, "has");
    duk_dup(ctx, -2);
    duk_insert(ctx, -2);  // target, target, handler
    duk_push_proxy(ctx, 0);
    binding->identity = duk_get_heapptr(ctx, -1);
    binding->target = duk_get_heapptr(ctx, -2);
    Carry(ctx, -2, binding.get(), true);
    return 1;
  };
  return MakeHeld(make);
}

Handle NewArray(int length, CefRefPtr<Binding> binding) {
  auto make = [&binding, length](duk_context* ctx) -> duk_ret_t {
    // `length` holes, as V8 makes them; not by the page's `Array`, which it may replace.
    duk_push_array(ctx);
    duk_push_int(ctx, length);
    duk_put_prop_string(ctx, -2, "length");
    binding->identity = duk_get_heapptr(ctx, -1);
    Carry(ctx, -1, binding.get(), true);
    return 1;
  };
  return MakeHeld(make);
}

Handle NewFunction(CefRefPtr<Binding> binding) {
  auto make = [&binding](duk_context* ctx) -> duk_ret_t {
    PushNativeFunction(ctx, binding.get());
    return 1;
  };
  return MakeHeld(make);
}

Handle NewArrayBuffer(void* data,
                      size_t length,
                      CefRefPtr<CefV8ArrayBufferReleaseCallback> releaser,
                      CefRefPtr<Binding> binding) {
  if (!data && length > 0) {
    return Handle();  // no bytes to show
  }
  binding->releaseCallback = releaser;
  // The object owns the record once it carries it, even if a later step throws.
  auto* bytes = new ExternalBytes{data, releaser};
  bool carried = false;
  auto make = [&](duk_context* ctx) -> duk_ret_t {
    duk_push_external_buffer(ctx);
    duk_config_buffer(ctx, -1, data, length);
    duk_push_buffer_object(ctx, -1, 0, length, DUK_BUFOBJ_ARRAYBUFFER);
    duk_push_pointer(ctx, bytes);
    duk_put_prop_string(ctx, -2, kExternalKey);
    duk_push_c_function(ctx, ArrayBufferFinalizer, 1);
    duk_set_finalizer(ctx, -2);
    carried = true;
    duk_swap_top(ctx, -2);
    duk_put_prop_string(ctx, -2, kPlainKey);
    binding->identity = duk_get_heapptr(ctx, -1);
    Carry(ctx, -1, binding.get(), true, ArrayBufferFinalizer);
    return 1;
  };
  Handle handle = MakeHeld(make);
  if (!carried) {
    delete bytes;
  } else if (handle) {
    bytes->armed = true;  // refused, the bytes stay the caller's: no release of them
  }
  return handle;
}

ObjectClass ClassOf(duk_context* ctx, int index, double* dateMs) {
  // Functions and plain buffers are none of these: no need to ask.
  if (!duk_is_object(ctx, index) || duk_is_function(ctx, index) || duk_is_buffer(ctx, index)) {
    return ObjectClass::kOther;
  }
  int number = -1;
  double ms = 0;
  auto ask = [&number, &ms](duk_context* inner) -> duk_ret_t {
    const duk_idx_t self = duk_get_top_index(inner);
    number = ClassNumber(inner, self);
    if (number >= 0 && number == Known().date) {
      // The time value Duktape keeps on the date itself (no script reaches it), as its
      // getTime would answer (which the page may have replaced).
      duk_get_prop_string(inner, self, DUK_INTERNAL_SYMBOL("Value"));
      ms = duk_get_number_default(inner, -1, NAN);
      duk_pop(inner);
    }
    return 0;
  };
  duk_dup(ctx, index);
  const bool asked = Protected(ctx, 1, ask);
  duk_pop(ctx);
  if (!asked || number < 0) {
    return ObjectClass::kOther;
  }
  if (number == Known().array) {
    return ObjectClass::kArray;
  }
  if (number == Known().date) {
    if (dateMs) {
      *dateMs = ms;
    }
    return ObjectClass::kDate;
  }
  return number == Known().arrayBuffer ? ObjectClass::kArrayBuffer : ObjectClass::kOther;
}

void KeepOwnBuiltIns(duk_context* thread) {
  duk_push_global_object(thread);
  duk_get_prop_string(thread, -1, "Date");
  duk_put_prop_string(thread, -2, kOwnDateKey);
  duk_pop(thread);
}

void LearnClasses(duk_context* heap) {
  auto learn = [](duk_context* inner) -> duk_ret_t {
    duk_push_array(inner);
    Known().array = ClassNumber(inner, -1);
    duk_push_fixed_buffer(inner, 0);
    duk_push_buffer_object(inner, -1, 0, 0, DUK_BUFOBJ_ARRAYBUFFER);
    Known().arrayBuffer = ClassNumber(inner, -1);
    // The new heap's own Date: no page has run on this heap yet.
    duk_eval_string(inner, "new Date(0)");
    Known().date = ClassNumber(inner, -1);
    duk_pop_n(inner, 4);
    KeepOwnBuiltIns(inner);
    // The heap's own Reflect functions, kept where no page reaches them.
    duk_push_heap_stash(inner);
    duk_get_global_string(inner, "Reflect");
    for (const char* name : {"set", "defineProperty", "deleteProperty"}) {
      duk_get_prop_string(inner, -1, name);
      duk_put_prop_string(inner, -3, (std::string(kReflectPrefix) + name).c_str());
    }
    return 0;
  };
  Protected(heap, 0, learn);
  duk_pop(heap);
}

bool NeuterArrayBuffer(const Handle& buffer) {
  ExternalBytes* bytes = nullptr;
  Binding* binding = nullptr;
  auto neuter = [&bytes, &binding](duk_context* inner) -> duk_ret_t {
    const duk_idx_t self = duk_get_top_index(inner);
    bytes = CarriedBytes(inner, self);
    if (!bytes) {
      return 0;  // a page's own: its bytes are the heap's, never detached
    }
    // As a detached buffer, it has no bytes (views made earlier keep their length, but
    // read zeros).
    duk_push_string(inner, "byteLength");
    duk_push_uint(inner, 0);
    duk_def_prop(inner, self,
                 DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_CLEAR_WRITABLE |
                     DUK_DEFPROP_CLEAR_ENUMERABLE | DUK_DEFPROP_CLEAR_CONFIGURABLE |
                     DUK_DEFPROP_FORCE);
    // The object's reference to its binding, let go below: from now on only the values
    // holding the binding keep the release callback alive, as in CEF, where the callback
    // outlives a detached buffer only in the values made of it.
    binding = CarriedBinding(inner, self);
    if (binding) {
      duk_push_pointer(inner, nullptr);
      duk_put_prop_string(inner, self, kBindingKey);
      auto found = Bound().find(binding->identity);
      if (found != Bound().end() && found->second == binding) {
        Bound().erase(found);
      }
    }
    DetachBytes(inner, self, bytes);
    return 0;
  };
  const bool ok = OnHeld(buffer, On::kObject, neuter, Nothing) && bytes;
  // Outside Duktape's work: the owner's code runs. The held object (and so `bytes`) lives
  // on: the handle keeps it.
  if (ok) {
    ReleaseBytes(bytes);
  }
  if (binding) {
    binding->Release();
  }
  return ok;
}

CefRefPtr<Binding> BindingOf(duk_context* ctx, int index) {
  auto found = Bound().find(duk_get_heapptr(ctx, index));
  return found != Bound().end() ? found->second : nullptr;
}

bool DefineAccessor(const Handle& object, const std::u16string& key, int attribute) {
  auto found = Bound().find(object.identity);
  if (found == Bound().end() || !Live(object)) {
    return false;
  }
  CefRefPtr<Binding> binding = found->second;
  const std::string name = ToEngineString(key);
  auto define = [&](duk_context* inner) -> duk_ret_t {
    // The argument: a safe call shares the caller's frame, so it is not at index 0.
    const duk_idx_t self = duk_get_top_index(inner);
    duk_push_lstring(inner, name.data(), name.size());
    duk_uint_t flags =
        DUK_DEFPROP_HAVE_GETTER | DUK_DEFPROP_HAVE_ENUMERABLE | DUK_DEFPROP_HAVE_CONFIGURABLE;
    auto push = [&](duk_c_function function, duk_idx_t arguments) {
      duk_push_c_function(inner, function, arguments);
      Carry(inner, -1, binding.get(), false);
      duk_push_lstring(inner, name.data(), name.size());
      duk_put_prop_string(inner, -2, kNameKey);
    };
    push(AccessorGetter, 0);
    // A read-only accessor property has no setter: writes are ignored.
    if ((attribute & V8_PROPERTY_ATTRIBUTE_READONLY) == 0) {
      push(AccessorSetter, 1);
      flags |= DUK_DEFPROP_HAVE_SETTER;
    }
    if ((attribute & V8_PROPERTY_ATTRIBUTE_DONTENUM) == 0) {
      flags |= DUK_DEFPROP_ENUMERABLE;
    }
    if ((attribute & V8_PROPERTY_ATTRIBUTE_DONTDELETE) == 0) {
      flags |= DUK_DEFPROP_CONFIGURABLE;
    }
    duk_def_prop(inner, self, flags);
    return 0;
  };
  return OnHeld(object, On::kTarget, define, Nothing);
}

namespace {

// The V8 values' part in every heap, environment and run.
class HeapObjects : public EngineClient {
 public:
  void HeapMade(duk_hthread* heap) override { LearnClasses(heap); }
  void EnvironmentMade(duk_hthread* thread, int) override { KeepOwnBuiltIns(thread); }
  void OutermostRunEnded() override { ReleaseRetiredHandlers(); }
};

}  // namespace

void UseHeapObjects() {
  // Never destroyed: the engine holds it for good.
  static EngineClient* const client = [] {
    auto* objects = new HeapObjects();
    Engine::Get().AddClient(objects);
    return objects;
  }();
  (void)client;
}

const std::vector<std::u16string>& BuiltInGlobalNames() {
  static const std::vector<std::u16string>* names = [] {
    UseHeapObjects();
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
