#include "async/QueueDiagnostics.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <initializer_list>
#include <string_view>

#include "async/QueueState.h"
#include "logging/RootLogger.h"
#include "util/DecimalText.h"
#include "util/JoinedText.h"
#include "util/ProcessorHints.h"
#include "util/ScrambledLiteral.h"

namespace zelto {
namespace queue_diagnostics {
namespace {

// The source file and the emitting operations, kept out of the binary in plain form.
constexpr auto kSourceFile =
    scramble("C:\\jenkins\\workspace\\zelto-native\\quorvane\\src\\async\\AsyncQueue.cpp");
constexpr auto kStopFunction = scramble("IAsyncQueue::stop");
constexpr auto kRunFunction = scramble("AsyncQueue::runLoop");
constexpr auto kSwapQueuesFunction = scramble("AsyncQueue::swapQueues()");
constexpr auto kAddTaskFunction = scramble("IAsyncQueue::addTask(...)");
constexpr auto kResumeFunction = scramble("IAsyncQueue::resumeProcessing");
constexpr auto kSuspendFunction = scramble("IAsyncQueue::suspendProcessingWhenFinished");

// Their lengths are fixed; the texts are ours.
static_assert(kSourceFile.size() == 67, "the queue's file literal has 67 characters");
static_assert(kStopFunction.size() == 17 && kRunFunction.size() == 19 &&
                  kSwapQueuesFunction.size() == 24 && kAddTaskFunction.size() == 25 &&
                  kResumeFunction.size() == 29 && kSuspendFunction.size() == 42,
              "function literal lengths");

// One restoring function per literal, called anew at every report; each restores its
// literal into the given string, reusing its space.
void sourceFile(std::string& text) {
  kSourceFile.restoreInto(text);
}
void stopFunction(std::string& text) {
  kStopFunction.restoreInto(text);
}
void runFunction(std::string& text) {
  kRunFunction.restoreInto(text);
}
void swapQueuesFunction(std::string& text) {
  kSwapQueuesFunction.restoreInto(text);
}
void addTaskFunction(std::string& text) {
  kAddTaskFunction.restoreInto(text);
}
void resumeFunction(std::string& text) {
  kResumeFunction.restoreInto(text);
}
void suspendFunction(std::string& text) {
  kSuspendFunction.restoreInto(text);
}

using RestoreFunction = void (*)(std::string&);

const char* flagText(bool flag) {
  return flag ? "1" : "0";
}

// The strings a report is made of, kept from one report to the next so that a report
// allocates nothing once its slot has held texts as long. A few sets are shared by every
// thread and never destroyed, so a report is sound on any thread at any time, also while
// a thread's thread-local objects or the program's static objects are being destroyed.
// A report that finds every set taken (reports made at the same moment on other threads,
// or one made from within another report's log call) uses strings of its own. The
// literals are still restored at every report and wiped once it is made: their plain
// texts stay in memory no longer than with strings of their own.
struct alignas(kCacheLine) ReportText {  // one cache line each: threads do not share lines
  std::atomic<bool> inUse{false};
  std::string message;
  std::string file;
  std::string function;
};

constexpr std::size_t kSharedReportTexts = 4;

class ReportTextLease {
 public:
  ReportTextLease() : mShared(claim()), mText(mShared != nullptr ? *mShared : mOwn) {}
  ~ReportTextLease() {
    std::fill(mText.file.begin(), mText.file.end(), '\0');
    std::fill(mText.function.begin(), mText.function.end(), '\0');
    if (mShared != nullptr) {
      mShared->inUse.store(false, std::memory_order_release);
    }
  }
  ReportTextLease(const ReportTextLease&) = delete;
  ReportTextLease& operator=(const ReportTextLease&) = delete;

  ReportText& text() { return mText; }

 private:
  // A free shared set, now this report's; null when all are taken.
  static ReportText* claim() {
    // Made on first use and never destroyed.
    static ReportText* const sShared = new ReportText[kSharedReportTexts];
    for (std::size_t i = 0; i < kSharedReportTexts; ++i) {
      ReportText& text = sShared[i];
      if (!text.inUse.load(std::memory_order_relaxed) &&
          !text.inUse.exchange(true, std::memory_order_acquire)) {
        return &text;
      }
    }
    return nullptr;
  }

