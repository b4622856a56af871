#include "dialogs/enter_key.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QToolButton>

namespace dialogs {

namespace {

bool IsEnter(const QEvent& event) {
  if (event.type() != QEvent::KeyPress) return false;
  const int key = static_cast<const QKeyEvent&>(event).key();
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// Owned by the dialog it watches.
class EnterKeyRule : public QObject {
 public:
  explicit EnterKeyRule(QDialog& dialog) : QObject(&dialog), dialog_(&dialog) {
    dialog.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != dialog_) return false;
    // The Show event comes before QDialog picks a default button among the
    // auto-default ones, so it finds none.
    if (event->type() == QEvent::Show) {
      for (QPushButton* button : dialog_->findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
      }
      return false;
    }
    // An Enter no control took. A focused push button (no longer
    // auto-default) or picture button lets it through to the dialog: it is
    // pressed; from any other control (a box, an edit) it presses nothing.
    if (IsEnter(*event)) {
      QWidget* focused = dialog_->focusWidget();
      if (qobject_cast<QPushButton*>(focused) != nullptr ||
          qobject_cast<QToolButton*>(focused) != nullptr) {
        static_cast<QAbstractButton*>(focused)->click();
      }
      event->accept();
      return true;
    }
    return false;
  }

 private:
  QDialog* dialog_;
};

}  // namespace

void KeepEnterFromButtons(QDialog& dialog) {
  new EnterKeyRule(dialog);
}

}  // namespace dialogs
