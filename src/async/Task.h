// One unit of work of an AsyncQueue.
#pragma once

#include <cstdint>
#include <string>

#include "async/TaskFunction.h"

namespace zelto {

struct Task {
  TaskFunction func;  // the work; moved in when the task is added
  int32_t tag = 0;    // chosen by the caller, for removeTasks
  std::string name;   // shown as the current task name and in diagnostics
};

}  // namespace zelto
