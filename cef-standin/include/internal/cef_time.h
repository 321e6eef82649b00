// CEF's time: a broken-down UTC time (cef_time_t) and its C++ face CefTime, with the
// conversions CEF offers (time_t, and a double of seconds since 1970 as WebKit uses).
// CEF's own CefTime calls libcef's cef_time_* exports; the stand-in's calls its own
// conversions, which the double's exports may reuse.
#ifndef CEF_INCLUDE_INTERNAL_CEF_TIME_H_
#define CEF_INCLUDE_INTERNAL_CEF_TIME_H_

#include <ctime>

typedef struct _cef_time_t {
  int year;          // four or five digits
  int month;         // 1 = January
  int day_of_week;   // 0 = Sunday
  int day_of_month;  // 1 to 31
  int hour;          // 0 to 23
  int minute;        // 0 to 59
  int second;        // 0 to 60 (a leap second)
  int millisecond;   // 0 to 999
} cef_time_t;

namespace cef_standin {
// False when the time cannot be converted. A double of 0 means "not set".
bool TimeToDouble(const cef_time_t& time, double& seconds);
bool TimeFromDouble(double seconds, cef_time_t& time);
bool TimeNow(cef_time_t& time);
}  // namespace cef_standin

class CefTime : public cef_time_t {
 public:
  CefTime() : cef_time_t() {}
  CefTime(const cef_time_t& r) : cef_time_t(r) {}
  explicit CefTime(time_t r) : cef_time_t() { SetTimeT(r); }
  explicit CefTime(double r) : cef_time_t() { SetDoubleT(r); }

  void SetTimeT(time_t r) { SetDoubleT(static_cast<double>(r)); }
  time_t GetTimeT() const { return static_cast<time_t>(GetDoubleT()); }
  // Seconds since 1 January 1970 (UTC).
  void SetDoubleT(double r) { cef_standin::TimeFromDouble(r, *this); }
  double GetDoubleT() const {
    double seconds = 0;
    cef_standin::TimeToDouble(*this, seconds);
    return seconds;
  }
  void Now() { cef_standin::TimeNow(*this); }
  // This time minus `other`, in milliseconds.
  long long Delta(const CefTime& other) {
    return static_cast<long long>((GetDoubleT() - other.GetDoubleT()) * 1000.0);
  }
};

#endif  // CEF_INCLUDE_INTERNAL_CEF_TIME_H_
