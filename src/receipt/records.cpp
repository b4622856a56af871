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
