// Makes one heap allocation of the calling thread fail, to see what code does when
// memory runs out. The test program's global operator new is replaced for this; while
// no failure is armed it allocates as usual.
#pragma once

namespace zelto::testing_support {

// While it lives, the calling thread's `nth` allocation through operator new from now
// (1: the next one) throws std::bad_alloc. Allocations of other threads are untouched.
class FailingAllocation {
 public:
  explicit FailingAllocation(int nth);
  ~FailingAllocation();
  FailingAllocation(const FailingAllocation&) = delete;
  FailingAllocation& operator=(const FailingAllocation&) = delete;

  // True once the armed allocation has failed.
  bool failed() const;
};

}  // namespace zelto::testing_support
