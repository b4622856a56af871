#include "oracle/values/oracle_date.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace oracle {
namespace {

using Bytes = std::array<uint8_t, kOracleDateSize>;

Bytes Encode(TDateTime value) {
  Bytes b{};
  DateTimeToOracleDate(value, b);
  return b;
}

TDateTime Decode(const Bytes& b) {
  return OracleDateToDateTime(b);
}

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return EncodeDateTime({y, mo, d, h, mi, s, ms});
}

TEST(OracleDate, EncodesTheCenturysEndAndRoundTripsEveryKindOfDate) {
  EXPECT_EQ(Encode(At(1999, 12, 31, 23, 59, 58)), (Bytes{119, 199, 12, 31, 24, 60, 59}));
  EXPECT_EQ(Encode(At(2000, 1, 1)), (Bytes{120, 100, 1, 1, 1, 1, 1}));
  for (TDateTime v : {At(1, 1, 1), At(1, 1, 1, 23, 59, 59), At(1600, 2, 29, 0, 0, 1),
                      At(1899, 12, 29, 18, 30), At(1899, 12, 30, 0, 0, 1), At(1970, 1, 1),
                      At(2024, 2, 29, 13, 14, 15), At(9999, 12, 31, 23, 59, 59)}) {
    EXPECT_DOUBLE_EQ(Decode(Encode(v)), v) << DateTimeToText(v);
  }
}

TEST(OracleDate, DropsMillisecondsButRoundsToTheNearestMillisecondFirst) {
  EXPECT_EQ(Encode(At(2020, 5, 6, 7, 8, 9, 999))[6], 10);
  // 23:59:59.9996 is 24:00:00.000 after rounding: the next day begins.
  const TDateTime almostMidnight = At(2020, 5, 6) + (86400.0 - 0.0004) / 86400.0;
  EXPECT_EQ(Encode(almostMidnight), (Bytes{120, 120, 5, 7, 1, 1, 1}));
}

TEST(OracleDate, YearsOutsideOneTo9999YearZeroAndMalformedBytes) {
  Bytes b{};
  EXPECT_THROW(DateTimeToOracleDate(-693594.0, b), EDateError);  // 0000-12-31
  EXPECT_THROW(DateTimeToOracleDate(2958466.0, b), EDateError);  // 10000-01-01
  EXPECT_THROW(DateTimeToOracleDate(1e300, b), EDateError);
  EXPECT_THROW(DateTimeToOracleDate(std::nan(""), b), EDateError);
  EXPECT_THROW(EncodeDate(0, 1, 1), EDateError);
  EXPECT_THROW(EncodeDate(10000, 1, 1), EDateError);
  EXPECT_THROW(Decode(Bytes{200, 100, 1, 1, 1, 1, 1}), EDateError);  // year 10000
  // Year zero or earlier decodes to the day before year one.
  EXPECT_EQ(Decode(Bytes{100, 100, 1, 1, 1, 1, 1}), kOracleDateBeforeYear1);
  // The time of day is subtracted from the negative day number.
  EXPECT_DOUBLE_EQ(Decode(Bytes{99, 50, 6, 15, 13, 1, 1}), kOracleDateBeforeYear1 - 0.5);
  EXPECT_THROW(Decode(Bytes{120, 100, 13, 1, 1, 1, 1}), EDateError);  // month 13
  EXPECT_THROW(Decode(Bytes{120, 100, 2, 30, 1, 1, 1}), EDateError);  // 30 February
  EXPECT_THROW(Decode(Bytes{120, 100, 1, 1, 0, 1, 1}), EDateError);   // hour -1
  EXPECT_THROW(Decode(Bytes{120, 100, 1, 1, 25, 1, 1}), EDateError);  // hour 24
  EXPECT_THROW(Decode(Bytes{120, 100, 1, 1, 1, 61, 1}), EDateError);  // minute 60
  EXPECT_THROW(Decode(Bytes{121, 50, 1, 1, 1, 1, 1}), EDateError);    // year byte below 100
  EXPECT_THROW(Decode(Bytes{0, 0, 0, 0, 0, 0, 0}), EDateError);
}

TEST(OracleDate, TextFormsShowTheTimeOnlyWhenThereIsOne) {
  EXPECT_EQ(DateTimeToText(At(2021, 3, 4)), "2021-03-04");
  EXPECT_EQ(DateTimeToText(At(2021, 3, 4, 5, 6, 7)), "2021-03-04 05:06:07");
  TDateTime v = 0;
  ASSERT_TRUE(TryTextToDateTime(" 2021-03-04 05:06:07.250 ", v));
  EXPECT_DOUBLE_EQ(v, At(2021, 3, 4, 5, 6, 7, 250));
  ASSERT_TRUE(TryTextToDateTime("2021-03-04T05:06", v));
  EXPECT_DOUBLE_EQ(v, At(2021, 3, 4, 5, 6));
  for (const char* bad : {"", "2021-3-4", "2021-02-30", "2021-03-04 24:00", "2021-03-04x",
                          "2021-03-04 05:06:07.5", "0000-01-01"}) {
    EXPECT_FALSE(TryTextToDateTime(bad, v)) << bad;
  }
}

}  // namespace
}  // namespace oracle
