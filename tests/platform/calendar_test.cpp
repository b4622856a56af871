#include "platform/calendar.h"

#include <gtest/gtest.h>

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

}  // namespace
