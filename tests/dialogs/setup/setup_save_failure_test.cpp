// A settings file the setup cannot write: the message the administrator sees
// names the file and why, so that the cause can be mended. Here the main
// settings file is a link to a shared copy on a share that is not mounted
// (its folder is missing), and so is the store settings file.

#include <QLabel>
#include <algorithm>

#include "foundation/prefs_records.h"
#include "setup_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace setuptest {
namespace {

using testsupport::ScriptedUser;

TEST_F(SetupDialogTest, ASaveThatFailsShowsEachFileAndWhy) {
  const fs::path share = host_ / "share";  // not mounted: the folder is missing
  fs::create_symlink(share / "VeskMain.ini", MainIni());
  fs::create_symlink(share / "VeskStore.ini", Settings() / "VeskStore.ini");
  // The message form breaks long lines at blanks: compared with every line
  // break taken for a blank.
  const std::vector<std::string> parts = {
      "The settings could not be saved to: " + MainIni().string() + " ",
      " " + (Settings() / "VeskStore.ini").string() + " ",
      " Cannot write \"" + (share / "VeskMain.ini").string() + "\", to which the link \"" +
          MainIni().string() + "\" leads: no new file can be made in its folder \"" +
          share.string() + "\" (No such file or directory)",
      " Cannot write \"" + (share / "VeskStore.ini").string() + "\", to which the link \"" +
          (Settings() / "VeskStore.ini").string() + "\" leads"};

  ScriptedUser user;
  user.WaitForDialog("TfrmMainSetup")
      .Press("btnExit")
      .WaitForDialog("TfrmDispMess")
      .Check([parts](QDialog& dialog) {
        std::string shown = dialog.findChild<QLabel*>("lblMess")->text().toStdString();
        std::replace(shown.begin(), shown.end(), '\n', ' ');
        for (const std::string& part : parts) {
          if (shown.find(part) == std::string::npos) {
            return QString::fromStdString("\"" + part + "\" is not in \"" + shown + "\"");
          }
        }
        return QString();
      })
      .Press("btnOK")
      .WaitForDialog("TfrmMainSetup")
      .CloseBox()
      .WaitForClose();
  RunSetup(user);
  EXPECT_TRUE(fs::is_symlink(MainIni())) << "the link stays";
  EXPECT_FALSE(fs::exists(share)) << "nothing is made where the share should be";
}

}  // namespace
}  // namespace setuptest

#endif  // STANDIN_ORACLE_HOME
