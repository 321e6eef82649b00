// An event that threads wait on until another signals it.
#ifndef CEF_INCLUDE_CEF_WAITABLE_EVENT_H_
#define CEF_INCLUDE_CEF_WAITABLE_EVENT_H_

#include "include/cef_base.h"

class CefWaitableEvent : public CefBaseRefCounted {
 public:
  // With automatic_reset, a wait that returns signalled resets the event (one waiter is
  // released per Signal); otherwise it stays signalled until Reset.
  static CefRefPtr<CefWaitableEvent> CreateWaitableEvent(bool automatic_reset,
                                                         bool initially_signaled);

  virtual void Reset() = 0;
  virtual void Signal() = 0;
  // With automatic reset, a true answer also resets the event.
  virtual bool IsSignaled() = 0;
  // Neither wait may be called on the browser process's UI or IO thread: there they
  // return at once (TimedWait false).
  virtual void Wait() = 0;
  virtual bool TimedWait(int64 max_ms) = 0;
};

#endif  // CEF_INCLUDE_CEF_WAITABLE_EVENT_H_
