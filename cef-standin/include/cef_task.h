// Work posted to one of CEF's named threads. In a renderer only TID_RENDERER takes
// tasks: they run on the renderer's main thread after the call that posted them has
// returned, oldest first.
#ifndef CEF_INCLUDE_CEF_TASK_H_
#define CEF_INCLUDE_CEF_TASK_H_

#include "include/cef_base.h"

typedef cef_thread_id_t CefThreadId;

class CefTask : public virtual CefBaseRefCounted {
 public:
  virtual void Execute() = 0;
};

// True on the renderer's main thread for TID_RENDERER.
bool CefCurrentlyOn(CefThreadId threadId);
// Queues the task for the thread; false when this process does not run that thread.
bool CefPostTask(CefThreadId threadId, CefRefPtr<CefTask> task);

#endif  // CEF_INCLUDE_CEF_TASK_H_
