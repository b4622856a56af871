#include "dialogs/email_capture_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <functional>
#include <utility>

#include "dialogs/vk9_values_server.h"
#include "foundation/customer_field_names.h"
#include "foundation/helpers_text.h"
#include "foundation/log.h"
#include "foundation/main_window.h"
#include "foundation/message_form.h"
#include "foundation/prefs_records.h"
#include "foundation/ui_guard.h"
#include "hostplugin/bo_fields.h"
#include "platform/com/bstr.h"
#include "platform/com/com_error.h"
#include "platform/com/variant.h"
#include "receipt/records.h"

namespace dialogs {

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// The customer-field settings are read as every reader of them reads them:
// blanks and case aside, spelt as the setup's entry.
bool Configured(const std::string& setting) {
  return foundation::CustomerFieldConfigured(setting);
}

bool IsUdfSetting(const std::string& setting) {
  return foundation::helpers::UpperAscii(foundation::CustomerFieldSetting(setting).substr(0, 3)) ==
         "UDF";
}

bool OptInConfigured() {
  return foundation::MainPrefs.PromptForEmailMarketingOptIn &&
         Configured(foundation::MainPrefs.EmailOptInField);
}

}  // namespace

TfrmAskForVesk::TfrmAskForVesk(QWidget* owner) : TCustomerCaptureForm(owner, "TfrmAskForVesk") {
  setObjectName("frmAskForVesk");
  setWindowTitle("Quenlos");
  setFixedSize(kClientWidth, kClientHeight);

  // Created in tab order: the three choices, the address, the domains, the boxes.
  btnDigitalOnly_ = Place(new QPushButton("SEND (Email address required)", this), "btnDigitalOnly",
                          181, 164, 244, 53);
  btnDigitalPrint_ = Place(new QPushButton("Email && Paper (Email required)", this),
                           "btnDigitalPrint", 15, 228, 206, 53);
  btnPrintOnly_ = Place(new QPushButton("Paper Only", this), "btnPrintOnly", 374, 228, 206, 53);
  CreateAddressRow(12, 60, 149, 167, 56, 92);
  chkEnableLoyaltyTracking_ = Place(new QCheckBox("Loyalty Program Member (Email Required)", this),
                                    "chkEnableLoyaltyTracking", 32, 132, 269, 17);
  chkOptInToEmailMarketing_ = Place(new QCheckBox("Opt-in to email marketing", this),
                                    "chkOptInToEmailMarketing", 308, 132, 269, 17);
  chkOptInToEmailMarketing_->hide();
  QWidget* chain[] = {btnDigitalOnly_,
                      btnDigitalPrint_,
                      btnPrintOnly_,
                      edtEmail_,
                      btnEM_[0],
                      btnEM_[1],
                      btnEM_[2],
                      btnEM_[3],
                      btnEM_[4],
                      chkEnableLoyaltyTracking_,
                      chkOptInToEmailMarketing_};
  for (size_t i = 1; i < std::size(chain); ++i) setTabOrder(chain[i - 1], chain[i]);

  lblQuestion_ = Place(new QLabel("We now email our receipts.  What is your email address?", this),
                       "lblQuestion", 61, 20, 469, 21);
  lblQuestion_->setFont(ArialFont(10, true));
  lblQuestion_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  lblStatus_ = MakeStatusLabel(*this, 26, 324);
  lblVersion_ = MakeVersionLabel(*this, 474, 330);
  lblQuestion_->setTextFormat(Qt::PlainText);

  connect(btnDigitalOnly_, &QPushButton::clicked, this, &TfrmAskForVesk::btnDigitalOnlyClick);
  connect(btnDigitalPrint_, &QPushButton::clicked, this, &TfrmAskForVesk::btnDigitalPrintClick);
  connect(btnPrintOnly_, &QPushButton::clicked, this, &TfrmAskForVesk::btnPrintOnlyClick);
  // Only the cashier clicks a box (a click, or Space on it): the code sets
  // them without the signal.
  connect(chkEnableLoyaltyTracking_, &QCheckBox::clicked, this, [this] {
    FLoyaltyTouched = true;
    Log("Clicked", "chkEnableLoyaltyTrackingClick");
  });
  connect(chkOptInToEmailMarketing_, &QCheckBox::clicked, this, [this] {
    FOptInTouched = true;
    Log("Clicked", "chkOptInToEmailMarketingClick");
  });
  edtEmail_->installEventFilter(this);
  FormCreate();
}

