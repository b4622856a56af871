#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableWidget>
#include <QTreeWidget>
#include <stdexcept>

#include "dialogs/main_setup.h"
#include "dialogs/setup_database.h"
#include "oracle/session/session.h"
#include "oracle/session/session_sql.h"
#include "setup_fixture.h"

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

std::function<QString(QDialog&)> EditIs(const char* name, QString expected) {
  return [=](QDialog& dialog) {
    const QString shown = dialog.findChild<QLineEdit*>(name)->text();
    return shown == expected ? QString() : QString("%1 shows \"%2\"").arg(name, shown);
  };
}

TEST_F(SetupDialogTest, EveryPageEditedAndDoneWritesEveryValue) {
  Write(MainIni(), kSettings);
  ScriptedUser user;
  user.WaitForDialog("TfrmMainSetup")
      .Check(ColumnIs("lsvC", 0, {"AMEX", "DISCOVER", "MASTERCARD", "VISA"}))
      .Check(ColumnIs("lsvC", 1, {"", "", "", "Visa"}))
      .Check(ColumnIs("grdCategories", 0, {"APP", "FOO"}))
      .Check(ColumnIs("grdCategories", 1, {"SHOES", ""}))
      .Check(ColumnIs("grdCategories", 2, {"BAGS", ""}))
      .Check(EditIs("edtURL", "https://test.example/WS/M-1"))
      // Test -> Production -> Test keeps both addresses.
      .Tick("rdbProduction")
      .Fill("edtURL", "https://prod.example/WS/M-2")
      .Tick("rdbTest")
      .Check(EditIs("edtURL", "https://test.example/WS/M-1"))
      .Tick("rdbProduction")
      .Check(EditIs("edtURL", "https://prod.example/WS/M-2"))
      .Fill("edtMerchID", "M-2")
      .Fill("edtTimeout", "45")
      .Choose("cboLoyalty", "UDF5")
      .Check([](QDialog& dialog) {
        for (const char* other :
             {"cboLoyaltyStatusField", "cboEmailOptInField", "cboCustNoUpdateField"}) {
          if (dialog.findChild<QComboBox*>(other)->findText("UDF5") >= 0) {
            return QString("%1 still offers UDF5").arg(other);
          }
        }
        return QString();
      })
      .Choose("cboBarCode", "EAN13")
      .Tick("chkSaveEmail")
      .Fill("edtQueueServiceInterval", "120")
      .Grab(Shot("setup_general"))
      .SelectTab("Store Information")
      .Fill("edtStoreName", "Harbour & Co")
      .Grab(Shot("setup_store"))
      .SelectTab("Card Types")
      .SelectRow("lsvC", "amex")
      .Choose("cboVeskCT", "Amex")
      .Press("btnAddCardType")
      .SelectRow("lsvC", "3")
      .Press("btnDeleteCardType")
      .Check(ColumnIs("lsvC", 1, {"Amex", "", "", ""}))
      .Grab(Shot("setup_card_types"))
      .SelectTab("Email Providers")
      .FillCell("stgEM", 0, 0, "mail.example")
      .Grab(Shot("setup_email_providers"))
      .SelectTab("Loyalty Tracking")
      .Choose("cboLoyaltyStatusField", "Info1")
      .Tick("chkEnableLoyaltyTracking")
      .Grab(Shot("setup_loyalty"))
      .SelectTab("Workstation")
      .Tick("chkDefaultEFTReceiptPrintingOn", false)
      .Grab(Shot("setup_workstation"))
      .SelectTab("Items")
      // Renaming a roll-up renames it in every DCS row that showed it.
      .FillCell("grdRollupCategories", 1, 0, " luggage ")
      .SelectCell("grdCategories", 1, 1)
      .Choose("cbxRollupCategory", "SHOES")
      .Check(ColumnIs("grdCategories", 1, {"SHOES", "SHOES"}))
      .Check(ColumnIs("grdCategories", 2, {"LUGGAGE", ""}))
      .Grab(Shot("setup_items"))
      .Press("btnExit")
      .WaitForClose();
  RunSetup(user);

  for (const char* line : {"ProdURL=https://prod.example/WS/M-2",
                           "TestURL=https://test.example/WS/M-1",
                           "URLType=P",
                           "MerchID=M-2",
                           "Timeout=45",
                           "LoyalField=UDF5",
                           "LoyalAttr=UDF 5 Value",
                           "BCType=EAN13",
                           "SaveEmail=1",
                           "Interval=120",
                           "LoyaltyStatusField=Info1",
                           "EnableLoyaltyTracking=1",
                           "AMEX=Amex",
                           "CAT1=SHOES",
                           "CAT2=LUGGAGE",
                           "APP=1;2",
                           "FOO=1;0",
                           "Unknown=stays",
                           "; kept comment",
                           "[EXTRA]",
                           "Key=value"}) {
    EXPECT_TRUE(HasLine(MainIni(), line)) << line << "\n" << Read(MainIni());
  }
  EXPECT_FALSE(HasLine(MainIni(), "VISA=Visa")) << "a cleared card type leaves CARDS";
  EXPECT_TRUE(HasLine(EmailList(), "mail.example"));
  EXPECT_TRUE(HasLine(StoreIni(), "Name=Harbour & Co"));
  EXPECT_TRUE(HasLine(WorkstationIni(), "DefaultEFTReceiptPrintingOn=0"));
}

