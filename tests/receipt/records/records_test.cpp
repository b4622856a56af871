#include "receipt/records.h"

#include <gtest/gtest.h>

namespace {

using namespace receipt;

TEST(SaleRecordsTest, ResetTransControlClearsEverythingAndHTTPCodeIsZero) {
  FTransControl.HaveBillTo = true;
  FTransControl.PrintPaper = true;
  FTransControl.QueueDueToCommsFailure = true;
  FTransControl.PrintVeskMessagePrint = true;
  FTransControl.ErrorText = "timeout";
  FTransControl.ReceiptID = "R1";
  FTransControl.HTTPCode = -1;
  ResetTransControl();
  EXPECT_EQ(FTransControl.HTTPCode, 0) << "not -1: the exchange sets -1 itself";
  EXPECT_FALSE(FTransControl.HaveBillTo);
  EXPECT_FALSE(FTransControl.PrintPaper);
  EXPECT_FALSE(FTransControl.QueueDueToCommsFailure);
  EXPECT_FALSE(FTransControl.PrintVeskMessagePrint);
  EXPECT_EQ(FTransControl.ErrorText, "");
  EXPECT_EQ(FTransControl.ReceiptID, "");
}

TEST(SaleRecordsTest, ResetAuthClearsTheCustomer) {
  fAuth.CustID = "C-1";
  fAuth.EmailAddress = "a@b.c";
  fAuth.IsAuth = true;
  fAuth.IsTemp = true;
  fAuth.LoyaltyMember = true;
  ResetAuth();
  EXPECT_EQ(fAuth.CustID, "");
  EXPECT_EQ(fAuth.EmailAddress, "");
  EXPECT_FALSE(fAuth.IsAuth);
  EXPECT_FALSE(fAuth.IsTemp);
  EXPECT_FALSE(fAuth.LoyaltyMember);
}

TEST(SaleRecordsTest, ResetReceiptEmptiesHeaderAndAllItems) {
  EXPECT_EQ(fDRcptItems.size(), 501u);
  fDRcpt.ReceiptType = "EmailOnly";
  fDRcpt.IsReturn = true;
  for (int i : {0, 250, kMaxDigitalReceiptItemIndex}) {
    fDRcptItems[static_cast<size_t>(i)].Used = true;
    fDRcptItems[static_cast<size_t>(i)].ItemName = "item";
    fDRcptItems[static_cast<size_t>(i)].MiscInfo = "misc";
  }
  fDRcptItemCount = kMaxDigitalReceiptItemIndex;
  ResetReceipt();
  EXPECT_EQ(fDRcptItemCount, -1);
  EXPECT_EQ(fDRcpt.ReceiptType, "");
  EXPECT_FALSE(fDRcpt.IsReturn);
  for (const DigitalReceiptItem& item : fDRcptItems) {
    EXPECT_FALSE(item.Used);
    EXPECT_EQ(item.ItemName, "");
    EXPECT_EQ(item.MiscInfo, "");
  }
}

}  // namespace
