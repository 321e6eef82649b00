// The platform's calendar services behind the timestamps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

namespace zelto {

// Calendar fields of `seconds` since the epoch, in UTC or in the process's time zone.
// False when the platform rejects the value or the year has more than four digits.
bool utcCalendarTime(int64_t seconds, std::tm& time) noexcept;
bool localCalendarTime(int64_t seconds, std::tm& time) noexcept;

// strftime, except that %z is always the offset from UTC as a sign and four digits
// (msvcrt writes a zone name for it).
std::size_t systemStrftime(char* buffer, std::size_t size, const char* format, const std::tm* time);

}  // namespace zelto
