#pragma once
// Wall-clock moments as the application log uses them: local calendar time to
// the millisecond, the clock that supplies them (replaceable by tests) and the
// text forms found in log lines and log file names.

#include <functional>
#include <string>

namespace foundation {

struct LogTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;

  bool SameDay(const LogTime& other) const {
    return year == other.year && month == other.month && day == other.day;
  }
};

// The local time now, from the log clock.
LogTime LogNow();

// Replace the log clock; an empty function restores the system clock.
using LogClock = std::function<LogTime()>;
void SetLogClock(LogClock clock);

// "yyyy-mm-dd hh:nn:ss.zzz", the time column of a log line.
std::string FormatLogTimestamp(const LogTime& t);

// "yyyymmdd".
std::string FormatLogDate(const LogTime& t);

// "hhnnsszzz".
std::string FormatLogClockTime(const LogTime& t);

}  // namespace foundation
