// The sequence field of a dataset: a key field filled from an Oracle
// sequence when a record is made, when it is posted, or by the server.
#pragma once

#include <string>

#include "oracle/dataset/dataset.h"

namespace oracle {

enum class TSequenceApplyMoment { amOnNewRecord, amOnPost, amOnServer };

// Fills a field from an Oracle sequence.
class TSequenceField {
 public:
  explicit TSequenceField(TOracleDataSet* dataSet = nullptr) : dataSet_(dataSet) {}

  void AssignTo(TSequenceField& target) const;

  std::string Field;
  std::string Sequence;  // may be owner-qualified
  TSequenceApplyMoment ApplyMoment = TSequenceApplyMoment::amOnPost;

  bool IsActive() const { return !Field.empty() && !Sequence.empty(); }
  bool IsSequenceField(const std::string& fieldName) const;
  bool AppliesOnServer(const std::string& fieldName) const;
  // When active and the field is null: gives it the sequence's next value.
  void Apply();

 private:
  TOracleDataSet* dataSet_;
};

}  // namespace oracle
