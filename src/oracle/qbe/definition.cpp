#include "oracle/qbe/definition.h"

#include <set>

#include "dataset/field_defs.h"

namespace oracle::qbe {
namespace {

// Values of these kinds cannot be compared in a WHERE clause.
bool IsComparableType(dataset::TFieldType type) {
  switch (type) {
    case dataset::TFieldType::ftMemo:
    case dataset::TFieldType::ftBlob:
    case dataset::TFieldType::ftOraBlob:
    case dataset::TFieldType::ftOraClob:
      return false;
    default:
      return true;
  }
}

}  // namespace

TQBEField::TQBEField(TQBEDefinition& definition, std::string fieldName)
    : definition_(&definition), fieldName_(std::move(fieldName)) {
  RecomputeEnabled();
}

void TQBEField::SetEnabled(bool on) {
  enabledGiven_ = on;
  RecomputeEnabled();
}

void TQBEField::RecomputeEnabled() {
  const dataset::TFieldDefs& defs = definition_->DataSet().FieldDefs();
  // Without field definitions nothing is known of the field's type yet: a
  // list read into a dataset that was never opened keeps what it was given.
  if (defs.Count() == 0) {
    enabled_ = enabledGiven_;
    return;
  }
  const dataset::TFieldDef* def = defs.Find(fieldName_);
  enabled_ = enabledGiven_ && def != nullptr && IsComparableType(def->DataType);
}

TQBEDefinition::TQBEDefinition(dataset::TDataSet& dataSet) : dataSet_(&dataSet) {}

TQBEDefinition::~TQBEDefinition() = default;

TQBEField* TQBEDefinition::FindField(const std::string& name) const {
  for (const auto& field : fields_) {
    if (dataset::SameText(field->FieldName(), name)) return field.get();
  }
  return nullptr;
}

TQBEField& TQBEDefinition::AddField(const std::string& name) {
  fields_.push_back(std::make_unique<TQBEField>(*this, name));
  return *fields_.back();
}

bool TQBEDefinition::SynchronizeFields() {
  const dataset::TFieldDefs& defs = dataSet_->FieldDefs();
  std::set<const TQBEField*> seen;
  bool added = false;
  for (int i = 0; i < defs.Count(); ++i) {
    TQBEField* field = FindField(defs[i].Name);
    if (field == nullptr) {
      field = &AddField(defs[i].Name);
      added = true;
    } else {
      field->RecomputeEnabled();
    }
    seen.insert(field);
  }
  for (std::size_t i = fields_.size(); i-- > 0;) {
    if (seen.count(fields_[i].get()) == 0) fields_.erase(fields_.begin() + static_cast<long>(i));
  }
  return added;
}

void TQBEDefinition::RecomputeEnabled() {
  for (const auto& field : fields_) field->RecomputeEnabled();
}

void TQBEDefinition::Assign(const TQBEDefinition& source) {
  if (&source == this) return;
  saveQBEValues_ = source.saveQBEValues_;
  allowFileWildCards_ = source.allowFileWildCards_;
  qbeFontColor_ = source.qbeFontColor_;
  qbeBackgroundColor_ = source.qbeBackgroundColor_;
  allowOperators_ = source.allowOperators_;
  fields_.clear();
  for (const auto& from : source.fields_) {
    TQBEField& to = AddField(from->FieldName());
    to.SetEnabled(from->Enabled());
    to.MatchFromStart = from->MatchFromStart;
    to.MatchAnywhere = from->MatchAnywhere;
    to.SoundsLike = from->SoundsLike;
    to.CaseInsensitive = from->CaseInsensitive;
    to.WholeDay = from->WholeDay;
    to.Text = from->Text;
  }
}

bool TQBEDefinition::SameFieldDefs(const TQBEDefinition& other) const {
  if (fields_.size() != other.fields_.size()) return false;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const TQBEField& a = *fields_[i];
    const TQBEField& b = *other.fields_[i];
    if (a.FieldName() != b.FieldName() || a.Enabled() != b.Enabled() ||
        a.MatchFromStart != b.MatchFromStart || a.CaseInsensitive != b.CaseInsensitive ||
        a.WholeDay != b.WholeDay || a.MatchAnywhere != b.MatchAnywhere ||
        a.SoundsLike != b.SoundsLike) {
      return false;
    }
  }
  return true;
}

bool TQBEDefinition::StoresFieldDefs(const TQBEDefinition* ancestor) const {
  return ancestor != nullptr ? !SameFieldDefs(*ancestor) : !fields_.empty();
}

}  // namespace oracle::qbe
