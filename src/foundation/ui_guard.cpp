#include "foundation/ui_guard.h"

#include <QApplication>
#include <QThread>

namespace foundation {

bool UiAvailableOnThisThread() {
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  return app != nullptr && app->thread() == QThread::currentThread();
}

void RequireUiThread(const std::string& where) {
  if (QCoreApplication::instance() == nullptr ||
      qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
    throw UiUnavailableError(where + ": no QApplication exists, so no window can be shown");
  }
  if (!UiAvailableOnThisThread()) {
    throw UiUnavailableError(where +
                             ": called outside the QApplication's thread, so no window can be "
                             "shown");
  }
}

}  // namespace foundation