TfrmAskForVesk::~TfrmAskForVesk() {
  Log("Form destroying", "FormDestroy");
}

void TfrmAskForVesk::SetCaller(IPluginAdapter* adapter, const std::string& custSidAttr,
                               int32_t custBO, bool inBefore,
                               std::optional<std::string> saleCustomer) {
  SetCustomerCaller(adapter, custSidAttr, custBO);
  FInBefore = inBefore;
  FSaleCustomer = std::move(saleCustomer);
}

void TfrmAskForVesk::FormCreate() {
  if (foundation::MainPrefs.OffsetForm) Log("Form keeps its set position", "FormCreate");
}

void TfrmAskForVesk::showEvent(QShowEvent* event) {
  if (foundation::MainPrefs.OffsetForm) {
    move(1, 1);
  } else {
    foundation::CentreFrameOn(*this, foundation::ScreenArea(*this));
  }
  FormShow();
  QDialog::showEvent(event);
}

void TfrmAskForVesk::LogSettings() {
  LogCaptureSettings(Tag("FormShow"));
}

void TfrmAskForVesk::FormShow() {
  TRoutineTrace trace(Tag("FormShow"));
  lblVersion_->setText(VersionCaption());
  LogSettings();
  LayoutDomainButtons(btnEM_, kClientWidth, foundation::EmailProviders);
  FExistingCustomer = false;
  FTrackingDate.clear();
  GetCustSidFromDocument();
  FDocumentNamesCustomer = !FCustSid.empty();
  if (FSaleCustomer) {
    // The sale's payer, whom the caller read and authenticated: a sales
    // order's own customer may be another, and keeps his record as it is.
    FCustSid = *FSaleCustomer;
    Log("Customer SID of the sale: [" + FCustSid + "]", "FormShow");
  }
  edtEmail_->setText(Q(receipt::fAuth.EmailAddress));
  FCanClose = false;
  edtEmail_->setModified(false);
  edtEmail_->setFocus();
  chkEnableLoyaltyTracking_->setVisible(foundation::MainPrefs.EnableLoyaltyTracking);
  chkEnableLoyaltyTracking_->setChecked(receipt::fAuth.LoyaltyMember);
  if (OptInConfigured()) chkOptInToEmailMarketing_->setVisible(true);
  ReadDocumentCustomer();
  FOptInTouched = FLoyaltyTouched = false;
  FShownOptIn = chkOptInToEmailMarketing_->isChecked();
  FShownLoyalty = chkEnableLoyaltyTracking_->isChecked();
}

void TfrmAskForVesk::ReadDocumentCustomer() {
  const foundation::TMainPrefs& prefs = foundation::MainPrefs;
  const bool optIn = OptInConfigured();
  const bool loyalty = !foundation::LoyaltyStatusHostField(prefs.LoyaltyStatusField).empty();
  const std::string dateField =
      Configured(prefs.LoyaltyTrackingDateField)
          ? foundation::MapCustomerFieldName(prefs.LoyaltyTrackingDateField)
          : std::string();
  FOptInUnread = FLoyaltyUnread = FTrackingDateUnread = false;
  if (FCustSid.empty() || !FBO || (!optIn && !loyalty && dateField.empty())) return;
  // What is not read from his own record below is no value of his: a box
  // left alone over it is not written.
  FOptInUnread = optIn;
  FLoyaltyUnread = loyalty;
  FTrackingDateUnread = !dateField.empty();
  // Each value is read on its own, so one the host cannot read leaves the
  // others shown.
  const auto read = [this](const char* what, const std::function<void()>& reader) {
    try {
      reader();
      return true;
    } catch (const std::exception& e) {
      foundation::LogException(e, Tag("FormShow") + " while reading the customer's " + what);
      return false;
    }
  };
  try {
    BStr name("Cust Sid");
    Variant sid(FCustSid);
    int32_t status = 0;
    FBO->BOSetFilterAttr(FCustBO, name.Get(), &sid.Get(), 1, -1, -1, &status);
    // Only the customer's own record is read.
    if (status == kAdapterSuccess &&
        hostplugin::GetBOFieldValue(*FBO, FCustBO, "Cust Sid") == FCustSid) {
      if (optIn) {
        FOptInUnread = !read("opt-in", [this] {
          chkOptInToEmailMarketing_->setChecked(hostplugin::CustomerAllowsEmail(*FBO, FCustBO));
        });
      }
      if (loyalty) {
        FLoyaltyUnread = !read("loyalty status", [this] {
          chkEnableLoyaltyTracking_->setChecked(hostplugin::CustomerIsLoyaltyMember(*FBO, FCustBO));
        });
      }
      // His enrolment date stays as it is stored.
      if (!dateField.empty()) {
        FTrackingDateUnread = !read("loyalty tracking date", [&] {
          FTrackingDate =
              foundation::helpers::TrimText(hostplugin::GetBOFieldValue(*FBO, FCustBO, dateField));
          Log("Stored loyalty tracking date: [" + FTrackingDate + "]", "FormShow");
        });
      }
    } else {
      Log("The record of customer " + FCustSid + " was not found", "FormShow");
    }
  } catch (const std::exception& e) {
    foundation::LogException(e, Tag("FormShow") + " while reading the customer");
  }
  BStr name("Cust Sid");
  Variant empty("");
  int32_t status = 0;
  FBO->BOSetFilterAttr(FCustBO, name.Get(), &empty.Get(), 0, -1, -1, &status);
}

