// CefTime's conversions: a proleptic Gregorian calendar in UTC, as Chromium's
// base::Time gives it (no time zone, no leap seconds).
#include <chrono>
#include <cmath>

#include "include/internal/cef_time.h"

namespace cef_standin {
namespace {

// Days since 1970-01-01 of a civil date (Howard Hinnant's algorithm).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (m <= 2));
}

}  // namespace

bool TimeToDouble(const cef_time_t& time, double& seconds) {
  if (time.month < 1 || time.month > 12 || time.day_of_month < 1 || time.day_of_month > 31) {
    seconds = 0;
    return false;
  }
  const long long days = DaysFromCivil(time.year, static_cast<unsigned>(time.month),
                                       static_cast<unsigned>(time.day_of_month));
  seconds = static_cast<double>(days) * 86400.0 + time.hour * 3600.0 + time.minute * 60.0 +
            time.second + time.millisecond / 1000.0;
  return true;
}

bool TimeFromDouble(double seconds, cef_time_t& time) {
  time = cef_time_t();
  if (!std::isfinite(seconds)) {
    return false;
  }
  const double totalMs = std::floor(seconds * 1000.0 + 0.5);
  const long long ms = static_cast<long long>(totalMs);
  long long days = ms / 86400000;
  long long rest = ms % 86400000;
  if (rest < 0) {
    rest += 86400000;
    --days;
  }
  CivilFromDays(days, time.year, time.month, time.day_of_month);
  time.day_of_week = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  time.hour = static_cast<int>(rest / 3600000);
  time.minute = static_cast<int>(rest / 60000 % 60);
  time.second = static_cast<int>(rest / 1000 % 60);
  time.millisecond = static_cast<int>(rest % 1000);
  return true;
}

bool TimeNow(cef_time_t& time) {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return TimeFromDouble(std::chrono::duration<double>(now).count(), time);
}

}  // namespace cef_standin
