// The e-mail side button sends only the invoice chosen in the host's list: a
// filter the host refuses or an object left on another record ends the press
// with the cashier's message and nothing sent; without its invoice object the
// button is disabled and a press only logs.

#include <gtest/gtest.h>

#include <QDir>

#include "common/app_log_capture.h"
#include "plugins/vk9_email_sb.h"
#include "receipt/records.h"
#include "sales/staged_host.h"
#include "scripted_user/qt_test_app.h"
#include "scripted_user/scripted_user.h"

namespace {

const bool kQtApp = testsupport::InstallQtApplication();

int CountOf(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(EmailButton, OnlyTheChosenInvoiceIsSent) {
  testsupport::AppLogCapture log("email_button", 9);
  stagedhost::StagedHost host(stagedhost::ReadScenario("email_resend.yaml"));
  ASSERT_TRUE(QDir().mkpath(SCREENSHOT_FOLDER));
  struct Case {
    const char* name;
    const char* fault;      // the host's fault on the button's invoice object
    const char* attribute;  // the filter it hits
  } cases[] = {
      {"left on another invoice", "stray filter", "Invoice SID"},
      {"subsidiary filter refused", "filter", "Subsidiary Number"},
      {"invoice filter refused", "filter", "Invoice SID"},
  };
  ComPtr<plugins::Tvk9EmailSB> button = MakeComObject<plugins::Tvk9EmailSB>();
  button->Initialize();
  ASSERT_EQ(button->Set_Adapter(&host.Adapter()), S_OK);
  WordBool result = 0;
  int refused = 0;
  ASSERT_EQ(button->Prepare(&result), S_OK);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host.Adapter().ClearFaults();
    hostsim::HostFault fault;
    fault.operation = c.fault;
    fault.kind = kBOKindInvoice;
    fault.attribute = c.attribute;
    host.Adapter().AddFault(fault);
    testsupport::ScriptedUser user;
    user.WaitForDialog("TfrmDispMess")
        .Grab(QString(SCREENSHOT_FOLDER) + "/email_button_not_chosen.png")
        .Press("btnOK")
        .WaitForClose();
    user.Start();
    result = 0;
    EXPECT_EQ(button->HandleEvent(&result), S_OK);
    EXPECT_NE(result, 0);
    EXPECT_TRUE(user.Finish()) << user.Failure().toStdString();
    const std::string text = log.Text();
    EXPECT_EQ(CountOf(text, "Not the chosen invoice: 7301 chosen"), ++refused);
  }
  host.Adapter().ClearFaults();
  button->CleanUp();

  // Never prepared: no invoice object.
  ComPtr<plugins::Tvk9EmailSB> unprepared = MakeComObject<plugins::Tvk9EmailSB>();
  unprepared->Initialize();
  ASSERT_EQ(unprepared->Set_Adapter(&host.Adapter()), S_OK);
  WordBool enabled = -1;
  ASSERT_EQ(unprepared->Get_ButtonEnabled(&enabled), S_OK);
  EXPECT_EQ(enabled, 0);
  EXPECT_EQ(unprepared->HandleEvent(&result), S_OK);
  EXPECT_NE(log.Text().find("Invoice BO could not be created during Prepare -- error #-1"),
            std::string::npos);
  unprepared->CleanUp();
  receipt::ResetTransControl();
}

}  // namespace
