#include "foundation/foreground_window.h"

#include <QWidget>

namespace foundation {

void ForceForegroundWindow(QWidget& window) {
  QWidget& top = *window.window();
  const Qt::WindowStates state = top.windowState();
  if (!(state & Qt::WindowMaximized) && (state & Qt::WindowMinimized)) {
    top.setWindowState(state & ~Qt::WindowMinimized);
  }
  top.raise();
  top.activateWindow();
  if (!top.isActiveWindow()) {
    top.raise();
    top.activateWindow();
  }
}

}  // namespace foundation
