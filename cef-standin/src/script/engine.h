// The stand-in's script engine: Duktape 2.7 under the V8 of both builds. One heap per
// renderer process (V8's isolate); each context is a fresh global environment on that
// heap, so objects pass between a page's frames as they do in V8. Every run has a time
// limit, a memory limit and recursion limits; a runaway script ends with a named
// outcome, never a hang or an abort. See README.md beside this file.
//
// The engine knows Duktape and nothing of CEF's V8 types, pages or frames: the rooms
// above it add what they need through an EngineClient (a page's globals in each new
// environment, the V8 values' bookkeeping of each heap and run), and read a run's
// completion value while it is on the stack (Completed).
#ifndef CEF_STANDIN_SRC_SCRIPT_ENGINE_H_
#define CEF_STANDIN_SRC_SCRIPT_ENGINE_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "stack.h"

struct duk_hthread;

namespace cef_standin {
namespace script {

// What one run may take.
struct Limits {
  int timeMs = 2000;               // wall-clock time of the run
  size_t memoryBytes = 64u << 20;  // the heap's whole size while it runs
  // Recursion is bounded by Duktape's compiled-in limits (README.md): 10000 nested
  // script calls, 200 nested native calls, 500 nested compiler levels.
};

// How a run ended.
enum class Outcome {
  kCompleted,    // the script ran to its end: `value` holds its completion value
  kThrew,        // it threw: `exception` says what
  kTimeLimit,    // it ran past Limits::timeMs
  kMemoryLimit,  // it asked for more than Limits::memoryBytes
  kStackLimit,   // its calls (or its source) nested past the engine's recursion limits
  kNoContext,    // nothing ran: no such context, or it is released, or script is forbidden
  kFatal,        // the engine failed fatally; the heap was given up and made anew
};

// "completed", "exception", "time limit", "memory limit", "stack limit", "no context",
// "fatal error".
const char* OutcomeName(Outcome outcome);

// What was thrown, as CEF's CefV8Exception and a page's error report give it.
struct Exception {
  std::u16string message;     // "TypeError: x is not a function" style, as String(error)
  std::u16string scriptName;  // the script the error arose in
  int line = 0;               // 1-based; 0 when unknown
  int column = 0;             // 1-based; 0 when unknown (Duktape reports none)
  std::u16string sourceLine;  // that line of the script's source, when it is known
  std::u16string stack;       // error.stack
  // Where the error was made, innermost first: kept only while stacks of thrown errors are
  // asked for (errors.h), and only on errors.
  std::vector<StackFrame> frames;
};

// How a run ended, as the engine sees it (the V8 layer's RunResult adds the value).
struct RunEnd {
  Outcome outcome = Outcome::kNoContext;
  Exception exception;  // kThrew and the limits (a message naming the limit)
};

// Reads the completion value of a run that completed, at `index` of ctx's stack, before
// the run clears the stack.
using Completed = std::function<void(duk_hthread* ctx, int index)>;

// What a room above the engine adds to it. Each call is made for every client, in the
// order they were added.
class EngineClient {
 public:
  virtual ~EngineClient() = default;
  // A heap was made (the first, or a new one after a fatal error), before any script runs
  // on it.
  virtual void HeapMade(duk_hthread* heap) {}
  // An environment was made (its window names itself, its error hook is set), before any
  // of its script runs: its globals. Runs protected: what it pushes it pops, and its
  // frame holds nothing that needs destroying.
  virtual void EnvironmentMade(duk_hthread* thread, int environment) {}
  // The outermost run ended (also when its heap was given up): what only script that
  // ran could still need may go.
  virtual void OutermostRunEnded() {}
};

struct Job;

// One renderer process's heap. Made on first use; lives until the process ends.
class Engine {
 public:
  static Engine& Get();

  // Adds a client for good (a heap already made is told at once).
  void AddClient(EngineClient* client);

  // A new global environment (a context's window and built-ins); its id, or 0 when the
  // heap cannot make one.
  int NewEnvironment();
  // The environment is gone: its window and what only it reached become garbage.
  void ReleaseEnvironment(int environment);
  // The Duktape thread whose global object is the environment's window, or null.
  duk_hthread* Thread(int environment);

  // Compiles and runs `source` in the environment, named `scriptName` in errors, its
  // first line numbered `startLine`, within `limits`.
  RunEnd Run(int environment,
             const std::u16string& source,
             const std::u16string& scriptName,
             int startLine,
             const Limits& limits,
             const Completed& completed = nullptr);

  // Calls the function below `arguments` values and a receiver at the top of ctx's stack
  // (function, this, arguments...), as a run: protected, within `limits` when no run is
  // under way; the three are gone from the stack afterwards.
  RunEnd CallOnStack(duk_hthread* ctx,
                     int arguments,
                     const Limits& limits,
                     const Completed& completed = nullptr);

  // The heap (null after a fatal error until the next environment), and which one it is.
  duk_hthread* heap() const { return heap_; }
  uint32_t heapNumber() const { return heapNumber_; }

  // The thread the innermost run under way runs on (its script's calls are on its call
  // stack), or null outside any run.
  duk_hthread* current() const { return current_; }

  // How many runs are under way (a handler called from script may run script again).
  int depth() const { return depth_; }
  // The limits of the outermost run under way, or the defaults outside any.
  const Limits& limits() const { return depth_ > 0 ? limits_ : defaults_; }
  void set_default_limits(const Limits& limits) { defaults_ = limits; }

  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

 private:
  Engine();
  void MakeHeap();
  // After a fatal error: the heap is let go of (never freed).
  void GiveUpHeap();
  // The run itself, for Run and CallOnStack: `job` compiles and calls, or calls.
  RunEnd Protect(duk_hthread* ctx,
                 Job& job,
                 int top,
                 const std::u16string& source,
                 int offset,
                 const Limits& limits,
                 const Completed& completed);
  void TellRunEnded();

  duk_hthread* heap_ = nullptr;
  uint32_t heapNumber_ = 0;
  int nextEnvironment_ = 1;
  int depth_ = 0;
  duk_hthread* current_ = nullptr;
  Limits defaults_;
  Limits limits_;
  std::vector<EngineClient*> clients_;
};

// What the value at `index` says about itself when thrown: the message as CEF gives it
// ("Uncaught " and the value as a string), its script, line and stack.
Exception DescribeThrown(duk_hthread* ctx, int index);
// Pushes what the last nested call (CallOnStack within a run) threw, or undefined.
void PushLastThrown(duk_hthread* ctx);

// The value at `index` as a string, converted protected; "" when converting throws (a
// toString that throws, a heap at its limit).
std::u16string SafeString(duk_hthread* ctx, int index);

// Called by native functions as they return into Duktape: when a run nested in the one
// under way met a fatal error, leaves for that run's escape (it ends as fatal too) instead
// of running more script on the given-up heap. Only Duktape's frames may lie between.
void LeaveIfHeapGivenUp();

// UTF-16 (lone surrogates and NUL included) to and from Duktape's internal strings
// (extended CESU-8).
std::string ToEngineString(const std::u16string& text);
std::u16string FromEngineString(const char* bytes, size_t length);

}  // namespace script
}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_SCRIPT_ENGINE_H_
