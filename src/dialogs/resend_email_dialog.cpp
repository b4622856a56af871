#include "dialogs/resend_email_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include "foundation/foreground_window.h"
#include "foundation/log.h"
#include "foundation/main_window.h"
#include "foundation/message_form.h"
#include "foundation/prefs_records.h"
#include "foundation/ui_guard.h"
#include "receipt/records.h"

namespace dialogs {

TfrmResendEmail::TfrmResendEmail(QWidget* owner) : TCustomerCaptureForm(owner, "TfrmResendEmail") {
  setObjectName("frmResendEmail");
  setWindowTitle("Resend Digital Receipt");
  setFixedSize(kClientWidth, kClientHeight);

  // The address comes first in tab order.
  CreateAddressRow(12, 48, 159, 175, 44, 80);
  chkUpdateCustomerRecord_ = Place(new QCheckBox("Update customer record", this),
                                   "chkUpdateCustomerRecord", 180, 136, 269, 17);
  btnSend_ = Place(new QPushButton("Send", this), "btnSend", 163, 176, 122, 53);
  btnCancel_ = Place(new QPushButton("Cancel", this), "btnCancel", 324, 176, 108, 53);
  QWidget* chain[] = {
      edtEmail_, btnEM_[0], btnEM_[1], btnEM_[2], btnEM_[3], btnEM_[4], chkUpdateCustomerRecord_,
      btnSend_,  btnCancel_};
  for (size_t i = 1; i < std::size(chain); ++i) setTabOrder(chain[i - 1], chain[i]);
  lblStatus_ = MakeStatusLabel(*this, 32, 249);
  lblVersion_ = MakeVersionLabel(*this, 480, 255);

  connect(btnSend_, &QPushButton::clicked, this, &TfrmResendEmail::btnSendClick);
  connect(btnCancel_, &QPushButton::clicked, this, &TfrmResendEmail::btnCancelClick);
}

void TfrmResendEmail::SetCaller(IPluginAdapter* adapter, const std::string& custSidAttr,
                                int32_t custBO) {
  SetCustomerCaller(adapter, custSidAttr, custBO);
}

void TfrmResendEmail::showEvent(QShowEvent* event) {
  foundation::CentreOnHostMainWindow(*this);
  FormShow();
  QDialog::showEvent(event);
}

void TfrmResendEmail::FormShow() {
  TRoutineTrace trace(Tag("FormShow"));
  lblVersion_->setText(VersionCaption());
  LogCaptureSettings(Tag("FormShow"));
  LayoutDomainButtons(btnEM_, kClientWidth, foundation::EmailProviders);
  chkUpdateCustomerRecord_->setChecked(foundation::MainPrefs.SaveEmail);
  GetCustSidFromDocument();
  FShownEmail = receipt::fAuth.EmailAddress;
  edtEmail_->setText(QString::fromStdString(FShownEmail));
  edtEmail_->setModified(false);
  edtEmail_->setFocus();
  foundation::ForceForegroundWindow(*this);
}

void TfrmResendEmail::btnSendClick() {
  TRoutineTrace trace(Tag("btnSendClick"));
  Log("USER SELECTED SEND", "btnSendClick");
  const auto switchButtons = [this](bool on) { on ? EnableButtons() : DisableButtons(); };
  if (RunButtonWork(Tag("btnSendClick"), switchButtons, [this] { return Send(); })) accept();
}

bool TfrmResendEmail::Send() {
  receipt::AuthRec& auth = receipt::fAuth;
  TrimEmailEdit(*edtEmail_);
  const std::string typed = edtEmail_->text().toStdString();
  auth.CustID = typed;
  auth.EmailAddress = typed;
  auth.IsTemp = false;
  auth.DefaultQuenlo = false;
  if (!DoDigital()) return false;
  receipt::TransControl& c = receipt::FTransControl;
  const std::string checked = edtEmail_->text().toStdString();
  c.PrintPaper = false;
  c.PrintEFT = false;
  auth.DefaultQuenlo = true;
  c.DigitalWanted = true;
  c.PrintVeskMessage = false;
  // The receipt goes to the address sent from here: changed when it is not
  // the one the dialog showed (the customer's stored address), whatever the
  // case it was typed in.
  c.EmailChanged = FShownEmail != checked;
  auth.EmailAddress = checked;
  c.UpdateCustomer = chkUpdateCustomerRecord_->isChecked();
  return true;
}

void TfrmResendEmail::btnCancelClick() {
  Log("USER SELECTED CANCEL", "btnCancelClick");
  reject();
}

bool TfrmResendEmail::DoDigital() {
  TRoutineTrace trace(Tag("DoDigital"));
  ShowStatus();
  struct Hide {
    TfrmResendEmail* form;
    ~Hide() { form->HideStatus(); }
  } hide{this};
  const char* refused = edtEmail_->text().isEmpty() ? "Email is required."
                        : !ValidateEmail()          ? "Invalid Email address."
                                                    : nullptr;
  if (refused != nullptr) {
    foundation::DisplayMessage(foundation::kMessageCaption, refused);
    edtEmail_->setFocus();
    return false;
  }
  SetStatus("Attempting to locate customer");
  if (!FindExistingCustomer() && !FNewCustomerNeeded &&
      foundation::MainPrefs.AlwaysCreateCustForUniqueEmail && AddRequiredFields()) {
    foundation::DisplayMessage(foundation::kMessageCaption, kCustomerNotFoundMessage);
    return false;
  }
  if (FNewCustomerNeeded) {
    if (!FRequiredFields->Validate()) return false;
    SetStatus("Storing new customer...");
    StoreNewCustomer();
    SetStatus("");
  } else if (FExistingCustomer && chkUpdateCustomerRecord_->isChecked()) {
    SetStatus("Updating existing customer...");
    UpdateExistingCustomer();
    SetStatus("");
  } else if (FExistingCustomer) {
    // The copy goes to the address typed; the customer keeps the record's.
    Log("Update customer record is not ticked; the customer record is left as it is.", "DoDigital");
  } else {
    Log("new customer not needed, no existing customer, skipping customer data storage.",
        "DoDigital");
  }
  return true;
}

bool TfrmResendEmail::ValidateEmail() {
  return ValidateEmailEdit(*edtEmail_, false);
}

bool TfrmResendEmail::FindExistingCustomer() {
  TRoutineTrace trace(Tag("FindExistingCustomer"));
  bool found = !FCustSid.empty();
  if (!found) {
    const std::optional<TCustomerMatch> match =
        FindCustomerByEmailEdit(*edtEmail_, false, Tag("FindExistingCustomer"));
    if (match) {
      FCustSid = match->custSid;
      // The address is a known customer's (corrected after an earlier press
      // found nobody): no new record is made.
      FNewCustomerNeeded = false;
    }
    found = match.has_value();
  }
  FExistingCustomer = found;
  return found;
}

void TfrmResendEmail::MoveControlsDown(int delta) {
  setFixedSize(width(), height() + delta);
  QWidget* fixed[] = {lblEmail_,  edtEmail_,  chkUpdateCustomerRecord_, btnSend_, btnCancel_,
                      lblStatus_, lblVersion_};
  for (QWidget* control : fixed) control->move(control->x(), control->y() + delta);
  for (QPushButton* button : btnEM_) button->move(button->x(), button->y() + delta);
}

foundation::StringList TfrmResendEmail::CollectValues() const {
  foundation::StringList values;
  // The required rows were asked for a new record; a known customer's record
  // keeps its own.
  if (FNewCustomerNeeded) FRequiredFields->CollectValues(values);
  values.push_back("EMail=" + edtEmail_->text().toStdString());
  return values;
}

void TfrmResendEmail::DisableButtons() {
  SwitchButtons({btnSend_, btnCancel_}, btnEM_, false);
}

void TfrmResendEmail::EnableButtons() {
  SwitchButtons({btnSend_, btnCancel_}, btnEM_, true);
}

bool ResendEmail(IPluginAdapter* adapter, const std::string& custSidAttr, int32_t custBO) {
  if (!foundation::UiAvailableOnThisThread()) {
    foundation::KWLog(5, "No user interface on this thread; the resend is cancelled",
                      foundation::kLevelWarning, "ResendEmail");
    return false;
  }
  // The owner may free the form while it is shown; the guard then reads null.
  QPointer<TfrmResendEmail> form = new TfrmResendEmail(foundation::HostMainWindow());
  form->SetCaller(adapter, custSidAttr, custBO);
  const bool sent = form->exec() == QDialog::Accepted;
  try {
    delete form.data();
  } catch (const std::exception& e) {
    foundation::LogException(e, " when freeing frmResendEmail: ");
  }
  return sent;
}

}  // namespace dialogs
