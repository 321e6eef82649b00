// The yardstick's test framework (tests/ceftests/test_handler.h and
// tests/shared/renderer/client_app_renderer.h): a test's browser and renderer in this
// one process, through the double's test door. CEF's wrapper turns the C structs the
// door deals in into its C++ objects and back (hence WRAPPING_CEF_SHARED here).
#define WRAPPING_CEF_SHARED

#include <windows.h>

#include <chrono>
#include <vector>

#include "include/cef_v8.h"
#include "libcef_dll/cpptoc/app_cpptoc.h"
#include "libcef_dll/ctocpp/browser_ctocpp.h"
#include "libcef_dll/ctocpp/dictionary_value_ctocpp.h"
#include "libcef_dll/ctocpp/frame_ctocpp.h"
#include "libcef_dll/ctocpp/process_message_ctocpp.h"
#include "test_door.h"
#include "tests/ceftests/test_handler.h"
#include "tests/shared/renderer/client_app_renderer.h"

using client::ClientAppRenderer;

// Defined by the renderer-side test files.
void CreateV8RendererTests(ClientAppRenderer::DelegateSet& delegates);

namespace {

// The renderer of the test under way (its application, for the renderer's load handler).
CefRefPtr<ClientAppRenderer> g_renderer_app;

// The bodies of the page's <script> elements, in document order.
std::vector<CefString> Scripts(const std::string& html) {
  std::vector<CefString> scripts;
  size_t at = 0;
  while ((at = html.find("<script", at)) != std::string::npos) {
    const size_t open = html.find('>', at);
    const size_t close = open == std::string::npos ? open : html.find("</script>", open);
    if (close == std::string::npos) {
      break;
    }
    scripts.push_back(html.substr(open + 1, close - open - 1));
    at = close;
  }
  return scripts;
}

// Carries one message a frame sent to the side it was sent to; false when none waits.
bool CarryOneMessage(TestHandler* handler) {
  cef_frame_t* frame = nullptr;
  cef_process_id_t target = PID_BROWSER;
  cef_process_message_t* message = cef_double_renderer_next_sent(&frame, &target);
  if (!message) {
    return false;
  }
  if (target == PID_RENDERER) {
    cef_double_renderer_deliver(frame, PID_BROWSER, message);
    return true;
  }
  CefRefPtr<CefFrame> from = CefFrameCToCpp::Wrap(frame);
  handler->OnProcessMessageReceived(from->GetBrowser(), from, PID_RENDERER,
                                    CefProcessMessageCToCpp::Wrap(message));
  return true;
}

}  // namespace

bool TestFailed() {
  return ::testing::Test::HasFailure();
}

void TestHandler::ExecuteTest() {
  g_renderer_app = new ClientAppRenderer();
  ASSERT_TRUE(cef_double_renderer_open(CefAppCppToC::Wrap(g_renderer_app.get())))
      << "a renderer is open already";
  const auto start = std::chrono::steady_clock::now();
  RunTest();
  bool timed_out = false;
  while (!destroyed_) {
    bool busy = cef_double_renderer_run_tasks() > 0;
    while (!destroyed_ && CarryOneMessage(this)) {
      busy = true;
    }
    if (busy) {
      continue;
    }
    const auto waited = std::chrono::steady_clock::now() - start;
    if (timeout_ms_ > 0 && waited > std::chrono::milliseconds(timeout_ms_)) {
      timed_out = true;
      break;
    }
    ::Sleep(1);
  }
  if (timed_out && timeout_is_error_) {
    ADD_FAILURE() << "the test timed out after " << timeout_ms_ << " ms";
  }
  if (browser_) {
    OnBeforeClose(browser_);
    cef_double_renderer_destroy(CefBrowserCToCpp::Unwrap(browser_));
    browser_ = nullptr;
  }
  cef_double_renderer_close();
  g_renderer_app = nullptr;
}

