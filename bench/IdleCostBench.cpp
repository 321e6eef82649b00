// What a queue's worker spends on sparse work: its CPU time per task when one task comes
// every 1 ms or every 100 ms, against a plain mutex and condition variable queue doing
// the same in the same run (the floor: a worker that sleeps whenever it has nothing to
// do). The CPU time is the worker thread's own clock, read from the benchmark's thread,
// from one settled idle moment to another, so that each task's wake-up, run and idle
// spell are all counted, and nothing else.
#include <benchmark/benchmark.h>
#include <pthread.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "LogSample.h"
#include "async/AsyncQueue.h"
#include "logging/RootLogger.h"

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;

// The floor: one lock, one condition variable, a deque of std::function, one worker that
// waits whenever the deque is empty.
class PlainQueue {
 public:
  PlainQueue() : mWorker([this] { run(); }) {}
  ~PlainQueue() {
    {
      std::lock_guard<std::mutex> lock(mMutex);
      mStopping = true;
    }
    mSignal.notify_one();
    mWorker.join();
  }
  void post(std::function<void()> task) {
    {
      std::lock_guard<std::mutex> lock(mMutex);
      mTasks.push_back(std::move(task));
    }
    mSignal.notify_one();
  }

 private:
  void run() {
    std::unique_lock<std::mutex> lock(mMutex);
    for (;;) {
      mSignal.wait(lock, [this] { return mStopping || !mTasks.empty(); });
      if (mTasks.empty())
        return;
      std::function<void()> task = std::move(mTasks.front());
      mTasks.pop_front();
      lock.unlock();
      task();
      lock.lock();
    }
  }

  std::mutex mMutex;
  std::condition_variable mSignal;
  std::deque<std::function<void()>> mTasks;
  bool mStopping = false;
  std::thread mWorker;
};

class QueueUnderTest {
 public:
  explicit QueueUnderTest(zelto::AsyncQueue::Start start = zelto::AsyncQueue::Start::Running)
      : mQueue("bench", start) {}
  void post(std::function<void()> task) { mQueue.addTask("task", std::move(task), zelto::Back, 0); }
  zelto::AsyncQueue& queue() { return mQueue; }

 private:
  zelto::AsyncQueue mQueue;
};

// The calling thread's CPU clock, as a clock another thread can read.
clockid_t currentThreadClock() {
  clockid_t clock;
  pthread_getcpuclockid(pthread_self(), &clock);
  return clock;
}

double cpuSeconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Calls `addOne` `count` times, `gap` apart (on a fixed schedule), and reports the CPU
// time of the worker whose clock is `worker` per call.
template <typename AddOne>
void measureWorkerClock(benchmark::State& state,
                        clockid_t worker,
                        std::chrono::microseconds gap,
                        int count,
                        AddOne addOne) {
  for (auto _ : state) {
    std::this_thread::sleep_for(gap);  // the worker settles into its idle state
    const double before = cpuSeconds(worker);
    const Clock::time_point start = Clock::now();
    for (int i = 1; i <= count; ++i) {
      std::this_thread::sleep_until(start + i * gap);
      addOne();
    }
    std::this_thread::sleep_for(gap);
    const double after = cpuSeconds(worker);
    state.counters["worker_cpu_us_per_task"] = (after - before) * 1e6 / count;
  }
}

// The clock of the worker that runs the task given to `post`, once it has run.
template <typename Post>
clockid_t workerClock(Post post) {
  std::atomic<clockid_t> worker{};
  std::atomic<bool> known{false};
  post([&] {
    worker.store(currentThreadClock());
    known.store(true);
  });
  while (!known.load())
    std::this_thread::yield();
  return worker.load();
}

// Adds `count` tasks doing `work`, `gap` apart, and reports the worker's CPU time per task.
template <typename Post>
void measureWorker(benchmark::State& state,
                   Post post,
                   std::chrono::microseconds gap,
                   int count,
                   const std::function<void()>& work) {
  measureWorkerClock(state, workerClock(post), gap, count, [&] { post(work); });
}

