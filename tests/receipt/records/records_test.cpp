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

// The roads that end their event before the host prints keep what the print
// event answers from, and nothing else of the sale.
TEST(SaleRecordsTest, ThePrintDecisionOutlivesTheEventsReset) {
  TransControl& c = FTransControl;
  ResetTransControl();
  c.PrintingPaper = c.PrintPaper = c.PrintingEFT = c.PrintEFT = true;
  c.CardTenders = 2;
  c.CardSlipsPrinted = 1;
  c.ReceiptID = "T-9";
  c.ReceiptIDInvoiceSid = "7301";
  c.PrintVeskMessagePrint = true;
  c.NoVesk = c.DigitalWanted = c.HasCardTender = c.VeskCancelled = c.HaveBillTo = true;
  c.DigitalSendExDesc = "MERCHANT_NOT_FOUND";
  ResetTransControlKeepingPrintDecision();
  EXPECT_TRUE(c.PrintingPaper && c.PrintPaper && c.PrintingEFT && c.PrintEFT);
  EXPECT_EQ(c.CardTenders, 2);
  EXPECT_EQ(c.CardSlipsPrinted, 1);
  EXPECT_EQ(c.ReceiptID, "T-9");
  EXPECT_EQ(c.ReceiptIDInvoiceSid, "7301");
  EXPECT_TRUE(c.PrintVeskMessagePrint);
  EXPECT_FALSE(c.NoVesk || c.DigitalWanted || c.HasCardTender || c.VeskCancelled || c.HaveBillTo);
  EXPECT_EQ(c.DigitalSendExDesc, "");

  // A document nothing was decided for prints whole, without the message.
  ResetPrintDecision();
  EXPECT_TRUE(c.PrintingPaper && c.PrintPaper);
  EXPECT_FALSE(c.PrintingEFT || c.PrintEFT || c.PrintVeskMessagePrint);
  EXPECT_EQ(c.CardTenders + c.CardSlipsPrinted, 0);
  EXPECT_EQ(c.ReceiptID + c.ReceiptIDInvoiceSid, "");
  ResetTransControl();
}

}  // namespace
