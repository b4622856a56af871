#include "dataset/fields.h"

#include "dataset/database_error.h"
#include "dataset/field_defs.h"

namespace dataset {

TField& TFields::Add(std::unique_ptr<TField> field) {
  field->dataSet_ = owner_;
  fields_.push_back(std::move(field));
  ++generation_;
  return *fields_.back();
}

void TFields::Remove(TField& field) {
  for (auto it = fields_.begin(); it != fields_.end(); ++it) {
    if (it->get() == &field) {
      fields_.erase(it);
      ++generation_;
      return;
    }
  }
}

void TFields::Clear() {
  fields_.clear();
  ++generation_;
}

int TFields::IndexOf(const TField& field) const {
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (fields_[i].get() == &field) return static_cast<int>(i);
  }
  return -1;
}

TField* TFields::FindField(const std::string& name) const {
  for (const auto& f : fields_) {
    if (SameText(f->FieldName(), name)) return f.get();
  }
  return nullptr;
}

TField& TFields::FieldByName(const std::string& name) const {
  TField* f = FindField(name);
  if (f == nullptr) DatabaseError("Field '" + name + "' not found");
  return *f;
}

}  // namespace dataset
