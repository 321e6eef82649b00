// The limits of a run, as Duktape's hooks see them: our allocator refuses past the cap,
// the execution-timeout check (asked from Duktape's interrupt counter) answers true past
// the deadline, and the fatal handler reports and leaves the run instead of aborting.
#include "limits.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/event_log.h"

namespace cef_standin {
namespace script {
namespace {

using Clock = std::chrono::steady_clock;

// How long after the deadline the allocator stops a run the interrupt has not stopped.
constexpr std::chrono::milliseconds kGrace{50};

// Each block carries its size in front, aligned for any value Duktape stores.
struct alignas(16) BlockHeader {
  size_t size;
};

}  // namespace

RunGuard& RunGuard::Current() {
  static RunGuard guard;
  return guard;
}

void RunGuard::Begin(const Limits& limits) {
  deadline_ = Clock::now() + std::chrono::milliseconds(limits.timeMs);
  // The run's budget comes on top of what the page already holds.
  cap_ = used_ + limits.memoryBytes;
  armed_ = true;
  timedOut_ = false;
  refused_ = false;
}

void RunGuard::End() {
  armed_ = false;
}

void RunGuard::Stop() {
  if (armed_) {
    timedOut_ = true;
    cap_ = std::min(cap_, used_);
  }
}

void RunGuard::LeaveIfFailed() {
  if (failed_ && escape_) {
    std::longjmp(*escape_, 1);
  }
}

bool RunGuard::PastDeadline() {
  if (!armed_) {
    return false;
  }
  // Once past, every later check answers true too, so a script that catches the
  // timeout's RangeError cannot go on.
  if (!timedOut_ && Clock::now() >= deadline_) {
    timedOut_ = true;
  }
  return timedOut_;
}

bool RunGuard::MayGrow(size_t more) {
  if (!armed_) {
    return true;
  }
  // A run past its time may grow no further: Duktape then meets a full heap, which it
  // handles as for the memory limit (collects, and throws when that frees too little).
  if (--untilLook_ == 0) {
    untilLook_ = kAllocationsPerLook;
    // Only when the interrupt has not stopped the run itself a while after the deadline:
    // a run the interrupt is stopping needs blocks to build its error.
    if (armed_ && !timedOut_ && Clock::now() >= deadline_ + kGrace) {
      timedOut_ = true;
      cap_ = std::min(cap_, used_);
    }
  }
  if (used_ + more > cap_) {
    refused_ = true;
    return false;
  }
  return true;
}

void* RunGuard::Allocate(size_t size) {
  if (size == 0) {
    return nullptr;
  }
  if (!MayGrow(size)) {
    return nullptr;
  }
  auto* block = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
  if (!block) {
    refused_ = true;
    return nullptr;
  }
  block->size = size;
  used_ += size;
  return block + 1;
}

void* RunGuard::Reallocate(void* pointer, size_t size) {
  if (!pointer) {
    return Allocate(size);
  }
  if (size == 0) {
    Free(pointer);
    return nullptr;
  }
  BlockHeader* block = static_cast<BlockHeader*>(pointer) - 1;
  const size_t old = block->size;
  if (size > old && !MayGrow(size - old)) {
    return nullptr;
  }
  auto* moved = static_cast<BlockHeader*>(std::realloc(block, sizeof(BlockHeader) + size));
  if (!moved) {
    refused_ = true;
    return nullptr;
  }
  moved->size = size;
  used_ = used_ - old + size;
  return moved + 1;
}

void RunGuard::Free(void* pointer) {
  if (!pointer) {
    return;
  }
  BlockHeader* block = static_cast<BlockHeader*>(pointer) - 1;
  used_ -= block->size;
  std::free(block);
}

void RunGuard::Fatal(const char* message) {
  fatalMessage_ = message ? message : "";
  std::fprintf(stderr, "cef-standin: script engine fatal error: %s\n", fatalMessage_.c_str());
  LogEvent({{"event", "ScriptEngineFatal"}, {"message", fatalMessage_}});
  if (escape_) {
    std::longjmp(*escape_, 1);
  }
  // Outside any run (nothing protected it): the process cannot go on with this heap.
  std::abort();
}

}  // namespace script
}  // namespace cef_standin

extern "C" duk_bool_t quorvane_duk_exec_timeout(void* heap_udata) {
  (void)heap_udata;
  return cef_standin::script::RunGuard::Current().PastDeadline() ? 1 : 0;
}

extern "C" void quorvane_duk_fatal(void* heap_udata, const char* message) {
  (void)heap_udata;
  cef_standin::script::RunGuard::Current().Fatal(message);
}
