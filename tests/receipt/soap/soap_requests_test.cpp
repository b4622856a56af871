#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "foundation/prefs_io.h"
#include "foundation/prefs_records.h"
#include "receipt/containers.h"
#include "receipt/records.h"
#include "receipt/soap_messages.h"
#include "sales/invoice_builder.h"
#include "soap_test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace receipt;
using soaptest::CountOf;

// Compares a request text byte for byte with its golden file. With
// NORVANE_UPDATE_GOLDEN set in the environment the file is rewritten instead
// (review the difference before committing it).
void ExpectGolden(const std::string& name, const std::string& actual) {
  const fs::path golden = fs::path(SOAP_GOLDEN_DIR) / (name + ".xml");
  if (std::getenv("NORVANE_UPDATE_GOLDEN") != nullptr) {
    std::ofstream(golden, std::ios::binary) << actual;
  }
  const std::string expected = testsupport::ReadFileText(golden);
  ASSERT_FALSE(expected.empty()) << "missing golden file " << golden;
  if (expected != actual) {
    const fs::path out = fs::temp_directory_path() / (name + ".actual.xml");
    std::ofstream(out, std::ios::binary) << actual;
    FAIL() << name << " differs from its golden file; the text built is in " << out;
  }
}

void FillCustomer(AuthRec& a) {
  a = AuthRec{};
  a.MerchantID = "LOY-7";
  a.LoyaltyCardNumber = "7000123";
  a.QuenlosCardNumber = "Q-555";
  a.EmailAddress = "pat@example.com";
  a.Phone1 = "(541) 555-0123";
  a.Phone2 = "555 0199";
  a.CustID = "C-42";
}

// The header of a sale with no optional value set.
void FillSaleHeader(DigitalReceipt& r) {
  r.DefaultQuenlo = true;
  r.ReceiptType = "DigitalAndPaper";
  r.StoreID = "007";
  r.StoreName = "Main Street Store";
  r.EmailAddress = "pat@example.com";
  r.ReceiptNumber = r.TransactionNumber = "1234";
  r.ReceiptBarcodeType = "Code128";
  r.RcptDate = "2026-12-06T10:15:00";
  r.TimeZone = "PST";
  r.TransactionType = "SaleTransaction";
  r.SubTotalAmount = "100.00";
  r.SalesPriceTotalAmount = "95.00";
  r.TotalDue = "101.65";
  r.TotalPaid = "145.00";
  r.AdditionalInfo1 = "Pat Doe\\n12 Elm St";
  r.AdditionalInfo3 = "Thank you";
  r.FullName = "Sam Cashier";
  r.POSID = "03";
}

DigitalReceiptItem PlainItem(const std::string& name, const std::string& total) {
  DigitalReceiptItem item;
  item.Used = true;
  item.ItemName = name;
  item.ItemDescription = name + " description";
  item.ItemSKUNumber = item.ItemUPCNumber = "12345678901";
  item.ItemBrand = "ACME";
  item.ItemPrice = item.ItemTotal = total;
  item.ItemQuantity = "1";
  item.Category = "ABC";
  item.MiscInfo = "Size: M";
  return item;
}

class RequestTextTest : public soaptest::SoapFixture {
 protected:
  void SetUp() override {
    SoapFixture::SetUp();
    FillCustomer(auth_);
    FillSaleHeader(receipt_);
  }
  void AddTender(std::initializer_list<preparationtest::Field> fields) {
    preparationtest::AddFields(invoice_.Tenders.NewContainer(), fields);
  }
  std::string Build() { return ConstructMessage(invoice_, auth_, receipt_, items_); }

  std::array<DigitalReceiptItem, kDigitalReceiptItemCapacity> items_{};
  TInvoiceContainer invoice_;
  AuthRec auth_;
  DigitalReceipt receipt_;
};

