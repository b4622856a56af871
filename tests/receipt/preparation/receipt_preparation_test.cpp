// Receipt preparation from invoice containers: items, returns, deposits,
// discounts, taxes, tenders, ship-to, and the failures that leave the sale
// without a digital receipt. Runs without a user interface, so a failure
// message goes to the application log.

#include "receipt/receipt_preparation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/app_log_capture.h"
#include "common/scoped_env.h"
#include "foundation/prefs_records.h"
#include "receipt/records.h"
#include "receipt/soap_messages.h"
#include "sales/invoice_builder.h"

namespace {

using namespace preparationtest;
using receipt::fDRcpt;
using receipt::fDRcptItemCount;
using receipt::fDRcptItems;
using receipt::FTransControl;
using receipt::PrepareDigitalReceipt;

class PreparationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedPrefs_ = foundation::MainPrefs;
    // A card list, so building the message does not read settings files.
    foundation::MainPrefs.Cards = {"VISA=Visa"};
    receipt::ResetTransControl();
    receipt::ResetAuth();
    receipt::ResetReceipt();
  }
  void TearDown() override {
    foundation::MainPrefs = savedPrefs_;
    receipt::ResetTransControl();
    receipt::ResetAuth();
    receipt::ResetReceipt();
  }

  foundation::TMainPrefs savedPrefs_;
};

TEST_F(PreparationTest, AReturnSendsItsAmountsNegated) {
  auto invoice = SaleInvoice(2);
  AddFields(*invoice, {{"Subtotal w/o tax", 10.0}, {"Invc Total", 10.0}});
  AddItem(*invoice, "Scarf", 1, 10.0);
  AddTender(*invoice, 0, 10.0, 0, 10.0);

  PrepareDigitalReceipt(*invoice, false);

  ASSERT_FALSE(FTransControl.NoVesk);
  EXPECT_TRUE(fDRcpt.IsReturn);
  EXPECT_EQ(fDRcpt.TransactionType, "ReturnTransaction");
  EXPECT_EQ(fDRcptItems[0].ItemTotal, "-10.00");
  EXPECT_EQ(fDRcptItems[0].ItemQuantity, "-1");
  EXPECT_EQ(fDRcptItems[0].ItemPrice, "10.00") << "the unit price is not signed";
  EXPECT_EQ(fDRcpt.SubTotalAmount, "-10.00");
  EXPECT_EQ(fDRcpt.TotalPaid, "-10.00") << "cash handed back on a return";
  EXPECT_EQ(fDRcpt.ChangeDue, "0.00") << "never a negative zero";

  const std::string message = receipt::ConstructMessage(*invoice);
  EXPECT_NE(message.find("<ItemTotal>-10.00</ItemTotal>"), std::string::npos);
  EXPECT_NE(message.find("<TransactionType>ReturnTransaction</TransactionType>"),
            std::string::npos);
}

TEST_F(PreparationTest, ItemDiscountsAreSentAsReductionsOnASaleAndAdditionsOnAReturn) {
  for (const int64_t type : {int64_t{0}, int64_t{2}}) {
    receipt::ResetReceipt();
    auto invoice = SaleInvoice(type);
    receipt::TContainer& item = invoice->Items.NewContainer();
    AddFields(item, {{"Qty", 2.0}, {"Disc Amt", 1.255}, {"Disc Reason", std::string("STAFF")}});
    PrepareDigitalReceipt(*invoice, false);
    ASSERT_FALSE(FTransControl.NoVesk);
    EXPECT_EQ(fDRcptItems[0].DiscountAmount, type == 2 ? "1.26" : "-1.26");
    EXPECT_EQ(fDRcptItems[0].DiscountName, "STAFF");
    EXPECT_EQ(fDRcptItems[0].ItemQuantity, type == 2 ? "-2" : "2");
  }
}

TEST_F(PreparationTest, FiveHundredAndOneItemsFillTheWholeReceipt) {
  auto invoice = SaleInvoice();
  for (int i = 0; i < 501; ++i) AddItem(*invoice, "Item " + std::to_string(i), 1, 1.0);

  PrepareDigitalReceipt(*invoice, false);

  EXPECT_FALSE(FTransControl.NoVesk);
  EXPECT_EQ(fDRcptItemCount, 500);
  EXPECT_TRUE(fDRcptItems[500].Used);
  EXPECT_EQ(fDRcptItems[500].ItemName, "Item 500");
}

