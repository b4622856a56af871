#include "receipt/receipt_preparation.h"

#include <optional>
#include <stdexcept>
#include <vector>

#include "foundation/helpers_text.h"
#include "foundation/log.h"
#include "foundation/message_form.h"
#include "foundation/prefs_records.h"
#include "foundation/time_zone.h"
#include "foundation/ui_guard.h"
#include "receipt/cash_tender.h"
#include "receipt/number_format.h"
#include "receipt/records.h"
#include "receipt/sale_workflow.h"

namespace receipt {

std::string LastVendorSQL;

namespace {

using foundation::helpers::TrimText;
using foundation::helpers::UpperAscii;

constexpr const char* kTag = "PrepareDigitalReceipt";
// The line break inside the receipt's additional texts: the two characters
// backslash and n, which the service turns into a line break.
constexpr const char* kTextBreak = "\\n";

constexpr int kStoreIdWidth = 3;
constexpr int kPosIdWidth = 2;
constexpr int kSalesOrderNumberWidth = 12;

bool IsBlank(const std::string& text) {
  return TrimText(text).empty();
}

// Appends `part` to `text`, with `separator` in between when `text` is not
// empty.
void AppendPart(std::string& text, const std::string& separator, const std::string& part) {
  if (!text.empty()) text += separator;
  text += part;
}

// "yyyy-mm-ddThh:nn:ss" of a date-time in days.
std::string ReceiptDate(double days) {
  std::string text = FormatDateTime(days, 'T');
  if (text.empty()) throw std::invalid_argument("The invoice's creation time is not a valid date");
  return text;
}

// The roll-up category names in the order the setup dialog offers them: an
// empty first entry, then each category that is set, trimmed and upper-cased.
std::vector<std::string> RollupCategoryNames() {
  std::vector<std::string> names{""};
  for (size_t i = 1; i < foundation::MainPrefs.Categories.size(); ++i) {
    const std::string name = UpperAscii(TrimText(foundation::MainPrefs.Categories[i]));
    if (!name.empty()) names.push_back(name);
  }
  return names;
}

}  // namespace

long RollupPosition(const std::string& text) {
  const std::string trimmed = TrimText(text);
  if (trimmed.empty() || trimmed.size() > 9) return trimmed.empty() ? 0 : -1;
  long value = 0;
  for (char c : trimmed) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return value;
}

namespace {

// Fills the item's custom categories from the roll-up entry of its DCS code
// in the main settings ("DCS=position1;position2"). A position outside the
// configured categories is logged and skipped.
void ApplyRollupCategories(const std::string& dcsCode, DigitalReceiptItem& item) {
  const std::string wanted = UpperAscii(TrimText(dcsCode));
  if (wanted.empty()) return;
  for (const std::string& line : foundation::MainPrefs.ProductCategories) {
    if (UpperAscii(TrimText(foundation::NameOfLine(line))) != wanted) continue;
    const std::string value = foundation::ValueOfLine(line);
    const size_t semicolon = value.find(';');
    const std::string positions[2] = {
        value.substr(0, semicolon),
        semicolon == std::string::npos ? std::string() : value.substr(semicolon + 1)};
    const std::vector<std::string> names = RollupCategoryNames();
    std::string* targets[2] = {&item.CustomCategory1, &item.CustomCategory2};
    for (int i = 0; i < 2; ++i) {
      const long position = RollupPosition(positions[i]);
      if (position < 0 || position >= static_cast<long>(names.size())) {
        foundation::KWLog(1,
                          "Roll-up position " + TrimText(positions[i]) + " of DCS code " + wanted +
                              " names no configured category; skipped",
                          foundation::kLevelWarning, kTag);
        continue;
      }
      *targets[i] = names[static_cast<size_t>(position)];
    }
    return;
  }
}

void PrepareItem(const TContainer& source, double sign, DigitalReceiptItem& item) {
  const auto& prefs = foundation::MainPrefs;

  item.ItemName = source.AsString("Desc1");
  item.ItemDescription = source.AsString("Desc2");
  if (prefs.InclDesc3) item.ItemDescription += " " + source.AsString("Desc3");
  if (prefs.InclDesc4) item.ItemDescription += " " + source.AsString("Desc4");

  item.ItemBrand = source.AsString("Vendor Name");
  if (IsBlank(item.ItemBrand)) item.ItemBrand = source.AsString("Vendor Code");
  if (IsBlank(item.ItemBrand)) {
    item.ItemBrand.clear();
    foundation::KWLog(5, "SQL that failed to find vendor: " + LastVendorSQL,
                      foundation::kLevelWarning, kTag);
  }

  item.MiscInfo.clear();
  if (prefs.InclSize) AppendPart(item.MiscInfo, " / ", "Size: " + source.AsString("Size"));
  if (prefs.InclAttr) {
    AppendPart(item.MiscInfo, " / ", "Attr: " + source.AsString("Attr (strange)"));
  }
  if (prefs.InclVendor) AppendPart(item.MiscInfo, " / ", "Vendor: " + item.ItemBrand);

  std::string upc = source.AsString("Lookup UPC");
  if (!upc.empty() && upc.front() == '0') upc.erase(0, 1);
  item.ItemUPCNumber = upc;
  item.ItemSKUNumber = upc.empty() ? source.AsString("Lookup ALU") : upc;
  item.ItemModelNumber.clear();
  item.ItemIndustry.clear();
  item.ItemManufacturer.clear();
  item.Category = source.AsString("DCS Code").substr(0, 3);
  item.ItemSerialNumber = source.AsString("Serial Number");

  item.ItemQuantity = FormatQuantity(sign * source.AsFloat("Qty"));
  item.ItemPrice = FormatAmount(source.AsFloat("Orig P$"));
  item.ItemTotal = FormatAmount(sign * source.AsFloat("Ext Rcpt P$"));

  const double discount = source.AsFloat("Disc Amt");
  if (discount != 0) {
    item.DiscountAmount = FormatAmount(-(sign * discount));
    item.DiscountName = source.AsString("Disc Reason");
    if (item.DiscountName.empty()) item.DiscountName = "NONE";
  }
  const double tax1 = source.AsFloat("Ext Tax Amount");
  if (tax1 != 0) {
    item.TaxAmount1 = FormatAmount(tax1);
    item.TaxPercent1 = FormatPercent(source.AsFloat("Tax Percent") / 100.0);
  }
  const double tax2 = source.AsFloat("Ext Tax Amount2");
  if (tax2 != 0) {
    item.TaxAmount2 = FormatAmount(tax2);
    item.TaxPercent2 = FormatPercent(source.AsFloat("Tax Percent 2") / 100.0);
  }

  if (prefs.EnableAdvancedCategorization) {
    ApplyRollupCategories(source.AsString("DCS Code"), item);
  }
  item.Used = true;
}

// Every line of the ship-to address that is present, joined by text breaks.
std::string ShipToAddress(const TInvoiceContainer& invoice) {
  std::string name = TrimText(invoice.AsString("STC First Name"));
  const std::string last = TrimText(invoice.AsString("STC Last Name"));
  if (!last.empty()) AppendPart(name, " ", last);

  std::string address;
  if (!name.empty()) address = name;
  for (const char* field : {"STC Address 1", "STC Address 2", "STC Address 3", "STC Zip"}) {
    const std::string line = invoice.AsString(field);
    if (!IsBlank(line)) AppendPart(address, kTextBreak, line);
  }
  return address;
}

void ShowPreparationFailure(const std::string& message) {
  const std::string text = kPrepareFailurePrefix + message;
  if (foundation::UiAvailableOnThisThread()) {
    try {
      foundation::DisplayMessage(foundation::kMessageCaption, text);
      return;
    } catch (const std::exception&) {
      // Falls through to the log line below.
    }
  }
  foundation::KWLog(0, text, foundation::kLevelError, kTag);
}

// The item lines; `step` names the item being read.
void PrepareItems(const TInvoiceContainer& invoice, double sign, std::string& step) {
  for (int index = 0; index < invoice.Items.Count(); ++index) {
    step = "traversing items (item " + std::to_string(index) + ")";
    if (index > kMaxDigitalReceiptItemIndex) {
      throw std::out_of_range("Range check error: a receipt holds at most " +
                              std::to_string(kDigitalReceiptItemCapacity) +
                              " items, this one has " + std::to_string(invoice.Items.Count()));
    }
    PrepareItem(*invoice.Items.GetItem(index), sign, fDRcptItems[static_cast<size_t>(index)]);
    fDRcptItemCount = index;
  }
}

// Sale, return or sales-order deposit; a deposit gets its own item line.
// A deposit given back (an invoice of type 2) sends its amount and its line's
// price with the refund's sign, as every other amount of a return. True for a
// deposit.
bool SetTransactionType(const TInvoiceContainer& invoice, double sign, DigitalReceipt& r) {
  const bool isDeposit =
      invoice.AsString("Fee Type") == "SODEP" && !IsBlank(invoice.AsString("SO Sid"));
  if (!isDeposit) {
    r.TransactionType = r.IsReturn ? "ReturnTransaction" : "SaleTransaction";
    return false;
  }
  r.TransactionType = "DepositTransaction";
  r.DepositAmount = FormatAmount(sign * invoice.AsFloat("Invc Total"));
  r.BalanceDue = FormatAmount(invoice.AsFloat("Deposit Balance Due"));
  DigitalReceiptItem& item = fDRcptItems[0];
  item.ItemName = "SALES ORDER DEPOSIT";
  item.ItemQuantity = "1";
  item.ItemPrice = FormatAmount(sign * invoice.AsFloat("Invc Total"));
  item.MiscInfo =
      foundation::PadLeftWith(invoice.AsString("SO Number"), kSalesOrderNumberWidth, "0");
  item.Used = true;
  if (fDRcptItemCount < 0) fDRcptItemCount = 0;
  return true;
}

void SetReceiptType(const TransControl& control, bool resend, DigitalReceipt& r) {
  if (resend) {
    r.ReceiptType = "EmailOnly";
  } else if (control.PrintPaper && control.DigitalWanted) {
    r.ReceiptType = "DigitalAndPaper";
  } else if (control.PrintPaper) {
    r.ReceiptType = "PaperOnly";
  } else {
    r.ReceiptType = "DigitalOnly";
  }
}

void AddStoreAndCustomer(const TInvoiceContainer& invoice, const TransControl& control, bool resend,
                         DigitalReceipt& r) {
  r.StoreID = foundation::PadLeftWith(invoice.AsString("Store No"), kStoreIdWidth, "0");
  r.StoreName = invoice.AsString("Store Name");
  r.ReAuthenticate = !resend && (fAuth.IsTemp || control.EmailChanged);
  r.DefaultQuenlo = fAuth.DefaultQuenlo;
  r.TemporaryID = fAuth.IsTemp;
  r.CustomerNumber = invoice.AsString("BTC Cust #");
  r.FirstName = invoice.AsString("BTC First Name");
  r.LastName = invoice.AsString("BTC Last Name");
  r.LoyaltyNumber = invoice.AsString("Loyalty Number");
  r.EmailAddress = invoice.AsString("BTC Email");
  r.PhoneNumber = invoice.AsString("BTC Phone1");
  r.ReceiptNumber = invoice.AsString("Invoice Number");
  r.TransactionNumber = r.ReceiptNumber;
  r.ReceiptBarcodeType = invoice.AsString("Barcode Type");
  foundation::GetTimeZone();
  r.TimeZone = foundation::TimeZone;
}

void AddDiscountAndSubtotal(const TInvoiceContainer& invoice, double sign, DigitalReceipt& r) {
  const double discount = invoice.AsFloat("Discount Amount");
  if (discount != 0) r.DiscountAmount = FormatAmount(-(sign * discount));
  r.SubTotalAmount = FormatAmount(sign * invoice.AsFloat("Subtotal w/o tax"));
}

// What the tenders paid (negative on a return); notes the change and the
// card texts on the way. The change is what the cash lines that moved money
// gave back between them: a sale may record its cash in several lines, only
// one of which hands change back.
double TraverseTenders(const TInvoiceContainer& invoice, double sign, DigitalReceipt& r) {
  r.NoPaymentsYet = true;
  double paid = 0;
  std::optional<double> change;
  for (int index = 0; index < invoice.Tenders.Count(); ++index) {
    const TContainer& tender = *invoice.Tenders.GetItem(index);
    if (tender.FindField("TENDER_TYPE") == nullptr) continue;
    r.NoPaymentsYet = false;
    const int32_t type = tender.AsInteger("TENDER_TYPE");
    if (type == 0) {
      // Cash: the money that moved is paid, money back to the customer with
      // its sign; the other direction is the change.
      const CashMovement cash = CashOfTender(tender, r.IsReturn);
      if (cash.moved) {
        paid += cash.paid;
        change = change.value_or(0) + cash.change;
      }
    } else {
      paid += sign * tender.AsFloat("Amount");
    }
    if (type == 2) r.AdditionalInfo2 += GetEMV(tender);
  }
  if (change) r.ChangeDue = FormatAmount(*change);
  return paid;
}

void AddTaxesAndTotals(const TInvoiceContainer& invoice, double sign, double paid, bool isDeposit,
                       DigitalReceipt& r) {
  if (const double tax1 = invoice.AsFloat("Subtotal Tax1$"); tax1 != 0) {
    r.TaxDescription1 = invoice.AsString("Tax Area Name");
    r.TaxAmount1 = FormatAmount(tax1);
    r.TaxPercent1 = FormatPercent(invoice.AsFloat("Tax %") / 100.0);
  }
  if (const double tax2 = invoice.AsFloat("Subtotal Tax2$"); tax2 != 0) {
    r.TaxDescription2 = invoice.AsString("Tax Area2");
    r.TaxAmount2 = FormatAmount(tax2);
    r.TaxPercent2 = FormatPercent(invoice.AsFloat("Tax 2 %") / 100.0);
  }
  r.TotalDue = FormatAmount(invoice.AsFloat("Invc Total"));
  r.TotalPaid = FormatAmount(paid);
  if (!isDeposit) {
    const double fee = invoice.AsFloat("Fee Amt");
    const double shipping = invoice.AsFloat("Shp Amt NT");
    if (fee > 0 || shipping > 0) r.ServiceCharge = FormatAmount(sign * (fee + shipping));
  }
}

void AddShipToCommentsAndWorkstation(const TInvoiceContainer& invoice, DigitalReceipt& r) {
  r.AdditionalInfo1 = IsBlank(invoice.AsString("Ship To Cust SID")) ? "" : ShipToAddress(invoice);
  if (!r.AdditionalInfo2.empty()) r.AdditionalInfo2 += kTextBreak;
  r.AdditionalInfo2 += invoice.AsString("Comment1");
  r.AdditionalInfo3 = invoice.AsString("Comment2");
  r.FullName = invoice.AsString("Cashier");
  r.POSID = foundation::PadLeftWith(invoice.AsString("Invoice Workstion"), kPosIdWidth, "0");
}

}  // namespace

void PrepareDigitalReceipt(const TInvoiceContainer& invoice, bool resend) {
  foundation::LogEnter(7, kTag);
  std::string step = "starting";
  try {
    DigitalReceipt& r = fDRcpt;
    r.DepositUsed = false;
    r.IsReturn = invoice.AsInteger("Invoice Type") == 2;
    const double sign = r.IsReturn ? -1 : 1;

    PrepareItems(invoice, sign, step);
    step = "reading the receipt date";
    r.RcptDate = ReceiptDate(invoice.AsDateTime("Created Date"));
    step = "setting the transaction type";
    const bool isDeposit = SetTransactionType(invoice, sign, r);
    step = "setting the receipt type";
    SetReceiptType(FTransControl, resend, r);
    step = "adding store and customer";
    AddStoreAndCustomer(invoice, FTransControl, resend, r);
    step = "adding discount and subtotal";
    AddDiscountAndSubtotal(invoice, sign, r);
    step = "traversing tenders";
    const double paid = TraverseTenders(invoice, sign, r);
    step = "adding taxes and totals";
    AddTaxesAndTotals(invoice, sign, paid, isDeposit, r);
    step = "adding ship-to, comments and workstation";
    AddShipToCommentsAndWorkstation(invoice, r);
  } catch (const std::exception& e) {
    foundation::LogException(e, std::string(kTag) + " while " + step);
    FTransControl.NoVesk = true;
    ShowPreparationFailure(e.what());
  }
  foundation::LogExit(7, kTag);
}

}  // namespace receipt
