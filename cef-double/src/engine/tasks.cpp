// The engine half of the double for threads, the browser context, task runners, waitable
// events, and V8 objects with the executable's accessor or interceptor.
#include <string>

#include "handles.h"
#include "include/cef_app.h"
#include "include/cef_task.h"
#include "include/cef_v8.h"
#include "include/cef_waitable_event.h"
#include "neutral.h"
#include "process/browser_context.h"

namespace cef_double {
namespace {

class TaskAdapter : public CefTask {
 public:
  explicit TaskAdapter(Exe* exe) : exe_(exe) {}
  void Execute() override { TaskExecute(exe_.get()); }

 private:
  ExeRef exe_;
  IMPLEMENT_REFCOUNTING(TaskAdapter);
};

CefRefPtr<CefTask> TaskOf(Exe* task) {
  return task ? new TaskAdapter(task) : nullptr;
}

class AccessorAdapter : public CefV8Accessor {
 public:
  explicit AccessorAdapter(Exe* exe) : exe_(exe) {}
  bool Get(const CefString& name,
           const CefRefPtr<CefV8Value> object,
           CefRefPtr<CefV8Value>& retval,
           CefString& exception) override {
    Obj* result = nullptr;
    std::u16string thrown;
    const bool handled =
        AccessorGet(exe_.get(), name.ToString16(), Borrow(object.get()), &result, thrown);
    return Answered(handled, result, &retval, thrown, exception);
  }
  bool Set(const CefString& name,
           const CefRefPtr<CefV8Value> object,
           const CefRefPtr<CefV8Value> value,
           CefString& exception) override {
    std::u16string thrown;
    const bool handled = AccessorSet(exe_.get(), name.ToString16(), Borrow(object.get()),
                                     Borrow(value.get()), thrown);
    return Answered(handled, nullptr, nullptr, thrown, exception);
  }

 private:
  ExeRef exe_;
  IMPLEMENT_REFCOUNTING(AccessorAdapter);
};

class InterceptorAdapter : public CefV8Interceptor {
 public:
  explicit InterceptorAdapter(Exe* exe) : exe_(exe) {}
  bool Get(const CefString& name,
           const CefRefPtr<CefV8Value> object,
           CefRefPtr<CefV8Value>& retval,
           CefString& exception) override {
    return Read(name.ToString16(), -1, object, retval, exception);
  }
  bool Get(int index,
           const CefRefPtr<CefV8Value> object,
           CefRefPtr<CefV8Value>& retval,
           CefString& exception) override {
    return Read(std::u16string(), index, object, retval, exception);
  }
  bool Set(const CefString& name,
           const CefRefPtr<CefV8Value> object,
           const CefRefPtr<CefV8Value> value,
           CefString& exception) override {
    return Write(name.ToString16(), -1, object, value, exception);
  }
  bool Set(int index,
           const CefRefPtr<CefV8Value> object,
           const CefRefPtr<CefV8Value> value,
           CefString& exception) override {
    return Write(std::u16string(), index, object, value, exception);
  }

 private:
  bool Read(const std::u16string& name,
            int index,
            const CefRefPtr<CefV8Value>& object,
            CefRefPtr<CefV8Value>& retval,
            CefString& exception) {
    Obj* result = nullptr;
    std::u16string thrown;
    const bool handled =
        InterceptorGet(exe_.get(), name, index, Borrow(object.get()), &result, thrown);
    return Answered(handled, result, &retval, thrown, exception);
  }
  bool Write(const std::u16string& name,
             int index,
             const CefRefPtr<CefV8Value>& object,
             const CefRefPtr<CefV8Value>& value,
             CefString& exception) {
    std::u16string thrown;
    const bool handled =
        InterceptorSet(exe_.get(), name, index, Borrow(object.get()), Borrow(value.get()), thrown);
    return Answered(handled, nullptr, nullptr, thrown, exception);
  }

  ExeRef exe_;
  IMPLEMENT_REFCOUNTING(InterceptorAdapter);
};

}  // namespace

// Threads and the browser context

bool PostTask(int thread, Exe* task) {
  return CefPostTask(static_cast<CefThreadId>(thread), TaskOf(task));
}
bool PostDelayedTask(int thread, Exe* task, int64_t delayMs) {
  return CefPostDelayedTask(static_cast<CefThreadId>(thread), TaskOf(task), delayMs);
}
void Shutdown() {
  CefShutdown();
}
void DoMessageLoopWork() {
  CefDoMessageLoopWork();
}
void RunMessageLoop() {
  CefRunMessageLoop();
}
void QuitMessageLoop() {
  CefQuitMessageLoop();
}
bool BrowserContextRunning() {
  return cef_standin::BrowserContextRunning();
}

Obj* TaskRunnerForThread(int thread) {
  return Give(CefTaskRunner::GetForThread(static_cast<CefThreadId>(thread)));
}
Obj* TaskRunnerForCurrentThread() {
  return Give(CefTaskRunner::GetForCurrentThread());
}
bool TaskRunnerIsSame(Obj* runner, Obj* other) {
  return As<CefTaskRunner>(runner)->IsSame(As<CefTaskRunner>(other));
}
bool TaskRunnerBelongsToCurrentThread(Obj* runner) {
  return As<CefTaskRunner>(runner)->BelongsToCurrentThread();
}
bool TaskRunnerBelongsToThread(Obj* runner, int thread) {
  return As<CefTaskRunner>(runner)->BelongsToThread(static_cast<CefThreadId>(thread));
}
bool TaskRunnerPost(Obj* runner, Exe* task, int64_t delayMs, bool delayed) {
  CefTaskRunner* own = As<CefTaskRunner>(runner);
  return delayed ? own->PostDelayedTask(TaskOf(task), delayMs) : own->PostTask(TaskOf(task));
}

// Waitable events

Obj* WaitableEventCreate(bool automaticReset, bool signaled) {
  return Give(CefWaitableEvent::CreateWaitableEvent(automaticReset, signaled));
}
void WaitableEventReset(Obj* event) {
  As<CefWaitableEvent>(event)->Reset();
}
void WaitableEventSignal(Obj* event) {
  As<CefWaitableEvent>(event)->Signal();
}
bool WaitableEventIsSignaled(Obj* event) {
  return As<CefWaitableEvent>(event)->IsSignaled();
}
void WaitableEventWait(Obj* event) {
  As<CefWaitableEvent>(event)->Wait();
}
bool WaitableEventTimedWait(Obj* event, int64_t maxMs) {
  return As<CefWaitableEvent>(event)->TimedWait(maxMs);
}

// V8 objects with an accessor or interceptor

Obj* V8CreateObject(Exe* accessor, Exe* interceptor) {
  CefRefPtr<CefV8Accessor> ownAccessor = accessor ? new AccessorAdapter(accessor) : nullptr;
  CefRefPtr<CefV8Interceptor> ownInterceptor =
      interceptor ? new InterceptorAdapter(interceptor) : nullptr;
  return Give(CefV8Value::CreateObject(ownAccessor, ownInterceptor));
}

bool V8SetAccessor(Obj* value, const std::u16string& key, int settings, int attribute) {
  return As<CefV8Value>(value)->SetValue(CefString(key),
                                         static_cast<CefV8Value::AccessControl>(settings),
                                         static_cast<CefV8Value::PropertyAttribute>(attribute));
}

}  // namespace cef_double
