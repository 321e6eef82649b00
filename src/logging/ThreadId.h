// The operating system's identifier of the calling thread, as log records carry it.
#pragma once

#include <cstdint>

namespace zelto {

uint32_t currentThreadId() noexcept;

}  // namespace zelto
