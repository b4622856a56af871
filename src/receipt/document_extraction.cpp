#include "receipt/document_extraction.h"

#include <iterator>

#include "foundation/helpers_text.h"
#include "foundation/log.h"
#include "foundation/prefs_records.h"
#include "hostplugin/bo_fields.h"
#include "platform/com/bstr.h"
#include "platform/com/com_error.h"
#include "receipt/host_data_module.h"
#include "receipt/number_format.h"
#include "receipt/receipt_preparation.h"

namespace receipt {

namespace {

using foundation::helpers::TrimText;
using foundation::helpers::UpperAscii;
using hostplugin::GetBOFieldDateTime;
using hostplugin::GetBOFieldFloat;
using hostplugin::GetBOFieldInt;
using hostplugin::GetBOFieldValue;

constexpr const char* kTag = "ExtractDocument";

// Raises ComError when the host answered a failure to `what`.
void Check(HRESULT hr, const std::string& what) {
  if (FAILED(hr)) throw ComError(hr, "The host could not " + what);
}

bool AtEnd(IPluginAdapter& adapter, int32_t bo) {
  WordBool atEnd = 0;
  Check(adapter.BOEof(bo, &atEnd), "tell the end of business object " + std::to_string(bo));
  return atEnd != 0;
}

void First(IPluginAdapter& adapter, int32_t bo) {
  int32_t status = 0;
  Check(adapter.BOFirst(bo, &status),
        "go to the first record of business object " + std::to_string(bo));
}

void Next(IPluginAdapter& adapter, int32_t bo) {
  int32_t status = 0;
  Check(adapter.BONext(bo, &status),
        "go to the next record of business object " + std::to_string(bo));
}

// Adds attributes of one business object to a container, each read as the
// type it is stored as.
class Copier {
 public:
  Copier(IPluginAdapter& adapter, int32_t bo, TContainer& target)
      : adapter_(adapter), bo_(bo), target_(target) {}

  std::string Text(const std::string& name) {
    std::string value = GetBOFieldValue(adapter_, bo_, name);
    target_.AddField(name, value);
    return value;
  }
  int32_t Integer(const std::string& name) {
    const int32_t value = GetBOFieldInt(adapter_, bo_, name);
    target_.AddField(name, int64_t{value});
    return value;
  }
  double Number(const std::string& name) {
    const double value = GetBOFieldFloat(adapter_, bo_, name);
    target_.AddField(name, value);
    return value;
  }
  // A date the host holds no value for reads as 0, as other missing values
  // read as empty or 0.
  double Date(const std::string& name) {
    const double value =
        GetBOFieldValue(adapter_, bo_, name).empty() ? 0 : GetBOFieldDateTime(adapter_, bo_, name);
    target_.AddField(name, TFieldDateTime{value});
    return value;
  }

