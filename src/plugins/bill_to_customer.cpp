#include "plugins/bill_to_customer.h"

#include <exception>
#include <stdexcept>

#include "foundation/helpers_text.h"
#include "foundation/log.h"
#include "foundation/prefs_records.h"
#include "hostplugin/bo_fields.h"
#include "platform/com/bstr.h"
#include "platform/com/variant.h"
#include "plugins/adapter_calls.h"
#include "plugins/sale_object_includes.h"
#include "receipt/records.h"
#include "receipt/sale_workflow.h"

namespace plugins {

namespace {

constexpr const char* kCustSid = "Cust Sid";

void LogFailure(const std::string& tag, const std::exception& e) {
  foundation::KWLog(0, tag + " while " + e.what(), foundation::kLevelError, tag);
}

// Whether the customer object's current record is customer `custSid`; a Null
// "Cust Sid" reads as empty, and `custSid` never is.
bool OnRecordOf(IPluginAdapter& adapter, int32_t customerBO, const std::string& custSid) {
  return !custSid.empty() && hostplugin::GetBOFieldValue(adapter, customerBO, kCustSid) == custSid;
}

// Whether two addresses are the same once blanks around them and letter case
// are set aside (the address check lower-cases what it passes).
bool SameAddress(const std::string& a, const std::string& b) {
  using foundation::helpers::TrimText;
  using foundation::helpers::UpperAscii;
  return UpperAscii(TrimText(a)) == UpperAscii(TrimText(b));
}

}  // namespace

bool ReadBillToRecord(IPluginAdapter& adapter, int32_t customerBO, const std::string& custSid,
                      receipt::TCapturedCustomer& customer, const std::string& tag) {
  if (!OnRecordOf(adapter, customerBO, custSid)) {
    foundation::KWLog(0, "The customer record found is not bill-to customer " + custSid,
                      foundation::kLevelWarning, tag);
    return false;
  }
  receipt::AuthRec& auth = receipt::fAuth;
  const auto read = [&](const std::string& name) {
    return hostplugin::GetBOFieldValue(adapter, customerBO, name);
  };
  // Blanks around a stored address are no part of it, as around a typed one.
  auth.EmailAddress = foundation::helpers::TrimText(read("EMail"));
  auth.StoredEmail = auth.EmailAddress;
  auth.Phone1 = read("Phone1");
  auth.Phone2 = read("Phone2");
  // A choice the host cannot read stays unset and the rest is still read: the
  // customer is known, reached and named on his receipt all the same.
  const auto choice = [&](const char* what, bool (*reader)(IPluginAdapter&, int32_t)) {
    try {
      return reader(adapter, customerBO);
    } catch (const std::exception& e) {
      foundation::KWLog(0,
                        std::string("The customer's ") + what + " could not be read: " + e.what(),
                        foundation::kLevelWarning, tag);
      return false;
    }
  };
  auth.OptIn = choice("opt-in", hostplugin::CustomerAllowsEmail);
  auth.LoyaltyMember = choice("loyalty status", hostplugin::CustomerIsLoyaltyMember);
  if (LoyaltyCardConfigured()) {
    auth.LoyaltyCardNumber = read(LoyaltyCardAttribute());
    if (!auth.LoyaltyCardNumber.empty()) auth.MerchantID = foundation::MainPrefs.MerchID;
  }
  customer.CustId = read("Cust Id");
  customer.FirstName = read("First Name");
  customer.LastName = read("Last Name");
  customer.LoyaltyNumber = auth.LoyaltyCardNumber;
  customer.Email = auth.EmailAddress;
  customer.Phone1 = auth.Phone1;
  receipt::FTransControl.HaveBillTo = true;
  foundation::KWLog(9, "Customer [" + customer.CustId + "] e-mail [" + auth.EmailAddress + "]",
                    foundation::kLevelDebug, tag);
  return true;
}

bool CustomerReachable() {
  const receipt::AuthRec& auth = receipt::fAuth;
  return !auth.EmailAddress.empty() || !auth.LoyaltyCardNumber.empty() || !auth.Phone1.empty() ||
         !auth.Phone2.empty();
}

void ReadAndAuthenticateCustomer(IPluginAdapter& adapter, int32_t customerBO,
                                 const std::string& custSid, receipt::TCapturedCustomer& customer,
                                 const std::string& tag) {
  try {
    if (SetFilter(adapter, customerBO, kCustSid, custSid) == kAdapterSuccess) {
      if (ReadBillToRecord(adapter, customerBO, custSid, customer, tag) && CustomerReachable()) {
        receipt::AuthBillToCustomer();
      }
    } else {
      ShowPluginMessage("Unable to locate Bill To Customer.", tag);
    }
  } catch (const std::exception& e) {
    LogFailure(tag, e);
  }
  ClearCustSidFilter(adapter, customerBO, tag);
}

void SaveCustomerEmail(IPluginAdapter& adapter, int32_t customerBO, const std::string& custSid,
                       const std::string& tag) {
  try {
    if (SetFilter(adapter, customerBO, kCustSid, custSid) != kAdapterSuccess ||
        !OnRecordOf(adapter, customerBO, custSid)) {
      foundation::KWLog(0, "Customer record was not found.", foundation::kLevelWarning, tag);
    } else if (hostplugin::CustomerMarkedNoUpdate(adapter, customerBO, tag)) {
      // Logged by the check; the customer keeps his record as it is.
    } else if (SameAddress(hostplugin::GetBOFieldValue(adapter, customerBO, "EMail"),
                           receipt::fAuth.EmailAddress)) {
      foundation::KWLog(9, "The stored e-mail is the same address; the customer is not written",
                        foundation::kLevelDebug, tag);
    } else {
      int32_t status = 0;
      if (Checked(adapter.BOEdit(customerBO, &status), status, "edit the customer") !=
          kAdapterSuccess) {
        throw std::runtime_error("The host refused to edit customer " + custSid);
      }
      BStr name("EMail");
      Variant email(receipt::fAuth.EmailAddress);
      Checked(adapter.BOSetAttrValue(customerBO, name.Get(), &email.Get(), &status), status,
              "set the customer's e-mail");
      if (Checked(adapter.BOPost(customerBO, &status), status, "post the customer") !=
          kAdapterSuccess) {
        throw std::runtime_error("The host refused to save customer " + custSid);
      }
      foundation::KWLog(9, "Customer e-mail saved", foundation::kLevelDebug, tag);
    }
  } catch (const std::exception& e) {
    LogFailure(tag, e);
  }
  ClearCustSidFilter(adapter, customerBO, tag);
}

void ClearCustSidFilter(IPluginAdapter& adapter, int32_t customerBO, const std::string& tag) {
  try {
    ClearFilter(adapter, customerBO, kCustSid);
  } catch (const std::exception& e) {
    LogFailure(tag, e);
  }
}

}  // namespace plugins
