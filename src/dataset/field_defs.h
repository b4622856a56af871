#pragma once
// Field definitions: what a dataset's source says about its columns (name,
// type, size, required), from which the default field objects are made.

#include <string>
#include <vector>

#include "dataset/db_types.h"
#include "platform/text.h"

namespace dataset {

struct TFieldDef {
  std::string Name;
  TFieldType DataType = TFieldType::ftUnknown;
  int Size = 0;
  bool Required = false;
  int FieldNo = 0;  // position from 1, assigned by Add
};

class TFieldDefs {
 public:
  TFieldDef& Add(const std::string& name, TFieldType dataType, int size = 0, bool required = false);
  void Clear() { defs_.clear(); }
  int Count() const { return static_cast<int>(defs_.size()); }
  TFieldDef& operator[](int index) { return defs_.at(static_cast<std::size_t>(index)); }
  const TFieldDef& operator[](int index) const { return defs_.at(static_cast<std::size_t>(index)); }
  // Position of the definition named `name` (without regard to case), -1.
  int IndexOf(const std::string& name) const;
  const TFieldDef* Find(const std::string& name) const;

 private:
  std::vector<TFieldDef> defs_;
};

// ASCII comparison without regard to case, as field and parameter names are
// compared.
using platform::SameText;

}  // namespace dataset