TEST_F(PreparationTest, AValueOfTheWrongKindEndsThePreparationWithItsStep) {
  testsupport::AppLogCapture log("prepcast", 9, true);
  auto invoice = SaleInvoice();
  invoice->Items.NewContainer().AddField("Qty", std::string("lots"));

  PrepareDigitalReceipt(*invoice, false);

  EXPECT_TRUE(FTransControl.NoVesk);
  const std::string text = log.Text();
  EXPECT_NE(text.find("DoDigitalReceipt: Invalid cast of field value to Double"), std::string::npos)
      << text;
  EXPECT_NE(text.find("PrepareDigitalReceipt while traversing items (item 0)"), std::string::npos);
}

TEST_F(PreparationTest, ASalesOrderDepositBecomesADepositReceiptAndAFeeWithoutOneAServiceCharge) {
  auto invoice = SaleInvoice();
  AddFields(*invoice, {{"Fee Type", std::string("SODEP")},
                       {"SO Sid", std::string("900100")},
                       {"SO Number", std::string("4567")},
                       {"Invc Total", 50.0},
                       {"Fee Amt", 50.0},
                       {"Deposit Balance Due", 149.995}});
  // The sales-order line the extraction adds to a deposit.
  AddFields(invoice->Items.NewContainer(),
            {{"Qty", 1.0}, {"Orig P$", 50.0}, {"Ext Rcpt P$", 50.0}});
  AddTender(*invoice, 2, 50.0);

  PrepareDigitalReceipt(*invoice, false);

  ASSERT_FALSE(FTransControl.NoVesk);
  EXPECT_EQ(fDRcpt.TransactionType, "DepositTransaction");
  EXPECT_EQ(fDRcpt.DepositAmount, "50.00");
  EXPECT_EQ(fDRcpt.BalanceDue, "150.00");
  EXPECT_EQ(fDRcpt.ServiceCharge, "") << "the deposit fee is not a service charge";
  const receipt::DigitalReceiptItem& item = fDRcptItems[0];
  EXPECT_TRUE(item.Used);
  EXPECT_EQ(item.ItemName, "SALES ORDER DEPOSIT");
  EXPECT_EQ(item.ItemQuantity, "1");
  EXPECT_EQ(item.ItemPrice, "50.00");
  EXPECT_EQ(item.MiscInfo, "000000004567");
  EXPECT_EQ(fDRcptItemCount, 0);

  receipt::ResetReceipt();
  invoice = SaleInvoice();
  AddFields(*invoice, {{"Fee Type", std::string("SODEP")},
                       {"SO Sid", std::string("  ")},
                       {"Invc Total", 50.0},
                       {"Fee Amt", 5.0},
                       {"Shp Amt NT", 2.5}});
  PrepareDigitalReceipt(*invoice, false);
  EXPECT_EQ(fDRcpt.TransactionType, "SaleTransaction");
  EXPECT_EQ(fDRcpt.DepositAmount, "");
  EXPECT_EQ(fDRcpt.ServiceCharge, "7.50");

  receipt::ResetReceipt();
  auto refund = SaleInvoice(2);
  AddFields(*refund, {{"Fee Amt", 0.0}, {"Shp Amt NT", 4.0}});
  PrepareDigitalReceipt(*refund, false);
  EXPECT_EQ(fDRcpt.ServiceCharge, "-4.00");
}

