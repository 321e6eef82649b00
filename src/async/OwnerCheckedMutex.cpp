#include "async/OwnerCheckedMutex.h"

#include "async/IdlePolling.h"
#include "util/ProcessorHints.h"

namespace zelto {

namespace {

// The mutexes the thread holds, in no particular order. Plain data: no destructor runs
// at thread exit.
struct HeldMutexes {
  const OwnerCheckedMutex* held[OwnerCheckedMutex::kMostHeldByOneThread];
  std::size_t count;
};

thread_local HeldMutexes tHeld{};

// Tries before sleeping on a held lock: some microseconds, many times the longest hold.
constexpr int kContendedTries = 64;

// With one usable CPU the holder cannot let go while this thread spins.
bool spinningPays() {
  static const bool pays = IdlePolling::usableCpus() > 1;
  return pays;
}

}  // namespace

bool OwnerCheckedMutex::isHeldByCurrentThread() const noexcept {
  const HeldMutexes& mine = tHeld;
  for (std::size_t i = 0; i < mine.count; ++i) {
    if (mine.held[i] == this)
      return true;
  }
  return false;
}

void OwnerCheckedMutex::lockContended() {
  if (spinningPays()) {
    for (int tries = 0; tries < kContendedTries; ++tries) {
      relaxWhileSpinning();
      if (mMutex.try_lock())
        return;
    }
  }
  mMutex.lock();
}

void OwnerCheckedMutex::checkCanTake() const {
  if (isHeldByCurrentThread())
    throw std::system_error(std::make_error_code(std::errc::device_or_resource_busy),
                            "queue lock taken again by the thread that holds it");
  if (tHeld.count == kMostHeldByOneThread)
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                            "too many queue locks held by one thread");
}

void OwnerCheckedMutex::noteHeld() noexcept {
  HeldMutexes& mine = tHeld;
  mine.held[mine.count++] = this;
}

void OwnerCheckedMutex::noteReleased() noexcept {
  HeldMutexes& mine = tHeld;
  for (std::size_t i = 0; i < mine.count; ++i) {
    if (mine.held[i] == this) {
      mine.held[i] = mine.held[--mine.count];
      return;
    }
  }
}

}  // namespace zelto