 private:
  IPluginAdapter& adapter_;
  int32_t bo_;
  TContainer& target_;
};

// The service card type the setup dialog chose for the card named by the
// tender's EFT text; empty when the card list has none (or an empty one).
std::string ConfiguredCardType(const std::string& eftText) {
  const std::string wanted = UpperAscii(TrimText(eftText));
  for (const std::string& line : foundation::MainPrefs.Cards) {
    if (UpperAscii(TrimText(foundation::NameOfLine(line))) == wanted) {
      return foundation::ValueOfLine(line);
    }
  }
  return {};
}

TdQ& ConnectedDataModule() {
  TdQ& dq = EnsureDataModule();
  if (!dq.Connect()) throw std::runtime_error(dq.LastError());
  return dq;
}

void CheckAssertions(IPluginAdapter& adapter, int32_t invoiceBO,
                     const std::string& loadedInvoiceSid) {
  if (AtEnd(adapter, invoiceBO)) {
    throw EExtractAssertion("The invoice business object holds no invoice");
  }
  if (loadedInvoiceSid.empty()) return;
  const std::string sid = TrimText(GetBOFieldValue(adapter, invoiceBO, "Invoice SID"));
  if (sid != TrimText(loadedInvoiceSid)) {
    throw EExtractAssertion("The invoice business object holds invoice " + sid +
                            ", not the loaded invoice " + loadedInvoiceSid);
  }
}

void AddHeader(IPluginAdapter& adapter, int32_t invoiceBO, const TCapturedCustomer& customer,
               TInvoiceContainer& invoice) {
  Copier from(adapter, invoiceBO, invoice);
  from.Text("Invoice Number");
  from.Integer("Invoice Type");
  from.Text("SO Number");
  from.Date("Corp Post Date");
  from.Date("Created Date");
  from.Text("Store No");
  invoice.AddField("Store Name", foundation::StorePrefs.Name);
  from.Text("Invoice Workstion");
  from.Text("Cashier");
  invoice.AddField("BTC Cust #", customer.CustId);
  invoice.AddField("BTC First Name", customer.FirstName);
  invoice.AddField("BTC Last Name", customer.LastName);
  for (const char* name : {"STC Cust #", "STC First Name", "STC Last Name", "STC Address 1",
                           "STC Address 2", "STC Address 3", "STC Zip"}) {
    from.Text(name);
  }
  invoice.AddField("Loyalty Number", customer.LoyaltyNumber);
  invoice.AddField("BTC Email", customer.Email);
  invoice.AddField("BTC Phone1", customer.Phone1);
  invoice.AddField("Barcode Type", foundation::MainPrefs.BCType);
  for (const char* name : {"Subtotal w/o tax", "Invc Total", "Subtotal Tax1$"}) from.Number(name);
  from.Text("Tax Area ID");
  from.Text("Tax Area Name");
  from.Number("Tax %");
  from.Number("Subtotal Tax2$");
  from.Text("Real Tax Area 2 ID");
  from.Text("Tax Area2");
  from.Number("Tax 2 %");
  from.Number("Shipping Amt DB");
  from.Text("Fee Name");
  from.Number("Fee Amt");
  for (const char* name : {"Comment1", "Comment2", "Fee Type"}) from.Text(name);
  // Read by the receipt preparation: deposits, the sale's discount, shipping
  // and the ship-to address.
  from.Text("SO Sid");
  from.Number("Discount Amount");
  from.Number("Shp Amt NT");
  from.Text("Ship To Cust SID");
}

void AddItem(IPluginAdapter& adapter, int32_t itemsBO, int32_t itemRefBO,
             const std::string& subsidiary, TContainer& item, std::string& step) {
  step = "configuring item ref BO";
  for (const char* name : {"Size", "Attr", "Vend Code"}) {
    BStr attribute(name);
    int32_t status = 0;
    Check(adapter.BOIncludeAttrForced(itemRefBO, attribute.Get(), ToWordBool(true), &status),
          std::string("include \"") + name + "\" in the item reference");
  }
  int32_t open = 0;
  Check(adapter.BOIsOpen(itemRefBO, &open), "tell whether the item reference is open");
  if (open == 0) {
    int32_t status = 0;
    Check(adapter.BOOpen(itemRefBO, &status), "open the item reference");
  }

  step = "extracting invoice item attribute values";
  Copier fromItem(adapter, itemsBO, item);
  Copier fromRef(adapter, itemRefBO, item);
  const std::string vendorCode = GetBOFieldValue(adapter, itemRefBO, "Vendor Code");
  for (const char* name :
       {"Desc1", "Desc2", "Desc3", "Desc4", "Lookup UPC", "Lookup ALU", "Lookup Item No"}) {
    fromItem.Text(name);
  }
  item.AddField("Vendor Code", vendorCode);
  fromItem.Text("Serial Number");
  for (const char* name : {"Qty", "Orig P$", "Ext Rcpt P$"}) fromItem.Number(name);
  fromRef.Text("Size");
  fromRef.Text("Attr (strange)");

  step = "looking up vendor";
  const TBinds binds = {{"item_sid", GetBOFieldValue(adapter, itemsBO, "Item_Sid")},
                        {"sbs_no", subsidiary}};
  LastVendorSQL = StatementText(kVendorSQL, binds);
  TdQ& dq = ConnectedDataModule();
  if (dq.OpenDS1(kVendorSQL, binds)) {
    item.AddField("Vendor Name", dq.ds1.FieldByName("Vend_Name").AsString());
  } else {
    foundation::KWLog(5, "No vendor found.", foundation::kLevelInfo, kTag);
  }

  step = "pulling in item discount information";
  fromItem.Text("DCS Code");
  if (fromItem.Number("Disc Amt") != 0) fromItem.Text("Disc Reason");
  step = "pulling in item tax information";
  if (fromItem.Number("Ext Tax Amount") != 0) fromItem.Number("Tax Percent");
  step = "pulling in item tax 2 information";
  if (fromItem.Number("Ext Tax Amount2") != 0) fromItem.Number("Tax Percent 2");
}

void AddDeposit(TInvoiceContainer& invoice, std::string& step) {
  step = "opening fSOTable";
  const std::string soSid = TrimText(invoice.AsString("SO Sid"));
  bool found = false;
  if (!soSid.empty()) {
    TdQ& dq = ConnectedDataModule();
    found = dq.OpenDS1(kSalesOrderBalanceSQL, {{"so_sid", soSid}});
    if (found) invoice.AddField("Deposit Balance Due", dq.ds1.FieldByName("BalDue").AsFloat());
  }
  if (!found) {
    foundation::KWLog(5, "     ...not found, setting balance due to 0.00.", foundation::kLevelInfo,
                      kTag);
    invoice.AddField("Deposit Balance Due", std::string("0.00"));
  }

  step = "adding SO item";
  TContainer& item = invoice.Items.NewContainer();
  const double fee = invoice.AsFloat("Fee Amt");
  item.AddField("Qty", int64_t{1});
  item.AddField("Orig P$", fee);
  item.AddField("Ext Rcpt P$", fee);
}

void AddTender(IPluginAdapter& adapter, int32_t tendersBO, TContainer& tender, std::string& step) {
  step = "extracting tender attribute values";
  const int32_t type = GetBOFieldInt(adapter, tendersBO, "TENDER_TYPE");
  const double taken = GetBOFieldFloat(adapter, tendersBO, "TAKEN");
  const double given = GetBOFieldFloat(adapter, tendersBO, "GIVEN");
  const double amount = GetBOFieldFloat(adapter, tendersBO, "AMT");
  const std::string docNo = GetBOFieldValue(adapter, tendersBO, "DOC_NO");
  const std::string cardType = GetBOFieldValue(adapter, tendersBO, "CRD_TYPE");
  const std::string eftData = GetBOFieldValue(adapter, tendersBO, "EFTDATA1");
  const int32_t expMonth = GetBOFieldInt(adapter, tendersBO, "CRD_EXP_MONTH");
  const int32_t expYear = GetBOFieldInt(adapter, tendersBO, "CRD_EXP_YEAR");
  const std::string auth = GetBOFieldValue(adapter, tendersBO, "AUTH");

  std::string cardName;
  if (type == 2) {
    step = "looking up card name";
    if (!eftData.empty()) cardName = ConfiguredCardType(eftData);
    if (cardName.empty() && !TrimText(cardType).empty()) {
      TdQ& dq = ConnectedDataModule();
      if (dq.OpenDS2(kCardNameSQL,
                     {{"sbs_no", foundation::MainPrefs.SBS}, {"crd_type", cardType}})) {
        cardName = dq.ds2.FieldByName("crd_name").AsString();
      }
    }
  }

  step = "extracting card-terminal values";
  static constexpr const char* kTerminalValues[] = {"emv_pin_statement", "emv_aid",
                                                    "emv_applabel",      "emv_card_exp_date",
                                                    "emv_cyrpto_type",   "emv_cryptogram"};
  std::string terminal[std::size(kTerminalValues)];
  for (size_t i = 0; i < std::size(kTerminalValues); ++i) {
    terminal[i] = GetBOFieldValue(adapter, tendersBO, kTerminalValues[i]);
  }

  tender.AddField("TENDER_TYPE", int64_t{type});
  tender.AddField("Amount", amount);
  tender.AddField("Taken", taken);
  tender.AddField("Given", given);
  tender.AddField("Auth", auth);
  tender.AddField("Doc_No", docNo);
  tender.AddField("Card Type", cardName);
  tender.AddField("Exp Month", int64_t{expMonth});
  tender.AddField("Exp Year", int64_t{expYear});
  tender.AddField("EFT Data 1", eftData);
  for (size_t i = 0; i < std::size(kTerminalValues); ++i) {
    tender.AddField(kTerminalValues[i], terminal[i]);
  }
}

}  // namespace

std::unique_ptr<TInvoiceContainer> ExtractDocument(IPluginAdapter& adapter, int32_t invoiceBO,
                                                   int32_t itemsBO, int32_t itemRefBO,
                                                   int32_t tendersBO, int32_t /*customerBO*/,
                                                   const TCapturedCustomer& customer,
                                                   bool /*resend*/,
                                                   const std::string& loadedInvoiceSid) {
  foundation::LogEnter(7, kTag);
  std::string step = "checking assertions";
  try {
    CheckAssertions(adapter, invoiceBO, loadedInvoiceSid);
    auto invoice = std::make_unique<TInvoiceContainer>();

    step = "adding invoice header attributes";
    const std::string subsidiary = GetBOFieldValue(adapter, invoiceBO, "Subsidiary Number");
    const double created = GetBOFieldDateTime(adapter, invoiceBO, "Created Date");
    foundation::KWLog(5, "Invoice created " + FormatDateTime(created, ' '), foundation::kLevelInfo,
                      kTag);
    AddHeader(adapter, invoiceBO, customer, *invoice);

    step = "traversing items";
    First(adapter, itemsBO);
    while (!AtEnd(adapter, itemsBO)) {
      AddItem(adapter, itemsBO, itemRefBO, subsidiary, invoice->Items.NewContainer(), step);
      step = "traversing items";
      Next(adapter, itemsBO);
    }

    if (invoice->AsString("Fee Type") == "SODEP") AddDeposit(*invoice, step);

    step = "getting tender object";
    First(adapter, tendersBO);
    while (!AtEnd(adapter, tendersBO)) {
      AddTender(adapter, tendersBO, invoice->Tenders.NewContainer(), step);
      step = "traversing tenders";
      Next(adapter, tendersBO);
    }
    foundation::LogExit(7, kTag);
    return invoice;
  } catch (const std::exception& e) {
    foundation::LogException(e, std::string(kTag) + " while " + step);
    foundation::LogExit(7, kTag);
    throw;
  }
}

}  // namespace receipt
