// One accepted log call, packed on the calling thread and finished on the logger's worker.
#pragma once

#include <cstdint>
#include <string>

namespace zelto {

struct LogComponents {
  std::string timestamp;  // taken when log was called
  std::string level;      // printed name of the level
  uint32_t threadId = 0;  // operating-system id of the thread that called log
  std::string file;       // file argument without its directories
  std::string function;
  std::string message;  // masked in place on the worker before formatting
  int32_t line = 0;
};

}  // namespace zelto
