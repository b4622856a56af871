// The outcome notices as the cashier meets them: what each shows, where it
// stands, and what its buttons do to the sale's flags.

#include "dialogs/outcome_dialogs.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QScreen>
#include <QToolButton>
#include <functional>
#include <memory>
#include <thread>

#include "foundation/main_window.h"
#include "foundation/prefs_records.h"
#include "receipt/records.h"
#include "scripted_user/qt_test_app.h"
#include "scripted_user/scripted_user.h"

namespace {

const bool kQtApp = testsupport::InstallQtApplication();

using namespace dialogs;
using receipt::FTransControl;
using testsupport::ScriptedUser;

// What a notice looked like while it was shown.
struct Seen {
  QString reason;
  QString custVesk;
  bool boxShown = false;
  bool boxTicked = false;
  QWidget* owner = nullptr;
  QPoint centre;
  QPointer<QDialog> form;
};

// Records the notice as shown; a one-line text wider than its label fails.
QString Record(QDialog& dialog, Seen& seen) {
  for (const QLabel* label : dialog.findChildren<QLabel*>()) {
    if (!label->wordWrap() &&
        label->fontMetrics().horizontalAdvance(label->text()) > label->width()) {
      return label->objectName() + " cuts its text: " + label->text();
    }
  }
  if (auto* fail = qobject_cast<TfrmVeskFail*>(&dialog)) seen.reason = fail->lblReason()->text();
  if (auto* result = qobject_cast<TfrmVeskResult*>(&dialog)) {
    seen.custVesk = result->lblCustVesk()->text();
    seen.boxShown = result->chkEFT()->isVisible();
    seen.boxTicked = result->chkEFT()->isChecked();
  }
  seen.owner = dialog.parentWidget();
  seen.centre = dialog.frameGeometry().center();
  seen.form = &dialog;
  return {};
}

class OutcomeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    receipt::ResetTransControl();
    foundation::WSPrefs = {};
    main_->setGeometry(40, 30, 700, 500);
    main_->show();
    foundation::SetHostMainWindow(main_.get());
  }
  void TearDown() override {
    foundation::SetHostMainWindow(nullptr);
    receipt::ResetTransControl();
  }

  // Shows a notice through `show` while the scripted user records it, saves a
  // screenshot when `shot` names one and then acts as `act` says.
  Seen Run(const QString& form, const std::function<void()>& show, const QString& shot,
           const std::function<void(ScriptedUser&)>& act) {
    seen_ = {};
    ScriptedUser user;
    user.WaitForDialog(form).Check([&](QDialog& d) { return Record(d, seen_); });
    if (!shot.isEmpty()) user.Grab("screenshots/" + shot + ".png");
    act(user);
    user.WaitForClose();
    user.Start();
    show();
    EXPECT_TRUE(user.Finish()) << user.Failure().toStdString();
    return seen_;
  }

  // On the host's main window, or on the screen when the host named none.
  static void ExpectCentred(const Seen& seen) {
    const QWidget* main = foundation::HostMainWindow();
    const QPoint centre = main != nullptr
                              ? main->frameGeometry().center()
                              : QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((seen.centre - centre).manhattanLength(), 2);
  }

  std::unique_ptr<QMainWindow> main_ = std::make_unique<QMainWindow>();
  Seen seen_;  // of the notice Run shows
};

const auto kPressExit = [](ScriptedUser& user) { user.Press("btnExit"); };

