// The engine half of the V8 kinds beyond the simple ones (dates, array buffers), of what
// a function or object made by the executable keeps (its handler, its external memory),
// and of CEF's calendar time.
#include "handles.h"
#include "include/cef_v8.h"
#include "include/internal/cef_time.h"
#include "neutral.h"

namespace cef_double {
namespace {

// The executable's release callback as the engine calls it: the buffer's memory is
// handed back through it.
class ExeArrayBufferReleaser : public CefV8ArrayBufferReleaseCallback {
 public:
  explicit ExeArrayBufferReleaser(Exe* exe) : exe_(exe) {}
  void ReleaseBuffer(void* buffer) override { ArrayBufferRelease(exe_.get(), buffer); }
  Exe* exe() const { return exe_.get(); }

 private:
  ExeRef exe_;
  IMPLEMENT_REFCOUNTING(ExeArrayBufferReleaser);
};

}  // namespace

bool TimeToSeconds(const CivilTime& time, double& seconds) {
  return cef_standin::TimeToDouble(CefTimeOf<cef_time_t>(time), seconds);
}
bool TimeFromSeconds(double seconds, CivilTime& time) {
  cef_time_t t = {};
  const bool converted = cef_standin::TimeFromDouble(seconds, t);
  time = CivilOf(t);
  return converted;
}
bool TimeNow(CivilTime& time) {
  cef_time_t t = {};
  const bool known = cef_standin::TimeNow(t);
  time = CivilOf(t);
  return known;
}

Obj* V8CreateDate(const CivilTime& date) {
  return Give(CefV8Value::CreateDate(CefTime(CefTimeOf<cef_time_t>(date))));
}
CivilTime V8DateValue(Obj* value) {
  return CivilOf(Take<CefV8Value>(value)->GetDateValue());
}

Obj* V8CreateArrayBuffer(void* buffer, size_t length, Exe* releaser) {
  CefRefPtr<CefV8ArrayBufferReleaseCallback> callback =
      releaser ? new ExeArrayBufferReleaser(releaser) : nullptr;
  return Give(CefV8Value::CreateArrayBuffer(buffer, length, callback));
}
Exe* V8ArrayBufferReleaser(Obj* value) {
  CefRefPtr<CefV8ArrayBufferReleaseCallback> callback =
      Take<CefV8Value>(value)->GetArrayBufferReleaseCallback();
  auto* own = dynamic_cast<ExeArrayBufferReleaser*>(callback.get());
  return own ? own->exe() : nullptr;
}
bool V8NeuterArrayBuffer(Obj* value) {
  return Take<CefV8Value>(value)->NeuterArrayBuffer();
}

Exe* V8FunctionHandler(Obj* value) {
  return ExeOfV8Handler(Take<CefV8Value>(value)->GetFunctionHandler());
}
int V8ExternalMemory(Obj* value) {
  return Take<CefV8Value>(value)->GetExternallyAllocatedMemory();
}
int V8AdjustExternalMemory(Obj* value, int change) {
  return Take<CefV8Value>(value)->AdjustExternallyAllocatedMemory(change);
}

}  // namespace cef_double
