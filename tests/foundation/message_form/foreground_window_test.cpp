#include "foundation/foreground_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>

#include "scripted_user/qt_test_app.h"

namespace {

const bool kQtApp = testsupport::InstallQtApplication();

// A window behind another, in each state it can be left in, comes to the
// front and becomes the active window; a maximised one stays maximised, a
// minimised one is restored, to the maximised state when it was minimised
// from it.
TEST(ForceForegroundWindow, RestoresUnlessMaximisedRaisesAndActivates) {
  ASSERT_TRUE(kQtApp);
  const struct {
    Qt::WindowStates before;
    Qt::WindowStates after;
  } cases[] = {
      {Qt::WindowNoState, Qt::WindowNoState},
      {Qt::WindowMinimized, Qt::WindowNoState},
      {Qt::WindowMaximized, Qt::WindowMaximized},
      {Qt::WindowMinimized | Qt::WindowMaximized, Qt::WindowMaximized},
  };
  for (const auto& c : cases) {
    QDialog behind;
    QDialog front;
    auto* edit = new QLineEdit(&behind);
    behind.show();
    front.show();
    front.activateWindow();
    QApplication::processEvents();
    behind.setWindowState(c.before);
    QApplication::processEvents();

    foundation::ForceForegroundWindow(*edit);  // any widget of the window
    QApplication::processEvents();
    EXPECT_EQ(behind.windowState() & ~Qt::WindowActive, c.after) << c.before.toInt();
    EXPECT_EQ(QApplication::activeWindow(), &behind) << c.before.toInt();
  }
}

}  // namespace