// What a refused "Done" shows; the dialog stays open and no file changes.
struct RefusedCase {
  const char* timeout;
  bool optInWithoutField;
  const char* message;
};

TEST_F(SetupDialogTest, RefusedInputKeepsTheDialogOpenAndTheFilesUnchanged) {
  Write(MainIni(), kSettings);
  const RefusedCase cases[] = {
      {"-1", false, "Timeout cannot be negative."},
      {"abc", false, "Timeout must be numeric."},
      {"", false, "Timeout is required."},
      {"30", true,
       "You must select the \"Email Opt-in Field\" when the opt-in option is checked."}};
  for (const RefusedCase& refused : cases) {
    SCOPED_TRACE(refused.message);
    ScriptedUser user;
    user.WaitForDialog("TfrmMainSetup").Fill("edtTimeout", refused.timeout);
    if (refused.optInWithoutField) {
      user.Tick("chkPromptForEmailMarketingOptIn").Choose("cboEmailOptInField", "None");
    }
    user.Press("btnExit");
    ExpectMessage(user, refused.message);
    user.CloseBox().WaitForClose();
    RunSetup(user);
    EXPECT_EQ(Read(MainIni()), kSettings);
    EXPECT_FALSE(fs::exists(StoreIni()));
    EXPECT_FALSE(fs::exists(WorkstationIni()));
  }
}

// How the dialog fills its lists from a database in some state.
struct DatabaseCase {
  const char* name;
  const char* change;   // run on the database copy first; empty: none
  bool unreachable;     // the logon fails
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
       false,
       "",
       allCards,
       {"APP", "FOO", "ZZZ"}},
      {"no DCS table", "drop table dcs", false,
       "Unable to query the host database for DCS information: EOracleError: ORA-", allCards,
       stored},
      {"unreachable",
       "",
       true,
       "Cannot connect to RPro: Logon Ex: ORA-12541: TNS:no listener",
       {"VISA"},
       stored}};
  for (const DatabaseCase& state : cases) {
    SCOPED_TRACE(state.name);
    Write(MainIni(), kSettings);
    if (*state.change != '\0') {
      auto session = NewSession();
      oracle::RunSessionSQL(*session, state.change);
      session->Commit();
    }
    dialogs::SetHostSessionOpener({});
    if (state.unreachable) {
      dialogs::SetHostSessionOpener([]() -> std::unique_ptr<oracle::TOracleSession> {
        throw std::runtime_error("ORA-12541: TNS:no listener");
      });
    }
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

TEST_F(SetupDialogTest, AFailedWriteNamesTheFilesAndKeepsTheDialogOpen) {
  Write(MainIni(), kSettings);
  const fs::path moved = host_ / "VeskRcpts.kept";
  ScriptedUser user;
  user.WaitForDialog("TfrmMainSetup")
      .Check([&](QDialog&) {
        // A file where the settings folder was: nothing can be written
        // there, whoever runs the test.
        fs::rename(Settings(), moved);
        Write(Settings(), "");
        return QString();
      })
      .Press("btnExit")
      .WaitForDialog("TfrmDispMess")
      .Check([](QDialog& dialog) {
        const QString shown = dialog.findChild<QLabel*>("lblMess")->text();
        return shown.startsWith("Workstation preferences could not be written: ")
                   ? QString()
                   : "the first message reads " + shown;
      })
      .Press("btnOK")
      .WaitForDialog("TfrmDispMess")
      .Check([&](QDialog& dialog) {
        const QString shown = dialog.findChild<QLabel*>("lblMess")->text();
        for (const fs::path& file : {MainIni(), StoreIni()}) {
          if (!shown.contains(QString::fromStdString(file.filename().string()))) {
            return QString("the message \"%1\" does not name %2").arg(shown).arg(file.c_str());
          }
        }
        return QString();
      })
      .Grab(Shot("setup_write_failure"))
      .Press("btnOK")
      .WaitForDialog("TfrmMainSetup")
      .CloseBox()
      .WaitForClose();
  RunSetup(user);
  EXPECT_EQ(Read(moved / "VeskMain.ini"), kSettings);
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
