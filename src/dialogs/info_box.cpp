#include "dialogs/info_box.h"

#include <QLabel>

#include "dialogs/customer_capture.h"
#include "foundation/log.h"
#include "foundation/main_window.h"
#include "foundation/message_form.h"
#include "foundation/ui_guard.h"
#include "receipt/progress_window.h"

namespace dialogs {

TfrmInfoBox::TfrmInfoBox(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("frmInfoBox");
  setModal(false);
  setFixedSize(kClientWidth, kClientHeight);
  lblInfo_ = Place(new QLabel(this), "lblInfo", 16, 16, kClientWidth - 32, kClientHeight - 32);
  lblInfo_->setAlignment(Qt::AlignCenter);
  lblInfo_->setWordWrap(true);
  lblInfo_->setFont(ArialFont(10, true));
}

void TfrmInfoBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  foundation::CentreOnOwner(*this);
}

TInfoBox::TInfoBox(const std::string& text) {
  if (!foundation::UiAvailableOnThisThread()) {
    foundation::KWLog(5, "No user interface on this thread; information box not shown: " + text,
                      foundation::kLevelWarning, "TInfoBox");
    return;
  }
  auto* window = new TfrmInfoBox(foundation::HostMainWindow());
  window->setWindowTitle(foundation::kMessageCaption);
  window->lblInfo()->setText(QString::fromStdString(text));
  window_ = window;
  receipt::ShowPaintedNow(*window);
}

TInfoBox::~TInfoBox() {
  Close();
}

void TInfoBox::Close() {
  TfrmInfoBox* window = window_.data();
  if (window == nullptr) return;
  window_ = nullptr;
  window->close();
  delete window;
}

}  // namespace dialogs
