// The private query on which a dataset runs every statement it makes itself
// ("DMLQuery"), set up from the dataset at each use.
#pragma once

#include "oracle/dataset/dataset.h"
#include "oracle/query/query.h"

namespace oracle {

// The dataset's DML query, made at first use, with the dataset's session,
// cursor and Optimize, its Debug unless `silent`, ReadBuffer 2 and
// StringFieldsOnly off.
TOracleQuery& PrepareDMLQuery(TOracleDataSet& dataSet, bool silent = false);
// Forgets the query's prepared statement after use, unless it is optimized
// and the session keeps no statement cache (then it is kept for next time).
void ReleaseDMLQuery(TOracleDataSet& dataSet);
// Declares on `query` each dataset variable its text names, with its value.
void CopyDataSetVariables(TOracleDataSet& dataSet, TOracleQuery& query);
// The index of the first select-list column of a rowid type (11 or 104), or -1.
int32_t RowIdFieldIndex(const TOracleQuery& query);

}  // namespace oracle
