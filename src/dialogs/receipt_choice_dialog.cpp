#include "dialogs/receipt_choice_dialog.h"

#include <QCloseEvent>
#include <QFont>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include "dialogs/enter_key.h"
#include "foundation/helpers_text.h"
#include "foundation/log.h"
#include "foundation/main_window.h"
#include "foundation/prefs_records.h"
#include "foundation/ui_guard.h"
#include "receipt/records.h"

namespace dialogs {

namespace {

constexpr const char* kTag = "TfrmAskVesk2";

QPushButton* AddButton(QWidget* form, const char* name, const QString& caption, int top) {
  auto* button = new QPushButton(caption, form);
  button->setObjectName(name);
  button->setGeometry(57, top, 401, 53);
  return button;
}

void TracePrintSettings() {
  const receipt::TransControl& c = receipt::FTransControl;
  const auto line = [](const std::string& name, bool value) {
    foundation::KWLog(9, name + " = " + foundation::BoolToText(value), foundation::kLevelDebug,
                      kTag);
  };
  line("WSPrefs.DefaultEFTReceiptPrintingOn", foundation::WSPrefs.DefaultEFTReceiptPrintingOn);
  line("TransControl.PrintingEFT", c.PrintingEFT);
  line("TransControl.PrintingPaper", c.PrintingPaper);
  line("TransControl.PrintEFT", c.PrintEFT);
  line("TransControl.PrintPaper", c.PrintPaper);
  line("TransControl.PrintVeskMessagePrint", c.PrintVeskMessagePrint);
}

}  // namespace

TfrmAskVesk2::TfrmAskVesk2(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("frmAskVesk2");
  setWindowTitle("Quenlos");
  setModal(true);
  QFont formFont("Arial", 8);
  formFont.setBold(true);
  setFont(formFont);
  setFixedSize(kClientWidth, kClientHeight);
  KeepEnterFromButtons(*this);

  label1_ = new QLabel("Does The Customer Want A Digital Receipt?", this);
  label1_->setObjectName("Label1");
  label1_->setGeometry(20, 20, 469, 25);
  label1_->setTextFormat(Qt::PlainText);
  label1_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

  btnDigitalOnly_ = AddButton(this, "btnDigitalOnly", "Yes - Digital Receipt Only ", 64);
  btnDigitalPrint_ =
      AddButton(this, "btnDigitalPrint", "Yes - Digital Receipt + Printed Receipt", 128);
  btnPrintOnly_ = AddButton(this, "btnPrintOnly", "No - Printed Receipt Only", 192);
  connect(btnDigitalOnly_, &QPushButton::clicked, this, &TfrmAskVesk2::btnDigitalOnlyClick);
  connect(btnDigitalPrint_, &QPushButton::clicked, this, &TfrmAskVesk2::btnDigitalPrintClick);
  connect(btnPrintOnly_, &QPushButton::clicked, this, &TfrmAskVesk2::btnPrintOnlyClick);
}

void TfrmAskVesk2::showEvent(QShowEvent* event) {
  FormShow();
  foundation::CentreOnHostMainWindow(*this);
  QDialog::showEvent(event);
}

void TfrmAskVesk2::FormShow() {
  FCanClose = false;
}

void TfrmAskVesk2::closeEvent(QCloseEvent* event) {
  if (FCanClose) {
    QDialog::closeEvent(event);
  } else {
    event->ignore();
  }
}

void TfrmAskVesk2::reject() {
  if (FCanClose) QDialog::reject();
}

void TfrmAskVesk2::Choose(const char* trace, bool digital, bool paper) {
  foundation::KWLog(9, trace, foundation::kLevelInfo, kTag);
  receipt::TransControl& c = receipt::FTransControl;
  c.PrintPaper = paper;
  c.PrintEFT = paper;
  // A printed-only choice leaves the customer's digital default as it was.
  if (digital) receipt::fAuth.DefaultQuenlo = true;
  c.DigitalWanted = digital;
  FCanClose = true;
  TracePrintSettings();
  accept();
}

void TfrmAskVesk2::btnDigitalOnlyClick() {
  Choose("USER SELECTED DIGITAL RECEIPT ONLY", true, false);
}

void TfrmAskVesk2::btnDigitalPrintClick() {
  Choose("USER SELECTED DIGITAL RECEIPT + PRINTED RECEIPT", true, true);
}

void TfrmAskVesk2::btnPrintOnlyClick() {
  Choose("USER SELECTED PRINTED RECEIPT ONLY", false, true);
}

void AskVeskValidated() {
  if (!foundation::UiAvailableOnThisThread()) {
    foundation::KWLog(5, "No user interface on this thread; the receipt choice was not asked",
                      foundation::kLevelWarning, "AskVeskValidated");
    return;
  }
  // The owner may free the form while it is shown; the guard then reads null.
  QPointer<TfrmAskVesk2> form = new TfrmAskVesk2(foundation::HostMainWindow());
  form->exec();
  if (!form.isNull()) form->deleteLater();
}

}  // namespace dialogs
