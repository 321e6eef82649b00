// A page's timers: setTimeout(handler, ms, ...arguments) and clearTimeout(id) on every
// window. A timer is a task on the renderer thread's queue, due `ms` from now; when it
// runs, the handler (a function, or a string compiled as script) is called in its
// window's context, entered, as a run of the script engine with the engine's default
// limits. A timer whose context is gone by then, or that was cleared, never runs. What
// the handler throws is an uncaught exception of the context (ReportUncaughtException);
// a handler that throws or runs into a limit is also logged as a "Script" event named
// "setTimeout <id>".
#ifndef CEF_STANDIN_SRC_PAGE_TIMERS_H_
#define CEF_STANDIN_SRC_PAGE_TIMERS_H_

struct duk_hthread;

namespace cef_standin {

// Defines setTimeout and clearTimeout on the global object of `thread`, the script
// environment `environment`.
void InstallTimers(duk_hthread* thread, int environment);

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_PAGE_TIMERS_H_
