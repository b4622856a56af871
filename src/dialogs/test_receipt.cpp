#include "dialogs/test_receipt.h"

#include <QCoreApplication>
#include <QDateTime>
#include <random>

#include "foundation/helpers_text.h"
#include "foundation/message_form.h"
#include "foundation/prefs_records.h"
#include "receipt/https_transport.h"
#include "receipt/progress_window.h"
#include "receipt/queue_files.h"
#include "receipt/records.h"
#include "receipt/soap_messages.h"

namespace dialogs {

namespace {

constexpr const char* kTestWorkstation = "4";

std::string Element(const std::string& name, const std::string& text = {}) {
  return "<" + name + ">" + text + "</" + name + ">";
}

}  // namespace

std::string BuildTestReceipt(const std::string& merchantId, const std::string& email,
                             int receiptNumber, const std::string& date) {
  using foundation::XmlEscape;
  const std::string merchant = XmlEscape(merchantId);
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" ?> <soapenv:Envelope xmlns:soapenv=\"";
  xml += receipt::kSoapEnvelopeNamespace;
  xml += "\" xmlns:v2=\"";
  xml += receipt::kServiceNamespace;
  xml += "/" + merchant + "\"> <soapenv:Header></soapenv:Header> <soapenv:Body>";
  xml += "<v2:sendDigitalReceiptRequest reAuthenticate=\"true\">";
  xml += "<CustomerID defaultQuenlo=\"true\" TemporaryID=\"true\">" +
         XmlEscape(foundation::helpers::UpperAscii(email)) + "</CustomerID>";
  xml += "<v2:CustomerInfo><v2:LoyaltyCardInfo>" + Element("MerchantID") +
         Element("LoyaltyCardNumber") + "</v2:LoyaltyCardInfo>" + Element("v2:QuenlosCardNumber") +
         Element("EmailAddress", XmlEscape(email)) + Element("v2:PhoneNumber", "5035550142") +
         "</v2:CustomerInfo>";
  xml += "<v2:ReceiptInfo>" + Element("ReceiptType", "DigitalOnly") +
         Element("ReceiptBarcodeType", "Code128") +
         Element("ReceiptNumber", XmlEscape(std::to_string(receiptNumber))) +
         Element("ReceiptDate", XmlEscape(date)) + Element("TimeZone", "PST") +
         Element("TransactionType", "SaleTransaction") + Element("TransactionNumber", "1335") +
         Element("SubTotalAmount", "99999.99") + Element("SalesPriceTotalAmount", "9999.99") +
         "<Taxes>" + Element("TaxDescription", "0") + Element("TaxPercent", "0") +
         Element("TaxAmount", "0.00") + "</Taxes>" + Element("TotalDue", "99999.99") +
         Element("TotalPaid", "99999.99") + Element("AdditionalInfo1") +
         Element("AdditionalInfo2") + Element("AdditionalInfo3") + "<Payments>" +
         Element("PaymentType", "Cash") + Element("Amount", "99999.99") + "</Payments>";
  xml += "<v2:ItemInfo>" + Element("ItemName", "Roadster") +
         Element("ItemDescription", "Roadster Touring Coupe") +
         Element("ItemSKUNumber", "1234567890") + Element("ItemUPCNumber", "1234567890") +
         Element("ItemSerialNumber") + Element("ItemModelNumber") +
         Element("ItemBrand", "Ardenne") + Element("ItemIndustry", "Automotive") +
         Element("ItemManufacturer", "Ardenne Motor Works") + Element("ItemPrice", "99999.99") +
         Element("ItemTotal", "99999.99") + Element("PriceNotation", "T") +
         Element("ItemQuantity", "1") + "<ItemTaxes>" + Element("TaxPercent", "0") +
         Element("TaxAmount", "0.00") + "</ItemTaxes>" + Element("Category", "D  ") +
         Element("CustomCategory1", "CAT3") + Element("CustomCategory2", "CAT4") +
         Element("MiscInfo", "Size:  / Attr:  / Vendor: ") + "</v2:ItemInfo></v2:ReceiptInfo>";
  xml += "<v2:POSInfo>" + Element("POSID", "00004") + Element("FullName", "SYSADMIN") +
         "<v2:StoreInfo>" + Element("StoreID", "001") + Element("StoreName", "Harbour Test Store") +
         "<v2:Address> " + Element("Address1", "100 Sample Street") + Element("City", "Portland") +
         Element("State", "OR") + Element("Country") + Element("ZipCode", "97201") +
         "</v2:Address><v2:MerchantInfo>" + Element("MerchantID", merchant) + "</v2:MerchantInfo>" +
         Element("v2:PhoneNumber", "5035550100") + "</v2:StoreInfo></v2:POSInfo>";
  xml += "</v2:sendDigitalReceiptRequest></soapenv:Body> </soapenv:Envelope>";
  return xml;
}

int DrawTestReceiptNumber() {
  static std::mt19937 generator{std::random_device{}()};
  return 1000000 + std::uniform_int_distribution<int>(0, 999)(generator);
}

void SendTestReceipt(const std::string& url, const std::string& merchantId,
                     const std::string& email, bool queue) {
  const std::string date =
      QDateTime::currentDateTime().toString("yyyy-MM-ddTHH:mm:ss").toStdString();
  const std::string request = BuildTestReceipt(merchantId, email, DrawTestReceiptNumber(), date);
  if (queue) {
    receipt::FTransControl.RequestQueued = false;
    receipt::QueueRequest(foundation::MainPrefs.QueueDirectory, request, kTestWorkstation);
    if (receipt::FTransControl.RequestQueued) {
      foundation::DisplayMessage(foundation::kMessageCaption, "Test receipt queued");
    }
    return;
  }
  receipt::ShowNM(foundation::kMessageCaption, "Transmitting test receipt... Please wait...");
  QCoreApplication::processEvents();
  std::string message;
  {
    receipt::Tvk transport;
    // The answer is one line of XML; shown with a line break between
    // adjacent tags so that the message fits on the screen.
    message = "Result: " +
              foundation::ReplaceAllText(receipt::SendXML(url, request, &transport), "><", ">\n<");
    if (!receipt::LastCommError.empty()) message += "\rException: " + receipt::LastCommError;
  }
  receipt::CloseNM();
  foundation::DisplayMessage(foundation::kMessageCaption, message);
}

}  // namespace dialogs
