#pragma once
// The one question asked of a customer the receipt service already knows:
// a digital receipt only, a digital and a printed one, or only a printed one.
// The answer goes into the sale's flags (FTransControl, FAuthRec).

#include <QDialog>

class QLabel;
class QPushButton;

namespace dialogs {

class TfrmAskVesk2 : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmAskVesk2(QWidget* owner = nullptr);

  static constexpr int kClientWidth = 518;
  static constexpr int kClientHeight = 257;

  // The close box and Escape are refused until a choice button was pressed.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormShow();
  void btnDigitalOnlyClick();
  void btnDigitalPrintClick();
  void btnPrintOnlyClick();
  // Records a choice: traces it, sets the print and digital flags, allows
  // the close, traces the print settings and closes the dialog.
  void Choose(const char* trace, bool digital, bool paper);

  QLabel* label1_;
  QPushButton* btnDigitalOnly_;
  QPushButton* btnDigitalPrint_;
  QPushButton* btnPrintOnly_;
  bool FCanClose = false;
};

// Asks the question modally on the host's main window. Without a user
// interface on the calling thread it logs a warning and changes nothing.
void AskVeskValidated();

}  // namespace dialogs
