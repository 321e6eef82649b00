// The process's Duktape heap, its global environments and script runs.
#include "engine.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "base/utf.h"
#include "errors.h"
#include "limits.h"
#include "protected.h"
#include "source.h"
#include "stack.h"

namespace cef_standin {
namespace script {
namespace {

void* Alloc(void*, duk_size_t size) {
  return RunGuard::Current().Allocate(size);
}
void* Realloc(void*, void* pointer, duk_size_t size) {
  return RunGuard::Current().Reallocate(pointer, size);
}
void Free(void*, void* pointer) {
  RunGuard::Current().Free(pointer);
}
void FatalHandler(void* udata, const char* message) {
  quorvane_duk_fatal(udata, message);
}

// The heap stash's slot for what a nested call threw.
constexpr const char* kLastThrown = "lastThrown";

// The heap stash's list of threads of environments released while a run was under way
// (script may still run on them), let go once the outermost run ends.
constexpr const char* kRetiredThreads = "retiredThreads";
bool gThreadsRetired = false;

// Stash keys of the environments' threads.
std::string EnvironmentKey(int environment) {
  return "env" + std::to_string(environment);
}

// A property of the error at `index` ("" or 0 when absent, or when reading it throws:
// a thrown object's getter may).
void PushErrorProperty(duk_context* ctx, duk_idx_t index, const char* name) {
  duk_dup(ctx, index);
  auto read = [name](duk_context* inner) -> duk_ret_t {
    if (!duk_is_object(inner, -1)) {
      return 0;
    }
    duk_get_prop_string(inner, -1, name);
    return 1;
  };
  if (!Protected(ctx, 1, read)) {
    duk_pop(ctx);
    duk_push_undefined(ctx);
  }
}

std::u16string ErrorText(duk_context* ctx, duk_idx_t index, const char* name) {
  PushErrorProperty(ctx, index, name);
  std::u16string text = duk_is_undefined(ctx, -1) ? std::u16string() : SafeString(ctx, -1);
  duk_pop(ctx);
  return text;
}

int ErrorNumber(duk_context* ctx, duk_idx_t index, const char* name) {
  PushErrorProperty(ctx, index, name);
  const int number = duk_is_number(ctx, -1) ? duk_get_int(ctx, -1) : 0;
  duk_pop(ctx);
  return number;
}

// The limit a RangeError of Duktape's own names, if any.
bool IsStackLimitMessage(const std::u16string& message) {
  for (const char16_t* text :
       {u"callstack limit", u"C stack depth limit", u"valstack limit", u"compiler recursion limit",
        u"regexp compiler recursion limit", u"regexp executor recursion limit"}) {
    if (message.find(text) != std::u16string::npos) {
      return true;
    }
  }
  return false;
}

}  // namespace

// A run's work: compile `source` and call it, or (calling >= 0) call the function below
// that many arguments and a receiver on the stack.
struct Job {
  duk_context* ctx;
  const std::string* source;
  const std::string* name;
  int ok;
  int calling;
};

namespace {

duk_ret_t Compile(duk_context* ctx, void* data) {
  const Job* job = static_cast<const Job*>(data);
  duk_push_lstring(ctx, job->source->data(), job->source->size());
  duk_push_lstring(ctx, job->name->data(), job->name->size());
  duk_compile(ctx, DUK_COMPILE_EVAL);
  MarkRunTop(ctx);
  return 1;
}

// Only plain data lives here, so that the fatal handler may leave by longjmp.
int ProtectedRun(Job* job, std::jmp_buf* escape) {
  if (setjmp(*escape) != 0) {
    return -1;
  }
  duk_context* ctx = job->ctx;
  if (job->calling >= 0) {
    job->ok = duk_pcall_method(ctx, job->calling) == 0 ? 1 : 0;
    return 0;
  }
  // Pushing the source may fail too (a heap at its limit): compiled protected.
  if (duk_safe_call(ctx, Compile, job, 0, 1) != DUK_EXEC_SUCCESS) {
    job->ok = 0;
    return 0;
  }
  job->ok = duk_pcall(ctx, 0) == 0 ? 1 : 0;
  return 0;
}

}  // namespace

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::kCompleted:
      return "completed";
    case Outcome::kThrew:
      return "exception";
    case Outcome::kTimeLimit:
      return "time limit";
    case Outcome::kMemoryLimit:
      return "memory limit";
    case Outcome::kStackLimit:
      return "stack limit";
    case Outcome::kNoContext:
      return "no context";
    case Outcome::kFatal:
      return "fatal error";
  }
  return "unknown";
}

Engine& Engine::Get() {
  // Never destroyed: a process may end from inside a run.
  static auto* engine = new Engine();
  return *engine;
}

Engine::Engine() {
  MakeHeap();
}

void Engine::AddClient(EngineClient* client) {
  clients_.push_back(client);
  if (heap_) {
    client->HeapMade(heap_);
  }
}

void Engine::TellRunEnded() {
  for (EngineClient* client : clients_) {
    client->OutermostRunEnded();
  }
}

