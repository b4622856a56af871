#pragma once
// Invoice containers as the document extraction fills them, for the tests of
// receipt preparation and of the sale workflow.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

#include "receipt/containers.h"

namespace preparationtest {

using Field = std::pair<const char*, receipt::TFieldVariant>;

inline void AddFields(receipt::TContainer& container, std::initializer_list<Field> fields) {
  for (const auto& [name, value] : fields) container.AddField(name, value);
}

// A sale header: invoice 1042 of store 7, workstation 3, created
// 2024-03-15 14:05:09, customer Jane Doe.
inline std::unique_ptr<receipt::TInvoiceContainer> SaleInvoice(int64_t invoiceType = 0) {
  auto invoice = std::make_unique<receipt::TInvoiceContainer>();
  AddFields(*invoice, {
                          {"Invoice Number", std::string("1042")},
                          {"Invoice Type", invoiceType},
                          // 2024-03-15 14:05:09 as days since 1899-12-30.
                          {"Created Date", receipt::TFieldDateTime{45366.0 + 50709.0 / 86400.0}},
                          {"Store No", std::string("7")},
                          {"Store Name", std::string("Harbour Street")},
                          {"Invoice Workstion", std::string("3")},
                          {"Cashier", std::string("SAM")},
                          {"BTC Cust #", std::string("55012")},
                          {"BTC First Name", std::string("Jane")},
                          {"BTC Last Name", std::string("Doe")},
                          {"Loyalty Number", std::string("L-77")},
                          {"BTC Email", std::string("jane@example.com")},
                          {"BTC Phone1", std::string("555-0100")},
                          {"Barcode Type", std::string("CODE128")},
                      });
  return invoice;
}

// One item line: `qty` of `desc` at `price`, no discount and no tax.
inline receipt::TContainer& AddItem(receipt::TInvoiceContainer& invoice, const std::string& desc,
                                    double qty, double price) {
  receipt::TContainer& item = invoice.Items.NewContainer();
  AddFields(item, {
                      {"Desc1", desc},
                      {"Desc2", std::string("Second line")},
                      {"Desc3", std::string("third")},
                      {"Desc4", std::string("fourth")},
                      {"Lookup UPC", std::string("0123456789012")},
                      {"Lookup ALU", std::string("ALU-1")},
                      {"Vendor Code", std::string("ACME")},
                      {"Serial Number", std::string("")},
                      {"Qty", qty},
                      {"Orig P$", price},
                      {"Ext Rcpt P$", qty * price},
                      {"Size", std::string("M")},
                      {"Attr (strange)", std::string("Blue")},
                      {"Vendor Name", std::string("Acme Goods")},
                      {"DCS Code", std::string("APPSHIJKL")},
                      {"Disc Amt", 0.0},
                      {"Ext Tax Amount", 0.0},
                      {"Ext Tax Amount2", 0.0},
                  });
  return item;
}

inline receipt::TContainer& AddTender(receipt::TInvoiceContainer& invoice, int64_t type,
                                      double amount, double taken = 0, double given = 0) {
  receipt::TContainer& tender = invoice.Tenders.NewContainer();
  AddFields(tender, {{"TENDER_TYPE", type},
                     {"Amount", amount},
                     {"Taken", taken},
                     {"Given", given},
                     {"Auth", std::string("")},
                     {"Doc_No", std::string("")},
                     {"Card Type", std::string("")},
                     {"Exp Month", int64_t{0}},
                     {"Exp Year", int64_t{0}},
                     {"EFT Data 1", std::string("")}});
  return tender;
}

// A card tender with its card-terminal values.
inline receipt::TContainer& AddCardTender(receipt::TInvoiceContainer& invoice, double amount) {
  receipt::TContainer& tender = invoice.Tenders.NewContainer();
  AddFields(tender, {{"TENDER_TYPE", int64_t{2}},
                     {"Amount", amount},
                     {"Taken", 0.0},
                     {"Given", 0.0},
                     {"Auth", std::string("A1B2C3")},
                     {"Doc_No", std::string("4111111111111111")},
                     {"Card Type", std::string("VISA")},
                     {"Exp Month", int64_t{9}},
                     {"Exp Year", int64_t{27}},
                     {"EFT Data 1", std::string("VISA")},
                     {"emv_pin_statement", std::string("PIN VERIFIED")},
                     {"emv_aid", std::string("A0000000031010")},
                     {"emv_applabel", std::string("VISA CREDIT")},
                     {"emv_card_exp_date", std::string("2709")},
                     {"emv_cyrpto_type", std::string("ARQC")},
                     {"emv_cryptogram", std::string("9F26C0FFEE")}});
  return tender;
}

// The card text of AddCardTender's values.
inline std::string CardTenderEmvText() {
  return "=== EMV DATA ===\\nAuth Code:A1B2C3\\nLast 4#:1111\\nEMV CVM:PIN VERIFIED"
         "\\nEMV AID:A0000000031010\\nEMV APP LBL:VISA CREDIT\\nEMV EXP DATE:2709"
         "\\nEMV Crypt Type:ARQC\\nEMV Crypto:9F26C0FFEE\\n\\n";
}

}  // namespace preparationtest
