// The engine half of the yardstick's door (test_door.h): one renderer in this process,
// run by the stand-in's RendererProcess on the thread that opens it, which is then the
// renderer thread (TID_RENDERER). Not part of CEF: CEF's own tests reach a renderer
// through a browser, which the double does not run.
#include <memory>
#include <mutex>
#include <utility>

#include "base/utf.h"
#include "handles.h"
#include "script/engine.h"
#include "standin/renderer_process.h"
#include "values/process_message.h"
#include "values/values.h"

namespace cef_double {
namespace {

using cef_standin::Browser;
using cef_standin::Frame;
using cef_standin::RendererProcess;

struct Door {
  std::unique_ptr<RendererProcess> renderer;
  std::vector<CefRefPtr<Browser>> browsers;
  // For each frame, how many of the messages it sent were handed on already.
  std::vector<std::pair<CefRefPtr<Frame>, size_t>> read;
};

Door& door() {
  static auto* d = new Door();  // never destroyed: a renderer left open ends with the process
  return *d;
}

size_t& ReadOf(const CefRefPtr<Frame>& frame) {
  for (auto& [known, count] : door().read) {
    if (known == frame) {
      return count;
    }
  }
  door().read.emplace_back(frame, 0);
  return door().read.back().second;
}

}  // namespace

bool DoorOpen(Exe* app) {
  if (door().renderer) {
    if (app) {
      ExeRelease(app);
    }
    return false;
  }
  door().renderer = std::make_unique<RendererProcess>(AppOfExe(app));
  return true;
}

void DoorAddPage(const std::u16string& url,
                 const std::u16string& bodyOnload,
                 const std::vector<DoorPart>& parts) {
  if (!door().renderer) {
    return;
  }
  cef_standin::PageSource page;
  page.bodyOnload = bodyOnload;
  for (const DoorPart& part : parts) {
    cef_standin::PageSource::Part own;
    own.kind = part.frame ? cef_standin::PageSource::Part::Kind::kFrame
                          : cef_standin::PageSource::Part::Kind::kScript;
    own.text = part.text;
    own.id = part.id;
    page.parts.push_back(std::move(own));
  }
  door().renderer->AddPage(url, std::move(page));
}

Obj* DoorLoad(int browserId, const std::u16string& url, Obj* extraInfo) {
  Door& d = door();
  if (!d.renderer) {
    return nullptr;
  }
  CefRefPtr<Browser> browser =
      d.renderer->CreateBrowser(browserId, As<CefDictionaryValue>(extraInfo));
  if (!browser) {
    return nullptr;
  }
  d.browsers.push_back(browser);
  d.renderer->LoadPage(browser->mainFrame(), url);
  return Give(browser);
}

Obj* DoorNextLoadEnd() {
  CefRefPtr<Frame> frame = door().renderer ? door().renderer->TakeLoadEnd() : nullptr;
  return frame ? Give(frame) : nullptr;
}

size_t DoorRunTasks() {
  return door().renderer ? door().renderer->RunPostedTasks() : 0;
}

Obj* DoorNextSent(Obj** frameOut, int* target) {
  for (const CefRefPtr<Browser>& browser : door().browsers) {
    for (const CefRefPtr<Frame>& frame : browser->frames()) {
      size_t& read = ReadOf(frame);
      if (read >= frame->sent().size()) {
        continue;
      }
      const cef_standin::SentMessage& sent = frame->sent()[read++];
      // What arrives on the other side: a read-only copy of what left.
      CefRefPtr<cef_standin::ListValue> arguments;
      {
        std::lock_guard<std::recursive_mutex> lock(cef_standin::ValuesLock());
        auto* own = static_cast<cef_standin::ListValue*>(sent.arguments.get());
        arguments = own && own->node() ? new cef_standin::ListValue(own->node()->Clone())
                                       : new cef_standin::ListValue();
      }
      CefRefPtr<CefProcessMessage> message =
          new cef_standin::ProcessMessage(cef_standin::Utf8ToUtf16(sent.name), arguments, true);
      *frameOut = Give(frame);
      *target = static_cast<int>(sent.target);
      return Give(message);
    }
  }
  return nullptr;
}

bool DoorDeliver(Obj* frame, int source, Obj* message) {
  Frame* own = As<Frame>(frame);
  if (!door().renderer || !own) {
    return false;
  }
  return door().renderer->Deliver(own, static_cast<CefProcessId>(source),
                                  As<CefProcessMessage>(message));
}

void DoorDestroy(Obj* browser) {
  if (door().renderer) {
    door().renderer->DestroyBrowser(As<Browser>(browser));
  }
}

void DoorClose() {
  Door& d = door();
  d.read.clear();
  d.browsers.clear();
  d.renderer.reset();
}

}  // namespace cef_double
