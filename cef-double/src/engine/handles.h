// How the engine half of the double hands its objects across the seam: a handle is the
// engine's interface pointer of its kind (CefFrame* for a frame, ...), and an object of
// the executable is held with one reference. Shared by the engine half's files only.
#ifndef CEF_DOUBLE_SRC_ENGINE_HANDLES_H_
#define CEF_DOUBLE_SRC_ENGINE_HANDLES_H_

#include <string>
#include <vector>

#include "include/cef_app.h"
#include "include/cef_v8.h"
#include "include/internal/cef_ptr.h"
#include "neutral.h"

namespace cef_double {

// The executable's application as the engine calls it (takes the reference; null stays
// null).
CefRefPtr<CefApp> AppOfExe(Exe* app);

// A handler of the executable as the engine calls it (takes the reference; null stays
// null), and back: the executable's handler behind one, borrowed, or null for another.
CefRefPtr<CefV8Handler> V8HandlerOfExe(Exe* handler);
Exe* ExeOfV8Handler(const CefRefPtr<CefV8Handler>& handler);

template <class T>
T* As(Obj* object) {
  return reinterpret_cast<T*>(object);
}

template <class T>
Obj* Borrow(T* object) {
  return reinterpret_cast<Obj*>(object);
}

// A handle with one reference for the C half; null stays null.
template <class T>
Obj* Give(const CefRefPtr<T>& object) {
  if (!object) {
    return nullptr;
  }
  object->AddRef();
  return Borrow(object.get());
}

// Borrowed handles of the C half: the shell holding the handle keeps the object alive
// for the call.
template <class T>
T* Take(Obj* object) {
  return As<T>(object);
}

// Holds one reference to an object of the executable for the lifetime of an adapter.
class ExeRef {
 public:
  explicit ExeRef(Exe* exe) : exe_(exe) {}
  ~ExeRef() {
    if (exe_) {
      ExeRelease(exe_);
    }
  }
  ExeRef(const ExeRef&) = delete;
  ExeRef& operator=(const ExeRef&) = delete;
  Exe* get() const { return exe_; }

 private:
  Exe* exe_;
};

// The engine's texts as the seam's.
inline std::vector<std::u16string> Texts(const std::vector<CefString>& texts) {
  std::vector<std::u16string> out;
  out.reserve(texts.size());
  for (const CefString& text : texts) {
    out.push_back(text.ToString16());
  }
  return out;
}

// What the executable answered a V8 call with, as the engine's: the value it gave (one
// reference, or null) into *retval where the call has one, the text it threw (if any)
// into `exception`. Returns `handled`.
inline bool Answered(bool handled,
                     Obj* result,
                     CefRefPtr<CefV8Value>* retval,
                     const std::u16string& thrown,
                     CefString& exception) {
  if (result) {
    *retval = As<CefV8Value>(result);
    ObjRelease(Kind::kValue, result);
  }
  if (!thrown.empty()) {
    exception = thrown;
  }
  return handled;
}

}  // namespace cef_double

#endif  // CEF_DOUBLE_SRC_ENGINE_HANDLES_H_
