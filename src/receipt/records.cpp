#include "receipt/records.h"

namespace receipt {

// The records start out as a reset leaves them.
TransControl FTransControl;
AuthRec fAuth;
DigitalReceipt fDRcpt;
std::array<DigitalReceiptItem, kDigitalReceiptItemCapacity> fDRcptItems;
int32_t fDRcptItemCount = -1;

void ResetTransControl() {
  FTransControl = TransControl{};
}

void ResetTransControlKeepingPrintDecision() {
  const TransControl kept = FTransControl;
  FTransControl = TransControl{};
  TransControl& c = FTransControl;
  c.PrintingPaper = kept.PrintingPaper;
  c.PrintPaper = kept.PrintPaper;
  c.PrintingEFT = kept.PrintingEFT;
  c.PrintEFT = kept.PrintEFT;
  c.CardTenders = kept.CardTenders;
  c.CardSlipsPrinted = kept.CardSlipsPrinted;
  c.ReceiptID = kept.ReceiptID;
  c.ReceiptIDInvoiceSid = kept.ReceiptIDInvoiceSid;
  c.PrintVeskMessagePrint = kept.PrintVeskMessagePrint;
}

void ResetPrintDecision() {
  TransControl& c = FTransControl;
  c.PrintingPaper = true;
  c.PrintPaper = true;
  c.PrintingEFT = false;
  c.PrintEFT = false;
  c.CardTenders = 0;
  c.CardSlipsPrinted = 0;
  c.ReceiptID.clear();
  c.ReceiptIDInvoiceSid.clear();
  c.PrintVeskMessagePrint = false;
}

void ResetAuth() {
  fAuth = AuthRec{};
}

void ResetReceipt() {
  fDRcpt = DigitalReceipt{};
  // A sale fills few of the items: the others are compared, which is
  // cheaper than assigning them again.
  static const DigitalReceiptItem kEmpty;
  for (DigitalReceiptItem& item : fDRcptItems) {
    if (item != kEmpty) item = kEmpty;
  }
  fDRcptItemCount = -1;
}

}  // namespace receipt
