#include "receipt/soap_messages.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <initializer_list>
#include <utility>

#include "foundation/helpers_text.h"
#include "foundation/log.h"
#include "foundation/prefs_io.h"
#include "foundation/prefs_paths.h"
#include "foundation/prefs_records.h"
#include "foundation/vesk_log.h"
#include "receipt/card_masking.h"
#include "receipt/cash_tender.h"
#include "receipt/number_format.h"

namespace receipt {

namespace {

constexpr const char* kConstructTag = "ConstructMessage";
constexpr const char* kPaymentsTag = "AddPayments";

// Appends fragments to a request text, a line break before each but the first.
class Fragments {
 public:
  explicit Fragments(std::string& out) : out_(out) {}

  void Raw(std::string_view fragment) {
    if (!out_.empty()) out_ += kFragmentBreak;
    out_ += fragment;
  }

  void Open(std::string_view tag) {
    Raw("<");
    out_ += tag;
    out_ += '>';
  }

  void Close(std::string_view tag) {
    Raw("</");
    out_ += tag;
    out_ += '>';
  }

  void Leaf(std::string_view tag, std::string_view value) {
    Open(tag);
    AppendEscaped(value);
    out_ += "</";
    out_ += tag;
    out_ += '>';
  }

  void LeafIfNotEmpty(std::string_view tag, std::string_view value) {
    if (!value.empty()) Leaf(tag, value);
  }

  // An element holding only leaves, in the order given.
  void Group(std::string_view tag,
             std::initializer_list<std::pair<std::string_view, std::string_view>> leaves) {
    Open(tag);
    for (const auto& [leafTag, value] : leaves) Leaf(leafTag, value);
    Close(tag);
  }

 private:
  // Most values are plain printable ASCII and go in as they are; anything
  // else takes the shared escaper.
  void AppendEscaped(std::string_view value) {
    for (char c : value) {
      const auto u = static_cast<unsigned char>(c);
      if (u < 32 || u > 126 || c == '&' || c == '<' || c == '>' || c == '\'' || c == '"') {
        out_ += foundation::XmlEscape(value);
        return;
      }
    }
    out_ += value;
  }

  std::string& out_;
};

std::string FormatTwoDigits(int32_t value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", static_cast<int>(value));
  return buf;
}

void OpenEnvelope(Fragments& f) {
  f.Raw(R"(<?xml version="1.0" encoding="UTF-8" ?>)");
  std::string envelope = R"(<soapenv:Envelope xmlns:soapenv=")";
  envelope += kSoapEnvelopeNamespace;
  envelope += R"(" xmlns:v2=")";
  envelope += kServiceNamespace;
  envelope += R"(">)";
  f.Raw(envelope);
  f.Raw("<soapenv:Header/>");
  f.Open("soapenv:Body");
}

void CloseEnvelope(Fragments& f) {
  f.Close("soapenv:Body");
  f.Close("soapenv:Envelope");
}

void AddPhone(Fragments& f, std::string_view phone) {
  f.LeafIfNotEmpty("v2:PhoneNumber", foundation::FormatPhone(phone));
}

// The customer part shared by both requests; the e-mail address differs.
void AddCustomerInfo(Fragments& f, const AuthRec& auth, std::string_view email) {
  f.Open("v2:CustomerInfo");
  f.Group("v2:LoyaltyCardInfo",
          {{"MerchantID", auth.MerchantID}, {"LoyaltyCardNumber", auth.LoyaltyCardNumber}});
  f.Leaf("v2:QuenlosCardNumber", auth.QuenlosCardNumber);
  f.Leaf("EmailAddress", email);
  AddPhone(f, auth.Phone1);
  AddPhone(f, auth.Phone2);
  f.Close("v2:CustomerInfo");
}

// The card digits sent for a card tender. A "Doc_No" starting with "!" holds
// the digits in its characters 2 to 5 and gives nothing when it is too short;
// any other "Doc_No" is taken whole. Only the last four characters are sent.
std::string CardLast4(const std::string& docNo) {
  std::string digits;
  if (!docNo.empty() && docNo.front() == '!') {
    if (docNo.size() <= 5) {
      foundation::KWLog(5, "Card number less than 6 digits, skipping", foundation::kLevelWarning,
                        kPaymentsTag);
      return {};
    }
    digits = docNo.substr(1, 4);
  } else {
    digits = docNo;
  }
  return digits.size() > 4 ? digits.substr(digits.size() - 4) : digits;
}

