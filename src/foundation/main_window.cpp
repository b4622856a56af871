#include "foundation/main_window.h"

#include <QApplication>
#include <QPointer>
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

void CentreOnOwner(QWidget& window) {
  const QWidget* owner = window.parentWidget();
  const QRect area = owner != nullptr             ? owner->frameGeometry()
                     : window.screen() != nullptr ? window.screen()->availableGeometry()
                                                  : QRect();
  if (!area.isValid()) return;
  QRect frame = window.frameGeometry();
  frame.moveCenter(area.center());
  window.move(frame.topLeft());
}

}  // namespace foundation
