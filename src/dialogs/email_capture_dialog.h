#pragma once
// TfrmAskForVesk: the e-mail capture dialog turned to the customer at checkout
// when the receipt preference is not known yet. It asks for the e-mail
// address (with quick-pick mail domains), offers the loyalty and e-mail
// marketing boxes and closes through one of three receipt choices. Before an
// e-mail choice closes it checks the address, looks the customer up by
// e-mail, asks for the host's required customer fields when a record must be
// made, creates or updates the host customer through the values server and
// links it to the sale document. The outcome goes into FTransControl and
// fAuth.

#include <cstdint>
#include <optional>
#include <string>

#include "dialogs/customer_capture_form.h"
#include "foundation/proof_of_life.h"
#include "host_interfaces/host_interfaces.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace dialogs {

class TfrmAskForVesk : public TCustomerCaptureForm {
  Q_OBJECT

 public:
  explicit TfrmAskForVesk(QWidget* owner = nullptr);
  ~TfrmAskForVesk() override;

  static constexpr int kClientWidth = 592;
  static constexpr int kClientHeight = 354;
  // The event the dialog posts itself on activation to run its watchdog.
  static constexpr int kPostActivateEvent = 1147;

  // What the caller hands over before the dialog is shown. `saleCustomer`,
  // when given, is the customer the caller read for the sale (empty: none).
  void SetCaller(IPluginAdapter* adapter, const std::string& custSidAttr, int32_t custBO,
                 bool inBefore, std::optional<std::string> saleCustomer = std::nullopt);
  // Watched while the dialog is shown; owned by the caller.
  void SetProofOfLife(foundation::TProofOfLife* proofOfLife) { FProofOfLife = proofOfLife; }

  // The close box and Escape are refused until a choice button completed.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void FormShow();
  void LogSettings();
  bool FormCloseQuery();
  void btnDigitalOnlyClick();
  void btnDigitalPrintClick();
  void btnPrintOnlyClick();
  // Runs a choice button's work with the buttons off; an exception is logged
  // and shown, the buttons come back on and the dialog stays open.
  void RunChoice(const char* name, bool (TfrmAskForVesk::*choice)());
  bool DigitalOnly();
  bool DigitalPrint();
  bool PrintOnly();
  // The flags of an e-mail choice, with or without the paper receipts.
  void SetDigitalChoice(bool paper, bool emailChanged);
  // Closes the dialog after a completed choice.
  void Complete();

  bool DoDigital();
  bool ValidateEmail();
  bool FindExistingCustomerByEmailAddress();
  void UpdateDocumentWithCustomer();
  void MoveControlsDown(int delta) override;
  foundation::StringList CollectValues() const override;
  void DisableButtons();
  void EnableButtons();
  void SetUpdateDocument(bool value);
  // Looks the customer up (when the settings ask for it) and adds the rows
  // for a new record; False when the rows were just added and must be filled.
  bool LocateCustomer(bool loyaltyOrOptIn);
  // Validates the rows and stores a new customer when one is needed; False
  // when a row is empty.
  bool StoreWhenNeeded();
  bool EmailModifiedAgainstAuth();
  // A customer named by the document: the opt-in and loyalty boxes show what
  // the host keeps for him, and his stored loyalty tracking date is noted;
  // a value that could not be read from his own record is marked unread.
  void ReadDocumentCustomer();
  // Whether the cashier changed a box from what it showed when the dialog
  // came up (a known customer's stored values).
  bool BoxesChanged() const;
  // Stores the boxes (and a tracking date due) for the known customer
  // FCustSid, without his address: the choices of "Paper Only".
  void UpdateChosenBoxes();

  QLabel* lblQuestion_;
  QCheckBox* chkEnableLoyaltyTracking_;
  QCheckBox* chkOptInToEmailMarketing_;
  QPushButton* btnDigitalOnly_;
  QPushButton* btnDigitalPrint_;
  QPushButton* btnPrintOnly_;

  bool FCanClose = false;
  bool FUpdateDocument = false;
  bool FInBefore = false;
  // The sale's customer as the caller read him, in place of the one the
  // document's attribute names; and whether that attribute names one.
  std::optional<std::string> FSaleCustomer;
  bool FDocumentNamesCustomer = false;
  std::string FTrackingDate;
  // The boxes the cashier clicked keep the cashier's choice: the look-up by
  // e-mail sets only a box left alone.
  bool FOptInTouched = false;
  bool FLoyaltyTouched = false;
  // The boxes as the dialog came up.
  bool FShownOptIn = false;
  bool FShownLoyalty = false;
  // The document's customer's stored values that could not be read: a box
  // left alone over one, and the date, are not written.
  bool FOptInUnread = false;
  bool FLoyaltyUnread = false;
  bool FTrackingDateUnread = false;
  foundation::TProofOfLife* FProofOfLife = nullptr;
};

// Asks for the customer's e-mail and receipt choice modally on the host's
// main window. `custSidAttr` names the document attribute holding the
// customer SID, `custBO` is the caller's customer object and `inBefore` tells
// that the document is not saved yet (the customer is then linked to it).
// `saleCustomer`, when given, is the customer the caller read for the sale
// (the payer; empty when there is none): the dialog shows his stored choices
// and stores what the cashier changes for him, whoever the document's
// attribute names, and links a customer found or made to the document only
// when the attribute names nobody. Without it the attribute names the
// customer. The outcome is in FTransControl and fAuth. Without a user
// interface on the calling thread it logs a warning and changes nothing.
void AskVeskNotValidated(IPluginAdapter* adapter, const std::string& custSidAttr, int32_t custBO,
                         bool inBefore,
                         const std::optional<std::string>& saleCustomer = std::nullopt);

}  // namespace dialogs
