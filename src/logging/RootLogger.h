// The process-wide logger. A call that its settings let through is stamped and packed on
// the calling thread; masking, formatting, the sinks and the counters run on the
// logger's own task queue, one record at a time, in call order.
//
// The process-wide instance keeps its settings at creation for the whole run: it is
// disabled, so every call is dropped before anything is allocated or locked.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "logging/ILogSink.h"
#include "logging/LogComponents.h"
#include "logging/LogRecordPool.h"
#include "util/ProcessorHints.h"

namespace zelto {

class IAsyncQueue;

class RootLogger {
 public:
  enum Level : int32_t {
    Trace = 1,
    Detail = 2,
    Debug = 3,
    Info = 4,
    Warn = 5,
    Error = 6,
    Private = 7,
    Test = 8,
  };

  // Everything a logger is configured with. The defaults are the process-wide
  // instance's: disabled, no sinks, no mask words.
  struct Settings {
    std::vector<std::shared_ptr<ILogSink>> sinks;
    // Each replaced by "********" in every message. Empty words and words of one to
    // eight asterisks are refused: the replacement would contain them again.
    std::vector<std::string> maskWords;
    int32_t levelFloor = 0;  // when not 0, nothing below it passes
    bool useLocalTime = false;
    bool enabled = false;
    bool privateEnabled = false;
    bool verbose = false;  // lets Trace and levels below minimumLevel through
    Level minimumLevel = Trace;
    bool routeTagged = false;  // records of the file "KVR" go to taggedSink alone
    std::shared_ptr<ILogSink> taggedSink;
  };

  // What the worker has counted (Trace, Detail and Private lines are not counted).
  struct Counts {
    std::map<std::string, uint32_t> byLocation;  // "file: line"
    std::map<std::string, uint32_t> byFile;
    uint64_t totalLines = 0;
    uint64_t totalBytes = 0;
  };

  // The process-wide instance, created on the first call and never destroyed: threads
  // may log until the process ends. Inline, like log's filters, so that a dropped call
  // costs its caller a few loads and compares.
  static RootLogger& instance() {
    static RootLogger* const sInstance = new RootLogger(Settings{});
    return *sInstance;
  }

  // A logger of its own with fixed settings, for tests and tools; the process-wide
  // instance is never one of these. Throws std::invalid_argument for a refused mask
  // word. Its queue reports its own diagnostics to this logger.
  //
  // Synchronisation: the settings are set before the logger is shared and never change,
  // so log reads them without a lock; the counters are touched only on the worker, and
  // flush and counts reach them by queueing a task behind the records and waiting for it.
  explicit RootLogger(const Settings& settings);
  // Lets the worker finish every accepted record, then stops it.
  ~RootLogger();

  RootLogger(const RootLogger&) = delete;
  RootLogger& operator=(const RootLogger&) = delete;

  // Never throws; a record that cannot be made or queued is dropped silently.
  void log(const std::string& message,
           Level level,
           int32_t line,
           const std::string& file,
           const std::string& function) noexcept {
    // The filters read settings that never change, so they take no lock and allocate
    // nothing; with logging off the call ends at the second test.
    if (level == Trace && !mVerbose) {
      return;
    }
    if (!mEnabled) {
      return;
    }
    if (level == Private && !mPrivateEnabled) {
      return;
    }
    if (level < mMinimumLevel && !mVerbose) {
      return;
    }
    if (mLevelFloor != 0 && level < mLevelFloor) {
      return;
    }
    record(message, level, line, file, function);
  }

  // Waits until the worker has processed every record accepted before this call.
  // Returns at once when called on the worker itself (from a sink).
  void flush();
  // The counters once every record accepted before this call is processed; read
  // directly when called on the worker.
  Counts counts();

  // "Trace" … "Test", or "Unknown" for any other value.
  static const char* levelName(int32_t level) noexcept;

 private:
  // Lets tests drive the logger's own queue, to see how its reports come back to it.
  friend class RootLoggerTestAccess;

  // Stamps a call that the filters let through and queues its record.
  void record(const std::string& message,
              Level level,
              int32_t line,
              const std::string& file,
              const std::string& function) noexcept;
  // Runs on the worker: unpacks, masks, formats, dispatches and counts one record.
  void processRecord(const LogRecord& packed);
  // Runs `work` on the worker behind every queued record and waits for it.
  template <typename Work>
  void runOnWorker(const char* name, Work work);

  // The name of every record's task, made once rather than at every call.
  const std::string mRecordTaskName{"logMessage"};
  std::vector<std::shared_ptr<ILogSink>> mSinks;
  std::vector<std::string> mMaskWords;
  int32_t mLevelFloor;
  bool mUseLocalTime;
  // Before the queue: tasks still queued when the queue goes give their records back.
  LogRecordPool mRecordPool;
  std::shared_ptr<IAsyncQueue> mQueue;
  bool mEnabled;
  bool mPrivateEnabled;
  bool mVerbose;
  Level mMinimumLevel;
  bool mRouteTagged;
  std::shared_ptr<ILogSink> mTaggedSink;
  // From here on the worker's own state, written at every record: on cache lines of its
  // own, away from the settings every call reads.
  alignas(kCacheLine) std::map<std::string, uint32_t> mCountsByLocation;
  std::map<std::string, uint32_t> mCountsByFile;
  uint64_t mTotalLines = 0;
  uint64_t mTotalBytes = 0;
  // The worker's space for the record it processes, its line and its location key,
  // reused from one record to the next so that their strings rarely allocate.
  LogComponents mRecord;
  std::string mLine;
  std::string mLocationKey;
  // The last location counted and its two counters; no counter while null.
  std::string mLastFile;
  int32_t mLastLine = 0;
  uint32_t* mLastLocationCount = nullptr;
  uint32_t* mLastFileCount = nullptr;
  // True on the worker while it processes a record; read and written there only.
  bool mProcessingRecord = false;
};

}  // namespace zelto
