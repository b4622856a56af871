#include "foundation/foreground_window.h"

#include <QWidget>

namespace foundation {

void ForceForegroundWindow(QWidget& window) {
  QWidget& top = *window.window();
  // A minimised window is restored to the state it was minimised from: one
  // minimised from the maximised state keeps its maximised flag and comes
  // back maximised; a maximised window that is showing is left as it is.
  const Qt::WindowStates state = top.windowState();
  if (state & Qt::WindowMinimized) {
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