TEST_F(PreparationTest, ASaleWithDiscountTaxesShipToAndACardCarriesEverything) {
  testsupport::AppLogCapture log("prepsale", 9, true);
  testsupport::ScopedEnv zone("TZ", "America/Chicago");
  auto& prefs = foundation::MainPrefs;
  prefs.InclDesc3 = true;
  prefs.InclDesc4 = false;
  prefs.InclSize = prefs.InclAttr = prefs.InclVendor = true;
  prefs.EnableAdvancedCategorization = true;
  prefs.Categories = {"", " shoes ", "", "Bags", "", ""};
  prefs.ProductCategories = {"XYZ=1;1", "appshijkl=2;7"};
  FTransControl.DigitalWanted = true;
  receipt::fAuth.IsTemp = true;
  receipt::fAuth.DefaultQuenlo = true;

  auto invoice = SaleInvoice();
  AddFields(*invoice, {{"Discount Amount", 5.0},
                       {"Subtotal w/o tax", 15.0},
                       {"Subtotal Tax1$", 1.65},
                       {"Tax Area Name", std::string("STATE")},
                       {"Tax %", 8.25},
                       {"Subtotal Tax2$", 0.5},
                       {"Tax Area2", std::string("CITY")},
                       {"Tax 2 %", 2.5},
                       {"Invc Total", 17.15},
                       {"Ship To Cust SID", std::string("88")},
                       {"STC First Name", std::string("John")},
                       {"STC Last Name", std::string("Roe")},
                       {"STC Address 1", std::string("1 Main St")},
                       {"STC Address 2", std::string("")},
                       {"STC Address 3", std::string("Springfield")},
                       {"STC Zip", std::string("12345")},
                       {"Comment1", std::string("Thanks")},
                       {"Comment2", std::string("Come again")}});
  AddItem(*invoice, "Boots", 1, 20.0);
  AddFields(invoice->Items.NewContainer(), {{"Desc1", std::string("Laces")},
                                            {"Lookup UPC", std::string("")},
                                            {"Lookup ALU", std::string("LC-2")},
                                            {"Vendor Name", std::string(" ")},
                                            {"Vendor Code", std::string("")},
                                            {"DCS Code", std::string("ZZ")},
                                            {"Qty", 3.0},
                                            {"Orig P$", 1.0},
                                            {"Ext Rcpt P$", 3.0},
                                            {"Disc Amt", 5.0},
                                            {"Ext Tax Amount", 1.65},
                                            {"Tax Percent", 8.25},
                                            {"Ext Tax Amount2", 0.5},
                                            {"Tax Percent 2", 2.5}});
  receipt::LastVendorSQL = "select v.Vend_Name from vendor_v v where i.Item_Sid=77";
  AddCardTender(*invoice, 17.15);

  PrepareDigitalReceipt(*invoice, false);
  ASSERT_FALSE(FTransControl.NoVesk);

  const receipt::DigitalReceiptItem& boots = fDRcptItems[0];
  const receipt::DigitalReceiptItem& laces = fDRcptItems[1];
  const struct {
    const char* rule;
    std::string actual;
    std::string expected;
  } rows[] = {
      {"description: lines 3 and 4 as chosen", boots.ItemDescription, "Second line third"},
      {"misc info: size, attribute, vendor", boots.MiscInfo,
       "Size: M / Attr: Blue / Vendor: Acme Goods"},
      {"misc info keeps empty parts", laces.MiscInfo, "Size:  / Attr:  / Vendor: "},
      {"UPC loses its leading zero", boots.ItemUPCNumber, "123456789012"},
      {"SKU is the UPC when there is one", boots.ItemSKUNumber, "123456789012"},
      {"SKU is the ALU without a UPC", laces.ItemSKUNumber, "LC-2"},
      {"no UPC, none sent", laces.ItemUPCNumber, ""},
      {"brand is the vendor name", boots.ItemBrand, "Acme Goods"},
      {"no vendor name or code, no brand", laces.ItemBrand, ""},
      {"category from the DCS roll-up", boots.Category, "APP"},
      {"custom category by position", boots.CustomCategory1, "BAGS"},
      {"position 7 names no category", boots.CustomCategory2, ""},
      {"unmatched DCS, no custom category", laces.CustomCategory1, ""},
      {"no item discount, none sent", boots.DiscountAmount, ""},
      {"item discount is a reduction", laces.DiscountAmount, "-5.00"},
      {"item discount without reason", laces.DiscountName, "NONE"},
      {"no item tax, none sent", boots.TaxAmount1, ""},
      {"item tax 1", laces.TaxAmount1, "1.65"},
      {"item tax percent as a fraction", laces.TaxPercent1, "0.0825"},
      {"item tax 2", laces.TaxAmount2, "0.50"},
      {"item tax 2 percent", laces.TaxPercent2, "0.025"},
      {"sale type", fDRcpt.TransactionType, "SaleTransaction"},
      {"digital only when wanted without paper", fDRcpt.ReceiptType, "DigitalOnly"},
      {"local date and time of the sale", fDRcpt.RcptDate, "2024-03-15T14:05:09"},
      {"time zone abbreviation at the sale", fDRcpt.TimeZone, "CST"},
      {"store number three digits", fDRcpt.StoreID, "007"},
      {"workstation two digits", fDRcpt.POSID, "03"},
      {"receipt number", fDRcpt.ReceiptNumber, "1042"},
      {"transaction number", fDRcpt.TransactionNumber, "1042"},
      {"invoice discount is a reduction", fDRcpt.DiscountAmount, "-5.00"},
      {"subtotal", fDRcpt.SubTotalAmount, "15.00"},
      {"tax 1", fDRcpt.TaxAmount1, "1.65"},
      {"tax 1 percent", fDRcpt.TaxPercent1, "0.0825"},
      {"tax 2", fDRcpt.TaxAmount2, "0.50"},
      {"tax 2 percent", fDRcpt.TaxPercent2, "0.025"},
      {"total due", fDRcpt.TotalDue, "17.15"},
      {"total paid by card", fDRcpt.TotalPaid, "17.15"},
      {"no change on a card", fDRcpt.ChangeDue, ""},
      {"no fee, no service charge", fDRcpt.ServiceCharge, ""},
      {"ship-to name and address lines", fDRcpt.AdditionalInfo1,
       "John Roe\\n1 Main St\\nSpringfield\\n12345"},
      {"card text then the first comment", fDRcpt.AdditionalInfo2,
       CardTenderEmvText() + "\\nThanks"},
  };
  for (const auto& row : rows) EXPECT_EQ(row.actual, row.expected) << row.rule;
  EXPECT_EQ(fDRcptItemCount, 1);
  EXPECT_TRUE(fDRcpt.ReAuthenticate) << "a temporary identifier is confirmed again";
  EXPECT_TRUE(fDRcpt.TemporaryID);
  EXPECT_TRUE(fDRcpt.DefaultQuenlo);
  EXPECT_FALSE(fDRcpt.NoPaymentsYet);

  const std::string text = log.Text();
  EXPECT_NE(text.find("SQL that failed to find vendor: select v.Vend_Name"), std::string::npos);
  EXPECT_NE(text.find("Roll-up position 7"), std::string::npos);
}

