#include "win32/handle.h"

#include <utility>

namespace win32 {

handle::~handle() {
  reset();
}

handle::handle(handle&& other) noexcept : mHandle(other.release()) {}

handle& handle::operator=(handle&& other) noexcept {
  if (this != &other) {
    reset(other.release());
  }
  return *this;
}

handle& handle::operator=(HANDLE value) noexcept {
  reset(value);
  return *this;
}

void handle::reset(HANDLE value) noexcept {
  // Swap first, so that a handle is never closed twice, whatever CloseHandle does.
  HANDLE old = std::exchange(mHandle, value);
  if (old != nullptr && old != value) {
    CloseHandle(old);
  }
}

HANDLE handle::release() noexcept {
  return std::exchange(mHandle, nullptr);
}

}  // namespace win32