TEST_F(OutcomeTest, TheFormsAreBuiltAsDesigned) {
  struct Control {
    const char* name;
    QRect geometry;
    QString text;
  };
  struct Form {
    std::function<QDialog*()> make;
    const char* className;
    const char* objectName;
    QSize client;
    std::vector<Control> controls;
  };
  const std::vector<Form> forms = {
      {[] { return new TfrmVeskFail; },
       "dialogs::TfrmVeskFail",
       "frmVeskFail",
       {576, 154},
       {{"lblReason", {12, 8, 549, 35}, "The Digital Receipt Service is currently not available."},
        {"Label2", {12, 50, 549, 14}, "Paper receipts will be printed."},
        {"btnExit", {247, 78, 81, 69}, "Close"}}},
      {[] { return new TfrmVeskResult; },
       "dialogs::TfrmVeskResult",
       "frmVeskResult",
       {443, 174},
       {{"lblVeskSent",
         {12, 20, 417, 14},
         "A digital copy of the receipt has been sent to Quenlos."},
        {"lblCustVesk", {12, 40, 417, 14}, ""},
        {"chkEFT", {157, 68, 129, 17}, "Print EFT Receipt"},
        {"btnExit", {181, 96, 81, 69}, "OK"}}},
      {[] { return new TfrmVeskQueued; },
       "dialogs::TfrmVeskQueued",
       "frmVeskQueued",
       {444, 148},
       {{"Label1", {12, 20, 417, 14}, "Digital Receipt service is unreachable."},
        {"Label2",
         {12, 44, 417, 14},
         "Your receipt will be sent when communication is re-established."},
        {"btnExit", {181, 71, 81, 69}, "OK"}}},
  };
  for (const Form& f : forms) {
    SCOPED_TRACE(f.className);
    std::unique_ptr<QDialog> form(f.make());
    EXPECT_STREQ(form->metaObject()->className(), f.className);
    EXPECT_EQ(form->objectName(), f.objectName);
    EXPECT_EQ(form->windowTitle(), "Quenlos");
    EXPECT_EQ(form->size(), f.client);
    EXPECT_EQ(form->minimumSize(), form->maximumSize()) << "a fixed dialog border";
    EXPECT_TRUE(form->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(form->windowFlags() &
                 (Qt::WindowMinMaxButtonsHint | Qt::WindowContextHelpButtonHint));
    EXPECT_EQ(form->font().family(), "Arial");
    EXPECT_EQ(form->font().pointSize(), 8);
    EXPECT_TRUE(form->font().bold());
    for (const Control& c : f.controls) {
      SCOPED_TRACE(c.name);
      auto* control = form->findChild<QWidget*>(c.name);
      ASSERT_NE(control, nullptr);
      EXPECT_EQ(control->geometry(), c.geometry);
      const QFontMetrics metrics(control->font());
      if (auto* label = qobject_cast<QLabel*>(control)) {
        EXPECT_EQ(label->text(), c.text);
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        EXPECT_TRUE(label->alignment() & Qt::AlignHCenter);
        EXPECT_LE(metrics.height(), c.geometry.height()) << "a line fits";
      } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        EXPECT_EQ(button->text(), c.text);
      }
      if (auto* button = qobject_cast<QToolButton*>(control)) {
        EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        EXPECT_FALSE(button->icon().pixmap(button->iconSize()).isNull()) << "the picture loaded";
        EXPECT_LE(button->iconSize().height() + metrics.height(), c.geometry.height());
        // A form made again shows the same pixmap: the icon caches what it
        // draws under the pixmap's identity, so a pixmap per notice shown
        // would fill Qt's pixmap cache with copies.
        std::unique_ptr<QDialog> again(f.make());
        const auto* other = again->findChild<QToolButton*>(c.name);
        EXPECT_EQ(other->icon().pixmap(other->iconSize()).cacheKey(),
                  button->icon().pixmap(button->iconSize()).cacheKey());
      }
    }
  }
}

TEST_F(OutcomeTest, TheFailureNoticeGivesTheServicesReasonOnce) {
  struct Case {
    const char* shot;
    std::string serviceText;
    QString reason;
    bool hostMainWindow;
  };
  const std::vector<Case> cases = {
      {"failed_with_reason", "MERCHANT_NOT_FOUND: merchant 1234 is not registered",
       "Error communicating with digital receipt service\n"
       "MERCHANT_NOT_FOUND: merchant 1234 is not registered",
       true},
      {"failed_without_reason", "", "The Digital Receipt Service is currently not available.",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shot);
    foundation::SetHostMainWindow(c.hostMainWindow ? main_.get() : nullptr);
    FTransControl.DigitalSendExDesc = c.serviceText;
    const Seen seen = Run("TfrmVeskFail", VeskFail, c.shot, kPressExit);
    EXPECT_EQ(seen.reason, c.reason);
    EXPECT_EQ(FTransControl.DigitalSendExDesc, "");
    EXPECT_EQ(seen.owner, nullptr) << "the failure notice has no owner";
    ExpectCentred(seen);
    EXPECT_TRUE(seen.form.isNull()) << "freed when it closed";
  }
}

