#pragma once
// Index definitions: the keys and orders a data provider learns from a
// dataset (fields, descending and case-insensitive fields joined by ";").

#include <cstdint>
#include <string>
#include <vector>

namespace dataset {

using TIndexOptions = uint8_t;
inline constexpr TIndexOptions ixPrimary = 1;
inline constexpr TIndexOptions ixUnique = 2;
inline constexpr TIndexOptions ixDescending = 4;
inline constexpr TIndexOptions ixCaseInsensitive = 8;

struct TIndexDef {
  std::string Name;
  std::string Fields;
  std::string DescFields;
  std::string CaseInsFields;
  TIndexOptions Options = 0;
};

using TIndexDefs = std::vector<TIndexDef>;

}  // namespace dataset
