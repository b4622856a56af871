#include "setup_fixture.h"

#include <QLabel>
#include <QTableWidget>
#include <QTreeWidget>

#include "dialogs/main_setup.h"
#include "oracle/session/session.h"
#include "oracle/session/session_sql.h"

#ifdef STANDIN_ORACLE_HOME

namespace setuptest {
namespace {

using testsupport::ScriptedUser;

constexpr const char* kSettings =
    "; kept comment\n"
    "[MAIN]\n"
    "ProdURL=https://prod.example/WS/M-1\n"
    "TestURL=https://test.example/WS/M-1\n"
    "URLType=T\n"
    "MerchID=M-1\n"
    "Unknown=stays\n"
    "[CARDS]\n"
    "VISA=Visa\n"
    "[CATEGORIES]\n"
    "CAT1=Shoes\n"
    "CAT2=Bags\n"
    "[PRODUCTCATEGORIES]\n"
    "APP=1;2\n"
    "FOO=-1;9\n"
    "[EXTRA]\n"
    "Key=value\n";

// The texts of one column of a grid or list view.
QStringList Column(QDialog& dialog, const char* name, int column) {
  QStringList texts;
  if (auto* grid = dialog.findChild<QTableWidget*>(name)) {
    for (int row = 0; row < grid->rowCount(); ++row) {
      texts << (grid->item(row, column) ? grid->item(row, column)->text() : QString());
    }
  } else if (auto* view = dialog.findChild<QTreeWidget*>(name)) {
    for (int row = 0; row < view->topLevelItemCount(); ++row) {
      texts << view->topLevelItem(row)->text(column);
    }
  }
  return texts;
}

// A check step comparing a column with `expected`.
std::function<QString(QDialog&)> ColumnIs(const char* name, int column, QStringList expected) {
  return [=](QDialog& dialog) {
    const QStringList shown = Column(dialog, name, column);
    return shown == expected
               ? QString()
               : QString("%1 column %2 shows [%3]").arg(name).arg(column).arg(shown.join(", "));
  };
}

// How the dialog fills its lists from a database in some state.
struct DatabaseCase {
  const char* name;
  const char* change;   // run on the database copy first; empty: none
  const char* message;  // the message shown first; empty: none
  QStringList cards;
  QStringList codes;
};

TEST_F(SetupDialogTest, ListsFollowTheDatabaseOrKeepTheStoredNames) {
  const QStringList stored = {"APP", "FOO"};
  const QStringList allCards = {"AMEX", "DISCOVER", "MASTERCARD", "VISA"};
  const DatabaseCase cases[] = {
      {"no master subsidiary",
       "update subsidiary set master=0",
       "",
       allCards,
       {"APP", "FOO", "ZZZ"}},
      {"no DCS table", "drop table dcs",
       "Unable to query the host database for DCS information: EOracleError: ORA-", allCards,
       stored}};
  for (const DatabaseCase& state : cases) {
    SCOPED_TRACE(state.name);
    Write(MainIni(), kSettings);
    if (*state.change != '\0') {
      auto session = NewSession();
      oracle::RunSessionSQL(*session, state.change);
      session->Commit();
    }
    receipt::FreeDataModule();
    ScriptedUser user;
    if (*state.message != '\0') {
      ExpectMessage(user, state.message, true);
    } else {
      user.WaitForDialog("TfrmMainSetup");
    }
    user.Check(ColumnIs("lsvC", 0, state.cards)).Check(ColumnIs("grdCategories", 0, state.codes));
    if (state.codes == stored) {
      // Stored positions -1 and 9 name no roll-up: empty cells.
      user.Check(ColumnIs("grdCategories", 1, {"SHOES", ""}))
          .Check(ColumnIs("grdCategories", 2, {"BAGS", ""}));
    }
    user.Press("btnExit").WaitForClose();
    RunSetup(user);
    // What the database did not list is written back as it was.
    EXPECT_TRUE(HasLine(MainIni(), "VISA=Visa"));
    EXPECT_TRUE(HasLine(MainIni(), "APP=1;2"));
    EXPECT_TRUE(HasLine(MainIni(), "FOO=0;0"));
    EXPECT_EQ(HasLine(MainIni(), "ZZZ=0;0"), state.codes.contains("ZZZ"));
  }
}

TEST(SetupValues, TimeoutAndRollupPositions) {
  const struct {
    const char* text;
    const char* error;
    int32_t seconds;
  } timeouts[] = {{"45", "", 45},
                  {"0", "", 30},
                  {"2147483648", "", 2147483647},
                  {"99999999999999999999", "", 2147483647},
                  {"-1", "Timeout cannot be negative.", 30},
                  {"-99999999999999999999", "Timeout cannot be negative.", 30},
                  {"4x", "Timeout must be numeric.", 30},
                  {"", "Timeout is required.", 30}};
  for (const auto& timeout : timeouts) {
    const dialogs::TimeoutReading reading = dialogs::ReadTimeoutText(timeout.text);
    EXPECT_EQ(reading.error, timeout.error) << timeout.text;
    if (reading.error.empty()) {
      EXPECT_EQ(reading.seconds, timeout.seconds) << timeout.text;
    }
  }
  EXPECT_EQ(dialogs::RollupPositions("2;1", 3), std::make_pair(2, 1));
  EXPECT_EQ(dialogs::RollupPositions("2", 3), std::make_pair(2, 0));
  EXPECT_EQ(dialogs::RollupPositions("-1;3", 3), std::make_pair(0, 0));
  EXPECT_EQ(dialogs::RollupPositions("x;1x", 3), std::make_pair(0, 0));
}

}  // namespace
}  // namespace setuptest

#endif  // STANDIN_ORACLE_HOME