TEST_F(PreparationTest, TendersAddUpAndCashCountsWhatWasHandedOver) {
  auto invoice = SaleInvoice();
  AddFields(*invoice, {{"Invc Total", 17.5}, {"Subtotal w/o tax", 17.5}});
  AddItem(*invoice, "Mug", 1, 17.5);
  AddTender(*invoice, 0, 17.5, 20.0, 2.5);

  PrepareDigitalReceipt(*invoice, false);

  ASSERT_FALSE(FTransControl.NoVesk);
  EXPECT_EQ(fDRcpt.TotalDue, "17.50");
  EXPECT_EQ(fDRcpt.TotalPaid, "20.00");
  EXPECT_EQ(fDRcpt.ChangeDue, "2.50");
  EXPECT_EQ(fDRcpt.AdditionalInfo1, "") << "no ship-to customer";
  EXPECT_EQ(fDRcpt.AdditionalInfo2, "") << "no card, no comment";

  const std::string message = receipt::ConstructMessage(*invoice);
  EXPECT_NE(message.find("<ChangeDue>2.50</ChangeDue>"), std::string::npos);
  EXPECT_NE(message.find("<PaymentType>Cash</PaymentType>\r\n<Amount>20.00</Amount>"),
            std::string::npos);

  receipt::ResetReceipt();
  invoice = SaleInvoice();
  AddTender(*invoice, 10, 5.25);    // gift card
  AddTender(*invoice, 1, 4.75);     // check
  AddTender(*invoice, 0, 0, 0, 0);  // cash with nothing handed over
  PrepareDigitalReceipt(*invoice, false);
  EXPECT_EQ(fDRcpt.TotalPaid, "10.00");
  EXPECT_EQ(fDRcpt.ChangeDue, "");
  EXPECT_FALSE(fDRcpt.NoPaymentsYet);

  receipt::ResetReceipt();
  auto empty = SaleInvoice();
  PrepareDigitalReceipt(*empty, false);
  EXPECT_FALSE(FTransControl.NoVesk);
  EXPECT_TRUE(fDRcpt.NoPaymentsYet);
  EXPECT_EQ(fDRcpt.TotalPaid, "0.00");
  EXPECT_EQ(fDRcptItemCount, -1);
}

