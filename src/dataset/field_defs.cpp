#include "dataset/field_defs.h"

#include <algorithm>
#include <cctype>

namespace dataset {

TFieldDef& TFieldDefs::Add(const std::string& name, TFieldType dataType, int size, bool required) {
  TFieldDef def;
  def.Name = name;
  def.DataType = dataType;
  def.Size = size;
  def.Required = required;
  def.FieldNo = Count() + 1;
  defs_.push_back(std::move(def));
  return defs_.back();
}

int TFieldDefs::IndexOf(const std::string& name) const {
  for (std::size_t i = 0; i < defs_.size(); ++i) {
    if (SameText(defs_[i].Name, name)) return static_cast<int>(i);
  }
  return -1;
}

const TFieldDef* TFieldDefs::Find(const std::string& name) const {
  const int i = IndexOf(name);
  return i < 0 ? nullptr : &defs_[static_cast<std::size_t>(i)];
}

}  // namespace dataset
