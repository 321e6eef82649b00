// The root logger against spdlog: a dropped call, an accepted record on the calling
// thread, and records per second through the queue to a sink; and masking, which has
// no peer.
#include <benchmark/benchmark.h>
#include <spdlog/async.h>
#include <spdlog/async_logger.h>
#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/base_sink.h>
#include <spdlog/sinks/null_sink.h>
#include <spdlog/spdlog.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "AllocationCounter.h"
#include "LogSample.h"
#include "async/QueueDiagnostics.h"
#include "async/QueueState.h"
#include "logging/RootLogger.h"

namespace bench {
namespace {

using zelto::RootLogger;

void reportAllocationsPerCall(benchmark::State& state, uint64_t before) {
  const uint64_t made = threadAllocations() - before;
  state.counters["allocs_per_call"] =
      static_cast<double>(made) / static_cast<double>(state.iterations());
}

// A sink that only counts what reaches it.
class CountingSink : public zelto::ILogSink {
 public:
  void write(const std::string&, const zelto::LogComponents&) override {
    mCount.fetch_add(1, std::memory_order_release);
  }
  uint64_t count() const { return mCount.load(std::memory_order_acquire); }

 private:
  std::atomic<uint64_t> mCount{0};
};

// spdlog's counterpart of CountingSink. spdlog formats in the sink, so this one formats
// the line like the root logger's (which is always formatted) before counting it.
class SpdlogCountingSink : public spdlog::sinks::base_sink<spdlog::details::null_mutex> {
 public:
  uint64_t count() const { return mCount.load(std::memory_order_acquire); }

 protected:
  void sink_it_(const spdlog::details::log_msg& message) override {
    spdlog::memory_buf_t line;
    formatter_->format(message, line);
    benchmark::DoNotOptimize(line.data());
    mCount.fetch_add(1, std::memory_order_release);
  }
  void flush_() override {}

