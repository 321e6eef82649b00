#include "logging/RootLogger.h"

#include <future>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "async/AsyncQueue.h"
#include "logging/ThreadId.h"
#include "logging/Timestamp.h"
#include "util/DecimalText.h"
#include "util/JoinedText.h"

namespace zelto {

namespace {

constexpr char kMask[] = "********";
// Records of this file go to the tagged sink alone when routing is on.
constexpr char kTaggedFile[] = "KVR";

// Replacing such a word by the mask would put it back: masking would never end.
bool isRefusedMaskWord(const std::string& word) {
  return word.size() <= sizeof(kMask) - 1 && word.find_first_not_of('*') == std::string::npos;
}

std::vector<std::string> checkedMaskWords(const std::vector<std::string>& words) {
  for (const std::string& word : words) {
    if (isRefusedMaskWord(word)) {
      throw std::invalid_argument("mask word \"" + word +
                                  "\" would be found again in its own mask");
    }
  }
  return words;
}

// The part after the last slash or backslash, found by one backward scan.
std::string_view baseName(const std::string& path) {
  std::size_t start = path.size();
  while (start > 0 && path[start - 1] != '/' && path[start - 1] != '\\') {
    --start;
  }
  return std::string_view(path).substr(start);
}

// A record's task holds its logger and the record's handle in the task itself: with the
// record's block from the pool, a call allocates nothing.
static_assert(sizeof(RootLogger*) + sizeof(LogRecordPool::Handle) <= TaskFunction::kInlineSize,
              "a log record's task fits inside the task");

// Replaces the first occurrence of `word` by the mask for as long as there is one, in
// time that grows with the message rather than with its length times the occurrences.
void maskWord(std::string& message, const std::string& word) {
  std::size_t at = message.find(word);
  if (at == std::string::npos) {
    return;
  }
  if (word.find('*') == std::string::npos) {
    // The mask cannot be part of an occurrence, so the occurrences are those of the
    // message as it is, taken from the left without overlap: one pass over it.
    std::string masked;
    masked.reserve(message.size());
    std::size_t from = 0;
    for (; at != std::string::npos; at = message.find(word, from)) {
      masked.append(message, from, at - from).append(kMask);
      from = at + word.size();
    }
    masked.append(message, from, std::string::npos);
    message.swap(masked);
    return;
  }
  // With asterisks a word may reappear across the mask just put in, but never wholly
  // before it: the search goes on from where such an occurrence could start.
  for (; at != std::string::npos;
       at = message.find(word, at + 1 > word.size() ? at + 1 - word.size() : 0)) {
    message.replace(at, word.size(), kMask);
  }
}

// Sets a flag for as long as it lives, also when what it guards throws.
class ScopedFlag {
 public:
  explicit ScopedFlag(bool& flag) : mFlag(flag) { mFlag = true; }
  ~ScopedFlag() { mFlag = false; }
  ScopedFlag(const ScopedFlag&) = delete;
  ScopedFlag& operator=(const ScopedFlag&) = delete;

 private:
  bool& mFlag;
};

// Gives a record's block back to its pool in the worker's batch when the task is done
// with it, however it ends.
class RecycledOnWorker {
 public:
  RecycledOnWorker(LogRecordPool& pool, LogRecordPool::Handle& record)
      : mPool(pool), mRecord(record) {}
  ~RecycledOnWorker() { mPool.giveBackInBatch(std::move(mRecord)); }
  RecycledOnWorker(const RecycledOnWorker&) = delete;
  RecycledOnWorker& operator=(const RecycledOnWorker&) = delete;

