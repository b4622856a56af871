#include "foundation/main_window.h"

#include <QPointer>
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
  return MainWindowSlot().data();
}

}  // namespace foundation
