// The stand-in's browsers and frames, as a renderer process sees them. Each browser has
// a main frame (labelled "main") and any number of nested frames; each frame has a
// document whose body text can be set, and keeps the process messages sent through it.
#ifndef CEF_STANDIN_STANDIN_BROWSER_H_
#define CEF_STANDIN_STANDIN_BROWSER_H_

#include <optional>
#include <string>
#include <vector>

#include "include/cef_browser.h"
#include "include/cef_frame.h"
#include "include/cef_v8.h"
#include "src/base/frame_identity.h"

namespace cef_standin {

class Browser;

// One message that left through a frame, with the arguments it carried.
struct SentMessage {
  CefProcessId target;
  std::string name;  // UTF-8
  CefRefPtr<CefListValue> arguments;
};

class Frame : public CefFrame, public FrameIdentity {
 public:
  // The body's textContent is now `text` (as GetElementInnerText gives it: script and
  // hidden text included, no layout line breaks); no text leaves the document without a body.
  void SetBodyText(std::optional<std::u16string> text) { bodyText_ = std::move(text); }
  // Without a document, VisitDOM calls no visitor at all.
  void SetHasDocument(bool hasDocument) { hasDocument_ = hasDocument; }
  bool hasDocument() const { return hasDocument_; }
  const std::optional<std::u16string>& bodyText() const { return bodyText_; }
  // Everything sent through this frame, oldest first.
  const std::vector<SentMessage>& sent() const { return sent_; }
  // The frame's current V8 context (set by the renderer as contexts come and go).
  void SetV8Context(CefRefPtr<CefV8Context> context) {
    context_ = context;
    hadContext_ = hadContext_ || context.get() != nullptr;
  }
  // VisitDOM runs the visitor at once, as CEF 92 does. For tests of code that must not
  // rely on that, and only there (CEF 92 never defers a visit): while deferred, VisitDOM
  // only queues the visitor; the queued visits run on RunDeferredDomVisits (against the
  // document as it is then; a detached frame lets them go unrun). Returns how many ran.
  void DeferDomVisits(bool defer) { deferDomVisits_ = defer; }
  size_t RunDeferredDomVisits();

  bool IsValid() override { return browser_ != nullptr; }
  void LoadURL(const CefString& url) override { url_ = url.ToString16(); }
  void ExecuteJavaScript(const CefString& code,
                         const CefString& script_url,
                         int start_line) override;
  bool IsMain() override { return main_; }
  bool IsFocused() override { return main_; }
  CefString GetName() override;
  int64 GetIdentifier() override { return id_; }
  CefRefPtr<CefFrame> GetParent() override;
  CefString GetURL() override { return url_; }
  CefRefPtr<CefBrowser> GetBrowser() override;
  CefRefPtr<CefV8Context> GetV8Context() override { return context_; }
  void VisitDOM(CefRefPtr<CefDOMVisitor> visitor) override;
  void SendProcessMessage(CefProcessId target_process,
                          CefRefPtr<CefProcessMessage> message) override;

 private:
  friend class Browser;
  Frame(Browser* browser, int browserId, const std::string& label, bool main);
  ~Frame() override = default;
  void RunVisit(CefRefPtr<CefDOMVisitor> visitor);

  // What ExecuteJavaScript asked for before the frame's first context, run once it is made.
  struct QueuedScript {
    CefString code;
    CefString url;
    int line;
  };
  friend class RendererProcess;
  void RunQueuedJavaScript();

  Browser* browser_;         // the owner; null once the frame is detached
  Frame* parent_ = nullptr;  // a nested frame's parent (its browser keeps it alive)
  bool hadContext_ = false;
  std::vector<QueuedScript> queuedScripts_;
  const bool main_;
  const int64 id_;
  std::u16string url_ = u"about:blank";
  std::optional<std::u16string> bodyText_ = std::u16string();
  bool hasDocument_ = true;
  std::vector<SentMessage> sent_;
  CefRefPtr<CefV8Context> context_;
  bool deferDomVisits_ = false;
  std::vector<CefRefPtr<CefDOMVisitor>> deferredVisits_;

  IMPLEMENT_REFCOUNTING(Frame);
};

class Browser : public CefBrowser {
 public:
  static CefRefPtr<Browser> Create(int id);

  // A nested frame, a child of `parent` (null: of the main frame); null when the name is
  // taken (or is "main") or the browser is gone.
  CefRefPtr<Frame> AddFrame(const std::string& name, CefRefPtr<Frame> parent = nullptr);
  // The nested frame leaves the browser and is detached (its context must be gone).
  void RemoveFrame(CefRefPtr<Frame> frame);
  // By label: "main" or a nested frame's name.
  CefRefPtr<Frame> FindFrame(const std::string& label) const;
  // The main frame, also while GetMainFrame() does not hand it out.
  CefRefPtr<Frame> mainFrame() const { return frames_.front(); }
  const std::vector<CefRefPtr<Frame>>& frames() const { return frames_; }
  // While unavailable, the main frame lives in another renderer process (a cross-site
  // main frame): GetMainFrame() answers null and HasDocument() false.
  void SetMainFrameAvailable(bool available) { mainFrameAvailable_ = available; }
  bool mainFrameAvailable() const { return mainFrameAvailable_; }
  // The browser is gone: its frames are detached and GetMainFrame() answers null.
  void Destroy();
  bool destroyed() const { return destroyed_; }

  bool IsValid() override { return !destroyed_; }
  bool CanGoBack() override { return false; }
  void GoBack() override {}
  bool CanGoForward() override { return false; }
  void GoForward() override {}
  bool IsLoading() override { return false; }
  void Reload() override {}
  void ReloadIgnoreCache() override {}
  void StopLoad() override {}
  int GetIdentifier() override { return id_; }
  bool IsSame(CefRefPtr<CefBrowser> that) override { return that.get() == this; }
  bool IsPopup() override { return false; }
  bool HasDocument() override;
  CefRefPtr<CefFrame> GetMainFrame() override;
  CefRefPtr<CefFrame> GetFocusedFrame() override { return GetMainFrame(); }
  CefRefPtr<CefFrame> GetFrame(int64 identifier) override;
  CefRefPtr<CefFrame> GetFrame(const CefString& name) override;
  size_t GetFrameCount() override { return destroyed_ ? 0 : frames_.size(); }
  void GetFrameIdentifiers(std::vector<int64>& identifiers) override;
  void GetFrameNames(std::vector<CefString>& names) override;

 private:
  explicit Browser(int id);
  ~Browser() override;

  const int id_;
  std::vector<CefRefPtr<Frame>> frames_;  // the main frame first
  bool mainFrameAvailable_ = true;
  bool destroyed_ = false;

  IMPLEMENT_REFCOUNTING(Browser);
};

}  // namespace cef_standin

#endif  // CEF_STANDIN_STANDIN_BROWSER_H_
