// Posting a dataset's records to its updating table: the generated UPDATE,
// INSERT and DELETE statements, the record lock, refresh and check around
// them, the commit after each record, and the applying of cached updates.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "oracle/dataset/dataset.h"
#include "oracle/query/query.h"

namespace oracle {

// Makes every dataset post and delete through the statements of this file
// (once per process; the datasets made before take part too).
void InstallRecordPosting();

// The row identification of a record: "where rowid = :kel__rowid" without
// UniqueFields, else one entry naming each key field (old values when
// `useOldValues`).
void BuildKeyWhere(TOracleDataSet& dataSet, TOracleQuery& query, bool useOldValues);
// The fields named by UniqueFields ("," or ";" between names), in order. A
// name that is no field is an error: leaving it out would widen the row
// identification to other rows; none at all raises "No UniqueFields are
// present in dataset".
std::vector<dataset::TField*> UniqueFieldList(TOracleDataSet& dataSet);
// UPDATE of the modified fields; false when no field was modified.
bool BuildUpdate(TOracleDataSet& dataSet, TOracleQuery& query);
void BuildInsert(TOracleDataSet& dataSet, TOracleQuery& query);
void BuildDelete(TOracleDataSet& dataSet, TOracleQuery& query);

// Locks, checks and refreshes the active record (the row of `rowId` when
// given) on the DML query.
void LockRefreshCheck(TOracleDataSet& dataSet, bool lock, bool check, bool refresh, bool allFields,
                      const std::string& rowId = {});
void SetLockSavepoint(TOracleDataSet& dataSet);
void RollbackToLockSavepoint(TOracleDataSet& dataSet);
// Whether `fetched` equals the field's value (its old value when
// `useOldValue`) by the rules of the field's Oracle type.
bool FieldValueEquals(TOracleDataSet& dataSet, dataset::TField& field, const Variant& fetched,
                      bool useOldValue);

// Posts and deletes the logged changes of a cached-updates dataset in log
// order under a savepoint, commits as CommitOnPost says and clears the log.
// On the first failure it rolls back to that savepoint, keeps the log and
// the records, and raises the translated error.
void ApplyUpdates(TOracleDataSet& dataSet);

}  // namespace oracle
