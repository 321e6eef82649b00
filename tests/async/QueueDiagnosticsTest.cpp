// What a queue reports, read back through a logger configured to keep every record:
// the exact texts, levels, lines, file and function names, in the order they are made.
#include "async/QueueDiagnostics.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "async/AsyncQueue.h"
#include "async/QueueTestSupport.h"
#include "logging/ILogSink.h"
#include "logging/RootLogger.h"

namespace zelto {
namespace {

using namespace testing_support;

// The file every report names (the logger keeps only the part after the directories),
// and the function names of the reporting operations.
constexpr char kFile[] = "AsyncQueue.cpp";
constexpr char kStop[] = "IAsyncQueue::stop";
constexpr char kRun[] = "AsyncQueue::runLoop";
constexpr char kSwap[] = "AsyncQueue::swapQueues()";
constexpr char kAdd[] = "IAsyncQueue::addTask(...)";
constexpr char kResume[] = "IAsyncQueue::resumeProcessing";
constexpr char kSuspend[] = "IAsyncQueue::suspendProcessingWhenFinished";

struct Report {
  std::string level;
  int32_t line;
  std::string function;
  std::string message;
  std::string file = kFile;

  bool operator==(const Report& other) const {
    return level == other.level && line == other.line && function == other.function &&
           message == other.message && file == other.file;
  }
};

void PrintTo(const Report& report, std::ostream* out) {
  *out << "\n  <" << report.level << "> " << report.file << ":" << report.line << " "
       << report.function << ":" << report.message;
}

using Reports = std::vector<Report>;

class RecordingSink : public ILogSink {
 public:
  void write(const std::string&, const LogComponents& record) override {
    std::lock_guard<std::mutex> lock(mMutex);
    mReports.push_back(
        Report{record.level, record.line, record.function, record.message, record.file});
  }
  Reports reports() {
    std::lock_guard<std::mutex> lock(mMutex);
    return mReports;
  }

 private:
  std::mutex mMutex;
  Reports mReports;
};

RootLogger::Settings keepEverything(const std::shared_ptr<ILogSink>& sink) {
  RootLogger::Settings settings;
  settings.enabled = true;
  settings.sinks.push_back(sink);
  return settings;
}

class QueueReports : public ::testing::Test {
 protected:
  // Every report written so far, once the logger has caught up.
  Reports reports() {
    logger.flush();
    return sink->reports();
  }

  // True once at least `count` reports have been written.
  bool waitForReports(std::size_t count) {
    return eventually([&] { return reports().size() >= count; });
  }

  // Waits until the worker has run a task and gone to sleep on an empty queue: from then
  // on it looks at the queue again only when something wakes it. (Its task having run is
  // not enough: the worker may not yet have taken the lock again to look, and would then
  // see whatever the test does next at once.)
  static void settle(AsyncQueue& queue) {
    Event ran;
    queue.addTask(
        "settle", [&ran] { ran.set(); }, Back, 0);
    ASSERT_TRUE(ran.wait());
    ASSERT_TRUE(eventually([&] { return AsyncQueueTestAccess::sleeping(queue); }));
  }

