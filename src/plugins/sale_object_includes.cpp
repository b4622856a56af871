#include "plugins/sale_object_includes.h"

#include <string>

#include "foundation/customer_field_names.h"
#include "foundation/prefs_records.h"
#include "platform/text.h"
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
  const std::string& field = foundation::MainPrefs.LoyalField;
  return !field.empty() && !platform::SameText(field, "None") &&
         !foundation::MainPrefs.LoyalAttr.empty();
}

void IncludeCustomerAttributes(IPluginAdapter& adapter, int32_t customerBO) {
  for (const char* attribute : kCustomerIncludes) Include(adapter, customerBO, attribute);
  // A configured keyword names a host field, or nothing.
  const foundation::TMainPrefs& prefs = foundation::MainPrefs;
  for (const std::string* keyword :
       {&prefs.LoyaltyStatusField, &prefs.LoyaltyTrackingDateField, &prefs.EmailOptInField}) {
    const std::string field = foundation::MapCustomerFieldName(*keyword);
    if (!field.empty()) Include(adapter, customerBO, field);
  }
  if (LoyaltyCardConfigured()) Include(adapter, customerBO, prefs.LoyalAttr);
  // Read before the customer's address is written back.
  const std::string noUpdate = foundation::NoUpdateAttributeName(prefs.CustNoUpdateField);
  if (!noUpdate.empty()) Include(adapter, customerBO, noUpdate);
}

void IncludeInvoiceAttributes(IPluginAdapter& adapter, int32_t invoiceBO, int32_t itemsBO) {
  for (const char* name : kInvoiceIncludes) Include(adapter, invoiceBO, name);
  for (const char* name : kItemIncludes) Include(adapter, itemsBO, name);
}

}  // namespace plugins
