#include "receipt/progress_window.h"

#include <QApplication>
#include <QEventLoop>
#include <QFont>
#include <QLabel>
#include <QPointer>

#include "foundation/log.h"
#include "foundation/main_window.h"
#include "foundation/ui_guard.h"

namespace receipt {

namespace {

constexpr const char* kShowTag = "ShowNM";

// The one progress window; cleared when it is freed, by CloseNM or by its
// owner.
QPointer<TfrmNM> gProgressWindow;

QFont BoldArial(int pixelSize) {
  QFont font("Arial");
  font.setBold(true);
  if (pixelSize > 0) font.setPixelSize(pixelSize);
  return font;
}

}  // namespace

TfrmNM::TfrmNM(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("TfrmNM");
  setModal(false);
  setFont(BoldArial(0));
  setFixedSize(kClientWidth, kClientHeight);

  label1_ = new QLabel("Transmitting Customer Information...", this);
  label1_->setObjectName("Label1");
  label1_->setGeometry(50, 40, 333, 19);
  label1_->setAlignment(Qt::AlignCenter);
  label1_->setFont(BoldArial(16));
}

void TfrmNM::showEvent(QShowEvent* event) {
  foundation::CentreOnOwner(*this);
  QDialog::showEvent(event);
}

void ShowNM(const std::string& caption, const std::string& text) {
  if (!foundation::UiAvailableOnThisThread()) {
    foundation::KWLog(5, "No user interface on this thread; progress window not shown",
                      foundation::kLevelWarning, kShowTag);
    return;
  }
  CloseNM();
  auto* window = new TfrmNM(foundation::HostMainWindow());
  window->setAttribute(Qt::WA_DeleteOnClose, false);
  window->setWindowTitle(QString::fromStdString(caption));
  window->Label1()->setText(QString::fromStdString(text));
  gProgressWindow = window;
  ShowPaintedNow(*window);
}

void ShowPaintedNow(QWidget& window) {
  // A window made and shown just now is mapped on top already; it is not
  // raised again.
  window.show();
  window.repaint();
  // Let the window system map and draw it before the caller blocks.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CloseNM() {
  TfrmNM* window = gProgressWindow.data();
  if (window == nullptr) return;
  gProgressWindow = nullptr;
  window->close();
  delete window;
}

TfrmNM* CurrentProgressWindow() {
  return gProgressWindow.data();
}

}  // namespace receipt
