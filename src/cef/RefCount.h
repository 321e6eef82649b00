// The reference count of an object this program hands to CEF: one 32-bit count, changed
// only atomically, since CEF takes and drops references from its own threads.
#pragma once

#include <atomic>
#include <cstdint>

namespace EmbeddedBrowser {
namespace CEF {
namespace Core {

class RefCount {
 public:
  void AddRef() const { mCount.fetch_add(1, std::memory_order_relaxed); }
  // True when this dropped the last reference: the owner then deletes itself.
  bool Release() const { return mCount.fetch_sub(1, std::memory_order_acq_rel) == 1; }
  bool HasOneRef() const { return mCount.load(std::memory_order_acquire) == 1; }
  bool HasAtLeastOneRef() const { return mCount.load(std::memory_order_acquire) != 0; }

 private:
  mutable std::atomic<int32_t> mCount{0};
};

}  // namespace Core
}  // namespace CEF
}  // namespace EmbeddedBrowser
