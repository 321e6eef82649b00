// Drives a libcef.dll's threads through its C exports, as a browser process without a
// multi-threaded message loop would:
//   double_threads.exe <path of libcef.dll>
// waitable events across threads, then CefInitialize (no settings, no application), the
// UI thread's task runners, a delayed task that quits the message loop, CefShutdown with
// a task still queued. Prints each failed check and returns how many failed; every task
// it made must be back to its own single reference at the end.
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>

#include "c_api_layout.h"

namespace {

using c_api::RefCounted;
using c_api::Task;

// cef_task_runner_t and cef_waitable_event_t as the C API lays them out.
struct TaskRunner {
  RefCounted base;
  int(__stdcall* isSame)(TaskRunner* self, TaskRunner* that);
  int(__stdcall* belongsToCurrentThread)(TaskRunner* self);
  int(__stdcall* belongsToThread)(TaskRunner* self, int thread);
  int(__stdcall* postTask)(TaskRunner* self, Task* task);
  int(__stdcall* postDelayedTask)(TaskRunner* self, Task* task, int64_t delayMs);
};

struct WaitableEvent {
  RefCounted base;
  void(__stdcall* reset)(WaitableEvent* self);
  void(__stdcall* signal)(WaitableEvent* self);
  int(__stdcall* isSignaled)(WaitableEvent* self);
  void(__stdcall* wait)(WaitableEvent* self);
  int(__stdcall* timedWait)(WaitableEvent* self, int64_t maxMs);
};

constexpr int kUi = 0;  // TID_UI

struct Exports {
  WaitableEvent* (*createEvent)(int automaticReset, int signaled);
  TaskRunner* (*runnerForThread)(int thread);
  TaskRunner* (*runnerForCurrentThread)();
  int (*currentlyOn)(int thread);
  int (*postTask)(int thread, Task* task);
  int (*postDelayedTask)(int thread, Task* task, int64_t delayMs);
  int (*initialize)(const void* args, const void* settings, void* app, void* sandbox);
  void (*runMessageLoop)();
  void (*quitMessageLoop)();
  void (*shutdown)();
} cef;

int failures = 0;

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "FAIL: %s\n", what);
    ++failures;
  }
}

// A task of this program: counted references, and what it runs.
struct OwnTask {
  Task task;
  std::atomic<int> refs{1};
  void (*run)(OwnTask* self) = nullptr;
  std::string* trace = nullptr;
  char mark = '?';
};

OwnTask* Own(void* self) {
  return reinterpret_cast<OwnTask*>(self);
}

void MakeTask(OwnTask& own, char mark, std::string* trace, void (*run)(OwnTask*)) {
  own.task.base.size = sizeof(Task);
  own.task.base.addRef = [](RefCounted * self) __stdcall {
    ++Own(self)->refs;
  };
  own.task.base.release = [](RefCounted * self) __stdcall->int {
    return --Own(self)->refs == 0;
  };
  own.task.base.hasOneRef = [](RefCounted * self) __stdcall->int {
    return Own(self)->refs == 1;
  };
  own.task.base.hasAtLeastOneRef = [](RefCounted * self) __stdcall->int {
    return Own(self)->refs >= 1;
  };
  own.task.execute = [](Task * self) __stdcall {
    OwnTask* own = Own(self);
    *own->trace += own->mark;
    if (own->run) {
      own->run(own);
    }
  };
  own.mark = mark;
  own.trace = trace;
  own.run = run;
}

// A task handed over: as the C API has it, with a reference for the receiver.
Task* Give(OwnTask& own) {
  ++own.refs;
  return &own.task;
}

template <class F>
bool Resolve(HMODULE library, const char* name, F& function) {
  function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  if (!function) {
    std::fprintf(stderr, "no %s\n", name);
  }
  return function != nullptr;
}

void Events() {
  WaitableEvent* event = cef.createEvent(1, 0);
  Check(event != nullptr, "an event is made");
  if (!event) {
    return;
  }
  std::thread signaller([event] { event->signal(event); });
  event->wait(event);
  signaller.join();
  Check(!event->isSignaled(event), "a wait resets an automatic event");
  Check(!event->timedWait(event, 0), "an automatic event stays reset");
  event->signal(event);
  Check(event->isSignaled(event) && !event->isSignaled(event), "asking resets it too");
  event->base.release(&event->base);
}

void UiThread() {
  Check(cef.runnerForThread(kUi) == nullptr && !cef.currentlyOn(kUi), "no UI thread before");
  Check(cef.initialize(nullptr, nullptr, nullptr, nullptr) == 1, "initialize");
  Check(cef.currentlyOn(kUi) == 1, "the caller is the UI thread");

  TaskRunner* current = cef.runnerForCurrentThread();
  TaskRunner* named = cef.runnerForThread(kUi);
  Check(current && named, "runners of the UI thread");
  if (!current || !named) {
    return;
  }
  Check(current->belongsToThread(current, kUi) && current->belongsToCurrentThread(current),
        "the runner belongs to the UI thread");
  named->base.addRef(&named->base);  // is_same takes a reference
  Check(current->isSame(current, named) == 1, "both runners are the same");

  std::string trace;
  OwnTask quit, now, never;
  MakeTask(quit, 'q', &trace, [](OwnTask*) { cef.quitMessageLoop(); });
  MakeTask(now, 'n', &trace, nullptr);
  MakeTask(never, 'x', &trace, nullptr);
  Check(cef.postDelayedTask(kUi, Give(quit), 20) == 1, "a delayed task is posted");
  Check(named->postTask(named, Give(now)) == 1, "a task is posted through the runner");
  cef.runMessageLoop();
  Check(trace == "nq", "the loop ran both, the due one first, then returned");

  Check(current->postDelayedTask(current, Give(never), 60000) == 1, "a late task is posted");
  cef.shutdown();
  Check(trace == "nq", "shutdown drops what is queued");
  Check(cef.postTask(kUi, Give(now)) == 0 && named->postTask(named, Give(now)) == 0,
        "no UI thread after shutdown");
  current->base.release(&current->base);
  named->base.release(&named->base);
  Check(quit.refs == 1 && now.refs == 1 && never.refs == 1, "every task is given back");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: double_threads.exe <libcef.dll>\n");
    return 100;
  }
  HMODULE library = LoadLibraryW(argv[1]);
  if (!library) {
    std::fprintf(stderr, "cannot load the library\n");
    return 100;
  }
  if (!Resolve(library, "cef_waitable_event_create", cef.createEvent) ||
      !Resolve(library, "cef_task_runner_get_for_thread", cef.runnerForThread) ||
      !Resolve(library, "cef_task_runner_get_for_current_thread", cef.runnerForCurrentThread) ||
      !Resolve(library, "cef_currently_on", cef.currentlyOn) ||
      !Resolve(library, "cef_post_task", cef.postTask) ||
      !Resolve(library, "cef_post_delayed_task", cef.postDelayedTask) ||
      !Resolve(library, "cef_initialize", cef.initialize) ||
      !Resolve(library, "cef_run_message_loop", cef.runMessageLoop) ||
      !Resolve(library, "cef_quit_message_loop", cef.quitMessageLoop) ||
      !Resolve(library, "cef_shutdown", cef.shutdown)) {
    return 100;
  }
  Events();
  UiThread();
  return failures;
}
