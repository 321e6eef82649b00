// A configured root logger that keeps what its sinks receive, for the logger's fuzz
// targets. Each input gets a logger of its own, so no state leaks between inputs.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "logging/ILogSink.h"
#include "logging/RootLogger.h"

namespace fuzz {

class KeepingSink : public zelto::ILogSink {
 public:
  struct Entry {
    std::string line;
    zelto::LogComponents record;
  };

  // Called on the logger's worker only; read after a flush.
  void write(const std::string& line, const zelto::LogComponents& record) override {
    mEntries.push_back(Entry{line, record});
  }
  const std::vector<Entry>& entries() const { return mEntries; }

 private:
  std::vector<Entry> mEntries;
};

}  // namespace fuzz