bool TfrmAskForVesk::BoxesChanged() const {
  return (FOptInTouched && chkOptInToEmailMarketing_->isChecked() != FShownOptIn) ||
         (FLoyaltyTouched && chkEnableLoyaltyTracking_->isChecked() != FShownLoyalty);
}

bool TfrmAskForVesk::event(QEvent* event) {
  switch (static_cast<int>(event->type())) {
    case QEvent::WindowActivate:
      Log("Form activating", "FormActivate");
      if (FProofOfLife != nullptr) {
        QCoreApplication::postEvent(this, new QEvent(QEvent::Type(kPostActivateEvent)));
      }
      break;
    case QEvent::WindowDeactivate:
      Log("Form deactivating", "FormDeactivate");
      break;
    case kPostActivateEvent:
      if (FProofOfLife != nullptr) FProofOfLife->PostActivate(true);
      return true;
    default:
      break;
  }
  return QDialog::event(event);
}

bool TfrmAskForVesk::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edtEmail_) {
    if (event->type() == QEvent::FocusIn) Log("Control entered", "edtEmailEnter");
    if (event->type() == QEvent::FocusOut) Log("Control exited", "edtEmailExit");
  }
  return QDialog::eventFilter(watched, event);
}

bool TfrmAskForVesk::FormCloseQuery() {
  Log(FCanClose ? "User will be permitted to close form"
                : "User will NOT be permitted to close form",
      "FormCloseQuery");
  return FCanClose;
}

void TfrmAskForVesk::closeEvent(QCloseEvent* event) {
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  Log("Form closing", "FormClose");
  QDialog::done(QDialog::Rejected);
  event->accept();
}

void TfrmAskForVesk::reject() {
  if (FormCloseQuery()) QDialog::reject();
}

void TfrmAskForVesk::Complete() {
  receipt::fAuth.EmailAddress = edtEmail_->text().toStdString();
  FCanClose = true;
  close();
}

void TfrmAskForVesk::RunChoice(const char* name, bool (TfrmAskForVesk::*choice)()) {
  TRoutineTrace trace(Tag(name));
  const auto switchButtons = [this](bool on) { on ? EnableButtons() : DisableButtons(); };
  if (RunButtonWork(Tag(name), switchButtons, [&] { return (this->*choice)(); })) Complete();
}

void TfrmAskForVesk::btnDigitalOnlyClick() {
  RunChoice("btnDigitalOnlyClick", &TfrmAskForVesk::DigitalOnly);
}

void TfrmAskForVesk::btnDigitalPrintClick() {
  RunChoice("btnDigitalPrintClick", &TfrmAskForVesk::DigitalPrint);
}

void TfrmAskForVesk::btnPrintOnlyClick() {
  RunChoice("btnPrintOnlyClick", &TfrmAskForVesk::PrintOnly);
}

bool TfrmAskForVesk::EmailModifiedAgainstAuth() {
  return edtEmail_->text().toStdString() != receipt::fAuth.EmailAddress;
}

void TfrmAskForVesk::SetDigitalChoice(bool paper, bool emailChanged) {
  receipt::TransControl& c = receipt::FTransControl;
  c.PrintPaper = paper;
  c.PrintEFT = paper;
  receipt::fAuth.DefaultQuenlo = true;
  c.DigitalWanted = true;
  c.PrintVeskMessage = false;
  c.EmailChanged = emailChanged;
}

