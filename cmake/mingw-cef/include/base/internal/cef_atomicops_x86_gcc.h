// The GCC flavour of the wrapper's atomic operations, which a windows distribution does
// not carry (its include/base/cef_atomicops.h names this header whenever the compiler is
// GCC on x86). Only the mingw build of the real-SDK configuration puts this folder on
// the include path. Each operation is a GCC __atomic builtin with the ordering its name
// promises; x86 needs no more than that.
#ifndef QUORVANE_MINGW_CEF_ATOMICOPS_X86_GCC_H_
#define QUORVANE_MINGW_CEF_ATOMICOPS_X86_GCC_H_

namespace base {
namespace subtle {
namespace gcc_atomics {

template <typename T>
inline T CompareAndSwap(volatile T* ptr, T expected, T desired, int order) {
  // A failed exchange leaves the value it found in `expected`; either way that is the
  // previous value, which is what the callers want back.
  __atomic_compare_exchange_n(ptr, &expected, desired, false, order, __ATOMIC_RELAXED);
  return expected;
}

}  // namespace gcc_atomics

inline void MemoryBarrier() {
  __atomic_thread_fence(__ATOMIC_SEQ_CST);
}

// The same set of operations for every width the header declares.
#define QUORVANE_GCC_ATOMICOPS(T)                                                    \
  inline T NoBarrier_CompareAndSwap(volatile T* ptr, T old_value, T new_value) {     \
    return gcc_atomics::CompareAndSwap(ptr, old_value, new_value, __ATOMIC_RELAXED); \
  }                                                                                  \
  inline T Acquire_CompareAndSwap(volatile T* ptr, T old_value, T new_value) {       \
    return gcc_atomics::CompareAndSwap(ptr, old_value, new_value, __ATOMIC_ACQUIRE); \
  }                                                                                  \
  inline T Release_CompareAndSwap(volatile T* ptr, T old_value, T new_value) {       \
    return gcc_atomics::CompareAndSwap(ptr, old_value, new_value, __ATOMIC_RELEASE); \
  }                                                                                  \
  inline T NoBarrier_AtomicExchange(volatile T* ptr, T new_value) {                  \
    return __atomic_exchange_n(ptr, new_value, __ATOMIC_RELAXED);                    \
  }                                                                                  \
  inline T NoBarrier_AtomicIncrement(volatile T* ptr, T increment) {                 \
    return __atomic_add_fetch(ptr, increment, __ATOMIC_RELAXED);                     \
  }                                                                                  \
  inline T Barrier_AtomicIncrement(volatile T* ptr, T increment) {                   \
    return __atomic_add_fetch(ptr, increment, __ATOMIC_SEQ_CST);                     \
  }                                                                                  \
  inline void NoBarrier_Store(volatile T* ptr, T value) {                            \
    __atomic_store_n(ptr, value, __ATOMIC_RELAXED);                                  \
  }                                                                                  \
  inline void Acquire_Store(volatile T* ptr, T value) {                              \
    __atomic_store_n(ptr, value, __ATOMIC_RELAXED);                                  \
    MemoryBarrier();                                                                 \
  }                                                                                  \
  inline void Release_Store(volatile T* ptr, T value) {                              \
    __atomic_store_n(ptr, value, __ATOMIC_RELEASE);                                  \
  }                                                                                  \
  inline T NoBarrier_Load(volatile const T* ptr) {                                   \
    return __atomic_load_n(ptr, __ATOMIC_RELAXED);                                   \
  }                                                                                  \
  inline T Acquire_Load(volatile const T* ptr) {                                     \
    return __atomic_load_n(ptr, __ATOMIC_ACQUIRE);                                   \
  }                                                                                  \
  inline T Release_Load(volatile const T* ptr) {                                     \
    MemoryBarrier();                                                                 \
    return __atomic_load_n(ptr, __ATOMIC_RELAXED);                                   \
  }

QUORVANE_GCC_ATOMICOPS(Atomic32)
#if defined(ARCH_CPU_64_BITS)
QUORVANE_GCC_ATOMICOPS(Atomic64)
#endif
#undef QUORVANE_GCC_ATOMICOPS

}  // namespace subtle
}  // namespace base

#endif  // QUORVANE_MINGW_CEF_ATOMICOPS_X86_GCC_H_
