#include "async/QueueState.h"

namespace zelto {

std::string stateName(int32_t state) {
  switch (state) {
    case Initialising:
      return "initialising";
    case Processing:
      return "processing";
    case Running:
      return "running";
    case Exiting:
      return "exiting";
    case Stopped:
      return "stopped";
  }
  return std::string();
}

}  // namespace zelto
