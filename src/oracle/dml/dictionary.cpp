#include "oracle/dml/dictionary.h"

#include "dataset/field.h"

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

void ApplyRequiredFields(TOracleDataSet& dataSet, bool on) {
  const TOracleQuery& query = dataSet.ActiveQuery();
  for (int32_t i = 0; i < query.FieldCount(); ++i)
    if (dataset::TField* field = dataSet.FindField(query.FieldName(i)); field != nullptr)
      field->SetRequired(on && !query.FieldOptional(i));
}

void TOracleDictionary::SetRequiredFields(bool on) {
  if (on == requiredFields_) return;
  requiredFields_ = on;
  if (dataSet_ != nullptr && dataSet_->Active()) ApplyRequiredFields(*dataSet_, on);
}

void TOracleDictionary::SetCharacterSize(bool on) {
  if (on == characterSize_) return;
  characterSize_ = on;
  if (dataSet_ != nullptr) dataSet_->DataEvent(dataset::TDataEvent::dePropertyChange);
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
