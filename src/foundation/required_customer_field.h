// One customer field that a capture dialog must ask for: a label and either a
// single-line edit or an editable combo box, created on the dialog itself.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <array>
#include <cstdint>
#include <string>

namespace foundation {

class TRequiredCustomerField {
 public:
  static constexpr int kValueIdCount = 101;

  // Creates the label and, when `isEdit`, an edit, else an editable combo box,
  // each with `owner` as parent; the owner frees them. Throws
  // UiUnavailableError without a QApplication on the calling thread.
  TRequiredCustomerField(QWidget* owner, bool isEdit);

  TRequiredCustomerField(const TRequiredCustomerField&) = delete;
  TRequiredCustomerField& operator=(const TRequiredCustomerField&) = delete;

  // The controls; they become null once the owner has freed them. Exactly one
  // of Edit and ComboBox is created.
  QPointer<QLabel> Label;
  QPointer<QLineEdit> Edit;
  QPointer<QComboBox> ComboBox;

  // The host attribute the row fills and the value identifiers of the combo's
  // items, index for index; both filled by the dialog that adds the row.
  std::string AttrName;
  std::array<int32_t, kValueIdCount> ValueIds{};
};

}  // namespace foundation