bool TfrmAskForVesk::DigitalOnly() {
  // The flag is judged before the check, which may change the address's form
  // (blanks around it are no part of it).
  TrimEmailEdit(*edtEmail_);
  const bool modified = EmailModifiedAgainstAuth();
  edtEmail_->setModified(modified);
  if (!DoDigital()) return false;
  SetDigitalChoice(false, modified);
  return true;
}

bool TfrmAskForVesk::DigitalPrint() {
  if (!DoDigital()) return false;
  const bool modified = EmailModifiedAgainstAuth();
  edtEmail_->setModified(modified);
  SetDigitalChoice(true, modified);
  return true;
}

bool TfrmAskForVesk::PrintOnly() {
  ShowStatus();
  struct Hide {
    TfrmAskForVesk* form;
    ~Hide() { form->HideStatus(); }
  } hide{this};
  TrimEmailEdit(*edtEmail_);
  // Paper needs no address: only one the cashier typed (other than the
  // customer's stored one) must be a valid address.
  if (!edtEmail_->text().isEmpty() && EmailModifiedAgainstAuth() && !ValidateEmail()) {
    foundation::DisplayMessage(foundation::kMessageCaption, "Invalid Email address.");
    return false;
  }
  if (foundation::MainPrefs.EnableLoyaltyTracking && chkEnableLoyaltyTracking_->isChecked()) {
    SetStatus("Attempting to locate customer...");
    if (!LocateCustomer(true)) return false;
    if (!StoreWhenNeeded()) return false;
    if (!FCustSid.empty() && FUpdateDocument) {
      SetStatus("Updating document with link to customer...");
      UpdateDocumentWithCustomer();
      SetStatus("");
    }
  }
  // A box the cashier changed is the customer's choice whatever receipt he
  // takes: a known customer's record takes it under the same setting as on
  // the e-mail choices (a record just made holds it already).
  if (!FCustSid.empty() && !FNewCustomerNeeded && BoxesChanged() &&
      foundation::MainPrefs.SaveEmail) {
    SetStatus("Updating existing customer...");
    UpdateChosenBoxes();
    SetStatus("");
  }
  receipt::TransControl& c = receipt::FTransControl;
  c.PrintPaper = true;
  c.PrintEFT = foundation::WSPrefs.DefaultEFTReceiptPrintingOn;
  c.DigitalWanted = false;
  c.PrintVeskMessage = receipt::fAuth.IsTemp;
  receipt::fAuth.QuenlosCardNumber.clear();
  c.EmailChanged = !edtEmail_->text().isEmpty() && EmailModifiedAgainstAuth();
  return true;
}

bool TfrmAskForVesk::LocateCustomer(bool loyaltyOrOptIn) {
  const foundation::TMainPrefs& prefs = foundation::MainPrefs;
  if (!FCustSid.empty()) {
    FExistingCustomer = true;
    return true;
  }
  if (!prefs.SaveEmail && !prefs.AlwaysCreateCustForUniqueEmail) return true;
  if (FindExistingCustomerByEmailAddress()) return true;
  if ((prefs.AlwaysCreateCustForUniqueEmail || loyaltyOrOptIn) && !FHaveRequiredFields &&
      AddRequiredFields()) {
    foundation::DisplayMessage(foundation::kMessageCaption, kCustomerNotFoundMessage);
    return false;
  }
  return true;
}

bool TfrmAskForVesk::StoreWhenNeeded() {
  if (!FNewCustomerNeeded) return true;
  if (!FRequiredFields->Validate()) return false;
  if (foundation::MainPrefs.AlwaysCreateCustForUniqueEmail) {
    SetStatus("Storing new customer...");
    StoreNewCustomer();
  } else {
    Log("Customer does not exist for email, but AlwaysCreateCustForUniqueEmail is false; "
        "skipping customer creation.",
        "DoDigital");
  }
  SetStatus("");
  return true;
}

