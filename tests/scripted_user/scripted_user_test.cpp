#include "scripted_user/scripted_user.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <chrono>
#include <memory>

#include "scripted_user/qt_test_app.h"

namespace {

using namespace std::chrono_literals;
using testsupport::ScriptedUser;

const bool kQtApp = testsupport::InstallQtApplication();

// A small form like the plug-in's: an edit, a combo, a box, OK and Cancel.
class SampleDialog : public QDialog {
  Q_OBJECT

 public:
  SampleDialog() {
    setObjectName("frmSample");
    setWindowTitle("Sample form");
    auto* layout = new QVBoxLayout(this);
    edit = new QLineEdit(this);
    edit->setObjectName("edtEmail");
    combo = new QComboBox(this);
    combo->setObjectName("cboChoice");
    combo->addItems({"Paper", "Email", "Both"});
    box = new QCheckBox("Opt in", this);
    box->setObjectName("chkOptIn");
    ok = new QPushButton("OK", this);
    ok->setObjectName("btnOK");
    disabled = new QPushButton("Later", this);
    disabled->setObjectName("btnLater");
    disabled->setEnabled(false);
    for (QWidget* w : std::initializer_list<QWidget*>{edit, combo, box, ok, disabled}) {
      layout->addWidget(w);
    }
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(edit, &QLineEdit::textEdited, this, [this] { ++edits; });
  }
  QLineEdit* edit;
  QComboBox* combo;
  QCheckBox* box;
  QPushButton* ok;
  QPushButton* disabled;
  int edits = 0;
};

TEST(ScriptedUser, WaitsAgainForADialogAButtonLeftOpen) {
  SampleDialog dialog;
  auto* lookup = new QPushButton("Look up", &dialog);
  lookup->setObjectName("btnLookup");
  dialog.layout()->addWidget(lookup);
  int lookups = 0;
  QObject::connect(lookup, &QPushButton::clicked, &dialog, [&] { ++lookups; });
  ScriptedUser user;
  user.WaitForDialog("frmSample").Press("btnLookup").WaitForDialog("frmSample").Press("btnOK");
  user.Start();
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
  EXPECT_TRUE(user.Finish()) << user.Failure().toStdString();
  EXPECT_EQ(lookups, 1);
}

TEST(ScriptedUser, FindsADialogByClassObjectNameOrTitle) {
  for (const QString name : {"SampleDialog", "frmSample", "Sample form"}) {
    ScriptedUser user;
    user.WaitForDialog(name).Press("btnOK");
    user.Start();
    SampleDialog dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Accepted) << name.toStdString();
    EXPECT_TRUE(user.Finish()) << user.Failure().toStdString();
  }
}

TEST(ScriptedUser, TimesOutCleanlyWhenNoDialogAppears) {
  ScriptedUser user(100ms);
  user.WaitForDialog("TfrmNeverShown").Press("btnOK");
  user.Start();
  EXPECT_FALSE(user.Finish(5s));
  EXPECT_TRUE(user.Done());
  EXPECT_EQ(user.Failure().toStdString(),
            "step 1 (wait for dialog \"TfrmNeverShown\"): no modal dialog \"TfrmNeverShown\" "
            "appeared within 100 ms");
}

struct FailureCase {
  const char* script;
  const char* failure;
};

class ScriptedUserFailure : public ::testing::TestWithParam<FailureCase> {};

// A script that cannot go on records why and closes the dialog, so exec()
// returns instead of hanging.
TEST_P(ScriptedUserFailure, RecordsWhyAndClosesTheDialog) {
  ScriptedUser user(100ms);
  ASSERT_TRUE(user.AddStepsFromText(GetParam().script));
  user.Start();
  SampleDialog dialog;
  EXPECT_EQ(dialog.exec(), QDialog::Rejected);
  EXPECT_FALSE(user.Finish());
  EXPECT_EQ(user.Failure().toStdString(), GetParam().failure);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScriptedUserFailure,
    ::testing::Values(
        FailureCase{"wait TfrmOther",
                    "step 1 (wait for dialog \"TfrmOther\"): no modal dialog \"TfrmOther\" "
                    "appeared within 100 ms (the active modal dialog is SampleDialog "
                    "\"frmSample\", title \"Sample form\")"},
        FailureCase{"wait frmSample\nfill edtPhone 555",
                    "step 2 (fill \"edtPhone\"): control \"edtPhone\" did not appear in dialog "
                    "SampleDialog \"Sample form\" within 100 ms"},
        FailureCase{"wait frmSample\npress btnLater",
                    "step 2 (press \"btnLater\"): control \"btnLater\" in dialog SampleDialog "
                    "\"Sample form\" stayed disabled within 100 ms"},
        FailureCase{"wait frmSample\nchoose cboChoice Fax",
                    "step 2 (choose \"Fax\" in \"cboChoice\"): no entry \"Fax\" appeared in "
                    "combo box \"cboChoice\" within 100 ms"},
        FailureCase{"wait frmSample\nfill btnOK x",
                    "step 2 (fill \"btnOK\"): control \"btnOK\" is a QPushButton, which cannot "
                    "be typed into"},
        FailureCase{"wait frmSample\ntick edtEmail",
                    "step 2 (tick \"edtEmail\"): control \"edtEmail\" is a QLineEdit, not a "
                    "button"}));

