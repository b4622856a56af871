#include "dialogs/oracle_ui_qt.h"

#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QPushButton>

#include "dialogs/oracle_select_form.h"
#include "foundation/main_window.h"
#include "foundation/ui_guard.h"
#include "oracle/session/main_thread_calls.h"

namespace dialogs {

namespace {

Qt::CursorShape ShapeOf(oracle::TCursor cursor) {
  switch (cursor) {
    case oracle::crSQLWait:
      return Qt::WaitCursor;
    case -2:
      return Qt::ArrowCursor;
    case -4:
      return Qt::IBeamCursor;
    case -19:
      return Qt::BusyCursor;
    case -21:
      return Qt::PointingHandCursor;
    default:
      return Qt::WaitCursor;
  }
}

}  // namespace

void TOracleUiQt::MainThreadCallsWaiting() {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return;
  QMetaObject::invokeMethod(
      app, [] { oracle::CheckSynchronize(); }, Qt::QueuedConnection);
}

oracle::TCursor TOracleUiQt::GetScreenCursor() {
  return cursor_;
}

void TOracleUiQt::SetScreenCursor(oracle::TCursor cursor) {
  if (!foundation::UiAvailableOnThisThread()) return;
  cursor_ = cursor;
  if (cursor == oracle::crDefault) {
    if (overriding_) QApplication::restoreOverrideCursor();
    overriding_ = false;
    return;
  }
  if (overriding_) {
    QApplication::changeOverrideCursor(QCursor(ShapeOf(cursor)));
  } else {
    QApplication::setOverrideCursor(QCursor(ShapeOf(cursor)));
    overriding_ = true;
  }
}

int TOracleUiQt::MessageDialog(const std::string& text, oracle::TMsgDlgButtons buttons) {
  if (!foundation::UiAvailableOnThisThread()) return oracle::mrNone;
  QMessageBox::StandardButtons standard;
  if (buttons & oracle::mbYes) standard |= QMessageBox::Yes;
  if (buttons & oracle::mbNo) standard |= QMessageBox::No;
  if (buttons & oracle::mbOK) standard |= QMessageBox::Ok;
  if (buttons & oracle::mbCancel) standard |= QMessageBox::Cancel;
  if (buttons & oracle::mbIgnore) standard |= QMessageBox::Ignore;
  if (buttons & oracle::mbAll) standard |= QMessageBox::YesToAll;
  // Without any button the message box adds its own OK, so the dialog can
  // always be closed.
  QMessageBox box(QMessageBox::Question, QApplication::applicationName(),
                  QString::fromStdString(text), standard, foundation::HostMainWindow());
  box.setObjectName("OracleMessageDialog");
  box.exec();
  switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes:
      return oracle::mrYes;
    case QMessageBox::No:
      return oracle::mrNo;
    case QMessageBox::Ok:
      return oracle::mrOk;
    case QMessageBox::Cancel:
      return oracle::mrCancel;
    case QMessageBox::Ignore:
      return oracle::mrIgnore;
    case QMessageBox::YesToAll:
      return oracle::mrAll;
    default:
      return oracle::mrNone;
  }
}

bool TOracleUiQt::SelectMasterCollectionColumn(const std::vector<std::string>& columns, int& index,
                                               bool& readOnly) {
  index = -1;
  readOnly = false;
  if (!foundation::UiAvailableOnThisThread()) return false;
  return dialogs::SelectMasterCollectionColumn(columns, index, readOnly);
}

void InstallOracleUserInterface() {
  oracle::SetOracleUserInterface(std::make_shared<TOracleUiQt>());
}

}  // namespace dialogs
