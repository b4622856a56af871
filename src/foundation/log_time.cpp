#include "foundation/log_time.h"

#include "foundation/no_destructor.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace foundation {
namespace {

// Never destroyed: the writer may still read the clock while the process's
// static objects are being destroyed.
struct ClockState {
  std::mutex mutex;
  LogClock clock;
  // The broken-down local time of the last second asked for: the writer asks
  // once per line, and converting is the expensive part. Kept here under the
  // lock rather than in thread-local storage, which the library avoids.
  time_t cachedSecond = -1;
  std::tm cachedTm{};
};

ClockState& Clock() {
  static NoDestructor<ClockState> state;
  return *state;
}

// Converts the system clock to local time; the caller holds the state's lock.
LogTime SystemNow(ClockState& state) {
  using namespace std::chrono;
  time_t& cached_second = state.cachedSecond;
  std::tm& cached_tm = state.cachedTm;
  auto now = system_clock::now();
  auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count();
  time_t secs = static_cast<time_t>(ms / 1000);
  if (secs != cached_second) {
    localtime_r(&secs, &cached_tm);
    cached_second = secs;
  }
  LogTime t;
  t.year = cached_tm.tm_year + 1900;
  t.month = cached_tm.tm_mon + 1;
  t.day = cached_tm.tm_mday;
  t.hour = cached_tm.tm_hour;
  t.minute = cached_tm.tm_min;
  t.second = cached_tm.tm_sec;
  t.millisecond = static_cast<int>(ms % 1000);
  return t;
}

}  // namespace

LogTime LogNow() {
  ClockState& state = Clock();
  std::lock_guard lock(state.mutex);
  if (state.clock) return state.clock();
  return SystemNow(state);
}

void SetLogClock(LogClock clock) {
  ClockState& state = Clock();
  std::lock_guard lock(state.mutex);
  state.clock = std::move(clock);
}

std::string FormatLogTimestamp(const LogTime& t) {
  // Written digit by digit: the writer thread formats one of these per line.
  std::string out = "0000-00-00 00:00:00.000";
  auto put = [&out](size_t pos, int value, int digits) {
    for (int i = digits - 1; i >= 0; --i) {
      out[pos + static_cast<size_t>(i)] = static_cast<char>('0' + value % 10);
      value /= 10;
    }
  };
  put(0, t.year, 4);
  put(5, t.month, 2);
  put(8, t.day, 2);
  put(11, t.hour, 2);
  put(14, t.minute, 2);
  put(17, t.second, 2);
  put(20, t.millisecond, 3);
  return out;
}

std::string FormatLogDate(const LogTime& t) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", t.year, t.month, t.day);
  return buf;
}

std::string FormatLogClockTime(const LogTime& t) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%02d%02d%02d%03d", t.hour, t.minute, t.second, t.millisecond);
  return buf;
}

}  // namespace foundation
