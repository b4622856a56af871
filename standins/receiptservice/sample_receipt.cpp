#include "sample_receipt.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "foundation/prefs_records.h"
#include "receipt/containers.h"
#include "receipt/records.h"
#include "receipt/soap_messages.h"

namespace receiptservice {

SampleSale::SampleSale(size_t itemCount) {
  if (foundation::MainPrefs.MerchID.empty()) foundation::MainPrefs.MerchID = "M-1001";
  if (foundation::MainPrefs.Cards.empty()) foundation::MainPrefs.Cards = {"VISA=Visa"};

  auth.MerchantID = "LOY-7";
  auth.LoyaltyCardNumber = "7000123";
  auth.EmailAddress = "pat@example.com";
  auth.Phone1 = "5415550123";
  auth.CustID = "C-1000";

  receipt::DigitalReceipt& r = receipt;
  r.ReceiptType = "DigitalAndPaper";
  r.StoreID = "007";
  r.StoreName = "Main Street Store";
  r.EmailAddress = auth.EmailAddress;
  r.ReceiptNumber = "1234";
  r.ReceiptBarcodeType = "Code128";
  r.RcptDate = "2026-12-06T10:15:00";
  r.TimeZone = "PST";
  r.TransactionType = "SaleTransaction";
  r.TransactionNumber = "1234";
  r.SubTotalAmount = "100.00";
  r.SalesPriceTotalAmount = "100.00";
  r.TotalDue = "106.00";
  r.TotalPaid = "106.00";
  r.AdditionalInfo3 = "Thank you & come again";
  r.FullName = "Sam Cashier";
  r.POSID = "03";

  const size_t count = std::clamp<size_t>(itemCount, 1, receipt::kDigitalReceiptItemCapacity);
  items.resize(count);
  for (size_t i = 0; i < count; ++i) {
    receipt::DigitalReceiptItem& item = items[i];
    item.Used = true;
    item.ItemName = "Item " + std::to_string(i + 1);
    item.ItemDescription = "Cotton shirt, blue";
    item.ItemSKUNumber = "4006381333" + std::to_string(100 + i % 900);
    item.ItemUPCNumber = item.ItemSKUNumber;
    item.ItemBrand = "ACME";
    item.ItemPrice = "19.99";
    item.ItemTotal = "19.99";
    item.ItemQuantity = "1";
    item.Category = "SHI";
    item.MiscInfo = "Size: M / Attr: Blue";
  }

  receipt::TContainer& card = invoice.Tenders.NewContainer();
  card.AddField("TENDER_TYPE", int64_t{2});
  card.AddField("Amount", 100.0);
  card.AddField("Doc_No", std::string("4111111111111111"));
  card.AddField("Card Type", std::string("Visa"));
  card.AddField("Auth", std::string("A1B2C3"));
  card.AddField("Exp Month", int64_t{12});
  card.AddField("Exp Year", int64_t{28});
  receipt::TContainer& cash = invoice.Tenders.NewContainer();
  cash.AddField("TENDER_TYPE", int64_t{0});
  cash.AddField("Taken", 6.0);
  cash.AddField("Given", 0.0);
}

std::string SampleReceiptRequest(size_t items) {
  SampleSale sale(items);
  return receipt::ConstructMessage(sale.invoice, sale.auth, sale.receipt,
                                   std::span<const receipt::DigitalReceiptItem>(sale.items));
}

}  // namespace receiptservice
