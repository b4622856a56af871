#include "receipt/card_masking.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using receipt::MaskCardNumbers;
using receipt::PassesLuhn;

TEST(CardMaskingTest, LuhnAcceptsKnownTestNumbersAndRejectsNeighbours) {
  for (const char* n : {"4111111111111111", "5555555555554444", "378282246310005", "79927398713"}) {
    EXPECT_TRUE(PassesLuhn(n)) << n;
  }
  for (const char* n : {"4111111111111112", "79927398710", "4111-1111", "0", ""}) {
    EXPECT_FALSE(PassesLuhn(n)) << n;
  }
}

TEST(CardMaskingTest, CardNumbersInsideMarkupKeepOnlyTheirLastFour) {
  const std::string in =
      "<CreditCardLast4Digits>4111111111111111</CreditCardLast4Digits>"
      "<MiscPaymentTypeNumber>378282246310005</MiscPaymentTypeNumber>";
  const std::string out = MaskCardNumbers(in);
  EXPECT_EQ(out,
            "<CreditCardLast4Digits>************1111</CreditCardLast4Digits>"
            "<MiscPaymentTypeNumber>***********0005</MiscPaymentTypeNumber>");
  EXPECT_EQ(out.find("4111111111111111"), std::string::npos);
}

TEST(CardMaskingTest, RunLengthBoundsAreThirteenAndNineteen) {
  // Luhn-valid runs of 12, 13, 19 and 20 digits.
  const std::string twelve = "123456789015";
  const std::string thirteen = "4222222222222";
  ASSERT_TRUE(PassesLuhn(twelve));
  ASSERT_TRUE(PassesLuhn(thirteen));
  ASSERT_TRUE(PassesLuhn("4000000000000000006"));
  ASSERT_TRUE(PassesLuhn("40000000000000000002"));
  EXPECT_EQ(MaskCardNumbers(twelve), twelve);
  EXPECT_EQ(MaskCardNumbers(thirteen), "*********2222");
  EXPECT_EQ(MaskCardNumbers("x4000000000000000006y"), "x***************0006y");
  EXPECT_EQ(MaskCardNumbers("40000000000000000002"), "40000000000000000002")
      << "a 20-digit run is not a card number";
}

TEST(CardMaskingTest, NumbersFailingLuhnAndNonDigitsStayAsTheyAre) {
  const std::string in = "Q-20240131235959123 4111111111111112 amount 12.50 caf\xC3\xA9";
  EXPECT_EQ(MaskCardNumbers(in), in);
  EXPECT_EQ(MaskCardNumbers(""), "");
}

TEST(CardMaskingTest, EveryRunIsJudgedOnItsOwnAndGroupsJoinedBySingleSeparatorsCount) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      // Two card numbers separated by one character, and one run at each end.
      {"4111111111111111 5555555555554444", "************1111 ************4444"},
      {"4111111111111111/7", "************1111/7"},
      // Numbers written in groups, with blanks, dashes or both.
      {"card 4111 1111 1111 1111.", "card **** **** **** 1111."},
      {"4111-1111-1111-1111", "****-****-****-1111"},
      {"3782 822463-10005 x", "**** ******-*0005 x"},
      // A number between other digit groups is still found.
      {"qty 2 4111 1111 1111 1111 7", "qty 2 **** **** **** 1111 7"},
      // Two blanks, or a blank and a dash, end a group run.
      {"4111  1111  1111  1111", "4111  1111  1111  1111"},
      {"4111 -1111-1111-1111", "4111 -1111-1111-1111"},
      // A grouped number that fails the check stays.
      {"4111 1111 1111 1112", "4111 1111 1111 1112"},
  };
  for (const Case& c : cases) EXPECT_EQ(MaskCardNumbers(c.in), c.out) << c.in;
}

}  // namespace
