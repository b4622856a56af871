#include "foundation/main_window.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QRect>
#include <QScreen>
#include <QVariant>
#include <QWidget>

namespace foundation {

namespace {

QPointer<QWidget>& MainWindowSlot() {
  static QPointer<QWidget> window;
  return window;
}

}  // namespace

void SetHostMainWindow(QWidget* window) {
  MainWindowSlot() = window;
}

QWidget* HostMainWindow() {
  if (QWidget* window = MainWindowSlot().data()) return window;
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return nullptr;
  // The property holds a plain pointer that outlives the window if the host
  // forgets to clear it, so it is only compared, never dereferenced, until it
  // is found among the live top-level windows.
  const void* named = app->property(kHostMainWindowProperty).value<QObject*>();
  if (named == nullptr) return nullptr;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window == named) return window;
  }
  return nullptr;
}

QRect ScreenArea(const QWidget& window) {
  const QScreen* screen = window.screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry() : QRect();
}

void CentreFrameOn(QWidget& window, const QRect& area) {
  if (!area.isValid()) return;
  QRect frame = window.frameGeometry();
  frame.moveCenter(area.center());
  window.move(frame.topLeft());
}

void CentreOnHostMainWindow(QWidget& window) {
  const QWidget* main = HostMainWindow();
  CentreFrameOn(window, main != nullptr ? main->frameGeometry() : ScreenArea(window));
}

void CentreOnOwner(QWidget& window) {
  const QWidget* owner = window.parentWidget();
  CentreFrameOn(window, owner != nullptr ? owner->frameGeometry() : ScreenArea(window));
}

}  // namespace foundation
