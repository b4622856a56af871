#include "foundation/message_form.h"

#include <algorithm>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QToolButton>

#include "foundation/log.h"
#include "foundation/main_window.h"
#include "foundation/settings_message.h"
#include "foundation/ui_guard.h"

namespace foundation {

namespace {

constexpr int kDesignWidth = 304;
constexpr int kDesignHeight = 148;
constexpr int kLabelTop = 24;
constexpr int kButtonGap = 24;
constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 44;

// The green tick drawn above the OK button's text.
QIcon OkGlyph() {
  QPixmap pixmap(18, 18);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QPen pen(QColor(0, 128, 0));
  pen.setWidth(3);
  painter.setPen(pen);
  painter.drawLine(QPointF(3, 9), QPointF(7, 14));
  painter.drawLine(QPointF(7, 14), QPointF(15, 4));
  painter.end();
  return QIcon(pixmap);
}

// Checked before QDialog is constructed: Qt aborts the process when a widget
// is created without a QApplication.
QWidget* CheckedOwner(QWidget* owner) {
  RequireUiThread("TfrmDispMess");
  return owner;
}

}  // namespace

TfrmDispMess::TfrmDispMess(QWidget* owner)
    : QDialog(CheckedOwner(owner), Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      lblMess_(new QLabel(this)),
      btnOK_(new QToolButton(this)) {
  setObjectName("frmDispMess");
  setModal(true);
  QFont formFont = font();
  formFont.setBold(true);
  setFont(formFont);
  setFixedSize(kDesignWidth, kDesignHeight);

  lblMess_->setObjectName("lblMess");
  QFont labelFont("Arial");
  labelFont.setPixelSize(13);
  labelFont.setBold(true);
  lblMess_->setFont(labelFont);
  lblMess_->setTextFormat(Qt::PlainText);
  lblMess_->setAlignment(Qt::AlignCenter);
  lblMess_->setWordWrap(false);

  btnOK_->setObjectName("btnOK");
  btnOK_->setText("OK");
  btnOK_->setIcon(OkGlyph());
  btnOK_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  btnOK_->setFocusPolicy(Qt::StrongFocus);
  connect(btnOK_, &QToolButton::clicked, this, &QDialog::accept);
}

void TfrmDispMess::SetCaptionAndMessage(const QString& caption, const QString& message) {
  caption_ = caption;
  message_ = message;
}

void TfrmDispMess::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TfrmDispMess::keyPressEvent(QKeyEvent* event) {
  // The OK button is the default button: Enter presses it.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    btnOK_->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TfrmDispMess::FormShow() {
  setWindowTitle(caption_);
  // A line break written as CR or CR LF (as the messages of the system
  // write it) breaks the line as LF does; a label would show CR as nothing.
  QString shown = message_;
  shown.replace("\r\n", "\n").replace('\r', '\n');
  lblMess_->setText(shown);
  lblMess_->adjustSize();
  const QSize label = lblMess_->size();
  const int width = std::max(label.width() + kExtraWidth, kMinWidth);
  const int height = label.height() + kExtraHeight;
  setFixedSize(width, height);
  lblMess_->move((width - label.width()) / 2, kLabelTop);
  btnOK_->setGeometry((width - kButtonWidth) / 2, kLabelTop + label.height() + kButtonGap,
                      kButtonWidth, kButtonHeight);
  btnOK_->setFocus();
  QScreen* screen =
      parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  if (screen != nullptr) {
    // Centre the whole window, frame included (known once the window exists).
    const QRect area = screen->availableGeometry();
    const QSize frame = frameGeometry().size() - size() + QSize(width, height);
    move(area.x() + (area.width() - frame.width()) / 2,
         area.y() + (area.height() - frame.height()) / 2);
  }
}

void DisplayMessage(const std::string& caption, const std::string& message) {
  RequireUiThread("DisplayMessage");
  QPointer<TfrmDispMess> form = new TfrmDispMess(HostMainWindow());
  form->SetCaptionAndMessage(QString::fromStdString(caption), QString::fromStdString(message));
  form->exec();
  delete form.data();
}

void RouteSettingsMessagesToMessageForm() {
  SetSettingsMessageSink([](const std::string& text) {
    if (UiAvailableOnThisThread()) {
      DisplayMessage(kMessageCaption, text);
    } else {
      KWLog(0, text, kLevelWarning, "DisplayMessage");
    }
  });
}

}  // namespace foundation
