// The logger's own queue reports through the logger: a report made while that queue
// holds its lock cannot be queued (the lock refuses its holder) and is dropped without a
// deadlock; a report made outside the lock is written like any other record.
#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "async/IAsyncQueue.h"
#include "logging/LoggerFixture.h"

namespace zelto {

class RootLoggerTestAccess {
 public:
  static IAsyncQueue& queue(RootLogger& logger) { return *logger.mQueue; }
};

namespace testing {
namespace {

using RootLoggerOwnQueue = LoggerTest;

TEST_F(RootLoggerOwnQueue, ReportsUnderItsLockAreDroppedAndOthersWritten) {
  RootLogger::Settings settings = enabledSettings();
  settings.verbose = true;
  auto logger = makeLogger(settings);
  IAsyncQueue& queue = RootLoggerTestAccess::queue(*logger);

  // Run on another thread so that a deadlock fails the test instead of hanging it.
  auto done = std::async(std::launch::async, [&] {
    // Its entry report may still be queued when it counts the tasks: the result is not
    // looked at. Without a callback the queue is suspended at once either way.
    queue.suspendProcessingWhenFinished(nullptr);
    queue.resumeProcessing();
    queue.resumeProcessing();
    logger->flush();
  });
  ASSERT_EQ(done.wait_for(std::chrono::seconds(20)), std::future_status::ready)
      << "the logger's queue deadlocked on its own report";

  // Only the suspension's entry report is made outside the queue's lock; the exit
  // reports of suspend and resume, the "not suspended" report and the worker's wake-up
  // reports all come while the lock is held.
  EXPECT_EQ(mSink->messages(),
            std::vector<std::string>{"Entering, asking the threadpool to suspend: RootLogger"});
}

}  // namespace
}  // namespace testing
}  // namespace zelto
