#include "receipt/records.h"

#include <gtest/gtest.h>

namespace {

using namespace receipt;

// The resets put back each record's defaults; what is checked here are the
// defaults that are not plain zeros or empty texts, and that every item goes.
TEST(SaleRecordsTest, ResetsGiveTheDefaultsAndEmptyEveryItem) {
  FTransControl.HTTPCode = -1;
  FTransControl.ErrorText = "timeout";
  ResetTransControl();
  EXPECT_EQ(FTransControl.HTTPCode, 0) << "not -1: the exchange sets -1 itself";
  EXPECT_EQ(FTransControl.ErrorText, "");
  fAuth.CustID = "C-1";
  ResetAuth();
  EXPECT_EQ(fAuth.CustID, "");

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
