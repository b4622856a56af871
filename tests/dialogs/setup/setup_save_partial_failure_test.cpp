// A save in which only the e-mail domain list cannot be written (it is a
// link to a shared copy on a share that is not mounted): the main settings
// file was written, so the administrator is told that the list alone could
// not be saved, with its reason, and is not sent to mend a file that holds
// what he chose.

#include <QLabel>
#include <algorithm>

#include "foundation/prefs_records.h"
#include "setup_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace setuptest {
namespace {

using testsupport::ScriptedUser;

TEST_F(SetupDialogTest, OnlyTheFileThatCouldNotBeSavedIsNamed) {
  const fs::path share = host_ / "share";  // not mounted: the folder is missing
  const fs::path dat = Settings() / "VeskMain.dat";
  fs::remove(dat);
  fs::create_symlink(share / "VeskMain.dat", dat);
  std::string shown;
  ScriptedUser user;
  user.WaitForDialog("TfrmMainSetup")
      .Press("btnExit")
      .WaitForDialog("TfrmDispMess")
      .Check([&shown](QDialog& dialog) {
        shown = dialog.findChild<QLabel*>("lblMess")->text().toStdString();
        std::replace(shown.begin(), shown.end(), '\n', ' ');
        return QString();
      })
      .Press("btnOK")
      .WaitForDialog("TfrmMainSetup")
      .CloseBox()
      .WaitForClose();
  RunSetup(user);
  EXPECT_NE(shown.find(dat.string()), std::string::npos) << shown;
  EXPECT_NE(shown.find("Cannot write \"" + (share / "VeskMain.dat").string() + "\""),
            std::string::npos)
      << shown;
  EXPECT_EQ(shown.find(MainIni().string()), std::string::npos)
      << "the main settings file, written, is named as not saved: " << shown;
  EXPECT_TRUE(fs::is_regular_file(MainIni()));
}

}  // namespace
}  // namespace setuptest

#endif  // STANDIN_ORACLE_HOME
