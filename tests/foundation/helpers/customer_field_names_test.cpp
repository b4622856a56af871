#include "foundation/customer_field_names.h"

#include <gtest/gtest.h>

namespace {

using foundation::LoyaltyStatusHostField;
using foundation::MapCustomerFieldName;

TEST(MapCustomerFieldName, MapsKeywordsWithoutRegardToCaseAndOthersToNoField) {
  EXPECT_EQ(MapCustomerFieldName("udf1 date"), "UDF1 Date");
  EXPECT_EQ(MapCustomerFieldName("Udf2 Date"), "UDF2 Date");
  EXPECT_EQ(MapCustomerFieldName("UDF3"), "UDF 3 Val Id");
  EXPECT_EQ(MapCustomerFieldName("udf8"), "UDF 8 Val Id");
  EXPECT_EQ(MapCustomerFieldName("NOTES"), "Notes");
  // NONE and unknown keywords give no field.
  EXPECT_EQ(MapCustomerFieldName("NONE"), "");
  EXPECT_EQ(MapCustomerFieldName("UDF9"), "");
  EXPECT_EQ(MapCustomerFieldName(""), "");
  EXPECT_EQ(MapCustomerFieldName("UDF3.UDF4"), "") << "a piece of the keyword list is no keyword";
  // Blanks around a keyword are no part of it.
  EXPECT_EQ(MapCustomerFieldName(" UDF3"), "UDF 3 Val Id");
  EXPECT_EQ(MapCustomerFieldName("allow email\t"), "Allow Email");
  EXPECT_EQ(MapCustomerFieldName(" none "), "");
}

TEST(LoyaltyStatusHostField, UdfSettingsWithADigitNameTheValueField) {
  EXPECT_EQ(LoyaltyStatusHostField("UDF5"), "UDF 5 Value");
  EXPECT_EQ(LoyaltyStatusHostField("UDF1 Something"), "UDF 1 Value");
  EXPECT_EQ(LoyaltyStatusHostField("Loyalty Member"), "Loyalty Member");
  EXPECT_EQ(LoyaltyStatusHostField(""), "");
  // A UDF setting without a digit counts as not configured.
  EXPECT_EQ(LoyaltyStatusHostField("UDF"), "");
  EXPECT_EQ(LoyaltyStatusHostField("UDFX"), "");
  EXPECT_EQ(LoyaltyStatusHostField("UDF 5"), "");
}

TEST(UdfSettingDigit, TheDigitOfAUserDefinedFieldSetting) {
  EXPECT_EQ(foundation::UdfSettingDigit("UDF6"), '6');
  EXPECT_EQ(foundation::UdfSettingDigit("UDF1 Date"), '1');
  // Read as every customer-field setting is: blanks and case aside.
  EXPECT_EQ(foundation::UdfSettingDigit("udf5"), '5');
  EXPECT_EQ(foundation::UdfSettingDigit(" Udf7 "), '7');
  for (const char* other : {"", "UDF", "UDFX", "UDF 5", "Info1", "None"}) {
    EXPECT_EQ(foundation::UdfSettingDigit(other), std::nullopt) << other;
  }
}

// Every customer-field setting is read one way: trimmed, and spelt as the
// setup's entry it names without regard to case; the fields it names follow.
TEST(CustomerFieldSetting, ReadTrimmedAndWithoutRegardToCaseAsTheSetupsEntry) {
  struct Case {
    const char* setting;
    const char* read;
    bool configured;
    const char* optInField;     // OptInHostField
    const char* statusField;    // LoyaltyStatusHostField
    const char* noUpdateField;  // NoUpdateAttributeName
  } cases[] = {
      {"allow email", "Allow Email", true, "Allow Email", "Allow Email", ""},
      {" Allow Email ", "Allow Email", true, "Allow Email", "Allow Email", ""},
      {"udf1 date", "UDF1 Date", true, "UDF 1 Value", "UDF 1 Value", "UDF 1 Value"},
      {"uDf5", "UDF5", true, "UDF 5 Value", "UDF 5 Value", "UDF 5 Value"},
      {"INFO2", "Info2", true, "Info2", "Info2", "Info2"},
      {"notes\t", "Notes", true, "Notes", "Notes", "Notes"},
      {"address6", "Address6", true, "Address6", "Address6", ""},
      {"udf 5 value", "UDF 5 Value", true, "UDF 5 Value", "", ""},
      {" none", "None", false, "", "", ""},
      {"", "", false, "", "", ""},
      {"  ", "", false, "", "", ""},
      {" Phone9 ", "Phone9", true, "Phone9", "Phone9", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("[") + c.setting + "]");
    EXPECT_EQ(foundation::CustomerFieldSetting(c.setting), c.read);
    EXPECT_EQ(foundation::CustomerFieldConfigured(c.setting), c.configured);
    EXPECT_EQ(foundation::OptInHostField(c.setting), c.optInField);
    EXPECT_EQ(LoyaltyStatusHostField(c.setting), c.statusField);
    EXPECT_EQ(foundation::NoUpdateAttributeName(c.setting), c.noUpdateField);
  }
}

}  // namespace
