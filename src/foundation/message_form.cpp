#include "foundation/message_form.h"

#include <algorithm>

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStringList>
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

// Room kept for the window's frame while the window system has not told it.
constexpr int kFrameAllowanceWidth = 16;
constexpr int kFrameAllowanceHeight = 48;
// Kept free beside a line broken to fit: the breaks add up character widths,
// which may differ from the laid-out line by a pixel or two.
constexpr int kFitMargin = 8;

}  // namespace

QString FitLines(const QString& text, const QFontMetrics& font, int width) {
  // Widths summed exactly: a laid-out line is as wide as its characters'
  // fractional advances add up to, not their rounded ones.
  const QFontMetricsF metrics(font);
  QString out;
  out.reserve(text.size() + text.size() / 64 + 1);
  const QStringList lines = text.split(u'\n');
  for (qsizetype l = 0; l < lines.size(); ++l) {
    if (l > 0) out += u'\n';
    const QString& line = lines[l];
    qsizetype start = 0;   // where the piece being laid out begins
    qsizetype blank = -1;  // its last blank
    qreal used = 0;        // the width of line[start, i)
    qreal afterBlank = 0;  // the width of what follows that blank
    for (qsizetype i = 0; i < line.size(); ++i) {
      const qreal advance = metrics.horizontalAdvance(line[i]);
      while (used + advance > width && i > start) {
        if (blank >= start) {
          // After the last blank that fits; the blank itself is dropped.
          out += QStringView(line).mid(start, blank - start);
          start = blank + 1;
          used = afterBlank;
        } else {
          // No blank to break at: the run breaks where it reaches the width.
          out += QStringView(line).mid(start, i - start);
          start = i;
          used = 0;
        }
        out += u'\n';
        blank = -1;
        afterBlank = 0;
      }
      used += advance;
      if (line[i] == u' ') {
        blank = i;
        afterBlank = 0;
      } else {
        afterBlank += advance;
      }
    }
    out += QStringView(line).mid(start);
  }
  return out;
}

namespace {

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

void TfrmDispMess::FitLabel(const QString& text, int width) {
  // The label may lay a line out a little wider than its characters add up
  // to (kerning): narrower breaks until it fits.
  int target = width - kFitMargin;
  for (int attempt = 0; attempt < 4 && target > 0; ++attempt) {
    lblMess_->setText(FitLines(text, lblMess_->fontMetrics(), target));
    lblMess_->adjustSize();
    if (lblMess_->width() <= width) return;
    target -= lblMess_->width() - width + kFitMargin;
  }
}

void TfrmDispMess::FormShow() {
  setWindowTitle(caption_);
  // A line break written as CR or CR LF (as the messages of the system
  // write it) breaks the line as LF does; a label would show CR as nothing.
  QString shown = message_;
  shown.replace("\r\n", "\n").replace('\r', '\n');
  QScreen* screen =
      parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  const QRect area = screen != nullptr ? screen->availableGeometry() : QRect();
  QSize frame = frameGeometry().size() - size();
  if (frame.isEmpty()) frame = QSize(kFrameAllowanceWidth, kFrameAllowanceHeight);
  // The window never outgrows the screen: a line wider than the screen
  // allows breaks, and a text taller than it scrolls above the button.
  const int widest = area.width() - frame.width() - kExtraWidth;
  const int tallest = area.height() - frame.height() - kExtraHeight;
  if (scrMess_ != nullptr) {
    scrMess_->takeWidget();
    lblMess_->setParent(this);
    lblMess_->show();
    delete scrMess_;
    scrMess_ = nullptr;
  }
  lblMess_->setText(shown);
  lblMess_->adjustSize();
  if (!area.isEmpty() && lblMess_->width() > widest) FitLabel(shown, widest);
  QWidget* text = lblMess_;
  QSize textSize = lblMess_->size();
  if (!area.isEmpty() && textSize.height() > tallest) {
    scrMess_ = new QScrollArea(this);
    scrMess_->setObjectName("scrMess");
    scrMess_->setFrameShape(QFrame::NoFrame);
    scrMess_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrMess_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The scroll bar takes its width from the text's.
    const int bar = scrMess_->verticalScrollBar()->sizeHint().width();
    if (lblMess_->width() > widest - bar) FitLabel(shown, widest - bar);
    scrMess_->setWidget(lblMess_);
    text = scrMess_;
    textSize = QSize(lblMess_->width() + bar, std::max(tallest, 0));
    scrMess_->show();
  }
  const int width = std::max(textSize.width() + kExtraWidth, kMinWidth);
  const int height = textSize.height() + kExtraHeight;
  setFixedSize(width, height);
  text->setGeometry((width - textSize.width()) / 2, kLabelTop, textSize.width(), textSize.height());
  btnOK_->setGeometry((width - kButtonWidth) / 2, kLabelTop + textSize.height() + kButtonGap,
                      kButtonWidth, kButtonHeight);
  btnOK_->setFocus();
  if (screen != nullptr) {
    // Centre the whole window, frame included (known once the window exists).
    const QSize whole = frameGeometry().size() - size() + QSize(width, height);
    move(area.x() + (area.width() - whole.width()) / 2,
         area.y() + (area.height() - whole.height()) / 2);
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
