#pragma once
// The three notices that tell the cashier how the digital receipt ended once
// the sale was saved: sent (TfrmVeskResult, which also offers the card
// receipt), not possible so paper receipts follow (TfrmVeskFail), or queued
// for later sending (TfrmVeskQueued). Each is a small fixed-size modal form
// titled "Quenlos" with one picture button, btnExit, that closes it.

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QRect;
class QToolButton;

namespace dialogs {

// The receipt service's web site for customers, named to the cashier when
// the receipt was not e-mailed.
inline constexpr char kCustomerWebSite[] = "quenlos.example.com";

// What the three forms share: caption, close box only, Arial 8 point bold,
// fixed client size, the exit button, and centring on the host's main window
// (on the screen when the host named none).
class TOutcomeForm : public QDialog {
  Q_OBJECT

 public:
  QToolButton* btnExit() const { return btnExit_; }

 protected:
  TOutcomeForm(QWidget* owner, const char* name, QSize client, const QRect& exitGeometry,
               const QString& exitCaption, const QString& picture);

  // A centred, plain-text label.
  QLabel* AddLabel(const char* name, const QRect& geometry, const QString& text);

  void showEvent(QShowEvent* event) override;

 private:
  QToolButton* btnExit_;
};

class TfrmVeskFail : public TOutcomeForm {
  Q_OBJECT

 public:
  explicit TfrmVeskFail(QWidget* owner = nullptr);

  QLabel* lblReason() const { return lblReason_; }
  QLabel* Label2() const { return label2_; }

  static constexpr int kClientWidth = 576;
  static constexpr int kClientHeight = 154;

 private:
  QLabel* lblReason_;
  QLabel* label2_;
};

class TfrmVeskResult : public TOutcomeForm {
  Q_OBJECT

 public:
  explicit TfrmVeskResult(QWidget* owner = nullptr);

  QLabel* lblVeskSent() const { return lblVeskSent_; }
  QLabel* lblCustVesk() const { return lblCustVesk_; }
  QCheckBox* chkEFT() const { return chkEFT_; }

  static constexpr int kClientWidth = 443;
  static constexpr int kClientHeight = 174;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // Offers the card receipt only for a card sale, ticked as the workstation
  // prefers, and says whether the customer got the receipt by e-mail.
  void FormShow();
  // Records the cashier's card-receipt choice in the sale's flags and closes.
  void btnExitClick();

  QLabel* lblVeskSent_;
  QLabel* lblCustVesk_;
  QCheckBox* chkEFT_;
};

class TfrmVeskQueued : public TOutcomeForm {
  Q_OBJECT

 public:
  explicit TfrmVeskQueued(QWidget* owner = nullptr);

  QLabel* Label1() const { return label1_; }
  QLabel* Label2() const { return label2_; }

  static constexpr int kClientWidth = 444;
  static constexpr int kClientHeight = 148;

 private:
  QLabel* label1_;
  QLabel* label2_;
};

// Shows the failure notice modally, without an owner. A service error text in
// FTransControl.DigitalSendExDesc replaces the design reason and is cleared.
void VeskFail();

// Shows the sent notice modally, owned by the host's main window; "OK" sets
// FTransControl.PrintEFT (and PrintingEFT when the card receipt is wanted).
void veskSuccess();

// Shows the queued notice modally, owned by the host's main window; the form
// is freed once the event loop runs again.
void VeskQueued();

// Without a user interface on the calling thread the three functions log a
// warning and return without showing anything or changing any flag.

}  // namespace dialogs
