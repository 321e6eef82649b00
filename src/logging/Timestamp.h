// Millisecond timestamps of log records, in UTC ("2024-03-05T14:07:09.042Z") or in local
// time with the offset from UTC ("2024-03-05T15:07:09.042+0100").
//
// The clock and the calendar formatter are reached through two replaceable function
// objects (seams). They hold the system clock and strftime from program start and are
// never replaced by the program itself; nothing guards them, so a test that replaces
// one must do so while no other thread takes timestamps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

namespace zelto {

// Milliseconds since 1970-01-01T00:00:00Z. When empty, the system clock is used.
extern std::function<int64_t()> nowMillisecondsFunction;
// strftime's contract: (buffer, buffer size, format, time) -> characters written. The
// default writes %z as a sign and four digits on every platform. When empty, taking a
// timestamp throws std::bad_function_call.
extern std::function<std::size_t(char*, std::size_t, const char*, const std::tm*)> strftimeFunction;

// Reads the clock seam; a clock that throws reads as 0, the epoch.
int64_t currentMilliseconds() noexcept;

// The current time as 24 characters "YYYY-MM-DDTHH:MM:SS.mmmZ".
std::string utcTimestamp();
// The current local time as 28 characters "YYYY-MM-DDTHH:MM:SS.mmm+hhmm".
std::string localTimestamp();

// Room for any timestamp text: the usual 24 or 28 characters, or what a replaced
// formatter writes.
inline constexpr std::size_t kTimestampBufferSize = 48;
// The current UTC (local) timestamp, as utcTimestamp (localTimestamp) gives it, written
// into `buffer` without allocating; returns its length.
std::size_t writeTimestamp(bool local, char (&buffer)[kTimestampBufferSize]);

// Formats `time` through the formatting seam and puts the three-digit milliseconds in
// place of every "$m" marker of the output.
std::string formatTimestamp(const std::tm& time, int64_t milliseconds, bool local);

}  // namespace zelto
