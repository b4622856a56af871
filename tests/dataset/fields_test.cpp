// Field lookup by name and the value conversions of the field classes.

#include <gtest/gtest.h>

#include "dataset/field_kinds.h"
#include "dataset/time_stamp.h"
#include "memory_dataset/memory_dataset.h"

namespace dataset::testing {
namespace {

class Fields : public ::testing::Test {
 protected:
  void SetUp() override {
    ds.SetName("Orders");
    ds.AddColumn("Name", TFieldType::ftString, 5);
    ds.AddColumn("Wide", TFieldType::ftWideString, 3);
    ds.AddColumn("Small", TFieldType::ftSmallint);
    ds.AddColumn("Word", TFieldType::ftWord);
    ds.AddColumn("Big", TFieldType::ftLargeint);
    ds.AddColumn("Flag", TFieldType::ftBoolean);
    ds.AddColumn("Amount", TFieldType::ftCurrency);
    ds.AddColumn("Day", TFieldType::ftDate);
    ds.AddColumn("Stamp", TFieldType::ftDateTime);
    ds.AddColumn("Notes", TFieldType::ftMemo);
    ds.AddColumn("Image", TFieldType::ftBlob);
    ds.AddRow({Variant("abc"), Variant("xyz"), Variant(int32_t{-5}), Variant(int32_t{7}),
               Variant(int64_t{1} << 40), Variant(true), Variant(1.5), Variant::Date(45000.75),
               Variant::Date(45000.5), Variant("memo"), Variant::Null()});
    ds.Open();
    ds.Edit();
  }
  TField& F(const char* name) { return ds.FieldByName(name); }
  MemoryDataSet ds;
};

TEST_F(Fields, LookupIgnoresCaseAndNamesTheMissingField) {
  EXPECT_EQ(&F("NAME"), &F("name"));
  EXPECT_EQ(ds.FindField("nope"), nullptr);
  try {
    F("nope");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Orders: Field 'nope' not found");
  }
  EXPECT_EQ(ds.GetFieldList("name; SMALL").size(), 2u);
  EXPECT_EQ(ds.FieldDefs().IndexOf("wIDe"), 1);
}

TEST_F(Fields, TextFieldsRefuseTooLongValuesAndKeepTheOldOne) {
  F("Name").SetAsString("12345");
  EXPECT_THROW(F("Name").SetAsString("123456"), EDatabaseError);
  EXPECT_EQ(F("Name").AsString(), "12345");
  F("Wide").SetAsString("äöü");  // three characters, six bytes in UTF-8
  EXPECT_EQ(F("Wide").AsString(), "äöü");
  EXPECT_THROW(F("Wide").SetAsString("abcd"), EDatabaseError);
  F("Name").SetAsString("");
  EXPECT_EQ(F("Name").AsString(), "");
  F("Name").SetValue(Variant::Null());
  EXPECT_TRUE(F("Name").IsNull());
}

TEST_F(Fields, IntegerKindsCheckTheirRange) {
  EXPECT_EQ(F("Small").AsInteger(), -5);
  EXPECT_THROW(F("Small").SetAsInteger(40000), EDatabaseError);
  EXPECT_THROW(F("Word").SetAsInteger(-1), EDatabaseError);
  EXPECT_EQ(F("Small").AsInteger(), -5);
  F("Word").SetAsString(" 65535 ");
  EXPECT_EQ(F("Word").AsInteger(), 65535);
  EXPECT_THROW(F("Word").SetAsString("12x"), EDatabaseError);
  F("Small").SetAsString("");
  EXPECT_TRUE(F("Small").IsNull());
  EXPECT_EQ(F("Big").AsLargeInt(), int64_t{1} << 40);
  EXPECT_THROW(F("Big").AsInteger(), EDatabaseError);
  EXPECT_THROW(F("Flag").SetAsDateTime(1.0), EDatabaseError);
}

TEST_F(Fields, FloatCurrencyAndBooleanForms) {
  F("Amount").SetAsFloat(2.123456);
  EXPECT_DOUBLE_EQ(F("Amount").AsFloat(), 2.1235);
  EXPECT_EQ(F("Amount").Value().vt(), VT_CY);
  F("Amount").SetAsString("0.1");
  EXPECT_EQ(F("Amount").AsString(), "0.1");
  EXPECT_EQ(F("Flag").AsString(), "True");
  F("Flag").SetAsString("no");
  EXPECT_FALSE(F("Flag").AsBoolean());
  EXPECT_THROW(F("Flag").SetAsString("perhaps"), EDatabaseError);
}

TEST_F(Fields, DateKindsKeepTheirPartAndReadTheirText) {
  F("Day").SetAsDateTime(45000.75);
  EXPECT_DOUBLE_EQ(F("Day").AsDateTime(), 45000.0);  // the time was dropped
  EXPECT_EQ(F("Stamp").AsString(), "2023-03-15 12:00:00");
  F("Stamp").SetAsString("1899-12-29 06:00:00");
  EXPECT_DOUBLE_EQ(F("Stamp").AsDateTime(), -1.25);
  F("Day").SetAsString("2024-02-29");
  EXPECT_EQ(F("Day").AsString(), "2024-02-29");
  EXPECT_THROW(F("Day").SetAsString("2023-02-29"), EDatabaseError);
  EXPECT_THROW(F("Day").SetAsString("29.02.2024"), EDatabaseError);
  EXPECT_EQ(F("Day").Value().vt(), VT_DATE);
  EXPECT_DOUBLE_EQ(MSecsToDateTime(DateTimeToMSecs(-700.5)), -700.5);
  EXPECT_DOUBLE_EQ(DateTimeToMSecs(0), kDateDelta * kMSecsPerDay);
}

TEST_F(Fields, MemoAndBlobGoThroughStreams) {
  EXPECT_EQ(F("Notes").AsString(), "memo");
  EXPECT_TRUE(F("Image").IsNull());
  const std::string bytes("\x00\x01\xff", 3);
  F("Image").SetAsString(bytes);
  F("Notes").SetValue(Variant("longer memo text"));
  ds.Post();
  EXPECT_EQ(F("Image").AsString(), bytes);
  EXPECT_EQ(F("Image").Value().vt(), VT_ARRAY | VT_UI1);
  EXPECT_EQ(F("Notes").Value().ToString(), "longer memo text");
  EXPECT_THROW(F("Notes").SetAsString("x"), EDatabaseError);  // browsing
  ds.Edit();
  F("Image").Clear();
  ds.Cancel();
  EXPECT_EQ(F("Image").AsString(), bytes);  // the cancelled edit left it
}

TEST_F(Fields, ChangeAndValidateHandlersRun) {
  int changes = 0;
  int validations = 0;
  F("Name").OnChange = [&](TField&) { ++changes; };
  F("Name").OnValidate = [&](TField& f) {
    ++validations;
    if (f.DataSet()->State() != TDataSetState::dsEdit) FAIL();
  };
  F("Name").SetAsString("q");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(validations, 1);
  EXPECT_TRUE(ds.Modified());
  EXPECT_EQ(ds.UpdateStatus(), TUpdateStatus::usModified);
}

}  // namespace
}  // namespace dataset::testing

