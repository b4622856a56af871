// The receipt's number formatter: decimal point, rounding half away from zero
// on the value a person reads, no negative zero, and the three forms used in
// the messages.

#include "receipt/number_format.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

using receipt::ENumberFormatError;
using receipt::FormatAmount;
using receipt::FormatDecimal;
using receipt::FormatPercent;
using receipt::FormatQuantity;

struct Case {
  double value;
  const char* amount;    // "0.00"
  const char* quantity;  // "0.##"
  const char* percent;   // "0.#####"
};

class FormsTest : public ::testing::TestWithParam<Case> {};

TEST_P(FormsTest, EachFormWritesTheValueAsAPersonReadsIt) {
  const Case c = GetParam();
  EXPECT_EQ(FormatAmount(c.value), c.amount) << c.value;
  EXPECT_EQ(FormatQuantity(c.value), c.quantity) << c.value;
  EXPECT_EQ(FormatPercent(c.value), c.percent) << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Values, FormsTest,
    ::testing::Values(
        Case{0, "0.00", "0", "0"}, Case{10, "10.00", "10", "10"}, Case{-10, "-10.00", "-10", "-10"},
        Case{1.5, "1.50", "1.5", "1.5"},
        // Halves round away from zero, judged on the decimal value: 1.005 is
        // stored as 1.00499999999999989... but is written 1.01.
        Case{1.005, "1.01", "1.01", "1.005"}, Case{-1.005, "-1.01", "-1.01", "-1.005"},
        Case{2.675, "2.68", "2.68", "2.675"}, Case{0.125, "0.13", "0.13", "0.125"},
        Case{-0.125, "-0.13", "-0.13", "-0.125"},
        // A carry runs through every digit.
        Case{999.995, "1000.00", "1000", "999.995"}, Case{9.999999, "10.00", "10", "10"},
        // Small negatives never come out as a negative zero.
        Case{-0.004, "0.00", "0", "-0.004"}, Case{-0.000001, "0.00", "0", "0"},
        Case{-0.0, "0.00", "0", "0"},
        // No thousands separator; large values keep every whole digit.
        Case{1234567.891, "1234567.89", "1234567.89", "1234567.891"},
        Case{1e20, "100000000000000000000.00", "100000000000000000000", "100000000000000000000"},
        Case{0.0825, "0.08", "0.08", "0.0825"}, Case{0.083755, "0.08", "0.08", "0.08376"},
        Case{0.000004, "0.00", "0", "0"}, Case{0.000005, "0.00", "0", "0.00001"}));

TEST(FormatDecimalTest, KeepsAtLeastTheMinimumOfDecimals) {
  EXPECT_EQ(FormatDecimal(3, 1, 4), "3.0");
  EXPECT_EQ(FormatDecimal(3.14159, 1, 4), "3.1416");
  EXPECT_EQ(FormatDecimal(2.5, 0, 0), "3");
  EXPECT_EQ(FormatDecimal(-2.5, 0, 0), "-3");
  EXPECT_EQ(FormatDecimal(0.4, 0, 0), "0");
  EXPECT_EQ(FormatDecimal(-0.4, 0, 0), "0");
}

TEST(FormatDecimalTest, RefusesValuesWithoutADecimalForm) {
  EXPECT_THROW(FormatAmount(std::numeric_limits<double>::quiet_NaN()), ENumberFormatError);
  EXPECT_THROW(FormatAmount(std::numeric_limits<double>::infinity()), ENumberFormatError);
  EXPECT_THROW(FormatQuantity(-std::numeric_limits<double>::infinity()), ENumberFormatError);
  EXPECT_THROW(FormatDecimal(1, 3, 2), ENumberFormatError);
  EXPECT_THROW(FormatDecimal(1, 0, 16), ENumberFormatError);
}

TEST(FormatDecimalTest, TheSmallestAndLargestDoublesAreWritten) {
  EXPECT_EQ(FormatAmount(std::numeric_limits<double>::denorm_min()), "0.00");
  EXPECT_EQ(FormatAmount(-std::numeric_limits<double>::min()), "0.00");
  const std::string max = FormatAmount(std::numeric_limits<double>::max());
  EXPECT_EQ(max.size(), 309u + 3u);
  EXPECT_EQ(max.substr(0, 15), "179769313486232");
  EXPECT_EQ(max.substr(max.size() - 3), ".00");
}

}  // namespace
