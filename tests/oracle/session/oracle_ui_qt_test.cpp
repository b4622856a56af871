// The Qt-backed user interface of the Oracle library: override cursor, the
// message dialog's buttons and answer, silence off the UI thread, and the
// calls of a query's thread run from the event loop.

#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <thread>

#include "dialogs/oracle_ui_qt.h"
#include "oracle/query/query.h"
#include "scripted_user/qt_test_app.h"

namespace {

using namespace oracle;

const bool kQtApp = testsupport::InstallQtApplication();

class OracleUiQtTest : public ::testing::Test {
 protected:
  // Presses `button` of the message box once it is shown; records the
  // buttons it had.
  void AnswerWith(QMessageBox::StandardButton button) {
    QTimer::singleShot(0, [this, button] {
      QMessageBox* box = nullptr;
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* b = qobject_cast<QMessageBox*>(w); b != nullptr && b->isVisible()) box = b;
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->objectName(), "OracleMessageDialog");
      shown_ = box->standardButtons();
      icon_ = box->icon();
      text_ = box->text().toStdString();
      if (QAbstractButton* b = box->button(button)) {
        b->click();
      } else {
        box->reject();
      }
    });
  }

  QMessageBox::StandardButtons shown_;
  QMessageBox::Icon icon_ = QMessageBox::NoIcon;
  std::string text_;
};

TEST_F(OracleUiQtTest, DialogShowsTheLetteredButtonsAndReturnsThePressedOne) {
  dialogs::TOracleUiQt ui;
  AnswerWith(QMessageBox::No);
  EXPECT_EQ(ui.MessageDialog("Apply changes?", ButtonsFromLetters("YNC")), mrNo);
  EXPECT_EQ(shown_, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  EXPECT_EQ(icon_, QMessageBox::Question);
  EXPECT_EQ(text_, "Apply changes?");

  AnswerWith(QMessageBox::YesToAll);
  EXPECT_EQ(ui.MessageDialog("All?", ButtonsFromLetters("AI")), mrAll);
  EXPECT_EQ(shown_, QMessageBox::YesToAll | QMessageBox::Ignore);

  AnswerWith(QMessageBox::Ok);
  EXPECT_EQ(ui.MessageDialog("Done", ButtonsFromLetters("O")), mrOk);
}

TEST_F(OracleUiQtTest, CursorIsOverriddenUntilRestoredOnlyOnTheUiThread) {
  dialogs::TOracleUiQt ui;
  ui.SetScreenCursor(crSQLWait);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  EXPECT_EQ(ui.GetScreenCursor(), crSQLWait);
  ui.SetScreenCursor(-2);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::ArrowCursor);
  ui.SetScreenCursor(crDefault);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  ui.SetScreenCursor(crDefault);  // nothing left to restore
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  // Off the UI thread nothing is shown and nothing blocks.
  int answer = -1;
  std::thread worker([&] {
    ui.SetScreenCursor(crSQLWait);
    answer = ui.MessageDialog("Anyone?", ButtonsFromLetters("YN"));
  });
  worker.join();
  EXPECT_EQ(answer, mrNone);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(OracleUiQtTest, InstalledItRunsQueryThreadEventsFromTheEventLoop) {
  dialogs::InstallOracleUserInterface();
  EXPECT_NE(dynamic_cast<dialogs::TOracleUiQt*>(OracleUserInterface().get()), nullptr);
  std::vector<std::string> events;
  QEventLoop loop;
  const auto mainThread = std::this_thread::get_id();
  {
    TOracleQuery query;  // no session: the run fails at once
    query.SetThreaded(true);
    query.OnThreadError = [&](TOracleQuery&, int32_t code, const std::string& text) {
      EXPECT_EQ(std::this_thread::get_id(), mainThread);
      events.push_back(std::to_string(code) + " " + text);
    };
    query.OnThreadFinished = [&](TOracleQuery&) {
      EXPECT_EQ(std::this_thread::get_id(), mainThread);
      events.push_back("finished");
      loop.quit();
    };
    query.Execute();
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);  // a bound, should the run hang
    loop.exec();
  }
  SetOracleUserInterface(nullptr);
  EXPECT_EQ(events, (std::vector<std::string>{"0 Session undefined", "finished"}));
}

}  // namespace