namespace dataset::testing {
namespace {

TEST(Provider, KeyFieldsParamsAndResetOfTheBase) {
  MemoryDataSet ds;
  ds.AddColumn("ID", TFieldType::ftInteger);
  ds.AddColumn("CODE", TFieldType::ftString, 4);
  ds.AddColumn("NAME", TFieldType::ftString, 4);
  ds.AddRow({Variant(1), Variant("a"), Variant("x")});
  ds.AddRow({Variant(2), Variant("b"), Variant("y")});
  ds.Open();
  EXPECT_EQ(ds.PSGetKeyFields(), "");
  ds.FieldByName("ID").SetInKey(true);
  ds.FieldByName("CODE").SetInKey(true);
  EXPECT_EQ(ds.PSGetKeyFields(), "ID;CODE");
  ds.Last();
  ds.PSReset();
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 1);
  TParams params;
  EXPECT_THROW(ds.PSExecuteStatement("update t set a = ?", params, nullptr), EDatabaseError);

  params.CreateParam(TFieldType::ftString, "Name").Value = Variant("v");
  EXPECT_EQ(params.FindParam("NAME"), &params[0]);
  EXPECT_EQ(params.ParamByName("name").Value.ToString(), "v");
  EXPECT_THROW(params.ParamByName("other"), EDatabaseError);
  params.Delete(0);
  EXPECT_EQ(params.Count(), 0);
}

}  // namespace
}  // namespace dataset::testing