 private:
  std::atomic<uint64_t> mCount{0};
};

// The root logger's line, in spdlog's pattern language.
constexpr char kSpdlogPattern[] = "%Y-%m-%dT%H:%M:%S.%eZ <%l> [%t] %s:%# %!:%v";

spdlog::source_loc sampleLocation() {
  return spdlog::source_loc{kLogFile.c_str(), kLogLine, kLogFunction.c_str()};
}

std::shared_ptr<spdlog::logger> droppingSpdlogLogger() {
  auto logger =
      std::make_shared<spdlog::logger>("dropping", std::make_shared<spdlog::sinks::null_sink_mt>());
  logger->set_level(spdlog::level::off);
  return logger;
}

void waitUntil(const std::function<bool()>& done) {
  while (!done()) {
    std::this_thread::yield();
  }
}

// --- A dropped call --------------------------------------------------------------------

// The process-wide logger as the system has it: disabled, so every call is dropped.
void BM_DroppedLog_Quorvane(benchmark::State& state) {
  const uint64_t before = threadAllocations();
  for (auto _ : state) {
    RootLogger::instance().log(kLogMessage, RootLogger::Info, kLogLine, kLogFile, kLogFunction);
  }
  reportAllocationsPerCall(state, before);
}
BENCHMARK(BM_DroppedLog_Quorvane);

void BM_DroppedLog_Spdlog(benchmark::State& state) {
  auto logger = droppingSpdlogLogger();
  const uint64_t before = threadAllocations();
  for (auto _ : state) {
    logger->log(sampleLocation(), spdlog::level::info, spdlog::string_view_t(kLogMessage));
  }
  reportAllocationsPerCall(state, before);
}
BENCHMARK(BM_DroppedLog_Spdlog);

// A whole log call of the system: a queue report (the one the sample message is), which
// builds its message and restores both scrambled literals before every call, whether or
// not the logger keeps it.
void BM_DroppedCallSite_Quorvane(benchmark::State& state) {
  const std::string queueName = "RootLogger";
  const uint64_t before = threadAllocations();
  for (auto _ : state) {
    zelto::queue_diagnostics::swapFinished(nullptr, zelto::Running, queueName);
  }
  reportAllocationsPerCall(state, before);
}
BENCHMARK(BM_DroppedCallSite_Quorvane);

// spdlog's idiom for the same call: the message is formatted only once the level passes.
void BM_DroppedCallSite_Spdlog(benchmark::State& state) {
  auto logger = droppingSpdlogLogger();
  const std::string queueName = "RootLogger";
  const uint64_t before = threadAllocations();
  for (auto _ : state) {
    logger->log(sampleLocation(), spdlog::level::info, "Threadpool state is now {}, name: {}",
                "running", queueName);
  }
  reportAllocationsPerCall(state, before);
}
BENCHMARK(BM_DroppedCallSite_Spdlog);

// --- An accepted record, on the calling thread ------------------------------------------

void BM_AcceptedLog_Quorvane(benchmark::State& state) {
  RootLogger::Settings settings;
  settings.enabled = true;
  settings.sinks.push_back(std::make_shared<CountingSink>());
  RootLogger logger(settings);
  const uint64_t before = threadAllocations();
  uint64_t flushAllocations = 0;
  int64_t sinceDrain = 0;
  for (auto _ : state) {
    logger.log(kLogMessage, RootLogger::Info, kLogLine, kLogFile, kLogFunction);
    if (++sinceDrain == kRecordsPerDrain) {
      state.PauseTiming();
      const uint64_t beforeFlush = threadAllocations();
      logger.flush();
      flushAllocations += threadAllocations() - beforeFlush;
      sinceDrain = 0;
      state.ResumeTiming();
    }
  }
  state.counters["allocs_per_call"] =
      static_cast<double>(threadAllocations() - before - flushAllocations) /
      static_cast<double>(state.iterations());
  logger.flush();
}
BENCHMARK(BM_AcceptedLog_Quorvane);

void BM_AcceptedLog_Spdlog(benchmark::State& state) {
  auto pool = std::make_shared<spdlog::details::thread_pool>(8192, 1);
  auto logger = std::make_shared<spdlog::async_logger>(
      "accepting", std::make_shared<spdlog::sinks::null_sink_mt>(), pool,
      spdlog::async_overflow_policy::block);
  const uint64_t before = threadAllocations();
  int64_t sinceDrain = 0;
  for (auto _ : state) {
    logger->log(sampleLocation(), spdlog::level::info, spdlog::string_view_t(kLogMessage));
    if (++sinceDrain == kRecordsPerDrain) {
      state.PauseTiming();
      waitUntil([&] { return pool->queue_size() == 0; });
      sinceDrain = 0;
      state.ResumeTiming();
    }
  }
  reportAllocationsPerCall(state, before);
  waitUntil([&] { return pool->queue_size() == 0; });
}
BENCHMARK(BM_AcceptedLog_Spdlog);

// --- Records per second through the queue to a sink -------------------------------------

void BM_Throughput_Quorvane(benchmark::State& state) {
  auto sink = std::make_shared<CountingSink>();
  RootLogger::Settings settings;
  settings.enabled = true;
  settings.sinks.push_back(sink);
  RootLogger logger(settings);
  uint64_t target = 0;
  for (auto _ : state) {
    for (int64_t i = 0; i < kRecordsPerRound; ++i) {
      logger.log(kLogMessage, RootLogger::Info, kLogLine, kLogFile, kLogFunction);
    }
    target += kRecordsPerRound;
    waitUntil([&] { return sink->count() >= target; });
  }
  state.SetItemsProcessed(state.iterations() * kRecordsPerRound);
}
BENCHMARK(BM_Throughput_Quorvane)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_Throughput_Spdlog(benchmark::State& state) {
  auto pool = std::make_shared<spdlog::details::thread_pool>(8192, 1);
  auto sink = std::make_shared<SpdlogCountingSink>();
  sink->set_formatter(
      std::make_unique<spdlog::pattern_formatter>(kSpdlogPattern, spdlog::pattern_time_type::utc));
  auto logger = std::make_shared<spdlog::async_logger>("counting", sink, pool,
                                                       spdlog::async_overflow_policy::block);
  uint64_t target = 0;
  for (auto _ : state) {
    for (int64_t i = 0; i < kRecordsPerRound; ++i) {
      logger->log(sampleLocation(), spdlog::level::info, spdlog::string_view_t(kLogMessage));
    }
    target += kRecordsPerRound;
    waitUntil([&] { return sink->count() >= target; });
  }
  state.SetItemsProcessed(state.iterations() * kRecordsPerRound);
}
BENCHMARK(BM_Throughput_Spdlog)->UseRealTime()->Unit(benchmark::kMillisecond);

// --- Masking (no peer has it) ------------------------------------------------------------

// A 64 KiB message in which a one-letter mask word occurs 8 192 times, masked on the
// worker: the time from the call until the line has reached the sink.
void BM_Masking_Quorvane(benchmark::State& state) {
  auto sink = std::make_shared<CountingSink>();
  RootLogger::Settings settings;
  settings.enabled = true;
  settings.maskWords = {"a"};
  settings.sinks.push_back(sink);
  RootLogger logger(settings);
  std::string message;
  for (int i = 0; i < 8192; ++i) {
    message += "a-bcdefg";
  }
  for (auto _ : state) {
    logger.log(message, RootLogger::Info, kLogLine, kLogFile, kLogFunction);
    logger.flush();
  }
}
BENCHMARK(BM_Masking_Quorvane)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace bench
