#include "platform/calendar.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>

namespace {

TEST(Calendar, DayNumbersRoundTripAcrossLeapRules) {
  EXPECT_EQ(platform::DaysFromCivil(1970, 1, 1), 0);
  EXPECT_EQ(platform::DaysFromCivil(1899, 12, 30), -25569);
  for (int64_t days : {-719468, -25569, -1, 0, 59, 10957, 2932896}) {
    const platform::CivilDate date = platform::CivilFromDays(days);
    EXPECT_EQ(platform::DaysFromCivil(date.year, date.month, date.day), days);
  }
  const platform::CivilDate leapDay = platform::CivilFromDays(platform::DaysFromCivil(2000, 2, 29));
  EXPECT_EQ(leapDay.year, 2000);
  EXPECT_EQ(leapDay.month, 2u);
  EXPECT_EQ(leapDay.day, 29u);
  EXPECT_EQ(platform::DaysInMonth(2000, 2), 29u);
  EXPECT_EQ(platform::DaysInMonth(1900, 2), 28u);
  EXPECT_EQ(platform::DaysInMonth(2024, 2), 29u);
  EXPECT_EQ(platform::DaysInMonth(2023, 12), 31u);
}

// The fraction of a date-time value is the time of day whatever the sign of
// the day number; a time that rounds up to 24:00 is midnight of the next
// calendar day. Before 1899-12-30 that day has the day number one higher
// (nearer zero), not one lower.
TEST(Calendar, DateTimeValuesSplitAndJoinWithTheTimeOfDayCountingForward) {
  constexpr double kAlmostMidnight = 0.99999999999;  // 23:59:59.999999...
  struct Row {
    double value;
    int year, month, day, hour, minute, second, millisecond;
  } rows[] = {
      {0.0, 1899, 12, 30, 0, 0, 0, 0},
      {-1.25, 1899, 12, 29, 6, 0, 0, 0},
      {-0.5, 1899, 12, 30, 12, 0, 0, 0},
      {1.0 + kAlmostMidnight, 1900, 1, 1, 0, 0, 0, 0},
      {-1.0 - kAlmostMidnight, 1899, 12, 30, 0, 0, 0, 0},
      {-2.0 - kAlmostMidnight, 1899, 12, 29, 0, 0, 0, 0},
      {-693593.5, 1, 1, 1, 12, 0, 0, 0},
      {46361.75 + 0.0004 / 86400, 2026, 12, 5, 18, 0, 0, 0},
      {46361.0 + 45296.789 / 86400, 2026, 12, 5, 12, 34, 56, 789},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.value);
    const auto p = platform::SplitDateTime(r.value);
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(
        (std::array{p->year, p->month, p->day, p->hour, p->minute, p->second, p->millisecond}),
        (std::array{r.year, r.month, r.day, r.hour, r.minute, r.second, r.millisecond}));
    if (r.value != -0.5 && std::fabs(r.value - std::trunc(r.value)) < 0.9) {
      EXPECT_NEAR(platform::JoinDateTime(*p), r.value, 1e-8) << "joins back";
    }
  }
  EXPECT_FALSE(platform::SplitDateTime(std::nan("")).has_value());
  EXPECT_FALSE(platform::SplitDateTime(2e9).has_value());
}

}  // namespace