constexpr int kTasksAt1ms = 200;
constexpr int kTasksAt100ms = 8;

void BM_IdleCost_AsyncQueue(benchmark::State& state) {
  QueueUnderTest queue;
  const std::chrono::microseconds gap(state.range(0));
  measureWorker(
      state, [&](std::function<void()> task) { queue.post(std::move(task)); }, gap,
      gap.count() >= 100000 ? kTasksAt100ms : kTasksAt1ms, [] {});
}
BENCHMARK(BM_IdleCost_AsyncQueue)->Arg(1000)->Arg(100000)->Iterations(1)->UseRealTime();

void BM_IdleCost_PlainQueue(benchmark::State& state) {
  PlainQueue queue;
  const std::chrono::microseconds gap(state.range(0));
  measureWorker(
      state, [&](std::function<void()> task) { queue.post(std::move(task)); }, gap,
      gap.count() >= 100000 ? kTasksAt100ms : kTasksAt1ms, [] {});
}
BENCHMARK(BM_IdleCost_PlainQueue)->Arg(1000)->Arg(100000)->Iterations(1)->UseRealTime();

// Deferred tasks while the queue initialises: nothing can run, so the worker should
// spend nothing on them.
void BM_IdleCost_AsyncQueueDeferred(benchmark::State& state) {
  QueueUnderTest queue(zelto::AsyncQueue::Start::Initialising);
  const clockid_t worker = workerClock([&](std::function<void()> task) {
    queue.queue().addInitialiserTask("clock", std::move(task));
  });
  measureWorkerClock(state, worker, std::chrono::microseconds(1000), kTasksAt1ms,
                     [&] { queue.post([] {}); });
  queue.queue().clearTasks();
}
BENCHMARK(BM_IdleCost_AsyncQueueDeferred)->Iterations(1)->UseRealTime();

// One record every 1 ms through a logger with a sink, against the floor running a task
// that formats the same line.
class ClockSink : public zelto::ILogSink {
 public:
  void write(const std::string& line, const zelto::LogComponents&) override {
    benchmark::DoNotOptimize(line.data());
    if (!mKnown.load(std::memory_order_relaxed)) {
      mClock.store(currentThreadClock());
      mKnown.store(true);
    }
  }
  std::atomic<clockid_t> mClock{};
  std::atomic<bool> mKnown{false};
};

void BM_IdleCost_LoggerRecord(benchmark::State& state) {
  auto sink = std::make_shared<ClockSink>();
  zelto::RootLogger::Settings settings;
  settings.enabled = true;
  settings.sinks.push_back(sink);
  zelto::RootLogger logger(settings);
  auto log = [&] {
    logger.log(kLogMessage, zelto::RootLogger::Info, kLogLine, kLogFile, kLogFunction);
  };
  log();
  while (!sink->mKnown.load())
    std::this_thread::yield();
  measureWorkerClock(state, sink->mClock.load(), std::chrono::microseconds(1000), kTasksAt1ms, log);
}
BENCHMARK(BM_IdleCost_LoggerRecord)->Iterations(1)->UseRealTime();

void BM_IdleCost_PlainQueueFormatting(benchmark::State& state) {
  PlainQueue queue;
  std::string line;
  measureWorker(
      state, [&](std::function<void()> task) { queue.post(std::move(task)); },
      std::chrono::microseconds(1000), kTasksAt1ms,
      [&line] {
        line = "2024-03-05T14:07:09.042Z <Info> [812] AsyncQueue.cpp:" + std::to_string(kLogLine) +
               " " + kLogFunction + ":" + kLogMessage;
        benchmark::DoNotOptimize(line.data());
      });
}
BENCHMARK(BM_IdleCost_PlainQueueFormatting)->Iterations(1)->UseRealTime();

}  // namespace
}  // namespace bench
