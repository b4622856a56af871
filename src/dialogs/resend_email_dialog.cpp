#include "dialogs/resend_email_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include "foundation/log.h"
#include "foundation/main_window.h"
#include "foundation/message_form.h"
#include "foundation/prefs_records.h"
#include "foundation/ui_guard.h"
#include "receipt/records.h"

namespace dialogs {

namespace {

constexpr const char* kTag = "TfrmResendEmail";
constexpr const char* kNotFoundMessage =
    "Customer not found.  Please enter additional information to create new customer record.";

std::string Tag(const char* routine) {
  return std::string(kTag) + "." + routine;
}

void Log(const std::string& text, const char* routine) {
  foundation::KWLog(7, text, foundation::kLevelInfo, Tag(routine));
}

}  // namespace

TfrmResendEmail::TfrmResendEmail(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("frmResendEmail");
  setWindowTitle("Resend Digital Receipt");
  setModal(true);
  setFont(ArialFont(8, true));
  setFixedSize(kClientWidth, kClientHeight);

  // Created in tab order: the address first.
  edtEmail_ = Place(new QLineEdit(this), "edtEmail", 175, 44, 277, 22);
  static constexpr int kDesignLefts[kDomainButtonCount] = {11, 127, 243, 359, 475};
  for (int i = 0; i < kDomainButtonCount; ++i) {
    const std::string name = "btnEM" + std::to_string(i + 1);
    btnEM_[i] =
        Place(new QPushButton(this), name.c_str(), kDesignLefts[i], 80, kDomainButtonWidth, 25);
    btnEM_[i]->hide();
    QPushButton* button = btnEM_[i];
    connect(button, &QPushButton::clicked, this, [this, button] { DomainButtonClick(button); });
  }
  chkUpdateCustomerRecord_ = Place(new QCheckBox("Update customer record", this),
                                   "chkUpdateCustomerRecord", 180, 136, 269, 17);
  btnSend_ = Place(new QPushButton("Send", this), "btnSend", 163, 176, 122, 53);
  btnCancel_ = Place(new QPushButton("Cancel", this), "btnCancel", 324, 176, 108, 53);
  QWidget* chain[] = {
      edtEmail_, btnEM_[0], btnEM_[1], btnEM_[2], btnEM_[3], btnEM_[4], chkUpdateCustomerRecord_,
      btnSend_,  btnCancel_};
  for (size_t i = 1; i < std::size(chain); ++i) setTabOrder(chain[i - 1], chain[i]);

  lblEmail_ = Place(new QLabel("Email:", this), "lblEmail", 12, 48, 159, 14);
  lblEmail_->setTextFormat(Qt::PlainText);
  lblEmail_->setAlignment(Qt::AlignRight | Qt::AlignTop);
  lblStatus_ = MakeStatusLabel(*this, 32, 249);
  lblVersion_ = MakeVersionLabel(*this, 480, 255);

  connect(btnSend_, &QPushButton::clicked, this, &TfrmResendEmail::btnSendClick);
  connect(btnCancel_, &QPushButton::clicked, this, &TfrmResendEmail::btnCancelClick);

  FRequiredFields = std::make_unique<TRequiredFieldRows>(
      *this, *lblEmail_, *edtEmail_, [this](int delta) { MoveControlsDown(delta); }, kTag);
}

TfrmResendEmail::~TfrmResendEmail() {
  FRequiredFields.reset();
}

void TfrmResendEmail::SetCaller(IPluginAdapter* adapter, const std::string& custSidAttr,
                                int32_t custBO) {
  FBO = ComPtr<IPluginAdapter>(adapter);
  FCustSidAttr = custSidAttr;
  FCustBO = custBO;
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
  try {
    GetCustSidFromDocument();
  } catch (const std::exception& e) {
    foundation::LogException(e, Tag("FormShow") + " while reading the customer of the document");
  }
  edtEmail_->setText(QString::fromStdString(receipt::fAuth.EmailAddress));
  edtEmail_->setModified(false);
  edtEmail_->setFocus();
  raise();
  activateWindow();
}

void TfrmResendEmail::DomainButtonClick(QPushButton* button) {
  edtEmail_->setText(edtEmail_->text() + button->text());
  Log("Clicked", "btnEMClick");
}

void TfrmResendEmail::btnSendClick() {
  TRoutineTrace trace(Tag("btnSendClick"));
  Log("USER SELECTED SEND", "btnSendClick");
  const auto switchButtons = [this](bool on) { on ? EnableButtons() : DisableButtons(); };
  if (RunButtonWork(Tag("btnSendClick"), switchButtons, [this] { return Send(); })) accept();
}

bool TfrmResendEmail::Send() {
  receipt::AuthRec& auth = receipt::fAuth;
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
  c.EmailChanged = auth.EmailAddress != checked;
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
    foundation::DisplayMessage(foundation::kMessageCaption, kNotFoundMessage);
    return false;
  }
  if (FNewCustomerNeeded) {
    if (!FRequiredFields->Validate()) return false;
    SetStatus("Storing new customer...");
    StoreNewCustomer();
    SetStatus("");
  } else if (FExistingCustomer) {
    SetStatus("Updating existing customer...");
    UpdateExistingCustomer();
    SetStatus("");
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
    if (match) FCustSid = match->custSid;
    found = match.has_value();
  }
  FExistingCustomer = found;
  return found;
}

void TfrmResendEmail::GetCustSidFromDocument() {
  if (!FBO) return;
  const std::optional<std::string> sid = CustSidOfDocument(*FBO, FCustSidAttr);
  if (!sid) {
    Log("Value was null", "GetCustSidFromDocument");
    return;
  }
  FCustSid = *sid;
  Log("Customer SID of the document: " + FCustSid, "GetCustSidFromDocument");
}

bool TfrmResendEmail::AddRequiredFields() {
  TRoutineTrace trace(Tag("AddRequiredFields"));
  FNewCustomerNeeded = foundation::MainPrefs.AlwaysCreateCustForUniqueEmail;
  if (!FCustSid.empty() && FCustSid != "0") return false;
  FNewCustomerNeeded = true;
  if (!FBO) throw std::runtime_error("No host adapter");
  FRequiredFields->Add(*FBO, FCustBO);
  FHaveRequiredFields = !FRequiredFields->Empty();
  return FHaveRequiredFields;
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
  FRequiredFields->CollectValues(values);
  values.push_back("EMail=" + edtEmail_->text().toStdString());
  return values;
}

void TfrmResendEmail::StoreNewCustomer() {
  SetStatus("Storing new customer information...");
  FCustSid = CreateCustomerRecord(CollectValues(), Tag("StoreNewCustomer"));
  if (!FCustSid.empty()) receipt::fAuth.StoredEmail = edtEmail_->text().toStdString();
  SetStatus("");
}

void TfrmResendEmail::UpdateExistingCustomer() {
  SetStatus("Updating information on existing customer...");
  if (UpdateCustomerRecord(FCustSid, CollectValues(), Tag("UpdateExistingCustomer"))) {
    receipt::fAuth.StoredEmail = edtEmail_->text().toStdString();
  }
  SetStatus("");
}

void TfrmResendEmail::SetStatus(const std::string& text) {
  SetStatusText(*lblStatus_, text, Tag("SetStatus"));
}

void TfrmResendEmail::ShowStatus() {
  lblStatus_->show();
  ProcessPendingEvents();
}

void TfrmResendEmail::HideStatus() {
  lblStatus_->hide();
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
