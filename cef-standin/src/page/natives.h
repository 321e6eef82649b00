// The native functions of a page's own globals (its timers, its DOM): each carries the
// environment (the page) it belongs to, and finds that page's window from it.
#ifndef CEF_STANDIN_SRC_PAGE_NATIVES_H_
#define CEF_STANDIN_SRC_PAGE_NATIVES_H_

#include <duktape.h>

namespace cef_standin {

// Pushes a native function of the environment's page.
void PushPageNative(duk_context* ctx, duk_c_function function, int arguments, int environment);
// Defines `name` on the object at the top of the stack as a window's own function is:
// writable, enumerable, configurable, named, taking any number of arguments.
void DefineWindowFunction(duk_context* ctx,
                          const char* name,
                          duk_c_function function,
                          int environment);
// The environment of the native function running.
int EnvironmentOfNative(duk_context* ctx);
// Pushes the environment's window, or null when its page is gone.
void PushWindowOf(duk_context* ctx, int environment);

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_PAGE_NATIVES_H_
