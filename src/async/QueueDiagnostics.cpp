#include "async/QueueDiagnostics.h"

#include <sstream>

#include "async/QueueState.h"
#include "logging/RootLogger.h"
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

// One restoring function per literal, called anew at every report.
std::string sourceFile() {
  return kSourceFile.str();
}
std::string stopFunction() {
  return kStopFunction.str();
}
std::string runFunction() {
  return kRunFunction.str();
}
std::string swapQueuesFunction() {
  return kSwapQueuesFunction.str();
}
std::string addTaskFunction() {
  return kAddTaskFunction.str();
}
std::string resumeFunction() {
  return kResumeFunction.str();
}
std::string suspendFunction() {
  return kSuspendFunction.str();
}

using RestoreFunction = std::string (*)();

const char* flagText(bool flag) {
  return flag ? "1" : "0";
}

// Builds the message with compose, then hands it to the logger with both literals
// restored anew. Nothing escapes: a report must never break the queue.
template <typename Compose>
void emit(RootLogger* reporter,
          RootLogger::Level level,
          int32_t line,
          RestoreFunction restoreFunction,
          Compose compose) noexcept {
  try {
    std::ostringstream message;
    compose(message);
    RootLogger& logger = reporter != nullptr ? *reporter : RootLogger::instance();
    const std::string function = restoreFunction();
    const std::string file = sourceFile();
    logger.log(message.str(), level, line, file, function);
  } catch (...) {
  }
}

}  // namespace

void joinFailed(RootLogger* reporter, const std::error_code& code) noexcept {
  emit(reporter, RootLogger::Error, 104, stopFunction, [&](std::ostream& m) {
    m << "Failure waiting for worker thread to finish. code=" << code.category().name() << ":"
      << code.value();
  });
}

void joinFailedUnexpectedly(RootLogger* reporter) noexcept {
  emit(reporter, RootLogger::Error, 108, stopFunction, [&](std::ostream& m) {
    m << "Encountered unexpected exception while calling mThread.join()";
  });
}

void suspendingWithCallback(RootLogger* reporter, const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Info, 122, runFunction, [&](std::ostream& m) {
    m << "mHasFinishedFunc is not nil, so we are ready to suspend and notify callback: "
      << queueName;
  });
}

void finishedCallbackThrew(RootLogger* reporter, const std::string& what) noexcept {
  emit(reporter, RootLogger::Error, 132, runFunction, [&](std::ostream& m) {
    m << "Encountered an exception while calling suspension lambda: " << what;
  });
}

void finishedCallbackThrewUnknown(RootLogger* reporter) noexcept {
  emit(reporter, RootLogger::Error, 136, runFunction, [&](std::ostream& m) {
    m << "Encountered a generic exception while calling suspension lambda";
  });
}

void waitingWhileSuspended(RootLogger* reporter,
                           bool isSuspended,
                           const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Info, 145, runFunction, [&](std::ostream& m) {
    m << "Threadpool mIsSuspended value is " << flagText(isSuspended)
      << " .. about to wait on signal: " << queueName;
  });
}

void wokenWhileSuspended(RootLogger* reporter,
                         int32_t state,
                         const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Info, 147, runFunction, [&](std::ostream& m) {
    m << "mSignal has been notified, state is " << stateName(state) << ", name: " << queueName;
  });
}

void taskThrew(RootLogger* reporter,
               const std::string& what,
               const std::string& taskName) noexcept {
  emit(reporter, RootLogger::Error, 166, runFunction, [&](std::ostream& m) {
    m << "Encountered an exception while running a task: " << what << " with a task name of "
      << taskName;
  });
}

void taskThrewUnknown(RootLogger* reporter, const std::string& taskName) noexcept {
  emit(reporter, RootLogger::Error, 170, runFunction, [&](std::ostream& m) {
    m << "Encountered a generic exception while running task " << taskName;
  });
}

void swapWhileNotProcessing(RootLogger* reporter, const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Warn, 195, swapQueuesFunction, [&](std::ostream& m) {
    m << "Thread pool not in processing state, cannot swap queues: " << queueName;
  });
}

void swapDelayedByInitialiserTasks(RootLogger* reporter, const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Warn, 199, swapQueuesFunction, [&](std::ostream& m) {
    m << "Initialiser task queued after setting initialised to true, delaying queue swap: "
      << queueName;
  });
}

void swapFinished(RootLogger* reporter, int32_t state, const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Info, 206, swapQueuesFunction, [&](std::ostream& m) {
    m << "Threadpool state is now " << stateName(state) << ", name: " << queueName;
  });
}

void taskAddedWhileSuspended(RootLogger* reporter,
                             const std::string& taskName,
                             const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Warn, 228, addTaskFunction, [&](std::ostream& m) {
    m << "Adding task to task queue while suspended " << taskName << ", name: " << queueName;
  });
}

void taskDeferredWhileInitialising(RootLogger* reporter, const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Warn, 253, addTaskFunction, [&](std::ostream& m) {
    m << "Task created while thread pool is initialising, adding the task to the deferred "
         "queue: "
      << queueName;
  });
}

void taskDeferredWhileProcessing(RootLogger* reporter, const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Debug, 257, addTaskFunction, [&](std::ostream& m) {
    m << "Task created while thread pool is processing initialiser tasks, adding the task to "
         "the deferred queue: "
      << queueName;
  });
}

void suspendRequested(RootLogger* reporter, const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Info, 313, suspendFunction,
       [&](std::ostream& m) { m << "Entering, asking the threadpool to suspend: " << queueName; });
}

void suspendWhileSuspended(RootLogger* reporter, const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Warn, 320, suspendFunction, [&](std::ostream& m) {
    m << "We are suspended and suspendProcessingWhenFinished was called: " << queueName;
  });
}

void suspendDeferredUntilTaskFinishes(RootLogger* reporter, const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Info, 325, suspendFunction, [&](std::ostream& m) {
    m << "Currently processing tasks, will suspend when tasks have finished: " << queueName;
  });
}

void suspendFinished(RootLogger* reporter,
                     bool isSuspended,
                     const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Info, 333, suspendFunction, [&](std::ostream& m) {
    m << "Exiting, mIsSuspended state is " << flagText(isSuspended) << ", name: " << queueName;
  });
}

void resumeWhileNotSuspended(RootLogger* reporter, const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Info, 348, resumeFunction, [&](std::ostream& m) {
    m << "Threadpool was not SUSPENDED, taking no action: " << queueName;
  });
}

void resumeFinished(RootLogger* reporter, bool isSuspended, const std::string& queueName) noexcept {
  emit(reporter, RootLogger::Info, 351, resumeFunction, [&](std::ostream& m) {
    m << "Exiting, mIsSuspended state is " << flagText(isSuspended) << ", name: " << queueName;
  });
}

}  // namespace queue_diagnostics
}  // namespace zelto
