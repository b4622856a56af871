#include "dialogs/test_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "dialogs/enter_key.h"
#include "foundation/message_form.h"

namespace dialogs {

bool AcceptTestEmail(const std::string& email) {
  if (email.empty()) return false;
  const size_t at = email.find('@');
  const size_t dot = email.find('.');
  if (at == std::string::npos || at < 1 || at + 3 > email.size()) return false;
  return dot != std::string::npos && dot >= at && dot + 1 < email.size();
}

TfrmTestDialog::TfrmTestDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("TfrmTestDialog");
  setWindowTitle("Test");
  setFixedSize(kClientWidth, kClientHeight);

  auto* label = new QLabel("Email:", this);
  label->setObjectName("Label1");
  label->setGeometry(40, 60, 60, 24);
  edtEmail_ = new QLineEdit(this);
  edtEmail_->setObjectName("edtEmail");
  edtEmail_->setGeometry(110, 58, 460, 28);
  btnOk_ = new QPushButton("Send", this);
  btnOk_->setObjectName("btnOk");
  btnOk_->setGeometry(370, 150, 95, 32);
  btnCancel_ = new QPushButton("Cancel", this);
  btnCancel_->setObjectName("btnCancel");
  btnCancel_->setGeometry(475, 150, 95, 32);

  KeepEnterFromButtons(*this);
  connect(btnOk_, &QPushButton::clicked, this, &TfrmTestDialog::btnOkClick);
  connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmTestDialog::btnOkClick() {
  const QString trimmed = edtEmail_->text().trimmed();
  edtEmail_->setText(trimmed);
  const std::string email = trimmed.toStdString();
  if (AcceptTestEmail(email)) {
    email_ = email;
    accept();
    return;
  }
  foundation::DisplayMessage(foundation::kMessageCaption, "Please enter a valid email address");
  edtEmail_->setFocus();
}

}  // namespace dialogs
