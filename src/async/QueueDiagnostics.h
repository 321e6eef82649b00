// What an AsyncQueue reports through the root logger: one function per report, with its
// fixed text, level and line.
//
// Each report builds its message, restores the queue's file literal and the literal of
// the emitting operation, and makes one log call, even when the logger then drops it.
// A null reporter means the process-wide RootLogger::instance(), looked up at each call.
// None of them throws.
//
// Reports marked "under the lock" are made while the queue holds its lock. The logger's
// own queue therefore cannot accept them (its lock reports the re-entry and the logger
// drops the record); for any other queue the logger's queue lock is taken after the
// reporting queue's, never the other way round.
#pragma once

#include <cstdint>
#include <string>
#include <system_error>

namespace zelto {

class RootLogger;

namespace queue_diagnostics {

// stop
void joinFailed(RootLogger* reporter, const std::error_code& code) noexcept;
void joinFailedUnexpectedly(RootLogger* reporter) noexcept;

// the worker loop
void suspendingWithCallback(RootLogger* reporter,
                            const std::string& queueName) noexcept;  // under the lock
void finishedCallbackThrew(RootLogger* reporter, const std::string& what) noexcept;
void finishedCallbackThrewUnknown(RootLogger* reporter) noexcept;
void waitingWhileSuspended(RootLogger* reporter,
                           bool isSuspended,
                           const std::string& queueName) noexcept;  // under the lock
void wokenWhileSuspended(RootLogger* reporter,
                         int32_t state,
                         const std::string& queueName) noexcept;  // under the lock
void taskThrew(RootLogger* reporter, const std::string& what, const std::string& taskName) noexcept;
void taskThrewUnknown(RootLogger* reporter, const std::string& taskName) noexcept;

// swapQueues, all under the lock
void swapWhileNotProcessing(RootLogger* reporter, const std::string& queueName) noexcept;
void swapDelayedByInitialiserTasks(RootLogger* reporter, const std::string& queueName) noexcept;
void swapFinished(RootLogger* reporter, int32_t state, const std::string& queueName) noexcept;

// addTask, all under the lock
void taskAddedWhileSuspended(RootLogger* reporter,
                             const std::string& taskName,
                             const std::string& queueName) noexcept;
void taskDeferredWhileInitialising(RootLogger* reporter, const std::string& queueName) noexcept;
void taskDeferredWhileProcessing(RootLogger* reporter, const std::string& queueName) noexcept;

// suspendProcessingWhenFinished
void suspendRequested(RootLogger* reporter, const std::string& queueName) noexcept;
void suspendWhileSuspended(RootLogger* reporter,
                           const std::string& queueName) noexcept;  // under the lock
void suspendDeferredUntilTaskFinishes(RootLogger* reporter,
                                      const std::string& queueName) noexcept;  // under the lock
void suspendFinished(RootLogger* reporter,
                     bool isSuspended,
                     const std::string& queueName) noexcept;  // under the lock

// resumeProcessing, all under the lock
void resumeWhileNotSuspended(RootLogger* reporter, const std::string& queueName) noexcept;
void resumeFinished(RootLogger* reporter, bool isSuspended, const std::string& queueName) noexcept;

}  // namespace queue_diagnostics
}  // namespace zelto
