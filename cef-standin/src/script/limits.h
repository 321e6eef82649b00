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
  bool armed() const { return armed_; }
  bool timedOut() const { return timedOut_; }
  bool refused() const { return refused_; }
  size_t used() const { return used_; }

  bool PastDeadline();
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
  std::jmp_buf* escape_ = nullptr;
  std::string fatalMessage_;
};

}  // namespace script
}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_SCRIPT_LIMITS_H_
