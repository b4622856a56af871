#pragma once
// The field objects of a dataset, in field order. The list owns them.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dataset/field.h"

namespace dataset {

class TFields {
 public:
  explicit TFields(TDataSet* owner) : owner_(owner) {}

  // Takes the field, binds it to the owning dataset and returns it.
  TField& Add(std::unique_ptr<TField> field);
  void Remove(TField& field);
  void Clear();
  int Count() const { return static_cast<int>(fields_.size()); }
  TField& operator[](int index) const { return *fields_.at(static_cast<std::size_t>(index)); }
  int IndexOf(const TField& field) const;
  // The field named `name`, compared without regard to case; null when none.
  TField* FindField(const std::string& name) const;
  // The same; raises "Field 'name' not found" when none.
  TField& FieldByName(const std::string& name) const;
  // Grows whenever a field is added or removed, so that a holder of a field
  // object can tell that the list it found it in has changed.
  uint64_t Generation() const { return generation_; }

 private:
  TDataSet* owner_;
  std::vector<std::unique_ptr<TField>> fields_;
  uint64_t generation_ = 0;
};

}  // namespace dataset
