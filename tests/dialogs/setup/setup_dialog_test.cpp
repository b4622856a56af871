#include "setup_fixture.h"

#include <QLabel>
#include <QTableWidget>
#include <QTreeWidget>

#include "dialogs/main_setup.h"
#include "dialogs/up_down_edit.h"
#include "foundation/prefs_records.h"
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

// The card row of a stored line named in another case shows its type; a
// seventh mail domain can be edited; and "Done" makes the address of the kind
// it saves the one in use at once.
TEST_F(SetupDialogTest, StoredValuesAreShownAndKept) {
  Write(MainIni(),
        "[MAIN]\nProdURL=https://prod.example/WS/M-1\nTestURL=https://test.example/WS/M-1\n"
        "URLType=P\n[CARDS]\nVisa=Visa\n");
  Write(Settings() / "VeskMain.dat", "a.ex\nb.ex\nc.ex\nd.ex\ne.ex\nf.ex\ng.ex\n");
  ScriptedUser user;
  user.WaitForDialog("TfrmMainSetup")
      .Check(ColumnIs("lsvC", 1, {"", "", "", "Visa"}))
      .SelectTab("Email Providers")
      .FillCell("stgEM", 6, 0, "h.ex")
      .SelectTab("General")
      .Tick("rdbTest")
      .Press("btnExit")
      .WaitForClose();
  RunSetup(user);
  EXPECT_EQ(foundation::MainPrefs.URL, "https://test.example/WS/M-1");
  EXPECT_TRUE(HasLine(MainIni(), "URLType=T"));
  EXPECT_TRUE(HasLine(MainIni(), "Visa=Visa"));
  EXPECT_EQ(Read(Settings() / "VeskMain.dat"), "a.ex\nb.ex\nc.ex\nd.ex\ne.ex\nf.ex\nh.ex\n");
}

TEST(SetupValues, CardLinesKeepWhatTheListDidNotChange) {
  using Rows = std::vector<dialogs::CardTypeRow>;
  using Lines = std::vector<std::string>;
  const struct {
    const char* name;
    Lines stored;
    Rows rows;  // name, type, type shown at first
    Lines expected;
  } cases[] = {
      {"another case, untouched",
       {"Visa=Visa"},
       {{"VISA", "Visa", "Visa"}, {"AMEX", "", ""}},
       {"Visa=Visa"}},
      {"card no row shows",
       {"OLD=Fleet", "VISA=Visa"},
       {{"VISA", "Visa", "Visa"}},
       {"OLD=Fleet", "VISA=Visa"}},
      {"changed under the stored name",
       {"Visa=Visa", "AMEX=Amex"},
       {{"AMEX", "Amex", "Amex"}, {"VISA", "Fleet", "Visa"}},
       {"Visa=Fleet", "AMEX=Amex"}},
      {"cleared",
       {"Visa=Visa", "AMEX=Amex"},
       {{"VISA", "", "Visa"}, {"AMEX", "Amex", "Amex"}},
       {"AMEX=Amex"}},
      {"second line of a card, untouched",
       {"VISA=Visa", "visa=Fleet"},
       {{"VISA", "Visa", "Visa"}},
       {"VISA=Visa", "visa=Fleet"}},
      {"second line of a changed card",
       {"VISA=Visa", "visa=Fleet"},
       {{"VISA", "Amex", "Visa"}},
       {"VISA=Amex"}},
      {"new rows at the end",
       {"OLD=Fleet"},
       {{"AMEX", "", ""}, {"VISA", "Visa", ""}, {"DISCOVER", "DiscoverCard", ""}},
       {"OLD=Fleet", "VISA=Visa", "DISCOVER=DiscoverCard"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(dialogs::MergeCardLines(c.stored, c.rows), c.expected) << c.name;
  }
  const Lines cards = {"Visa=Visa", "VISA=Amex", "AMEX="};
  EXPECT_EQ(dialogs::StoredCardType(cards, "VISA"), "Visa");
  EXPECT_EQ(dialogs::StoredCardType(cards, " visa "), "Visa");
  EXPECT_EQ(dialogs::StoredCardType(cards, "AMEX"), "");
  EXPECT_EQ(dialogs::StoredCardType(cards, "MASTERCARD"), "");
}

TEST(SetupValues, UpDownStepsOnlyWithinItsLimits) {
  const struct {
    int lowest, highest, value, steps, expected;
  } cases[] = {
      {30, 86400, 10, 1, 30},
      {30, 86400, 10, -1, 10},
      {30, 86400, 86395, 10, 86400},
      {30, 86400, 90000, 1, 90000},
      {30, 86400, 90000, -1, 86400},
      {0, 9, 12, -1, 9},
      {0, 9, 12, 1, 12},
      {0, 9, 5, 1, 6},
      {0, 9, 0, -1, 0},
      {0, 9, -3, 1, 0},
  };
  for (const auto& c : cases) {
    dialogs::TUpDownEdit edit(c.lowest, c.highest);
    edit.setValue(c.value);
    EXPECT_EQ(edit.value(), c.value) << "any integer stands in the edit";
    edit.stepBy(c.steps);
    EXPECT_EQ(edit.value(), c.expected) << c.value << " stepped by " << c.steps;
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
