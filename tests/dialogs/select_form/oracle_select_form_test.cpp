// The collection column chooser as the designer meets it: its caption and
// controls, a choice with OK, a double click, and Cancel choosing nothing.

#include "dialogs/oracle_select_form.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

#include "dialogs/oracle_ui_qt.h"
#include "oracle/session/ui_hooks.h"
#include "scripted_user/qt_test_app.h"
#include "scripted_user/scripted_user.h"

namespace {

const bool kQtApp = testsupport::InstallQtApplication();

using testsupport::ScriptedUser;

const std::vector<std::string> kColumns = {"ITEMS (ITEM_TAB)", "TAGS (TAG_ARR)",
                                           "ADDR.PHONES (PHONE_TAB)"};

struct Choice {
  bool ok = false;
  int index = -2;
  bool readOnly = true;
};

// Shows the form directly, or through the library's hook when `throughHook`.
Choice Choose(const std::function<void(ScriptedUser&)>& act, bool throughHook = false) {
  ScriptedUser user;
  user.WaitForDialog("OracleSelectForm");
  act(user);
  user.WaitForClose();
  user.Start();
  Choice choice;
  choice.ok = throughHook
                  ? oracle::SelectMasterCollectionColumn(kColumns, choice.index, choice.readOnly)
                  : dialogs::SelectMasterCollectionColumn(kColumns, choice.index, choice.readOnly);
  EXPECT_TRUE(user.Finish()) << user.Failure().toStdString();
  return choice;
}

TEST(OracleSelectForm, ShowsTheColumnsAndReturnsTheChoice) {
  ASSERT_TRUE(kQtApp);
  QString seen;
  const Choice first = Choose([&](ScriptedUser& user) {
    user.Check([&](QDialog& d) {
      const auto* list = d.findChild<QListWidget*>("CollListBox");
      const auto* check = d.findChild<QCheckBox*>("CollReadOnlyCheck");
      const auto* pages = d.findChild<QTabWidget*>("PageControl");
      if (list == nullptr || check == nullptr || pages == nullptr ||
          d.findChild<QWidget*>("CollSheet") == nullptr ||
          d.findChild<QWidget*>("BottomPanel") == nullptr)
        return QString("a control is missing");
      seen = d.windowTitle() + "|" + QString::number(list->count()) + "|" +
             QString::number(list->currentRow()) + "|" + check->text() + "|" +
             (check->isChecked() ? "checked" : "unchecked") + "|" + QString::number(d.width()) +
             "x" + QString::number(d.height()) + "|" +
             (d.findChild<QPushButton*>("OKBtn")->isDefault() ? "OK default" : "");
      return QString();
    });
    user.Grab("screenshots/oracle_select_form.png");
    user.SelectRow("CollListBox", "2").Tick("CollReadOnlyCheck", false);
    user.Grab("screenshots/oracle_select_form_chosen.png");
    user.Press("OKBtn");
  });
  EXPECT_EQ(
      "Select Master Collection Column for Detail Dataset|3|0|Create ReadOnly DataSet|checked|"
      "558x306|OK default",
      seen.toStdString());
  EXPECT_TRUE(first.ok);
  EXPECT_EQ(2, first.index);
  EXPECT_FALSE(first.readOnly);

  const Choice unchanged = Choose([](ScriptedUser& user) { user.Press("OKBtn"); });
  EXPECT_TRUE(unchanged.ok);
  EXPECT_EQ(0, unchanged.index);
  EXPECT_TRUE(unchanged.readOnly);

  for (const auto& cancel : std::vector<std::function<void(ScriptedUser&)>>{
           [](ScriptedUser& user) { user.SelectRow("CollListBox", "1").Press("CancelBtn"); },
           [](ScriptedUser& user) { user.PressEscape(); }}) {
    const Choice none = Choose(cancel);
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(-1, none.index);
    EXPECT_FALSE(none.readOnly);
  }
}

TEST(OracleSelectForm, TheLibraryHookShowsItAndADoubleClickChooses) {
  ASSERT_TRUE(kQtApp);
  dialogs::InstallOracleUserInterface();
  const Choice choice = Choose(
      [](ScriptedUser& user) {
        user.SelectRow("CollListBox", "1").Check([](QDialog& d) {
          auto* list = d.findChild<QListWidget*>("CollListBox");
          emit list->itemDoubleClicked(list->currentItem());
          return QString();
        });
      },
      true);
  oracle::SetOracleUserInterface(nullptr);
  EXPECT_TRUE(choice.ok);
  EXPECT_EQ(1, choice.index);
}

}  // namespace
