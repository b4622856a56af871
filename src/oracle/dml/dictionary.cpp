#include "oracle/dml/dictionary.h"

namespace oracle {

void TOracleDictionary::AssignTo(TOracleDictionary& target) const {
  target.EnforceConstraints = EnforceConstraints;
  target.disabledConstraints_ = disabledConstraints_;
  target.UseMessageTable = UseMessageTable;
  target.DefaultValues = DefaultValues;
  target.DynamicDefaults = DynamicDefaults;
  target.FieldKinds = FieldKinds;
  target.displayFormats_ = displayFormats_;
  target.RangeValues = RangeValues;
  target.requiredFields_ = requiredFields_;
  target.characterSize_ = characterSize_;
}

void TOracleDictionary::SetDisplayFormats(bool on) {
  if (on == displayFormats_) return;
  displayFormats_ = on;
  if (dataSet_ != nullptr && dataSet_->Active()) {
    dataSet_->Close();
    dataSet_->Open();
  }
}

}  // namespace oracle
