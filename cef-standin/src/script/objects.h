// Objects of the script engine's heap as the CEF-facing V8 values hold them: a handle
// keeps a heap value (an object, array or function a page made, or a page's window)
// reachable from the heap stash until it is dropped; the property work, calls and
// conversions the V8 values ask for on such a value happen here, each protected, so that
// a getter, a Proxy trap or a function that throws never unwinds C++ frames.
//
// The other way, a V8 value made in C++ enters the heap as a script value: primitives
// as they are, a function made with CefV8Value::CreateFunction as a native function that
// calls its handler (and keeps the value alive while script can reach it), an object
// or array of the C++ side as a copy of its properties at that moment.
#ifndef CEF_STANDIN_SRC_SCRIPT_OBJECTS_H_
#define CEF_STANDIN_SRC_SCRIPT_OBJECTS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "engine.h"
#include "include/cef_v8.h"

namespace cef_standin {
class V8Value;
namespace script {

// A heap value held from C++. Empty (id 0) for values that live in C++ only.
struct Handle {
  uint32_t id = 0;
  uint32_t heap = 0;               // the heap it belongs to (a fatal error makes a new one)
  const void* identity = nullptr;  // the heap object's address, for IsSame
  explicit operator bool() const { return id != 0; }
};

// Holds the heap value at `index` of the stack.
Handle Keep(duk_hthread* ctx, int index);
// The C++ function value the native function at `index` stands for, or null.
V8Value* StandsFor(duk_hthread* ctx, int index);
// What a script threw, as a CefV8Exception.
CefRefPtr<CefV8Exception> ToV8Exception(Exception exception);

// A new object, or array of `length` holes, in the heap of the entered context, held
// (empty outside any context).
Handle NewObject();
Handle NewArray(int length);

// Lets go of the heap value (no-op for an empty handle or one of a heap given up).
void Drop(const Handle& handle);
// The global object (window) of a context's environment, held.
Handle WindowOf(int environment);

bool HasProperty(const Handle& object, const std::u16string& key);
// Null when the read threw (a getter, a Proxy trap).
CefRefPtr<CefV8Value> GetProperty(const Handle& object, const std::u16string& key);
// Defines an own data property with V8's attributes (V8_PROPERTY_ATTRIBUTE_*); false when
// the object refuses (a read-only or undeletable one there) or it threw.
bool DefineProperty(const Handle& object,
                    const std::u16string& key,
                    CefRefPtr<CefV8Value> value,
                    int attribute);
bool DeleteProperty(const Handle& object, const std::u16string& key);
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
                 const CefV8ValueList& arguments);

// The names a fresh environment's global object has of its own (its built-ins and
// `window`), which a page did not put there.
const std::vector<std::u16string>& BuiltInGlobalNames();

}  // namespace script
}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_SCRIPT_OBJECTS_H_