 private:
  LogRecordPool& mPool;
  LogRecordPool::Handle& mRecord;
};

}  // namespace

RootLogger::RootLogger(const Settings& settings)
    : mSinks(settings.sinks),
      mMaskWords(checkedMaskWords(settings.maskWords)),
      mLevelFloor(settings.levelFloor),
      mUseLocalTime(settings.useLocalTime),
      mQueue(std::make_shared<AsyncQueue>("RootLogger", *this)),
      mEnabled(settings.enabled),
      mPrivateEnabled(settings.privateEnabled),
      mVerbose(settings.verbose),
      mMinimumLevel(settings.minimumLevel),
      mRouteTagged(settings.routeTagged),
      mTaggedSink(settings.taggedSink) {}

RootLogger::~RootLogger() {
  // The worker must be done with this object before any member goes.
  try {
    mQueue->stop();
  } catch (...) {
  }
}

void RootLogger::record(const std::string& message,
                        Level level,
                        int32_t line,
                        const std::string& file,
                        const std::string& function) noexcept {
  try {
    // Stamped here, so the time is that of the call and not of the writing. The record
    // carries its texts itself, in a block the worker gives back to the pool: a call
    // whose texts are short allocates nothing.
    char timestamp[kTimestampBufferSize];
    const std::size_t timestampLength = writeTimestamp(mUseLocalTime, timestamp);
    LogRecordPool::Handle record =
        mRecordPool.make(std::string_view(timestamp, timestampLength), level, currentThreadId(),
                         baseName(file), function, message, line);
    // Logged on the worker but outside a record: the queue reporting a task that failed.
    // Such a report must not be reported in turn when it fails as well, or a sink that
    // always throws would feed the worker one report per report, for ever. A record a
    // sink logs while it writes is an ordinary record and its failure is reported.
    const bool isFailureReport = mQueue->isWorkerThread() && !mProcessingRecord;
    mQueue->addTask(
        mRecordTaskName,
        [this, record = std::move(record), isFailureReport]() mutable {
          ScopedFlag processing(mProcessingRecord);
          // The block goes back with the worker's batch, also when a sink throws.
          RecycledOnWorker recycled(mRecordPool, record);
          if (!isFailureReport) {
            processRecord(*record);
            return;
          }
          try {
            processRecord(*record);
          } catch (...) {
          }
        },
        Back, 0);
  } catch (...) {
    // Dropped: there is nowhere to report a failure of the logger.
  }
}

void RootLogger::processRecord(const LogRecord& packed) {
  // Unpacked into the worker's own record, whose strings keep their space from one
  // record to the next.
  LogComponents& record = mRecord;
  record.timestamp.assign(packed.timestamp());
  record.level.assign(levelName(packed.level()));
  record.threadId = packed.threadId();
  record.file.assign(packed.file());
  record.function.assign(packed.function());
  record.message.assign(packed.message());
  record.line = packed.line();
  const int32_t level = packed.level();

  for (const std::string& word : mMaskWords) {
    maskWord(record.message, word);
  }

  const DecimalText threadId(record.threadId);
  const DecimalText lineNumber(record.line);
  std::string& line = mLine;
  assignJoined(
      line, {record.timestamp, " <", record.level, "> [", threadId.view(), "] ", record.file, ":",
             lineNumber.view(), " ", record.function, ":", record.message});

  if (mRouteTagged && record.file == kTaggedFile) {
    // With no tagged sink the line goes nowhere, as with no sinks at all.
    if (mTaggedSink) {
      mTaggedSink->write(line, record);
    }
  } else {
    for (const std::shared_ptr<ILogSink>& sink : mSinks) {
      if (sink) {
        sink->write(line, record);
      }
    }
  }

  if (level == Trace || level == Private || level == Detail) {
    return;
  }
  // Records come in runs from one place: the last location's counters are kept at hand
  // (a map's entries stay where they are), and only another location is looked up.
  if (mLastLocationCount == nullptr || record.line != mLastLine || record.file != mLastFile) {
    mLastLocationCount = nullptr;
    // The key is built in reused space: a location seen before costs no allocation.
    assignJoined(mLocationKey, {record.file, ": ", lineNumber.view()});
    uint32_t& locationCount = mCountsByLocation.try_emplace(mLocationKey, 0).first->second;
    uint32_t& fileCount = mCountsByFile.try_emplace(record.file, 0).first->second;
    mLastFile.assign(record.file);
    mLastLine = record.line;
    mLastLocationCount = &locationCount;
    mLastFileCount = &fileCount;
  }
  ++*mLastLocationCount;
  ++*mLastFileCount;
  ++mTotalLines;
  mTotalBytes += line.size();
}

template <typename Work>
void RootLogger::runOnWorker(const char* name, Work work) {
  if (mQueue->isWorkerThread()) {
    work();
    return;
  }
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> finished = done->get_future();
  mQueue->addTask(
      name,
      [work, done]() mutable {
        work();
        done->set_value();
      },
      Back, 0);
  // Ready also when the task is dropped unrun (its promise then breaks).
  finished.wait();
}

void RootLogger::flush() {
  runOnWorker("flush", [] {});
}

RootLogger::Counts RootLogger::counts() {
  // Read on the worker, which alone writes the counters.
  auto snapshot = std::make_shared<Counts>();
  runOnWorker("counts", [this, snapshot] {
    *snapshot = Counts{mCountsByLocation, mCountsByFile, mTotalLines, mTotalBytes};
  });
  return *snapshot;
}

const char* RootLogger::levelName(int32_t level) noexcept {
  switch (level) {
    case Trace:
      return "Trace";
    case Detail:
      return "Detail";
    case Debug:
      return "Debug";
    case Info:
      return "Info";
    case Warn:
      return "Warn";
    case Error:
      return "Error";
    case Private:
      return "Private";
    case Test:
      return "Test";
    default:
      return "Unknown";
  }
}

}  // namespace zelto
