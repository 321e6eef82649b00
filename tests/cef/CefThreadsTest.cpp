// CEF's named threads in the stand-in: which thread a task runs on, posting from other
// threads, task runners, waitable events, and the browser process's UI thread between
// CefInitialize and CefShutdown. Run under ThreadSanitizer by make sanitize.
#include <atomic>
#include <chrono>
#include <functional>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

#include <gmock/gmock.h>

#include "include/cef_app.h"
#include "include/cef_task.h"
#include "include/cef_waitable_event.h"
#include "standin/renderer_process.h"

namespace {

using ::testing::ElementsAre;

class FunctionTask : public CefTask {
 public:
  explicit FunctionTask(std::function<void()> function) : function_(std::move(function)) {}
  void Execute() override { function_(); }

 private:
  std::function<void()> function_;
  IMPLEMENT_REFCOUNTING(FunctionTask);
};

CefRefPtr<CefTask> Task(std::function<void()> function) {
  return new FunctionTask(std::move(function));
}

// Runs the function on a thread of its own and waits for it.
void OnOtherThread(const std::function<void()>& function) {
  std::thread(function).join();
}

// Waits up to ten seconds for the condition, checking it on the calling thread.
bool Eventually(const std::function<bool()>& condition) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > until) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

TEST(CefThreadsTest, TheRendererThreadIsTheOneRunningTheRenderer) {
  cef_standin::RendererProcess renderer(nullptr);
  EXPECT_TRUE(CefCurrentlyOn(TID_RENDERER));
  EXPECT_FALSE(CefCurrentlyOn(TID_UI));
  OnOtherThread([] { EXPECT_FALSE(CefCurrentlyOn(TID_RENDERER)); });
}

TEST(CefThreadsTest, TasksPostedFromManyThreadsAllRunOnTheRendererThreadInTheirOrder) {
  cef_standin::RendererProcess renderer(nullptr);
  const std::thread::id rendererThread = std::this_thread::get_id();
  constexpr int kPosters = 4;
  constexpr int kTasks = 200;
  std::vector<std::vector<int>> ran(kPosters);  // touched on the renderer thread only
  std::atomic<int> wrongThread{0};

  std::vector<std::thread> posters;
  for (int poster = 0; poster < kPosters; ++poster) {
    posters.emplace_back([&, poster] {
      for (int i = 0; i < kTasks; ++i) {
        EXPECT_TRUE(CefPostTask(TID_RENDERER, Task([&, poster, i] {
                                  wrongThread += std::this_thread::get_id() != rendererThread;
                                  ran[poster].push_back(i);
                                })));
      }
    });
  }
  // The renderer keeps running what has arrived while the posters post.
  size_t total = 0;
  while (total < kPosters * kTasks) {
    total += renderer.RunPostedTasks();
  }
  for (std::thread& poster : posters) {
    poster.join();
  }
  EXPECT_EQ(wrongThread, 0);
  for (const std::vector<int>& numbers : ran) {
    ASSERT_EQ(numbers.size(), static_cast<size_t>(kTasks));
    for (int i = 0; i < kTasks; ++i) {
      EXPECT_EQ(numbers[i], i);
    }
  }
}

TEST(CefThreadsTest, ADelayedTaskRunsOnceDueAndQueuedTasksDieWithTheRenderer) {
  std::vector<std::string> ran;
  {
    cef_standin::RendererProcess renderer(nullptr);
    EXPECT_TRUE(CefPostDelayedTask(TID_RENDERER, Task([&] { ran.push_back("late"); }), 100));
    EXPECT_TRUE(CefPostTask(TID_RENDERER, Task([&] { ran.push_back("now"); })));
    EXPECT_EQ(renderer.RunPostedTasks(), 1u);
    EXPECT_TRUE(Eventually([&] { return renderer.RunPostedTasks() == 1; }));
    EXPECT_THAT(ran, ElementsAre("now", "late"));

    EXPECT_TRUE(CefPostDelayedTask(TID_RENDERER, Task([&] { ran.push_back("never"); }), 60000));
    // A delay past any clock's end is merely long.
    EXPECT_TRUE(CefPostDelayedTask(TID_RENDERER, Task([&] { ran.push_back("never"); }),
                                   std::numeric_limits<int64>::max()));
    EXPECT_EQ(renderer.RunPostedTasks(), 0u);
  }
  // A process without a renderer refuses renderer tasks, and the queued one never ran.
  EXPECT_FALSE(CefPostTask(TID_RENDERER, Task([] {})));
  EXPECT_EQ(ran.size(), 2u);
}

