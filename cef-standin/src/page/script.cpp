#include "page/script.h"

#include "base/event_log.h"
#include "base/frame_identity.h"
#include "base/utf.h"
#include "v8/json_values.h"
#include "v8/uncaught_exception.h"

namespace cef_standin {
namespace {

nlohmann::json Text(const std::u16string& text) {
  return Utf16ToUtf8(text.data(), text.size());
}

}  // namespace

script::Outcome RunPageScript(CefRefPtr<CefFrame> frame, const PageScript& page) {
  const script::RunResult run =
      script::RunInFrame(frame.get(), page.source, page.name, page.limits);
  LogScriptRun(frame, page.name, run);
  // A page's script is nobody's call: what it throws is uncaught.
  ReportUncaughtException(frame->GetV8Context(), run);
  return run.outcome;
}

void LogScriptRun(CefRefPtr<CefFrame> frame,
                  const std::u16string& name,
                  const script::RunResult& run) {
  const FrameIdentity* identity = FrameIdentityOf(frame.get());
  if (!identity) {
    return;
  }
  nlohmann::json event = {{"event", "Script"},
                          {"browser", identity->browserId()},
                          {"frame", identity->label()},
                          {"name", Text(name)},
                          {"outcome", script::OutcomeName(run.outcome)}};
  if (run.outcome == script::Outcome::kCompleted) {
    event["result"] = V8ValueToJson(run.value);
  } else if (run.outcome != script::Outcome::kNoContext) {
    // What was thrown, or the engine's error for the limit that stopped the script.
    const script::Exception& thrown = run.exception;
    event["exception"] = {{"message", Text(thrown.message)},
                          {"script", Text(thrown.scriptName)},
                          {"line", thrown.line},
                          {"source_line", Text(thrown.sourceLine)}};
  }
  LogEvent(event);
}

}  // namespace cef_standin
