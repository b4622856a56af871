#pragma once
// The attributes the receipt plug-ins include in the business objects they
// create before the first open, since an open fetches only the included
// attributes: the customer's (names, contact, the configured loyalty and
// opt-in fields) and those an invoice's receipt is extracted from.

#include <cstdint>

#include "host_interfaces/host_interfaces.h"

namespace plugins {

// "Sbs No", "Cust Sid", "Cust Id", "EMail", names and phones, then the host
// fields the loyalty-status, loyalty-tracking-date and e-mail opt-in keywords
// of the main settings map to, the loyalty card attribute when one is
// configured, and the field that marks a customer "No Update" when the
// settings name one.
void IncludeCustomerAttributes(IPluginAdapter& adapter, int32_t customerBO);

// The invoice header and item attributes a receipt is extracted from.
void IncludeInvoiceAttributes(IPluginAdapter& adapter, int32_t invoiceBO, int32_t itemsBO);

// True when the loyalty card setting names a customer field.
bool LoyaltyCardConfigured();

}  // namespace plugins