TEST(CefThreadsTest, TaskRunnersOfTheRendererThread) {
  CefRefPtr<CefTaskRunner> kept;
  {
    cef_standin::RendererProcess renderer(nullptr);
    CefRefPtr<CefTaskRunner> named = CefTaskRunner::GetForThread(TID_RENDERER);
    CefRefPtr<CefTaskRunner> current = CefTaskRunner::GetForCurrentThread();
    ASSERT_TRUE(named && current);
    EXPECT_TRUE(named->IsSame(current));
    EXPECT_TRUE(named->BelongsToCurrentThread());
    EXPECT_TRUE(named->BelongsToThread(TID_RENDERER));
    EXPECT_FALSE(named->BelongsToThread(TID_UI));
    // A renderer runs none of the browser process's threads.
    EXPECT_EQ(CefTaskRunner::GetForThread(TID_UI), nullptr);

    int ran = 0;
    OnOtherThread([&] {
      EXPECT_FALSE(named->BelongsToCurrentThread());
      EXPECT_EQ(CefTaskRunner::GetForCurrentThread(), nullptr);
      EXPECT_TRUE(named->PostTask(Task([&] { ++ran; })));
      EXPECT_TRUE(named->PostDelayedTask(Task([&] { ++ran; }), 0));
    });
    EXPECT_EQ(renderer.RunPostedTasks(), 2u);
    EXPECT_EQ(ran, 2);
    kept = named;
  }
  // The thread is gone: the runner refuses.
  EXPECT_FALSE(kept->PostTask(Task([] {})));
  EXPECT_FALSE(kept->BelongsToCurrentThread());
}

TEST(CefThreadsTest, WaitableEventsResetAutomaticallyOrOnRequest) {
  CefRefPtr<CefWaitableEvent> automatic = CefWaitableEvent::CreateWaitableEvent(true, true);
  EXPECT_TRUE(automatic->IsSignaled());
  EXPECT_FALSE(automatic->IsSignaled());
  EXPECT_FALSE(automatic->TimedWait(1));
  EXPECT_FALSE(automatic->TimedWait(-5));

  CefRefPtr<CefWaitableEvent> manual = CefWaitableEvent::CreateWaitableEvent(false, false);
  std::thread signaller([&] { manual->Signal(); });
  manual->Wait();
  signaller.join();
  EXPECT_TRUE(manual->IsSignaled());
  EXPECT_TRUE(manual->TimedWait(0));
  manual->Reset();
  EXPECT_FALSE(manual->IsSignaled());

  // Each signal of an automatic event releases one waiter.
  std::atomic<int> woken{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i) {
    waiters.emplace_back([&] {
      automatic->Wait();
      ++woken;
    });
  }
  for (int i = 0; i < 3; ++i) {
    automatic->Signal();
    EXPECT_TRUE(Eventually([&] { return woken == i + 1; }));
  }
  for (std::thread& waiter : waiters) {
    waiter.join();
  }
  EXPECT_FALSE(automatic->IsSignaled());
}

// An application whose browser-process hooks record the thread they run on.
class BrowserApp : public CefApp, public CefBrowserProcessHandler {
 public:
  CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override { return this; }
  void OnContextInitialized() override {
    std::lock_guard<std::mutex> lock(mutex);
    initializedOn = std::this_thread::get_id();
    onUi = CefCurrentlyOn(TID_UI);
    // Waiting is refused on the UI thread.
    waitRefused = !CefWaitableEvent::CreateWaitableEvent(false, false)->TimedWait(60000);
  }
  void OnBeforeChildProcessLaunch(CefRefPtr<CefCommandLine>) override {
    std::lock_guard<std::mutex> lock(mutex);
    launchOnUi = CefCurrentlyOn(TID_UI);
  }

