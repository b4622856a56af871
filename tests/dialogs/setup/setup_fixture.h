#pragma once
// The setup dialog's tests: a host folder in the test's temporary folder (the
// host program's folder and the current folder), settings files written
// there, the host database reachable through the stand-in client (the
// process-wide data module freed before and after each test, so it never
// holds a session on another test's copy), the settings messages routed to
// the message form, and helpers to read the files back and to check the
// message form's text.

#include <gtest/gtest.h>

#include <QDialog>
#include <QString>
#include <filesystem>
#include <string>

// Ahead of the stand-in client's headers: their C type "text" would be
// shadowed by parameters of the data module's headers.
#include "receipt/host_data_module.h"

#include "oracle_fixture/oracle_test_fixture.h"
#include "scripted_user/scripted_user.h"

#ifdef STANDIN_ORACLE_HOME

namespace setuptest {

namespace fs = std::filesystem;

class SetupDialogTest : public oracle_test_support::StandinDatabaseTest {
 protected:
  SetupDialogTest() : StandinDatabaseTest("norvane_setup_") {}

  void SetUp() override;
  void TearDown() override;

  fs::path Settings() const { return host_ / "VeskRcpts"; }
  fs::path MainIni() const { return Settings() / "VeskMain.ini"; }

  static void Write(const fs::path& file, const std::string& text);
  static std::string Read(const fs::path& file);
  // Whether `file` holds `line` as a whole line.
  static bool HasLine(const fs::path& file, const std::string& line);

  // Steps that wait for the message form, check that its text is `text`
  // (or begins with it when `prefix`), press OK and return to the setup
  // dialog.
  static void ExpectMessage(testsupport::ScriptedUser& user, const QString& text,
                            bool prefix = false);

  // Shows the setup dialog through its public entry and plays `user`.
  static void RunSetup(testsupport::ScriptedUser& user);

  fs::path host_;

 private:
  fs::path savedCwd_;
};

}  // namespace setuptest

#endif  // STANDIN_ORACLE_HOME
