#include "plugins/sale_object_includes.h"

#include <iterator>
#include <string>
#include <vector>

#include "foundation/customer_field_names.h"
#include "foundation/prefs_records.h"
#include "plugins/adapter_calls.h"

namespace plugins {

namespace {

constexpr const char* kCustomerIncludes[] = {"Sbs No",     "Cust Sid",  "Cust Id", "EMail",
                                             "First Name", "Last Name", "Phone1",  "Phone2"};

constexpr const char* kInvoiceIncludes[] = {
    "Subtotal w/o tax", "Invoice Type",      "Created Date",     "Invc Total",
    "SO Sid",           "SO Number",         "Store No",         "Invoice Number",
    "Discount Amount",  "Subtotal Tax1$",    "Tax Area Name",    "Tax %",
    "Subtotal Tax2$",   "Tax Area2",         "Tax 2 %",          "Fee Amt",
    "Shp Amt NT",       "Ship To Cust SID",  "Comment1",         "Comment2",
    "Cashier",          "Invoice Workstion", "Bill To Cust Sid", "Fee Name"};

// "Serial Number" twice, as the host has always been asked.
constexpr const char* kItemIncludes[] = {"Desc1",
                                         "Desc2",
                                         "Desc3",
                                         "Desc4",
                                         "Lookup UPC",
                                         "Lookup ALU",
                                         "Item_Sid",
                                         "DCS Code",
                                         "Serial Number",
                                         "Serial Number",
                                         "Orig Price (hidden)",
                                         "Ext Rcpt P$",
                                         "Disc Amt",
                                         "Disc Reason",
                                         "Ext tax Amount",
                                         "Tax Percent",
                                         "Ext Tax Amount2",
                                         "Tax Percent 2"};

}  // namespace

bool LoyaltyCardConfigured() {
  return foundation::CustomerFieldConfigured(foundation::MainPrefs.LoyalField) &&
         !LoyaltyCardAttribute().empty();
}

std::string LoyaltyCardAttribute() {
  return foundation::CustomerFieldSetting(foundation::MainPrefs.LoyalAttr);
}

void IncludeCustomerAttributes(IPluginAdapter& adapter, int32_t customerBO,
                               TIncludedAttributes& included) {
  if (included.bo != customerBO) included = {customerBO, {}};
  std::vector<std::string> names(std::begin(kCustomerIncludes), std::end(kCustomerIncludes));
  // A configured keyword names a host field, or nothing.
  const foundation::TMainPrefs& prefs = foundation::MainPrefs;
  for (const std::string* keyword :
       {&prefs.LoyaltyStatusField, &prefs.LoyaltyTrackingDateField, &prefs.EmailOptInField}) {
    names.push_back(foundation::MapCustomerFieldName(*keyword));
  }
  // The fields the customer's opt-in and loyalty status are read from.
  names.push_back(foundation::OptInHostField(prefs.EmailOptInField));
  names.push_back(foundation::LoyaltyStatusHostField(prefs.LoyaltyStatusField));
  if (LoyaltyCardConfigured()) names.push_back(LoyaltyCardAttribute());
  // Read before the customer's address is written back.
  names.push_back(foundation::NoUpdateAttributeName(prefs.CustNoUpdateField));
  bool added = false;
  for (const std::string& name : names) {
    if (name.empty() || !included.names.insert(name).second) continue;
    Include(adapter, customerBO, name);
    added = true;
  }
  if (added && IsActive(adapter, customerBO)) {
    int32_t status = 0;
    Checked(adapter.BOClose(customerBO, &status), status, "close the customer object");
  }
}

void IncludeInvoiceAttributes(IPluginAdapter& adapter, int32_t invoiceBO, int32_t itemsBO) {
  for (const char* name : kInvoiceIncludes) Include(adapter, invoiceBO, name);
  for (const char* name : kItemIncludes) Include(adapter, itemsBO, name);
}

}  // namespace plugins
