// Session preferences: defaults, copying, reopening datasets in design state,
// and the mapping of NUMBER columns.

#include <gtest/gtest.h>

#include "oracle/session/session.h"
#include "oracle/session/session_preferences.h"

namespace oracle_session_test {
namespace {

using namespace oracle;

TEST(SessionPreferences, RemoteModuleOwnerStartsWithShortStringFields) {
  TOracleSession plain;
  EXPECT_EQ(plain.Preferences().MaxStringFieldSize(), 0);
  TOracleSession remote(nullptr, true);
  EXPECT_EQ(remote.Preferences().MaxStringFieldSize(), 255);
  TSessionPreferences copy(nullptr);
  copy.Assign(remote.Preferences());
  EXPECT_EQ(copy.MaxStringFieldSize(), 255);
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

TEST(SessionPreferences, NumericColumnMappingFollowsPrecisionAndScale) {
  const MappingCase cases[] = {// Integer precision 0 counts as 9, or 10 in ODBC mode.
                               {0, 0, false, 9, 0, false, {3, 4}},
                               {0, 0, false, 10, 0, false, {4, 8}},
                               {0, 0, true, 10, 0, false, {3, 4}},
                               {0, 0, false, 5, -2, false, {3, 4}},
                               // Float precision 0 is unlimited: every other column is a float.
                               {0, 0, false, 12, 2, false, {4, 8}},
                               {0, 0, false, 0, 0, false, {4, 8}},
                               // With a float precision, wider columns are text of p + 2 / p + 3.
                               {0, 15, false, 20, 0, false, {5, 22}},
                               {0, 15, false, 20, 4, false, {5, 23}},
                               {0, 15, false, 0, 0, false, {5, 40}},
                               // FLOAT (scale -127) counts as precision 38 with a fraction, +132.
                               {0, 15, false, 126, -127, false, {5, 38 + 3 + 132}},
                               {0, 0, false, 126, -127, false, {4, 8}},
                               {4, 0, false, 5, 0, false, {4, 8}},
                               // Text when asked for.
                               {0, 0, false, 5, 0, true, {5, 7}}};
  for (const MappingCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.integerPrecision << "/" << c.floatPrecision << " odbc "
                                    << c.odbc << " column " << c.precision << "," << c.scale);
    TSessionPreferences p(nullptr);
    p.SetIntegerPrecision(c.integerPrecision);
    p.SetFloatPrecision(c.floatPrecision);
    EXPECT_EQ(NumericColumnMapping(p, c.odbc, c.precision, c.scale, c.forceText), c.expected);
  }
}

}  // namespace
}  // namespace oracle_session_test
