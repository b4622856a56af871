// Names of the host customer fields that the settings refer to by keyword.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace foundation {

// Every customer-field setting (EmailOptInField, LoyaltyStatusField,
// LoyaltyTrackingDateField, CustNoUpdateField, LoyalField, LoyalAttr) is read
// one way at the till, through the routines below: without the blanks around
// it and without regard to case, as the setup entry it names.

// A customer-field setting as the till reads it: trimmed, and spelt as the
// setup's entry (or the loyalty attribute an entry stands for) it matches
// without regard to case ("allow email" -> "Allow Email", " udf1 date" ->
// "UDF1 Date", "info2" -> "Info2", "none" -> "None", "udf 5 value" ->
// "UDF 5 Value"); a setting that names no entry stays as written, trimmed.
std::string CustomerFieldSetting(std::string_view setting);

// Whether a customer-field setting names a field: neither empty nor "None",
// as read above.
bool CustomerFieldConfigured(std::string_view setting);

// The host customer field a settings keyword names ("UDF3" -> "UDF 3 Val Id",
// "udf1 date" -> "UDF1 Date", ...), the keyword read as above. "None" and any
// unknown keyword give an empty name.
std::string MapCustomerFieldName(std::string_view keyword);

// The host field that holds the loyalty status for the LoyaltyStatusField
// setting, read as above: a setting "UDF" + digit + anything reads
// "UDF <digit> Value"; a setting beginning with "UDF" whose fourth character
// is not a digit, and one not configured, give none (empty); any other
// setting is the field name itself.
std::string LoyaltyStatusHostField(std::string_view setting);

// The digit of a user-defined field setting, read as above ("UDF" and a
// digit, as the setup offers them: "UDF6" and "udf6" give '6'); nothing for
// any other setting.
std::optional<char> UdfSettingDigit(std::string_view setting);

// The host field that holds the e-mail opt-in for the EmailOptInField
// setting, read as above: a user-defined field ("UDF" + digit, as the setup
// offers them) is read as the text of its list entry ("UDF6" ->
// "UDF 6 Value"); a setting not configured gives none (empty); any other
// setting names the field itself.
std::string OptInHostField(std::string_view setting);

// The host attribute the no-update setting (CustNoUpdateField) names, read as
// above: a user-defined field's list entry ("UDF5" -> "UDF 5 Value") or the
// free-text field itself ("Info1", "Info2", "Notes"); empty when it is not
// set, "None", or names neither.
std::string NoUpdateAttributeName(const std::string& setting);

}  // namespace foundation
