// Session preferences: defaults, copying, reopening datasets in design state,
// and the mapping of NUMBER columns.

#include <gtest/gtest.h>

#include "oracle/session.h"
#include "oracle/session_preferences.h"

namespace oracle_session_test {
namespace {

using namespace oracle;

TEST(SessionPreferences, DefaultsAndRemoteModuleOwner) {
  TOracleSession session;
  const TSessionPreferences& p = session.Preferences();
  EXPECT_EQ(p.FloatPrecision(), 0);
  EXPECT_EQ(p.IntegerPrecision(), 0);
  EXPECT_EQ(p.SmallIntPrecision(), -1);
  EXPECT_FALSE(p.UseOCI7());
  EXPECT_TRUE(p.ConvertCRLF());
  EXPECT_EQ(p.ConvertUTF(), TConvertUTF::cuNone);
  EXPECT_FALSE(p.ForceWideStringFields());
  EXPECT_TRUE(p.TrimStringFields());
  EXPECT_EQ(p.MaxStringFieldSize(), 0);
  EXPECT_TRUE(p.ZeroDateIsNull());
  EXPECT_FALSE(p.NullLOBIsEmpty());
  EXPECT_FALSE(p.NullObjectIsEmpty());
  EXPECT_EQ(p.TemporaryLOB(), TTemporaryLOB::tlCache);
  EXPECT_FALSE(p.TimestampAsString());

  TOracleSession remote(nullptr, true);
  EXPECT_EQ(remote.Preferences().MaxStringFieldSize(), 255);
}

TEST(SessionPreferences, AssignCopiesEverySetting) {
  TSessionPreferences source(nullptr);
  source.SetFloatPrecision(15);
  source.SetIntegerPrecision(5);
  source.SetSmallIntPrecision(3);
  source.SetUseOCI7(true);
  source.SetConvertCRLF(false);
  source.SetConvertUTF(TConvertUTF::cuUTF8ToUTF16);
  source.SetForceWideStringFields(true);
  source.SetTrimStringFields(false);
  source.SetMaxStringFieldSize(100);
  source.SetZeroDateIsNull(false);
  source.SetNullLOBIsEmpty(true);
  source.SetNullObjectIsEmpty(true);
  source.SetTemporaryLOB(TTemporaryLOB::tlNoCache);
  source.SetTimestampAsString(true);
  TSessionPreferences copy(nullptr, true);
  copy.Assign(source);
  EXPECT_EQ(copy.FloatPrecision(), 15);
  EXPECT_EQ(copy.IntegerPrecision(), 5);
  EXPECT_EQ(copy.SmallIntPrecision(), 3);
  EXPECT_TRUE(copy.UseOCI7());
  EXPECT_FALSE(copy.ConvertCRLF());
  EXPECT_EQ(copy.ConvertUTF(), TConvertUTF::cuUTF8ToUTF16);
  EXPECT_TRUE(copy.ForceWideStringFields());
  EXPECT_FALSE(copy.TrimStringFields());
  EXPECT_EQ(copy.MaxStringFieldSize(), 100);
  EXPECT_FALSE(copy.ZeroDateIsNull());
  EXPECT_TRUE(copy.NullLOBIsEmpty());
  EXPECT_TRUE(copy.NullObjectIsEmpty());
  EXPECT_EQ(copy.TemporaryLOB(), TTemporaryLOB::tlNoCache);
  EXPECT_TRUE(copy.TimestampAsString());
}

struct LayoutWatcher : TSessionAttached {
  int changes = 0;
  void SessionLoggingOff() override {}
  void SessionLayoutChanged() override { ++changes; }
  void SessionDestroyed() override {}
};

TEST(SessionPreferences, LayoutSettingsReopenDataSetsOnlyInDesignState) {
  TOracleSession session;
  LayoutWatcher dataSet;
  session.AttachedObjects().Attach(SessionObjectList::kDataSets, &dataSet);
  TSessionPreferences& p = session.Preferences();
  p.SetMaxStringFieldSize(80);
  EXPECT_EQ(dataSet.changes, 0);

  session.SetDesigning(true);
  p.SetMaxStringFieldSize(90);
  p.SetTimestampAsString(true);
  p.SetFloatPrecision(10);
  p.SetIntegerPrecision(4);
  p.SetSmallIntPrecision(2);
  p.SetTrimStringFields(false);  // not a layout setting
  p.SetIntegerPrecision(4);      // unchanged
  EXPECT_EQ(dataSet.changes, 5);

  session.BeginLoading();  // values read from a stream do not reopen
  p.SetMaxStringFieldSize(70);
  EXPECT_EQ(dataSet.changes, 5);
  session.Loaded();
}

struct MappingCase {
  int32_t integerPrecision;
  int32_t floatPrecision;
  bool odbc;
  int32_t precision;
  int32_t scale;
  bool forceText;
  TNumericMapping expected;
};

class NumericMappingTable : public ::testing::TestWithParam<MappingCase> {};

TEST_P(NumericMappingTable, MapsPrecisionAndScale) {
  const MappingCase& c = GetParam();
  TSessionPreferences p(nullptr);
  p.SetIntegerPrecision(c.integerPrecision);
  p.SetFloatPrecision(c.floatPrecision);
  EXPECT_EQ(NumericColumnMapping(p, c.odbc, c.precision, c.scale, c.forceText), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Columns, NumericMappingTable,
                         ::testing::Values(
                             // Integer precision 0 counts as 9, or 10 in ODBC mode.
                             MappingCase{0, 0, false, 9, 0, false, {3, 4}},
                             MappingCase{0, 0, false, 10, 0, false, {4, 8}},
                             MappingCase{0, 0, true, 10, 0, false, {3, 4}},
                             MappingCase{0, 0, false, 5, -2, false, {3, 4}},
                             // Float precision 0 is unlimited: every other column is a float.
                             MappingCase{0, 0, false, 12, 2, false, {4, 8}},
                             MappingCase{0, 0, false, 0, 0, false, {4, 8}},
                             // With a float precision, wider columns are text of p + 2 / p + 3.
                             MappingCase{0, 15, false, 20, 0, false, {5, 22}},
                             MappingCase{0, 15, false, 20, 4, false, {5, 23}},
                             MappingCase{0, 15, false, 0, 0, false, {5, 40}},
                             // FLOAT (scale -127) counts as precision 38 with a fraction, +132.
                             MappingCase{0, 15, false, 126, -127, false, {5, 38 + 3 + 132}},
                             MappingCase{0, 0, false, 126, -127, false, {4, 8}},
                             MappingCase{4, 0, false, 5, 0, false, {4, 8}},
                             // Text when asked for.
                             MappingCase{0, 0, false, 5, 0, true, {5, 7}}));

}  // namespace
}  // namespace oracle_session_test
