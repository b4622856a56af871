#include "dialogs/customer_capture_form.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "dialogs/enter_key.h"
#include "foundation/log.h"
#include "foundation/prefs_records.h"
#include "receipt/records.h"

namespace dialogs {

TCustomerCaptureForm::TCustomerCaptureForm(QWidget* owner, const char* tag)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      tag_(tag) {
  setModal(true);
  setFont(ArialFont(8, true));
  KeepEnterFromButtons(*this);
}

TCustomerCaptureForm::~TCustomerCaptureForm() {
  FRequiredFields.reset();
}

std::string TCustomerCaptureForm::Tag(const char* routine) const {
  return tag_ + "." + routine;
}

void TCustomerCaptureForm::Log(const std::string& text, const char* routine) const {
  foundation::KWLog(7, text, foundation::kLevelInfo, Tag(routine));
}

void TCustomerCaptureForm::CreateAddressRow(int labelLeft, int labelTop, int labelWidth,
                                            int editLeft, int editTop, int domainTop) {
  edtEmail_ = Place(new QLineEdit(this), "edtEmail", editLeft, editTop, 277, 22);
  static constexpr int kDesignLefts[kDomainButtonCount] = {11, 127, 243, 359, 475};
  for (int i = 0; i < kDomainButtonCount; ++i) {
    const std::string name = "btnEM" + std::to_string(i + 1);
    btnEM_[i] = Place(new QPushButton(this), name.c_str(), kDesignLefts[i], domainTop,
                      kDomainButtonWidth, 25);
    btnEM_[i]->hide();
    QPushButton* button = btnEM_[i];
    connect(button, &QPushButton::clicked, this, [this, button] { DomainButtonClick(button); });
  }
  lblEmail_ = Place(new QLabel("Email:", this), "lblEmail", labelLeft, labelTop, labelWidth, 14);
  lblEmail_->setTextFormat(Qt::PlainText);
  lblEmail_->setAlignment(Qt::AlignRight | Qt::AlignTop);
  FRequiredFields = std::make_unique<TRequiredFieldRows>(
      *this, *lblEmail_, *edtEmail_, [this](int delta) { MoveControlsDown(delta); }, tag_);
}

void TCustomerCaptureForm::SetCustomerCaller(IPluginAdapter* adapter,
                                             const std::string& custSidAttr, int32_t custBO) {
  FBO = ComPtr<IPluginAdapter>(adapter);
  FCustSidAttr = custSidAttr;
  FCustBO = custBO;
}

void TCustomerCaptureForm::DomainButtonClick(QPushButton* button) {
  edtEmail_->setText(edtEmail_->text() + button->text());
  Log("Clicked", "btnEMClick");
}

void TCustomerCaptureForm::GetCustSidFromDocument() {
  if (!FBO) return;
  try {
    const std::optional<std::string> sid = CustSidOfDocument(*FBO, FCustSidAttr);
    if (!sid) {
      Log("Value was null", "GetCustSidFromDocument");
      return;
    }
    FCustSid = *sid;
    Log("Customer SID of the document: " + FCustSid, "GetCustSidFromDocument");
  } catch (const std::exception& e) {
    foundation::LogException(e, Tag("FormShow") + " while reading the customer of the document");
  }
}

bool TCustomerCaptureForm::AddRequiredFields() {
  TRoutineTrace trace(Tag("AddRequiredFields"));
  FNewCustomerNeeded = foundation::MainPrefs.AlwaysCreateCustForUniqueEmail;
  if (!FCustSid.empty() && FCustSid != "0") return false;
  FNewCustomerNeeded = true;
  if (!FBO) throw std::runtime_error("No host adapter");
  FRequiredFields->Add(*FBO, FCustBO);
  FHaveRequiredFields = !FRequiredFields->Empty();
  return FHaveRequiredFields;
}

void TCustomerCaptureForm::StoreNewCustomer() {
  SetStatus("Storing new customer information...");
  FCustSid = CreateCustomerRecord(CollectValues(), Tag("StoreNewCustomer"));
  if (!FCustSid.empty()) receipt::fAuth.StoredEmail = edtEmail_->text().toStdString();
  SetStatus("");
}

void TCustomerCaptureForm::UpdateExistingCustomer() {
  SetStatus("Updating information on existing customer...");
  if (UpdateCustomerRecord(FCustSid, CollectValues(), Tag("UpdateExistingCustomer"))) {
    receipt::fAuth.StoredEmail = edtEmail_->text().toStdString();
  }
  SetStatus("");
}

void TCustomerCaptureForm::SetStatus(const std::string& text) {
  SetStatusText(*lblStatus_, text, Tag("SetStatus"));
}

// The label is drawn by the next status text or button switch, which let the
// window system process pending messages.
void TCustomerCaptureForm::ShowStatus() {
  lblStatus_->show();
}

void TCustomerCaptureForm::HideStatus() {
  lblStatus_->hide();
}

}  // namespace dialogs
