#include "process/browser_context.h"

#include <atomic>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "base/event_log.h"
#include "threads/tasks.h"

namespace cef_standin {
namespace {

// The named threads of a browser process.
constexpr CefThreadId kBrowserThreads[] = {TID_UI,
                                           TID_IO,
                                           TID_FILE_BACKGROUND,
                                           TID_FILE_USER_VISIBLE,
                                           TID_FILE_USER_BLOCKING,
                                           TID_PROCESS_LAUNCHER};

struct BrowserContext {
  std::thread::id initThread = std::this_thread::get_id();
  CefRefPtr<CefApp> app;
  bool multiThreaded = false;
  std::shared_ptr<TaskQueue> ui;  // the UI thread's queue, whoever runs it
  std::vector<std::unique_ptr<WorkerThread>> workers;
  bool loopRunning = false;
};

// Made by CefInitialize and let go by CefShutdown, both on the same thread; never
// destroyed when the process ends without CefShutdown, as CEF then still holds it all.
std::atomic<BrowserContext*>& Context() {
  static std::atomic<BrowserContext*> context{nullptr};
  return context;
}

std::atomic<bool>& Running() {
  static std::atomic<bool> running{false};
  return running;
}

// The context, when the call may use it; else logs the refusal and answers null.
BrowserContext* Usable(const char* call) {
  BrowserContext* context = Context();
  const char* refused = nullptr;
  if (!context) {
    refused = "CEF is not initialized";
  } else if (context->initThread != std::this_thread::get_id()) {
    refused = "not the thread that called CefInitialize";
  }
  if (refused) {
    LogEvent({{"event", call}, {"refused", refused}});
    return nullptr;
  }
  return context;
}

}  // namespace

bool StartBrowserContext(CefRefPtr<CefApp> app, bool multiThreadedMessageLoop) {
  if (Context()) {
    return false;
  }
  auto* context = new BrowserContext();
  context->app = app;
  context->multiThreaded = multiThreadedMessageLoop;
  for (CefThreadId thread : kBrowserThreads) {
    if (thread == TID_UI && !multiThreadedMessageLoop) {
      context->ui = std::make_shared<TaskQueue>(TID_UI);
      context->ui->AdoptCallingThread();
      SetQueue(TID_UI, context->ui);
      continue;
    }
    context->workers.push_back(std::make_unique<WorkerThread>(thread));
    SetQueue(thread, context->workers.back()->queue());
    if (thread == TID_UI) {
      context->ui = context->workers.back()->queue();
    }
  }
  Context() = context;
  Running() = true;
  return true;
}

void RunOnUiThread(const std::function<void()>& function) {
  BrowserContext* context = Context();
  if (!context || context->ui->OnOwnerThread()) {
    function();
    return;
  }
  // Shared with the task, which may still be inside set_value when the wait returns.
  auto ran = std::make_shared<std::promise<void>>();
  std::future<void> done = ran->get_future();
  auto task = MakeTask([&function, ran] {
    function();
    ran->set_value();
  });
  if (context->ui->Post(task, 0)) {
    done.wait();
  }
}

bool BrowserContextRunning() {
  return Running();
}

}  // namespace cef_standin

using namespace cef_standin;

void CefShutdown() {
  BrowserContext* context = Usable("CefShutdown");
  if (!context) {
    return;
  }
  LogEvent({{"event", "CefShutdown"}});
  Running() = false;
  // The threads stop with their queued tasks unrun; then the application goes.
  context->ui->Close();
  for (auto& worker : context->workers) {
    worker->Stop();
  }
  for (CefThreadId thread : kBrowserThreads) {
    SetQueue(thread, nullptr);
  }
  Context() = nullptr;
  delete context;
}

void CefDoMessageLoopWork() {
  BrowserContext* context = Usable("CefDoMessageLoopWork");
  if (context && !context->multiThreaded) {
    context->ui->RunReady();
  }
}

void CefRunMessageLoop() {
  BrowserContext* context = Usable("CefRunMessageLoop");
  if (!context) {
    return;
  }
  if (context->multiThreaded || context->loopRunning) {
    LogEvent({{"event", "CefRunMessageLoop"},
              {"refused", context->multiThreaded ? "multi_threaded_message_loop is set"
                                                 : "the message loop runs already"}});
    return;
  }
  LogEvent({{"event", "CefRunMessageLoop"}});
  context->loopRunning = true;
  std::shared_ptr<TaskQueue> ui = context->ui;
  ui->RunUntilQuit();
  // CefShutdown may have run inside the loop.
  if (Context() == context) {
    context->loopRunning = false;
  }
}

void CefQuitMessageLoop() {
  BrowserContext* context = Usable("CefQuitMessageLoop");
  if (!context) {
    return;
  }
  LogEvent({{"event", "CefQuitMessageLoop"}, {"running", context->loopRunning}});
  if (context->loopRunning) {
    context->ui->Quit();
  }
}
