#include "page/timers.h"

#include <duktape.h>

#include <cmath>
#include <string>
#include <utility>

#include "base/utf.h"
#include "page/natives.h"
#include "page/script.h"
#include "script/protected.h"
#include "threads/tasks.h"
#include "v8/context.h"
#include "v8/run.h"
#include "v8/uncaught_exception.h"

namespace cef_standin {
namespace {

// In the stash of the environment's thread, where no script reaches: a window's timers
// ({id: [handler, arguments...]}, with no prototype, so that the page's getters and
// setters see none of it) and the id its next timer gets.
constexpr const char* kTimersTable = "timers";
constexpr const char* kNextTimer = "nextTimer";

// Pushes the environment's timer table (made on first use); false (nothing pushed) when
// the environment is gone.
bool PushTimerTable(duk_context* ctx, int environment) {
  duk_context* thread = script::Engine::Get().Thread(environment);
  if (!thread) {
    return false;
  }
  duk_push_thread_stash(ctx, thread);
  if (!duk_get_prop_string(ctx, -1, kTimersTable)) {
    duk_pop(ctx);
    duk_push_bare_object(ctx);
    duk_dup_top(ctx);
    duk_put_prop_string(ctx, -3, kTimersTable);
  }
  duk_remove(ctx, -2);
  return true;
}

void FireTimer(int environment, int id, int nesting);

// How deep in timers set by timers the running one is (0 outside any timer).
int& TimerNesting() {
  static int nesting = 0;
  return nesting;
}

// Queues the timer on the renderer thread. Holds nothing of the heap: the task finds the
// handler by the window's environment and the timer's id when it runs. As browsers do, a
// timer set more than 5 timers deep waits at least 4 ms, so that a timer that sets itself
// again lets the thread's other work (and a scenario's next step) go on.
void PostTimer(int environment, int id, double delayMs) {
  const int nesting = TimerNesting() + 1;
  if (nesting > 5 && delayMs < 4) {
    delayMs = 4;
  }
  if (std::shared_ptr<TaskQueue> queue = QueueOf(TID_RENDERER)) {
    queue->Post(MakeTask([environment, id, nesting] { FireTimer(environment, id, nesting); }),
                static_cast<int64_t>(delayMs));
  }
}

// setTimeout(handler, ms, ...arguments): the timer's id (from 1, per window); 0 when the
// window's page is gone. Nothing of C++ lives in this frame while Duktape may throw.
duk_ret_t SetTimeoutNative(duk_context* ctx) {
  const duk_idx_t count = duk_get_top(ctx);
  const int environment = EnvironmentOfNative(ctx);
  double delay = count > 1 ? duk_to_number(ctx, 1) : 0;
  if (std::isnan(delay) || delay < 0) {
    delay = 0;
  }
  delay = std::fmin(delay, 2147483647.0);  // as browsers, a longer delay is not honoured
  // The entry: the handler (a string when it is no function), then the arguments; an
  // array of no prototype, so that only its own elements are ever read or written.
  duk_push_bare_array(ctx);
  if (count > 0) {
    duk_dup(ctx, 0);
  } else {
    duk_push_undefined(ctx);
  }
  if (!duk_is_function(ctx, -1)) {
    duk_to_string(ctx, -1);
  }
  duk_put_prop_index(ctx, -2, 0);
  for (duk_idx_t i = 2; i < count; ++i) {
    duk_dup(ctx, i);
    duk_put_prop_index(ctx, -2, static_cast<duk_uarridx_t>(i - 1));
  }
  if (!PushTimerTable(ctx, environment)) {
    duk_push_int(ctx, 0);
    return 1;
  }
  duk_get_prop_string(ctx, -1, kNextTimer);
  const int id = duk_is_number(ctx, -1) ? duk_get_int(ctx, -1) : 1;
  duk_pop(ctx);
  duk_push_int(ctx, id + 1);
  duk_put_prop_string(ctx, -2, kNextTimer);
  duk_dup(ctx, -2);
  duk_put_prop_index(ctx, -2, static_cast<duk_uarridx_t>(id));
  PostTimer(environment, id, delay);
  duk_push_int(ctx, id);
  return 1;
}

// clearTimeout(id): the timer, if still pending, never runs.
duk_ret_t ClearTimeoutNative(duk_context* ctx) {
  const int environment = EnvironmentOfNative(ctx);
  const double id = duk_get_top(ctx) > 0 ? duk_to_number(ctx, 0) : 0;
  if (id >= 1 && id == std::floor(id) && PushTimerTable(ctx, environment)) {
    duk_del_prop_index(ctx, -1, static_cast<duk_uarridx_t>(id));
  }
  return 0;
}

// Takes the timer's entry out of its window's table: leaves it, or undefined when the
// timer was cleared.
duk_ret_t TakeEntry(duk_context* ctx, void* data) {
  const int* timer = static_cast<const int*>(data);  // environment, id
  if (!PushTimerTable(ctx, timer[0])) {
    duk_push_undefined(ctx);
    return 1;
  }
  duk_get_prop_index(ctx, -1, static_cast<duk_uarridx_t>(timer[1]));
  duk_del_prop_index(ctx, -2, static_cast<duk_uarridx_t>(timer[1]));
  return 1;
}

void FireTimer(int environment, int id, int nesting) {
  CefRefPtr<V8Context> context = V8Context::OfEnvironment(environment);
  duk_context* thread = script::Engine::Get().Thread(environment);
  if (!context || !context->IsValid() || !thread) {
    return;  // the page went before its timer was due
  }
  int timer[2] = {environment, id};
  if (duk_safe_call(thread, TakeEntry, timer, 0, 1) != DUK_EXEC_SUCCESS ||
      !duk_is_array(thread, -1) || !context->Enter()) {
    duk_pop(thread);
    return;  // cleared, or script is forbidden
  }
  script::Engine& engine = script::Engine::Get();
  script::RunResult run;
  const int outerNesting = std::exchange(TimerNesting(), nesting);
  duk_get_prop_index(thread, -1, 0);
  const duk_idx_t arguments = static_cast<duk_idx_t>(duk_get_length(thread, -2)) - 1;
  // Room for the handler, the window and the arguments, or the timer does not run.
  if (duk_is_function(thread, -1) && !duk_check_stack(thread, arguments + 2)) {
    duk_pop_2(thread);
  } else if (duk_is_function(thread, -1)) {
    // handler, window, arguments...
    duk_push_global_object(thread);
    for (duk_idx_t i = 1; i <= arguments; ++i) {
      duk_get_prop_index(thread, -2 - i, static_cast<duk_uarridx_t>(i));
    }
    // The entry goes before the run: a handler that removes its own frame has its page's
    // thread freed when the run ends, and nothing of it may be touched after.
    duk_remove(thread, -(arguments + 3));
    run = script::CallOnStack(thread, arguments, engine.limits());
  } else {
    duk_size_t length = 0;
    const char* bytes = duk_get_lstring(thread, -1, &length);
    const std::u16string source = script::FromEngineString(bytes ? bytes : "", length);
    duk_pop_2(thread);
    run = script::Run(environment, source, std::u16string(), 1, engine.limits());
  }
  TimerNesting() = outerNesting;
  context->Exit();
  if (run.outcome == script::Outcome::kCompleted || run.outcome == script::Outcome::kNoContext) {
    return;
  }
  CefRefPtr<CefFrame> frame = context->GetFrame();
  LogScriptRun(frame, Utf8ToUtf16("setTimeout " + std::to_string(id)), run);
  if (run.outcome == script::Outcome::kThrew) {
    ReportUncaughtException(context.get(), run);
  }
}

}  // namespace

void InstallTimers(duk_hthread* thread, int environment) {
  duk_push_global_object(thread);
  DefineWindowFunction(thread, "setTimeout", SetTimeoutNative, environment);
  DefineWindowFunction(thread, "clearTimeout", ClearTimeoutNative, environment);
  duk_pop(thread);
}

}  // namespace cef_standin
