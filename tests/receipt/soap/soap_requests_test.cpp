#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/prefs_records.h"
#include "receipt/containers.h"
#include "receipt/records.h"
#include "receipt/soap_messages.h"
#include "sample_sales.h"
#include "soap_test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace receipt;
using soaptest::AddTender;
using soaptest::CountOf;

// Compares a request text byte for byte with its golden file. With
// NORVANE_UPDATE_GOLDEN set in the environment the file is rewritten instead
// (review the difference before committing it).
void ExpectGolden(const std::string& name, const std::string& actual) {
  const fs::path golden = fs::path(SOAP_GOLDEN_DIR) / (name + ".xml");
  if (std::getenv("NORVANE_UPDATE_GOLDEN") != nullptr) {
    std::ofstream(golden, std::ios::binary) << actual;
  }
  const std::string expected = soaptest::ReadAll(golden);
  ASSERT_FALSE(expected.empty()) << "missing golden file " << golden;
  if (expected != actual) {
    const fs::path out = fs::temp_directory_path() / (name + ".actual.xml");
    std::ofstream(out, std::ios::binary) << actual;
    FAIL() << name << " differs from its golden file; the text built is in " << out;
  }
}

class RequestTextTest : public soaptest::SoapFixture {
 protected:
  std::array<DigitalReceiptItem, kDigitalReceiptItemCapacity> items_{};
  TInvoiceContainer invoice_;
  AuthRec auth_;
  DigitalReceipt receipt_;

  std::string Build() { return ConstructMessage(invoice_, auth_, receipt_, items_); }
};

TEST_F(RequestTextTest, AuthenticationRequestWithPhonesAndCharactersToEscape) {
  soaptest::FillCustomer(auth_);
  auth_.EmailAddress = "o'neil&co@example.com";
  auth_.LoyaltyCardNumber = "<7000123>";
  foundation::MainPrefs.MerchID = "M\"1001\"";
  ExpectGolden("auth_with_phones", AuthenticateUserPOSRequest(auth_));
}

TEST_F(RequestTextTest, AuthenticationRequestLeavesOutPhonesWithoutDigits) {
  soaptest::FillCustomer(auth_);
  auth_.Phone1 = "";
  auth_.Phone2 = "n/a";
  ExpectGolden("auth_without_phones", AuthenticateUserPOSRequest(auth_));
}

TEST_F(RequestTextTest, AuthenticationRequestOfTheCurrentCustomer) {
  soaptest::FillCustomer(fAuth);
  soaptest::FillCustomer(auth_);
  EXPECT_EQ(AuthenticateUserPOSRequest(), AuthenticateUserPOSRequest(auth_));
}

TEST_F(RequestTextTest, SaleWithCardCashCheckGiftCardAndDepositTenders) {
  soaptest::FillCustomer(auth_);
  soaptest::FillSaleHeader(receipt_);
  soaptest::FillOptionalHeader(receipt_);
  AddTender(invoice_, {{"TENDER_TYPE", int64_t{2}},
                       {"Amount", 40.0},
                       {"Doc_No", std::string("4111111111111111")},
                       {"Card Type", std::string("VISA")},
                       {"Exp Month", int64_t{7}},
                       {"Exp Year", int64_t{27}},
                       {"Auth", std::string("A1B2C3")},
                       {"EFT Data 1", std::string("ignored")}});
  AddTender(invoice_, {{"TENDER_TYPE", int64_t{0}},
                       {"Amount", 42.5},
                       {"Taken", 50.0},
                       {"Given", 7.5},
                       {"Doc_No", std::string("")}});
  AddTender(invoice_, {{"TENDER_TYPE", int64_t{1}},
                       {"Amount", std::string("20")},
                       {"Doc_No", std::string("1042")}});
  AddTender(invoice_,
            {{"TENDER_TYPE", int64_t{10}}, {"Amount", 15.004}, {"Doc_No", std::string("GC-77")}});
  AddTender(invoice_, {{"TENDER_TYPE", int64_t{7}}, {"Amount", 20.0}});
  items_[0] = soaptest::FullItem();
  items_[1] = soaptest::PlainItem("Bulb", "35.00");
  // Items after the first unused one are not sent.
  items_[3] = soaptest::PlainItem("Not sent", "1.00");

  ExpectGolden("sale_all_tenders", Build());
  EXPECT_FALSE(receipt_.NoPaymentsYet);
  EXPECT_TRUE(receipt_.DepositUsed);
}

TEST_F(RequestTextTest, ReturnSendsTenderAmountsNegatedAndGivenCash) {
  soaptest::FillCustomer(auth_);
  soaptest::FillSaleHeader(receipt_);
  receipt_.IsReturn = true;
  receipt_.TransactionType = "ReturnTransaction";
  receipt_.SubTotalAmount = "-60.00";
  receipt_.SalesPriceTotalAmount = "-60.00";
  receipt_.TotalDue = "-60.00";
  receipt_.TotalPaid = "-60.00";
  AddTender(invoice_, {{"TENDER_TYPE", int64_t{2}},
                       {"Amount", 35.0},
                       {"Doc_No", std::string("!4242XXXXXXXX")},
                       {"Card Type", std::string("MC")},
                       {"Exp Month", int64_t{0}},
                       {"Exp Year", int64_t{28}}});
  AddTender(invoice_,
            {{"TENDER_TYPE", int64_t{0}}, {"Amount", -20.0}, {"Taken", 0.0}, {"Given", 20.0}});
  AddTender(invoice_, {{"TENDER_TYPE", int64_t{9}}, {"Amount", 5.0}});
  DigitalReceiptItem item = soaptest::PlainItem("Lamp", "-60.00");
  item.ItemQuantity = "-1";
  items_[0] = item;

  ExpectGolden("return", Build());
}

