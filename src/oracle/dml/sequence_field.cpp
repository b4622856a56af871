#include "oracle/dml/sequence_field.h"

#include "dataset/database_error.h"
#include "dataset/field.h"
#include "oracle/dml/dml_query.h"
#include "platform/text.h"

namespace oracle {

void TSequenceField::AssignTo(TSequenceField& target) const {
  target.Field = Field;
  target.Sequence = Sequence;
  target.ApplyMoment = ApplyMoment;
}

bool TSequenceField::IsSequenceField(const std::string& fieldName) const {
  return IsActive() && platform::UpperAscii(fieldName) == platform::UpperAscii(Field);
}

bool TSequenceField::AppliesOnServer(const std::string& fieldName) const {
  return ApplyMoment == TSequenceApplyMoment::amOnServer && IsSequenceField(fieldName);
}

void TSequenceField::Apply() {
  if (!IsActive() || dataSet_ == nullptr) return;
  dataset::TField& field = dataSet_->FieldByName(Field);
  if (!field.IsNull()) return;
  TOracleQuery& query = PrepareDMLQuery(*dataSet_);
  // The query last ran a post, lock, check or constraint check: none of
  // the variables it declared for that belong to this statement.
  query.Clear();
  query.SetSQL("select " + Sequence + ".nextval from dual");
  query.Execute();
  const std::string value = query.Field(0).ToText();
  ReleaseDMLQuery(*dataSet_);
  field.SetAsString(value);
}

}  // namespace oracle
