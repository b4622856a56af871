#pragma once
// Sample sales for the request tests: records and tender containers filled the
// way receipt preparation fills them.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

#include "receipt/containers.h"
#include "receipt/records.h"

namespace soaptest {

using Field = std::pair<const char*, receipt::TFieldVariant>;

inline receipt::TContainer& AddTender(receipt::TInvoiceContainer& invoice,
                                      std::initializer_list<Field> fields) {
  receipt::TContainer& tender = invoice.Tenders.NewContainer();
  for (const auto& [name, value] : fields) tender.AddField(name, value);
  return tender;
}

inline void FillCustomer(receipt::AuthRec& auth) {
  auth.MerchantID = "LOY-7";
  auth.LoyaltyCardNumber = "7000123";
  auth.QuenlosCardNumber = "Q-555";
  auth.EmailAddress = "pat@example.com";
  auth.Phone1 = "(541) 555-0123";
  auth.Phone2 = "555 0199";
  auth.CustID = "C-42";
}

inline void FillSaleHeader(receipt::DigitalReceipt& r) {
  r.DefaultQuenlo = true;
  r.ReceiptType = "DigitalAndPaper";
  r.StoreID = "007";
  r.StoreName = "Main Street Store";
  r.EmailAddress = "pat@example.com";
  r.ReceiptNumber = "1234";
  r.ReceiptBarcodeType = "Code128";
  r.RcptDate = "2026-12-06T10:15:00";
  r.TimeZone = "PST";
  r.TransactionType = "SaleTransaction";
  r.TransactionNumber = "1234";
  r.SubTotalAmount = "100.00";
  r.SalesPriceTotalAmount = "95.00";
  r.TotalDue = "101.65";
  r.TotalPaid = "145.00";
  r.AdditionalInfo1 = "Pat Doe\\n12 Elm St";
  r.AdditionalInfo3 = "Thank you";
  r.FullName = "Sam Cashier";
  r.POSID = "03";
}

// Sets every optional header value.
inline void FillOptionalHeader(receipt::DigitalReceipt& r) {
  r.DiscountAmount = "-5.00";
  r.TaxDescription1 = "State";
  r.TaxPercent1 = "0.06";
  r.TaxAmount1 = "5.70";
  r.TaxDescription2 = "City";
  r.TaxPercent2 = "0.01";
  r.TaxAmount2 = "0.95";
  r.ChangeDue = "7.50";
  r.ServiceCharge = "2.00";
  r.DepositAmount = "20.00";
  r.BalanceDue = "0.00";
}

inline receipt::DigitalReceiptItem PlainItem(const std::string& name, const std::string& total) {
  receipt::DigitalReceiptItem item;
  item.Used = true;
  item.ItemName = name;
  item.ItemDescription = name + " description";
  item.ItemSKUNumber = "12345678901";
  item.ItemUPCNumber = "12345678901";
  item.ItemSerialNumber = "";
  item.ItemBrand = "ACME";
  item.ItemPrice = total;
  item.ItemTotal = total;
  item.PriceNotation = "";
  item.ItemQuantity = "1";
  item.Category = "ABC";
  item.MiscInfo = "Size: M";
  return item;
}

// An item with every optional element present.
inline receipt::DigitalReceiptItem FullItem() {
  receipt::DigitalReceiptItem item = PlainItem("Lamp", "60.00");
  item.ItemTypeCode = "MERCH";
  item.DiscountAmount = "-5.00";
  item.DiscountName = "NONE";
  item.TaxAmount1 = "3.60";
  item.TaxPercent1 = "0.06";
  item.TaxAmount2 = "0.60";
  item.TaxPercent2 = "0.01";
  item.CustomCategory1 = "Home";
  item.CustomCategory2 = "Lighting";
  return item;
}

}  // namespace soaptest
