// "Done" as an administrator presses it over files the sales read: what it
// must leave as it was, and what the departments' roll-up lines must say
// after the roll-up names were edited.

#include <QTableWidget>
#include <string>
#include <utility>
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

// Settings written on a till whose files are in its Windows code page (bytes
// above 0x7F that are not UTF-8, which a sale reads as Latin-1 letters):
// "Done" with nothing changed must leave each file as it was, and the store
// name the next receipt carries must still be the one it carried before.
TEST_F(SetupDialogTest, DoneWithNothingChangedKeepsCodePageBytes) {
  const std::string main =
      "[MAIN]\nProdURL=https://prod.example/WS/M-1\nTestURL=\nOtherURL=\nURLType=P\n"
      "MerchID=M-1\nLoyalAttr=\nLoyalField=\nCustNoUpdateField=None\nSaveEmail=0\n"
      "BCType=Code128\nTimeout=30\nDisable=0\nOffsetForm=0\nLoyaltyStatusField=None\n"
      "LoyaltyTrackingDateField=None\nEmailOptInField=Allow Email\nEnableLoyaltyTracking=0\n"
      "PromptForEmailMarketingOptIn=0\nAlwaysCreateCustForUniqueEmail=0\n"
      "[CARDS]\nVISA=Visa\n[QUEUESERVICE]\nEnabled=1\nInterval=30\nLogLevel=1\n"
      "[FIELDS]\nInclDesc3=0\nInclDesc4=0\nInclSize=0\nInclAttr=0\nInclVendor=0\n"
      "[CATEGORIES]\nEnableAdvancedCategorization=1\nCAT1=CAF\xC9\nCAT2=\nCAT3=\nCAT4=\nCAT5=\n"
      "[PRODUCTCATEGORIES]\nAPP=1;0\nFOO=0;0\n";
  const std::string store =
      "[STORE]\nName=Caf\xE9 M\xFCller\nAddress=1 Stra\xDF"
      "e\nCity=K\xF6ln\nState=NW\n"
      "Zip=50667\nPhone=555-0100\n";
  const std::string domains = "m\xFCller.example\nmail.example\n";
  const struct {
    const char* name;
    std::string content;
  } files[] = {{"VeskMain.ini", main}, {"VeskStore.ini", store}, {"VeskMain.dat", domains}};
  for (const auto& file : files) Write(Settings() / file.name, file.content);
  ScriptedUser user;
  user.WaitForDialog("TfrmMainSetup").Press("btnExit").WaitForClose();
  RunSetup(user);
  for (const auto& file : files) {
    EXPECT_EQ(Read(Settings() / file.name), file.content) << file.name;
  }
  foundation::ReadStorePrefs(foundation::StoreSettingsFile());
  EXPECT_EQ(foundation::XmlEscape(foundation::StorePrefs.Name), "Caf&#233; M&#252;ller");
}

