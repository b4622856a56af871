#pragma once
// Helpers of master/detail linking that the automatic configuration shares:
// the names of a ";"-separated list and the key columns of a table. The link
// itself lives in TOracleDataSet (master_detail.cpp).

#include <string>
#include <vector>

namespace oracle {

class TOracleDataSet;

// The names of a list separated by ";", each trimmed, empty ones dropped.
std::vector<std::string> SplitNames(const std::string& names);

// The columns of the table's primary key (else its first unique key), in
// order, read on the dataset's session; empty when it has none, or, with
// `requireFields`, when a column is not a field of the dataset.
std::vector<std::string> TableKeyColumns(TOracleDataSet& dataSet, const std::string& owner,
                                         const std::string& table, bool requireFields);

}  // namespace oracle
