// The parts of an accepted record's cost on the calling thread, measured alone: the
// timestamp, with and without the reuse of the platform formatter's text, adding a
// task to a queue whose worker is busy, and what this machine charges for moving one
// cache line from one CPU to the other (the least a record costs its caller when the
// worker runs at the same time: the queue's lock changes hands twice per record).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <thread>

#include "LogSample.h"
#include "async/AsyncQueue.h"
#include "logging/Timestamp.h"
#include "util/ProcessorHints.h"

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

// Two threads hand one cache line to each other: each waits until the other has written
// its turn, then writes the next. Time per hand-over, i.e. per move of the line from one
// CPU to the other (on one CPU, a task switch instead).
void BM_Part_LineBetweenCpus(benchmark::State& state) {
  constexpr uint32_t kHandOvers = 100000;
  struct alignas(zelto::kCacheLine) Line {
    std::atomic<uint32_t> turn{0};
  };
  Line line;
  std::atomic<bool> done{false};
  // Spins, letting others run now and then, until `turn` holds `wanted` or the run ends.
  auto waitFor = [&](uint32_t wanted) {
    for (uint32_t spins = 1; line.turn.load(std::memory_order_acquire) != wanted; ++spins) {
      if (done.load(std::memory_order_relaxed))
        return;
      if (spins % 1024 == 0)
        std::this_thread::yield();
    }
  };
  std::thread partner([&] {
    for (uint32_t turn = 1;; turn += 2) {
      waitFor(turn);
      if (done.load(std::memory_order_relaxed))
        return;
      line.turn.store(turn + 1, std::memory_order_release);
    }
  });
  uint32_t turn = 0;
  for (auto _ : state) {
    for (uint32_t i = 0; i < kHandOvers; i += 2) {
      line.turn.store(turn + 1, std::memory_order_release);
      turn += 2;
      waitFor(turn);
    }
  }
  done = true;
  partner.join();
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kHandOvers);
}
BENCHMARK(BM_Part_LineBetweenCpus)->UseRealTime();

}  // namespace
}  // namespace bench
