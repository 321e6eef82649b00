// The C half of the double for threads and the browser context: delayed tasks, task
// runners, waitable events, and the message loop and shutdown of a browser process.
#include "half.h"
#include "include/capi/cef_app_capi.h"

namespace cef_double {

void FillTaskRunner(cef_task_runner_t* s) {
  s->is_same = [](cef_task_runner_t* self, cef_task_runner_t* that) CEF_CALLBACK -> int {
    Arg<cef_task_runner_t> other(that);
    return other.obj() && TaskRunnerIsSame(ObjOf(self), other.obj());
  };
  s->belongs_to_current_thread = [](cef_task_runner_t* self) CEF_CALLBACK -> int {
    return TaskRunnerBelongsToCurrentThread(ObjOf(self));
  };
  s->belongs_to_thread = [](cef_task_runner_t* self, cef_thread_id_t thread) CEF_CALLBACK -> int {
    return TaskRunnerBelongsToThread(ObjOf(self), static_cast<int>(thread));
  };
  s->post_task = [](cef_task_runner_t* self, cef_task_t* task) CEF_CALLBACK -> int {
    return task && TaskRunnerPost(ObjOf(self), KeepExe(task), 0, false);
  };
  s->post_delayed_task = [](cef_task_runner_t* self, cef_task_t* task, int64 delay)
                             CEF_CALLBACK -> int {
    return task && TaskRunnerPost(ObjOf(self), KeepExe(task), delay, true);
  };
}

void FillWaitableEvent(cef_waitable_event_t* s) {
  s->reset = [](cef_waitable_event_t* self) CEF_CALLBACK { WaitableEventReset(ObjOf(self)); };
  s->signal = [](cef_waitable_event_t* self) CEF_CALLBACK { WaitableEventSignal(ObjOf(self)); };
  s->is_signaled = [](cef_waitable_event_t* self)
                       CEF_CALLBACK -> int { return WaitableEventIsSignaled(ObjOf(self)); };
  s->wait = [](cef_waitable_event_t* self) CEF_CALLBACK { WaitableEventWait(ObjOf(self)); };
  s->timed_wait = [](cef_waitable_event_t* self, int64 max_ms)
                      CEF_CALLBACK -> int { return WaitableEventTimedWait(ObjOf(self), max_ms); };
}

}  // namespace cef_double

using namespace cef_double;

extern "C" {

CEF_EXPORT int cef_post_delayed_task(cef_thread_id_t thread, cef_task_t* task, int64 delay_ms) {
  return task && PostDelayedTask(static_cast<int>(thread), KeepExe(task), delay_ms);
}

CEF_EXPORT cef_task_runner_t* cef_task_runner_get_for_current_thread() {
  return TaskRunnerOut(TaskRunnerForCurrentThread());
}

CEF_EXPORT cef_task_runner_t* cef_task_runner_get_for_thread(cef_thread_id_t thread) {
  return TaskRunnerOut(TaskRunnerForThread(static_cast<int>(thread)));
}

CEF_EXPORT cef_waitable_event_t* cef_waitable_event_create(int automatic_reset,
                                                           int initially_signaled) {
  return WaitableEventOut(WaitableEventCreate(automatic_reset != 0, initially_signaled != 0));
}

CEF_EXPORT void cef_shutdown() {
  Shutdown();
}

CEF_EXPORT void cef_do_message_loop_work() {
  DoMessageLoopWork();
}

CEF_EXPORT void cef_run_message_loop() {
  RunMessageLoop();
}

CEF_EXPORT void cef_quit_message_loop() {
  QuitMessageLoop();
}

}  // extern "C"
