// The life stages of an AsyncQueue.
#pragma once

#include <cstdint>
#include <string>

namespace zelto {

// Held as a 32-bit integer. A queue starts Running, or Initialising when it is built to
// run initialiser tasks first; Stopped is final.
enum QueueState : int32_t {
  Initialising = 0,  // new tasks wait in the deferred queue; initialiser tasks run
  Processing = 1,    // declared initialised; the swap follows once initialiser tasks ran
  Running = 2,       // tasks go straight to the task queue
  Exiting = 3,       // new tasks are refused; the worker drains the task queue and ends
  Stopped = 4,       // the worker has been joined
};

// "initialising", "processing", "running", "exiting", "stopped"; empty for any other value.
std::string stateName(int32_t state);

}  // namespace zelto
