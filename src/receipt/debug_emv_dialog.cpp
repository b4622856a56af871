#include "receipt/debug_emv_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <memory>

#include "foundation/cmdline.h"
#include "foundation/helpers_text.h"
#include "foundation/main_window.h"
#include "foundation/ui_guard.h"

namespace receipt {

bool DebugEMV = false;

void ReadDebugEMVSwitch() {
  std::string value;
  DebugEMV = foundation::FindCmdLineSwitchValue("debugemv", "-/", true, value) &&
             foundation::helpers::UpperAscii(value) == "Y";
}

namespace {

struct Row {
  const char* caption;
  const char* editName;
};

constexpr Row kRows[8] = {
    {"Auth code:", "edtAuthCode"},     {"Last 4:", "edtLast4"},
    {"CVM method:", "edtCVMMethod"},   {"AID:", "edtAID"},
    {"App Label:", "edtAppLabel"},     {"Exp date:", "edtExpDate"},
    {"Crypto type:", "edtCryptoType"}, {"Crypto:", "edtCrypto"},
};

constexpr int kLabelLeft = 8;
constexpr int kLabelWidth = 90;
constexpr int kEditLeft = 104;
constexpr int kEditWidth = 210;
constexpr int kRowTop = 12;
constexpr int kRowPitch = 25;
constexpr int kRowHeight = 21;

}  // namespace

TdlgDebugEMV::TdlgDebugEMV(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("dlgDebugEMV");
  setWindowTitle("dlgDebugEMV");
  setFixedSize(kClientWidth, kClientHeight);

  for (int i = 0; i < 8; ++i) {
    const int top = kRowTop + i * kRowPitch;
    auto* label = new QLabel(kRows[i].caption, this);
    label->setGeometry(kLabelLeft, top, kLabelWidth, kRowHeight);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* edit = new QLineEdit(this);
    edit->setObjectName(kRows[i].editName);
    edit->setGeometry(kEditLeft, top, kEditWidth, kRowHeight);
    label->setBuddy(edit);
    edits_[i] = edit;
  }

  btnOk_ = new QPushButton("Ok", this);
  btnOk_->setObjectName("btnOk");
  btnOk_->setGeometry(kEditLeft, 216, 75, 25);
  btnOk_->setDefault(true);
  connect(btnOk_, &QPushButton::clicked, this, &QDialog::accept);

  btnCancel_ = new QPushButton("Cancel", this);
  btnCancel_->setObjectName("btnCancel");
  btnCancel_->setGeometry(kEditLeft + 85, 216, 75, 25);
  connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void TdlgDebugEMV::SetValues(const EMVValues& v) {
  const std::string* values[8] = {&v.AuthCode, &v.Last4,   &v.CVMMethod,  &v.AID,
                                  &v.AppLabel, &v.ExpDate, &v.CryptoType, &v.Crypto};
  for (int i = 0; i < 8; ++i) edits_[i]->setText(QString::fromStdString(*values[i]));
}

EMVValues TdlgDebugEMV::Values() const {
  EMVValues v;
  std::string* values[8] = {&v.AuthCode, &v.Last4,   &v.CVMMethod,  &v.AID,
                            &v.AppLabel, &v.ExpDate, &v.CryptoType, &v.Crypto};
  for (int i = 0; i < 8; ++i) *values[i] = edits_[i]->text().toStdString();
  return v;
}

void TdlgDebugEMV::showEvent(QShowEvent* event) {
  // Centred on the screen.
  foundation::CentreFrameOn(*this, foundation::ScreenArea(*this));
  QDialog::showEvent(event);
}

void ShowDebugEMV(std::string& authCode, std::string& last4, std::string& cvmMethod,
                  std::string& aid, std::string& appLabel, std::string& expDate,
                  std::string& cryptoType, std::string& crypto) {
  foundation::RequireUiThread("ShowDebugEMV");
  // The owner may free the dialog while it is shown; the guard then reads null.
  QPointer<TdlgDebugEMV> dialog = new TdlgDebugEMV(foundation::HostMainWindow());
  dialog->SetValues({authCode, last4, cvmMethod, aid, appLabel, expDate, cryptoType, crypto});
  const bool accepted = dialog->exec() == QDialog::Accepted && !dialog.isNull();
  std::unique_ptr<TdlgDebugEMV> owned(dialog.data());
  if (!accepted) return;
  EMVValues v = owned->Values();
  authCode = std::move(v.AuthCode);
  last4 = std::move(v.Last4);
  cvmMethod = std::move(v.CVMMethod);
  aid = std::move(v.AID);
  appLabel = std::move(v.AppLabel);
  expDate = std::move(v.ExpDate);
  cryptoType = std::move(v.CryptoType);
  crypto = std::move(v.Crypto);
}

}  // namespace receipt
