// "getDocumentBody" on a page whose body holds 10 MiB of text: the time from the message
// received to the reply sent, and the most heap memory held at once in between. Beside
// it, two floors: the stand-in's own work for any reply (the visit, the body's text, the
// reply's list, the send), and copying the text once; and what lies between ours and the
// stand-in's floor: the text's way to UTF-8 for the visitor's callback and back.
#include <benchmark/benchmark.h>

#include <string>

#include "AllocationCounter.h"
#include "cef/ZeltoCefApp.h"
#include "include/cef_dom.h"
#include "include/cef_process_message.h"
#include "standin/browser.h"
#include "standin/renderer_process.h"

namespace bench {
namespace {

using EmbeddedBrowser::CEF::Core::ZeltoCefApp;

constexpr size_t kBodyCharacters = 10 * 1024 * 1024;

// Page text: words and line breaks, ASCII like most pages.
const std::u16string& bodyText() {
  static const std::u16string text = [] {
    const std::u16string line = u"The quick brown fox jumps over the lazy dog, 0123456789.\n";
    std::u16string built;
    built.reserve(kBodyCharacters);
    while (built.size() + line.size() <= kBodyCharacters) {
      built += line;
    }
    built.append(kBodyCharacters - built.size(), u'x');
    return built;
  }();
  return text;
}

// A renderer with a page of that text; each request gets a browser of its own, so no
// reply of an earlier one is still held by its frame.
class Page {
 public:
  Page() : mProcess(mApp.get()) {}

  CefRefPtr<cef_standin::Frame> open() {
    mBrowser = mProcess.CreateBrowser(++mBrowserId);
    mBrowser->mainFrame()->SetBodyText(bodyText());
    return mBrowser->mainFrame();
  }
  void close() {
    mProcess.DestroyBrowser(mBrowser);
    mBrowser = nullptr;
  }
  ZeltoCefApp& app() { return *mApp; }
  CefRefPtr<cef_standin::Browser> browser() { return mBrowser; }

 private:
  CefRefPtr<ZeltoCefApp> mApp = new ZeltoCefApp("C:\\X");
  cef_standin::RendererProcess mProcess;
  CefRefPtr<cef_standin::Browser> mBrowser;
  int mBrowserId = 0;
};

// Times `request(page, frame, message)` once per iteration, with the page set up and torn
// down outside the timing, and reports the peak of heap bytes held during the request.
template <typename Request>
void measureRequests(benchmark::State& state, Request request) {
  Page page;
  CefRefPtr<CefProcessMessage> message =
      cef_standin::IncomingMessage("getDocumentBody", R"(["17"])");
  int64_t peak = 0;
  bool replied = true;
  for (auto _ : state) {
    state.PauseTiming();
    CefRefPtr<cef_standin::Frame> frame = page.open();
    startPeakTracking();
    state.ResumeTiming();
    request(page, frame, message);
    state.PauseTiming();
    peak = std::max(peak, stopPeakTracking());
    const auto& sent = frame->sent();
    replied =
        replied && sent.size() == 1 && sent[0].arguments->GetString(1).length() == kBodyCharacters;
    frame = nullptr;
    page.close();
    state.ResumeTiming();
  }
  if (!replied) {
    state.SkipWithError("no reply with the whole text was sent");
  }
  state.counters["peak_MiB"] = static_cast<double>(peak) / (1024.0 * 1024.0);
  state.SetBytesProcessed(state.iterations() * kBodyCharacters);
}

void BM_DocumentBody_Quorvane(benchmark::State& state) {
  measureRequests(state, [](Page& page, CefRefPtr<cef_standin::Frame> frame,
                            CefRefPtr<CefProcessMessage> message) {
    page.app().OnProcessMessageReceived(page.browser(), frame, PID_BROWSER, message);
  });
}
BENCHMARK(BM_DocumentBody_Quorvane)->Unit(benchmark::kMillisecond)->UseRealTime();

// The least any reply costs with the stand-in: the body's text as CEF hands it out,
// put into the reply as it is, and sent.
class FloorVisitor : public CefDOMVisitor {
 public:
  FloorVisitor(CefRefPtr<CefFrame> frame, CefRefPtr<CefProcessMessage> request)
      : mFrame(frame), mRequest(request) {}

  void Visit(CefRefPtr<CefDOMDocument> document) override {
    CefRefPtr<CefProcessMessage> reply = CefProcessMessage::Create("getDocumentFinished");
    reply->GetArgumentList()->SetString(0, mRequest->GetArgumentList()->GetString(0));
    reply->GetArgumentList()->SetString(1, document->GetBody()->GetElementInnerText());
    mFrame->SendProcessMessage(PID_BROWSER, reply);
  }

 private:
  CefRefPtr<CefFrame> mFrame;
  CefRefPtr<CefProcessMessage> mRequest;
  IMPLEMENT_REFCOUNTING(FloorVisitor);
};

void BM_DocumentBody_Floor(benchmark::State& state) {
  measureRequests(
      state, [](Page&, CefRefPtr<cef_standin::Frame> frame, CefRefPtr<CefProcessMessage> message) {
        frame->VisitDOM(new FloorVisitor(frame, message));
      });
}
BENCHMARK(BM_DocumentBody_Floor)->Unit(benchmark::kMillisecond)->UseRealTime();

// The two conversions of the visitor's UTF-8 text, with CEF's string functions: the
// body's text to UTF-8, and that to a CEF string for the reply.
void BM_DocumentBody_Conversions(benchmark::State& state) {
  const CefString text(bodyText());
  int64_t peak = 0;
  for (auto _ : state) {
    startPeakTracking();
    const std::string utf8 = text.ToString();
    const CefString back(utf8);
    benchmark::DoNotOptimize(back.c_str());
    peak = std::max(peak, stopPeakTracking());
  }
  state.counters["peak_MiB"] = static_cast<double>(peak) / (1024.0 * 1024.0);
  state.SetBytesProcessed(state.iterations() * kBodyCharacters);
}
BENCHMARK(BM_DocumentBody_Conversions)->Unit(benchmark::kMillisecond)->UseRealTime();

// Copying the text once, as UTF-16, into memory of its own.
void BM_DocumentBody_CopyOnce(benchmark::State& state) {
  const std::u16string& text = bodyText();
  int64_t peak = 0;
  for (auto _ : state) {
    startPeakTracking();
    std::u16string copy(text);
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
    peak = std::max(peak, stopPeakTracking());
  }
  state.counters["peak_MiB"] = static_cast<double>(peak) / (1024.0 * 1024.0);
  state.SetBytesProcessed(state.iterations() * kBodyCharacters);
}
BENCHMARK(BM_DocumentBody_CopyOnce)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace bench
