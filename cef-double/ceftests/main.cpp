// The yardstick's test program: CEF's own browser-free unit tests against the double.
// CEF is started as a browser process with a multi-threaded message loop (its UI thread
// then runs beside the tests, as in CEF's own test program), the tests run on the main
// thread, and CEF is shut down before the process ends.
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "include/cef_app.h"
#include "include/cef_command_line.h"
#include "include/wrapper/cef_closure_task.h"
#include "tests/ceftests/test_handler.h"

extern CefRefPtr<CefCommandLine> g_kept_command_line;
extern bool g_valid_in_hook;

namespace {

struct Signal {
  std::mutex mutex;
  std::condition_variable changed;
  bool done = false;
};

void Raise(Signal* signal) {
  std::lock_guard<std::mutex> lock(signal->mutex);
  signal->done = true;
  signal->changed.notify_all();
}

// Keeps the command line CEF lends to OnBeforeCommandLineProcessing (double_test.cpp
// looks at it after the hook).
class YardstickApp : public CefApp {
 public:
  void OnBeforeCommandLineProcessing(const CefString&, CefRefPtr<CefCommandLine> line) override {
    line->AppendSwitch("yardstick");
    g_valid_in_hook = line->IsValid() && line->HasSwitch("yardstick");
    g_kept_command_line = line;
  }

 private:
  IMPLEMENT_REFCOUNTING(YardstickApp);
};

}  // namespace

CefRefPtr<CefCommandLine> g_kept_command_line;
bool g_valid_in_hook = false;

void WaitForThread(CefThreadId thread_id, int64 delay_ms) {
  auto* signal = new Signal();  // kept when the wait gives up: the task may still run
  const bool posted = delay_ms > 0
                          ? CefPostDelayedTask(thread_id, base::Bind(&Raise, signal), delay_ms)
                          : CefPostTask(thread_id, base::Bind(&Raise, signal));
  ASSERT_TRUE(posted) << "the thread takes no tasks";
  bool done = false;
  {
    std::unique_lock<std::mutex> lock(signal->mutex);
    done = signal->changed.wait_for(lock, std::chrono::seconds(30), [&] { return signal->done; });
  }
  ASSERT_TRUE(done) << "the thread did not run the task";
  delete signal;
}

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  CefMainArgs args(::GetModuleHandle(nullptr));
  CefSettings settings;
  settings.no_sandbox = true;
  settings.multi_threaded_message_loop = true;
  // As CEF's own test program asks, for V8Test.OnUncaughtException.
  settings.uncaught_exception_stack_size = 10;
  if (!CefInitialize(args, settings, new YardstickApp(), nullptr)) {
    return 1;
  }
  const int result = RUN_ALL_TESTS();
  g_kept_command_line = nullptr;
  CefShutdown();
  return result;
}
