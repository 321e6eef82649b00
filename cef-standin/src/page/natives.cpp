#include "page/natives.h"

#include "script/engine.h"

namespace cef_standin {
namespace {

// A hidden property: script cannot see it.
#define PAGE_NATIVE_ENVIRONMENT DUK_HIDDEN_SYMBOL("pageEnvironment")

}  // namespace

void PushPageNative(duk_context* ctx, duk_c_function function, int arguments, int environment) {
  duk_push_c_function(ctx, function, arguments);
  duk_push_int(ctx, environment);
  duk_put_prop_string(ctx, -2, PAGE_NATIVE_ENVIRONMENT);
}

void DefineWindowFunction(duk_context* ctx,
                          const char* name,
                          duk_c_function function,
                          int environment) {
  duk_push_string(ctx, name);
  PushPageNative(ctx, function, DUK_VARARGS, environment);
  duk_push_string(ctx, "name");
  duk_push_string(ctx, name);
  duk_def_prop(ctx, -3, DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_FORCE);
  duk_def_prop(ctx, -3,
               DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_SET_WRITABLE | DUK_DEFPROP_SET_ENUMERABLE |
                   DUK_DEFPROP_SET_CONFIGURABLE);
}

int EnvironmentOfNative(duk_context* ctx) {
  duk_push_current_function(ctx);
  duk_get_prop_string(ctx, -1, PAGE_NATIVE_ENVIRONMENT);
  const int environment = duk_get_int(ctx, -1);
  duk_pop_2(ctx);
  return environment;
}

void PushWindowOf(duk_context* ctx, int environment) {
  duk_context* thread = script::Engine::Get().Thread(environment);
  if (!thread) {
    duk_push_null(ctx);
  } else if (thread == ctx) {
    duk_push_global_object(ctx);
  } else {
    duk_push_global_object(thread);
    duk_xmove_top(ctx, thread, 1);
  }
}

}  // namespace cef_standin
