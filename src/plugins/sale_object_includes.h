#pragma once
// The attributes the receipt plug-ins include in the business objects they
// create before the first open, since an open fetches only the included
// attributes: the customer's (names, contact, the configured loyalty and
// opt-in fields) and those an invoice's receipt is extracted from.

#include <cstdint>
#include <set>
#include <string>

#include "host_interfaces/host_interfaces.h"

namespace plugins {

// The attributes included so far in one customer object (`bo`); a record for
// another object counts as none.
struct TIncludedAttributes {
  int32_t bo = -1;
  std::set<std::string> names;
};

// "Sbs No", "Cust Sid", "Cust Id", "EMail", names and phones, then the host
// fields the loyalty-status, loyalty-tracking-date and e-mail opt-in keywords
// of the main settings map to and those the opt-in and loyalty status are
// read from, the loyalty card attribute when one is configured, and the field
// that marks a customer "No Update" when the settings name one. Only those
// the object has not included yet (as `included` records) are included, so
// fields the settings name mid-day are included before they are read. The
// host fetches an attribute only once it is included and the object opened
// after that: when it included any in an object already open, the object is
// closed, so that the caller's open fetches them.
void IncludeCustomerAttributes(IPluginAdapter& adapter, int32_t customerBO,
                               TIncludedAttributes& included);

// The invoice header and item attributes a receipt is extracted from.
void IncludeInvoiceAttributes(IPluginAdapter& adapter, int32_t invoiceBO, int32_t itemsBO);

// True when the loyalty card setting names a customer field.
bool LoyaltyCardConfigured();
// The customer attribute the loyalty card number is read from: the LoyalAttr
// setting read as every customer-field setting is (blanks and case aside).
std::string LoyaltyCardAttribute();

}  // namespace plugins
