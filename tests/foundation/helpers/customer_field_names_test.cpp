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
  EXPECT_EQ(MapCustomerFieldName(" UDF3"), "");
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
  for (const char* other : {"", "UDF", "UDFX", "UDF 5", "udf5", "Info1", "None"}) {
    EXPECT_EQ(foundation::UdfSettingDigit(other), std::nullopt) << other;
  }
}

}  // namespace
