#include "oracle/dml/updating_table.h"

#include "dataset/database_error.h"
#include "oracle/dml/editing.h"
#include "oracle/query/select_splitter.h"
#include "platform/text.h"

namespace oracle {

std::string UpdatingTableOf(const std::string& sql) {
  TSelectParts parts;
  if (!SplitSelect(sql, parts) || parts.fromItems.empty()) return {};
  return parts.fromItems[0].table;
}

std::string UpdatingTableAliasOf(const std::string& sql, const std::string& table) {
  // The FROM items hold their table upper-cased without double quotes; a name
  // given through `UpdatingTable` may be written in any case or quoted.
  std::string wanted;
  for (char c : table)
    if (c != '"') wanted += c;
  TSelectParts parts;
  if (SplitSelect(sql, parts))
    for (const TFromItem& item : parts.fromItems)
      if (platform::SameText(item.table, wanted) && !item.alias.empty()) return item.alias;
  return table;
}

std::string GetUpdatingTableName(TOracleDataSet& dataSet) {
  TDataSetEditing& editing = Editing(dataSet);
  if (!editing.UpdatingTable.empty()) return editing.UpdatingTable;
  if (editing.cachedFor_ == dataSet.SQL() && !editing.cachedTable_.empty())
    return editing.cachedTable_;
  if (dataSet.SQL().empty()) return {};
  if (dataSet.IsCursorDataSet())
    dataset::DatabaseError("UpdatingTable property required for cursor dataset");
  editing.cachedFor_ = dataSet.SQL();
  editing.cachedTable_ = UpdatingTableOf(dataSet.SQL());
  return editing.cachedTable_;
}

std::string GetUpdatingTableAlias(TOracleDataSet& dataSet) {
  return UpdatingTableAliasOf(dataSet.SQL(), GetUpdatingTableName(dataSet));
}

}  // namespace oracle
