// A receipt preparation that fails stops where it failed, logs the step and
// tells the cashier in the message form.

#include <gtest/gtest.h>

#include <QLabel>
#include <string>

#include "common/app_log_capture.h"
#include "foundation/prefs_records.h"
#include "receipt/receipt_preparation.h"
#include "receipt/records.h"
#include "sales/invoice_builder.h"
#include "screens.h"
#include "scripted_user/qt_test_app.h"
#include "scripted_user/scripted_user.h"

namespace {

const bool kQtApp = testsupport::InstallQtApplication();

TEST(PreparationMessage, FiveHundredAndTwoItemsStopAtTheLastEntryAndEndInTheMessageForm) {
  receipt::ResetTransControl();
  receipt::ResetReceipt();
  testsupport::AppLogCapture log("prep502", 9, true);
  auto invoice = preparationtest::SaleInvoice();
  for (int i = 0; i < 502; ++i) preparationtest::AddItem(*invoice, "Item", 1, 1.0);

  QString shown;
  QString title;
  testsupport::ScriptedUser user;
  user.WaitForDialog("TfrmDispMess")
      .Check([&](QDialog& d) -> QString {
        auto* label = d.findChild<QLabel*>("lblMess");
        if (label == nullptr) return "no message label";
        shown = label->text();
        title = d.windowTitle();
        return "";
      })
      .Grab(progresstest::ScreenshotPath("preparation_failure.png"))
      .Press("btnOK");
  user.Start();
  receipt::PrepareDigitalReceipt(*invoice, false);
  ASSERT_TRUE(user.Finish()) << user.Failure().toStdString();

  EXPECT_TRUE(shown.startsWith("DoDigitalReceipt: Range check error")) << shown.toStdString();
  EXPECT_EQ(title, "Norvane");
  EXPECT_TRUE(receipt::FTransControl.NoVesk);
  EXPECT_EQ(receipt::fDRcptItemCount, 500) << "nothing is written past the last entry";
  EXPECT_EQ(receipt::fDRcpt.TransactionType, "") << "the preparation stopped at the items";
  EXPECT_NE(log.Text().find("PrepareDigitalReceipt while traversing items (item 501)"),
            std::string::npos);
  receipt::ResetTransControl();
  receipt::ResetReceipt();
}

}  // namespace
