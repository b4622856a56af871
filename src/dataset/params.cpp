#include "dataset/params.h"

#include "dataset/database_error.h"
#include "dataset/field_defs.h"

namespace dataset {

TParam& TParams::CreateParam(TFieldType dataType, const std::string& name, TParamType paramType) {
  TParam p;
  p.Name = name;
  p.DataType = dataType;
  p.ParamType = paramType;
  params_.push_back(std::move(p));
  return params_.back();
}

TParam* TParams::FindParam(const std::string& name) {
  for (auto& p : params_) {
    if (SameText(p.Name, name)) return &p;
  }
  return nullptr;
}

TParam& TParams::ParamByName(const std::string& name) {
  TParam* p = FindParam(name);
  if (p == nullptr) DatabaseError("Parameter '" + name + "' not found");
  return *p;
}

void TParams::Delete(int index) {
  params_.erase(params_.begin() + index);
}

}  // namespace dataset
