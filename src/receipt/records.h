#pragma once
// The per-sale records: control flags and the outcome of the last web-service
// exchange (FTransControl), the customer as sent to and returned by the
// authentication request (fAuth), the receipt header (fDRcpt) and its lines
// (fDRcptItems). One process-wide instance of each, used on the host's
// user-interface thread only; the resets clear them at the start of each sale.
// Texts are single-byte strings.

#include <array>
#include <cstdint>
#include <string>

namespace receipt {

struct TransControl {
  bool HaveBillTo = false;
  bool IsAuth = false;
  bool NoVesk = false;
  bool PrintPaper = false;
  bool PrintEFT = false;
  bool CommError = false;
  std::string ErrorText;
  int32_t HTTPCode = 0;  // -1 while an exchange has had no response
  bool CustomerDone = false;
  bool EmailChanged = false;
  bool HasCardTender = false;
  bool DigitalWanted = false;
  bool DigitalSendOK = false;
  std::string DigitalSendExDesc;
  bool PrintVeskMessage = false;
  bool PrintingPaper = false;
  bool PrintingEFT = false;
  // The sale's card tenders, each of which the host prints a card slip for,
  // and the card slips printed so far: every slip follows PrintEFT.
  int32_t CardTenders = 0;
  int32_t CardSlipsPrinted = 0;
  bool UpdateCustomer = false;
  bool QueueDueToCommsFailure = false;
  bool RequestQueued = false;
  bool VeskCancelled = false;
  std::string ReceiptID;
  bool PrintVeskMessagePrint = false;
  // The "Invoice SID" of the sale ReceiptID belongs to: the message is printed
  // on that invoice's receipt only, not on a reprint of another one.
  std::string ReceiptIDInvoiceSid;
};

struct AuthRec {
  std::string MerchantID;
  std::string LoyaltyCardNumber;
  std::string EmailAddress;
  std::string StoredEmail;
  std::string Phone1;
  std::string Phone2;
  std::string CustID;
  bool IsAuth = false;
  bool IsTemp = false;
  bool DefaultQuenlo = false;
  bool DefaultQuenloCopy = false;
  std::string QuenlosCardNumber;
  bool ErrorStatus = false;
  std::string Exceptions;
  bool OptIn = false;
  bool LoyaltyMember = false;
};

struct DigitalReceipt {
  bool DefaultQuenlo = false;
  bool ReAuthenticate = false;
  std::string ReceiptType;
  std::string StoreID;
  std::string StoreName;
  bool TemporaryID = false;
  std::string CustomerNumber;
  std::string FirstName;
  std::string LastName;
  std::string LoyaltyNumber;
  std::string EmailAddress;
  std::string PhoneNumber;
  std::string ReceiptNumber;
  std::string ReceiptBarcodeType;
  std::string RcptDate;
  std::string TimeZone;
  std::string TransactionType;
  std::string TransactionNumber;
  std::string SubTotalAmount;
  std::string DiscountAmount;
  std::string SalesPriceTotalAmount;
  std::string TaxDescription1;
  std::string TaxAmount1;
  std::string TaxPercent1;
  std::string TaxDescription2;
  std::string TaxAmount2;
  std::string TaxPercent2;
  std::string TotalDue;
  std::string TotalPaid;
  std::string ChangeDue;
  std::string ServiceCharge;
  std::string AdditionalInfo1;
  std::string AdditionalInfo2;
  std::string AdditionalInfo3;
  std::string FullName;
  std::string DepositAmount;
  std::string BalanceDue;
  std::string POSID;
  bool DepositUsed = false;
  bool NoPaymentsYet = false;
  bool IsReturn = false;
};

struct DigitalReceiptItem {
  bool Used = false;
  std::string ItemName;
  std::string ItemDescription;
  std::string ItemTypeCode;
  std::string ItemSKUNumber;
  std::string ItemUPCNumber;
  std::string ItemSerialNumber;
  std::string ItemModelNumber;
  std::string ItemBrand;
  std::string ItemIndustry;
  std::string ItemManufacturer;
  std::string ItemPrice;
  std::string ItemQuantity;
  std::string ItemTotal;
  std::string PriceNotation;
  std::string DiscountAmount;
  std::string DiscountName;
  std::string TaxAmount1;
  std::string TaxPercent1;
  std::string TaxAmount2;
  std::string TaxPercent2;
  std::string Category;
  std::string CustomCategory1;
  std::string CustomCategory2;
  std::string MiscInfo;

  bool operator==(const DigitalReceiptItem&) const = default;
};

// The receipt holds items 0 to kMaxDigitalReceiptItemIndex; a sale with more
// items gets no digital receipt.
inline constexpr int32_t kMaxDigitalReceiptItemIndex = 500;
inline constexpr size_t kDigitalReceiptItemCapacity = kMaxDigitalReceiptItemIndex + 1;

extern TransControl FTransControl;
extern AuthRec fAuth;
extern DigitalReceipt fDRcpt;
extern std::array<DigitalReceiptItem, kDigitalReceiptItemCapacity> fDRcptItems;
extern int32_t fDRcptItemCount;  // index of the last filled item; -1 when none

// Every flag false, HTTPCode 0, every text empty.
void ResetTransControl();
// The same, but what the print event answers from stays: the paper and
// card-slip decisions (PrintingPaper, PrintPaper, PrintingEFT, PrintEFT and
// the card-slip counts) and the receipt ID with its message. For the roads
// that end their event before the host prints the document.
void ResetTransControlKeepingPrintDecision();
// The print decision of a document nothing was decided for yet: paper armed
// and printing, no card slip pending (so the paper decision answers a card
// slip too and it prints), no receipt ID and no message.
void ResetPrintDecision();
// Every text empty, every flag false.
void ResetAuth();
// The header and all 501 items emptied (no item Used); fDRcptItemCount -1.
void ResetReceipt();

}  // namespace receipt
