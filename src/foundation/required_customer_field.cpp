#include "foundation/required_customer_field.h"

#include "foundation/ui_guard.h"

namespace foundation {

TRequiredCustomerField::TRequiredCustomerField(QWidget* owner, bool isEdit) {
  RequireUiThread("TRequiredCustomerField");
  Label = new QLabel(owner);
  if (isEdit) {
    Edit = new QLineEdit(owner);
  } else {
    ComboBox = new QComboBox(owner);
    ComboBox->setEditable(true);
    // Typing picks an entry of the list; Enter adds none (an entry added
    // would carry no value identifier).
    ComboBox->setInsertPolicy(QComboBox::NoInsert);
  }
}

}  // namespace foundation