// The payment type of a tender that is not a card; empty when there is none.
std::string_view MappedPaymentType(int32_t tenderType) {
  switch (tenderType) {
    case 1:
      return "Check";
    case 4:
      return "CustomerAccount";
    case 5:
      return "HouseAccount";
    case 7:
      return "Deposit Used";
    case 9:
    case 16:
      return "GiftCertificate";
    case 10:
      return "GiftCard";
    case 11:
      return "CreditDebit";
    default:
      return {};
  }
}

bool IsCashType(int32_t tenderType) {
  return tenderType == 0 || tenderType == 3 || tenderType == 6 || tenderType == 8 ||
         (tenderType >= 12 && tenderType <= 15) || tenderType > 16;
}

void AddReceiptHeader(Fragments& f, const DigitalReceipt& r) {
  f.Leaf("ReceiptType", r.ReceiptType);
  f.Leaf("ReceiptBarcodeType", r.ReceiptBarcodeType);
  f.Leaf("ReceiptNumber", r.ReceiptNumber);
  f.Leaf("ReceiptDate", r.RcptDate);
  f.Leaf("TimeZone", r.TimeZone);
  f.Leaf("TransactionType", r.TransactionType);
  f.Leaf("TransactionNumber", r.TransactionNumber);
  f.Leaf("SubTotalAmount", r.SubTotalAmount);
  f.Leaf("SalesPriceTotalAmount", r.SalesPriceTotalAmount);
  if (!r.DiscountAmount.empty()) {
    f.Group("AdditionalDiscount", {{"DiscountAmount", r.DiscountAmount}});
  }
  if (!r.TaxAmount1.empty()) {
    f.Group("Taxes", {{"TaxDescription", r.TaxDescription1},
                      {"TaxPercent", r.TaxPercent1},
                      {"TaxAmount", r.TaxAmount1}});
  }
  if (!r.TaxAmount2.empty()) {
    f.Group("Taxes", {{"TaxDescription", r.TaxDescription2},
                      {"TaxPercent", r.TaxPercent2},
                      {"TaxAmount", r.TaxAmount2}});
  }
  f.Leaf("TotalDue", r.TotalDue);
  f.Leaf("TotalPaid", r.TotalPaid);
  f.LeafIfNotEmpty("ChangeDue", r.ChangeDue);
  f.LeafIfNotEmpty("ServiceCharge", r.ServiceCharge);
  f.Leaf("AdditionalInfo1", r.AdditionalInfo1);
  f.Leaf("AdditionalInfo2", r.AdditionalInfo2);
  f.Leaf("AdditionalInfo3", r.AdditionalInfo3);
}

void AddItem(Fragments& f, const DigitalReceiptItem& item) {
  f.Open("v2:ItemInfo");
  f.Leaf("ItemName", item.ItemName);
  f.Leaf("ItemDescription", item.ItemDescription);
  f.LeafIfNotEmpty("ItemTypeCode", item.ItemTypeCode);
  f.Leaf("ItemSKUNumber", item.ItemSKUNumber);
  f.Leaf("ItemUPCNumber", item.ItemUPCNumber);
  f.Leaf("ItemSerialNumber", item.ItemSerialNumber);
  f.Leaf("ItemModelNumber", item.ItemModelNumber);
  f.Leaf("ItemBrand", item.ItemBrand);
  f.Leaf("ItemIndustry", item.ItemIndustry);
  f.Leaf("ItemManufacturer", item.ItemManufacturer);
  f.Leaf("ItemPrice", item.ItemPrice);
  f.Leaf("ItemTotal", item.ItemTotal);
  f.Leaf("PriceNotation", item.PriceNotation);
  f.Leaf("ItemQuantity", item.ItemQuantity);
  if (!item.DiscountAmount.empty()) {
    f.Group("ItemDiscount",
            {{"DiscountAmount", item.DiscountAmount}, {"DiscountName", item.DiscountName}});
  }
  if (!item.TaxAmount1.empty()) {
    f.Group("ItemTaxes", {{"TaxPercent", item.TaxPercent1}, {"TaxAmount", item.TaxAmount1}});
  }
  if (!item.TaxAmount2.empty()) {
    f.Group("ItemTaxes", {{"TaxPercent", item.TaxPercent2}, {"TaxAmount", item.TaxAmount2}});
  }
  f.Leaf("Category", item.Category);
  f.Leaf("CustomCategory1", item.CustomCategory1);
  f.Leaf("CustomCategory2", item.CustomCategory2);
  f.Leaf("MiscInfo", item.MiscInfo);
  f.Close("v2:ItemInfo");
}

