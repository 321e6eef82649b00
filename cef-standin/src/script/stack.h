// Where script is: the frames of the calls under way, innermost first, as V8's stack
// traces give them (CefV8StackTrace). Duktape knows each call's function and line; the
// column is found on that line (see Column below), and a frame made by `new` is not told
// apart.
#ifndef CEF_STANDIN_SRC_SCRIPT_STACK_H_
#define CEF_STANDIN_SRC_SCRIPT_STACK_H_

#include <string>
#include <vector>

struct duk_hthread;

namespace cef_standin {
namespace script {

struct StackFrame {
  std::u16string functionName;  // empty for a script's top level and for eval code
  std::u16string scriptName;
  int line = 0;    // 1-based
  int column = 0;  // 1-based; 0 when it could not be found
  bool isEval = false;
  bool isConstructor = false;  // Duktape does not say: always false
};

// The script frames of the calls under way on `ctx` (native functions left out),
// innermost first, at most `limit`; none outside a run.
std::vector<StackFrame> CurrentStack(duk_hthread* ctx, int limit);

// Pushes the script frames under way as raw data, innermost first, at most `limit`: an
// array of [function name, script name, line, the name of the function it calls, kind].
// Uses nothing but Duktape's API, so that it may run where a throw unwinds the caller's
// frame (the error hook).
void PushRawStack(duk_hthread* ctx, int limit);
// The frames of a raw array at `index` (as PushRawStack made it).
std::vector<StackFrame> ReadRawStack(duk_hthread* ctx, int index);

// Keeps a run's source under its script name (the latest of each name, a few dozen
// names), so that frames of its functions can be given a column. `offset`: how many
// lines come before the source's first.
void RememberSource(const std::u16string& scriptName, const std::u16string& source, int offset);

// Line `line` (1-based) of `source`, without its line break; empty past the end.
std::u16string SourceLine(const std::u16string& source, int line);

// Marks the function at the top of the stack as a run's top level (no name, not eval).
void MarkRunTop(duk_hthread* ctx);

}  // namespace script
}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_SCRIPT_STACK_H_