TEST_F(OutcomeTest, TheSentNoticeRecordsTheCardReceiptChoice) {
  enum class Act { Ok, UntickOk, CloseBox, Escape, Enter, EnterOnTheBox };
  struct Case {
    const char* name;
    bool cardTender;
    bool printByDefault;
    bool digitalWanted;
    Act act;
    bool boxShown;
    bool boxTicked;
    bool printEFT;  // afterwards; both flags start as PrintEFT true, PrintingEFT false
    bool printingEFT;
  };
  const std::vector<Case> cases = {
      {"sent_without_box", false, true, false, Act::Ok, false, false, false, false},
      {"sent_with_box", true, true, true, Act::Ok, true, true, true, true},
      {"unticked", true, true, true, Act::UntickOk, true, true, false, false},
      {"not ticked by default", true, false, false, Act::Ok, true, false, false, false},
      {"close box", true, true, true, Act::CloseBox, true, true, true, false},
      {"escape", false, true, false, Act::Escape, false, false, true, false},
      // Enter on the focused "OK" is a click on it.
      {"enter", true, true, true, Act::Enter, true, true, true, true},
      // Enter on the box presses nothing; "OK" then keeps the box unticked.
      {"enter on the box", true, true, true, Act::EnterOnTheBox, true, true, false, false},
  };
  const QString emailed = "A digital copy of the receipt has been emailed to the customer.";
  const QString site = QString("The customer can retrieve a copy at %1.").arg(kCustomerWebSite);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FTransControl.HasCardTender = c.cardTender;
    FTransControl.DigitalWanted = c.digitalWanted;
    FTransControl.PrintEFT = true;
    FTransControl.PrintingEFT = false;
    foundation::WSPrefs.DefaultEFTReceiptPrintingOn = c.printByDefault;
    const bool shot = std::string(c.name).starts_with("sent_");
    const Seen seen =
        Run("TfrmVeskResult", veskSuccess, shot ? c.name : "", [&](ScriptedUser& user) {
          if (c.act == Act::UntickOk) user.Tick("chkEFT", false);
          if (c.act == Act::Ok || c.act == Act::UntickOk) user.Press("btnExit");
          if (c.act == Act::CloseBox) user.CloseBox();
          if (c.act == Act::Escape) user.PressEscape();
          if (c.act == Act::Enter) user.TypeKey("Return");
          if (c.act == Act::EnterOnTheBox) {
            user.Check([](QDialog& d) {
              d.findChild<QCheckBox*>("chkEFT")->setFocus();
              return QString();
            });
            user.TypeKey("Enter").TypeKey("Space").Press("btnExit");
          }
        });
    EXPECT_EQ(seen.boxShown, c.boxShown);
    EXPECT_EQ(seen.boxTicked, c.boxTicked);
    EXPECT_EQ(FTransControl.PrintEFT, c.printEFT);
    EXPECT_EQ(FTransControl.PrintingEFT, c.printingEFT);
    EXPECT_EQ(seen.custVesk, c.digitalWanted ? emailed : site);
    EXPECT_EQ(seen.owner, main_.get());
    ExpectCentred(seen);
    EXPECT_TRUE(seen.form.isNull()) << "freed when it closed";
  }
}

TEST_F(OutcomeTest, TheQueuedNoticeIsFreedOnceTheEventLoopRuns) {
  bool keptUntilTheLoopRuns = false;
  const Seen seen = Run(
      "TfrmVeskQueued",
      [&] {
        VeskQueued();
        keptUntilTheLoopRuns = !seen_.form.isNull();
      },
      "queued", kPressExit);
  EXPECT_EQ(seen.owner, main_.get());
  ExpectCentred(seen);
  EXPECT_TRUE(keptUntilTheLoopRuns) << "freed later, not at once";
  EXPECT_TRUE(seen.form.isNull()) << "freed once the event loop ran";
}

TEST_F(OutcomeTest, AThreadWithoutTheUserInterfaceShowsNothingAndChangesNothing) {
  FTransControl.DigitalSendExDesc = "TIMEOUT";
  FTransControl.PrintEFT = true;
  std::thread worker([] {
    VeskFail();
    veskSuccess();
    VeskQueued();
  });
  worker.join();
  EXPECT_EQ(FTransControl.DigitalSendExDesc, "TIMEOUT");
  EXPECT_TRUE(FTransControl.PrintEFT);
  EXPECT_FALSE(FTransControl.PrintingEFT);
}

}  // namespace
