// The log call both loggers are measured with: a queue diagnostic of the system, with
// its file, function and line.
#pragma once

#include <cstdint>
#include <string>

namespace bench {

inline const std::string kLogMessage = "Threadpool state is now running, name: RootLogger";
inline const std::string kLogFile =
    "C:\\jenkins\\workspace\\zelto-native\\quorvane\\src\\async\\AsyncQueue.cpp";
inline const std::string kLogFunction = "AsyncQueue::swapQueues()";
inline constexpr int32_t kLogLine = 206;

// Records logged between two drains of a logger's queue, when the calling thread's cost
// is measured: the queues never fill, so neither caller ever waits for its worker.
inline constexpr int64_t kRecordsPerDrain = 1000;
// Records per measured round when records per second are measured end to end.
inline constexpr int64_t kRecordsPerRound = 20000;

}  // namespace bench
