// Building the receipt request of the sample sale with all 501 items and
// reading both service responses, each measured beside pugixml doing the same
// work on documents of the same content: build a document and serialise it;
// parse a response and read the same elements and attributes (ours reads each
// response in one pass of its XML reader, by local name).
//
// Fairness rules:
//  - both sides get the same bytes and fill the same records, created afresh
//    in each iteration on both sides;
//  - the reference parses fully (pugixml's default options, entities
//    decoded) and reads the values through its own API, as ours does;
//  - both allocate through the same allocator: pugixml's memory functions are
//    set to the global operator new and delete our strings use, before any
//    benchmark runs;
//  - the ratio is read from one run of the program; run it with
//    --benchmark_enable_random_interleaving=true --benchmark_repetitions=5 so
//    that machine load falls on both sides alike.

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <array>
#include <cstdint>
#include <new>
#include <string>

#include "foundation/prefs_records.h"
#include "receipt/containers.h"
#include "receipt/records.h"
#include "receipt/soap_messages.h"
#include "receipt/soap_responses.h"
#include "sample_receipt.h"

namespace {

using namespace receipt;

using receiptservice::SampleSale;

// The sample sale with every item line, the store's settings filled in.
SampleSale& TheSale() {
  foundation::StorePrefs = {"Main Street Store", "12 Main St", "Springfield", "OR", "97477",
                            "541-555-0100"};
  static SampleSale sale(kDigitalReceiptItemCapacity);
  return sale;
}

void BM_BuildRequest_Fragments(benchmark::State& state) {
  SampleSale& s = TheSale();
  for (auto _ : state) {
    std::string text = ConstructMessage(s.invoice, s.auth, s.receipt, s.items);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_BuildRequest_Fragments);

// The same content as a pugixml document, serialised into a string.
struct StringWriter : pugi::xml_writer {
  std::string out;
  void write(const void* data, size_t size) override {
    out.append(static_cast<const char*>(data), size);
  }
};

void Leaf(pugi::xml_node parent, const char* name, const std::string& value) {
  parent.append_child(name).text().set(value.c_str());
}

std::string Amount(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

std::string BuildWithPugixml(const SampleSale& s) {
  const auto& r = s.receipt;
  const auto& st = foundation::StorePrefs;
  pugi::xml_document doc;
  auto decl = doc.append_child(pugi::node_declaration);
  decl.append_attribute("version") = "1.0";
  decl.append_attribute("encoding") = "UTF-8";
  auto env = doc.append_child("soapenv:Envelope");
  env.append_attribute("xmlns:soapenv") = std::string(kSoapEnvelopeNamespace).c_str();
  env.append_attribute("xmlns:v2") = std::string(kServiceNamespace).c_str();
  env.append_child("soapenv:Header");
  auto req = env.append_child("soapenv:Body").append_child("v2:sendDigitalReceiptRequest");
  req.append_attribute("reAuthenticate") = "false";
  auto cust = req.append_child("CustomerID");
  cust.append_attribute("defaultQuenlo") = "false";
  cust.append_attribute("TemporaryID") = "false";
  cust.text().set(s.auth.CustID.c_str());
  auto ci = req.append_child("v2:CustomerInfo");
  auto lci = ci.append_child("v2:LoyaltyCardInfo");
  Leaf(lci, "MerchantID", s.auth.MerchantID);
  Leaf(lci, "LoyaltyCardNumber", s.auth.LoyaltyCardNumber);
  Leaf(ci, "v2:QuenlosCardNumber", s.auth.QuenlosCardNumber);
  Leaf(ci, "EmailAddress", r.EmailAddress);
  Leaf(ci, "v2:PhoneNumber", "541-5550123");
  auto ri = req.append_child("v2:ReceiptInfo");
  for (const auto& [name, value] :
       {std::pair<const char*, const std::string*>{"ReceiptType", &r.ReceiptType},
        {"ReceiptBarcodeType", &r.ReceiptBarcodeType},
        {"ReceiptNumber", &r.ReceiptNumber},
        {"ReceiptDate", &r.RcptDate},
        {"TimeZone", &r.TimeZone},
        {"TransactionType", &r.TransactionType},
        {"TransactionNumber", &r.TransactionNumber},
        {"SubTotalAmount", &r.SubTotalAmount},
        {"SalesPriceTotalAmount", &r.SalesPriceTotalAmount}}) {
    Leaf(ri, name, *value);
  }
  auto taxes = ri.append_child("Taxes");
  Leaf(taxes, "TaxDescription", r.TaxDescription1);
  Leaf(taxes, "TaxPercent", r.TaxPercent1);
  Leaf(taxes, "TaxAmount", r.TaxAmount1);
  Leaf(ri, "TotalDue", r.TotalDue);
  Leaf(ri, "TotalPaid", r.TotalPaid);
  Leaf(ri, "AdditionalInfo1", r.AdditionalInfo1);
  Leaf(ri, "AdditionalInfo2", r.AdditionalInfo2);
  Leaf(ri, "AdditionalInfo3", r.AdditionalInfo3);
  static const char* const kTypes[] = {"CreditDebit", "Cash", "Check", "GiftCard", "Deposit Used"};
  for (int i = 0; i < s.invoice.Tenders.Count(); ++i) {
    const TContainer& t = *s.invoice.Tenders.GetItem(i);
    auto p = ri.append_child("Payments");
    Leaf(p, "PaymentType", kTypes[i]);
    Leaf(p, "Amount", Amount(t.AsFloat("Amount")));
    const std::string docNo = t.AsString("Doc_No");
    if (i == 0) {
      auto cc = p.append_child("CreditCardInfo");
      Leaf(cc, "CreditCardLast4Digits", docNo.substr(docNo.size() - 4));
      Leaf(cc, "CreditCardType", t.AsString("Card Type"));
      Leaf(cc, "ExpirationDate", "0727");
      Leaf(p, "CreditCardAuthNumber", t.AsString("Auth"));
    } else if (!docNo.empty()) {
      Leaf(p, "MiscPaymentTypeNumber", docNo);
    }
  }
  for (const DigitalReceiptItem& item : s.items) {
    if (!item.Used) break;
    auto ii = ri.append_child("v2:ItemInfo");
    Leaf(ii, "ItemName", item.ItemName);
    Leaf(ii, "ItemDescription", item.ItemDescription);
    Leaf(ii, "ItemSKUNumber", item.ItemSKUNumber);
    Leaf(ii, "ItemUPCNumber", item.ItemUPCNumber);
    Leaf(ii, "ItemSerialNumber", item.ItemSerialNumber);
    Leaf(ii, "ItemModelNumber", item.ItemModelNumber);
    Leaf(ii, "ItemBrand", item.ItemBrand);
    Leaf(ii, "ItemIndustry", item.ItemIndustry);
    Leaf(ii, "ItemManufacturer", item.ItemManufacturer);
    Leaf(ii, "ItemPrice", item.ItemPrice);
    Leaf(ii, "ItemTotal", item.ItemTotal);
    Leaf(ii, "PriceNotation", item.PriceNotation);
    Leaf(ii, "ItemQuantity", item.ItemQuantity);
    auto tx = ii.append_child("ItemTaxes");
    Leaf(tx, "TaxPercent", item.TaxPercent1);
    Leaf(tx, "TaxAmount", item.TaxAmount1);
    Leaf(ii, "Category", item.Category);
    Leaf(ii, "CustomCategory1", item.CustomCategory1);
    Leaf(ii, "CustomCategory2", item.CustomCategory2);
    Leaf(ii, "MiscInfo", item.MiscInfo);
  }
  auto pos = req.append_child("v2:POSInfo");
  Leaf(pos, "POSID", r.POSID);
  Leaf(pos, "FullName", r.FullName);
  auto si = pos.append_child("v2:StoreInfo");
  Leaf(si, "StoreID", r.StoreID);
  Leaf(si, "StoreName", r.StoreName);
  auto addr = si.append_child("v2:Address");
  Leaf(addr, "Address1", st.Address);
  Leaf(addr, "City", st.City);
  Leaf(addr, "State", st.State);
  Leaf(addr, "Country", "");
  Leaf(addr, "ZipCode", st.Zip);
  Leaf(si.append_child("v2:MerchantInfo"), "MerchantID", foundation::MainPrefs.MerchID);
  Leaf(si, "v2:PhoneNumber", st.Phone);
  StringWriter w;
  w.out.reserve(600 * 1024);
  doc.save(w, "", pugi::format_raw);
  return std::move(w.out);
}

void BM_BuildRequest_Pugixml(benchmark::State& state) {
  SampleSale& s = TheSale();
  for (auto _ : state) {
    std::string text = BuildWithPugixml(s);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_BuildRequest_Pugixml);

const std::string kAuthResponse =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:ns3=\"http://ws.quenlo.example/WS/v2.0\"><soapenv:Body>"
    "<ns3:AuthenticateUserPOSResponse errorStatus=\"false\" userAuthenticated=\"true\">"
    "<EmailAddress>o&apos;neil@example.com</EmailAddress>"
    "<CustomerID TemporaryID=\"false\" defaultQuenlo=\"true\">C-42</CustomerID>"
    "</ns3:AuthenticateUserPOSResponse></soapenv:Body></soapenv:Envelope>";

const std::string kSendResponse =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:ns3=\"http://ws.quenlo.example/WS/v2.0\"><soapenv:Body>"
    "<ns3:sendDigitalReceiptResponse>"
    "<ns3:DigitalReceiptProcessed>true</ns3:DigitalReceiptProcessed>"
    "<CustomerID TemporaryID=\"true\">T-7</CustomerID>"
    "</ns3:sendDigitalReceiptResponse></soapenv:Body></soapenv:Envelope>";

void BM_ParseResponses_Reader(benchmark::State& state) {
  for (auto _ : state) {
    AuthRec auth;
    TransControl control;
    bool a = ParseAuthResponse(kAuthResponse, auth, control);
    auth.CustID.clear();
    bool b = ParseSendResponse(kSendResponse, control, auth, "");
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
    benchmark::DoNotOptimize(auth);
  }
}
BENCHMARK(BM_ParseResponses_Reader);

void BM_ParseResponses_Pugixml(benchmark::State& state) {
  for (auto _ : state) {
    AuthRec auth;
    TransControl control;
    {
      pugi::xml_document doc;
      doc.load_buffer(kAuthResponse.data(), kAuthResponse.size());
      auto resp = doc.child("soapenv:Envelope")
                      .child("soapenv:Body")
                      .child("ns3:AuthenticateUserPOSResponse");
      const std::string status = resp.attribute("errorStatus").as_string();
      auth.ErrorStatus = !(status.empty() || status == "false");
      auth.IsAuth = std::string(resp.attribute("userAuthenticated").as_string()) == "true";
      auth.EmailAddress = resp.child("EmailAddress").text().as_string();
      auto id = resp.child("CustomerID");
      auth.CustID = id.text().as_string();
      auth.IsTemp = std::string(id.attribute("TemporaryID").as_string()) == "true";
      auth.DefaultQuenlo = std::string(id.attribute("defaultQuenlo").as_string()) == "true";
    }
    {
      pugi::xml_document doc;
      doc.load_buffer(kSendResponse.data(), kSendResponse.size());
      auto resp = doc.child("soapenv:Envelope")
                      .child("soapenv:Body")
                      .child("ns3:sendDigitalReceiptResponse");
      control.DigitalSendOK =
          std::string(resp.child("ns3:DigitalReceiptProcessed").text().as_string()) == "true";
      auto id = resp.child("CustomerID");
      auth.IsTemp = std::string(id.attribute("TemporaryID").as_string()) == "true";
      auth.CustID = id.text().as_string();
    }
    benchmark::DoNotOptimize(auth);
    benchmark::DoNotOptimize(control);
  }
}
BENCHMARK(BM_ParseResponses_Pugixml);

void* ReferenceAllocate(size_t size) {
  return ::operator new(size, std::nothrow);
}

void ReferenceDeallocate(void* p) {
  ::operator delete(p);
}

}  // namespace

int main(int argc, char** argv) {
  pugi::set_memory_management_functions(&ReferenceAllocate, &ReferenceDeallocate);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
