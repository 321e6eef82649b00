#include "logging/CalendarTime.h"

#include <cstdlib>
#include <string>

namespace zelto {

#if defined(_WIN32)

namespace {

// Seconds east of UTC for a local calendar time, from the CRT's own zone rules.
long utcOffsetSeconds(const std::tm& local) {
  std::tm asLocal = local;
  std::tm asUtc = local;
  const __time64_t instant = _mktime64(&asLocal);
  const __time64_t fieldsAsUtc = _mkgmtime64(&asUtc);
  if (instant != -1 && fieldsAsUtc != -1) {
    return static_cast<long>(fieldsAsUtc - instant);
  }
  // Around the ends of the CRT's range: the zone's rules as the last conversion read them.
  return -(_timezone + (local.tm_isdst > 0 ? _dstbias : 0));
}

std::string offsetText(long seconds) {
  const char sign = seconds < 0 ? '-' : '+';
  const long minutes = std::labs(seconds) / 60;
  const long hours = (minutes / 60) % 100;
  std::string text(1, sign);
  text += static_cast<char>('0' + hours / 10);
  text += static_cast<char>('0' + hours % 10);
  text += static_cast<char>('0' + (minutes % 60) / 10);
  text += static_cast<char>('0' + (minutes % 60) % 10);
  return text;
}

}  // namespace

bool utcCalendarTime(int64_t seconds, std::tm& time) noexcept {
  const __time64_t value = seconds;
  return _gmtime64_s(&time, &value) == 0;
}

bool localCalendarTime(int64_t seconds, std::tm& time) noexcept {
  const __time64_t value = seconds;
  return _localtime64_s(&time, &value) == 0;
}

std::size_t systemStrftime(char* buffer,
                           std::size_t size,
                           const char* format,
                           const std::tm* time) {
  // Writes the offset into the format itself, so msvcrt never sees %z.
  std::string rewritten;
  for (const char* p = format; *p != '\0'; ++p) {
    if (p[0] == '%' && p[1] == 'z') {
      rewritten += offsetText(utcOffsetSeconds(*time));
      ++p;
    } else if (p[0] == '%' && p[1] != '\0') {
      rewritten += p[0];
      rewritten += p[1];
      ++p;
    } else {
      rewritten += p[0];
    }
  }
  return std::strftime(buffer, size, rewritten.c_str(), time);
}

#else

namespace {

// Years past 9999 do not fit the timestamp's four digits.
constexpr int kLastYear = 9999 - 1900;

}  // namespace

bool utcCalendarTime(int64_t seconds, std::tm& time) noexcept {
  const std::time_t value = static_cast<std::time_t>(seconds);
  return gmtime_r(&value, &time) != nullptr && time.tm_year <= kLastYear;
}

bool localCalendarTime(int64_t seconds, std::tm& time) noexcept {
  const std::time_t value = static_cast<std::time_t>(seconds);
  return localtime_r(&value, &time) != nullptr && time.tm_year <= kLastYear;
}

std::size_t systemStrftime(char* buffer,
                           std::size_t size,
                           const char* format,
                           const std::tm* time) {
  return std::strftime(buffer, size, format, time);
}

#endif

}  // namespace zelto
