#include "logging/Timestamp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "logging/TimestampSeams.h"

namespace {

using zelto::testing::kSampleMilliseconds;
using zelto::testing::ScopedTimestampSeams;
using zelto::testing::ScopedTimeZone;

class TimestampTest : public ::testing::Test {
 protected:
  ScopedTimestampSeams mSeams;
};

TEST_F(TimestampTest, UtcTextForClockValues) {
  struct Case {
    int64_t milliseconds;
    const char* text;
  };
  const Case cases[] = {
      {0, "1970-01-01T00:00:00.000Z"},
      {kSampleMilliseconds, "2024-03-05T14:07:09.042Z"},
      {1709647629000, "2024-03-05T14:07:09.000Z"},  // on a whole second
      {1709647629007, "2024-03-05T14:07:09.007Z"},
      {1709647629999, "2024-03-05T14:07:09.999Z"},
      {1709208000500, "2024-02-29T12:00:00.500Z"},
      {32503679999999, "2999-12-31T23:59:59.999Z"},
      // No calendar time before the epoch or past the platform's calendar: the epoch.
      {-1, "1970-01-01T00:00:00.000Z"},
      {-86400001, "1970-01-01T00:00:00.000Z"},
      {std::numeric_limits<int64_t>::min(), "1970-01-01T00:00:00.000Z"},
      {std::numeric_limits<int64_t>::max(), "1970-01-01T00:00:00.000Z"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.milliseconds);
    mSeams.fixClock(c.milliseconds);
    const std::string text = zelto::utcTimestamp();
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(text.size(), 24u);
  }
}

TEST_F(TimestampTest, LocalTextCarriesTheZoneOffset) {
  struct Case {
    const char* zone;
    const char* text;
  };
  const Case cases[] = {
      {"CET-1", "2024-03-05T15:07:09.042+0100"},
      {"EST5", "2024-03-05T09:07:09.042-0500"},
      {"UTC0", "2024-03-05T14:07:09.042+0000"},
      {"IST-5:30", "2024-03-05T19:37:09.042+0530"},
  };
  mSeams.fixClock(kSampleMilliseconds);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.zone);
    ScopedTimeZone zone(c.zone);
    const std::string text = zelto::localTimestamp();
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(text.size(), 28u);
  }
}

TEST_F(TimestampTest, ThrowingClockReadsAsTheEpoch) {
  const std::vector<std::function<int64_t()>> clocks = {
      []() -> int64_t { throw std::runtime_error("no clock"); },
      []() -> int64_t { throw 42; },
  };
  for (const auto& clock : clocks) {
    zelto::nowMillisecondsFunction = clock;
    EXPECT_EQ(zelto::currentMilliseconds(), 0);
    EXPECT_EQ(zelto::utcTimestamp(), "1970-01-01T00:00:00.000Z");
  }
}

TEST_F(TimestampTest, EmptyClockUsesTheSystemClock) {
  using namespace std::chrono;
  zelto::nowMillisecondsFunction = nullptr;
  const int64_t before =
      duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
  const int64_t now = zelto::currentMilliseconds();
  const std::string text = zelto::utcTimestamp();
  const int64_t after = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
  EXPECT_GE(now, before);
  EXPECT_LE(now, after);
  EXPECT_EQ(text.size(), 24u);
  EXPECT_EQ(text.back(), 'Z');
}

TEST_F(TimestampTest, EmptyFormatterThrowsBadFunctionCall) {
  mSeams.fixClock(kSampleMilliseconds);
  zelto::strftimeFunction = nullptr;
  EXPECT_THROW(zelto::utcTimestamp(), std::bad_function_call);
  EXPECT_THROW(zelto::localTimestamp(), std::bad_function_call);
}

TEST_F(TimestampTest, FormatterGetsTheVariantsFormatAndBufferSize) {
  struct Call {
    std::size_t size = 0;
    std::string format;
  } call;
  zelto::strftimeFunction = [&call](char*, std::size_t size, const char* format,
                                    const std::tm*) -> std::size_t {
    call = {size, format};
    return 0;
  };
  const std::tm time{};
  zelto::formatTimestamp(time, 0, false);
  EXPECT_EQ(call.size, 24u);
  EXPECT_EQ(call.format, "%Y-%m-%dT%H:%M:%S.$mZ");
  zelto::formatTimestamp(time, 0, true);
  EXPECT_EQ(call.size, 28u);
  EXPECT_EQ(call.format, "%Y-%m-%dT%H:%M:%S.$m%z");
}

// The formatter's output is copied into the buffer as given; "$m" is then replaced.
TEST_F(TimestampTest, MillisecondMarkerReplacement) {
  struct Case {
    const char* output;
    int64_t milliseconds;
    const char* text;
  };
  const Case cases[] = {
      {"$m", 7, "007"},
      {"$m", 42, "042"},
      {"$m", 999, "999"},
      {"$m", 0, "000"},
      {"a$mb$mc", 42, "a042b042c"},  // every occurrence
      {"$m$m", 5, "005005"},
      {"$$mm", 42, "$042m"},           // the inserted digits are not searched again
      {"no marker", 42, "no marker"},  // returned without milliseconds
      {"$", 42, "$"},
      {"", 42, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.output);
    const std::string output = c.output;
    zelto::strftimeFunction = [output](char* buffer, std::size_t size, const char*,
                                       const std::tm*) -> std::size_t {
      const std::size_t count = std::min(output.size(), size - 1);
      output.copy(buffer, count);
      return count;
    };
    EXPECT_EQ(zelto::formatTimestamp(std::tm{}, c.milliseconds, false), c.text);
  }
}

TEST_F(TimestampTest, FormatterThatFillsTheWholeBufferIsReadNoFurther) {
  zelto::strftimeFunction = [](char* buffer, std::size_t size, const char*,
                               const std::tm*) -> std::size_t {
    std::fill(buffer, buffer + size, 'x');  // no terminating zero
    return 0;
  };
  EXPECT_EQ(zelto::formatTimestamp(std::tm{}, 0, false), std::string(24, 'x'));
  EXPECT_EQ(zelto::formatTimestamp(std::tm{}, 0, true), std::string(28, 'x'));
}

}  // namespace