TEST_F(RequestTextTest, ReceiptWithoutTendersAndWithoutOptionalElements) {
  soaptest::FillCustomer(auth_);
  auth_.Phone1.clear();
  auth_.Phone2.clear();
  soaptest::FillSaleHeader(receipt_);
  receipt_.ReAuthenticate = true;
  receipt_.TemporaryID = true;
  receipt_.DefaultQuenlo = false;
  // Left over from preparation: the message still carries its empty block.
  receipt_.NoPaymentsYet = false;
  items_[0] = soaptest::PlainItem("Gift wrap", "0.00");

  const std::string text = Build();
  ExpectGolden("no_tenders", text);
  EXPECT_EQ(CountOf(text, "<Payments>"), 1u);
  EXPECT_TRUE(receipt_.NoPaymentsYet);
}

TEST_F(RequestTextTest, ValuesWithAmpersandApostropheAndNonAsciiLetters) {
  soaptest::FillCustomer(auth_);
  auth_.CustID = "C&42";
  soaptest::FillSaleHeader(receipt_);
  receipt_.EmailAddress = "o'neil@example.com";
  receipt_.StoreName =
      "B\xC3\xA4"
      "ckerei & S\xC3\xB6hne";
  receipt_.AdditionalInfo3 = "Say \"hi\" <soon>";
  foundation::StorePrefs.Address = "O'Hara Plaza";
  foundation::StorePrefs.City = "Z\xC3\xBCrich";
  AddTender(invoice_,
            {{"TENDER_TYPE", int64_t{10}}, {"Amount", 9.99}, {"Doc_No", std::string("A&B")}});
  DigitalReceiptItem item = soaptest::PlainItem(
      "Cr\xC3\xA8me br\xC3\xBBl\xC3\xA9"
      "e",
      "9.99");
  item.ItemDescription = "Tom & Jerry's";
  items_[0] = item;

  const std::string text = Build();
  ExpectGolden("special_characters", text);
  EXPECT_EQ(text.find("& "), std::string::npos);
  for (unsigned char c : text) ASSERT_LT(c, 0x80) << "the text is plain ASCII";
}

TEST_F(RequestTextTest, AllFiveHundredAndOneItemsAreSentInOrder) {
  soaptest::FillSaleHeader(receipt_);
  for (size_t i = 0; i < items_.size(); ++i) {
    items_[i] = soaptest::PlainItem("item" + std::to_string(i), "1.00");
  }
  const std::string text = Build();
  EXPECT_EQ(CountOf(text, "<v2:ItemInfo>"), 501u);
  EXPECT_EQ(CountOf(text, "</v2:ItemInfo>"), 501u);
  EXPECT_LT(text.find("<ItemName>item499</ItemName>"), text.find("<ItemName>item500</ItemName>"));
  EXPECT_TRUE(text.ends_with("</soapenv:Envelope>"));
  const std::string log = AppLog();
  EXPECT_NE(log.find("501 items processed."), std::string::npos);
  EXPECT_NE(log.find("0 tenders processed."), std::string::npos);
}

TEST_F(RequestTextTest, TheCurrentSaleIsBuiltFromTheGlobalRecords) {
  soaptest::FillCustomer(fAuth);
  soaptest::FillSaleHeader(fDRcpt);
  fDRcptItems[0] = soaptest::FullItem();
  AddTender(invoice_, {{"TENDER_TYPE", int64_t{7}}, {"Amount", 20.0}});
  soaptest::FillCustomer(auth_);
  soaptest::FillSaleHeader(receipt_);
  items_[0] = soaptest::FullItem();

  EXPECT_EQ(ConstructMessage(invoice_), Build());
  EXPECT_TRUE(fDRcpt.DepositUsed);
  EXPECT_FALSE(fDRcpt.NoPaymentsYet);
}

TEST_F(RequestTextTest, AFailingTenderValueIsWrittenToTheTrafficLogAndPassedOn) {
  soaptest::FillSaleHeader(receipt_);
  AddTender(invoice_, {{"TENDER_TYPE", std::string("cash")}});
  EXPECT_THROW(Build(), EInvalidFieldCast);
  const std::string traffic = TrafficLog();
  EXPECT_NE(traffic.find(" ConstructMessage Exception\n"), std::string::npos) << traffic;
  EXPECT_NE(traffic.find(" Exception:Invalid cast of field value to Integer"), std::string::npos)
      << traffic;
}

TEST(BoolToXMLTextTest, LowerCaseWords) {
  EXPECT_EQ(BoolToXMLText(true), "true");
  EXPECT_EQ(BoolToXMLText(false), "false");
}

}  // namespace
