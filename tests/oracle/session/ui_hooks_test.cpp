// The replaceable user-interface hooks: button letters, the silent default
// and an installed implementation.

#include <gtest/gtest.h>

#include "oracle/session/ui_hooks.h"
#include "recording_ui.h"

namespace oracle_session_test {
namespace {

using namespace oracle;

TEST(UiHooks, ButtonLettersMapToTheirButtons) {
  EXPECT_EQ(ButtonsFromLetters("YNC"), mbYes | mbNo | mbCancel);
  EXPECT_EQ(ButtonsFromLetters("CNY"), mbYes | mbNo | mbCancel);
  EXPECT_EQ(ButtonsFromLetters("O"), mbOK);
  EXPECT_EQ(ButtonsFromLetters("IA"), mbIgnore | mbAll);
  EXPECT_EQ(ButtonsFromLetters(""), 0u);
  // Other characters, lower-case letters included, are ignored.
  EXPECT_EQ(ButtonsFromLetters("y?O-"), mbOK);
}

TEST(UiHooks, DefaultShowsNothingAndAnInstalledInterfaceReceivesEveryCall) {
  SetOracleUserInterface(nullptr);
  SetScreenCursor(crSQLWait);
  EXPECT_EQ(GetScreenCursor(), crDefault);
  EXPECT_EQ(OracleMessageDialog("Delete the record?", "YN"), mrNone);
  EXPECT_EQ(ApplicationComponentCount(), 0);
  EXPECT_EQ(ApplicationComponent(0), nullptr);
  ApplicationNotify(7);  // nothing to receive it, nothing happens

  // An installed interface receives every call until it is removed.
  auto ui = std::make_shared<RecordingUi>();
  ui->answer = mrNo;
  SetOracleUserInterface(ui);
  SetScreenCursor(crSQLWait);
  EXPECT_EQ(GetScreenCursor(), crSQLWait);
  EXPECT_EQ(OracleMessageDialog("Post changes?", "YNC"), mrNo);
  ASSERT_EQ(ui->dialogs.size(), 1u);
  EXPECT_EQ(ui->dialogs[0].first, "Post changes?");
  EXPECT_EQ(ui->dialogs[0].second, mbYes | mbNo | mbCancel);
  EXPECT_EQ(ApplicationComponentCount(), 2);
  EXPECT_EQ(ApplicationComponent(1), ui.get());
  ApplicationNotify(42);
  EXPECT_EQ(ui->notified, std::vector<std::intptr_t>{42});

  SetOracleUserInterface(nullptr);
  EXPECT_EQ(OracleMessageDialog("Again?", "Y"), mrNone);
  EXPECT_EQ(ui->dialogs.size(), 1u);
}

}  // namespace
}  // namespace oracle_session_test
