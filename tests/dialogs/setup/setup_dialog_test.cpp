#include "setup_fixture.h"

#include <QComboBox>
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

// A check step: the drop-down shows `text`, as its chosen entry or, with
// none chosen, as the stored value it stands for.
std::function<QString(QDialog&)> ComboShows(const char* name, QString text) {
  return [=](QDialog& dialog) {
    const auto* combo = dialog.findChild<QComboBox*>(name);
    const QString shown =
        combo->currentIndex() < 0 ? "(" + combo->placeholderText() + ")" : combo->currentText();
    return shown == text ? QString() : QString("%1 shows %2").arg(name, shown);
  };
}

// A drop-down takes the entry a sale takes its stored value for (the
// loyalty ID by the attribute a sale reads, the bar-code type and the other
// field settings trimmed and in any case), shows a value no entry stands
// for as it stands, and keeps the stored text unless another entry is
// chosen.
TEST_F(SetupDialogTest, DropDownsKeepStoredValuesUnlessChanged) {
  constexpr const char* kStored =
      "[MAIN]\nLoyalField=udf5\nLoyalAttr=UDF 5 Value\nBCType=code128\n"
      "CustNoUpdateField=UDF9\nLoyaltyStatusField=udf6\nLoyaltyTrackingDateField=Info1\n"
      "EmailOptInField=allow email\n";
  const struct {
    const char* name;
    std::function<void(ScriptedUser&)> steps;
    std::vector<std::string> lines;
  } cases[] = {
      {"untouched",
       [](ScriptedUser& user) {
         user.Check(ComboShows("cboLoyalty", "UDF5"))
             .Check(ComboShows("cboBarCode", "Code128"))
             .Check(ComboShows("cboCustNoUpdateField", "(UDF9)"))
             .Check(ComboShows("cboLoyaltyStatusField", "UDF6"))
             .Check(ComboShows("cboEmailOptInField", "Allow Email"));
       },
       {"LoyalField=udf5", "LoyalAttr=UDF 5 Value", "BCType=code128", "CustNoUpdateField=UDF9",
        "LoyaltyStatusField=udf6", "EmailOptInField=allow email"}},
      {"changed",
       [](ScriptedUser& user) {
         user.Choose("cboLoyalty", "UDF7")
             .Choose("cboBarCode", "None")
             .Choose("cboCustNoUpdateField", "Notes")
             .SelectTab("Loyalty Tracking")
             .Choose("cboLoyaltyStatusField", "UDF5");
       },
       {"LoyalField=UDF7", "LoyalAttr=UDF 7 Value", "BCType=None", "CustNoUpdateField=Notes",
        "LoyaltyStatusField=UDF5", "LoyaltyTrackingDateField=Info1"}},
      {"changed and chosen back",
       [](ScriptedUser& user) {
         user.Choose("cboLoyalty", "UDF7")
             .Choose("cboLoyalty", "UDF5")
             .Check(ComboShows("cboCustNoUpdateField", "(UDF9)"));
       },
       {"LoyalField=udf5", "LoyalAttr=UDF 5 Value", "CustNoUpdateField=UDF9"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Write(MainIni(), kStored);
    ScriptedUser user;
    user.WaitForDialog("TfrmMainSetup");
    c.steps(user);
    user.Press("btnExit").WaitForClose();
    RunSetup(user);
    for (const std::string& line : c.lines) EXPECT_TRUE(HasLine(MainIni(), line)) << line;
  }
}

// The database names a card or a department twice, once with a trailing
// blank or in lower case: a sale takes both for one, and the lists show one
// row for it.
TEST_F(SetupDialogTest, NamesASaleTakesForOneAreOneRow) {
  {
    auto session = NewSession();
    oracle::RunSessionSQL(*session, "insert into invc_tender values (7004, 2, 1, 3, 'VISA ')");
    oracle::RunSessionSQL(*session, "insert into dcs values (1, 'app', 'Apparel', 1)");
    session->Commit();
  }
  Write(MainIni(), "[CARDS]\nVISA=Visa\n");
  ScriptedUser user;
  user.WaitForDialog("TfrmMainSetup")
      .Check(ColumnIs("lsvC", 0, {"AMEX", "DISCOVER", "MASTERCARD", "VISA"}))
      .Check(ColumnIs("lsvC", 1, {"", "", "", "Visa"}))
      .Check(ColumnIs("grdCategories", 0, {"APP", "FOO"}))
      .Press("btnExit")
      .WaitForClose();
  RunSetup(user);
}

// One host field stored for two purposes (a file edited by hand): both
// drop-downs show it and keep it.
TEST_F(SetupDialogTest, FieldStoredForTwoPurposesStaysInBoth) {
  Write(MainIni(), "[MAIN]\nLoyalField=UDF5\nLoyalAttr=UDF 5 Value\nLoyaltyStatusField=UDF5\n");
  ScriptedUser user;
  user.WaitForDialog("TfrmMainSetup")
      .Check(ComboShows("cboLoyalty", "UDF5"))
      .Check(ComboShows("cboLoyaltyStatusField", "UDF5"))
      .Press("btnExit")
      .WaitForClose();
  RunSetup(user);
  EXPECT_TRUE(HasLine(MainIni(), "LoyalField=UDF5"));
  EXPECT_TRUE(HasLine(MainIni(), "LoyaltyStatusField=UDF5"));
}

// Filling an empty roll-up row shifts the drop-down's positions: the
// departments keep the categories they showed, stored at their new
// positions.
TEST_F(SetupDialogTest, FillingAnEmptyRollupKeepsTheDepartmentsCategories) {
  Write(MainIni(),
        "[CATEGORIES]\nCAT1=SHOES\nCAT2=\nCAT3=HATS\n[PRODUCTCATEGORIES]\nAPP=1;2\nFOO=2;0\n");
  ScriptedUser user;
  user.WaitForDialog("TfrmMainSetup")
      .SelectTab("Items")
      .FillCell("grdRollupCategories", 1, 0, " bags ")
      .SelectCell("grdCategories", 0, 0)
      .Check(ColumnIs("grdCategories", 1, {"SHOES", "HATS"}))
      .Check(ColumnIs("grdCategories", 2, {"HATS", ""}))
      .Press("btnExit")
      .WaitForClose();
  RunSetup(user);
  EXPECT_TRUE(HasLine(MainIni(), "CAT2=BAGS"));
  EXPECT_TRUE(HasLine(MainIni(), "APP=1;3"));
  EXPECT_TRUE(HasLine(MainIni(), "FOO=3;0"));
}

TEST(SetupValues, RollupLinesKeepWhatTheGridDidNotChange) {
  using Rows = std::vector<dialogs::RollupRow>;
  using Lines = std::vector<std::string>;
  // The drop-down list "", SHOES, BAGS, HATS, SHOES, unchanged since the
  // lines were read.
  const int entries = 5;
  const std::vector<int> unmoved = {0, 1, 2, 3, 4};
  const struct {
    const char* name;
    Lines stored;
    Rows rows;  // code and the positions its columns show
    Lines expected;
  } cases[] = {
      {"lines as a sale reads them, codes no row shows",
       {"app=1;2", "ZZZ=2;1", "OLD=1;1", " FOO = 2 ; 0 "},
       {{"APP", 1, 2}, {"FOO", 2, 0}},
       {"app=1;2", "ZZZ=2;1", "OLD=1;1", " FOO = 2 ; 0 "}},
      {"one position, a name listed twice",
       {"APP=2", "FOO=4;0"},
       {{"APP", 2, 0}, {"FOO", 4, 0}},
       {"APP=2", "FOO=4;0"}},
      {"changed under the stored name, later line of the code goes",
       {"app=1;2", "APP=3;3", "ZZZ=2;1"},
       {{"APP", 3, 0}},
       {"app=3;0", "ZZZ=2;1"}},
      {"later line of an unchanged code stays",
       {"app=1;2", "APP=3;3"},
       {{"APP", 1, 2}},
       {"app=1;2", "APP=3;3"}},
      {"a category taken off a row",
       {"APP=2;3", "FOO=3;0"},
       {{"APP", 0, 3}, {"FOO", 3, 0}},
       {"APP=0;3", "FOO=3;0"}},
      {"positions naming no category are written as shown",
       {"APP=1;9", "FOO=-1;x"},
       {{"APP", 1, 0}, {"FOO", 0, 0}},
       {"APP=1;0", "FOO=0;0"}},
      {"rows without a line at the end",
       {"OLD=1;1"},
       {{"APP", 0, 0}, {"FOO", 2, 3}},
       {"OLD=1;1", "APP=0;0", "FOO=2;3"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(dialogs::MergeRollupLines(c.stored, c.rows, unmoved, entries), c.expected) << c.name;
  }
  EXPECT_EQ(dialogs::RollupPositions(" 2 ; 1 ", 3), std::make_pair(2, 1));
  EXPECT_EQ(dialogs::DistinctNames({"VISA", "AMEX", "VISA ", "visa", "Amex"}),
            (Lines{"VISA", "AMEX"}));
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
