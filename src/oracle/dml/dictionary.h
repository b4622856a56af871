// The data-dictionary options of a dataset: how much of the dictionary
// (defaults, constraints, message table, field properties) it uses on its own.
#pragma once

#include <string>
#include <vector>

#include "oracle/dataset/dataset.h"

namespace oracle {

// Marks a field of `dataSet` required when `on` and its column is NOT NULL.
void ApplyRequiredFields(TOracleDataSet& dataSet, bool on);

// Which parts of the data dictionary the dataset uses on its own.
class TOracleDictionary {
 public:
  explicit TOracleDictionary(TOracleDataSet* dataSet = nullptr) : dataSet_(dataSet) {}

  void AssignTo(TOracleDictionary& target) const;

  bool EnforceConstraints = false;
  const std::vector<std::string>& DisabledConstraints() const { return disabledConstraints_; }
  void SetDisabledConstraints(const std::vector<std::string>& names) {
    disabledConstraints_ = names;
  }
  bool UseMessageTable = false;
  bool DefaultValues = false;
  bool DynamicDefaults = false;
  bool FieldKinds = false;
  bool DisplayFormats() const { return displayFormats_; }
  // A change reopens an active dataset.
  void SetDisplayFormats(bool on);
  bool RangeValues = false;
  bool RequiredFields() const { return requiredFields_; }
  // A change marks the fields of an active dataset again at once.
  void SetRequiredFields(bool on);
  bool CharacterSize() const { return characterSize_; }
  // A change sends the dataset a property-change event, so that its fields
  // are set up again.
  void SetCharacterSize(bool on);

 private:
  TOracleDataSet* dataSet_;
  std::vector<std::string> disabledConstraints_;
  bool displayFormats_ = false;
  bool requiredFields_ = true;
  bool characterSize_ = false;
};

}  // namespace oracle