void AddPOSInfo(Fragments& f, const DigitalReceipt& r) {
  const foundation::TStorePrefs& store = foundation::StorePrefs;
  f.Open("v2:POSInfo");
  f.Leaf("POSID", r.POSID);
  f.Leaf("FullName", r.FullName);
  f.Open("v2:StoreInfo");
  f.Leaf("StoreID", r.StoreID);
  f.Leaf("StoreName", r.StoreName);
  f.Open("v2:Address");
  f.Leaf("Address1", store.Address);
  f.Leaf("City", store.City);
  f.Leaf("State", store.State);
  // The store settings hold no country.
  f.Leaf("Country", "");
  f.Leaf("ZipCode", store.Zip);
  f.Close("v2:Address");
  f.Group("v2:MerchantInfo", {{"MerchantID", foundation::MainPrefs.MerchID}});
  f.Leaf("v2:PhoneNumber", store.Phone);
  f.Close("v2:StoreInfo");
  f.Close("v2:POSInfo");
}

}  // namespace

std::string BoolToXMLText(bool b) {
  return b ? "true" : "false";
}

std::string AuthenticateUserPOSRequest(const AuthRec& auth) {
  std::string out;
  out.reserve(1024);
  Fragments f(out);
  OpenEnvelope(f);
  f.Open("v2:AuthenticateUserPOSRequest");
  AddCustomerInfo(f, auth, auth.EmailAddress);
  f.Group("v2:MerchantInfo", {{"MerchantID", foundation::MainPrefs.MerchID}});
  f.Close("v2:AuthenticateUserPOSRequest");
  CloseEnvelope(f);
  return out;
}

std::string AuthenticateUserPOSRequest() {
  return AuthenticateUserPOSRequest(fAuth);
}

void AddPayments(std::string& message, const TContainer& tender, DigitalReceipt& receipt) {
  const double sign = receipt.IsReturn ? -1.0 : 1.0;
  const int32_t tenderType = tender.AsInteger("TENDER_TYPE");
  Fragments f(message);

  if (tenderType == 2) {
    f.Open("Payments");
    f.Leaf("PaymentType", "CreditDebit");
    f.Leaf("Amount", FormatAmount(sign * tender.AsFloat("Amount")));
    f.Open("CreditCardInfo");
    f.LeafIfNotEmpty("CreditCardLast4Digits", CardLast4(tender.AsString("Doc_No")));
    f.Leaf("CreditCardType", tender.AsString("Card Type"));
    const int32_t month = tender.AsInteger("Exp Month");
    const int32_t year = tender.AsInteger("Exp Year");
    if (month != 0 && year != 0) {
      f.Leaf("ExpirationDate", FormatTwoDigits(month) + FormatTwoDigits(year));
    }
    f.Close("CreditCardInfo");
    f.LeafIfNotEmpty("CreditCardAuthNumber", tender.AsString("Auth"));
    f.Close("Payments");
    receipt.NoPaymentsYet = false;
    return;
  }

  std::string_view paymentType = MappedPaymentType(tenderType);
  double amount = 0;
  if (!paymentType.empty()) {
    amount = sign * tender.AsFloat("Amount");
    if (tenderType == 7) receipt.DepositUsed = true;
  } else if (IsCashType(tenderType)) {
    // Cash counts the money that moved: what the customer handed over on a
    // sale, and money handed back (on a return, or on a sale nothing was
    // handed over for) negated.
    const CashMovement cash = CashOfTender(tender, receipt.IsReturn);
    if (cash.moved) {
      paymentType = "Cash";
      amount = cash.paid;
    }
  }
  if (paymentType.empty()) return;

  f.Open("Payments");
  f.Leaf("PaymentType", paymentType);
  f.Leaf("Amount", FormatAmount(amount));
  f.LeafIfNotEmpty("MiscPaymentTypeNumber", tender.AsString("Doc_No"));
  f.Close("Payments");
  receipt.NoPaymentsYet = false;
}

