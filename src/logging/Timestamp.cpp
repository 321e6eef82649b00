#include "logging/Timestamp.h"

#include <array>
#include <chrono>
#include <cstring>

#include "logging/CalendarTime.h"

namespace zelto {

namespace {

int64_t systemMilliseconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

constexpr char kUtcFormat[] = "%Y-%m-%dT%H:%M:%S.$mZ";
constexpr char kLocalFormat[] = "%Y-%m-%dT%H:%M:%S.$m%z";
// Exactly the formatter's output for a four-digit year ("$m" still in place) plus the
// terminating zero.
constexpr std::size_t kUtcBufferSize = 24;
constexpr std::size_t kLocalExtra = 4;
constexpr char kMillisecondsMarker[] = "$m";

std::string timestamp(bool local) {
  int64_t milliseconds = currentMilliseconds();
  // There is no calendar time before the epoch; such a clock reads as the epoch.
  if (milliseconds < 0) {
    milliseconds = 0;
  }
  std::tm time{};
  const auto convert = local ? localCalendarTime : utcCalendarTime;
  if (!convert(milliseconds / 1000, time)) {
    // A time past the platform's calendar: never hand the formatter rejected fields.
    milliseconds = 0;
    time = std::tm{};
    convert(0, time);
  }
  return formatTimestamp(time, milliseconds % 1000, local);
}

}  // namespace

// Constructed before any other static object of the program, so that a log call from
// another object's construction already finds both seams set.
__attribute__((init_priority(101))) std::function<int64_t()> nowMillisecondsFunction =
    &systemMilliseconds;
__attribute__((init_priority(101)))
std::function<std::size_t(char*, std::size_t, const char*, const std::tm*)>
    strftimeFunction = &systemStrftime;

int64_t currentMilliseconds() noexcept {
  try {
    return nowMillisecondsFunction ? nowMillisecondsFunction() : systemMilliseconds();
  } catch (...) {
    return 0;
  }
}

std::string utcTimestamp() {
  return timestamp(false);
}

std::string localTimestamp() {
  return timestamp(true);
}

std::string formatTimestamp(const std::tm& time, int64_t milliseconds, bool local) {
  const char* format = local ? kLocalFormat : kUtcFormat;
  const std::size_t size = kUtcBufferSize + kLocalExtra * (local ? 1 : 0);
  std::array<char, kUtcBufferSize + kLocalExtra> buffer{};
  strftimeFunction(buffer.data(), size, format, &time);
  // Never past the buffer, even when the formatter filled it without a terminator.
  std::string text(buffer.data(), strnlen(buffer.data(), size));

  // As a stream with width 3 and fill '0' writes it: 7 -> "007", -7 -> "0-7".
  std::string millisecondText = std::to_string(milliseconds);
  if (millisecondText.size() < 3) {
    millisecondText.insert(0, 3 - millisecondText.size(), '0');
  }
  const std::size_t markerLength = sizeof(kMillisecondsMarker) - 1;
  for (std::size_t at = text.find(kMillisecondsMarker); at != std::string::npos;
       at = text.find(kMillisecondsMarker, at + millisecondText.size())) {
    text.replace(at, markerLength, millisecondText);
  }
  return text;
}

}  // namespace zelto
