// The yardstick's stand-in for CEF's browser test framework: only what the browser-free
// tests it compiles reach. Tests that need a browser compile against these but are not
// run (no browser runs against the double); running one fails it.
#ifndef CEF_DOUBLE_CEFTESTS_TEST_HANDLER_H_
#define CEF_DOUBLE_CEFTESTS_TEST_HANDLER_H_

#include <string>

#include "include/base/cef_bind.h"
#include "include/cef_client.h"
#include "include/cef_load_handler.h"
#include "include/cef_task.h"
#include "tests/ceftests/track_callback.h"
#include "tests/gtest/include/gtest/gtest.h"

// Posts a task to the thread and returns once it has run there (fails the test when the
// thread takes no tasks, or has not run it within half a minute).
void WaitForThread(CefThreadId thread_id, int64 delay_ms = 0);
#define WaitForUIThread() WaitForThread(TID_UI)
#define WaitForIOThread() WaitForThread(TID_IO)

class TestHandler : public CefClient, public CefLoadHandler {
 public:
  virtual void RunTest() = 0;

  // No browser runs here.
  void ExecuteTest() { ADD_FAILURE() << "this test needs a browser"; }

  CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }

 protected:
  void AddResource(const std::string&, const std::string&, const std::string&) {}
  void CreateBrowser(const std::string&) {}
  void SetTestTimeout() {}
  virtual void DestroyTest() {}
};

template <typename T>
void ReleaseAndWaitForDestructor(CefRefPtr<T>& handler) {
  handler = nullptr;
}

#endif  // CEF_DOUBLE_CEFTESTS_TEST_HANDLER_H_
