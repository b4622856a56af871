#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "receipt/containers.h"
#include "receipt/records.h"
#include "receipt/soap_messages.h"
#include "sales/invoice_builder.h"
#include "soap_test_support.h"

namespace {

using namespace receipt;
using preparationtest::AddFields;

// The Payments block of one tender, or "" when it writes none.
std::string Block(TContainer& tender, DigitalReceipt& receipt) {
  std::string out;
  AddPayments(out, tender, receipt);
  return out;
}

struct TypeCase {
  int64_t type;
  const char* paymentType;  // nullptr: no block
};

class TenderMappingTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(TenderMappingTest, EachTenderTypeGivesItsPaymentType) {
  const TypeCase c = GetParam();
  TContainer tender;
  AddFields(tender, {{"TENDER_TYPE", c.type},
                     {"Amount", 12.5},
                     {"Taken", 3.0},
                     {"Given", 1.0},
                     {"Doc_No", std::string("D-9")}});
  DigitalReceipt receipt;
  receipt.NoPaymentsYet = true;
  const std::string block = Block(tender, receipt);
  if (c.paymentType == nullptr) {
    EXPECT_EQ(block, "");
    EXPECT_TRUE(receipt.NoPaymentsYet);
    return;
  }
  const std::string cash = std::string(c.paymentType) == "Cash" ? "3.00" : "12.50";
  EXPECT_EQ(block, "<Payments>\r\n<PaymentType>" + std::string(c.paymentType) +
                       "</PaymentType>\r\n<Amount>" + cash +
                       "</Amount>\r\n<MiscPaymentTypeNumber>D-9</MiscPaymentTypeNumber>\r\n"
                       "</Payments>");
  EXPECT_FALSE(receipt.NoPaymentsYet);
  EXPECT_EQ(receipt.DepositUsed, c.type == 7);
}

INSTANTIATE_TEST_SUITE_P(AllTypes, TenderMappingTest,
                         ::testing::Values(TypeCase{-1, nullptr}, TypeCase{0, "Cash"},
                                           TypeCase{1, "Check"}, TypeCase{3, "Cash"},
                                           TypeCase{4, "CustomerAccount"},
                                           TypeCase{5, "HouseAccount"}, TypeCase{6, "Cash"},
                                           TypeCase{7, "Deposit Used"}, TypeCase{8, "Cash"},
                                           TypeCase{9, "GiftCertificate"}, TypeCase{10, "GiftCard"},
                                           TypeCase{11, "CreditDebit"}, TypeCase{12, "Cash"},
                                           TypeCase{15, "Cash"}, TypeCase{16, "GiftCertificate"},
                                           TypeCase{17, "Cash"}, TypeCase{250, "Cash"}));

// Money only given back on a sale (an exchange) is paid back, negated as on
// a return; nothing handed either way writes nothing.
TEST(CashTenderTest, NothingHandedWritesNothingAndMoneyBackOnASaleIsNegative) {
  TContainer tender;
  AddFields(tender,
            {{"TENDER_TYPE", int64_t{0}}, {"Amount", 10.0}, {"Taken", 0.0}, {"Given", 10.0}});
  DigitalReceipt sale;
  sale.NoPaymentsYet = true;
  EXPECT_EQ(Block(tender, sale),
            "<Payments>\r\n<PaymentType>Cash</PaymentType>\r\n<Amount>-10.00</Amount>\r\n"
            "</Payments>");
  EXPECT_FALSE(sale.NoPaymentsYet);

  TContainer nothing;
  AddFields(nothing,
            {{"TENDER_TYPE", int64_t{0}}, {"Amount", 10.0}, {"Taken", 0.0}, {"Given", 0.0}});
  DigitalReceipt untouched;
  untouched.NoPaymentsYet = true;
  EXPECT_EQ(Block(nothing, untouched), "");
  EXPECT_TRUE(untouched.NoPaymentsYet);

  TContainer refund;
  AddFields(refund, {{"TENDER_TYPE", int64_t{0}}, {"Taken", 25.0}, {"Given", -1.0}});
  DigitalReceipt ret;
  ret.IsReturn = true;
  EXPECT_EQ(Block(refund, ret), "");
}

TEST(AmountTextTest, TwoDecimalsRoundedHalfAwayFromZeroWithoutNegativeZero) {
  auto amountOf = [](double amount, bool isReturn) {
    TContainer tender;
    AddFields(tender, {{"TENDER_TYPE", int64_t{1}}, {"Amount", amount}});
    DigitalReceipt receipt;
    receipt.IsReturn = isReturn;
    const std::string block = Block(tender, receipt);
    const size_t from = block.find("<Amount>") + 8;
    return block.substr(from, block.find("</Amount>") - from);
  };
  EXPECT_EQ(amountOf(0.125, false), "0.13");
  EXPECT_EQ(amountOf(0.125, true), "-0.13");
  EXPECT_EQ(amountOf(1234567.5, false), "1234567.50");
  EXPECT_EQ(amountOf(0.0, true), "0.00");
  EXPECT_EQ(amountOf(0.001, true), "0.00");
  EXPECT_EQ(amountOf(-3.0, true), "3.00") << "a negative amount on a return turns positive";
}

class CardTenderTest : public soaptest::SoapFixture {
 protected:
  std::string CardBlock(const std::string& docNo, int64_t month = 12, int64_t year = 30,
                        const std::string& auth = "") {
    TContainer tender;
    AddFields(tender, {{"TENDER_TYPE", int64_t{2}},
                       {"Amount", 10.0},
                       {"Doc_No", docNo},
                       {"Card Type", std::string("AMEX")},
                       {"Exp Month", month},
                       {"Exp Year", year},
                       {"Auth", auth}});
    DigitalReceipt receipt;
    receipt.NoPaymentsYet = true;
    std::string block = Block(tender, receipt);
    EXPECT_FALSE(receipt.NoPaymentsYet);
    return block;
  }

