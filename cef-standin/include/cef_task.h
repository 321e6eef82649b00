// Work posted to one of CEF's named threads. In a renderer only TID_RENDERER (the
// renderer's main thread) takes tasks; in a browser process after CefInitialize the UI,
// IO, file and process-launcher threads do. A task runs on its thread after the call that
// posted it has returned, in the order of posting (delayed ones once they are due).
#ifndef CEF_INCLUDE_CEF_TASK_H_
#define CEF_INCLUDE_CEF_TASK_H_

#include "include/cef_base.h"

typedef cef_thread_id_t CefThreadId;

class CefTask : public virtual CefBaseRefCounted {
 public:
  virtual void Execute() = 0;
};

// Posts tasks to one thread; may be used from any thread.
class CefTaskRunner : public virtual CefBaseRefCounted {
 public:
  // The runner of the named thread the caller is on, or null.
  static CefRefPtr<CefTaskRunner> GetForCurrentThread();
  // The runner of the thread, or null when this process does not run it.
  static CefRefPtr<CefTaskRunner> GetForThread(CefThreadId threadId);

  // True when both post to the same thread.
  virtual bool IsSame(CefRefPtr<CefTaskRunner> that) = 0;
  virtual bool BelongsToCurrentThread() = 0;
  virtual bool BelongsToThread(CefThreadId threadId) = 0;
  // False once the thread has stopped.
  virtual bool PostTask(CefRefPtr<CefTask> task) = 0;
  virtual bool PostDelayedTask(CefRefPtr<CefTask> task, int64 delay_ms) = 0;
};

// True when the caller runs on that thread.
bool CefCurrentlyOn(CefThreadId threadId);
// Queues the task for the thread; false when this process does not run that thread.
bool CefPostTask(CefThreadId threadId, CefRefPtr<CefTask> task);
// The same, run no sooner than delay_ms milliseconds from now.
bool CefPostDelayedTask(CefThreadId threadId, CefRefPtr<CefTask> task, int64 delay_ms);

#endif  // CEF_INCLUDE_CEF_TASK_H_
