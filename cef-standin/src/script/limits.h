// The state of the run under way, read by Duktape's hooks (allocation, the
// execution-timeout check, the fatal handler). One per process: the engine runs on the
// renderer's main thread only.
#ifndef CEF_STANDIN_SRC_SCRIPT_LIMITS_H_
#define CEF_STANDIN_SRC_SCRIPT_LIMITS_H_

#include <chrono>
#include <csetjmp>
#include <cstddef>
#include <string>

#include <duktape.h>

#include "engine.h"

namespace cef_standin {
namespace script {

class RunGuard {
 public:
  static RunGuard& Current();

  // The outermost run starts or ends: limits apply between the two.
  void Begin(const Limits& limits);
  void End();
  // The run under way may go no further (a nested run met a fatal error): every later
  // timeout check answers true, and the heap grows no more.
  void Stop();
  // A nested run met a fatal error: the runs it was nested in end as fatal too, each
  // once control is back at a native function's return into Duktape (LeaveIfFailed), so
  // that no script runs on the given-up heap and no C++ frame is skipped.
  void set_failed(bool failed) { failed_ = failed; }
  void LeaveIfFailed();
  bool armed() const { return armed_; }
  bool timedOut() const { return timedOut_; }
  bool refused() const { return refused_; }
  size_t used() const { return used_; }

  bool PastDeadline();
  // Whether a new block may be had: within the cap, and within the time. The interrupt
  // counter looks at the time only every 256K instructions, which a script spending its
  // time in built-ins (a long join, a growing string) may take a minute to execute; its
  // allocations look too, every kAllocationsPerLook, and past the time stop the growth.
  bool MayGrow(size_t more);
  void* Allocate(size_t size);
  void* Reallocate(void* pointer, size_t size);
  void Free(void* pointer);

  // Where the fatal handler leaves to (set around each outermost run), or null.
  void set_escape(std::jmp_buf* escape) { escape_ = escape; }
  std::jmp_buf* escape() const { return escape_; }
  [[noreturn]] void Fatal(const char* message);
  const std::string& fatalMessage() const { return fatalMessage_; }

 private:
  std::chrono::steady_clock::time_point deadline_;
  size_t cap_ = 0;
  size_t used_ = 0;
  bool armed_ = false;
  bool timedOut_ = false;
  bool refused_ = false;
  static constexpr unsigned kAllocationsPerLook = 64;
  unsigned untilLook_ = kAllocationsPerLook;
  std::jmp_buf* escape_ = nullptr;
  bool failed_ = false;
  std::string fatalMessage_;
};

}  // namespace script
}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_SCRIPT_LIMITS_H_
