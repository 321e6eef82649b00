// Objects of the script engine's heap as the CEF-facing V8 values hold them: a handle
// keeps a heap value (an object, array or function a page made, or a page's window)
// reachable from the heap stash until it is dropped; the property work, calls and
// conversions the V8 values ask for on such a value happen here, each protected, so that
// a getter, a Proxy trap or a function that throws never unwinds C++ frames.
//
// Objects, arrays and functions made with CefV8Value::Create* are heap objects too, with
// a Binding: what C++ attached to them (handler, accessor, interceptor, user data). A
// function's heap object is a native function calling its handler; an object made with
// an interceptor is a Proxy whose traps ask the interceptor first; an accessor property
// is a getter/setter pair calling the accessor. The heap object owns its Binding (its
// finalizer lets go of it); V8 values reaching it from C++ find it by the object.
//
// The other way, a V8 value made in C++ enters the heap as a script value: primitives as
// they are, a heap object as itself, and a value made outside any context (the scenario's
// page values) as a copy of its properties at that moment.
#ifndef CEF_STANDIN_SRC_SCRIPT_OBJECTS_H_
#define CEF_STANDIN_SRC_SCRIPT_OBJECTS_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "include/cef_v8.h"
#include "script/engine.h"

namespace cef_standin {
class ContextState;
class V8Value;
namespace script {

// A heap value held from C++. Empty (id 0) for values that live in C++ only.
struct Handle {
  uint32_t id = 0;
  uint32_t heap = 0;               // the heap it belongs to (a fatal error makes a new one)
  const void* identity = nullptr;  // the heap object's address, for IsSame
  explicit operator bool() const { return id != 0; }
};

// What C++ attached to a heap object it made. Cleared (its references let go) when the
// context it was made in is released; a function's handler, when that happens while
// script runs, once the outermost run ends (ReleaseRetiredHandlers), so that the running
// script may still call it, as in CEF.
class Binding : public CefBaseRefCounted {
 public:
  Binding();
  ~Binding() override;
  void Clear();
  // The context it was made in.
  const std::shared_ptr<ContextState>& state() const { return state_; }

  CefRefPtr<CefV8Handler> handler;  // a function's
  std::u16string functionName;      // the name the function was made with
  CefRefPtr<CefV8Accessor> accessor;
  CefRefPtr<CefV8Interceptor> interceptor;
  CefRefPtr<CefBaseRefCounted> userData;
  int externalMemory = 0;
  // An ArrayBuffer's: the callback it was made with, as GetArrayBufferReleaseCallback
  // answers it (its buffer's release is the heap object's own, see NewArrayBuffer).
  CefRefPtr<CefV8ArrayBufferReleaseCallback> releaseCallback;
  const void* identity = nullptr;  // the heap object the V8 API sees (a Proxy's, not its target's)
  const void* target = nullptr;    // a Proxy's target (alive while the Proxy is)
  // A scenario page's function value (made from JSON, not in the heap): read back from
  // script, it is that value again, which records its calls.
  CefRefPtr<CefV8Value> pageFunction;

