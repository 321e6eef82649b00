#include "support/FailingAllocation.h"

#include <cstdlib>
#include <new>

namespace zelto::testing_support {
namespace {

// Allocations left before the failing one (0: none armed), and whether it came. Plain
// values, so that they stay usable while the thread's other objects are destroyed.
thread_local int tAllocationsBeforeFailure = 0;
thread_local bool tFailed = false;

}  // namespace

FailingAllocation::FailingAllocation(int nth) {
  tFailed = false;
  tAllocationsBeforeFailure = nth;
}

FailingAllocation::~FailingAllocation() {
  tAllocationsBeforeFailure = 0;
}

bool FailingAllocation::failed() const {
  return tFailed;
}

}  // namespace zelto::testing_support

// The other forms (arrays, no-throw) of the runtime go through this one.
void* operator new(std::size_t size) {
  using namespace zelto::testing_support;
  if (tAllocationsBeforeFailure > 0 && --tAllocationsBeforeFailure == 0) {
    tFailed = true;
    throw std::bad_alloc();
  }
  if (void* block = std::malloc(size == 0 ? 1 : size)) {
    return block;
  }
  throw std::bad_alloc();
}

void operator delete(void* block) noexcept {
  std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}
