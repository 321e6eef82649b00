#include "logging/Timestamp.h"

#include <charconv>
#include <chrono>
#include <cstring>
#include <iterator>

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
constexpr std::size_t kLocalBufferSize = kUtcBufferSize + kLocalExtra;

using Formatter = std::size_t (*)(char*, std::size_t, const char*, const std::tm*);

// The formatter's output for the variant, read up to its first zero byte and never past
// the buffer, even when the formatter filled it without a terminator. Returns its length.
std::size_t formatterOutput(const std::tm& time, bool local, char (&buffer)[kLocalBufferSize]) {
  const char* format = local ? kLocalFormat : kUtcFormat;
  const std::size_t size = local ? kLocalBufferSize : kUtcBufferSize;
  std::memset(buffer, 0, sizeof buffer);
  strftimeFunction(buffer, size, format, &time);
  return strnlen(buffer, size);
}

// `text` with every "$m" marker replaced by the milliseconds, scanning from the left;
// inserted digits are never searched again.
std::string withMilliseconds(const char* text, std::size_t length, int64_t milliseconds) {
  // As a stream with width 3 and fill '0' writes it: 7 -> "007", -7 -> "0-7".
  // The digits go behind room for the padding zeros.
  char digits[24];
  char* const number = digits + 3;
  const std::size_t written =
      static_cast<std::size_t>(std::to_chars(number, std::end(digits), milliseconds).ptr - number);
  const std::size_t padding = written < 3 ? 3 - written : 0;
  const char* millisecondText = number - padding;
  std::memset(number - padding, '0', padding);
  const std::size_t millisecondLength = written + padding;

  std::size_t markers = 0;
  for (std::size_t i = 0; i + 1 < length; ++i) {
    if (text[i] == '$' && text[i + 1] == 'm') {
      ++markers;
      ++i;
    }
  }
  std::string result;
  result.reserve(length + markers * millisecondLength);
  for (std::size_t i = 0; i < length; ++i) {
    if (text[i] == '$' && i + 1 < length && text[i + 1] == 'm') {
      result.append(millisecondText, millisecondLength);
      ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}

// True while the formatting seam holds the platform's formatter, whose UTC text depends
// on the second alone.
bool formatsWithPlatform() {
  const Formatter* target = strftimeFunction.target<Formatter>();
  return target != nullptr && *target == &systemStrftime;
}

// The platform formatter's UTC output for the last second this thread stamped: log
// calls come many to a second, and only the milliseconds differ between them.
struct UtcSecond {
  int64_t seconds = -1;  // none yet
  char text[kLocalBufferSize] = {};
  std::size_t length = 0;
};
thread_local UtcSecond tLastUtcSecond;

std::string timestamp(bool local) {
  int64_t milliseconds = currentMilliseconds();
  // There is no calendar time before the epoch; such a clock reads as the epoch.
  if (milliseconds < 0) {
    milliseconds = 0;
  }
  const int64_t seconds = milliseconds / 1000;
  const bool platformUtc = !local && formatsWithPlatform();
  UtcSecond& last = tLastUtcSecond;
  if (platformUtc && last.seconds == seconds) {
    return withMilliseconds(last.text, last.length, milliseconds % 1000);
  }

  std::tm time{};
  const auto convert = local ? localCalendarTime : utcCalendarTime;
  if (!convert(seconds, time)) {
    // A time past the platform's calendar: never hand the formatter rejected fields.
    milliseconds = 0;
    time = std::tm{};
    convert(0, time);
  } else if (platformUtc) {
    last.seconds = -1;  // stays empty should the formatter throw
    last.length = formatterOutput(time, false, last.text);
    last.seconds = seconds;
    return withMilliseconds(last.text, last.length, milliseconds % 1000);
  }
  return formatTimestamp(time, milliseconds % 1000, local);
}

}  // namespace

// Constructed before any other static object of the program, so that a log call from
// another object's construction already finds both seams set. GCC and Clang take an
// initialisation priority; MSVC builds every static object of this file in the library
// segment, which runs before the program's own.
#if defined(_MSC_VER)
#pragma warning(disable : 4073)  // "initializers put in library initialization area"
#pragma init_seg(lib)
#define ZELTO_CONSTRUCTED_FIRST
#else
#define ZELTO_CONSTRUCTED_FIRST __attribute__((init_priority(101)))
#endif
ZELTO_CONSTRUCTED_FIRST std::function<int64_t()> nowMillisecondsFunction = &systemMilliseconds;
ZELTO_CONSTRUCTED_FIRST
std::function<std::size_t(char*, std::size_t, const char*, const std::tm*)> strftimeFunction =
    &systemStrftime;

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
  char buffer[kLocalBufferSize];
  const std::size_t length = formatterOutput(time, local, buffer);
  return withMilliseconds(buffer, length, milliseconds);
}

}  // namespace zelto
