// The card-data dialog: its form, Ok taking the edited values, Cancel keeping
// the tender's, the card text built from them, the start-up switch, and none
// of the values reaching the log.

#include "receipt/debug_emv_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <string>
#include <vector>

#include "common/app_log_capture.h"
#include "foundation/prefs_records.h"
#include "platform/process.h"
#include "receipt/receipt_preparation.h"
#include "receipt/records.h"
#include "receipt/sale_workflow.h"
#include "sales/invoice_builder.h"
#include "screens.h"
#include "scripted_user/qt_test_app.h"
#include "scripted_user/scripted_user.h"

namespace {

const bool kQtApp = testsupport::InstallQtApplication();

using receipt::EMVValues;
using receipt::ShowDebugEMV;
using receipt::TdlgDebugEMV;
using testsupport::ScriptedUser;

const char* const kEditNames[8] = {"edtAuthCode", "edtLast4",   "edtCVMMethod",  "edtAID",
                                   "edtAppLabel", "edtExpDate", "edtCryptoType", "edtCrypto"};

EMVValues TenderValues() {
  return {"A1B2C3",      "1111", "PIN VERIFIED", "A0000000031010",
          "VISA CREDIT", "2709", "ARQC",         "9F26C0FFEE"};
}

// Shows the dialog on `v` while `user` plays its script.
void Show(EMVValues& v, ScriptedUser& user) {
  user.Start();
  ShowDebugEMV(v.AuthCode, v.Last4, v.CVMMethod, v.AID, v.AppLabel, v.ExpDate, v.CryptoType,
               v.Crypto);
  EXPECT_TRUE(user.Finish()) << user.Failure().toStdString();
}

bool Same(const EMVValues& a, const EMVValues& b) {
  return a.AuthCode == b.AuthCode && a.Last4 == b.Last4 && a.CVMMethod == b.CVMMethod &&
         a.AID == b.AID && a.AppLabel == b.AppLabel && a.ExpDate == b.ExpDate &&
         a.CryptoType == b.CryptoType && a.Crypto == b.Crypto;
}

TEST(DebugEMVDialog, LooksAsDesigned) {
  TdlgDebugEMV dialog;
  EXPECT_EQ(dialog.windowTitle(), "dlgDebugEMV");
  EXPECT_EQ(dialog.size(), QSize(TdlgDebugEMV::kClientWidth, TdlgDebugEMV::kClientHeight));
  const char* const captions[8] = {"Auth code:", "Last 4:",   "CVM method:",  "AID:",
                                   "App Label:", "Exp date:", "Crypto type:", "Crypto:"};
  int previousTop = -1;
  for (int i = 0; i < 8; ++i) {
    auto* edit = dialog.findChild<QLineEdit*>(kEditNames[i]);
    ASSERT_NE(edit, nullptr) << kEditNames[i];
    EXPECT_GT(edit->y(), previousTop) << "the edits stand in order, top to bottom";
    previousTop = edit->y();
    QLabel* label = nullptr;
    for (QLabel* l : dialog.findChildren<QLabel*>()) {
      if (l->buddy() == edit) label = l;
    }
    ASSERT_NE(label, nullptr) << kEditNames[i];
    EXPECT_EQ(label->text(), captions[i]);
    EXPECT_TRUE(label->alignment() & Qt::AlignRight);
    EXPECT_LT(label->geometry().right(), edit->x()) << "the label stands beside its edit";
  }
  EXPECT_EQ(dialog.btnOk()->text(), "Ok");
  EXPECT_TRUE(dialog.btnOk()->isDefault());
  EXPECT_EQ(dialog.btnCancel()->text(), "Cancel");
}

TEST(DebugEMVDialog, OkTakesTheEditedValuesCancelOrEscapeKeepTheTenders) {
  for (const std::string close : {"btnOk", "btnCancel", "escape"}) {
    SCOPED_TRACE(close);
    EMVValues values = TenderValues();
    ScriptedUser user;
    user.WaitForDialog("dlgDebugEMV")
        .Check([](QDialog& d) -> QString {
          auto* edit = d.findChild<QLineEdit*>("edtAID");
          return edit != nullptr && edit->text() == "A0000000031010" ? "" : "tender AID not shown";
        })
        .Grab(progresstest::ScreenshotPath("debug_emv_dialog.png"))
        .Fill("edtAuthCode", "ZZ9")
        .Fill("edtCrypto", "0BADF00D")
        .Fill("edtLast4", "");
    if (close == "escape") {
      user.PressEscape();
    } else {
      user.Press(close.c_str());
    }
    Show(values, user);
    EMVValues expected = TenderValues();
    if (close == "btnOk") {
      expected.AuthCode = "ZZ9";
      expected.Crypto = "0BADF00D";
      expected.Last4 = "";
    }
    EXPECT_TRUE(Same(values, expected));
  }
}

class CardDataDialogTest : public ::testing::Test {
 protected:
  void TearDown() override { receipt::DebugEMV = false; }
};

TEST_F(CardDataDialogTest, TheSwitchShowsTheDialogAndItsValuesMakeTheCardText) {
  receipt::TInvoiceContainer invoice;
  const receipt::TContainer& tender = preparationtest::AddCardTender(invoice, 10.0);

  receipt::DebugEMV = true;
  ScriptedUser user;
  user.WaitForDialog("dlgDebugEMV")
      .Check([](QDialog& d) -> QString {
        auto* edit = d.findChild<QLineEdit*>("edtLast4");
        return edit != nullptr && edit->text() == "1111" ? "" : "card digits not shown";
      })
      .Fill("edtCVMMethod", "SIGNATURE")
      .Press("btnOk");
  user.Start();
  const std::string edited = receipt::GetEMV(tender);
  ASSERT_TRUE(user.Finish()) << user.Failure().toStdString();
  std::string expected = preparationtest::CardTenderEmvText();
  expected.replace(expected.find("PIN VERIFIED"), 12, "SIGNATURE");
  EXPECT_EQ(edited, expected);
}

TEST_F(CardDataDialogTest, TheCardDataValuesNeverReachTheLog) {
  testsupport::AppLogCapture log("cardvalues", 9, true);
  const foundation::TMainPrefs saved = foundation::MainPrefs;
  receipt::ResetTransControl();
  receipt::ResetReceipt();
  auto invoice = preparationtest::SaleInvoice();
  preparationtest::AddCardTender(*invoice, 10.0);

  receipt::DebugEMV = true;
  ScriptedUser user;
  user.WaitForDialog("dlgDebugEMV")
      .Fill("edtAuthCode", "AUTHMARK")
      .Fill("edtAID", "AIDMARK")
      .Fill("edtCrypto", "CRYPTOMARK")
      .Press("btnOk");
  user.Start();
  receipt::PrepareDigitalReceipt(*invoice, false);
  ASSERT_TRUE(user.Finish()) << user.Failure().toStdString();
  ASSERT_FALSE(receipt::FTransControl.NoVesk);
  ASSERT_NE(receipt::fDRcpt.AdditionalInfo2.find("AUTHMARK"), std::string::npos);

  const std::string text = log.Text();
  EXPECT_NE(text.find("PrepareDigitalReceipt"), std::string::npos) << "the log did run";
  for (const char* value : {"AUTHMARK", "AIDMARK", "CRYPTOMARK", "A1B2C3", "9F26C0FFEE",
                            "A0000000031010", "4111111111111111"}) {
    EXPECT_EQ(text.find(value), std::string::npos) << value << " was logged";
  }
  foundation::MainPrefs = saved;
  receipt::ResetReceipt();
}

struct SwitchCase {
  std::vector<std::string> arguments;
  bool on;
};

class DebugEMVSwitchTest : public ::testing::TestWithParam<SwitchCase> {
 protected:
  void TearDown() override {
    platform::SetCommandLineProvider({});
    receipt::DebugEMV = false;
  }
};

TEST_P(DebugEMVSwitchTest, OnlyTheValueYInAnyCaseSwitchesTheDialogOn) {
  std::vector<std::string> command{"/opt/pos/host"};
  const SwitchCase c = GetParam();
  command.insert(command.end(), c.arguments.begin(), c.arguments.end());
  platform::SetCommandLineProvider([command] { return command; });
  receipt::DebugEMV = !c.on;
  receipt::ReadDebugEMVSwitch();
  EXPECT_EQ(receipt::DebugEMV, c.on);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, DebugEMVSwitchTest,
    ::testing::Values(SwitchCase{{"-debugemv=Y"}, true}, SwitchCase{{"-debugemv=y"}, true},
                      SwitchCase{{"/DEBUGEMV:y"}, true},
                      SwitchCase{{"-loglevel=5", "/DebugEmv=Y"}, true}, SwitchCase{{}, false},
                      SwitchCase{{"-debugemv=N"}, false}, SwitchCase{{"-debugemv=yes"}, false},
                      SwitchCase{{"-debugemv"}, false}, SwitchCase{{"-debugemv="}, false},
                      SwitchCase{{"debugemv=Y"}, false}, SwitchCase{{"-debugemvx=Y"}, false}));

}  // namespace
