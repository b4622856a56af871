#include "foundation/time_zone.h"
#include "common/scoped_env.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

namespace {

using foundation::GetTimeZoneAt;
using foundation::TimeZone;
using foundation::TimeZoneBias;

// 2026-01-15 12:00 UTC and 2026-07-15 12:00 UTC.
constexpr std::time_t kWinter = 1768478400;
constexpr std::time_t kSummer = 1784116800;

struct ZoneCase {
  const char* tz;
  const char* name;
  int winterBias;
  int summerBias;
};

class GetTimeZoneTest : public ::testing::TestWithParam<ZoneCase> {};

TEST_P(GetTimeZoneTest, BiasAndNameFromTheZoneDatabase) {
  const ZoneCase& c = GetParam();
  testsupport::ScopedEnv tz("TZ", c.tz);
  GetTimeZoneAt(kWinter);
  EXPECT_EQ(TimeZoneBias, c.winterBias);
  EXPECT_EQ(TimeZone, c.name);
  GetTimeZoneAt(kSummer);
  EXPECT_EQ(TimeZoneBias, c.summerBias) << "daylight time takes 60 minutes off";
  EXPECT_EQ(TimeZone, c.name) << "the name stays the standard-time one";
}

INSTANTIATE_TEST_SUITE_P(Zones, GetTimeZoneTest,
                         ::testing::Values(ZoneCase{"America/Los_Angeles", "PST", 480, 420},
                                           ZoneCase{"America/Denver", "MST", 420, 360},
                                           ZoneCase{"America/Phoenix", "MST", 420, 420},
                                           ZoneCase{"America/Chicago", "CST", 360, 300},
                                           ZoneCase{"America/New_York", "EST", 300, 240},
                                           ZoneCase{"Europe/Berlin", "EST", -60, -120},
                                           ZoneCase{"UTC", "EST", 0, 0},
                                           ZoneCase{"PST8PDT,M3.2.0,M11.1.0", "PST", 480, 420}));

TEST(GetTimeZoneSouthern, StandardTimeIsFoundInTheOtherHalfOfTheYear) {
  testsupport::ScopedEnv tz("TZ", "Australia/Sydney");
  GetTimeZoneAt(kWinter);  // January: daylight time in Sydney.
  EXPECT_EQ(TimeZoneBias, -600 - 60);
  GetTimeZoneAt(kSummer);
  EXPECT_EQ(TimeZoneBias, -600);
  EXPECT_EQ(TimeZone, "EST");
}

}  // namespace
