// The cashier of a run: an expected dialog is answered by its steps, an
// unexpected one is listed, failed and closed, so the event showing it
// returns.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <sstream>

#include "cashier.h"
#include "scripted_user/qt_test_app.h"

namespace {

[[maybe_unused]] const bool kQtApp = testsupport::InstallQtApplication();

// A small capture dialog: a label, an e-mail field and an OK button.
int ShowCapture(QString* typed) {
  QDialog dialog;
  dialog.setObjectName("TfrmCapture");
  dialog.setWindowTitle("Receipt");
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel("E-mail address:", &dialog));
  auto* edit = new QLineEdit(&dialog);
  edit->setObjectName("edtEmail");
  layout->addWidget(edit);
  auto* ok = new QPushButton("OK", &dialog);
  ok->setObjectName("btnOK");
  layout->addWidget(ok);
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  const int result = dialog.exec();
  *typed = edit->text();
  return result;
}

TEST(Cashier, AnswersExpectedDialogsAndClosesUnexpectedOnes) {
  std::ostringstream transcript;
  hostsim::Cashier cashier({{{12}, "TfrmCapture", "fill edtEmail ann@x.test\npress btnOK\n"}}, 2000,
                           "/tmp", &transcript);
  cashier.Start();
  QString typed;
  EXPECT_EQ(ShowCapture(&typed), QDialog::Accepted);
  EXPECT_EQ(typed, "ann@x.test");
  EXPECT_EQ(ShowCapture(&typed), QDialog::Rejected) << "the second one was not expected";
  cashier.Finish();

  ASSERT_EQ(cashier.Shown().size(), 2u);
  EXPECT_EQ(cashier.Shown()[0].objectName, "TfrmCapture");
  EXPECT_EQ(cashier.Shown()[0].title, "Receipt");
  EXPECT_EQ(cashier.Shown()[0].texts, (std::vector<std::string>{"E-mail address:", "OK"}));
  ASSERT_EQ(cashier.Failures().size(), 1u);
  EXPECT_NE(cashier.Failures()[0].find("unexpected dialog QDialog \"Receipt\""), std::string::npos)
      << cashier.Failures()[0];
  EXPECT_NE(transcript.str().find("  Dialog 1: QDialog \"TfrmCapture\", title \"Receipt\"\n"
                                  "    text: \"E-mail address:\"\n    text: \"OK\"\n"),
            std::string::npos)
      << transcript.str();
  EXPECT_NE(transcript.str().find("step 3: press \"btnOK\""), std::string::npos);
}

TEST(Cashier, AStepThatCannotBeDoneOrADialogNeverShownFails) {
  hostsim::Cashier cashier({{{3}, "TfrmCapture", "press btnMissing\n"}, {{9}, "Other", ""}}, 300,
                           "/tmp");
  cashier.Start();
  QString typed;
  EXPECT_EQ(ShowCapture(&typed), QDialog::Rejected);
  cashier.Finish();
  ASSERT_EQ(cashier.Failures().size(), 2u);
  EXPECT_NE(cashier.Failures()[0].find("scenario line 3"), std::string::npos);
  EXPECT_NE(cashier.Failures()[0].find("btnMissing"), std::string::npos);
  EXPECT_EQ(cashier.Failures()[1], "dialog \"Other\" (scenario line 9) was never shown");
}

// A box shows its state as the dialog came up, beside its caption; ticking
// it afterwards does not change what was shown.
TEST(Cashier, ABoxIsShownTickedOrNot) {
  hostsim::Cashier cashier({{{5}, "TfrmBoxes", "tick chkNo\npress btnOK\n"}}, 2000, "/tmp");
  cashier.Start();
  QDialog dialog;
  dialog.setObjectName("TfrmBoxes");
  auto* layout = new QVBoxLayout(&dialog);
  auto* yes = new QCheckBox("Member", &dialog);
  yes->setChecked(true);
  layout->addWidget(yes);
  auto* no = new QCheckBox("Opt-in", &dialog);
  no->setObjectName("chkNo");
  layout->addWidget(no);
  auto* ok = new QPushButton("OK", &dialog);
  ok->setObjectName("btnOK");
  layout->addWidget(ok);
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
  cashier.Finish();
  EXPECT_TRUE(no->isChecked());
  ASSERT_EQ(cashier.Shown().size(), 1u);
  EXPECT_EQ(cashier.Shown()[0].texts,
            (std::vector<std::string>{"Member", "[x] Member", "Opt-in", "[ ] Opt-in", "OK"}));
  EXPECT_TRUE(cashier.Failures().empty());
}

}  // namespace
