#pragma once
// The bill-to customer of a sale as the receipt plug-ins read and save it
// through their own customer object: the record found by its "Cust Sid" is
// read into the authentication record and the captured-customer record, the
// customer is authenticated with the receipt service, and a changed e-mail is
// written back to that record only.

#include <cstdint>
#include <string>

#include "host_interfaces/host_interfaces.h"
#include "receipt/document_extraction.h"

namespace plugins {

// Reads the customer object's current record when it is customer `custSid`:
// the e-mail without blanks around it (also as the e-mail last stored),
// phones, opt-in, loyalty member (a choice the host cannot read is logged and
// left unset) and card number into fAuth, the identifier, names and contact
// into `customer`, and sets HaveBillTo. A record whose "Cust Sid" is Null or
// another customer's is not read (logged under `tag`): false then.
bool ReadBillToRecord(IPluginAdapter& adapter, int32_t customerBO, const std::string& custSid,
                      receipt::TCapturedCustomer& customer, const std::string& tag);

// Whether the customer read can be looked up at the service: an e-mail, a
// loyalty card number or a phone.
bool CustomerReachable();

// Filters the customer object on `custSid`, reads the record found and
// authenticates the customer when reachable; a failing filter shows "Unable
// to locate Bill To Customer.". The "Cust Sid" filter is cleared on every
// path.
void ReadAndAuthenticateCustomer(IPluginAdapter& adapter, int32_t customerBO,
                                 const std::string& custSid, receipt::TCapturedCustomer& customer,
                                 const std::string& tag);

// Writes fAuth.EmailAddress to customer `custSid`'s "EMail" only when the
// "Cust Sid" filter finds that customer's own record (otherwise "Customer
// record was not found." is logged), the customer is not marked "No Update"
// (hostplugin::CustomerMarkedNoUpdate) and his stored address is another one
// than the address sent, letter case and blanks around it aside; else
// nothing changes. A refused edit or post, or a failed read of the mark, is
// logged. The filter is cleared afterwards.
void SaveCustomerEmail(IPluginAdapter& adapter, int32_t customerBO, const std::string& custSid,
                       const std::string& tag);

// Clears the "Cust Sid" filter; a failure is logged under `tag`, not raised.
void ClearCustSidFilter(IPluginAdapter& adapter, int32_t customerBO, const std::string& tag);

}  // namespace plugins