TEST_F(RequestTextTest, AuthenticationRequests) {
  auth_.EmailAddress = "o'neil&co@example.com";
  auth_.LoyaltyCardNumber = "<7000123>";
  foundation::MainPrefs.MerchID = "M\"1001\"";
  ExpectGolden("auth_with_phones", AuthenticateUserPOSRequest(auth_));

  FillCustomer(fAuth);
  fAuth.Phone1 = "";
  fAuth.Phone2 = "n/a";
  foundation::MainPrefs.MerchID = "M-1001";
  ExpectGolden("auth_without_phones", AuthenticateUserPOSRequest());
}

TEST_F(RequestTextTest, SaleWithCardCashCheckGiftCardAndDepositTenders) {
  receipt_.DiscountAmount = "-5.00";
  receipt_.TaxDescription1 = "State";
  receipt_.TaxPercent1 = "0.06";
  receipt_.TaxAmount1 = "5.70";
  receipt_.TaxDescription2 = "City";
  receipt_.TaxPercent2 = "0.01";
  receipt_.TaxAmount2 = "0.95";
  receipt_.ChangeDue = "7.50";
  receipt_.ServiceCharge = "2.00";
  receipt_.DepositAmount = "20.00";
  receipt_.BalanceDue = "0.00";
  AddTender({{"TENDER_TYPE", int64_t{2}},
             {"Amount", 40.0},
             {"Doc_No", std::string("4111111111111111")},
             {"Card Type", std::string("VISA")},
             {"Exp Month", int64_t{7}},
             {"Exp Year", int64_t{27}},
             {"Auth", std::string("A1B2C3")},
             {"EFT Data 1", std::string("ignored")}});
  AddTender({{"TENDER_TYPE", int64_t{0}},
             {"Amount", 42.5},
             {"Taken", 50.0},
             {"Given", 7.5},
             {"Doc_No", std::string("")}});
  AddTender({{"TENDER_TYPE", int64_t{1}},
             {"Amount", std::string("20")},
             {"Doc_No", std::string("1042")}});
  AddTender({{"TENDER_TYPE", int64_t{10}}, {"Amount", 15.004}, {"Doc_No", std::string("GC-77")}});
  AddTender({{"TENDER_TYPE", int64_t{7}}, {"Amount", 20.0}});
  DigitalReceiptItem& full = items_[0] = PlainItem("Lamp", "60.00");
  full.ItemTypeCode = "MERCH";
  full.DiscountAmount = "-5.00";
  full.DiscountName = "NONE";
  full.TaxAmount1 = "3.60";
  full.TaxPercent1 = "0.06";
  full.TaxAmount2 = "0.60";
  full.TaxPercent2 = "0.01";
  full.CustomCategory1 = "Home";
  full.CustomCategory2 = "Lighting";
  items_[1] = PlainItem("Bulb", "35.00");
  items_[3] = PlainItem("Not sent", "1.00");  // after the first unused item

  ExpectGolden("sale_all_tenders", Build());
  EXPECT_FALSE(receipt_.NoPaymentsYet);
  EXPECT_TRUE(receipt_.DepositUsed);
}

TEST_F(RequestTextTest, ReturnSendsTenderAmountsNegatedAndGivenCash) {
  receipt_.IsReturn = true;
  receipt_.TransactionType = "ReturnTransaction";
  receipt_.SubTotalAmount = receipt_.SalesPriceTotalAmount = "-60.00";
  receipt_.TotalDue = receipt_.TotalPaid = "-60.00";
  AddTender({{"TENDER_TYPE", int64_t{2}},
             {"Amount", 35.0},
             {"Doc_No", std::string("!4242XXXXXXXX")},
             {"Card Type", std::string("MC")},
             {"Exp Month", int64_t{0}},
             {"Exp Year", int64_t{28}}});
  AddTender({{"TENDER_TYPE", int64_t{0}}, {"Amount", -20.0}, {"Taken", 0.0}, {"Given", 20.0}});
  AddTender({{"TENDER_TYPE", int64_t{9}}, {"Amount", 5.0}});
  items_[0] = PlainItem("Lamp", "-60.00");
  items_[0].ItemQuantity = "-1";
  ExpectGolden("return", Build());
}

