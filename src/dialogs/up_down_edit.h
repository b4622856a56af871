#pragma once
// TUpDownEdit: a number edit with an up-down beside it. Any 32-bit integer
// can stand in the edit, so a stored value outside the up-down's limits is
// shown and kept as it is; the arrows, the arrow keys and the wheel step only
// within the limits (from a value outside them, only towards them, landing
// on the nearer limit).

#include <QSpinBox>

namespace dialogs {

class TUpDownEdit : public QSpinBox {
 public:
  TUpDownEdit(int lowest, int highest, QWidget* parent = nullptr);

  void stepBy(int steps) override;

 protected:
  StepEnabled stepEnabled() const override;

 private:
  int lowest_;
  int highest_;
};

}  // namespace dialogs
