#pragma once
// The editing road with the data dictionary in it: the server's posting
// statements, preceded by the column defaults of a new record and by the
// client-side constraint checks of a field being set and of a cached post;
// the table's key columns come from the dictionary. The Oracle library's
// start sets both in for every dataset.

#include <string>
#include <vector>

#include "oracle/dataset/dataset.h"

namespace oracle {

// The server's posting (oracle/dml/posting.h) wrapped in the dictionary's
// defaults and checks.
TRecordPosting& DictionaryPosting();

// The primary or unique key of the dataset's resolved updating table, when
// all its columns are fields of the dataset (the key-column lookup of
// oracle/dml/posting.h).
std::vector<std::string> UpdatingTableKey(TOracleDataSet& dataSet);

}  // namespace oracle
