// The error hook (Duktape.errCreate of every environment) and what it keeps.
#include "errors.h"

#include <cstring>

#include "protected.h"

namespace cef_standin {
namespace script {
namespace {

constexpr const char* kThrownStackKey =
    "\xFF"
    "thrownStack";

int& ThrownStackLimit() {
  static int frames = 0;
  return frames;
}

// Duktape says "identifier 'x' undefined" where V8 says "x is not defined".
void RewordReferenceError(duk_context* ctx, duk_idx_t error) {
  static constexpr char kPrefix[] = "identifier '";
  static constexpr char kSuffix[] = "' undefined";
  constexpr size_t prefix = sizeof(kPrefix) - 1;
  constexpr size_t suffix = sizeof(kSuffix) - 1;
  duk_get_prop_string(ctx, error, "message");
  duk_size_t length = 0;
  const char* message = duk_is_string(ctx, -1) ? duk_get_lstring(ctx, -1, &length) : nullptr;
  if (message && length > prefix + suffix && std::strncmp(message, kPrefix, prefix) == 0 &&
      std::strcmp(message + length - suffix, kSuffix) == 0) {
    duk_push_lstring(ctx, message + prefix, length - prefix - suffix);
    duk_push_string(ctx, " is not defined");
    duk_concat(ctx, 2);
    duk_put_prop_string(ctx, error, "message");
  }
  duk_pop(ctx);
}

// Duktape calls it with each new error and takes what it returns in its place. Only
// Duktape's API and plain data here: a refused allocation unwinds this frame.
duk_ret_t OnErrorCreated(duk_context* ctx) {
  if (duk_is_error(ctx, 0)) {
    if (duk_get_error_code(ctx, 0) == DUK_ERR_REFERENCE_ERROR) {
      RewordReferenceError(ctx, 0);
    }
    if (ThrownStackLimit() > 0) {
      PushRawStack(ctx, ThrownStackLimit());
      duk_put_prop_string(ctx, 0, kThrownStackKey);
    }
  }
  duk_dup(ctx, 0);
  return 1;
}

}  // namespace

void InstallErrorHook(duk_context* thread) {
  duk_get_global_string(thread, "Duktape");
  if (duk_is_object(thread, -1)) {
    duk_push_c_function(thread, OnErrorCreated, 1);
    duk_put_prop_string(thread, -2, "errCreate");
  }
  duk_pop(thread);
  // Duktape finds the hook without the global, which the page does not get (V8 has none):
  // with it a page could replace the hook, or give objects finalizers (Duktape.fin) that
  // run whenever the heap collects, outside any run and its limits.
  duk_push_global_object(thread);
  duk_del_prop_string(thread, -1, "Duktape");
  duk_pop(thread);
}

void SetThrownStackLimit(int frames) {
  ThrownStackLimit() = frames > 0 ? frames : 0;
}

std::vector<StackFrame> ThrownStack(duk_context* ctx, duk_idx_t index) {
  std::vector<StackFrame> frames;
  duk_dup(ctx, index);
  auto read = [](duk_context* inner) -> duk_ret_t {
    if (!duk_is_object(inner, -1)) {
      return 0;
    }
    duk_get_prop_string(inner, -1, kThrownStackKey);
    return 1;
  };
  if (Protected(ctx, 1, read)) {
    frames = ReadRawStack(ctx, -1);
  }
  duk_pop(ctx);
  return frames;
}

}  // namespace script
}  // namespace cef_standin
