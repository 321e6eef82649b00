#include "v8/run.h"

#include <duktape.h>

#include <cmath>

#include "v8/context.h"
#include "v8/objects.h"
#include "v8/value.h"

namespace cef_standin {
namespace script {
namespace {

// Keeps the completion value of a run as a CefV8Value.
RunResult WithValue(const std::function<RunEnd(const Completed&)>& run) {
  RunResult result;
  const RunEnd end =
      run([&result](duk_hthread* ctx, int index) { result.value = FromEngine(ctx, index); });
  result.outcome = end.outcome;
  result.exception = end.exception;
  return result;
}

}  // namespace

RunResult Run(int environment,
              const std::u16string& source,
              const std::u16string& scriptName,
              int startLine,
              const Limits& limits) {
  return WithValue([&](const Completed& completed) {
    return Engine::Get().Run(environment, source, scriptName, startLine, limits, completed);
  });
}

RunResult CallOnStack(duk_hthread* ctx, int arguments, const Limits& limits) {
  return WithValue([&](const Completed& completed) {
    return Engine::Get().CallOnStack(ctx, arguments, limits, completed);
  });
}

CefRefPtr<CefV8Value> FromEngine(duk_hthread* ctx, int index) {
  switch (duk_get_type(ctx, index)) {
    case DUK_TYPE_UNDEFINED:
    case DUK_TYPE_NONE:
      return new V8Value(V8Value::Kind::kUndefined);
    case DUK_TYPE_NULL:
      return new V8Value(V8Value::Kind::kNull);
    case DUK_TYPE_BOOLEAN:
      return V8Value::Bool(duk_get_boolean(ctx, index) != 0);
    case DUK_TYPE_NUMBER:
      return V8Value::Number(duk_get_number(ctx, index));
    case DUK_TYPE_STRING: {
      duk_size_t length = 0;
      const char* bytes = duk_get_lstring(ctx, index, &length);
      // Duktape's symbols are strings with a marker byte in front: V8 gives no kind.
      if (length > 0 && (static_cast<unsigned char>(bytes[0]) == 0x80 ||
                         static_cast<unsigned char>(bytes[0]) == 0x81 ||
                         static_cast<unsigned char>(bytes[0]) == 0x82 ||
                         static_cast<unsigned char>(bytes[0]) == 0xFF)) {
        return new V8Value(V8Value::Kind::kInvalid);
      }
      return V8Value::String(FromEngineString(bytes, length));
    }
    case DUK_TYPE_OBJECT: {
      CefRefPtr<Binding> binding = BindingOf(ctx, index);
      if (binding && binding->pageFunction) {
        return binding->pageFunction;
      }
      // Told by Duktape's own class of the object, never by the page's globals or
      // `instanceof` (which may run the page's script): a Proxy is neither an array nor
      // a date, as in V8.
      double ms = NAN;
      switch (ClassOf(ctx, index, &ms)) {
        case ObjectClass::kArrayBuffer:
          return V8Value::InEngine(V8Value::Kind::kArrayBuffer, Keep(ctx, index), nullptr, binding);
        case ObjectClass::kDate:
          return V8Value::Date(ms);
        case ObjectClass::kArray:
          return V8Value::InEngine(V8Value::Kind::kArray, Keep(ctx, index), nullptr, binding);
        case ObjectClass::kOther:
          break;
      }
      if (duk_is_function(ctx, index)) {
        return V8Value::InEngine(V8Value::Kind::kFunction, Keep(ctx, index), nullptr, binding);
      }
      return V8Value::InEngine(V8Value::Kind::kObject, Keep(ctx, index), nullptr, binding);
    }
    default:
      // buffers, pointers, lightfuncs: no kind of V8's
      return new V8Value(V8Value::Kind::kInvalid);
  }
}

RunResult RunInContext(CefRefPtr<CefV8Context> context,
                       const std::u16string& source,
                       const std::u16string& scriptName,
                       int startLine,
                       const Limits& limits) {
  auto* own = dynamic_cast<V8Context*>(context.get());
  if (!own || !own->IsValid() || ScriptForbiddenScope::IsScriptForbidden() || !own->Enter()) {
    return RunResult();
  }
  RunResult result = Run(own->environment(), source, scriptName, startLine, limits);
  own->Exit();
  return result;
}

RunResult RunInFrame(CefRefPtr<CefFrame> frame,
                     const std::u16string& source,
                     const std::u16string& scriptName,
                     const Limits& limits) {
  return frame ? RunInContext(frame->GetV8Context(), source, scriptName, 1, limits) : RunResult();
}

namespace {
PageScriptHook& Hook() {
  static auto* hook = new PageScriptHook();
  return *hook;
}
}  // namespace

void SetPageScriptHook(PageScriptHook hook) {
  Hook() = std::move(hook);
}

void RunPageScriptHook(CefRefPtr<CefFrame> frame, CefRefPtr<CefV8Context> context) {
  if (Hook()) {
    Hook()(frame, context);
  }
}

}  // namespace script
}  // namespace cef_standin