TEST(ScriptedUser, ActsInADialogOpenedByAButtonOfAnother) {
  // Pressing "btnOK" of the outer dialog opens a second modal dialog from the
  // click handler; the script goes on inside that nested exec().
  SampleDialog outer;
  SampleDialog inner;
  inner.setObjectName("frmInner");
  inner.setWindowTitle("Inner");
  QObject::disconnect(outer.ok, nullptr, &outer, nullptr);
  int innerResult = -1;
  QObject::connect(outer.ok, &QPushButton::clicked, &outer, [&] {
    innerResult = inner.exec();
    outer.accept();
  });
  ScriptedUser user;
  user.WaitForDialog("frmSample")
      .Press("btnOK")
      .WaitForDialog("frmInner")
      .Fill("edtEmail", "nested")
      .Press("btnOK");
  user.Start();
  EXPECT_EQ(outer.exec(), QDialog::Accepted);
  EXPECT_TRUE(user.Finish()) << user.Failure().toStdString();
  EXPECT_EQ(innerResult, QDialog::Accepted);
  EXPECT_EQ(inner.edit->text(), "nested");
}

TEST(ScriptedUser, FailureInANestedDialogUnwindsBothLoops) {
  SampleDialog outer;
  SampleDialog inner;
  inner.setObjectName("frmInner");
  QObject::disconnect(outer.ok, nullptr, &outer, nullptr);
  QObject::connect(outer.ok, &QPushButton::clicked, &outer, [&] { inner.exec(); });
  ScriptedUser user(100ms);
  user.WaitForDialog("frmSample").Press("btnOK").WaitForDialog("frmInner").Press("btnMissing");
  user.Start();
  EXPECT_EQ(outer.exec(), QDialog::Rejected);
  EXPECT_FALSE(user.Finish());
  EXPECT_FALSE(inner.isVisible());
}

TEST(ScriptedUser, GrabsAScreenshotAndRunsChecks) {
  const QString path = "screenshots/scripted_user_sample.png";
  QFile::remove(path);
  ScriptedUser user;
  user.WaitForDialog("frmSample")
      .Fill("edtEmail", "shot@example.com")
      .Grab(path)
      .Check([](QDialog& d) {
        return d.findChild<QLineEdit*>("edtEmail")->text() == "shot@example.com"
                   ? QString()
                   : QString("text not filled");
      })
      .Press("btnOK");
  user.Start();
  SampleDialog dialog;
  dialog.exec();
  ASSERT_TRUE(user.Finish()) << user.Failure().toStdString();
  QImage image(path);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), dialog.size() * dialog.devicePixelRatio());

  ScriptedUser failing(100ms);
  failing.WaitForDialog("frmSample").Check([](QDialog&) { return QString("wrong title"); });
  failing.Start();
  SampleDialog second;
  EXPECT_EQ(second.exec(), QDialog::Rejected);
  EXPECT_FALSE(failing.Finish());
  EXPECT_EQ(failing.Failure().toStdString(), "step 2 (check): wrong title");
}

TEST(ScriptedUser, StepsFromText) {
  ScriptedUser user;
  QString error;
  ASSERT_TRUE(
      user.AddStepsFromText("# answers of a scenario\n"
                            "bound 2000\n"
                            "wait Sample form\n"
                            "fill edtEmail a b@example.com\n"
                            "choose cboChoice Both\n"
                            "tick chkOptIn\n"
                            "untick chkOptIn\n"
                            "\n"
                            "press btnOK\n",
                            &error))
      << error.toStdString();
  user.Start();
  SampleDialog dialog;
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
  EXPECT_TRUE(user.Finish()) << user.Failure().toStdString();
  EXPECT_EQ(dialog.edit->text(), "a b@example.com") << "the rest of the line is the text";
  EXPECT_GT(dialog.edits, 0) << "typing counts as a user edit";
  EXPECT_EQ(dialog.combo->currentText(), "Both");
  EXPECT_FALSE(dialog.box->isChecked());
}

