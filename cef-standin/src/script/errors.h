// What happens when an error is made in a page: Duktape calls a hook of ours, which words
// the message as V8 does where the two differ (a ReferenceError's "x is not defined"), and,
// while stacks of thrown errors are asked for (uncaught exceptions are being reported),
// keeps on the error the frames where it was made, as V8 captures them.
#ifndef CEF_STANDIN_SRC_SCRIPT_ERRORS_H_
#define CEF_STANDIN_SRC_SCRIPT_ERRORS_H_

#include <vector>

#include <duktape.h>

#include "stack.h"

namespace cef_standin {
namespace script {

// Sets the hook on a new environment's thread (its own Duktape built-in object).
void InstallErrorHook(duk_context* thread);
// How many frames an error made from now on keeps; 0 (the default): none.
void SetThrownStackLimit(int frames);
// The frames kept on the thrown value at `index`; none for any other value.
std::vector<StackFrame> ThrownStack(duk_context* ctx, duk_idx_t index);

}  // namespace script
}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_SCRIPT_ERRORS_H_
