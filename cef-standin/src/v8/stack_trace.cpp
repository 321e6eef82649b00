#include "v8/stack_trace.h"

#include <utility>

#include "include/cef_task.h"
#include "script/engine.h"

namespace cef_standin {
namespace {

class V8StackFrame : public CefV8StackFrame {
 public:
  explicit V8StackFrame(script::StackFrame frame) : frame_(std::move(frame)) {}

  // A copy of what the engine said: nothing of it can go stale.
  bool IsValid() override { return true; }
  CefString GetScriptName() override { return frame_.scriptName; }
  // No `//# sourceURL=` is read: the script's name.
  CefString GetScriptNameOrSourceURL() override { return frame_.scriptName; }
  CefString GetFunctionName() override { return frame_.functionName; }
  int GetLineNumber() override { return frame_.line; }
  int GetColumn() override { return frame_.column; }
  bool IsEval() override { return frame_.isEval; }
  bool IsConstructor() override { return frame_.isConstructor; }

 private:
  const script::StackFrame frame_;
  IMPLEMENT_REFCOUNTING(V8StackFrame);
};

class V8StackTrace : public CefV8StackTrace {
 public:
  explicit V8StackTrace(std::vector<script::StackFrame> frames) {
    for (script::StackFrame& frame : frames) {
      frames_.push_back(new V8StackFrame(std::move(frame)));
    }
  }

  bool IsValid() override { return true; }
  int GetFrameCount() override { return static_cast<int>(frames_.size()); }
  CefRefPtr<CefV8StackFrame> GetFrame(int index) override {
    return index >= 0 && index < GetFrameCount() ? frames_[static_cast<size_t>(index)] : nullptr;
  }

 private:
  std::vector<CefRefPtr<CefV8StackFrame>> frames_;
  IMPLEMENT_REFCOUNTING(V8StackTrace);
};

}  // namespace

CefRefPtr<CefV8StackTrace> MakeStackTrace(std::vector<script::StackFrame> frames) {
  return new V8StackTrace(std::move(frames));
}

}  // namespace cef_standin

// Outside any script run the trace has no frames, as V8's current stack trace has none;
// off the renderer's thread (no V8 there) there is no trace at all.
CefRefPtr<CefV8StackTrace> CefV8StackTrace::GetCurrent(int frame_limit) {
  if (!CefCurrentlyOn(TID_RENDERER)) {
    return nullptr;
  }
  cef_standin::script::Engine& engine = cef_standin::script::Engine::Get();
  return cef_standin::MakeStackTrace(
      cef_standin::script::CurrentStack(engine.current(), frame_limit));
}