void TestHandler::CreateBrowser(const CefString& url,
                                CefRefPtr<CefRequestContext> /*request_context*/,
                                CefRefPtr<CefDictionaryValue> extra_info) {
  ASSERT_FALSE(browser_) << "the test framework runs one browser per test";
  auto found = resources_.find(url.ToString());
  const std::vector<CefString> scripts =
      found == resources_.end() ? std::vector<CefString>() : Scripts(found->second.content());
  std::vector<cef_string_t> bodies;
  for (const CefString& script : scripts) {
    bodies.push_back(*script.GetStruct());
  }
  browser_ = CefBrowserCToCpp::Wrap(
      cef_double_renderer_load(1, url.GetStruct(), bodies.empty() ? nullptr : bodies.data(),
                               bodies.size(), CefDictionaryValueCToCpp::Unwrap(extra_info)));
  ASSERT_TRUE(browser_) << "the double made no browser";
  CefRefPtr<CefFrame> frame = browser_->GetMainFrame();
  if (CefRefPtr<CefLoadHandler> renderer = g_renderer_app->GetDelegateLoadHandler()) {
    renderer->OnLoadEnd(browser_, frame, 200);
  }
  OnLoadEnd(browser_, frame, 200);
}

void TestHandler::AddResource(const std::string& url,
                              const std::string& content,
                              const std::string& mime_type) {
  AddResource(url, content, mime_type, ResourceContent::HeaderMap());
}

void TestHandler::AddResource(const std::string& url,
                              const std::string& content,
                              const std::string& mime_type,
                              const ResourceContent::HeaderMap& header_map) {
  resources_.erase(url);
  resources_.emplace(url, ResourceContent(content, mime_type, header_map));
}

void TestHandler::SetTestTimeout(int timeout_ms, bool treat_as_error) {
  timeout_ms_ = timeout_ms;
  timeout_is_error_ = treat_as_error;
}

namespace client {

ClientAppRenderer::ClientAppRenderer() {
  CreateV8RendererTests(delegates_);
}

CefRefPtr<CefLoadHandler> ClientAppRenderer::GetDelegateLoadHandler() {
  for (const auto& delegate : delegates_) {
    if (CefRefPtr<CefLoadHandler> handler = delegate->GetLoadHandler(this)) {
      return handler;
    }
  }
  return nullptr;
}

void ClientAppRenderer::OnWebKitInitialized() {
  for (const auto& delegate : delegates_) {
    delegate->OnWebKitInitialized(this);
  }
}

void ClientAppRenderer::OnBrowserCreated(CefRefPtr<CefBrowser> browser,
                                         CefRefPtr<CefDictionaryValue> extra_info) {
  for (const auto& delegate : delegates_) {
    delegate->OnBrowserCreated(this, browser, extra_info);
  }
}

void ClientAppRenderer::OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) {
  for (const auto& delegate : delegates_) {
    delegate->OnBrowserDestroyed(this, browser);
  }
}

void ClientAppRenderer::OnContextCreated(CefRefPtr<CefBrowser> browser,
                                         CefRefPtr<CefFrame> frame,
                                         CefRefPtr<CefV8Context> context) {
  for (const auto& delegate : delegates_) {
    delegate->OnContextCreated(this, browser, frame, context);
  }
}

void ClientAppRenderer::OnContextReleased(CefRefPtr<CefBrowser> browser,
                                          CefRefPtr<CefFrame> frame,
                                          CefRefPtr<CefV8Context> context) {
  for (const auto& delegate : delegates_) {
    delegate->OnContextReleased(this, browser, frame, context);
  }
}

void ClientAppRenderer::OnUncaughtException(CefRefPtr<CefBrowser> browser,
                                            CefRefPtr<CefFrame> frame,
                                            CefRefPtr<CefV8Context> context,
                                            CefRefPtr<CefV8Exception> exception,
                                            CefRefPtr<CefV8StackTrace> stackTrace) {
  for (const auto& delegate : delegates_) {
    delegate->OnUncaughtException(this, browser, frame, context, exception, stackTrace);
  }
}

bool ClientAppRenderer::OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                                 CefRefPtr<CefFrame> frame,
                                                 CefProcessId source_process,
                                                 CefRefPtr<CefProcessMessage> message) {
  bool handled = false;
  for (const auto& delegate : delegates_) {
    handled = handled ||
              delegate->OnProcessMessageReceived(this, browser, frame, source_process, message);
  }
  return handled;
}

}  // namespace client