void Engine::MakeHeap() {
  heap_ = duk_create_heap(Alloc, Realloc, Free, nullptr, FatalHandler);
  ++heapNumber_;
  if (heap_) {
    // Objects C++ makes on the heap's own thread belong to its global environment, which
    // script may reach through them: it gets the same hook and no Duktape object either.
    InstallErrorHook(heap_);
    for (EngineClient* client : clients_) {
      client->HeapMade(heap_);
    }
  }
}

void Engine::GiveUpHeap() {
  // Never freed (its state is unknown), but still reachable, so that no leak check takes
  // it for one.
  static auto* givenUp = new std::vector<duk_hthread*>();
  if (heap_) {
    givenUp->push_back(heap_);
  }
  heap_ = nullptr;
}

int Engine::NewEnvironment() {
  if (!heap_) {
    MakeHeap();
    if (!heap_) {
      return 0;
    }
  }
  const int environment = nextEnvironment_++;
  const std::string key = EnvironmentKey(environment);
  // Protected: a page may make a frame while its run is at its memory limit. (Nothing in
  // the work's frame needs destroying.)
  auto make = [this, environment, &key](duk_context* ctx) -> duk_ret_t {
    duk_push_heap_stash(ctx);
    duk_push_thread_new_globalenv(ctx);
    duk_context* thread = duk_get_context(ctx, -1);
    // The window names itself, as a page's does.
    duk_push_global_object(thread);
    duk_push_string(thread, "window");
    duk_push_global_object(thread);
    duk_def_prop(thread, -3,
                 DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_SET_ENUMERABLE | DUK_DEFPROP_CLEAR_WRITABLE |
                     DUK_DEFPROP_CLEAR_CONFIGURABLE);
    duk_pop(thread);
    InstallErrorHook(thread);
    // What the rooms above add to every environment (a page's globals, for one).
    for (EngineClient* client : clients_) {
      client->EnvironmentMade(thread, environment);
    }
    duk_put_prop_string(ctx, -2, key.c_str());
    return 0;
  };
  const bool made = Protected(heap_, 0, make);
  duk_pop(heap_);
  return made ? environment : 0;
}

void Engine::ReleaseEnvironment(int environment) {
  if (!heap_ || environment <= 0) {
    return;
  }
  const bool running = depth_ > 0;
  const std::string key = EnvironmentKey(environment);
  // Protected: a page may remove a frame while its run is at its memory limit.
  auto release = [running, &key](duk_context* ctx) -> duk_ret_t {
    duk_push_heap_stash(ctx);
    if (running) {
      // A run is under way, maybe on this environment's thread: it is kept till the end.
      if (!duk_get_prop_string(ctx, -1, kRetiredThreads)) {
        duk_pop(ctx);
        duk_push_bare_array(ctx);
        duk_dup_top(ctx);
        duk_put_prop_string(ctx, -3, kRetiredThreads);
      }
      duk_get_prop_string(ctx, -2, key.c_str());
      duk_put_prop_index(ctx, -2, static_cast<duk_uarridx_t>(duk_get_length(ctx, -2)));
      duk_pop(ctx);
      gThreadsRetired = true;
    }
    duk_del_prop_string(ctx, -1, key.c_str());
    return 0;
  };
  Protected(heap_, 0, release);
  duk_pop(heap_);
  // The page's garbage goes now: its native functions let go of the C++ values (and so
  // of the handlers) they stand for.
  if (depth_ == 0) {
    duk_gc(heap_, 0);
  }
}

duk_hthread* Engine::Thread(int environment) {
  if (!heap_ || environment <= 0) {
    return nullptr;
  }
  duk_context* thread = nullptr;
  const std::string key = EnvironmentKey(environment);
  // Protected: looking the key up may need a block of a heap at its run's limit.
  auto find = [&key, &thread](duk_context* ctx) -> duk_ret_t {
    duk_push_heap_stash(ctx);
    duk_get_prop_string(ctx, -1, key.c_str());
    thread = duk_get_context(ctx, -1);  // kept alive by the stash
    return 0;
  };
  Protected(heap_, 0, find);
  duk_pop(heap_);
  return thread;
}

RunEnd Engine::Run(int environment,
                   const std::u16string& source,
                   const std::u16string& scriptName,
                   int startLine,
                   const Limits& limits,
                   const Completed& completed) {
  RunEnd result;
  duk_context* ctx = Thread(environment);
  if (!ctx) {
    return result;  // kNoContext
  }
  // Duktape takes no first-line number: blank lines in front give the same numbering.
  const int offset = startLine > 1 ? startLine - 1 : 0;
  const std::string code =
      std::string(static_cast<size_t>(offset), '\n') + ToEngineString(LetDeclarationsAsVar(source));
  const std::string name = ToEngineString(scriptName);
  RememberSource(scriptName, source, offset);
  Job job{ctx, &code, &name, 0, -1};
  return Protect(ctx, job, duk_get_top(ctx), source, offset, limits, completed);
}