TEST_F(RequestTextTest, ReceiptWithoutTendersAndWithoutOptionalElements) {
  auth_.Phone1.clear();
  auth_.Phone2.clear();
  receipt_.ReAuthenticate = receipt_.TemporaryID = true;
  receipt_.DefaultQuenlo = false;
  receipt_.NoPaymentsYet = false;  // left over from preparation
  items_[0] = PlainItem("Gift wrap", "0.00");

  const std::string text = Build();
  ExpectGolden("no_tenders", text);
  EXPECT_EQ(CountOf(text, "<Payments>"), 1u);
  EXPECT_TRUE(receipt_.NoPaymentsYet);

  // Settings read from a file without a card list are loaded all the same:
  // building a message reads no other settings file over them.
  const fs::path configured = root_ / "configured";
  fs::create_directories(configured);
  std::ofstream(configured / "VeskMain.ini") << "[MAIN]\nTestURL=https://127.0.0.1:9/configured\n";
  foundation::ReadMainPrefs(configured.string(), "", (configured / "VeskMain.ini").string(),
                            (configured / "VeskMain.dat").string());
  ASSERT_TRUE(foundation::MainPrefs.Cards.empty());
  Build();
  EXPECT_EQ(foundation::MainPrefs.URL, "https://127.0.0.1:9/configured");
}

TEST_F(RequestTextTest, ValuesWithAmpersandApostropheAndNonAsciiLetters) {
  auth_.CustID = "C&42";
  receipt_.EmailAddress = "o'neil@example.com";
  receipt_.StoreName =
      "B\xC3\xA4"
      "ckerei & S\xC3\xB6hne";
  receipt_.AdditionalInfo3 = "Say \"hi\" <soon>";
  foundation::StorePrefs.Address = "O'Hara Plaza";
  foundation::StorePrefs.City = "Z\xC3\xBCrich";
  AddTender({{"TENDER_TYPE", int64_t{10}}, {"Amount", 9.99}, {"Doc_No", std::string("A&B")}});
  items_[0] = PlainItem(
      "Cr\xC3\xA8me br\xC3\xBBl\xC3\xA9"
      "e",
      "9.99");
  items_[0].ItemDescription = "Tom & Jerry's";

  const std::string text = Build();
  ExpectGolden("special_characters", text);
  for (unsigned char c : text) ASSERT_LT(c, 0x80) << "the text is plain ASCII";
}

TEST_F(RequestTextTest, AllFiveHundredAndOneItemsOfTheCurrentSaleAreSentInOrder) {
  FillCustomer(fAuth);
  FillSaleHeader(fDRcpt);
  for (size_t i = 0; i < fDRcptItems.size(); ++i) {
    fDRcptItems[i] = PlainItem("item" + std::to_string(i), "1.00");
  }
  AddTender({{"TENDER_TYPE", int64_t{7}}, {"Amount", 20.0}});
  const std::string text = ConstructMessage(invoice_);
  EXPECT_EQ(CountOf(text, "<v2:ItemInfo>"), 501u);
  EXPECT_EQ(CountOf(text, "</v2:ItemInfo>"), 501u);
  EXPECT_LT(text.find("<ItemName>item499</ItemName>"), text.find("<ItemName>item500</ItemName>"));
  EXPECT_TRUE(
      text.ends_with("</v2:POSInfo>\r\n</v2:sendDigitalReceiptRequest>\r\n"
                     "</soapenv:Body>\r\n</soapenv:Envelope>"));
  EXPECT_TRUE(fDRcpt.DepositUsed);
  const std::string log = AppLog();
  EXPECT_NE(log.find("501 items processed."), std::string::npos);
  EXPECT_NE(log.find("1 tenders processed."), std::string::npos);
}

TEST_F(RequestTextTest, AFailingTenderValueIsWrittenToTheTrafficLogAndPassedOn) {
  AddTender({{"TENDER_TYPE", std::string("cash")}});
  EXPECT_THROW(Build(), EInvalidFieldCast);
  const std::string traffic = TrafficLog();
  EXPECT_NE(traffic.find(" ConstructMessage Exception\n"), std::string::npos) << traffic;
  EXPECT_NE(traffic.find(" Exception:Invalid cast of field value to Integer"), std::string::npos);
}

}  // namespace
