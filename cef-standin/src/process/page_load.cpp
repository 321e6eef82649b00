// A renderer's pages as a document loads them: a frame's URL, its context, the page's
// scripts and iframes in document order, the body's onload, and the end of the load.
#include <algorithm>

#include "base/event_log.h"
#include "base/utf.h"
#include "page/dom.h"
#include "standin/renderer_process.h"
#include "v8/run.h"
#include "v8/uncaught_exception.h"

namespace cef_standin {
namespace {

// A page's own script, run as the parser meets it: a throw is uncaught, and stops only
// that script.
void RunParsedScript(CefRefPtr<Frame> frame,
                     const std::u16string& source,
                     const std::u16string& url) {
  CefRefPtr<CefV8Context> context = frame->GetV8Context();
  ReportUncaughtException(
      context, script::RunInContext(context, source, url, 1, script::Engine::Get().limits()));
}

}  // namespace

void RendererProcess::AddPage(const std::u16string& url, PageSource page) {
  pages_[url] = std::move(page);
}

void RendererProcess::LoadPage(CefRefPtr<Frame> frame, const std::u16string& url) {
  if (!frame || !frame->IsValid()) {
    return;
  }
  frame->LoadURL(url);
  if (!CreateContext(frame)) {
    return;
  }
  auto found = pages_.find(url);
  // A copy: the page's script may add pages.
  const PageSource page = found == pages_.end() ? PageSource() : found->second;
  for (const PageSource::Part& part : page.parts) {
    if (!frame->GetV8Context()) {
      return;  // a script of the page ended it
    }
    if (part.kind == PageSource::Part::Kind::kScript) {
      RunParsedScript(frame, part.text, url);
    } else {
      AppendParsedFrame(frame, part.id, part.text);
    }
  }
  if (!page.bodyOnload.empty() && frame->GetV8Context()) {
    RunParsedScript(frame, page.bodyOnload, url);
  }
  if (!frame->IsValid()) {
    return;
  }
  // As CEF once the document has loaded: the renderer's load handler, then the browser's.
  loadEnds_.push_back(frame);
  CefRefPtr<CefLoadHandler> loadHandler = handler_ ? handler_->GetLoadHandler() : nullptr;
  if (loadHandler) {
    loadHandler->OnLoadEnd(frame->GetBrowser(), frame.get(), 200);
  }
  LogEvent({{"event", "OnLoadEnd"},
            {"browser", frame->browserId()},
            {"frame", frame->label()},
            {"url", Utf16ToUtf8(url.data(), url.size())}});
}

CefRefPtr<Frame> RendererProcess::LoadChildFrame(CefRefPtr<Frame> parent,
                                                 const std::u16string& url,
                                                 const std::u16string& id) {
  CefRefPtr<CefBrowser> owner = parent ? parent->GetBrowser() : nullptr;
  auto* browser = dynamic_cast<Browser*>(owner.get());
  if (!browser) {
    return nullptr;
  }
  // Named for its element's id when that name is free, else for its place.
  std::string name = Utf16ToUtf8(id.data(), id.size());
  for (int n = static_cast<int>(browser->frames().size());
       name.empty() || browser->FindFrame(name) || name == Frame::kMainLabel; ++n) {
    name = "frame-" + std::to_string(n);
  }
  CefRefPtr<Frame> child = browser->AddFrame(name, parent);
  if (child) {
    LoadPage(child, url);
  }
  return child;
}

void RendererProcess::RemoveFrame(CefRefPtr<Frame> frame) {
  CefRefPtr<CefBrowser> owner = frame ? frame->GetBrowser() : nullptr;
  auto* browser = dynamic_cast<Browser*>(owner.get());
  if (!browser || frame->IsMain()) {
    return;
  }
  // Its own children go first.
  const std::vector<CefRefPtr<Frame>> frames = browser->frames();
  for (const CefRefPtr<Frame>& other : frames) {
    CefRefPtr<CefFrame> parent = other->GetParent();
    if (parent && parent->GetIdentifier() == frame->GetIdentifier() && other != frame) {
      RemoveFrame(other);
    }
  }
  ReleaseContext(frame);
  loadEnds_.erase(std::remove(loadEnds_.begin(), loadEnds_.end(), frame), loadEnds_.end());
  browser->RemoveFrame(frame);
}

CefRefPtr<CefFrame> RendererProcess::LoadChildPage(CefRefPtr<CefFrame> parent,
                                                   const std::u16string& url,
                                                   const std::u16string& id) {
  return LoadChildFrame(dynamic_cast<Frame*>(parent.get()), url, id).get();
}

void RendererProcess::RemoveChildFrame(CefRefPtr<CefFrame> frame) {
  RemoveFrame(dynamic_cast<Frame*>(frame.get()));
}

CefRefPtr<Frame> RendererProcess::TakeLoadEnd() {
  if (loadEnds_.empty()) {
    return nullptr;
  }
  CefRefPtr<Frame> frame = loadEnds_.front();
  loadEnds_.erase(loadEnds_.begin());
  return frame;
}

}  // namespace cef_standin
