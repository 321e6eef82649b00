#include "async/IdlePolling.h"

#include <algorithm>
#include <thread>

#include "util/ProcessorHints.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sched.h>
#endif

namespace zelto {

namespace {

std::atomic<bool> gForced{false};
std::atomic<void (*)()> gPollEnded{nullptr};

}  // namespace

unsigned IdlePolling::usableCpus() noexcept {
#ifdef _WIN32
  DWORD_PTR process = 0;
  DWORD_PTR system = 0;
  if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process != 0) {
    unsigned count = 0;
    for (; process != 0; process &= process - 1)
      ++count;
    return count;
  }
#else
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof(set), &set) == 0) {
    const int count = CPU_COUNT(&set);
    if (count > 0)
      return static_cast<unsigned>(count);
  }
#endif
  const unsigned reported = std::thread::hardware_concurrency();
  return reported > 0 ? reported : 1;
}

void IdlePolling::forcePollingForTesting(bool force) noexcept {
  gForced.store(force);
}

void IdlePolling::setPollEndedHookForTesting(void (*hook)()) noexcept {
  gPollEnded.store(hook);
}

bool IdlePolling::shouldPoll() {
  if (!mInSpell) {
    mInSpell = true;
    mPolled = false;
    mLearnt = false;
    mSpellStart = Clock::now();
    if (mAffinityReadAt == Clock::time_point{} ||
        mSpellStart - mAffinityReadAt >= kAffinityReread) {
      mMayPoll = usableCpus() > 1;
      mAffinityReadAt = mSpellStart;
    }
  }
  if (mPolled)
    return false;
  if (!gForced.load(std::memory_order_relaxed) && (!mMayPoll || mShortInARow < mShortNeeded))
    return false;
  mPolled = true;
  return true;
}

void IdlePolling::poll(const std::atomic<uint32_t>& doorbell, uint32_t seen) {
  const Clock::time_point deadline = mSpellStart + kWindow;
  bool rung = false;
  for (uint32_t spins = 1;; ++spins) {
    if (doorbell.load(std::memory_order_acquire) != seen) {
      rung = true;
      break;
    }
    relaxWhileSpinning();
    if (spins % 64 == 0 && Clock::now() >= deadline)
      break;
  }
  learn(rung);
  if (void (*const hook)() = gPollEnded.load(std::memory_order_relaxed))
    hook();
}

void IdlePolling::woken(Clock::time_point askedAt) noexcept {
  if (!mInSpell || mLearnt || askedAt == Clock::time_point{})
    return;
  learn(askedAt - mSpellStart < kWindow);
}

void IdlePolling::learn(bool shortSpell) noexcept {
  mLearnt = true;
  if (mPolled) {
    // A poll that found nothing makes the next one wait for a longer run of short
    // spells (the caller may need the CPU the poll takes); one that paid resets that.
    mShortNeeded = shortSpell ? kFirstShortNeeded : std::min(mShortNeeded * 2, kMostShortNeeded);
  }
  mShortInARow = shortSpell ? mShortInARow + 1 : 0;
}

}  // namespace zelto
