// A log sink that keeps what it is given, for tests.
#pragma once

#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "logging/ILogSink.h"

namespace zelto::testing {

class RecordingSink : public ILogSink {
 public:
  struct Entry {
    std::string line;
    LogComponents record;
  };

  RecordingSink() = default;
  // `reaction` runs after the line is kept; it may throw.
  explicit RecordingSink(std::function<void(const Entry&)> reaction)
      : mReaction(std::move(reaction)) {}

  void write(const std::string& line, const LogComponents& record) override {
    Entry entry{line, record};
    {
      std::lock_guard<std::mutex> lock(mMutex);
      mEntries.push_back(entry);
    }
    if (mReaction) {
      mReaction(entry);
    }
  }

  std::vector<Entry> entries() const {
    std::lock_guard<std::mutex> lock(mMutex);
    return mEntries;
  }

  std::vector<std::string> lines() const {
    std::vector<std::string> lines;
    for (const Entry& entry : entries()) {
      lines.push_back(entry.line);
    }
    return lines;
  }

  std::vector<std::string> messages() const {
    std::vector<std::string> messages;
    for (const Entry& entry : entries()) {
      messages.push_back(entry.record.message);
    }
    return messages;
  }

 private:
  mutable std::mutex mMutex;
  std::vector<Entry> mEntries;
  std::function<void(const Entry&)> mReaction;
};

}  // namespace zelto::testing
