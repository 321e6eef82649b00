// Test helpers around the timestamp seams and the process's time zone.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

#include "logging/Timestamp.h"

namespace zelto::testing {

// Puts both seams back as they were when the scope ends.
class ScopedTimestampSeams {
 public:
  ScopedTimestampSeams() : mClock(nowMillisecondsFunction), mFormatter(strftimeFunction) {}
  ~ScopedTimestampSeams() {
    nowMillisecondsFunction = mClock;
    strftimeFunction = mFormatter;
  }

  void fixClock(int64_t milliseconds) {
    nowMillisecondsFunction = [milliseconds] { return milliseconds; };
  }

 private:
  decltype(nowMillisecondsFunction) mClock;
  decltype(strftimeFunction) mFormatter;
};

// Runs the scope in the given time zone, written as TZ understands it on both
// platforms (e.g. "CET-1": one hour east of UTC, no daylight saving).
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    const char* previous = std::getenv("TZ");
    mHadZone = previous != nullptr;
    if (mHadZone) {
      mPrevious = previous;
    }
    set(zone);
  }
  ~ScopedTimeZone() { set(mHadZone ? mPrevious.c_str() : nullptr); }

 private:
  static void set(const char* zone) {
#if defined(_WIN32)
    _putenv((std::string("TZ=") + (zone ? zone : "")).c_str());
    _tzset();
#else
    if (zone) {
      setenv("TZ", zone, 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
#endif
  }

  bool mHadZone = false;
  std::string mPrevious;
};

// 2024-03-05T14:07:09.042Z
constexpr int64_t kSampleMilliseconds = 1709647629042;

}  // namespace zelto::testing
