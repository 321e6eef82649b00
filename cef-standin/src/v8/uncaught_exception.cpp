#include "v8/uncaught_exception.h"

#include <cstdlib>
#include <utility>
#include <vector>

#include "base/command_line.h"
#include "base/event_log.h"
#include "base/platform.h"
#include "base/utf.h"
#include "script/errors.h"
#include "v8/objects.h"
#include "v8/stack_trace.h"

namespace cef_standin {
namespace {

struct Listener {
  CefRefPtr<CefRenderProcessHandler> handler;
  int frames = 0;
};

Listener& TheListener() {
  static auto* listener = new Listener();
  return *listener;
}

int& BrowserStackSize() {
  static int frames = 0;
  return frames;
}

}  // namespace

void SetBrowserUncaughtExceptionStackSize(int frames) {
  BrowserStackSize() = frames > 0 ? frames : 0;
}

int UncaughtExceptionStackSize() {
  CefRefPtr<CommandLine> commandLine = new CommandLine();
  commandLine->InitFromTokens(ProcessArguments());
  const std::string value = commandLine->GetSwitchValue("uncaught-exception-stack-size").ToString();
  if (!value.empty()) {
    const long frames = std::strtol(value.c_str(), nullptr, 10);
    return frames > 0 && frames < 1000000 ? static_cast<int>(frames) : 0;
  }
  return BrowserStackSize();
}

void SetUncaughtExceptionHandler(CefRefPtr<CefRenderProcessHandler> handler, int frames) {
  Listener& listener = TheListener();
  listener.handler = frames > 0 ? handler : nullptr;
  listener.frames = listener.handler ? frames : 0;
  script::SetThrownStackLimit(listener.frames);
}

void ReportUncaughtException(CefRefPtr<CefV8Context> context, const script::RunResult& result) {
  const Listener& listener = TheListener();
  if (result.outcome != script::Outcome::kThrew || !listener.handler || !context ||
      !context->IsValid()) {
    return;
  }
  script::Exception exception = result.exception;
  std::vector<script::StackFrame> frames = exception.frames;
  if (frames.size() > static_cast<size_t>(listener.frames)) {
    frames.resize(static_cast<size_t>(listener.frames));
  }
  LogEvent({{"event", "OnUncaughtException"},
            {"message", Utf16ToUtf8(exception.message.data(), exception.message.size())},
            {"frames", frames.size()}});
  CefRefPtr<CefRenderProcessHandler> handler = listener.handler;
  handler->OnUncaughtException(context->GetBrowser(), context->GetFrame(), context,
                               script::ToV8Exception(std::move(exception)),
                               MakeStackTrace(std::move(frames)));
}

}  // namespace cef_standin