// Roll-up names edited one visit of the roll-up grid at a time (the focus
// leaves it between visits). Each department keeps what it had by name: a
// renamed roll-up is renamed for it, an emptied one is taken off it, a
// filled row gives it nothing new. That holds for every department, those
// the grid lists (APP, FOO) and those it does not (ZZZ of the other
// subsidiary, OLD, inactive), and for names that stand twice for a moment.
TEST_F(SetupDialogTest, RollupEditsKeepEveryDepartmentsCategoriesByName) {
  using Edit = std::pair<int, const char*>;  // roll-up row, new text
  const struct {
    const char* name;
    const char* categories;
    const char* lines;
    std::vector<Edit> visits;
    std::vector<std::string> expected;
  } cases[] = {
      {"rename",
       "CAT1=SHOES\nCAT2=BAGS\nCAT3=HATS\n",
       "APP=1;2\nFOO=2;3\nZZZ=3;1\nOLD=2;0\n",
       {{0, "BOOTS"}},
       {"APP=1;2", "FOO=2;3", "ZZZ=3;1", "OLD=2;0"}},
      {"emptied in the middle",
       "CAT1=SHOES\nCAT2=BAGS\nCAT3=HATS\n",
       "APP=1;2\nFOO=2;3\nZZZ=3;1\nOLD=2;0\n",
       {{1, ""}},
       {"APP=1;0", "FOO=0;2", "ZZZ=2;1", "OLD=0;0"}},
      {"empty row filled",
       "CAT1=SHOES\nCAT2=\nCAT3=HATS\n",
       "APP=1;2\nFOO=2;0\nZZZ=2;1\nOLD=1;0\n",
       {{1, "BAGS"}},
       {"APP=1;3", "FOO=3;0", "ZZZ=3;1", "OLD=1;0"}},
      {"swapped one visit at a time",
       "CAT1=SHOES\nCAT2=BAGS\n",
       "APP=1;2\nFOO=2;1\nZZZ=2;0\n",
       {{0, "BAGS"}, {1, "SHOES"}},
       {"APP=1;2", "FOO=2;1", "ZZZ=2;0"}},
      {"a name given twice, one of them renamed",
       "CAT1=SHOES\nCAT2=SHOES\n",
       "APP=1;0\nFOO=2;0\n",
       {{0, "BOOTS"}},
       {"APP=1;0", "FOO=2;0"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Write(MainIni(), std::string("[CATEGORIES]\nEnableAdvancedCategorization=1\n") + c.categories +
                         "[PRODUCTCATEGORIES]\n" + c.lines);
    ScriptedUser user;
    user.WaitForDialog("TfrmMainSetup").SelectTab("Items");
    for (const auto& [row, text] : c.visits) {
      user.FillCell("grdRollupCategories", row, 0, text).SelectCell("grdCategories", 0, 0);
    }
    user.Press("btnExit").WaitForClose();
    RunSetup(user);
    for (const std::string& line : c.expected) {
      EXPECT_TRUE(HasLine(MainIni(), line)) << line << " in\n" << Read(MainIni());
    }
  }
}

// "Done" whose write fails for one file (made read-only), then again once
// the file can be written: after the failure the settings the till uses in
// memory hold what the files hold (the file written, the other as read;
// the address in use as a read gives it);
// what the administrator typed for a service address kind he left is not
// among them before "Done"; the second "Done" writes the main settings file
// as the first did, and the other file as the dialog shows it.
TEST_F(SetupDialogTest, FailedDoneLeavesTheSettingsInMemoryAsTheFilesHoldThem) {
  const struct {
    const char* readOnly;
    const char* merchantAfterFailure;
    const char* storeAfterFailure;
  } cases[] = {
      {"VeskStore.ini", "M-2", "Main Street"},
      {"VeskMain.ini", "M-1", "Elm Street"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.readOnly);
    Write(MainIni(),
          "[MAIN]\nProdURL=\" https://p.example/M-1 \"\nTestURL=https://t.example/M-1\n"
          "URLType=P\nMerchID=M-1\n");
    Write(Settings() / "VeskStore.ini", "[STORE]\nName=Main Street\n");
    const fs::path readOnly = Settings() / c.readOnly;
    fs::permissions(readOnly,
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    std::string mainAfterFailure;
    ScriptedUser user;
    user.WaitForDialog("TfrmMainSetup")
        .Fill("edtMerchID", "M-2")
        .Tick("rdbTest")
        .Fill("edtURL", "https://t2.example/M-2")
        .Tick("rdbProduction")
        .Check([](QDialog&) {
          return foundation::MainPrefs.TestURL == "https://t.example/M-1"
                     ? QString()
                     : QString("TestURL in memory is %1")
                           .arg(QString::fromStdString(foundation::MainPrefs.TestURL));
        })
        .SelectTab("Store Information")
        .Fill("edtStoreName", "Elm Street")
        .Press("btnExit");
    ExpectMessage(user, "The settings could not be saved to:", true);
    user.Check([&](QDialog&) {
          mainAfterFailure = Read(MainIni());
          std::error_code error;
          fs::permissions(readOnly, fs::perms::owner_write, fs::perm_options::add, error);
          if (foundation::MainPrefs.MerchID != c.merchantAfterFailure ||
              foundation::StorePrefs.Name != c.storeAfterFailure) {
            return QString("in memory: MerchID %1, store %2")
                .arg(QString::fromStdString(foundation::MainPrefs.MerchID),
                     QString::fromStdString(foundation::StorePrefs.Name));
          }
          return error ? QString("the file stays read-only") : QString();
        })
        .Press("btnExit")
        .WaitForClose();
    RunSetup(user);
    if (std::string(c.readOnly) == "VeskStore.ini") {
      EXPECT_EQ(Read(MainIni()), mainAfterFailure);
    }
    EXPECT_TRUE(HasLine(MainIni(), "MerchID=M-2")) << Read(MainIni());
    EXPECT_TRUE(HasLine(MainIni(), "TestURL=https://t2.example/M-2")) << Read(MainIni());
    EXPECT_TRUE(HasLine(Settings() / "VeskStore.ini", "Name=Elm Street"));
    EXPECT_TRUE(HasLine(MainIni(), "ProdURL=\" https://p.example/M-1 \"")) << Read(MainIni());
    EXPECT_EQ(foundation::MainPrefs.MerchID, "M-2");
    // The address in use as a read of the file gives it: without its blanks.
    EXPECT_EQ(foundation::MainPrefs.URL, "https://p.example/M-1");
    EXPECT_EQ(foundation::StorePrefs.Name, "Elm Street");
  }
}

}  // namespace
}  // namespace setuptest

#endif  // STANDIN_ORACLE_HOME