bool TfrmAskForVesk::DoDigital() {
  TRoutineTrace trace(Tag("DoDigital"));
  ShowStatus();
  struct Hide {
    TfrmAskForVesk* form;
    ~Hide() { form->HideStatus(); }
  } hide{this};
  TrimEmailEdit(*edtEmail_);
  if (edtEmail_->text().isEmpty()) {
    foundation::DisplayMessage(foundation::kMessageCaption, "Email is required.");
    edtEmail_->setFocus();
    return false;
  }
  if (!ValidateEmail()) {
    foundation::DisplayMessage(foundation::kMessageCaption, "Invalid Email address.");
    edtEmail_->setFocus();
    return false;
  }
  SetStatus("Attempting to locate customer");
  const bool boxes =
      chkEnableLoyaltyTracking_->isChecked() || chkOptInToEmailMarketing_->isChecked();
  if (!LocateCustomer(boxes)) return false;
  if (FNewCustomerNeeded) {
    if (!StoreWhenNeeded()) return false;
  } else if (FExistingCustomer && (edtEmail_->isModified() || BoxesChanged())) {
    // A changed box is saved as a changed address is, under the same setting.
    if (foundation::MainPrefs.SaveEmail) {
      SetStatus("Updating existing customer...");
      UpdateExistingCustomer();
      SetStatus("");
    } else if (edtEmail_->isModified()) {
      receipt::fAuth.StoredEmail = edtEmail_->text().toStdString();
    }
  }
  if (!FCustSid.empty() && FUpdateDocument) {
    SetStatus("Updating document with reference to customer record...");
    UpdateDocumentWithCustomer();
    SetStatus("");
  }
  return true;
}

bool TfrmAskForVesk::ValidateEmail() {
  return ValidateEmailEdit(*edtEmail_, true);
}

bool TfrmAskForVesk::FindExistingCustomerByEmailAddress() {
  TRoutineTrace trace(Tag("FindExistingCustomerByEmailAddress"));
  bool found = !FCustSid.empty();
  // A document that names a customer keeps him.
  SetUpdateDocument(FCustSid.empty() && FInBefore && !FDocumentNamesCustomer);
  if (FCustSid.empty()) {
    const std::optional<TCustomerMatch> match =
        FindCustomerByEmailEdit(*edtEmail_, true, Tag("FindExistingCustomerByEmailAddress"));
    found = match.has_value();
    if (match) {
      FCustSid = match->custSid;
      // The address is a known customer's (corrected after an earlier press
      // found nobody): the sale is his and no new record is made.
      FNewCustomerNeeded = false;
      // A box the cashier clicked keeps the cashier's choice; one left alone
      // shows what the customer's record holds.
      if (match->allowEmail && !FOptInTouched) {
        chkOptInToEmailMarketing_->setChecked(*match->allowEmail);
      }
      if (match->trackingDate) FTrackingDate = *match->trackingDate;
      if (match->loyaltyStatus && !FLoyaltyTouched &&
          hostplugin::TextSaysYes(*match->loyaltyStatus)) {
        chkEnableLoyaltyTracking_->setChecked(true);
      }
    }
  }
  FExistingCustomer = found;
  return found;
}

void TfrmAskForVesk::UpdateDocumentWithCustomer() {
  try {
    if (!FBO) throw std::runtime_error("No host adapter");
    BStr name(FCustSidAttr);
    Variant sid(FCustSid);
    int32_t status = 0;
    const HRESULT hr = FBO->BOSetAttrValue(0, name.Get(), &sid.Get(), &status);
    if (FAILED(hr) || status != kAdapterSuccess) {
      throw std::runtime_error("The host could not set \"" + FCustSidAttr + "\" (status " +
                               std::to_string(status) + ")");
    }
    Log(FCustSidAttr + " := " + FCustSid, "UpdateDocumentWithCustomer");
  } catch (const std::exception& e) {
    foundation::LogException(e, Tag("UpdateDocumentWithCustomer"));
  }
}

void TfrmAskForVesk::MoveControlsDown(int delta) {
  setFixedSize(width(), height() + delta);
  QWidget* fixed[] = {lblEmail_,
                      edtEmail_,
                      chkEnableLoyaltyTracking_,
                      chkOptInToEmailMarketing_,
                      btnDigitalOnly_,
                      btnDigitalPrint_,
                      btnPrintOnly_,
                      lblStatus_,
                      lblVersion_};
  for (QWidget* control : fixed) control->move(control->x(), control->y() + delta);
  for (QPushButton* button : btnEM_) button->move(button->x(), button->y() + delta);
}

