// The setup dialog used as an administrator uses it over a day: "Done"
// pressed again after a write failed, drop-downs over field settings the
// till reads in their own way, and code-page text in every text setting.

#include <QComboBox>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "foundation/prefs_io.h"
#include "foundation/prefs_paths.h"
#include "foundation/prefs_records.h"
#include "setup_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace setuptest {
namespace {

using testsupport::ScriptedUser;

// The entries a drop-down offers now.
QStringList Entries(QDialog& dialog, const char* name) {
  QStringList entries;
  const auto* combo = dialog.findChild<QComboBox*>(name);
  for (int i = 0; i < combo->count(); ++i) entries << combo->itemText(i);
  return entries;
}

// A write that fails (the store settings file is read-only), the
// administrator mends it and presses "Done" again: the second "Done" must
// write what the first would have written. The roll-up BAGS was emptied, so
// HATS moved from the third place to the second; the lines of departments
// the grid does not list (ZZZ of the other subsidiary, OLD, inactive) must
// name HATS and SHOES as before, not be moved a second time.
TEST_F(SetupDialogTest, DoneAgainAfterAFailedWriteWritesWhatTheFirstWould) {
  Write(MainIni(),
        "[CATEGORIES]\nEnableAdvancedCategorization=1\nCAT1=SHOES\nCAT2=BAGS\nCAT3=HATS\n"
        "[PRODUCTCATEGORIES]\nAPP=2;3\nZZZ=3;1\nOLD=1;3\n");
  // The store settings file made read-only (no write bit): the write of it
  // fails, the main settings file is written.
  const fs::path store = Settings() / "VeskStore.ini";
  Write(store, "[STORE]\nName=Main Street\n");
  fs::permissions(store, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  ScriptedUser user;
  user.WaitForDialog("TfrmMainSetup")
      .SelectTab("Items")
      .FillCell("grdRollupCategories", 1, 0, "")
      .SelectCell("grdCategories", 0, 0)
      .Press("btnExit");
  ExpectMessage(user, "The settings could not be saved to:", true);
  user.Check([store](QDialog&) {
        std::error_code error;
        fs::permissions(store, fs::perms::owner_write, fs::perm_options::add, error);
        return error ? QString("the file stays read-only") : QString();
      })
      .Press("btnExit")
      .WaitForClose();
  RunSetup(user);
  EXPECT_TRUE(HasLine(MainIni(), "CAT2=")) << Read(MainIni());
  EXPECT_TRUE(HasLine(MainIni(), "APP=0;2")) << Read(MainIni());
  EXPECT_TRUE(HasLine(MainIni(), "ZZZ=2;1")) << Read(MainIni());
  EXPECT_TRUE(HasLine(MainIni(), "OLD=1;2")) << Read(MainIni());
}

// After a "Done" whose write failed (the store settings file is read-only;
// the main settings file was written), the administrator changes his mind,
// puts a control back to what it showed when the dialog opened, mends the
// file and presses "Done" again: the files must hold what the dialog shows.
TEST_F(SetupDialogTest, ControlPutBackAfterAFailedWriteIsWrittenAsShown) {
  const struct {
    const char* name;
    std::function<void(ScriptedUser&)> change;
    std::function<void(ScriptedUser&)> putBack;
    const char* line;
  } cases[] = {
      {"bar-code type", [](ScriptedUser& user) { user.Choose("cboBarCode", "GTIN"); },
       [](ScriptedUser& user) { user.Choose("cboBarCode", "Code128"); }, "BCType=Code128"},
      {"loyalty status field",
       [](ScriptedUser& user) {
         user.SelectTab("Loyalty Tracking").Choose("cboLoyaltyStatusField", "Info2");
       },
       [](ScriptedUser& user) {
         user.SelectTab("Loyalty Tracking").Choose("cboLoyaltyStatusField", "None");
       },
       "LoyaltyStatusField=None"},
      {"card type",
       [](ScriptedUser& user) {
         user.SelectTab("Card Types")
             .SelectRow("lsvC", "VISA")
             .Choose("cboVeskCT", "Amex")
             .Press("btnAddCardType");
       },
       [](ScriptedUser& user) {
         user.SelectTab("Card Types")
             .SelectRow("lsvC", "VISA")
             .Choose("cboVeskCT", "Visa")
             .Press("btnAddCardType");
       },
       "VISA=Visa"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Write(MainIni(),
          "[MAIN]\nURLType=P\nBCType=Code128\nLoyaltyStatusField=None\n[CARDS]\nVISA=Visa\n");
    const fs::path store = Settings() / "VeskStore.ini";
    Write(store, "[STORE]\nName=Main Street\n");
    fs::permissions(store, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ScriptedUser user;
    user.WaitForDialog("TfrmMainSetup");
    c.change(user);
    user.Press("btnExit");
    ExpectMessage(user, "The settings could not be saved to:", true);
    c.putBack(user);
    user.Check([store](QDialog&) {
          std::error_code error;
          fs::permissions(store, fs::perms::owner_write, fs::perm_options::add, error);
          return error ? QString("the file stays read-only") : QString();
        })
        .Press("btnExit")
        .WaitForClose();
    RunSetup(user);
    EXPECT_TRUE(HasLine(MainIni(), c.line)) << Read(MainIni());
  }
}

// Each customer-field drop-down over a value written by hand: where the
// till takes the value for one of the setup's entries, the drop-down shows
// that entry and the other drop-downs do not offer it (one host field, one
// purpose); where the till takes it for none, it is shown as it stands.
// "Done" with nothing changed keeps the value as written.
TEST_F(SetupDialogTest, FieldDropDownsShowWhatTheTillTakes) {
  const struct {
    const char* name;
    const char* lines;  // [MAIN] lines as written by hand
    const char* combo;
    const char* shown;       // the entry chosen; "(text)" shown as it stands
    const char* otherCombo;  // a drop-down that must not offer `taken`
    const char* taken;       // the entry the till uses; empty: none
  } cases[] = {
      // The till reads the no-update mark from "UDF <fourth character>
      // Value" whatever the case of "udf".
      {"no-update field in lower case", "CustNoUpdateField=udf5", "cboCustNoUpdateField", "UDF5",
       "cboLoyaltyStatusField", "UDF5"},
      {"no-update field in mixed case", "CustNoUpdateField=Udf7", "cboCustNoUpdateField", "UDF7",
       "cboEmailOptInField", "UDF7"},
      {"no-update field as written", "CustNoUpdateField=UDF5", "cboCustNoUpdateField", "UDF5",
       "cboLoyaltyStatusField", "UDF5"},
      {"no-update text field in lower case", "CustNoUpdateField=info1", "cboCustNoUpdateField",
       "Info1", "cboLoyaltyStatusField", "Info1"},
      // The host finds the attribute the loyalty card number is read from
      // whatever its case, and the sale sends the number.
      {"loyalty ID attribute in lower case", "LoyalField=UDF5\nLoyalAttr=udf 5 value", "cboLoyalty",
       "UDF5", "cboCustNoUpdateField", "UDF5"},
      {"loyalty ID field in lower case", "LoyalField=udf6\nLoyalAttr=UDF 6 Value", "cboLoyalty",
       "UDF6", "cboLoyaltyStatusField", "UDF6"},
      // Every customer-field setting is read trimmed and in any case.
      {"loyalty status in lower case", "LoyaltyStatusField=udf5", "cboLoyaltyStatusField", "UDF5",
       "cboCustNoUpdateField", "UDF5"},
      {"tracking date as written", "LoyaltyTrackingDateField=Address6",
       "cboLoyaltyTrackingDateField", "Address6", "", ""},
      {"tracking date in upper case", "LoyaltyTrackingDateField=INFO2",
       "cboLoyaltyTrackingDateField", "Info2", "cboCustNoUpdateField", "Info2"},
      {"opt-in field in another case with blanks", "EmailOptInField=' udf6 '", "cboEmailOptInField",
       "UDF6", "cboLoyalty", "UDF6"},
      {"bar-code type in another case", "BCType=eAn13", "cboBarCode", "EAN13", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string lines = c.lines;
    Write(MainIni(), "[MAIN]\nProdURL=https://prod.example/WS/M-1\nURLType=P\n" + lines + "\n");
    ScriptedUser user;
    user.WaitForDialog("TfrmMainSetup").Check([&c](QDialog& dialog) {
      const auto* combo = dialog.findChild<QComboBox*>(c.combo);
      const QString shown =
          combo->currentIndex() < 0 ? "(" + combo->placeholderText() + ")" : combo->currentText();
      if (shown != c.shown) return QString("%1 shows %2").arg(c.combo, shown);
      if (*c.taken != '\0' && Entries(dialog, c.otherCombo).contains(c.taken)) {
        return QString("%1 offers %2").arg(c.otherCombo, c.taken);
      }
      return QString();
    });
    user.Press("btnExit").WaitForClose();
    RunSetup(user);
    // "Done" with nothing changed keeps every line as written.
    for (size_t from = 0, end = 0; from < lines.size(); from = end + 1) {
      end = lines.find('\n', from);
      if (end == std::string::npos) end = lines.size();
      const std::string line = lines.substr(from, end - from);
      EXPECT_TRUE(HasLine(MainIni(), line)) << line << "\n" << Read(MainIni());
    }
  }
}

// Values written by hand in quotes to keep blanks at their ends (which a
// read keeps): "Done" with nothing changed must keep them, as the sale reads
// them, in the file.
TEST_F(SetupDialogTest, QuotedValuesWithBlanksAreKeptByDone) {
  const struct {
    const char* file;
    const char* line;
  } cases[] = {
      {"VeskMain.ini", "MerchID=\" M-77\""},
      {"VeskMain.ini", "BCType=' Code128 '"},
      {"VeskStore.ini", "Name=\"  Main Street  \""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    Write(MainIni(), "[MAIN]\nURLType=P\n");
    Write(Settings() / "VeskStore.ini", "[STORE]\nName=Shop\n");
    const std::string section = std::string(c.file) == "VeskStore.ini" ? "[STORE]\n" : "[MAIN]\n";
    Write(Settings() / c.file, section + c.line + "\n");
    ScriptedUser user;
    user.WaitForDialog("TfrmMainSetup").Press("btnExit").WaitForClose();
    RunSetup(user);
    EXPECT_TRUE(HasLine(Settings() / c.file, c.line)) << Read(Settings() / c.file);
  }
}

// Text settings in a till's code page, including the bytes 0x80 to 0x9F a
// Windows code page uses for the euro sign, dashes and quotes, a
// byte-order mark at the start of the domain list, and UTF-8 text beside
// them: "Done" with only the merchant ID changed leaves every other value
// byte for byte, in each of the files.
TEST_F(SetupDialogTest, CodePageTextLeftAloneKeepsItsBytesWhenAnotherValueChanges) {
  const std::string main =
      "\xEF\xBB\xBF; till 3\r\n[MAIN]\r\nProdURL=https://prod.example/\x80/M-1\r\nTestURL="
      "https://t.example/\xC3\xA9\r\nOtherURL=https://o.example/\x96\r\nURLType=P\r\n"
      "MerchID=M-1\r\n[CATEGORIES]\r\nEnableAdvancedCategorization=1\r\nCAT1=\x93SHOES\x94\r\n"
      "CAT2=BAGS \x80 \xE2\x82\xAC\r\nCAT3=\r\n[PRODUCTCATEGORIES]\r\nAPP=1;2\r\n";
  const std::string store =
      "[STORE]\r\nName=Caf\xE9 \x96 M\xFCller\r\nAddress=1 Stra\xDF"
      "e\r\nCity=K\xC3\xB6ln\r\n"
      "State=\x85\r\nZip=\xA0"
      "50667\r\nPhone=555\x97"
      "0100\r\n";
  const std::string domains = "\xEF\xBB\xBFm\xFCller.example\r\n\r\nb\xC3\xBC.example\r\n";
  Write(MainIni(), main);
  Write(Settings() / "VeskStore.ini", store);
  Write(Settings() / "VeskMain.dat", domains);
  ScriptedUser user;
  user.WaitForDialog("TfrmMainSetup")
      .Fill("edtMerchID", "M-2")
      .SelectTab("Items")
      .SelectCell("grdCategories", 0, 1)
      .SelectCell("grdCategories", 0, 0)
      .Press("btnExit")
      .WaitForClose();
  RunSetup(user);
  std::string expected = main;
  expected.replace(expected.find("MerchID=M-1"), 11, "MerchID=M-2");
  const std::string written = Read(MainIni());
  // Keys the file lacked may be added; every line it had stays as it was.
  size_t from = 0;
  for (size_t end; (end = expected.find("\r\n", from)) != std::string::npos; from = end + 2) {
    const std::string line = expected.substr(from, end - from);
    EXPECT_NE(written.find(line + "\r\n"), std::string::npos) << "lost: " << line;
  }
  EXPECT_EQ(Read(Settings() / "VeskStore.ini"), store);
  EXPECT_EQ(Read(Settings() / "VeskMain.dat"), domains);
}

}  // namespace
}  // namespace setuptest

#endif  // STANDIN_ORACLE_HOME