  std::shared_ptr<RecordingSink> sink = std::make_shared<RecordingSink>();
  RootLogger logger{keepEverything(sink)};
};

TEST_F(QueueReports, FailingTasksNameTheTaskAndTheException) {
  Journal journal;
  AsyncQueue queue("q", logger);
  queue.addTask(
      "logMessage", [] { throw std::runtime_error("disk full"); }, Back, 0);
  queue.addTask(
      "other", [] { throw 5; }, Back, 0);
  queue.addTask("empty", nullptr, Back, 0);
  queue.addTask("marker", journal.note("marker"), Back, 0);
  ASSERT_TRUE(journal.waitForSize(1));

  const Reports got = reports();
  ASSERT_EQ(got.size(), 3u) << ::testing::PrintToString(got);
  EXPECT_EQ(got[0], (Report{"Error", 166, kRun,
                            "Encountered an exception while running a task: disk full with a "
                            "task name of logMessage"}));
  EXPECT_EQ(got[1], (Report{"Error", 170, kRun,
                            "Encountered a generic exception while running task other"}));
  // An empty callable fails like any task throwing a standard exception.
  EXPECT_EQ(got[2].line, 166);
  EXPECT_EQ(got[2].message.rfind("Encountered an exception while running a task: ", 0), 0u);
  EXPECT_NE(got[2].message.find(" with a task name of empty"), std::string::npos);
}

TEST_F(QueueReports, SuspendingAnIdleQueueAddingAndResuming) {
  Journal journal;
  AsyncQueue queue("q", logger);
  settle(queue);
  EXPECT_TRUE(queue.suspendProcessingWhenFinished([] {}));
  queue.addTask("t1", journal.note("t1"), Back, 0);
  queue.resumeProcessing();
  ASSERT_TRUE(journal.waitForSize(1));

  EXPECT_EQ(reports(),
            (Reports{
                {"Info", 313, kSuspend, "Entering, asking the threadpool to suspend: q"},
                {"Info", 333, kSuspend, "Exiting, mIsSuspended state is 1, name: q"},
                {"Warn", 228, kAdd, "Adding task to task queue while suspended t1, name: q"},
                {"Info", 351, kResume, "Exiting, mIsSuspended state is 0, name: q"},
            }));
}

// A queue "q" whose worker runs a blocker, with the task t1 queued behind it.
struct BusyQueue {
  explicit BusyQueue(RootLogger& logger) : queue("q", logger) {
    queue.addTask("blocker", blocker.task(), Back, 0);
    EXPECT_TRUE(blocker.started.wait());
    queue.addTask("t1", journal.note("t1"), Back, 0);
  }
  Blocker blocker;
  Journal journal;
  AsyncQueue queue;
};

TEST_F(QueueReports, DeferredSuspensionHandOverWaitAndWakeUp) {
  BusyQueue busy(logger);
  Event called;
  EXPECT_FALSE(busy.queue.suspendProcessingWhenFinished([&] { called.set(); }));
  busy.blocker.release.set();
  ASSERT_TRUE(called.wait());
  ASSERT_TRUE(waitForReports(5));  // the worker is about to wait
  EXPECT_TRUE(busy.queue.suspendProcessingWhenFinished(nullptr) == false);
  busy.queue.resumeProcessing();
  ASSERT_TRUE(busy.journal.waitForSize(1));

  EXPECT_EQ(
      reports(),
      (Reports{
          {"Info", 313, kSuspend, "Entering, asking the threadpool to suspend: q"},
          {"Info", 325, kSuspend,
           "Currently processing tasks, will suspend when tasks have finished: q"},
          {"Info", 333, kSuspend, "Exiting, mIsSuspended state is 0, name: q"},
          {"Info", 122, kRun,
           "mHasFinishedFunc is not nil, so we are ready to suspend and notify callback: q"},
          {"Info", 145, kRun, "Threadpool mIsSuspended value is 1 .. about to wait on signal: q"},
          {"Info", 313, kSuspend, "Entering, asking the threadpool to suspend: q"},
          {"Warn", 320, kSuspend,
           "We are suspended and suspendProcessingWhenFinished was called: q"},
          {"Info", 333, kSuspend, "Exiting, mIsSuspended state is 1, name: q"},
          {"Info", 351, kResume, "Exiting, mIsSuspended state is 0, name: q"},
          {"Info", 147, kRun, "mSignal has been notified, state is running, name: q"},
      }));
}

// An empty callback of another signature is no callback: the queue suspends at once,
// as without one, and nothing is called or reported as failed later.
TEST_F(QueueReports, EmptyCallbackOfAnotherSignatureSuspendsAtOnce) {
  BusyQueue busy(logger);
  EXPECT_FALSE(busy.queue.suspendProcessingWhenFinished(std::function<int()>()));
  busy.blocker.release.set();
  ASSERT_TRUE(waitForReports(3));
  EXPECT_EQ(
      reports(),
      (Reports{
          {"Info", 313, kSuspend, "Entering, asking the threadpool to suspend: q"},
          {"Info", 333, kSuspend, "Exiting, mIsSuspended state is 1, name: q"},
          {"Info", 145, kRun, "Threadpool mIsSuspended value is 1 .. about to wait on signal: q"},
      }));
  EXPECT_TRUE(busy.journal.entries().empty());
}

// Adds a task to a suspended queue when it goes, which makes a report.
struct ReportsWhenDestroyed {
  AsyncQueue* queue = nullptr;
  ~ReportsWhenDestroyed() {
    if (queue != nullptr)
      queue->addTask(
          "late", [] {}, Back, 0);
  }
};

// A report made while a thread's thread-local objects are being destroyed, after the
// thread has made reports before: whatever the reports keep per thread may be gone by
// then. The report must still be made, whole.
TEST_F(QueueReports, ReportFromAThreadLocalObjectsDestructorIsWhole) {
  AsyncQueue queue("q", logger);
  settle(queue);
  std::thread([&queue] {
    thread_local ReportsWhenDestroyed reporter;  // made before the thread's first report
    reporter.queue = &queue;
    EXPECT_TRUE(queue.suspendProcessingWhenFinished(nullptr));
  }).join();

  const Reports got = reports();
  ASSERT_EQ(got.size(), 3u) << ::testing::PrintToString(got);
  EXPECT_EQ(got[2],
            (Report{"Warn", 228, kAdd, "Adding task to task queue while suspended late, name: q"}));
}

struct CallbackFailure {
  const char* label;
  std::function<void()> callback;
  Report expected;
};

void PrintTo(const CallbackFailure& value, std::ostream* out) {
  *out << value.label;
}

class QueueReportsFailingCallback : public QueueReports,
                                    public ::testing::WithParamInterface<CallbackFailure> {};

TEST_P(QueueReportsFailingCallback, IsReportedAndAStopWakesTheSuspendedWorker) {
  Blocker blocker;
  Journal journal;
  auto queue = std::make_shared<AsyncQueue>("q", logger);
  queue->addTask("blocker", blocker.task(), Back, 0);
  ASSERT_TRUE(blocker.started.wait());
  queue->addTask("t1", journal.note("t1"), Back, 0);
  EXPECT_FALSE(queue->suspendProcessingWhenFinished(GetParam().callback));
  blocker.release.set();
  ASSERT_TRUE(waitForReports(6));  // the worker is about to wait

  mustReturn("stop of the suspended queue", [&] { queue->stop(); });
  EXPECT_EQ(journal.entries().size(), 1u);

  const Reports got = reports();
  ASSERT_EQ(got.size(), 7u) << ::testing::PrintToString(got);
  EXPECT_EQ(got[3], (Report{"Info", 122, kRun,
                            "mHasFinishedFunc is not nil, so we are ready to suspend and notify "
                            "callback: q"}));
  EXPECT_EQ(got[4], GetParam().expected);
  EXPECT_EQ(got[5], (Report{"Info", 145, kRun,
                            "Threadpool mIsSuspended value is 1 .. about to wait on signal: q"}));
  EXPECT_EQ(got[6],
            (Report{"Info", 147, kRun, "mSignal has been notified, state is exiting, name: q"}));
}

INSTANTIATE_TEST_SUITE_P(
    Failures,
    QueueReportsFailingCallback,
    ::testing::Values(
        CallbackFailure{
            "StandardException", [] { throw std::runtime_error("cb failed"); },
            Report{"Error", 132, kRun,
                   "Encountered an exception while calling suspension lambda: cb failed"}},
        CallbackFailure{"OtherValue", [] { throw 1; },
                        Report{"Error", 136, kRun,
                               "Encountered a generic exception while calling suspension lambda"}}),
    [](const ::testing::TestParamInfo<CallbackFailure>& info) { return info.param.label; });

TEST_F(QueueReports, ResumingAnActiveQueue) {
  AsyncQueue queue("q", logger);
  queue.resumeProcessing();
  EXPECT_EQ(reports(),
            (Reports{
                {"Info", 348, kResume, "Threadpool was not SUSPENDED, taking no action: q"},
                {"Info", 351, kResume, "Exiting, mIsSuspended state is 0, name: q"},
            }));
}

TEST_F(QueueReports, InitialiserPhaseAndTheSwap) {
  Blocker blocker;
  Journal journal;
  AsyncQueue queue("init queue", logger, AsyncQueue::Start::Initialising);
  queue.addTask("d1", journal.note("d1"), Back, 0);
  ASSERT_TRUE(queue.addInitialiserTask("blocker", blocker.task()));
  ASSERT_TRUE(blocker.started.wait());
  ASSERT_TRUE(queue.setInitialised());
  queue.addTask("d2", journal.note("d2"), Back, 0);
  blocker.release.set();
  ASSERT_TRUE(journal.waitForSize(2));

  EXPECT_EQ(reports(),
            (Reports{
                {"Warn", 253, kAdd,
                 "Task created while thread pool is initialising, adding the task "
                 "to the deferred queue: init queue"},
                {"Debug", 257, kAdd,
                 "Task created while thread pool is processing initialiser tasks, "
                 "adding the task to the deferred queue: init queue"},
                {"Info", 206, kSwap, "Threadpool state is now running, name: init queue"},
            }));
}

// Reports that a queue's own operations cannot bring about (the join does not fail and
// the worker swaps only when it may), made directly.
struct DirectReport {
  const char* label;
  std::function<void(RootLogger*)> emit;
  Report expected;
};

void PrintTo(const DirectReport& value, std::ostream* out) {
  *out << value.label;
}

class QueueReportsMadeDirectly : public QueueReports,
                                 public ::testing::WithParamInterface<DirectReport> {};

TEST_P(QueueReportsMadeDirectly, HaveTheirFixedTexts) {
  GetParam().emit(&logger);
  EXPECT_EQ(reports(), Reports{GetParam().expected});
}

INSTANTIATE_TEST_SUITE_P(
    Reports,
    QueueReportsMadeDirectly,
    ::testing::Values(
        DirectReport{"JoinSystemError",
                     [](RootLogger* logger) {
                       queue_diagnostics::joinFailed(logger,
                                                     std::error_code(22, std::generic_category()));
                     },
                     Report{"Error", 104, kStop,
                            "Failure waiting for worker thread to finish. code=generic:22"}},
        DirectReport{"JoinOtherFailure",
                     [](RootLogger* logger) { queue_diagnostics::joinFailedUnexpectedly(logger); },
                     Report{"Error", 108, kStop,
                            "Encountered unexpected exception while calling mThread.join()"}},
        DirectReport{
            "SwapWhileNotProcessing",
            [](RootLogger* logger) { queue_diagnostics::swapWhileNotProcessing(logger, "q"); },
            Report{"Warn", 195, kSwap,
                   "Thread pool not in processing state, cannot swap queues: q"}},
        DirectReport{"SwapDelayed",
                     [](RootLogger* logger) {
                       queue_diagnostics::swapDelayedByInitialiserTasks(logger, "q");
                     },
                     Report{"Warn", 199, kSwap,
                            "Initialiser task queued after setting initialised to true, "
                            "delaying queue swap: q"}},
        DirectReport{
            "SwapLeftProcessing",
            [](RootLogger* logger) { queue_diagnostics::swapFinished(logger, Processing, "q"); },
            Report{"Info", 206, kSwap, "Threadpool state is now processing, name: q"}},
        DirectReport{"SwapWithUnknownState",
                     [](RootLogger* logger) { queue_diagnostics::swapFinished(logger, 9, "q"); },
                     Report{"Info", 206, kSwap, "Threadpool state is now , name: q"}}),
    [](const ::testing::TestParamInfo<DirectReport>& info) { return info.param.label; });

TEST(QueueStateName, NamesEveryStateAndNothingElse) {
  const std::vector<std::pair<int32_t, std::string>> cases = {{-1, ""},
                                                              {Initialising, "initialising"},
                                                              {Processing, "processing"},
                                                              {Running, "running"},
                                                              {Exiting, "exiting"},
                                                              {Stopped, "stopped"},
                                                              {5, ""}};
  for (const auto& [state, name] : cases)
    EXPECT_EQ(stateName(state), name) << "state " << state;
}

TEST(QueueReportLiterals, HaveTheirFixedLengths) {
  for (const auto& [text, length] : std::vector<std::pair<std::string, std::size_t>>{
           {kStop, 17}, {kRun, 19}, {kSwap, 24}, {kAdd, 25}, {kResume, 29}, {kSuspend, 42}})
    EXPECT_EQ(text.size(), length) << text;
}

// A sink that calls back into the queue whose reports it writes. The queue reports
// under its own lock and the logger's queue lock comes after it; the logger's worker
// holds no lock while the sink runs. Neither side ever waits for the other.
TEST(QueueReportsEcho, SinkCallingBackIntoTheReportingQueueDoesNotDeadlock) {
  struct CallingBackSink : ILogSink {
    std::atomic<AsyncQueue*> queue{nullptr};
    std::atomic<int> budget{300};  // every call reports again: the echo must end
    void write(const std::string&, const LogComponents&) override {
      AsyncQueue* target = queue.load();
      if (target != nullptr && budget-- > 0)
        target->resumeProcessing();
    }
  };
  auto sink = std::make_shared<CallingBackSink>();
  RootLogger logger(keepEverything(sink));
  AsyncQueue queue("q", logger);
  sink->queue = &queue;

  Journal journal;
  mustReturn("suspending and resuming while the reports echo", [&] {
    for (int i = 0; i < 100; ++i) {
      (void)queue.suspendProcessingWhenFinished(nullptr);
      queue.addTask("t", journal.note("t"), Back, 0);
      queue.resumeProcessing();
    }
    EXPECT_TRUE(journal.waitForSize(100));
    EXPECT_TRUE(eventually([&] { return sink->budget.load() <= 0; }));
    logger.flush();  // no sink call is under way after this
  });
  sink->queue = nullptr;
}

}  // namespace
}  // namespace zelto
