// CEF's calendar time: the cef_time_* exports (a proleptic Gregorian calendar in UTC,
// the engine's conversions).
#include <cmath>
#include <ctime>
#include <limits>

#include "half.h"

namespace cef_double {

namespace {

// The time's seconds since the epoch; false for a null or impossible time.
bool Seconds(const cef_time_t* time, double& seconds) {
  seconds = 0;
  return time && TimeToSeconds(CivilOf(*time), seconds);
}

int Store(double seconds, cef_time_t* time) {
  if (!time) {
    return 0;
  }
  CivilTime civil;
  const bool converted = TimeFromSeconds(seconds, civil);
  *time = CefTimeOf<cef_time_t>(civil);
  return converted;
}

}  // namespace
}  // namespace cef_double

using namespace cef_double;

extern "C" {

CEF_EXPORT int cef_time_to_timet(const cef_time_t* cef_time, time_t* time) {
  double seconds = 0;
  if (!time || !cef_time_to_doublet(cef_time, &seconds)) {
    return 0;
  }
  // A 32-bit time_t (mingw's) ends in 2038: a later time is refused, not wrapped.
  const double whole = std::floor(seconds);
  if (whole < static_cast<double>(std::numeric_limits<time_t>::min()) ||
      whole > static_cast<double>(std::numeric_limits<time_t>::max())) {
    return 0;
  }
  *time = static_cast<time_t>(whole);
  return 1;
}

CEF_EXPORT int cef_time_from_timet(time_t time, cef_time_t* cef_time) {
  return Store(static_cast<double>(time), cef_time);
}

CEF_EXPORT int cef_time_to_doublet(const cef_time_t* cef_time, double* time) {
  double seconds = 0;
  if (!time || !Seconds(cef_time, seconds)) {
    return 0;
  }
  *time = seconds;
  return 1;
}

CEF_EXPORT int cef_time_from_doublet(double time, cef_time_t* cef_time) {
  return Store(time, cef_time);
}

CEF_EXPORT int cef_time_now(cef_time_t* cef_time) {
  if (!cef_time) {
    return 0;
  }
  CivilTime now;
  const bool known = TimeNow(now);
  *cef_time = CefTimeOf<cef_time_t>(now);
  return known;
}

// The milliseconds from the first time to the second.
CEF_EXPORT int cef_time_delta(const cef_time_t* cef_time1,
                              const cef_time_t* cef_time2,
                              long long* delta) {
  double first = 0;
  double second = 0;
  if (!delta || !Seconds(cef_time1, first) || !Seconds(cef_time2, second)) {
    return 0;
  }
  *delta = static_cast<long long>(std::llround((second - first) * 1000.0));
  return 1;
}

}  // extern "C"
