#pragma once
// A parameter list of name and value pairs: what a query's variables are
// assigned from and to when they meet the dataset framework's parameters.

#include <string>
#include <vector>

#include "oracle/values/ora_variant.h"

namespace oracle {

struct TParam {
  std::string Name;  // without a leading ":"
  Variant Value;
};

using TParams = std::vector<TParam>;

}  // namespace oracle