// Cash counts the money that moved in either direction, on a sale as on a
// return: the paid total, the change and the cash payment of the message
// agree.
TEST_F(PreparationTest, CashPaysTheMoneyThatMovedWithItsSign) {
  struct Case {
    const char* name;
    int64_t type;
    double taken, given;
    const char* paid;
    const char* change;   // empty: none sent
    const char* payment;  // the cash payment's amount; null: none
  } cases[] = {
      {"sale, change handed back", 0, 20.0, 2.5, "20.00", "2.50", "20.00"},
      {"sale, money only given back", 0, 0, 20.0, "-20.00", "0.00", "-20.00"},
      {"return, money handed back", 2, 0, 10.0, "-10.00", "0.00", "-10.00"},
      {"return, change taken back", 2, 1.0, 10.0, "-10.00", "-1.00", "-10.00"},
      {"sale, nothing moved", 0, 0, 0, "0.00", "", nullptr},
      {"return, nothing handed back", 2, 5.0, 0, "0.00", "", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    receipt::ResetReceipt();
    auto invoice = SaleInvoice(c.type);
    AddTender(*invoice, 0, 20.0, c.taken, c.given);
    PrepareDigitalReceipt(*invoice, false);
    ASSERT_FALSE(FTransControl.NoVesk);
    EXPECT_EQ(fDRcpt.TotalPaid, c.paid);
    EXPECT_EQ(fDRcpt.ChangeDue, c.change);
    const std::string message = receipt::ConstructMessage(*invoice);
    const bool cash = message.find("<PaymentType>Cash</PaymentType>") != std::string::npos;
    EXPECT_EQ(cash, c.payment != nullptr);
    if (c.payment != nullptr) {
      EXPECT_NE(message.find(std::string("<PaymentType>Cash</PaymentType>\r\n<Amount>") +
                             c.payment + "</Amount>"),
                std::string::npos);
    }
  }
}

// A sale may record its cash in several lines: the change is what they gave
// back between them, whichever line gave it, and the message carries it once.
TEST_F(PreparationTest, ChangeIsWhatAllCashLinesGaveBack) {
  struct Line {
    double taken, given;
  };
  struct Case {
    const char* name;
    int64_t type;
    std::vector<Line> lines;
    const char* paid;
    const char* change;
  } cases[] = {
      {"change on the first line", 0, {{20.0, 25.0}, {50.0, 0}}, "70.00", "25.00"},
      {"change on the last line", 0, {{50.0, 0}, {20.0, 25.0}}, "70.00", "25.00"},
      {"change on both lines", 0, {{20.0, 5.0}, {30.0, 2.5}}, "50.00", "7.50"},
      {"a line that moved nothing", 0, {{20.0, 2.5}, {0, 0}}, "20.00", "2.50"},
      {"a return in two lines", 2, {{0, 10.0}, {1.0, 5.0}}, "-15.00", "-1.00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    receipt::ResetReceipt();
    auto invoice = SaleInvoice(c.type);
    for (const Line& line : c.lines) AddTender(*invoice, 0, 0, line.taken, line.given);
    PrepareDigitalReceipt(*invoice, false);
    ASSERT_FALSE(FTransControl.NoVesk);
    EXPECT_EQ(fDRcpt.TotalPaid, c.paid);
    EXPECT_EQ(fDRcpt.ChangeDue, c.change);
    const std::string message = receipt::ConstructMessage(*invoice);
    const std::string element = std::string("<ChangeDue>") + c.change + "</ChangeDue>";
    const size_t at = message.find(element);
    EXPECT_NE(at, std::string::npos);
    EXPECT_EQ(message.find("<ChangeDue>", at + 1), std::string::npos) << "one change";
  }
}

struct ReceiptTypeCase {
  bool resend;
  bool printPaper;
  bool digitalWanted;
  bool isTemp;
  bool emailChanged;
  const char* receiptType;
  bool reAuthenticate;
};

class ReceiptTypeTest : public PreparationTest,
                        public ::testing::WithParamInterface<ReceiptTypeCase> {};

TEST_P(ReceiptTypeTest, TheChoiceAndTheCustomerStateDecideTypeAndReAuthentication) {
  const ReceiptTypeCase c = GetParam();
  FTransControl.PrintPaper = c.printPaper;
  FTransControl.DigitalWanted = c.digitalWanted;
  FTransControl.EmailChanged = c.emailChanged;
  receipt::fAuth.IsTemp = c.isTemp;
  PrepareDigitalReceipt(*SaleInvoice(), c.resend);
  EXPECT_EQ(fDRcpt.ReceiptType, c.receiptType);
  EXPECT_EQ(fDRcpt.ReAuthenticate, c.reAuthenticate);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, ReceiptTypeTest,
    ::testing::Values(ReceiptTypeCase{true, true, true, true, true, "EmailOnly", false},
                      ReceiptTypeCase{false, true, true, false, false, "DigitalAndPaper", false},
                      ReceiptTypeCase{false, true, false, false, true, "PaperOnly", true},
                      ReceiptTypeCase{false, false, false, true, false, "DigitalOnly", true},
                      ReceiptTypeCase{false, false, true, false, false, "DigitalOnly", false}));

}  // namespace
