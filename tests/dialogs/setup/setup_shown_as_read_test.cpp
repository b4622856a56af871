// The setup dialog shows what a sale reads and keeps what the administrator
// did not change: code-page text, and the roll-ups of each department
// followed by the roll-up grid row they stand for.

#include <QLineEdit>
#include <QTableWidget>
#include <string>
#include <vector>

#include "foundation/helpers_text.h"
#include "foundation/prefs_io.h"
#include "foundation/prefs_paths.h"
#include "foundation/prefs_records.h"
#include "setup_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace setuptest {
namespace {

using testsupport::ScriptedUser;

// A check step: the text a control of the dialog shows, a line edit or a
// grid cell ("grid:row:column").
std::function<QString(QDialog&)> Shows(const char* name, const QString& expected, int row = -1,
                                       int column = 0) {
  return [=](QDialog& dialog) {
    QString shown;
    if (row < 0) {
      shown = dialog.findChild<QLineEdit*>(name)->text();
    } else if (const QTableWidgetItem* item =
                   dialog.findChild<QTableWidget*>(name)->item(row, column)) {
      shown = item->text();
    }
    return shown == expected ? QString() : QString("%1 shows [%2]").arg(name, shown);
  };
}

// Bytes of a till's code page shown as a sale reads them (the receipt
// carries "Café"), with roll-up names upper-cased as a sale does (ASCII
// letters only); a changed text is stored in UTF-8, which a sale reads
// alike, and the texts left alone keep their bytes.
TEST_F(SetupDialogTest, CodePageTextIsShownAsASaleReadsIt) {
  Write(MainIni(),
        "[MAIN]\nMerchID=M-\xE9\n[CATEGORIES]\nEnableAdvancedCategorization=1\n"
        "CAT1=caf\xE9\n[PRODUCTCATEGORIES]\nAPP=1;0\n");
  Write(Settings() / "VeskStore.ini", "[STORE]\nName=Caf\xE9 M\xFCller\nCity=K\xF6ln\n");
  ScriptedUser user;
  user.WaitForDialog("TfrmMainSetup")
      .Check(Shows("edtMerchID", QString::fromUtf8("M-\xC3\xA9")))
      .Check(Shows("edtStoreName", QString::fromUtf8("Caf\xC3\xA9 M\xC3\xBCller")))
      .Check(Shows("grdCategories", QString::fromUtf8("CAF\xC3\xA9"), 0, 1))
      .SelectTab("Store Information")
      .Fill("edtStoreCity", QString::fromUtf8("K\xC3\xB6ln-M\xC3\xBClheim"))
      .Press("btnExit")
      .WaitForClose();
  RunSetup(user);
  EXPECT_TRUE(HasLine(Settings() / "VeskStore.ini", "Name=Caf\xE9 M\xFCller"));
  EXPECT_TRUE(HasLine(Settings() / "VeskStore.ini", "City=K\xC3\xB6ln-M\xC3\xBClheim"));
  EXPECT_TRUE(HasLine(MainIni(), "MerchID=M-\xE9"));
  EXPECT_TRUE(HasLine(MainIni(), "CAT1=caf\xE9"));
  foundation::ReadStorePrefs(foundation::StoreSettingsFile());
  EXPECT_EQ(foundation::XmlEscape(foundation::StorePrefs.City), "K&#246;ln-M&#252;lheim");
}

// Without the database the lists show the stored card names and department
// codes; names in a code page find their own lines again at "Done" (no
// second line for them in UTF-8).
TEST_F(SetupDialogTest, CodePageNamesWithoutTheDatabaseKeepTheirLines) {
  const std::string text =
      "[CARDS]\nCART\xC9=Visa\n[CATEGORIES]\nCAT1=SHOES\n[PRODUCTCATEGORIES]\nD\xC9P=1;0\n";
  Write(MainIni(), text);
  FailNextCall(1017, "invalid username/password; logon denied");
  ScriptedUser user;
  ExpectMessage(user, "Cannot connect to RPro: ", true);
  user.SelectTab("Items")
      .Check(Shows("grdCategories", QString::fromUtf8("D\xC3\x89P"), 0, 0))
      .Check(Shows("grdCategories", "SHOES", 0, 1))
      .SelectTab("Card Types")
      .SelectRow("lsvC", "0")
      .Choose("cboVeskCT", "Amex")
      .Press("btnAddCardType")
      .Press("btnExit")
      .WaitForClose();
  RunSetup(user);
  EXPECT_TRUE(HasLine(MainIni(), "CART\xC9=Amex")) << Read(MainIni());
  EXPECT_FALSE(HasLine(MainIni(), "CART\xC3\x89=Visa"));
  EXPECT_FALSE(HasLine(MainIni(), "CART\xC9=Visa"));
  EXPECT_TRUE(HasLine(MainIni(), "D\xC9P=1;0"));
  EXPECT_FALSE(HasLine(MainIni(), "D\xC3\x89P=1;0"));
}

// Each department cell follows the roll-up grid row it stands for, not the
// first row showing its name, through visits of the cell and of the
// roll-up grid; a row emptied and filled again later is a new roll-up that
// only a department given it afterwards has.
TEST_F(SetupDialogTest, DepartmentCellsFollowTheirRollupRow) {
  const struct {
    const char* name;
    const char* categories;
    const char* lines;
    std::function<void(ScriptedUser&)> steps;
    std::vector<std::string> expected;
  } cases[] = {
      {"the second of two like names, its cell visited, the first renamed",
       "CAT1=SHOES\nCAT2=SHOES\n",
       "APP=2;0\nFOO=1;0\n",
       [](ScriptedUser& user) {
         user.SelectCell("grdCategories", 0, 1)
             .SelectCell("grdCategories", 0, 0)
             .FillCell("grdRollupCategories", 0, 0, "BOOTS")
             .SelectCell("grdCategories", 0, 0)
             .Check(Shows("grdCategories", "SHOES", 0, 1))
             .Check(Shows("grdCategories", "BOOTS", 1, 1));
       },
       {"APP=2;0", "FOO=1;0", "CAT1=BOOTS"}},
      {"emptied, then filled in a later visit",
       "CAT1=SHOES\nCAT2=BAGS\nCAT3=HATS\n",
       "APP=2;3\nZZZ=2;1\n",
       [](ScriptedUser& user) {
         user.FillCell("grdRollupCategories", 1, 0, "")
             .SelectCell("grdCategories", 0, 0)
             .FillCell("grdRollupCategories", 1, 0, "BELTS")
             .SelectCell("grdCategories", 0, 0)
             .Check(Shows("grdCategories", "", 0, 1));
       },
       {"APP=0;3", "ZZZ=0;1", "CAT2=BELTS"}},
      {"the filled row chosen for a department afterwards",
       "CAT1=SHOES\nCAT2=BAGS\nCAT3=HATS\n",
       "APP=2;3\n",
       [](ScriptedUser& user) {
         user.FillCell("grdRollupCategories", 1, 0, "")
             .SelectCell("grdCategories", 0, 0)
             .FillCell("grdRollupCategories", 1, 0, "BELTS")
             .SelectCell("grdCategories", 0, 1)
             .Choose("cbxRollupCategory", "BELTS")
             .SelectCell("grdCategories", 0, 0)
             .FillCell("grdRollupCategories", 0, 0, "BOOTS")
             .SelectCell("grdCategories", 0, 0)
             .Check(Shows("grdCategories", "BELTS", 0, 1));
       },
       {"APP=2;3", "CAT1=BOOTS", "CAT2=BELTS"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Write(MainIni(), std::string("[CATEGORIES]\nEnableAdvancedCategorization=1\n") + c.categories +
                         "[PRODUCTCATEGORIES]\n" + c.lines);
    ScriptedUser user;
    user.WaitForDialog("TfrmMainSetup").SelectTab("Items");
    c.steps(user);
    user.Press("btnExit").WaitForClose();
    RunSetup(user);
    for (const std::string& line : c.expected) {
      EXPECT_TRUE(HasLine(MainIni(), line)) << line << " in\n" << Read(MainIni());
    }
  }
}

}  // namespace
}  // namespace setuptest

#endif  // STANDIN_ORACLE_HOME
