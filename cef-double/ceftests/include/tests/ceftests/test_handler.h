// The yardstick's stand-in for CEF's browser test framework. A test's handler plays the
// browser process's client; its browser lives in a renderer of the double opened in
// this same process (the double's test door, cef-double/include/test_door.h), on the
// thread that runs the test, which is then also the renderer thread. ExecuteTest opens
// that renderer with the test client's renderer application (client_app_renderer.h),
// runs RunTest, and then, until the test calls DestroyTest or its time-out passes, runs
// the renderer's tasks and carries the process messages the frames send between the
// renderer's delegates and the handler, one at a time, as tasks of that one thread.
//
// What CEF's framework does with a real browser and this one cannot: pages are the
// resources the test added (their <script> bodies run in the main frame's context;
// nested frames, response headers and navigation are not modelled), and the handler
// sees the renderer's browser and frame objects themselves.
#ifndef CEF_DOUBLE_CEFTESTS_TEST_HANDLER_H_
#define CEF_DOUBLE_CEFTESTS_TEST_HANDLER_H_

#include <map>
#include <string>

#include "include/base/cef_bind.h"
#include "include/cef_client.h"
#include "include/cef_life_span_handler.h"
#include "include/cef_load_handler.h"
#include "include/cef_request_context.h"
#include "include/cef_task.h"
#include "include/cef_values.h"
#include "tests/ceftests/track_callback.h"
#include "tests/gtest/include/gtest/gtest.h"

// Posts a task to the thread and returns once it has run there (fails the test when the
// thread takes no tasks, or has not run it within half a minute).
void WaitForThread(CefThreadId thread_id, int64 delay_ms = 0);
#define WaitForUIThread() WaitForThread(TID_UI)
#define WaitForIOThread() WaitForThread(TID_IO)

class ResourceContent {
 public:
  typedef std::multimap<std::string, std::string> HeaderMap;

  ResourceContent(const std::string& content,
                  const std::string& mime_type,
                  const HeaderMap& header_map)
      : content_(content), mime_type_(mime_type), header_map_(header_map) {}

  const std::string& content() const { return content_; }
  const std::string& mimeType() const { return mime_type_; }
  const HeaderMap& headerMap() const { return header_map_; }

 private:
  std::string content_;
  std::string mime_type_;
  HeaderMap header_map_;
};

class TestHandler : public CefClient, public CefLifeSpanHandler, public CefLoadHandler {
 public:
  virtual void RunTest() = 0;

  // Runs the test to its end (see above). Fails it when it times out.
  void ExecuteTest();

  CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
  CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }
  void OnBeforeClose(CefRefPtr<CefBrowser> /*browser*/) override {}

  // The test's browser, while it lives.
  CefRefPtr<CefBrowser> GetBrowser() const { return browser_; }

 protected:
  // Loads `url` in a new browser: the renderer's OnBrowserCreated with extra_info, the
  // main frame's context, the page's scripts and child frames (each resource added is a
  // page any frame may load); then, from the test's loop, OnLoadEnd in the renderer's
  // load handler and in this handler for each frame whose load ended, children first.
  void CreateBrowser(const CefString& url,
                     CefRefPtr<CefRequestContext> request_context = nullptr,
                     CefRefPtr<CefDictionaryValue> extra_info = nullptr);
  void AddResource(const std::string& url,
                   const std::string& content,
                   const std::string& mime_type);
  void AddResource(const std::string& url,
                   const std::string& content,
                   const std::string& mime_type,
                   const ResourceContent::HeaderMap& header_map);
  // Fails the test if it has not called DestroyTest after this long.
  void SetTestTimeout(int timeout_ms = 5000, bool treat_as_error = true);
  // Ends the test: ExecuteTest closes the browser and returns.
  virtual void DestroyTest() { destroyed_ = true; }

 private:
  std::map<std::string, ResourceContent> resources_;
  CefRefPtr<CefBrowser> browser_;
  bool destroyed_ = false;
  int timeout_ms_ = 0;
  bool timeout_is_error_ = true;
};

template <typename T>
void ReleaseAndWaitForDestructor(CefRefPtr<T>& handler) {
  handler = nullptr;
}

// Whether the test under way has failed.
bool TestFailed();

#endif  // CEF_DOUBLE_CEFTESTS_TEST_HANDLER_H_
