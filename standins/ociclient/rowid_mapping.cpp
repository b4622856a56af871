#include "rowid_mapping.h"

#include <cctype>
#include <cstdint>

namespace ocistandin {

ub4 rowidObjectNumber(std::string_view table) {
  std::uint32_t hash = 2166136261u;
  for (const char c : table) {
    hash ^= static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(c)));
    hash *= 16777619u;
  }
  return hash;
}

OCIRowidLayout rowidLayout(std::string_view table, sqlite3_int64 rowid) {
  const auto bits = static_cast<std::uint64_t>(rowid);
  OCIRowidLayout layout{
      kOCIRowidTag, static_cast<ub1>(OCIRowidKind::Extended), {0, 0, 0}, 0, 0, 0, 0};
  layout.objectNumber = rowidObjectNumber(table);
  layout.relativeFile = static_cast<ub2>(bits >> 48);
  layout.block = static_cast<ub4>(bits >> 16);
  layout.row = static_cast<ub2>(bits);
  return layout;
}

std::string rowidText(std::string_view table, sqlite3_int64 rowid) {
  return RowidLayoutText(rowidLayout(table, rowid));
}

RowidMatch rowidOfText(std::string_view table, std::string_view text, sqlite3_int64& rowid) {
  const auto layout = ParseRowidText(text);
  if (!layout) return RowidMatch::kInvalid;
  // A restricted ROWID names a row of an older database: never one of ours.
  if (layout->kind != static_cast<ub1>(OCIRowidKind::Extended) ||
      layout->objectNumber != rowidObjectNumber(table))
    return RowidMatch::kOtherTable;
  const std::uint64_t bits = (static_cast<std::uint64_t>(layout->relativeFile) << 48) |
                             (static_cast<std::uint64_t>(layout->block) << 16) | layout->row;
  rowid = static_cast<sqlite3_int64>(bits);
  return RowidMatch::kRow;
}

}  // namespace ocistandin
