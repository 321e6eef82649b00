// Whether a queue's worker that has run out of tasks should look for the next one for a
// short while before it sleeps, and the looking itself.
//
// Looking (polling) saves the caller of the next task a wake-up and the worker a sleep,
// but burns the worker's CPU for as long as it looks. So it looks only when it pays: when
// more than one CPU is usable (on one CPU the caller cannot run while the worker looks),
// and when the last two idle spells both ended within the window (a caller is adding
// tasks in quick succession; one short spell alone, such as a late caller catching up,
// is not enough). A poll that finds nothing doubles the run of short spells the next
// one waits for (up to 32), since the caller may have needed the CPU the poll took; a
// poll that finds its task brings it back to two. Each idle spell's length is learnt once: from the
// poll that ended it, or from the time stamped by the caller that woke the sleeping worker.
//
// Used by the worker alone; the doorbell it watches is rung by the caller that found the
// worker saying it polls, just after that caller lets the queue's lock go.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace zelto {

class IdlePolling {
 public:
  using Clock = std::chrono::steady_clock;
  // How long an idle worker looks before it sleeps: longer than the gap between the
  // records of a busy caller, short beside a wake-up from sleep.
  static constexpr std::chrono::microseconds kWindow{20};

  // How often the worker reads again which CPUs it may run on: a worker confined to one
  // CPU after it started stops polling within this time.
  static constexpr std::chrono::milliseconds kAffinityReread{250};

  // Polling is decided from the CPUs the thread that asks may run on (the worker), read
  // at its first idle spell and again every kAffinityReread at the start of a spell.
  IdlePolling() = default;

  // CPUs the calling thread may run on (its affinity), at least 1.
  static unsigned usableCpus() noexcept;
  // Tests: polls once in every idle spell, whatever the CPUs and the history (true), or
  // as usual (false).
  static void forcePollingForTesting(bool force) noexcept;
  // Tests: called on the worker as each poll ends, before it takes the queue's lock
  // again (null: nothing).
  static void setPollEndedHookForTesting(void (*hook)()) noexcept;

  // A task ran: the next empty pass begins a new idle spell.
  void taskRan() noexcept { mInSpell = false; }

  // On a pass that finds nothing to run: true if the worker should poll now, at most
  // once per idle spell.
  bool shouldPoll();

  // Watches `doorbell` until it differs from `seen` or the window is over; then notes
  // how the spell ended. Called without the queue's lock.
  void poll(const std::atomic<uint32_t>& doorbell, uint32_t seen);

  // The sleeping worker was woken by a caller who stamped `askedAt` (not set: woken by
  // anything else, which teaches nothing).
  void woken(Clock::time_point askedAt) noexcept;

 private:
  void learn(bool shortSpell) noexcept;

  bool mMayPoll = false;
  Clock::time_point mAffinityReadAt{};  // unset: not read yet
  bool mInSpell = false;
  bool mPolled = false;
  bool mLearnt = false;
  Clock::time_point mSpellStart{};
  static constexpr uint32_t kFirstShortNeeded = 2;
  static constexpr uint32_t kMostShortNeeded = 32;
  uint32_t mShortInARow = 0;  // spells in a row that ended within the window
  uint32_t mShortNeeded = kFirstShortNeeded;
};

}  // namespace zelto
