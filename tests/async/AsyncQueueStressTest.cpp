// Several producers, suspensions and resumptions from tasks, callbacks and other threads,
// and a stop arriving in the middle. Meant to run under ThreadSanitizer as well.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "async/AsyncQueue.h"
#include "async/QueueTestSupport.h"

namespace zelto {
namespace {

using namespace testing_support;

constexpr int kProducers = 4;
constexpr int kTasksPerProducer = 3000;
constexpr int kAllTasks = kProducers * kTasksPerProducer;
constexpr std::chrono::seconds kScenarioBound{60};

struct StressCase {
  const char* label;
  // The stop comes once this many tasks have been added and this many have run.
  int stopAfterTasksAdded;
  int stopAfterTasksRun;
  bool stopFromTask;  // asked by a task on the worker, or by a thread of its own
};

void PrintTo(const StressCase& value, std::ostream* out) {
  *out << value.label;
}

class AsyncQueueStress : public ::testing::TestWithParam<StressCase> {};

TEST_P(AsyncQueueStress, EveryTaskAdmittedBeforeTheStopRunsOnceAndInOrder) {
  const StressCase& scenario = GetParam();
  auto queue = std::make_shared<AsyncQueue>("stress");
  AsyncQueue* const q = queue.get();

  // Written only by tasks, which run one at a time on the worker.
  std::vector<std::vector<int>> ran(kProducers);
  std::atomic<int> tasksAdded{0};
  std::atomic<int> tasksRun{0};
  std::atomic<bool> stopAsked{false};
  std::atomic<bool> stopReturned{false};  // ends the suspending thread
  // The last task of each producer whose addTask returned before the stop was asked.
  std::vector<int> admittedBeforeStop(kProducers, -1);

  auto stopIsDue = [&] {
    return tasksAdded.load() >= scenario.stopAfterTasksAdded &&
           tasksRun.load() >= scenario.stopAfterTasksRun;
  };
  auto askStop = [&] {
    stopAsked.store(true);
    q->stop();
  };

  mustReturn(
      "the stress scenario",
      [&] {
        std::vector<std::thread> threads;
        for (int p = 0; p < kProducers; ++p) {
          threads.emplace_back([&, p] {
            for (int i = 0; i < kTasksPerProducer; ++i) {
              q->addTask(
                  "p" + std::to_string(p),
                  [&, p, i] {
                    ran[p].push_back(i);
                    ++tasksRun;
                    // Exercise the calls a task may make on its own queue.
                    if (!q->isWorkerThread() || q->currentTaskName() != "p" + std::to_string(p))
                      ADD_FAILURE() << "task p" << p << " #" << i << " lost its identity";
                    if (i % 211 == 0)
                      (void)q->suspendProcessingWhenFinished([q] { q->resumeProcessing(); });
                    else if (i % 307 == 0)
                      (void)q->suspendProcessingWhenFinished(nullptr);
                    else if (i % 101 == 0)
                      q->resumeProcessing();
                    if (scenario.stopFromTask && !stopAsked.load() && stopIsDue())
                      askStop();
                  },
                  Back, p);
              if (!stopAsked.load())
                admittedBeforeStop[p] = i;
              ++tasksAdded;
              if (i % 64 == 0)
                std::this_thread::yield();
            }
          });
        }

        // Another thread suspending and resuming while the producers add.
        threads.emplace_back([&] {
          for (unsigned round = 0; !stopReturned.load(); ++round) {
            if (round % 3 == 0)
              (void)q->suspendProcessingWhenFinished(nullptr);
            else if (round % 3 == 1)
              (void)q->suspendProcessingWhenFinished([] {});
            else
              q->resumeProcessing();
            (void)q->taskCount();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            q->resumeProcessing();
          }
        });

        if (!scenario.stopFromTask) {
          while (!stopIsDue())
            std::this_thread::yield();
          askStop();
        }
        while (!stopAsked.load())
          std::this_thread::sleep_for(std::chrono::microseconds(100));
        for (int p = 0; p < kProducers; ++p)
          threads[p].join();
        stopReturned.store(true);
        threads.back().join();
        // Joins the worker also when the stop came from a task.
        queue.reset();
      },
      kScenarioBound);

  for (int p = 0; p < kProducers; ++p) {
    const std::vector<int>& sequence = ran[p];
    int expected = 0;
    for (int value : sequence) {
      if (value != expected) {
        ADD_FAILURE() << "producer " << p << ": task #" << value << " ran where #" << expected
                      << " was due (lost, repeated or out of order)";
        break;
      }
      ++expected;
    }
    EXPECT_GE(static_cast<int>(sequence.size()) - 1, admittedBeforeStop[p])
        << "producer " << p << ": task #" << admittedBeforeStop[p]
        << " was admitted before the stop but never ran";
  }
  EXPECT_GE(tasksRun.load(), scenario.stopAfterTasksRun);
}

INSTANTIATE_TEST_SUITE_P(
    Stops,
    AsyncQueueStress,
    ::testing::Values(StressCase{"WhileAddingFromAnotherThread", kAllTasks / 2, 0, false},
                      StressCase{"WhileDrainingFromAnotherThread", kAllTasks, kAllTasks / 3, false},
                      StressCase{"WhileAddingFromATask", kAllTasks / 2, 0, true},
                      StressCase{"WhileDrainingFromATask", kAllTasks, kAllTasks / 2, true}),
    [](const ::testing::TestParamInfo<StressCase>& info) { return info.param.label; });

}  // namespace
}  // namespace zelto
