// Small value-to-text helpers and the variant text rules.

#include <gtest/gtest.h>

#include "foundation/helpers_text.h"
#include "foundation/text_convert.h"
#include "foundation/variant_text.h"
#include "platform/com/variant.h"

namespace {

using foundation::VariantToText;

TEST(ValueText, HexBoolAndChars) {
  EXPECT_EQ(foundation::ByteToHex(0x0f), "0F");
  EXPECT_EQ(foundation::WordToHex(0xbeef), "BEEF");
  EXPECT_EQ(foundation::DWordToHex(0x1a2b), "00001A2B");
  EXPECT_EQ(foundation::DWordToHex(0xffffffffu), "FFFFFFFF");
  EXPECT_EQ(foundation::BoolToStrUpper(true), "TRUE");
  EXPECT_EQ(foundation::BoolToStrUpper(false), "FALSE");
  const char chars[] = {'A', 'B', 'C', 'D'};
  EXPECT_EQ(foundation::CharsToText(chars, 3), "ABC");
  EXPECT_EQ(foundation::CharsToText("AB\0CD", 5), "AB");
  EXPECT_EQ(foundation::CharsToText(chars, -1), "");
  EXPECT_EQ(foundation::helpers::TrimText("\t a b \r\n"), "a b");
}

TEST(ValueText, FloatFromTextOrTheDefault) {
  EXPECT_DOUBLE_EQ(foundation::StrToFloatDefault("12.5", -1), 12.5);
  EXPECT_DOUBLE_EQ(foundation::StrToFloatDefault(" -3e2 ", -1), -300);
  EXPECT_DOUBLE_EQ(foundation::StrToFloatDefault("+7", -1), 7);
  for (const char* bad : {"", " ", "12,5", "1.2.3", "abc", "0x10", "inf", "nan", "1e999", "5x"}) {
    EXPECT_DOUBLE_EQ(foundation::StrToFloatDefault(bad, -1), -1) << bad;
  }
}

class VariantText : public ::testing::Test {
 protected:
  void SetUp() override { foundation::SetShortDateFormat("mm/dd/yyyy"); }
  void TearDown() override { foundation::SetShortDateFormat(""); }
};

TEST_F(VariantText, EmptyNullIntegersAndOtherTypes) {
  EXPECT_EQ(VariantToText(Variant().Get(), 0, 0, 0), "");
  EXPECT_EQ(VariantToText(Variant::Null().Get(), 0, 0, 0), "");
  EXPECT_EQ(VariantToText(Variant(int32_t{-42}).Get(), 0, 0, 0), "-42");
  EXPECT_EQ(VariantToText(Variant(int64_t{9'000'000'000}).Get(), 0, 0, 0), "9000000000");
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_UI1;
  v.bVal = 200;
  EXPECT_EQ(VariantToText(v, 0, 0, 0), "200");
  v.vt = VT_I1;
  v.cVal = -5;
  EXPECT_EQ(VariantToText(v, 0, 0, 0), "-5");
  // 16-bit integers are not among the converted types.
  EXPECT_EQ(VariantToText(Variant(int16_t{7}).Get(), 0, 0, 0), "(variant)");
  v.vt = VT_UI4;
  v.ulVal = 1;
  EXPECT_EQ(VariantToText(v, 0, 0, 0), "(variant)");
}

TEST_F(VariantText, FloatsWithAndWithoutDecimalsBooleansAndDates) {
  EXPECT_EQ(VariantToText(Variant(2.5).Get(), 0, 0, 0), "2.5");
  EXPECT_EQ(VariantToText(Variant(2.5).Get(), 0, 8, 3), "   2.500");
  EXPECT_EQ(VariantToText(Variant(-0.125).Get(), 0, 0, 2), "-0.12");
  EXPECT_EQ(VariantToText(Variant::Currency(123456).Get(), 0, 0, 2), "12.35");
  EXPECT_EQ(VariantToText(Variant::Currency(123450).Get(), 0, 0, 0), "12.345");
  // Odd widths and decimal counts are bounded, not passed on to the formatter.
  EXPECT_EQ(VariantToText(Variant(1.0).Get(), 0, -5, -3), "1");
  EXPECT_EQ(VariantToText(Variant(1.0).Get(), 0, 100000, 2).size(), 64u);

  // Booleans and dates.
  EXPECT_EQ(VariantToText(Variant(true).Get(), foundation::kVariantBoolAsDigit, 0, 0), "1");
  EXPECT_EQ(VariantToText(Variant(false).Get(), foundation::kVariantBoolAsDigit, 0, 0), "0");
  EXPECT_EQ(VariantToText(Variant(true).Get(), 0, 0, 0), "TRUE");
  EXPECT_EQ(VariantToText(Variant(false).Get(), 2, 0, 0), "FALSE");
  // 46361.5 is 2026-12-05 12:00.
  EXPECT_EQ(VariantToText(Variant::Date(46361.5).Get(), 0, 0, 0), "2026-12-05T12:00:00");
}

TEST_F(VariantText, StringsShapedLikeDatesReadWithTheShortDateFormat) {
  EXPECT_EQ(VariantToText(Variant("12/05/2026").Get(), 0, 0, 0), "2026-12-05T00:00:00");
  foundation::SetShortDateFormat("dd/mm/yyyy");
  EXPECT_EQ(VariantToText(Variant("12/05/2026").Get(), 0, 0, 0), "2026-05-12T00:00:00");
  EXPECT_EQ(VariantToText(Variant("31/02/2026").Get(), 0, 0, 0), "31/02/2026");  // no such day
  foundation::SetShortDateFormat("yyyy/mm/dd");
  EXPECT_EQ(VariantToText(Variant("2026/12/05").Get(), 0, 0, 0), "2026-12-05T00:00:00");
  foundation::SetShortDateFormat("mm/dd/yy");
  EXPECT_EQ(VariantToText(Variant("12/05/26").Get(), 0, 0, 0), "2026-12-05T00:00:00");
  // Other shapes and lengths stay text.
  EXPECT_EQ(VariantToText(Variant("12/5/2026").Get(), 0, 0, 0), "12/5/2026");
  EXPECT_EQ(VariantToText(Variant("ab/cd/efgh").Get(), 0, 0, 0), "ab/cd/efgh");
  EXPECT_EQ(VariantToText(Variant("hello").Get(), 0, 0, 0), "hello");
  EXPECT_EQ(VariantToText(Variant("").Get(), 0, 0, 0), "");
}

}  // namespace
