#pragma once
// TfrmTestDialog: asks for the e-mail address a test receipt goes to.

#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;

namespace dialogs {

// Whether the test dialog takes `email` (already trimmed): not empty, the
// first "@" neither first nor among the last two characters, and the first
// "." at or after the "@" but not last. Stricter than ValidateEmailAddress:
// a "." before the "@" is refused.
bool AcceptTestEmail(const std::string& email);

class TfrmTestDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmTestDialog(QWidget* owner = nullptr);

  // The address accepted by "Send" (trimmed).
  std::string Email() const { return email_; }

  static constexpr int kClientWidth = 613;
  static constexpr int kClientHeight = 228;

 private:
  void btnOkClick();

  QLineEdit* edtEmail_;
  QPushButton* btnOk_;
  QPushButton* btnCancel_;
  std::string email_;
};

}  // namespace dialogs
