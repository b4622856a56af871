#pragma once
// Parameters: named, typed values a data provider hands to a dataset.

#include <memory>
#include <string>
#include <vector>

#include "dataset/db_types.h"
#include "platform/com/variant.h"

namespace dataset {

enum class TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

struct TParam {
  std::string Name;
  TFieldType DataType = TFieldType::ftUnknown;
  TParamType ParamType = TParamType::ptInput;
  Variant Value;
};

class TParams {
 public:
  TParam& CreateParam(TFieldType dataType, const std::string& name,
                      TParamType paramType = TParamType::ptInput);
  void Clear() { params_.clear(); }
  int Count() const { return static_cast<int>(params_.size()); }
  TParam& operator[](int index) { return params_.at(static_cast<std::size_t>(index)); }
  const TParam& operator[](int index) const { return params_.at(static_cast<std::size_t>(index)); }
  // Compared without regard to case; null when none.
  TParam* FindParam(const std::string& name);
  // Raises "Parameter 'name' not found" when none.
  TParam& ParamByName(const std::string& name);
  void Delete(int index);

 private:
  std::vector<TParam> params_;
};

}  // namespace dataset