std::string ConstructMessage(const TInvoiceContainer& invoice, const AuthRec& auth,
                             DigitalReceipt& receipt, std::span<const DigitalReceiptItem> items) {
  foundation::LogEnter(7, kConstructTag);
  try {
    // Only a card list never loaded is read here. An empty list read from the
    // configured file is loaded: a second read would put the working folder's
    // settings (service address included) in place of the configured ones.
    if (foundation::MainPrefs.Cards.empty() && !foundation::MainPrefsLoaded()) {
      foundation::ReadMainPrefs(foundation::SettingsFolder(), foundation::QueueFolder(),
                                foundation::MainSettingsFile(), foundation::EmailDomainListFile());
    }

    std::string out;
    out.reserve(4096 + items.size() * 900);
    Fragments f(out);
    OpenEnvelope(f);
    f.Raw(R"(<v2:sendDigitalReceiptRequest reAuthenticate=")" +
          BoolToXMLText(receipt.ReAuthenticate) + R"(">)");

    f.Raw(R"(<CustomerID defaultQuenlo=")" + BoolToXMLText(receipt.DefaultQuenlo) +
          R"(" TemporaryID=")" + BoolToXMLText(receipt.TemporaryID) + R"(">)");
    out += foundation::XmlEscape(auth.CustID);
    out += "</CustomerID>";
    AddCustomerInfo(f, auth, receipt.EmailAddress);

    f.Open("v2:ReceiptInfo");
    AddReceiptHeader(f, receipt);

    foundation::KWLog(5, "     ...Traversing tenders list...", foundation::kLevelInfo,
                      kConstructTag);
    receipt.NoPaymentsYet = true;
    const int tenderCount = invoice.Tenders.Count();
    for (int i = 0; i < tenderCount; ++i) {
      AddPayments(out, *invoice.Tenders.GetItem(i), receipt);
    }
    if (receipt.NoPaymentsYet) {
      f.Open("Payments");
      f.Raw("<PaymentType></PaymentType>");
      f.Close("Payments");
    }
    foundation::KWLog(5, std::to_string(tenderCount) + " tenders processed.",
                      foundation::kLevelInfo, kConstructTag);

    if (!receipt.DepositAmount.empty()) {
      f.Group("Deposit",
              {{"DepositAmount", receipt.DepositAmount}, {"BalanceDue", receipt.BalanceDue}});
    }

    foundation::KWLog(5, "     ...Traversing items...", foundation::kLevelInfo, kConstructTag);
    size_t itemCount = 0;
    while (itemCount < items.size() && items[itemCount].Used) {
      AddItem(f, items[itemCount]);
      ++itemCount;
    }
    foundation::KWLog(5, std::to_string(itemCount) + " items processed.", foundation::kLevelInfo,
                      kConstructTag);
    f.Close("v2:ReceiptInfo");

    AddPOSInfo(f, receipt);
    f.Close("v2:sendDigitalReceiptRequest");
    CloseEnvelope(f);
    foundation::LogExit(7, kConstructTag);
    return out;
  } catch (const std::exception& e) {
    foundation::AppendVeskLog("ConstructMessage Exception");
    foundation::AppendVeskLog("Exception:" + MaskCardNumbers(e.what()));
    foundation::LogExit(7, kConstructTag);
    throw;
  }
}

std::string ConstructMessage(const TInvoiceContainer& invoice) {
  return ConstructMessage(invoice, fAuth, fDRcpt, fDRcptItems);
}

}  // namespace receipt
