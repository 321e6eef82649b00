// A renderer process as CEF runs it, driven step by step: it asks the application for
// its render-process handler, starts WebKit, and then makes browsers, frames and V8
// contexts, runs page calls of window functions and delivers process messages, calling
// the handler as CEF does and logging what happens. The scenario player and the tests
// drive it; everything runs on the calling thread.
#ifndef CEF_STANDIN_STANDIN_RENDERER_PROCESS_H_
#define CEF_STANDIN_STANDIN_RENDERER_PROCESS_H_

#include <map>
#include <string>
#include <vector>

#include "include/cef_app.h"
#include "src/page/host.h"
#include "standin/browser.h"

namespace cef_standin {

// What a page's call of a window function came to.
struct CallResult {
  bool called = false;   // the window had a native function of that name
  bool handled = false;  // the handler's answer
  CefRefPtr<CefV8Value> retval;
  std::string exception;  // UTF-8; empty when nothing was thrown
};

// What the browser's side parsed of a page it serves (RendererProcess::AddPage): only as
// much as the stand-in's page model holds (src/page/dom.h).
struct PageSource {
  struct Part {
    enum class Kind { kScript, kFrame };
    Kind kind = Kind::kScript;
    std::u16string text;  // a script's source, or an iframe's src
    std::u16string id;    // an iframe's id
  };
  std::vector<Part> parts;    // the body's <script> and <iframe> elements, in document order
  std::u16string bodyOnload;  // <body onload="...">: run once the page has loaded
};

class RendererProcess : public PageHost {
 public:
  // GetRenderProcessHandler(), then OnWebKitInitialized().
  explicit RendererProcess(CefRefPtr<CefApp> app);
  // Releases every context still alive, as a closing renderer does.
  ~RendererProcess() override;
  RendererProcess(const RendererProcess&) = delete;
  RendererProcess& operator=(const RendererProcess&) = delete;

  CefRefPtr<CefRenderProcessHandler> handler() const { return handler_; }

  // A new browser with its main frame: OnBrowserCreated (with the extra info the browser
  // process gave it, if any). Null when the id is in use.
  CefRefPtr<Browser> CreateBrowser(int id, CefRefPtr<CefDictionaryValue> extraInfo = nullptr);
  CefRefPtr<Browser> FindBrowser(int id) const;
  // Releases the browser's contexts, calls OnBrowserDestroyed and detaches its frames.
  void DestroyBrowser(CefRefPtr<Browser> browser);

  // A new V8 context for the frame, entered while OnContextCreated runs. A context the
  // frame had before is released first.
  CefRefPtr<CefV8Context> CreateContext(CefRefPtr<Frame> frame);
  CefRefPtr<CefV8Context> ContextOf(CefRefPtr<Frame> frame) const;
  // OnContextReleased for the frame's context; false when it has none.
  bool ReleaseContext(CefRefPtr<Frame> frame);

  // Page script in the frame calls window[function](arguments...).
  CallResult Call(CefRefPtr<Frame> frame,
                  const std::string& function,
                  const CefV8ValueList& arguments);
  // The names of the window's own properties, sorted (enumerable or not).
  std::vector<std::string> GlobalNames(CefRefPtr<Frame> frame);

  // A message from another process arrives through the frame: OnProcessMessageReceived
  // (make the message with IncomingMessage). Returns the handler's answer.
  bool Deliver(CefRefPtr<Frame> frame, CefProcessId source, CefRefPtr<CefProcessMessage> message);

  // The renderer process of this process (the one made last that is still open), for the
  // page's script; null when none is.
  static RendererProcess* Current();

  // A page the frames of this renderer can load by its URL (a later one replaces it).
  void AddPage(const std::u16string& url, PageSource page);
  // Loads the page at `url` into the frame, as a document loads: the frame's URL, a new
  // context (OnContextCreated), the page's scripts and iframes in document order (each
  // iframe's page loaded into a new child frame before the next part), the body's
  // onload, and then the frame's load ends (TakeLoadEnd). A URL without a page gives an
  // empty document. What the page's scripts throw is reported as uncaught.
  void LoadPage(CefRefPtr<Frame> frame, const std::u16string& url);
  // A new child frame of `parent` (named `id` when that name is free) with the page at
  // `url` loaded; null when the browser is gone.
  CefRefPtr<Frame> LoadChildFrame(CefRefPtr<Frame> parent,
                                  const std::u16string& url,
                                  const std::u16string& id);
  // The frame leaves its browser (an iframe removed): its children first, then its own
  // context is released (OnContextReleased) and it is detached.
  void RemoveFrame(CefRefPtr<Frame> frame);
  // PageHost: the same two for a page's iframes.
  CefRefPtr<CefFrame> LoadChildPage(CefRefPtr<CefFrame> parent,
                                    const std::u16string& url,
                                    const std::u16string& id) override;
  void RemoveChildFrame(CefRefPtr<CefFrame> frame) override;
  // The next frame whose load ended, oldest first, for the browser's side; null when none.
  CefRefPtr<Frame> TakeLoadEnd();

  // Runs the tasks posted to the renderer thread (CefPostTask(TID_RENDERER, ...)),
  // oldest first, and those they post in turn; returns how many ran. The scenario
  // player runs them after every step; CEF runs them once the call that posted them
  // has returned. Tasks still queued when the process ends never run.
  size_t RunPostedTasks();

 private:
  CefRefPtr<CefRenderProcessHandler> handler_;
  std::map<int, CefRefPtr<Browser>> browsers_;
  std::vector<CefRefPtr<Frame>> framesWithContext_;
  std::map<std::u16string, PageSource> pages_;
  std::vector<CefRefPtr<Frame>> loadEnds_;
  RendererProcess* previous_ = nullptr;  // the renderer Current() was before this one
};

// Test helpers. Values as page script passes them, written as JSON (see the scenario
// steps in STANDIN.md): PageArguments("[\"a\", 2.5, true, {\"$\": \"undefined\"}]").
// They need no entered context. An empty list (or null value) for malformed input.
CefV8ValueList PageArguments(const std::string& jsonArray);
CefRefPtr<CefV8Value> PageValue(const std::string& json);
// The arguments of each call of a page function that ran (ExecuteFunction or
// ExecuteFunctionWithContext), as JSON arrays: [{"kind":"string","value":"ok"}].
std::vector<std::string> PageFunctionCalls(CefRefPtr<CefV8Value> function);
// A message as another process would send it, its arguments given as a JSON array.
CefRefPtr<CefProcessMessage> IncomingMessage(const std::string& name,
                                             const std::string& jsonArguments = "[]");
// A list as the event log writes it: [{"type":"string","value":"a"},{"type":"null"}].
std::string DescribeList(CefRefPtr<CefListValue> list);

}  // namespace cef_standin

#endif  // CEF_STANDIN_STANDIN_RENDERER_PROCESS_H_
