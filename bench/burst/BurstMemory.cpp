// The memory a burst of log records leaves behind. In a process of its own, so that its
// peak is the burst's: resident memory at the start, with a logger, at the burst's peak,
// once every record has been written and the logger's worker has gone idle, and once the
// logger is destroyed. Prints one JSON object. Linux only (/proc/self/status).
//
//   quorvane_burst [RECORDS [THREADS]]     (1000000 records from 8 threads)
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "LogSample.h"
#include "logging/RootLogger.h"

namespace {

// A field of /proc/self/status in bytes ("VmRSS", "VmHWM").
long long statusBytes(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(field) + ":";
  while (std::getline(status, line)) {
    if (line.compare(0, prefix.size(), prefix) == 0)
      return std::atoll(line.c_str() + prefix.size()) * 1024;
  }
  return -1;
}

class CountingSink : public zelto::ILogSink {
 public:
  void write(const std::string&, const zelto::LogComponents&) override {
    mCount.fetch_add(1, std::memory_order_relaxed);
  }
  std::atomic<long long> mCount{0};
};

}  // namespace

int main(int argc, char** argv) {
  const long long records = argc > 1 ? std::atoll(argv[1]) : 1000000;
  const int threads = argc > 2 ? std::atoi(argv[2]) : 8;
  const long long start = statusBytes("VmRSS");
  long long before = 0;
  long long drained = 0;
  long long written = 0;
  {
    auto sink = std::make_shared<CountingSink>();
    zelto::RootLogger::Settings settings;
    settings.enabled = true;
    settings.sinks.push_back(sink);
    zelto::RootLogger logger(settings);
    logger.log(bench::kLogMessage, zelto::RootLogger::Info, bench::kLogLine, bench::kLogFile,
               bench::kLogFunction);
    logger.flush();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    before = statusBytes("VmRSS");

    std::vector<std::thread> producers;
    for (int t = 0; t < threads; ++t) {
      producers.emplace_back([&logger, records, threads, t] {
        const long long share = records / threads + (t < records % threads ? 1 : 0);
        for (long long i = 0; i < share; ++i)
          logger.log(bench::kLogMessage, zelto::RootLogger::Info, bench::kLogLine, bench::kLogFile,
                     bench::kLogFunction);
      });
    }
    for (std::thread& producer : producers)
      producer.join();
    logger.flush();
    written = sink->mCount.load() - 1;
    // Long enough for the worker to stop looking for work and go idle.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    drained = statusBytes("VmRSS");
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const long long destroyed = statusBytes("VmRSS");
  std::printf(
      "{\"records\": %lld, \"threads\": %d, \"written\": %lld, \"start\": %lld, "
      "\"before\": %lld, \"peak\": %lld, \"drained\": %lld, \"destroyed\": %lld}\n",
      records, threads, written, start, before, statusBytes("VmHWM"), drained, destroyed);
  return written == records ? 0 : 1;
}
