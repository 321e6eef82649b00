// A bridge call: Execute with three arguments, up to the process message sent through
// the stand-in's main frame. Beside it, the floor: the same message built from constants
// and sent, which any bridge has to pay.
#include <benchmark/benchmark.h>

#include <memory>

#include "cef/ZeltoCefApp.h"
#include "include/cef_process_message.h"
#include "src/v8/run.h"
#include "standin/browser.h"
#include "standin/renderer_process.h"

namespace bench {
namespace {

using EmbeddedBrowser::CEF::Core::ZeltoCefApp;

// Calls between two fresh renderers: the stand-in's frame keeps every message sent.
constexpr int64_t kCallsPerRenderer = 4096;

// A renderer with one browser and a V8 context in its main frame.
struct Renderer {
  CefRefPtr<ZeltoCefApp> app = new ZeltoCefApp("C:\\X");
  cef_standin::RendererProcess process{app.get()};
  CefRefPtr<cef_standin::Browser> browser = process.CreateBrowser(1);
  CefRefPtr<cef_standin::Frame> main = browser->mainFrame();
  CefRefPtr<CefV8Value> window = process.CreateContext(main)->GetGlobal();
  CefV8ValueList arguments = cef_standin::PageArguments(R"(["a", 2.5, true])");
  CefString name = CefString("filesDropped");
};

template <typename Call>
void measureCalls(benchmark::State& state, Call call) {
  auto renderer = std::make_unique<Renderer>();
  int64_t calls = 0;
  for (auto _ : state) {
    call(*renderer);
    if (++calls % kCallsPerRenderer == 0) {
      state.PauseTiming();
      renderer = std::make_unique<Renderer>();
      state.ResumeTiming();
    }
  }
  if (renderer->main->sent().empty() && calls > 0) {
    state.SkipWithError("no message was sent");
  }
}

void BM_Bridge_Execute(benchmark::State& state) {
  measureCalls(state, [](Renderer& renderer) {
    CefRefPtr<CefV8Value> retval;
    CefString exception;
    const bool handled = renderer.app->Execute(renderer.name, renderer.window, renderer.arguments,
                                               retval, exception);
    benchmark::DoNotOptimize(handled);
  });
}
BENCHMARK(BM_Bridge_Execute);

void BM_Bridge_Floor(benchmark::State& state) {
  measureCalls(state, [](Renderer& renderer) {
    CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(renderer.name);
    CefRefPtr<CefListValue> list = message->GetArgumentList();
    list->SetString(0, "a");
    list->SetDouble(1, 2.5);
    list->SetBool(2, true);
    renderer.main->SendProcessMessage(PID_BROWSER, message);
  });
}
BENCHMARK(BM_Bridge_Floor);

// The same call as a page makes it: a scenario's call step (the stand-in's own call of the
// window function), against a page script that the engine compiles and runs.
void BM_Bridge_CallStep(benchmark::State& state) {
  measureCalls(state, [](Renderer& renderer) {
    benchmark::DoNotOptimize(
        renderer.process.Call(renderer.main, "filesDropped", renderer.arguments));
  });
}
BENCHMARK(BM_Bridge_CallStep);

void BM_Bridge_PageScript(benchmark::State& state) {
  measureCalls(state, [](Renderer& renderer) {
    const cef_standin::script::RunResult run = cef_standin::script::RunInFrame(
        renderer.main.get(), u"filesDropped('a', 2.5, true)", u"bench.js");
    benchmark::DoNotOptimize(run.outcome);
  });
}
BENCHMARK(BM_Bridge_PageScript);

}  // namespace
}  // namespace bench
