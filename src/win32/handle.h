// Ownership of one Windows kernel handle.
#pragma once

#include <windows.h>

namespace win32 {

// Owns one HANDLE and closes it when destroyed. Null means empty; a handle value of
// INVALID_HANDLE_VALUE is not a handle this class holds (callers turn it into null).
class handle {
 public:
  handle() noexcept = default;
  explicit handle(HANDLE value) noexcept : mHandle(value) {}
  virtual ~handle();

  handle(handle&& other) noexcept;
  handle& operator=(handle&& other) noexcept;
  // Takes ownership of value, closing the handle held before.
  handle& operator=(HANDLE value) noexcept;

  handle(const handle&) = delete;
  handle& operator=(const handle&) = delete;

  HANDLE get() const noexcept { return mHandle; }
  explicit operator bool() const noexcept { return mHandle != nullptr; }

  // Closes the handle held, if any, and takes ownership of value.
  void reset(HANDLE value = nullptr) noexcept;
  // Gives up ownership without closing.
  HANDLE release() noexcept;

 private:
  HANDLE mHandle = nullptr;
};

}  // namespace win32