  ReportText* const mShared;
  ReportText mOwn;
  ReportText& mText;
};

// Builds the message from its parts, then hands it to the logger with both literals
// restored anew. Nothing escapes: a report must never break the queue.
void emit(RootLogger* reporter,
          RootLogger::Level level,
          int32_t line,
          RestoreFunction restoreFunction,
          std::initializer_list<std::string_view> parts) noexcept {
  try {
    ReportTextLease lease;
    ReportText& text = lease.text();
    assignJoined(text.message, parts);
    RootLogger& logger = reporter != nullptr ? *reporter : RootLogger::instance();
    restoreFunction(text.function);
    sourceFile(text.file);
    logger.log(text.message, level, line, text.file, text.function);
  } catch (...) {
  }
}

}  // namespace

void joinFailed(RootLogger* reporter, const std::error_code& code) noexcept {
  emit(reporter, RootLogger::Error, 104, stopFunction,
       {"Failure waiting for worker thread to finish. code=", code.category().name(), ":",
        DecimalText(code.value()).view()});
}

void joinFailedUnexpectedly(RootLogger* reporter) noexcept {
  emit(reporter, RootLogger::Error, 108, stopFunction,
       {"Encountered unexpected exception while calling mThread.join()"});
}

void suspendingWithCallback(RootLogger* reporter, const std::string& queueName) noexcept {
  emit(
      reporter, RootLogger::Info, 122, runFunction,
      {"mHasFinishedFunc is not nil, so we are ready to suspend and notify callback: ", queueName});
}

void finishedCallbackThrew(RootLogger* reporter, const std::string& what) noexcept {
  emit(reporter, RootLogger::Error, 132, runFunction,
       {"Encountered an exception while calling suspension lambda: ", what});
}

void finishedCallbackThrewUnknown(RootLogger* reporter) noexcept {
  emit(reporter, RootLogger::Error, 136, runFunction,
       {"Encountered a generic exception while calling suspension lambda"});
}

void waitingWhileSuspended(RootLogger* reporter,
                           bool isSuspended,
                           const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Info, 145, runFunction,
       {"Threadpool mIsSuspended value is ", flagText(isSuspended),
        " .. about to wait on signal: ", queueName});
}

void wokenWhileSuspended(RootLogger* reporter,
                         int32_t state,
                         const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Info, 147, runFunction,
       {"mSignal has been notified, state is ", stateName(state), ", name: ", queueName});
}

void taskThrew(RootLogger* reporter,
               const std::string& what,
               const std::string& taskName) noexcept {
  emit(
      reporter, RootLogger::Error, 166, runFunction,
      {"Encountered an exception while running a task: ", what, " with a task name of ", taskName});
}

void taskThrewUnknown(RootLogger* reporter, const std::string& taskName) noexcept {
  emit(reporter, RootLogger::Error, 170, runFunction,
       {"Encountered a generic exception while running task ", taskName});
}

void swapWhileNotProcessing(RootLogger* reporter, const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Warn, 195, swapQueuesFunction,
       {"Thread pool not in processing state, cannot swap queues: ", queueName});
}

void swapDelayedByInitialiserTasks(RootLogger* reporter, const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Warn, 199, swapQueuesFunction,
       {"Initialiser task queued after setting initialised to true, delaying queue swap: ",
        queueName});
}

void swapFinished(RootLogger* reporter, int32_t state, const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Info, 206, swapQueuesFunction,
       {"Threadpool state is now ", stateName(state), ", name: ", queueName});
}

void taskAddedWhileSuspended(RootLogger* reporter,
                             const std::string& taskName,
                             const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Warn, 228, addTaskFunction,
       {"Adding task to task queue while suspended ", taskName, ", name: ", queueName});
}

void taskDeferredWhileInitialising(RootLogger* reporter, const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Warn, 253, addTaskFunction,
       {"Task created while thread pool is initialising, adding the task to the deferred "
        "queue: ",
        queueName});
}

void taskDeferredWhileProcessing(RootLogger* reporter, const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Debug, 257, addTaskFunction,
       {"Task created while thread pool is processing initialiser tasks, adding the task to "
        "the deferred queue: ",
        queueName});
}

void suspendRequested(RootLogger* reporter, const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Info, 313, suspendFunction,
       {"Entering, asking the threadpool to suspend: ", queueName});
}

void suspendWhileSuspended(RootLogger* reporter, const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Warn, 320, suspendFunction,
       {"We are suspended and suspendProcessingWhenFinished was called: ", queueName});
}

void suspendDeferredUntilTaskFinishes(RootLogger* reporter, const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Info, 325, suspendFunction,
       {"Currently processing tasks, will suspend when tasks have finished: ", queueName});
}

void suspendFinished(RootLogger* reporter,
                     bool isSuspended,
                     const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Info, 333, suspendFunction,
       {"Exiting, mIsSuspended state is ", flagText(isSuspended), ", name: ", queueName});
}

void resumeWhileNotSuspended(RootLogger* reporter, const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Info, 348, resumeFunction,
       {"Threadpool was not SUSPENDED, taking no action: ", queueName});
}

void resumeFinished(RootLogger* reporter, bool isSuspended, const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Info, 351, resumeFunction,
       {"Exiting, mIsSuspended state is ", flagText(isSuspended), ", name: ", queueName});
}

}  // namespace queue_diagnostics
}  // namespace zelto
