// A destination for formatted log lines.
#pragma once

#include <string>

#include "logging/LogComponents.h"

namespace zelto {

class ILogSink {
 public:
  // Called on the logger's worker thread only, one line at a time. May throw: the
  // line's remaining sinks are then skipped and the line is not counted.
  //
  // `line` and `record` are the worker's own, reused for the next record: they are
  // valid only until write returns. A sink that keeps anything copies it.
  virtual void write(const std::string& line, const LogComponents& record) = 0;

  // Declared after write so that write keeps the first slot.
  virtual ~ILogSink() = default;
};

}  // namespace zelto
