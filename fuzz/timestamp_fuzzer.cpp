// Timestamps: formatTimestamp with arbitrary calendar fields and milliseconds, through
// the platform's formatter and through a formatter whose output is arbitrary (any bytes,
// with or without a terminating zero, any count returned); and the UTC and local
// timestamps for any clock value.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <limits>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "logging/Timestamp.h"

namespace {

// The rule, written out: the formatter's text up to its first zero (never past the
// buffer), every "$m" replaced from the left by the milliseconds, at least 3 digits.
std::string expectedText(const std::vector<char>& buffer, int64_t milliseconds) {
  std::string text;
  for (char c : buffer) {
    if (c == '\0') {
      break;
    }
    text += c;
  }
  std::string digits = std::to_string(milliseconds);
  if (digits.size() < 3) {
    digits.insert(0, 3 - digits.size(), '0');
  }
  std::string result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '$' && i + 1 < text.size() && text[i + 1] == 'm') {
      result += digits;
      ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}

// "YYYY-MM-DDTHH:MM:SS.mmm" followed by `zone` ("Z", or a sign and four digits).
bool hasTimestampShape(const std::string& text, bool local) {
  const std::string shape = local ? "dddd-dd-ddTdd:dd:dd.ddd+dddd" : "dddd-dd-ddTdd:dd:dd.dddZ";
  if (text.size() != shape.size()) {
    return false;
  }
  for (std::size_t i = 0; i < shape.size(); ++i) {
    const bool digit = std::isdigit(static_cast<unsigned char>(text[i])) != 0;
    if (shape[i] == 'd'
            ? !digit
            : (shape[i] == '+' ? text[i] != '+' && text[i] != '-' : text[i] != shape[i])) {
      return false;
    }
  }
  return true;
}

std::tm arbitraryTime(FuzzedDataProvider& input) {
  std::tm time{};
  time.tm_year = input.ConsumeIntegral<int>();
  time.tm_mon = input.ConsumeIntegral<int>();
  time.tm_mday = input.ConsumeIntegral<int>();
  time.tm_hour = input.ConsumeIntegral<int>();
  time.tm_min = input.ConsumeIntegral<int>();
  time.tm_sec = input.ConsumeIntegral<int>();
  time.tm_wday = input.ConsumeIntegral<int>();
  time.tm_yday = input.ConsumeIntegral<int>();
  time.tm_isdst = input.ConsumeIntegral<int>();
  return time;
}

const auto kPlatformFormatter = zelto::strftimeFunction;
const auto kSystemClock = zelto::nowMillisecondsFunction;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  zelto::strftimeFunction = kPlatformFormatter;
  zelto::nowMillisecondsFunction = kSystemClock;

  switch (input.ConsumeIntegralInRange<int>(0, 2)) {
    case 0: {
      // The platform's formatter with any fields: whatever it writes, the result stays
      // within the buffer and carries no marker.
      const bool local = input.ConsumeBool();
      const int64_t milliseconds = input.ConsumeIntegral<int64_t>();
      const std::tm time = arbitraryTime(input);
      const std::string text = zelto::formatTimestamp(time, milliseconds, local);
      FUZZ_CHECK(text.find("$m") == std::string::npos, "marker left in %s", text.c_str());
      break;
    }
    case 1: {
      // A formatter that writes anything.
      const bool local = input.ConsumeBool();
      const int64_t milliseconds = input.ConsumeIntegral<int64_t>();
      const std::size_t returned = input.ConsumeIntegral<std::size_t>();
      const bool terminate = input.ConsumeBool();
      const std::string output = input.ConsumeRemainingBytesAsString();
      std::vector<char> seen;
      std::size_t bufferSize = 0;
      zelto::strftimeFunction = [&](char* buffer, std::size_t size, const char*,
                                    const std::tm*) -> std::size_t {
        bufferSize = size;
        const std::size_t count = std::min(output.size(), terminate ? size - 1 : size);
        output.copy(buffer, count);
        if (terminate) {
          buffer[count] = '\0';
        }
        seen.assign(buffer, buffer + size);
        return returned;
      };
      const std::string text = zelto::formatTimestamp(std::tm{}, milliseconds, local);
      FUZZ_CHECK(bufferSize == (local ? 28u : 24u), "buffer of %zu bytes", bufferSize);
      FUZZ_CHECK(text == expectedText(seen, milliseconds), "got \"%s\", want \"%s\"", text.c_str(),
                 expectedText(seen, milliseconds).c_str());
      break;
    }
    default: {
      // Any clock value: the text always has the timestamp's shape, and the UTC text is
      // what the formatter makes of the calendar fields, also when a call in the same
      // second reuses the formatter's output of an earlier one.
      const int64_t first = input.ConsumeIntegral<int64_t>();
      // Often a second value in the same second as the first.
      const int64_t sameSecond = first - first % 1000;
      const int64_t offset = input.ConsumeIntegralInRange<int64_t>(0, 999);
      const int64_t second =
          input.ConsumeBool()
              ? (sameSecond > std::numeric_limits<int64_t>::max() - offset ? sameSecond
                                                                           : sameSecond + offset)
              : input.ConsumeIntegral<int64_t>();
      for (const int64_t milliseconds : {first, second, first}) {
        zelto::nowMillisecondsFunction = [milliseconds] { return milliseconds; };
        const std::string utc = zelto::utcTimestamp();
        FUZZ_CHECK(hasTimestampShape(utc, false), "UTC text \"%s\" for %lld", utc.c_str(),
                   static_cast<long long>(milliseconds));
        const std::string local = zelto::localTimestamp();
        FUZZ_CHECK(hasTimestampShape(local, true), "local text \"%s\" for %lld", local.c_str(),
                   static_cast<long long>(milliseconds));

        // Before the epoch and past year 9999 the text is the epoch's.
        const int64_t clamped = milliseconds < 0 ? 0 : milliseconds;
        const std::time_t seconds = static_cast<std::time_t>(clamped / 1000);
        std::tm fields{};
        const bool inRange =
            gmtime_r(&seconds, &fields) != nullptr && fields.tm_year <= 9999 - 1900;
        const std::string expected = inRange ? zelto::formatTimestamp(fields, clamped % 1000, false)
                                             : std::string("1970-01-01T00:00:00.000Z");
        FUZZ_CHECK(utc == expected, "UTC text \"%s\" for %lld, \"%s\" expected", utc.c_str(),
                   static_cast<long long>(milliseconds), expected.c_str());
      }
      break;
    }
  }
  return 0;
}
