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

// The browser's side of a page: its HTML parsed only as far as the renderer's page model
// goes (the double's cef_double_renderer_add_page): the body's onload attribute and the
// <script> bodies and <iframe> src and id attributes, in document order. No entities,
// comments, nesting or unquoted attributes: the tests' pages have none.
struct ParsedPage {
  std::string body_onload;
  std::vector<CefString> parts;
  std::vector<int> is_frame;
  std::vector<CefString> frame_ids;
};

// The quoted value of the attribute `name` in the tag text, or "".
std::string Attribute(const std::string& tag, const std::string& name) {
  size_t at = 0;
  while ((at = tag.find(name + "=", at)) != std::string::npos) {
    const bool starts = at > 0 && (tag[at - 1] == ' ' || tag[at - 1] == '\n');
    const size_t quote = at + name.size() + 1;
    if (starts && quote < tag.size() && (tag[quote] == '"' || tag[quote] == '\'')) {
      const size_t end = tag.find(tag[quote], quote + 1);
      if (end != std::string::npos) {
        return tag.substr(quote + 1, end - quote - 1);
      }
    }
    at = quote;
  }
  return std::string();
}

ParsedPage Parse(const std::string& html) {
  ParsedPage page;
  size_t at = 0;
  while ((at = html.find('<', at)) != std::string::npos) {
    const size_t close = html.find('>', at);
    if (close == std::string::npos) {
      break;
    }
    const std::string tag = html.substr(at, close - at);
    if (tag.compare(0, 5, "<body") == 0) {
      page.body_onload = Attribute(tag, "onload");
    } else if (tag.compare(0, 7, "<iframe") == 0) {
      page.parts.push_back(Attribute(tag, "src"));
      page.is_frame.push_back(1);
      page.frame_ids.push_back(Attribute(tag, "id"));
    } else if (tag.compare(0, 7, "<script") == 0) {
      const size_t end = html.find("</script>", close);
      if (end == std::string::npos) {
        break;
      }
      page.parts.push_back(html.substr(close + 1, end - close - 1));
      page.is_frame.push_back(0);
      page.frame_ids.push_back(CefString());
      at = end;
      continue;
    }
    at = close;
  }
  return page;
}

// The string's struct, lent; an empty string has none of its own.
cef_string_t Struct(const CefString& text) {
  return text.empty() ? cef_string_t{} : *text.GetStruct();
}

// Hands the page to the renderer, for any of its frames to load.
void AddPage(const std::string& url, const std::string& html) {
  const ParsedPage page = Parse(html);
  std::vector<cef_string_t> parts(page.parts.size());
  std::vector<cef_string_t> ids(page.parts.size());
  for (size_t i = 0; i < page.parts.size(); ++i) {
    parts[i] = Struct(page.parts[i]);
    ids[i] = Struct(page.frame_ids[i]);
  }
  const CefString address(url);
  const CefString onload(page.body_onload);
  cef_double_renderer_add_page(address.GetStruct(), onload.GetStruct(),
                               parts.empty() ? nullptr : parts.data(),
                               page.is_frame.empty() ? nullptr : page.is_frame.data(),
                               ids.empty() ? nullptr : ids.data(), parts.size());
}

// Tells the test's handler that one frame's load ended (the renderer's load handler has
// heard it from the double); false when none did.
bool EndOneLoad(TestHandler* handler) {
  cef_frame_t* ended = cef_double_renderer_next_load_end();
  if (!ended) {
    return false;
  }
  CefRefPtr<CefFrame> frame = CefFrameCToCpp::Wrap(ended);
  CefRefPtr<CefBrowser> browser = frame->GetBrowser();
  if (!browser) {
    return true;  // the frame went meanwhile
  }
  handler->OnLoadEnd(browser, frame, 200);
  return true;
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
    while (!destroyed_ && EndOneLoad(this)) {
      busy = true;
    }
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
  for (const auto& resource : resources_) {
    AddPage(resource.first, resource.second.content());
  }
  browser_ = CefBrowserCToCpp::Wrap(
      cef_double_renderer_load(1, url.GetStruct(), CefDictionaryValueCToCpp::Unwrap(extra_info)));
  ASSERT_TRUE(browser_) << "the double made no browser";
  // OnLoadEnd follows from the test's loop, for each frame as its load ends.
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

CefRefPtr<CefLoadHandler> ClientAppRenderer::GetLoadHandler() {
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
