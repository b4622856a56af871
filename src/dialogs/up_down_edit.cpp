#include "dialogs/up_down_edit.h"

#include <QStyle>
#include <algorithm>
#include <cstdint>
#include <limits>

namespace dialogs {

TUpDownEdit::TUpDownEdit(int lowest, int highest, QWidget* parent)
    : QSpinBox(parent), lowest_(lowest), highest_(highest) {
  setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
}

void TUpDownEdit::stepBy(int steps) {
  // A step never leads away from the limits.
  if ((steps > 0 && value() >= highest_) || (steps < 0 && value() <= lowest_)) return;
  const int64_t target = int64_t{value()} + int64_t{steps} * singleStep();
  setValue(static_cast<int>(std::clamp<int64_t>(target, lowest_, highest_)));
  if (style()->styleHint(QStyle::SH_SpinBox_SelectOnStep, nullptr, this) != 0) selectAll();
}

QAbstractSpinBox::StepEnabled TUpDownEdit::stepEnabled() const {
  if (isReadOnly()) return StepNone;
  StepEnabled enabled = StepNone;
  if (value() < highest_) enabled |= StepUpEnabled;
  if (value() > lowest_) enabled |= StepDownEnabled;
  return enabled;
}

}  // namespace dialogs
