// Duktape work run protected from C++: what the work throws (a getter, a Proxy trap, a
// refused allocation) is caught at this call, never longjmp'd across C++ frames that
// need unwinding.
#ifndef CEF_STANDIN_SRC_SCRIPT_PROTECTED_H_
#define CEF_STANDIN_SRC_SCRIPT_PROTECTED_H_

#include <duktape.h>

namespace cef_standin {
namespace script {

// Runs `work` on the top `arguments` values of the stack; leaves one value in their place:
// what it returned, or what it threw (then false). The work shares the caller's stack
// frame (Duktape's safe calls make none), so it finds its arguments from the top, not at
// index 0. A throw unwinds `work`'s frame only, which must hold nothing that needs
// destroying.
template <typename Work>
bool Protected(duk_context* ctx, duk_idx_t arguments, Work& work) {
  auto call = [](duk_context* inner, void* data) -> duk_ret_t {
    return (*static_cast<Work*>(data))(inner);
  };
  return duk_safe_call(ctx, call, &work, arguments, 1) == DUK_EXEC_SUCCESS;
}

// Keeps the value at the top of the stack in the heap stash under `key` (where no script
// reaches), protected: the stash may have to grow in a heap at its run's limit. The value
// stays on the stack. False when it could not be kept.
inline bool KeepInStash(duk_context* ctx, const char* key) {
  duk_dup_top(ctx);
  auto keep = [key](duk_context* inner) -> duk_ret_t {
    duk_push_heap_stash(inner);
    duk_dup(inner, -2);
    duk_put_prop_string(inner, -2, key);
    return 0;
  };
  const bool kept = Protected(ctx, 1, keep);
  duk_pop(ctx);
  return kept;
}

}  // namespace script
}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_SCRIPT_PROTECTED_H_
