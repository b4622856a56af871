// The Oracle dataset's QBE definition: created with its defaults, its fields
// following the select list at each open.

#include "oracle_fixture/dataset_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace oracle_dataset_test {
namespace {

TEST_F(StandinDataSetTest, QBEFieldsFollowTheSelectListAtOpen) {
  auto ds = NewDataSet("select cust_sid, last_name from customer");
  oracle::qbe::TQBEDefinition& qbe = ds->QBEDefinition();
  EXPECT_TRUE(qbe.SaveQBEValues());
  EXPECT_TRUE(qbe.AllowFileWildCards());
  EXPECT_FALSE(qbe.AllowOperators());
  EXPECT_EQ(qbe.QBEFontColor(), oracle::qbe::clNone);
  EXPECT_EQ(qbe.QBEBackgroundColor(), oracle::qbe::clNone);
  EXPECT_EQ(qbe.FieldCount(), 0);

  ds->Open();
  ASSERT_EQ(qbe.FieldCount(), 2);
  EXPECT_TRUE(qbe.FindField("CUST_SID")->Enabled());
  qbe.FindField("last_name")->CaseInsensitive = true;

  ds->SetSQL("select last_name, first_name from customer");
  ASSERT_EQ(qbe.FieldCount(), 2);
  EXPECT_EQ(qbe.FindField("CUST_SID"), nullptr);
  EXPECT_TRUE(qbe.FindField("last_name")->CaseInsensitive);
  EXPECT_TRUE(qbe.FindField("first_name")->Enabled());
}

}  // namespace
}  // namespace oracle_dataset_test

#endif  // STANDIN_ORACLE_HOME