  static std::string Last4(const std::string& block) {
    const std::string open = "<CreditCardLast4Digits>";
    const size_t at = block.find(open);
    if (at == std::string::npos) return "<none>";
    return block.substr(at + open.size(), block.find("</", at) - at - open.size());
  }
};

TEST_F(CardTenderTest, CardDigitsFollowTheDocumentNumberRule) {
  EXPECT_EQ(Last4(CardBlock("378282246310005")), "0005");
  EXPECT_EQ(Last4(CardBlock("987")), "987");
  EXPECT_EQ(Last4(CardBlock("")), "<none>");
  EXPECT_EQ(Last4(CardBlock("!123456")), "1234") << "characters 2 to 5 of a marked number";
  EXPECT_EQ(Last4(CardBlock("!12345")), "1234");
  EXPECT_EQ(Last4(CardBlock("!1234")), "<none>");
  EXPECT_EQ(Last4(CardBlock("!")), "<none>");
  const std::string log = AppLog();
  EXPECT_EQ(soaptest::CountOf(log, "Card number less than 6 digits, skipping"), 2u);
}

TEST_F(CardTenderTest, ExpirationDateNeedsMonthAndYearAndAuthNumberIsOptional) {
  const std::string full = CardBlock("4111111111111111", 3, 9, "OK77");
  EXPECT_EQ(full,
            "<Payments>\r\n<PaymentType>CreditDebit</PaymentType>\r\n<Amount>10.00</Amount>\r\n"
            "<CreditCardInfo>\r\n<CreditCardLast4Digits>1111</CreditCardLast4Digits>\r\n"
            "<CreditCardType>AMEX</CreditCardType>\r\n<ExpirationDate>0309</ExpirationDate>\r\n"
            "</CreditCardInfo>\r\n<CreditCardAuthNumber>OK77</CreditCardAuthNumber>\r\n"
            "</Payments>");
  EXPECT_EQ(CardBlock("1111", 0, 9).find("ExpirationDate"), std::string::npos);
  EXPECT_EQ(CardBlock("1111", 3, 0).find("ExpirationDate"), std::string::npos);
  EXPECT_EQ(CardBlock("1111").find("CreditCardAuthNumber"), std::string::npos);
}

}  // namespace