TEST(ScriptedUser, KeysGoToTheFocusedControlAndOnToTheDialog) {
  ScriptedUser user;
  QString error;
  ASSERT_TRUE(
      user.AddStepsFromText("wait frmSample\n"
                            "fill edtEmail x@y.example\n"
                            "key Tab\n",
                            &error))
      << error.toStdString();
  user.Check([](QDialog& d) {
    const QWidget* focused = d.focusWidget();
    return focused != nullptr && focused->objectName() == "cboChoice"
               ? QString()
               : QString("the focus is on %1").arg(focused ? focused->objectName() : "nothing");
  });
  // The combo box leaves Enter to the dialog, which presses its default button.
  ASSERT_TRUE(user.AddStepsFromText("key return\n", &error)) << error.toStdString();
  user.Start();
  SampleDialog dialog;
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
  EXPECT_TRUE(user.Finish()) << user.Failure().toStdString();
  EXPECT_FALSE(user.AddStepsFromText("key F13\n", &error));
  EXPECT_EQ(error.toStdString(), "line 1: unknown key: \"key F13\"");
}

// Two tab pages: the second holds a grid, a list view and a spin box.
class PagedDialog : public QDialog {
 public:
  PagedDialog() {
    setObjectName("frmPaged");
    auto* layout = new QVBoxLayout(this);
    auto* tabs = new QTabWidget(this);
    layout->addWidget(tabs);
    tabs->addTab(new QWidget, "&First");
    auto* second = new QWidget;
    auto* inner = new QVBoxLayout(second);
    grid = new QTableWidget(2, 2, second);
    grid->setObjectName("grdCells");
    list = new QTreeWidget(second);
    list->setObjectName("lsvRows");
    list->addTopLevelItem(new QTreeWidgetItem(QStringList{"Alpha"}));
    list->addTopLevelItem(new QTreeWidgetItem(QStringList{"Beta"}));
    spin = new QSpinBox(second);
    spin->setObjectName("edtCount");
    spin->setRange(0, 50);
    for (QWidget* w : std::initializer_list<QWidget*>{grid, list, spin}) inner->addWidget(w);
    tabs->addTab(second, "Second");
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("btnOK");
    layout->addWidget(ok);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  }
  QTableWidget* grid;
  QTreeWidget* list;
  QSpinBox* spin;
};

TEST(ScriptedUser, ReachesTabPagesGridCellsListRowsAndSpinBoxes) {
  ScriptedUser user;
  QString error;
  ASSERT_TRUE(
      user.AddStepsFromText("wait frmPaged\n"
                            "tab Second\n"
                            "cell grdCells 1 0 two words\n"
                            "cell grdCells 0 1\n"
                            "row lsvRows beta\n"
                            "fill edtCount 42\n"
                            "press btnOK\n",
                            &error))
      << error.toStdString();
  user.Start();
  PagedDialog dialog;
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
  EXPECT_TRUE(user.Finish()) << user.Failure().toStdString();
  EXPECT_EQ(dialog.grid->item(1, 0)->text(), "two words");
  EXPECT_EQ(dialog.grid->currentRow(), 0);
  EXPECT_EQ(dialog.grid->currentColumn(), 1);
  EXPECT_EQ(dialog.list->currentItem()->text(0), "Beta");
  EXPECT_TRUE(dialog.list->currentItem()->isSelected());
  EXPECT_EQ(dialog.spin->value(), 42);

  // A hidden page's controls cannot be reached; a missing row is waited for.
  ScriptedUser hidden(300ms);
  hidden.WaitForDialog("frmPaged").SelectRow("lsvRows", "Gamma");
  hidden.Start();
  PagedDialog again;
  again.exec();
  EXPECT_FALSE(hidden.Finish());
  EXPECT_NE(hidden.Failure().indexOf("stayed hidden"), -1) << hidden.Failure().toStdString();
}

TEST(ScriptedUser, BadScriptTextIsRefusedWhole) {
  ScriptedUser user;
  QString error;
  EXPECT_FALSE(user.AddStepsFromText("wait X\njump btnOK\n", &error));
  EXPECT_EQ(error.toStdString(), "line 2: unknown or incomplete step: \"jump btnOK\"");
  EXPECT_FALSE(user.AddStepsFromText("choose cboChoice\n", &error));
  EXPECT_FALSE(user.AddStepsFromText("bound -5\n", &error));
  EXPECT_FALSE(user.AddStepsFromText("cell grdCells one 1\n", &error));
  EXPECT_FALSE(user.AddStepsFromText("row lsvRows\n", &error));
  // Nothing was added: the script is empty and finishes at once.
  user.Start();
  EXPECT_TRUE(user.Finish());
  EXPECT_TRUE(user.Trace().isEmpty());
}

TEST(ScriptedUser, AStepWithoutADialogFails) {
  ScriptedUser user;
  user.Press("btnOK");
  EXPECT_FALSE(user.Finish());
  EXPECT_NE(user.Failure().indexOf("no dialog to act on"), -1) << user.Failure().toStdString();
}

}  // namespace

#include "scripted_user_test.moc"
