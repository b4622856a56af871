#include "foundation/time_zone.h"

namespace foundation {

int32_t TimeZoneBias = 0;
std::string TimeZone;

namespace {

// UTC offset in seconds of standard time in the year of `local`: the offset of
// an instant of that year outside daylight time (the first of each month is
// probed, so zones of either hemisphere are found).
long StandardOffset(const std::tm& local) {
  if (local.tm_isdst <= 0) return local.tm_gmtoff;
  for (int month = 0; month < 12; ++month) {
    std::tm probe{};
    probe.tm_year = local.tm_year;
    probe.tm_mon = month;
    probe.tm_mday = 1;
    probe.tm_hour = 12;
    probe.tm_isdst = -1;
    const std::time_t t = std::mktime(&probe);
    std::tm back{};
    if (t != static_cast<std::time_t>(-1) && localtime_r(&t, &back) != nullptr &&
        back.tm_isdst == 0) {
      return back.tm_gmtoff;
    }
  }
  return local.tm_gmtoff - 3600;
}

}  // namespace

void GetTimeZoneAt(std::time_t now) {
  tzset();
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) {
    TimeZoneBias = 0;
    TimeZone = "EST";
    return;
  }
  const long standard = StandardOffset(local);
  int32_t bias = static_cast<int32_t>(-standard / 60);
  if (local.tm_isdst > 0) bias -= 60;
  TimeZoneBias = bias;
  switch (standard) {
    case -8 * 3600:
      TimeZone = "PST";
      break;
    case -7 * 3600:
      TimeZone = "MST";
      break;
    case -6 * 3600:
      TimeZone = "CST";
      break;
    default:
      TimeZone = "EST";
      break;
  }
}

void GetTimeZone() {
  GetTimeZoneAt(std::time(nullptr));
}

}  // namespace foundation