 private:
  std::shared_ptr<ContextState> state_;
  IMPLEMENT_REFCOUNTING(Binding);
};

// Makes the engine keep what the V8 values need of each heap, environment and run (the
// classes and built-ins below, the handlers retired while script ran); once, before the
// first environment of a context.
void UseHeapObjects();

// Lets go of the handlers of functions whose context was released while script ran.
void ReleaseRetiredHandlers();

// New heap objects in the current context, bound to `binding`; an empty handle outside any
// context or when the heap cannot make one.
Handle NewObject(CefRefPtr<Binding> binding);  // a Proxy when it has an interceptor
Handle NewArray(int length, CefRefPtr<Binding> binding);
Handle NewFunction(CefRefPtr<Binding> binding);
// An ArrayBuffer over `length` bytes of C++ memory at `data`: script's views read and write
// those very bytes. The heap object owns their release: on NeuterArrayBuffer, or when it
// is collected without, it detaches them (no view reaches them any more) and calls
// `releaser` (if any) with `data`, once. Empty handle (nothing released) when refused.
Handle NewArrayBuffer(void* data,
                      size_t length,
                      CefRefPtr<CefV8ArrayBufferReleaseCallback> releaser,
                      CefRefPtr<Binding> binding);
// What V8 would call the object at `index`, by Duktape's own class of it (read protected:
// no property, global or script of the page's is asked). A Proxy has a class of its own:
// it is neither an array nor a date, as in V8. A date's time value goes to `dateMs`.
enum class ObjectClass { kOther, kArray, kDate, kArrayBuffer };
ObjectClass ClassOf(duk_hthread* ctx, int index, double* dateMs);
// Keeps the environment's own built-ins the engine uses (its Date) where the page cannot
// replace them; called on a new environment before any page script.
void KeepOwnBuiltIns(duk_hthread* thread);
// Learns the class numbers of Duktape's arrays and dates from a new heap, before any page
// has run on it.
void LearnClasses(duk_hthread* heap);
// Detaches the bytes of an ArrayBuffer C++ made and releases them (once: false for a page's
// own ArrayBuffer, which has no bytes of C++'s to detach). Its heap object lets go of its
// binding then: the release callback lives on only in the values still holding it.
bool NeuterArrayBuffer(const Handle& buffer);
// The binding of the heap object at `index`, or null (one a page made).
CefRefPtr<Binding> BindingOf(duk_hthread* ctx, int index);
// Defines `key` as an accessor property calling the object's accessor (no setter when
// read-only), with V8's attributes.
bool DefineAccessor(const Handle& object, const std::u16string& key, int attribute);

// What a property operation or call threw, for the value it was made on: kept there (as
// CEF's HasException tells) and, when the value rethrows, thrown on into the script that
// called the C++ code, once that code returns.
struct Thrown {
  bool rethrow = false;
  CefRefPtr<CefV8Exception> exception;  // set when it threw
};

// Holds the heap value at `index` of the stack.
Handle Keep(duk_hthread* ctx, int index);
// What a script threw, as a CefV8Exception.
CefRefPtr<CefV8Exception> ToV8Exception(Exception exception);

// Lets go of the heap value (no-op for an empty handle or one of a heap given up).
void Drop(const Handle& handle);
// The global object (window) of a context's environment, held.
Handle WindowOf(int environment);

bool HasProperty(const Handle& object, const std::u16string& key);
// Null when the read threw (a getter, an interceptor).
CefRefPtr<CefV8Value> GetProperty(const Handle& object,
                                  const std::u16string& key,
                                  Thrown* thrown = nullptr);
// Defines an own data property with V8's attributes (V8_PROPERTY_ATTRIBUTE_*); false when
// the object refuses (a read-only or undeletable one there) or it threw.
bool DefineProperty(const Handle& object,
                    const std::u16string& key,
                    CefRefPtr<CefV8Value> value,
                    int attribute,
                    Thrown* thrown = nullptr);
bool DeleteProperty(const Handle& object, const std::u16string& key, Thrown* thrown = nullptr);
// Own enumerable string keys, in V8's order; false when listing threw.
bool OwnKeys(const Handle& object, std::vector<std::u16string>& keys);
// Every own string key, enumerable or not.
std::vector<std::u16string> AllOwnKeys(const Handle& object);
int ArrayLength(const Handle& array);
std::u16string FunctionName(const Handle& function);

// What a call of a heap function came to.
struct CallOutcome {
  bool ran = false;                  // it was called (it may still have thrown)
  CefRefPtr<CefV8Value> result;      // its return value, null when it threw or did not run
  CefRefPtr<CefV8Exception> thrown;  // what it threw
};
// Calls the function with `receiver` as this (null: the window of the current context),
// within the current run's limits, or new ones when no run is under way.
CallOutcome Call(const Handle& function,
                 CefRefPtr<CefV8Value> receiver,
                 const CefV8ValueList& arguments,
                 bool rethrow = false);

// What the handler of a native function answered, for whoever watches a call from
// outside the page (the scenario's call steps log it).
struct HandlerAnswer {
  bool called = false;
  bool handled = false;
  CefRefPtr<CefV8Value> retval;
  std::u16string exception;
};
// The next handler that script calls writes its answer to `answer` (null: nobody
// watches). Handlers that one calls in turn are not watched.
void WatchNextHandlerCall(HandlerAnswer* answer);

// The names a fresh environment's global object has of its own (its built-ins, `window`
// and the page's globals the renderer process added), which a page did not put there.
// Read once, from the first environment made for it.
const std::vector<std::u16string>& BuiltInGlobalNames();

}  // namespace script
}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_SCRIPT_OBJECTS_H_