  std::mutex mutex;
  std::thread::id initializedOn;
  bool onUi = false, launchOnUi = false, waitRefused = false;

  IMPLEMENT_REFCOUNTING(BrowserApp);
};

CefSettings Settings(bool multiThreaded) {
  CefSettings settings;
  settings.multi_threaded_message_loop = multiThreaded;
  return settings;
}

TEST(CefBrowserContextTest, AMultiThreadedMessageLoopRunsTheUiThreadAndKeepsTheAppToShutdown) {
  CefRefPtr<BrowserApp> app = new BrowserApp();
  ASSERT_TRUE(CefInitialize(CefMainArgs(), Settings(true), app.get(), nullptr));
  {
    std::lock_guard<std::mutex> lock(app->mutex);
    EXPECT_NE(app->initializedOn, std::thread::id());
    EXPECT_NE(app->initializedOn, std::this_thread::get_id());
    EXPECT_TRUE(app->onUi && app->launchOnUi && app->waitRefused);
  }
  EXPECT_FALSE(CefCurrentlyOn(TID_UI));
  EXPECT_FALSE(app->HasOneRef());  // CEF holds it

  // Tasks for the UI and IO threads run there, whoever posts them.
  CefRefPtr<CefWaitableEvent> done = CefWaitableEvent::CreateWaitableEvent(false, false);
  std::atomic<bool> onUi{false}, onIo{false};
  OnOtherThread([&] {
    EXPECT_TRUE(CefPostTask(TID_UI, Task([&] {
                              onUi = CefCurrentlyOn(TID_UI) &&
                                     CefTaskRunner::GetForCurrentThread()->BelongsToThread(TID_UI);
                              CefPostTask(TID_IO, Task([&] {
                                            onIo = CefCurrentlyOn(TID_IO);
                                            done->Signal();
                                          }));
                            })));
  });
  EXPECT_TRUE(done->TimedWait(10000));
  EXPECT_TRUE(onUi && onIo);

  // Only the thread that initialised may shut down; a message loop of its own is refused.
  OnOtherThread([] { CefShutdown(); });
  EXPECT_FALSE(app->HasOneRef());
  CefRunMessageLoop();  // returns at once

  CefRefPtr<CefTaskRunner> ui = CefTaskRunner::GetForThread(TID_UI);
  std::atomic<bool> ran{false};
  EXPECT_TRUE(ui->PostDelayedTask(Task([&] { ran = true; }), 60000));
  CefShutdown();
  EXPECT_TRUE(app->HasOneRef());
  EXPECT_FALSE(ran);
  EXPECT_FALSE(ui->PostTask(Task([] {})));
  EXPECT_FALSE(CefPostTask(TID_UI, Task([] {})));
  EXPECT_EQ(CefTaskRunner::GetForThread(TID_IO), nullptr);
}

TEST(CefBrowserContextTest, WithoutAMultiThreadedLoopTheCallerIsTheUiThreadAndRunsTheLoop) {
  CefRefPtr<BrowserApp> app = new BrowserApp();
  ASSERT_TRUE(CefInitialize(CefMainArgs(), Settings(false), app.get(), nullptr));
  EXPECT_EQ(app->initializedOn, std::this_thread::get_id());
  EXPECT_TRUE(CefCurrentlyOn(TID_UI));

  std::vector<std::string> ran;
  CefPostTask(TID_UI, Task([&] { ran.push_back("first"); }));
  CefDoMessageLoopWork();
  EXPECT_THAT(ran, ElementsAre("first"));

  // Posted from another thread, the quitting task ends the loop; what is due runs first.
  OnOtherThread([&] {
    CefPostDelayedTask(TID_UI, Task([&] {
                         ran.push_back("quit");
                         CefQuitMessageLoop();
                         CefPostTask(TID_UI, Task([&] { ran.push_back("after quit"); }));
                       }),
                       20);
  });
  CefRunMessageLoop();
  EXPECT_THAT(ran, ElementsAre("first", "quit", "after quit"));

  CefShutdown();
  EXPECT_TRUE(app->HasOneRef());
  EXPECT_FALSE(CefCurrentlyOn(TID_UI));
}

}  // namespace