foundation::StringList TfrmAskForVesk::CollectValues() const {
  const foundation::TMainPrefs& prefs = foundation::MainPrefs;
  foundation::StringList values;
  // The required rows were asked for a new record; a known customer's record
  // keeps its own.
  if (FNewCustomerNeeded) FRequiredFields->CollectValues(values);
  values.push_back("EMail=" + edtEmail_->text().toStdString());
  const auto line = [&](const std::string& field, bool udf, bool checked) {
    if (field.empty()) {
      foundation::KWLog(1, "No customer field is known for this setting; the value is not stored",
                        foundation::kLevelWarning, Tag("CollectValues"));
      return;
    }
    values.push_back(field + "=" + (udf ? (checked ? "2" : "1") : (checked ? "YES" : "NO")));
  };
  // A box left alone over a stored value that could not be read is no
  // choice: the value stays as it is stored.
  const auto unread = [this](bool unreadValue, bool touched, const char* what) {
    if (!unreadValue || touched) return false;
    Log(std::string("The customer's ") + what +
            " could not be read and the cashier left it alone; it is not written",
        "CollectValues");
    return true;
  };
  if (OptInConfigured() && !unread(FOptInUnread, FOptInTouched, "opt-in")) {
    line(foundation::MapCustomerFieldName(prefs.EmailOptInField),
         IsUdfSetting(prefs.EmailOptInField), chkOptInToEmailMarketing_->isChecked());
  }
  if (Configured(prefs.LoyaltyStatusField) &&
      !unread(FLoyaltyUnread, FLoyaltyTouched, "loyalty status")) {
    const std::string& setting = prefs.LoyaltyStatusField;
    const bool udf = IsUdfSetting(setting);
    std::string field;
    if (udf) {
      if (const std::optional<char> digit = foundation::UdfSettingDigit(setting)) {
        field = std::string("UDF ") + *digit + " Val Id";
      }
    } else {
      field = foundation::MapCustomerFieldName(setting);
    }
    line(field, udf, chkEnableLoyaltyTracking_->isChecked());
  }
  if (Configured(prefs.LoyaltyTrackingDateField) && chkEnableLoyaltyTracking_->isChecked() &&
      FTrackingDate.empty() && !unread(FTrackingDateUnread, false, "loyalty tracking date")) {
    const std::string field = foundation::MapCustomerFieldName(prefs.LoyaltyTrackingDateField);
    if (field.empty()) {
      line(field, false, false);
    } else {
      values.push_back(
          field + "=" +
          QDateTime::currentDateTime().toString("yyyy-MM-dd'T'HH:mm:ss").toStdString());
    }
  }
  return values;
}

void TfrmAskForVesk::UpdateChosenBoxes() {
  // The address stays out of it: the roads save a changed address after the
  // dialog as they do for paper, and the address last stored stays as it is
  // for them to compare.
  foundation::StringList values;
  for (const std::string& line : CollectValues()) {
    if (foundation::NameOfLine(line) != "EMail") values.push_back(line);
  }
  if (values.empty()) return;
  UpdateCustomerRecord(FCustSid, values, Tag("UpdateExistingCustomer"));
}

void TfrmAskForVesk::DisableButtons() {
  SwitchButtons({btnDigitalOnly_, btnDigitalPrint_, btnPrintOnly_}, btnEM_, false);
}

void TfrmAskForVesk::EnableButtons() {
  SwitchButtons({btnDigitalOnly_, btnDigitalPrint_, btnPrintOnly_}, btnEM_, true);
}

void TfrmAskForVesk::SetUpdateDocument(bool value) {
  FUpdateDocument = value;
}

void AskVeskNotValidated(IPluginAdapter* adapter, const std::string& custSidAttr, int32_t custBO,
                         bool inBefore, const std::optional<std::string>& saleCustomer) {
  if (!foundation::UiAvailableOnThisThread()) {
    foundation::KWLog(5, "No user interface on this thread; the e-mail was not asked",
                      foundation::kLevelWarning, "AskVeskNotValidated");
    return;
  }
  // The owner may free the form while it is shown; the guard then reads null.
  QPointer<TfrmAskForVesk> form = new TfrmAskForVesk(foundation::HostMainWindow());
  auto proofOfLife = std::make_unique<foundation::TProofOfLife>(form.data());
  form->SetProofOfLife(proofOfLife.get());
  form->SetCaller(adapter, custSidAttr, custBO, inBefore, saleCustomer);
  form->exec();
  try {
    proofOfLife.reset();
    delete form.data();
  } catch (const std::exception& e) {
    foundation::LogException(e, " when freeing frmAskForVesk: ");
  }
}

}  // namespace dialogs
