// Names of the host customer fields that the settings refer to by keyword.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace foundation {

// The host customer field a settings keyword names ("UDF3" -> "UDF 3 Val Id",
// "udf1 date" -> "UDF1 Date", ...), the keyword matched without regard to
// case. "NONE" and any unknown keyword give an empty name.
std::string MapCustomerFieldName(std::string_view keyword);

// The host field that holds the loyalty status for the LoyaltyStatusField
// setting: a setting "UDF" + digit + anything reads "UDF <digit> Value"; a
// setting beginning with "UDF" whose fourth character is not a digit counts as
// not configured (empty); any other setting is the field name itself.
std::string LoyaltyStatusHostField(std::string_view setting);

// The digit of a user-defined field setting ("UDF" and a digit, as the setup
// offers them: "UDF6" gives '6'); nothing for any other setting.
std::optional<char> UdfSettingDigit(std::string_view setting);

// The host field that holds the e-mail opt-in for the EmailOptInField
// setting: a user-defined field ("UDF" + digit, as the setup offers them) is
// read as the text of its list entry ("UDF6" -> "UDF 6 Value"); any other
// setting names the field itself.
std::string OptInHostField(std::string_view setting);

// The host attribute the no-update setting (CustNoUpdateField) names: a
// user-defined field's list entry ("UDF5" -> "UDF 5 Value") or the free-text
// field itself ("Info1", "Info2", "Notes"); empty when it is not set, "None",
// or names neither.
std::string NoUpdateAttributeName(const std::string& setting);

}  // namespace foundation
