#include "dialogs/outcome_dialogs.h"

#include <QCheckBox>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPixmapCache>
#include <QPointer>
#include <QRect>
#include <QToolButton>
#include <memory>
#include <string>

#include "dialogs/enter_key.h"
#include "foundation/helpers_text.h"
#include "foundation/log.h"
#include "foundation/main_window.h"
#include "foundation/prefs_records.h"
#include "foundation/ui_guard.h"
#include "receipt/records.h"

namespace dialogs {

namespace {

constexpr const char* kCaption = "Quenlos";
constexpr const char* kOkPicture = ":/dialogs/ok.png";
constexpr const char* kClosePicture = ":/dialogs/close.png";
constexpr int kPictureSide = 32;

// Line breaks written as CR or CR LF become the line feeds a label breaks at.
QString DisplayText(const std::string& text) {
  using foundation::ReplaceAllText;
  return QString::fromStdString(ReplaceAllText(ReplaceAllText(text, "\r\n", "\n"), "\r", "\n"));
}

// The picture behind `path` as one pixmap shared by every form: decoded on
// first use and kept in Qt's pixmap cache under the path. The button's icon
// keeps what it draws in that cache under the pixmap's identity, so a new
// pixmap per form would leave new entries there with every notice shown.
QPixmap Picture(const QString& path) {
  QPixmap pixmap;
  if (!QPixmapCache::find(path, &pixmap)) {
    pixmap = QPixmap::fromImage(QImage(path));
    QPixmapCache::insert(path, pixmap);
  }
  return pixmap;
}

// Logs that a notice was not shown; true when the calling thread has no user
// interface.
bool NoUserInterface(const char* where) {
  if (foundation::UiAvailableOnThisThread()) return false;
  foundation::KWLog(5, "No user interface on this thread; the notice was not shown",
                    foundation::kLevelWarning, where);
  return true;
}

}  // namespace

TOutcomeForm::TOutcomeForm(QWidget* owner, const char* name, QSize client,
                           const QRect& exitGeometry, const QString& exitCaption,
                           const QString& picture)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      btnExit_(new QToolButton(this)) {
  setObjectName(name);
  setWindowTitle(kCaption);
  setModal(true);
  QFont formFont("Arial", 8);
  formFont.setBold(true);
  setFont(formFont);
  setFixedSize(client);

  btnExit_->setObjectName("btnExit");
  btnExit_->setText(exitCaption);
  btnExit_->setIcon(QIcon(Picture(picture)));
  btnExit_->setIconSize(QSize(kPictureSide, kPictureSide));
  btnExit_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  btnExit_->setFocusPolicy(Qt::StrongFocus);
  btnExit_->setGeometry(exitGeometry);
  KeepEnterFromButtons(*this);
}

QLabel* TOutcomeForm::AddLabel(const char* name, const QRect& geometry, const QString& text) {
  auto* label = new QLabel(text, this);
  label->setObjectName(name);
  label->setGeometry(geometry);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  return label;
}

void TOutcomeForm::showEvent(QShowEvent* event) {
  // Centred on the host's main window, also when the form has no owner;
  // on the screen when the host named no main window.
  foundation::CentreOnHostMainWindow(*this);
  btnExit_->setFocus();
  QDialog::showEvent(event);
}

TfrmVeskFail::TfrmVeskFail(QWidget* owner)
    : TOutcomeForm(owner, "frmVeskFail", QSize(kClientWidth, kClientHeight), QRect(247, 78, 81, 69),
                   "Close", kClosePicture) {
  lblReason_ = AddLabel("lblReason", QRect(12, 8, 549, 35),
                        "The Digital Receipt Service is currently not available.");
  lblReason_->setWordWrap(true);
  label2_ = AddLabel("Label2", QRect(12, 50, 549, 14), "Paper receipts will be printed.");
  connect(btnExit(), &QToolButton::clicked, this, &QDialog::close);
}

TfrmVeskResult::TfrmVeskResult(QWidget* owner)
    : TOutcomeForm(owner, "frmVeskResult", QSize(kClientWidth, kClientHeight),
                   QRect(181, 96, 81, 69), "OK", kOkPicture) {
  lblVeskSent_ = AddLabel("lblVeskSent", QRect(12, 20, 417, 14),
                          "A digital copy of the receipt has been sent to Quenlos.");
  lblCustVesk_ = AddLabel("lblCustVesk", QRect(12, 40, 417, 14), QString());
  chkEFT_ = new QCheckBox("Print EFT Receipt", this);
  chkEFT_->setObjectName("chkEFT");
  chkEFT_->setGeometry(157, 68, 129, 17);
  connect(btnExit(), &QToolButton::clicked, this, &TfrmVeskResult::btnExitClick);
}

void TfrmVeskResult::showEvent(QShowEvent* event) {
  FormShow();
  TOutcomeForm::showEvent(event);
}

void TfrmVeskResult::FormShow() {
  const receipt::TransControl& control = receipt::FTransControl;
  if (control.HasCardTender) {
    chkEFT_->setChecked(foundation::WSPrefs.DefaultEFTReceiptPrintingOn);
  } else {
    chkEFT_->setVisible(false);
    chkEFT_->setChecked(false);
  }
  lblCustVesk_->setText(
      control.DigitalWanted
          ? QString("A digital copy of the receipt has been emailed to the customer.")
          : QString("The customer can retrieve a copy at %1.").arg(kCustomerWebSite));
}

void TfrmVeskResult::btnExitClick() {
  receipt::TransControl& control = receipt::FTransControl;
  control.PrintEFT = false;
  if (!chkEFT_->isHidden()) {
    control.PrintEFT = chkEFT_->isChecked();
    if (control.PrintEFT) control.PrintingEFT = true;
  }
  close();
}

TfrmVeskQueued::TfrmVeskQueued(QWidget* owner)
    : TOutcomeForm(owner, "frmVeskQueued", QSize(kClientWidth, kClientHeight),
                   QRect(181, 71, 81, 69), "OK", kOkPicture) {
  label1_ = AddLabel("Label1", QRect(12, 20, 417, 14), "Digital Receipt service is unreachable.");
  label2_ = AddLabel("Label2", QRect(12, 44, 417, 14),
                     "Your receipt will be sent when communication is re-established.");
  connect(btnExit(), &QToolButton::clicked, this, &QDialog::close);
}

void VeskFail() {
  if (NoUserInterface("VeskFail")) return;
  // Without an owner nothing else can free the form while it is shown.
  auto form = std::make_unique<TfrmVeskFail>(nullptr);
  std::string& reason = receipt::FTransControl.DigitalSendExDesc;
  if (!reason.empty()) {
    form->lblReason()->setText(
        DisplayText("Error communicating with digital receipt service\r" + reason));
    reason.clear();
  }
  form->exec();
}

void veskSuccess() {
  if (NoUserInterface("veskSuccess")) return;
  // The owner may free the form while it is shown; the guard then reads null.
  QPointer<TfrmVeskResult> form = new TfrmVeskResult(foundation::HostMainWindow());
  form->exec();
  std::unique_ptr<TfrmVeskResult> owned(form.data());
}

void VeskQueued() {
  if (NoUserInterface("VeskQueued")) return;
  QPointer<TfrmVeskQueued> form = new TfrmVeskQueued(foundation::HostMainWindow());
  form->exec();
  if (!form.isNull()) form->deleteLater();
}

}  // namespace dialogs
