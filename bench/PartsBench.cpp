// The parts of an accepted record's cost on the calling thread, measured alone: the
// timestamp, with and without the reuse of the platform formatter's text, and adding a
// task to a queue whose worker is busy.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstddef>
#include <ctime>
#include <thread>

#include "LogSample.h"
#include "async/AsyncQueue.h"
#include "logging/Timestamp.h"

namespace bench {
namespace {

void BM_Part_Timestamp(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(zelto::utcTimestamp());
  }
}
BENCHMARK(BM_Part_Timestamp);

// The same through a formatter that is not the platform's own, so that every call
// converts and formats the whole time: the cost of a timestamp without reuse.
void BM_Part_TimestampFormattedEachTime(benchmark::State& state) {
  const auto platform = zelto::strftimeFunction;
  zelto::strftimeFunction = [platform](char* buffer, std::size_t size, const char* format,
                                       const std::tm* time) {
    return platform(buffer, size, format, time);
  };
  for (auto _ : state) {
    benchmark::DoNotOptimize(zelto::utcTimestamp());
  }
  zelto::strftimeFunction = platform;
}
BENCHMARK(BM_Part_TimestampFormattedEachTime);

// addTask while the worker is busy with another task: the lock, the queue and a
// notification nobody waits for, but no wake-up.
void BM_Part_AddTaskBusyWorker(benchmark::State& state) {
  zelto::AsyncQueue queue("bench");
  std::atomic<bool> release{false};
  queue.addTask(
      "busy",
      [&release] {
        while (!release.load()) {
          std::this_thread::yield();
        }
      },
      zelto::Back, 0);
  int64_t sinceClear = 0;
  for (auto _ : state) {
    queue.addTask(
        "logMessage", [] {}, zelto::Back, 0);
    if (++sinceClear == kRecordsPerDrain) {
      state.PauseTiming();
      queue.clearTasks();
      sinceClear = 0;
      state.ResumeTiming();
    }
  }
  queue.clearTasks();
  release = true;
}
BENCHMARK(BM_Part_AddTaskBusyWorker);

}  // namespace
}  // namespace bench