RunEnd Engine::CallOnStack(duk_hthread* ctx,
                           int arguments,
                           const Limits& limits,
                           const Completed& completed) {
  const std::string none;
  Job job{ctx, &none, &none, 0, arguments};
  return Protect(ctx, job, duk_get_top(ctx) - (arguments + 2), std::u16string(), 0, limits,
                 completed);
}

RunEnd Engine::Protect(duk_hthread* ctx,
                       Job& job,
                       int top,
                       const std::u16string& source,
                       int offset,
                       const Limits& limits,
                       const Completed& completed) {
  RunEnd result;
  RunGuard& guard = RunGuard::Current();
  const bool outermost = depth_ == 0;
  const uint32_t heapNumber = heapNumber_;
  if (outermost) {
    limits_ = limits;
    guard.Begin(limits);
  }
  ++depth_;
  duk_hthread* const outerThread = current_;
  current_ = ctx;
  std::jmp_buf escape;
  std::jmp_buf* outerEscape = guard.escape();
  guard.set_escape(&escape);
  const int ran = ProtectedRun(&job, &escape);
  guard.set_escape(outerEscape);
  current_ = outerThread;
  --depth_;
  if (ran < 0) {
    // The heap is in no state to go on: it is given up (not freed) and made anew on next
    // use. A run this one is nested in stops too: its script meets the time limit at
    // once, and it ends as fatal as well.
    GiveUpHeap();
    guard.Stop();
    guard.set_failed(!outermost);
  }
  if (outermost) {
    // What is read of the outcome below may need blocks a stopped run was refused.
    guard.End();
  }
  if (!heap_ || heapNumber_ != heapNumber) {
    // Given up here or in a nested run: nothing more of it is touched.
    if (outermost) {
      guard.set_failed(false);
      gThreadsRetired = false;
      TellRunEnded();
    }
    result.outcome = Outcome::kFatal;
    result.exception.message = u"Uncaught Error: " + Utf8ToUtf16(guard.fatalMessage());
    return result;
  }
  if (job.ok) {
    result.outcome = Outcome::kCompleted;
    if (completed) {
      completed(ctx, -1);
    }
  } else {
    result.exception = DescribeThrown(ctx, -1);
    Exception& e = result.exception;
    if (!outermost) {
      // Kept for a caller that throws it on into the script under way.
      KeepInStash(ctx, kLastThrown);
    }
    if (e.line > offset && !source.empty()) {
      e.sourceLine = SourceLine(source, e.line - offset);
    }
    if (outermost && guard.timedOut()) {
      result.outcome = Outcome::kTimeLimit;
    } else if (outermost && guard.refused()) {
      result.outcome = Outcome::kMemoryLimit;
    } else if (IsStackLimitMessage(e.message) && duk_is_error(ctx, -1) &&
               duk_get_error_code(ctx, -1) == DUK_ERR_RANGE_ERROR) {
      result.outcome = Outcome::kStackLimit;
    } else {
      result.outcome = Outcome::kThrew;
    }
  }
  duk_set_top(ctx, top);
  if (outermost) {
    // What the run left behind goes now, not in some later run's budget.
    duk_gc(ctx, 0);
    TellRunEnded();
    if (gThreadsRetired && heap_) {
      // ctx may be one of them: not used after this.
      gThreadsRetired = false;
      duk_push_heap_stash(heap_);
      duk_del_prop_string(heap_, -1, kRetiredThreads);
      duk_pop(heap_);
      duk_gc(heap_, 0);
    }
  }
  return result;
}

std::u16string SafeString(duk_context* ctx, duk_idx_t index) {
  duk_dup(ctx, index);
  auto text = [](duk_context* inner) -> duk_ret_t {
    duk_to_string(inner, -1);
    return 1;
  };
  std::u16string result;
  if (Protected(ctx, 1, text)) {
    duk_size_t length = 0;
    const char* bytes = duk_get_lstring(ctx, -1, &length);
    result = FromEngineString(bytes, length);
  }
  duk_pop(ctx);
  return result;
}

void LeaveIfHeapGivenUp() {
  RunGuard::Current().LeaveIfFailed();
}

Exception DescribeThrown(duk_context* ctx, duk_idx_t index) {
  Exception e;
  index = duk_normalize_index(ctx, index);
  e.message = u"Uncaught " + SafeString(ctx, index);
  e.scriptName = ErrorText(ctx, index, "fileName");
  e.line = ErrorNumber(ctx, index, "lineNumber");
  e.stack = ErrorText(ctx, index, "stack");
  e.frames = ThrownStack(ctx, index);
  return e;
}

void PushLastThrown(duk_context* ctx) {
  auto take = [](duk_context* inner) -> duk_ret_t {
    duk_push_heap_stash(inner);
    duk_get_prop_string(inner, -1, kLastThrown);
    duk_del_prop_string(inner, -2, kLastThrown);
    return 1;
  };
  if (!Protected(ctx, 0, take)) {
    duk_pop(ctx);
    duk_push_undefined(ctx);
  }
}

}  // namespace script
}  // namespace cef_standin
