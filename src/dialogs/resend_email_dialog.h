#pragma once
// TfrmResendEmail: the dialog that sends the digital receipt of a posted
// invoice again, to the address typed or confirmed here. Before "Send" closes
// it, it checks the address, looks the customer up by e-mail, asks for the
// host's required customer fields when a record must be made and creates the
// host customer through the values server, or updates a known one when
// "Update customer record" is ticked (unticked, the copy goes to the typed
// address and the customer keeps the record's). The outcome goes into
// FTransControl and fAuth.

#include <cstdint>
#include <string>

#include "dialogs/customer_capture_form.h"
#include "host_interfaces/host_interfaces.h"

class QCheckBox;
class QPushButton;

namespace dialogs {

class TfrmResendEmail : public TCustomerCaptureForm {
  Q_OBJECT

 public:
  explicit TfrmResendEmail(QWidget* owner = nullptr);

  static constexpr int kClientWidth = 598;
  static constexpr int kClientHeight = 279;

  // What the caller hands over before the dialog is shown.
  void SetCaller(IPluginAdapter* adapter, const std::string& custSidAttr, int32_t custBO);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  void btnSendClick();
  void btnCancelClick();
  // The work of "Send" with the buttons off; True when the dialog may close.
  bool Send();

  bool DoDigital();
  bool ValidateEmail();
  bool FindExistingCustomer();
  void MoveControlsDown(int delta) override;
  foundation::StringList CollectValues() const override;
  void DisableButtons();
  void EnableButtons();

  QCheckBox* chkUpdateCustomerRecord_;
  QPushButton* btnSend_;
  QPushButton* btnCancel_;
  // The address shown when the dialog opened (the customer's stored one).
  std::string FShownEmail;
};

// Asks modally, on the host's main window, for the address the receipt is
// sent to again. `custSidAttr` names the document attribute holding the
// customer SID, `custBO` is the caller's customer object. True when "Send"
// completed (the outcome is then in FTransControl and fAuth); False when the
// dialog was cancelled or no user interface runs on the calling thread.
bool ResendEmail(IPluginAdapter* adapter, const std::string& custSidAttr, int32_t custBO);

}  // namespace dialogs
