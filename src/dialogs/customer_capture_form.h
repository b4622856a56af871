#pragma once
// TCustomerCaptureForm: what the customer capture dialogs share as a form:
// the address row, the quick-pick domain buttons, the status and version
// labels, the caller's document and customer object, the customer found or
// made, the required-field rows and the storing of the customer through the
// values server. Each dialog adds its own controls, choices and values.

#include <QDialog>
#include <cstdint>
#include <memory>
#include <string>

#include "dialogs/customer_capture.h"
#include "host_interfaces/host_interfaces.h"
#include "platform/com/com_ptr.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace dialogs {

class TCustomerCaptureForm : public QDialog {
  Q_OBJECT

 public:
  ~TCustomerCaptureForm() override;

 protected:
  // `tag` names the dialog in the log.
  TCustomerCaptureForm(QWidget* owner, const char* tag);

  // "<tag>.<routine>" for the log.
  std::string Tag(const char* routine) const;
  void Log(const std::string& text, const char* routine) const;

  // The address row at its design place, and the domain buttons (hidden) on
  // row `domainTop`; the required-field rows then go where the address was.
  void CreateAddressRow(int labelLeft, int labelTop, int labelWidth, int editLeft, int editTop,
                        int domainTop);
  void SetCustomerCaller(IPluginAdapter* adapter, const std::string& custSidAttr, int32_t custBO);

  void DomainButtonClick(QPushButton* button);
  // Reads the document's customer SID into FCustSid; a failure is logged.
  void GetCustSidFromDocument();
  // Adds the required-field rows unless a customer is known; True when rows
  // were added.
  bool AddRequiredFields();
  // The dialog's fixed controls go down by `delta`, the form grows as much.
  virtual void MoveControlsDown(int delta) = 0;
  // The "attribute=value" lines stored for the customer.
  virtual foundation::StringList CollectValues() const = 0;
  void StoreNewCustomer();
  void UpdateExistingCustomer();
  void SetStatus(const std::string& text);
  void ShowStatus();
  void HideStatus();

  QLabel* lblEmail_ = nullptr;
  QLineEdit* edtEmail_ = nullptr;
  TDomainButtons btnEM_{};
  QLabel* lblStatus_ = nullptr;
  QLabel* lblVersion_ = nullptr;

  std::string FCustSidAttr;
  int32_t FCustBO = 0;
  ComPtr<IPluginAdapter> FBO;
  bool FExistingCustomer = false;
  bool FHaveRequiredFields = false;
  bool FNewCustomerNeeded = false;
  std::string FCustSid;
  std::unique_ptr<TRequiredFieldRows> FRequiredFields;

 private:
  std::string tag_;
};

}  // namespace dialogs
