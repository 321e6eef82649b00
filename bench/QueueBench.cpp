// AsyncQueue against boost::asio (an io_context run by one thread): tasks per second for
// one and two producers, and the latency from adding a task to its start on the worker.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "async/AsyncQueue.h"

namespace bench {
namespace {

constexpr int64_t kTasksPerRound = 100000;
constexpr int64_t kLatencySamples = 5000;

using Clock = std::chrono::steady_clock;

// The two executors behind one face: post(task) and nothing else.
class QueueExecutor {
 public:
  QueueExecutor() : mQueue("bench") {}
  template <typename Task>
  void post(Task&& task) {
    mQueue.addTask("task", std::forward<Task>(task), zelto::Back, 0);
  }

 private:
  zelto::AsyncQueue mQueue;
};

class AsioExecutor {
 public:
  AsioExecutor()
      : mWork(boost::asio::make_work_guard(mContext)), mRunner([this] { mContext.run(); }) {}
  ~AsioExecutor() {
    mWork.reset();
    mRunner.join();
  }
  template <typename Task>
  void post(Task&& task) {
    boost::asio::post(mContext, std::forward<Task>(task));
  }

 private:
  boost::asio::io_context mContext{1};  // one thread runs it
  boost::asio::executor_work_guard<boost::asio::io_context::executor_type> mWork;
  std::thread mRunner;
};

// Each round, `producers` threads (the benchmark's own among them) post their share of
// kTasksPerRound tasks; the round ends when the last task has run.
template <typename Executor>
void tasksPerSecond(benchmark::State& state) {
  const int producers = static_cast<int>(state.range(0));
  Executor executor;
  for (auto _ : state) {
    std::atomic<int64_t> ran{0};
    std::promise<void> allRan;
    auto task = [&ran, &allRan] {
      if (ran.fetch_add(1, std::memory_order_relaxed) + 1 == kTasksPerRound) {
        allRan.set_value();
      }
    };
    auto produce = [&executor, &task](int64_t count) {
      for (int64_t i = 0; i < count; ++i) {
        executor.post(task);
      }
    };
    const int64_t share = kTasksPerRound / producers;
    std::vector<std::thread> others;
    for (int p = 1; p < producers; ++p) {
      others.emplace_back(produce, share);
    }
    produce(kTasksPerRound - share * (producers - 1));
    for (std::thread& other : others) {
      other.join();
    }
    allRan.get_future().wait();
  }
  state.SetItemsProcessed(state.iterations() * kTasksPerRound);
}

void BM_Tasks_AsyncQueue(benchmark::State& state) {
  tasksPerSecond<QueueExecutor>(state);
}
BENCHMARK(BM_Tasks_AsyncQueue)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_Tasks_Asio(benchmark::State& state) {
  tasksPerSecond<AsioExecutor>(state);
}
BENCHMARK(BM_Tasks_Asio)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

// One task at a time into an idle executor: the time from the call that adds it to the
// first instruction of the task on the worker. Reported as median and 99th percentile.
template <typename Executor>
void addToStartLatency(benchmark::State& state) {
  Executor executor;
  std::vector<double> samples;
  samples.reserve(static_cast<std::size_t>(state.max_iterations));
  std::mutex mutex;
  std::condition_variable signal;
  for (auto _ : state) {
    Clock::time_point started;
    bool ran = false;
    const Clock::time_point added = Clock::now();
    executor.post([&] {
      started = Clock::now();
      std::lock_guard<std::mutex> lock(mutex);
      ran = true;
      signal.notify_one();
    });
    std::unique_lock<std::mutex> lock(mutex);
    signal.wait(lock, [&] { return ran; });
    samples.push_back(std::chrono::duration<double, std::micro>(started - added).count());
  }
  std::sort(samples.begin(), samples.end());
  auto percentile = [&](double p) {
    return samples[std::min(samples.size() - 1, static_cast<std::size_t>(p * samples.size()))];
  };
  state.counters["median_us"] = percentile(0.5);
  state.counters["p99_us"] = percentile(0.99);
}

void BM_Latency_AsyncQueue(benchmark::State& state) {
  addToStartLatency<QueueExecutor>(state);
}
BENCHMARK(BM_Latency_AsyncQueue)->Iterations(kLatencySamples)->UseRealTime();

void BM_Latency_Asio(benchmark::State& state) {
  addToStartLatency<AsioExecutor>(state);
}
BENCHMARK(BM_Latency_Asio)->Iterations(kLatencySamples)->UseRealTime();

}  // namespace
}  // namespace bench
