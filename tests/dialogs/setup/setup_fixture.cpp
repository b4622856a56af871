#include "setup_fixture.h"

#include <unistd.h>

#include <QLabel>
#include <fstream>
#include <iterator>
#include <sstream>

#include "dialogs/main_setup.h"
#include "foundation/app_folders.h"
#include "foundation/message_form.h"
#include "foundation/prefs_io.h"
#include "foundation/prefs_paths.h"
#include "foundation/prefs_records.h"
#include "platform/process.h"
#include "scripted_user/qt_test_app.h"

#ifdef STANDIN_ORACLE_HOME

namespace setuptest {

namespace {

const bool kQtApp = testsupport::InstallQtApplication();

}  // namespace

void SetupDialogTest::SetUp() {
  StandinDatabaseTest::SetUp();
  host_ = root_ / "host";
  fs::create_directories(Settings());
  savedCwd_ = fs::current_path();
  fs::current_path(host_);
  platform::SetExecutablePathOverride((host_ / "pos-host").string());
  foundation::ResetAppFolders();
  foundation::RouteSettingsMessagesToMessageForm();
  foundation::MainPrefs = {};
  foundation::WSPrefs = {};
  foundation::StorePrefs = {};
  foundation::EmailProviders.clear();
  receipt::FreeDataModule();
}

void SetupDialogTest::TearDown() {
  receipt::FreeDataModule();
  fs::current_path(savedCwd_);
  platform::SetExecutablePathOverride("");
  foundation::ResetAppFolders();
  StandinDatabaseTest::TearDown();
}

void SetupDialogTest::Write(const fs::path& file, const std::string& text) {
  std::ofstream(file, std::ios::binary) << text;
}

std::string SetupDialogTest::Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool SetupDialogTest::HasLine(const fs::path& file, const std::string& line) {
  std::istringstream in(Read(file));
  for (std::string text; std::getline(in, text);) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (text == line) return true;
  }
  return false;
}

void SetupDialogTest::ExpectMessage(testsupport::ScriptedUser& user, const QString& text,
                                    bool prefix) {
  user.WaitForDialog("TfrmDispMess")
      .Check([text, prefix](QDialog& dialog) {
        const QString shown = dialog.findChild<QLabel*>("lblMess")->text();
        const bool ok = prefix ? shown.startsWith(text) : shown == text;
        return ok ? QString() : QString("the message reads \"%1\"").arg(shown);
      })
      .Press("btnOK")
      .WaitForDialog("TfrmMainSetup");
}

void SetupDialogTest::RunSetup(testsupport::ScriptedUser& user) {
  user.Start();
  dialogs::ShowMainSetup(0);
  EXPECT_TRUE(user.Finish()) << user.Failure().toStdString() << "\n"
                             << user.Trace().join("\n").toStdString();
}

}  // namespace setuptest

#endif  // STANDIN_ORACLE_HOME
