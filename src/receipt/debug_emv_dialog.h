#pragma once
// The card-data dialog: lets a tester see and change the card-terminal values
// of a card tender before they go into the receipt. Shown only when the host
// was started with the switch "debugemv" set to Y. None of its values is ever
// written to a log.

#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;

namespace receipt {

// Whether the card-data dialog is shown; read once at library start-up.
extern bool DebugEMV;

// Sets DebugEMV from the host's command line: the switch "debugemv" with "-"
// or "/" before it, ":" or "=" after it, the name in any letter case; on when
// its value, upper-cased, is "Y". Run once at library start-up.
void ReadDebugEMVSwitch();

// The eight card-terminal values the dialog shows and edits.
struct EMVValues {
  std::string AuthCode;
  std::string Last4;
  std::string CVMMethod;
  std::string AID;
  std::string AppLabel;
  std::string ExpDate;
  std::string CryptoType;
  std::string Crypto;
};

class TdlgDebugEMV : public QDialog {
  Q_OBJECT

 public:
  explicit TdlgDebugEMV(QWidget* owner = nullptr);

  void SetValues(const EMVValues& values);
  EMVValues Values() const;

  QLineEdit* edtAuthCode() const { return edits_[0]; }
  QLineEdit* edtLast4() const { return edits_[1]; }
  QLineEdit* edtCVMMethod() const { return edits_[2]; }
  QLineEdit* edtAID() const { return edits_[3]; }
  QLineEdit* edtAppLabel() const { return edits_[4]; }
  QLineEdit* edtExpDate() const { return edits_[5]; }
  QLineEdit* edtCryptoType() const { return edits_[6]; }
  QLineEdit* edtCrypto() const { return edits_[7]; }
  QPushButton* btnOk() const { return btnOk_; }
  QPushButton* btnCancel() const { return btnCancel_; }

  static constexpr int kClientWidth = 330;
  static constexpr int kClientHeight = 253;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLineEdit* edits_[8];
  QPushButton* btnOk_;
  QPushButton* btnCancel_;
};

// Fills the dialog with the eight values and shows it modally. "Ok" copies the
// edited texts back into the arguments; "Cancel" (or closing the dialog)
// leaves them as they were. Throws foundation::UiUnavailableError where no
// user interface runs on the calling thread.
void ShowDebugEMV(std::string& authCode, std::string& last4, std::string& cvmMethod,
                  std::string& aid, std::string& appLabel, std::string& expDate,
                  std::string& cryptoType, std::string& crypto);

}  // namespace receipt
