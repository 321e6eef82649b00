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

// The milliseconds as a stream with width 3 and fill '0' writes them: 7 -> "007",
// -7 -> "0-7".
class MillisecondText {
 public:
  explicit MillisecondText(int64_t milliseconds) {
    if (milliseconds >= 0 && milliseconds < 1000) {  // every timestamp's: three digits
      mDigits[0] = static_cast<char>('0' + milliseconds / 100);
      mDigits[1] = static_cast<char>('0' + milliseconds / 10 % 10);
      mDigits[2] = static_cast<char>('0' + milliseconds % 10);
      mText = mDigits;
      mLength = 3;
      return;
    }
    // The digits go behind room for the padding zeros.
    char* const number = mDigits + 3;
    const std::size_t written = static_cast<std::size_t>(
        std::to_chars(number, std::end(mDigits), milliseconds).ptr - number);
    const std::size_t padding = written < 3 ? 3 - written : 0;
    std::memset(number - padding, '0', padding);
    mText = number - padding;
    mLength = written + padding;
  }
  const char* text() const { return mText; }
  std::size_t length() const { return mLength; }

 private:
  char mDigits[24];
  const char* mText;
  std::size_t mLength;
};

// Where the "$m" markers of a formatter's output are, found from the left: a marker's
// two characters never start another, and inserted digits are never searched again.
// The one place that rule is written.
struct Markers {
  Markers() = default;
  Markers(const char* text, std::size_t length) {
    for (std::size_t i = 0; i + 1 < length; ++i) {
      if (text[i] == '$' && text[i + 1] == 'm') {
        at[count++] = i;
        ++i;
      }
    }
  }

  // The length of a text of `length` characters once its markers are replaced.
  std::size_t expandedLength(std::size_t length, const MillisecondText& ms) const {
    return length - 2 * count + count * ms.length();
  }

  std::size_t at[kLocalBufferSize / 2] = {};  // a formatter's output is never longer
  std::size_t count = 0;
};

// Writes `text` with the milliseconds in place of its markers into `out`, which has room
// for markers.expandedLength characters. Returns the number of characters written.
std::size_t withMilliseconds(const char* text,
                             std::size_t length,
                             const Markers& markers,
                             const MillisecondText& ms,
                             char* const out) {
  char* end = out;
  std::size_t from = 0;
  for (std::size_t i = 0; i < markers.count; ++i) {
    std::memcpy(end, text + from, markers.at[i] - from);
    end += markers.at[i] - from;
    std::memcpy(end, ms.text(), ms.length());
    end += ms.length();
    from = markers.at[i] + 2;
  }
  std::memcpy(end, text + from, length - from);
  end += length - from;
  return static_cast<std::size_t>(end - out);
}

// A timestamp buffer holds any formatter output with its markers replaced by milliseconds
// of 0 to 999: the output grows by one character per marker at most.
static_assert(kLocalBufferSize + kLocalBufferSize / 2 <= kTimestampBufferSize,
              "a timestamp buffer holds any formatter output with its markers replaced");

// True while the formatting seam holds the platform's formatter, whose UTC text depends
// on the second alone.
bool formatsWithPlatform() {
  const Formatter* target = strftimeFunction.target<Formatter>();
  return target != nullptr && *target == &systemStrftime;
}

// The platform formatter's UTC output for the last second this thread stamped, with
// where its markers are: log calls come many to a second, and only the milliseconds
// differ between them.
struct UtcSecond {
  int64_t seconds = -1;  // none yet
  char text[kLocalBufferSize] = {};
  std::size_t length = 0;
  Markers markers;
};
thread_local UtcSecond tLastUtcSecond;

std::size_t timestamp(bool local, char (&buffer)[kTimestampBufferSize]) {
  int64_t milliseconds = currentMilliseconds();
  // There is no calendar time before the epoch; such a clock reads as the epoch.
  if (milliseconds < 0) {
    milliseconds = 0;
  }
  const int64_t seconds = milliseconds / 1000;
  const bool platformUtc = !local && formatsWithPlatform();
  UtcSecond& last = tLastUtcSecond;
  if (platformUtc && last.seconds == seconds) {
    return withMilliseconds(last.text, last.length, last.markers,
                            MillisecondText(milliseconds % 1000), buffer);
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
    last.markers = Markers(last.text, last.length);
    last.seconds = seconds;
    return withMilliseconds(last.text, last.length, last.markers,
                            MillisecondText(milliseconds % 1000), buffer);
  }
  char output[kLocalBufferSize];
  const std::size_t length = formatterOutput(time, local, output);
  return withMilliseconds(output, length, Markers(output, length),
                          MillisecondText(milliseconds % 1000), buffer);
}

std::string timestamp(bool local) {
  char buffer[kTimestampBufferSize];
  return std::string(buffer, timestamp(local, buffer));
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

std::size_t writeTimestamp(bool local, char (&buffer)[kTimestampBufferSize]) {
  return timestamp(local, buffer);
}

std::string formatTimestamp(const std::tm& time, int64_t milliseconds, bool local) {
  char output[kLocalBufferSize];
  const std::size_t length = formatterOutput(time, local, output);
  const Markers markers(output, length);
  const MillisecondText ms(milliseconds);
  std::string result(markers.expandedLength(length, ms), '\0');
  withMilliseconds(output, length, markers, ms, result.data());
  return result;
}

}  // namespace zelto
