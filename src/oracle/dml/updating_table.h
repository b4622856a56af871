// The table a dataset updates and the alias it stands under, found from the
// dataset's SELECT text unless `UpdatingTable` names it.
#pragma once

#include <string>

#include "oracle/dataset/dataset.h"

namespace oracle {

// The table of the first FROM item (an inline view gives the table of its
// own FROM; "TABLE(...)" and "THE(...)" stay whole); empty without FROM.
std::string UpdatingTableOf(const std::string& sql);
// The alias behind `table` among the FROM items, else `table` itself.
std::string UpdatingTableAliasOf(const std::string& sql, const std::string& table);

// `UpdatingTable` when set, else derived from the SQL text (kept until the
// text or `UpdatingTable` changes). A cursor dataset without `UpdatingTable`
// raises.
std::string GetUpdatingTableName(TOracleDataSet& dataSet);
std::string GetUpdatingTableAlias(TOracleDataSet& dataSet);

}  // namespace oracle
