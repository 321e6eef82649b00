#include "standin/browser.h"

#include <algorithm>

#include "base/event_log.h"
#include "page/dom_document.h"
#include "page/script.h"
#include "v8/json_values.h"
#include "v8/run.h"
#include "v8/uncaught_exception.h"
#include "values/process_message.h"

namespace cef_standin {
namespace {

int64 NextFrameId() {
  static int64 next = 0;
  return ++next;
}

const char* TargetName(CefProcessId target) {
  return target == PID_BROWSER ? "browser" : "renderer";
}

}  // namespace

// Frame

Frame::Frame(Browser* browser, int browserId, const std::string& label, bool main)
    : FrameIdentity(browserId, label), browser_(browser), main_(main), id_(NextFrameId()) {}

// As CEF: run at once in the frame's current context, named by the URL and numbered from
// the line given; before the frame's first context, once that is made. A throw is an
// uncaught exception of the page.
void Frame::ExecuteJavaScript(const CefString& code, const CefString& script_url, int start_line) {
  LogEvent({{"event", "ExecuteJavaScript"},
            {"browser", browserId()},
            {"frame", label()},
            {"code", code.ToString()}});
  if (!browser_) {
    return;  // a detached frame ignores it
  }
  if (!hadContext_) {
    queuedScripts_.push_back({code, script_url, start_line});
    return;
  }
  CefRefPtr<CefV8Context> context = context_;
  if (!context) {
    return;  // the page is gone
  }
  const script::RunResult run =
      script::RunInContext(context, code.ToString16(), script_url.ToString16(), start_line,
                           script::Engine::Get().limits());
  if (run.outcome != script::Outcome::kCompleted) {
    LogScriptRun(this, script_url.ToString16(), run);
  }
  ReportUncaughtException(context, run);
}

void Frame::RunQueuedJavaScript() {
  std::vector<QueuedScript> queued = std::move(queuedScripts_);
  queuedScripts_.clear();
  for (const QueuedScript& script : queued) {
    ExecuteJavaScript(script.code, script.url, script.line);
  }
}

CefString Frame::GetName() {
  return main_ ? CefString() : CefString(label());
}

CefRefPtr<CefFrame> Frame::GetParent() {
  if (main_ || !browser_) {
    return nullptr;
  }
  return parent_ ? CefRefPtr<CefFrame>(parent_) : CefRefPtr<CefFrame>(browser_->mainFrame());
}

CefRefPtr<CefBrowser> Frame::GetBrowser() {
  return browser_ ? CefRefPtr<CefBrowser>(browser_) : nullptr;
}

void Frame::VisitDOM(CefRefPtr<CefDOMVisitor> visitor) {
  if (!visitor || !browser_) {
    return;  // a detached frame has no document
  }
  if (deferDomVisits_) {
    deferredVisits_.push_back(visitor);
    return;
  }
  RunVisit(visitor);
}

size_t Frame::RunDeferredDomVisits() {
  std::vector<CefRefPtr<CefDOMVisitor>> visits = std::move(deferredVisits_);
  deferredVisits_.clear();
  if (!browser_) {
    return 0;  // the frame went away: its visitors are let go unrun
  }
  for (const auto& visitor : visits) {
    RunVisit(visitor);
  }
  return visits.size();
}

void Frame::RunVisit(CefRefPtr<CefDOMVisitor> visitor) {
  LogEvent({{"event", "VisitDOM"},
            {"browser", browserId()},
            {"frame", label()},
            {"has_document", hasDocument_},
            {"has_body", hasDocument_ && bodyText_.has_value()}});
  if (!hasDocument_) {
    // CEF hands over a null document, which the wrapper library drops before it reaches
    // the visitor: the visitor is never called.
    return;
  }
  // The visitor sees a snapshot that is valid during the visit only.
  CefRefPtr<DomDocument> document = new DomDocument(bodyText_);
  visitor->Visit(document.get());
  document->Detach();
}

void Frame::SendProcessMessage(CefProcessId target_process, CefRefPtr<CefProcessMessage> message) {
  if (!message || !message->IsValid()) {
    return;
  }
  const std::string name = message->GetName().ToString();
  if (!browser_) {
    // Dropped before the arguments are taken: the message stays usable.
    LogEvent({{"event", "SendProcessMessageDropped"},
              {"browser", browserId()},
              {"frame", label()},
              {"name", name},
              {"reason", "the frame is detached"}});
    return;
  }
  CefRefPtr<ListValue> arguments;
  if (auto* own = dynamic_cast<ProcessMessage*>(message.get())) {
    arguments = own->TakeArguments();  // the arguments leave with the message
  } else {
    arguments = new ListValue(ListTree(message->GetArgumentList()));
  }
  sent_.push_back(SentMessage{target_process, name, arguments.get()});
  LogEvent({{"event", "SendProcessMessage"},
            {"browser", browserId()},
            {"frame", label()},
            {"target", TargetName(target_process)},
            {"name", name},
            {"args", ListToJson(arguments.get())}});
}

// Browser

CefRefPtr<Browser> Browser::Create(int id) {
  CefRefPtr<Browser> browser = new Browser(id);
  browser->frames_.push_back(new Frame(browser.get(), id, Frame::kMainLabel, true));
  return browser;
}

Browser::Browser(int id) : id_(id) {}

Browser::~Browser() {
  for (const auto& frame : frames_) {
    frame->browser_ = nullptr;
  }
}

CefRefPtr<Frame> Browser::AddFrame(const std::string& name, CefRefPtr<Frame> parent) {
  if (destroyed_ || name == Frame::kMainLabel || FindFrame(name) ||
      (parent && parent->browser_ != this)) {
    return nullptr;
  }
  frames_.push_back(new Frame(this, id_, name, false));
  frames_.back()->parent_ = parent && !parent->IsMain() ? parent.get() : nullptr;
  return frames_.back();
}

void Browser::RemoveFrame(CefRefPtr<Frame> frame) {
  if (!frame || frame->IsMain() || frame->browser_ != this) {
    return;
  }
  frames_.erase(std::remove(frames_.begin(), frames_.end(), frame), frames_.end());
  frame->browser_ = nullptr;
  frame->parent_ = nullptr;
  frame->context_ = nullptr;
}

CefRefPtr<Frame> Browser::FindFrame(const std::string& label) const {
  for (const auto& frame : frames_) {
    if (frame->label() == label) {
      return frame;
    }
  }
  return nullptr;
}

void Browser::Destroy() {
  destroyed_ = true;
  for (const auto& frame : frames_) {
    frame->browser_ = nullptr;
    frame->context_ = nullptr;
  }
}

bool Browser::HasDocument() {
  // The main frame's document, when this process holds the main frame.
  return !destroyed_ && mainFrameAvailable_ && frames_.front()->hasDocument();
}

CefRefPtr<CefFrame> Browser::GetMainFrame() {
  return !destroyed_ && mainFrameAvailable_ ? CefRefPtr<CefFrame>(frames_.front()) : nullptr;
}

CefRefPtr<CefFrame> Browser::GetFrame(int64 identifier) {
  for (const auto& frame : frames_) {
    if (!destroyed_ && frame->GetIdentifier() == identifier) {
      return frame.get();
    }
  }
  return nullptr;
}

CefRefPtr<CefFrame> Browser::GetFrame(const CefString& name) {
  // An empty name asks for the main frame.
  if (name.empty()) {
    return GetMainFrame();
  }
  CefRefPtr<Frame> frame = destroyed_ ? nullptr : FindFrame(name.ToString());
  return frame && !frame->IsMain() ? CefRefPtr<CefFrame>(frame) : nullptr;
}

void Browser::GetFrameIdentifiers(std::vector<int64>& identifiers) {
  for (const auto& frame : destroyed_ ? std::vector<CefRefPtr<Frame>>() : frames_) {
    identifiers.push_back(frame->GetIdentifier());
  }
}

void Browser::GetFrameNames(std::vector<CefString>& names) {
  for (const auto& frame : destroyed_ ? std::vector<CefRefPtr<Frame>>() : frames_) {
    names.push_back(frame->GetName());
  }
}

}  // namespace cef_standin
