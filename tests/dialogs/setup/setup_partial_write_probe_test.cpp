// "Done" over a settings folder where one file of a pair cannot be written:
// what the setup tells the administrator it could not save must not be what
// the till then runs with.

#include <QLabel>
#include <filesystem>
#include <string>

#include "foundation/prefs_io.h"
#include "foundation/prefs_paths.h"
#include "foundation/prefs_records.h"
#include "plugins/digital_receipt_processor.h"
#include "setup_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace setuptest {
namespace {

using testsupport::ScriptedUser;

// The mail-domain list is read-only (a copy shared by the store's tills, a
// file protected by hand) while the main settings file can be written. The
// administrator switches the plug-in off and adds a mail domain, presses
// "Done", reads that the settings could not be saved and closes the dialog.
// Every file the message names as not saved must hold what it held, and the
// settings in memory must be those of the files, so that the till does what
// the administrator was told is in force.
TEST_F(SetupDialogTest, FilesNamedAsNotSavedKeepWhatTheyHeld) {
  const struct {
    const char* name;
    const char* tab;
    const char* box;
    const char* line;
  } cases[] = {
      {"switched off", "General", "chkDisable", "Disable=0"},
      {"addresses saved", "General", "chkSaveEmail", "SaveEmail=0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Write(MainIni(), "[MAIN]\nURLType=P\nDisable=0\nSaveEmail=0\n");
    Write(Settings() / "VeskStore.ini", "[STORE]\nName=Main Street\n");
    const fs::path domains = Settings() / "VeskMain.dat";
    Write(domains, "example.com\n");
    fs::permissions(domains,
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    // The till has read the files at a sale before the setup was opened.
    plugins::ReadSettings();
    QString message;
    ScriptedUser user;
    user.WaitForDialog("TfrmMainSetup")
        .SelectTab(c.tab)
        .Tick(c.box, true)
        .SelectTab("Email Providers")
        .FillCell("stgEM", 1, 0, "shop.example")
        .Press("btnExit")
        .WaitForDialog("TfrmDispMess")
        .Check([&message](QDialog& dialog) {
          message = dialog.findChild<QLabel*>("lblMess")->text();
          return message.startsWith("The settings could not be saved to:")
                     ? QString()
                     : QString("the message reads \"%1\"").arg(message);
        })
        .Press("btnOK")
        .WaitForDialog("TfrmMainSetup")
        .CloseBox()
        .WaitForClose();
    RunSetup(user);
    std::error_code error;
    fs::permissions(domains, fs::perms::owner_write, fs::perm_options::add, error);
    if (message.contains("VeskMain.ini")) {
      EXPECT_TRUE(HasLine(MainIni(), c.line))
          << "the message names the main settings file as not saved:\n"
          << message.toStdString() << "\nbut it holds:\n"
          << Read(MainIni());
    }
    // The till's next sale reads the settings again when a file changed:
    // it must run with what the administrator was told is in force, as the
    // settings in memory after the dialog say.
    const foundation::TMainPrefs inMemory = foundation::MainPrefs;
    plugins::ReadChangedSettings("probe");
    EXPECT_EQ(inMemory.Disable, foundation::MainPrefs.Disable);
    EXPECT_EQ(inMemory.SaveEmail, foundation::MainPrefs.SaveEmail);
    if (message.contains("VeskMain.ini")) {
      EXPECT_FALSE(foundation::MainPrefs.Disable);
      EXPECT_FALSE(foundation::MainPrefs.SaveEmail);
    }
    plugins::ConfigurationChecked = false;
  }
}

}  // namespace
}  // namespace setuptest

#endif  // STANDIN_ORACLE_HOME
