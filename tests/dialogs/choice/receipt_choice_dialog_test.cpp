// The receipt choice for a known customer: each button's flags from a known
// start, and no way out of the dialog before a choice.

#include "dialogs/receipt_choice_dialog.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <functional>
#include <memory>

#include "foundation/main_window.h"
#include "receipt/records.h"
#include "scripted_user/qt_test_app.h"
#include "scripted_user/scripted_user.h"

namespace {

const bool kQtApp = testsupport::InstallQtApplication();

using receipt::fAuth;
using receipt::FTransControl;
using testsupport::ScriptedUser;

struct Flags {
  bool printPaper, printEFT, defaultQuenlo, digitalWanted;
  bool operator==(const Flags&) const = default;
};

Flags Current() {
  return {FTransControl.PrintPaper, FTransControl.PrintEFT, fAuth.DefaultQuenlo,
          FTransControl.DigitalWanted};
}

class ChoiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    main_->setGeometry(60, 40, 800, 600);
    main_->show();
    foundation::SetHostMainWindow(main_.get());
  }
  void TearDown() override {
    foundation::SetHostMainWindow(nullptr);
    receipt::ResetTransControl();
    receipt::ResetAuth();
  }

  // Starts from the given flags, asks, and lets `act` answer.
  void Ask(const Flags& start, const std::function<void(ScriptedUser&)>& act) {
    FTransControl.PrintPaper = start.printPaper;
    FTransControl.PrintEFT = start.printEFT;
    fAuth.DefaultQuenlo = start.defaultQuenlo;
    FTransControl.DigitalWanted = start.digitalWanted;
    ScriptedUser user;
    user.WaitForDialog("frmAskVesk2").Check([this](QDialog& d) {
      centreOffset_ =
          (d.frameGeometry().center() - main_->frameGeometry().center()).manhattanLength();
      return QString();
    });
    act(user);
    user.Start();
    dialogs::AskVeskValidated();
    EXPECT_TRUE(user.Finish()) << user.Failure().toStdString();
  }

  std::unique_ptr<QMainWindow> main_ = std::make_unique<QMainWindow>();
  int centreOffset_ = -1;
};

TEST_F(ChoiceTest, EachButtonSetsItsFlags) {
  struct Case {
    const char* button;
    Flags start, expected;
  };
  const Flags allOff{false, false, false, true};
  const Flags allOn{true, true, true, false};
  const Case cases[] = {
      {"btnDigitalOnly", allOn, {false, false, true, true}},
      {"btnDigitalPrint", allOff, {true, true, true, true}},
      // Printed only keeps the customer's digital default, whichever it was.
      {"btnPrintOnly", allOff, {true, true, false, false}},
      {"btnPrintOnly", allOn, {true, true, true, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    Ask(c.start, [&](ScriptedUser& user) { user.Press(c.button).WaitForClose(); });
    EXPECT_EQ(Current(), c.expected);
    EXPECT_LE(centreOffset_, 2) << "centred on the host's main window";
  }
}

TEST_F(ChoiceTest, NeitherCloseBoxNorEscapeEndsTheQuestion) {
  const Flags start{true, false, false, true};
  Ask(start, [](ScriptedUser& user) {
    user.CloseBox().PressEscape().Check([](QDialog& d) {
      return d.isVisible() ? QString() : QString("the dialog closed before a choice");
    });
    user.Grab("screenshots/receipt_choice.png").Press("btnDigitalPrint").WaitForClose();
  });
  EXPECT_EQ(Current(), (Flags{true, true, true, true}));
}

TEST_F(ChoiceTest, TheFormIsBuiltAsDesigned) {
  dialogs::TfrmAskVesk2 form;
  EXPECT_EQ(form.size(), QSize(518, 257));
  EXPECT_EQ(form.windowTitle(), "Quenlos");
  const struct {
    const char* name;
    QRect geometry;
    QString text;
  } controls[] = {
      {"Label1", {20, 20, 469, 25}, "Does The Customer Want A Digital Receipt?"},
      {"btnDigitalOnly", {57, 64, 401, 53}, "Yes - Digital Receipt Only "},
      {"btnDigitalPrint", {57, 128, 401, 53}, "Yes - Digital Receipt + Printed Receipt"},
      {"btnPrintOnly", {57, 192, 401, 53}, "No - Printed Receipt Only"},
  };
  for (const auto& c : controls) {
    SCOPED_TRACE(c.name);
    auto* control = form.findChild<QWidget*>(c.name);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->geometry(), c.geometry);
    const QString text = qobject_cast<QLabel*>(control) != nullptr
                             ? qobject_cast<QLabel*>(control)->text()
                             : qobject_cast<QPushButton*>(control)->text();
    EXPECT_EQ(text, c.text);
    EXPECT_LE(QFontMetrics(control->font()).horizontalAdvance(text), c.geometry.width());
  }
}

}  // namespace
