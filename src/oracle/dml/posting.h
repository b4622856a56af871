// Posting a dataset's records to its updating table: the generated UPDATE,
// INSERT and DELETE statements, the record lock, refresh and check around
// them, the commit after each record, and the applying of cached updates.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "oracle/dataset/dataset.h"
#include "oracle/lob/lob_locator.h"
#include "oracle/query/query.h"

namespace oracle {

// The statements of this file as a dataset's posting: the part the Oracle
// library's start sets in (through the dictionary's posting, which wraps it).
TRecordPosting& ServerPosting();

// The LOB locators bound by one generated statement: an empty LOB's
// locator returned by the statement receives its field's value after the
// statement ran; a temporary LOB holds the value already. The variables are
// unbound and the locators freed when the list goes.
class TStatementLOBs {
 public:
  explicit TStatementLOBs(TOracleQuery& query) : query_(query) {}
  ~TStatementLOBs();
  TStatementLOBs(const TStatementLOBs&) = delete;
  TStatementLOBs& operator=(const TStatementLOBs&) = delete;
  void Add(dataset::TField& field, const std::string& variable,
           std::unique_ptr<TLOBLocator> locator);
  // Writes each field's value through the returned (initialised) locators.
  void WriteValues();
  bool Empty() const { return items_.empty(); }

 private:
  struct TItem {
    dataset::TField* field;
    std::string variable;
    std::unique_ptr<TLOBLocator> locator;
  };
  TOracleQuery& query_;
  std::vector<TItem> items_;
};

// Reads the primary or unique key columns of the dataset's updating table
// from the data dictionary (empty when it has none or one is not a field).
using TKeyColumnsLookup = std::vector<std::string> (*)(TOracleDataSet&);
// Set by the Oracle library's start (the dictionary's lookup); without one
// only UniqueFields name key columns.
void SetKeyColumnsLookup(TKeyColumnsLookup lookup);
// The key columns that find the rowid of a new row: the UniqueFields, else
// the table's key from the dictionary. None: "Primary or Unique key columns
// must be included". Kept until the SQL text or UniqueFields change.
const std::vector<std::string>& KeyColumns(TOracleDataSet& dataSet);
// "select rowid from TABLE where" and a line per key column, bound to the
// key fields' values (old values when `useOldValues`).
void BuildRowIdQuery(TOracleDataSet& dataSet, TOracleQuery& query, bool useOldValues);

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
// A CLOB or BLOB column with a value is bound by a locator kept in `lobs`.
bool BuildUpdate(TOracleDataSet& dataSet, TOracleQuery& query, TStatementLOBs& lobs);
void BuildInsert(TOracleDataSet& dataSet, TOracleQuery& query, TStatementLOBs& lobs);
void BuildDelete(TOracleDataSet& dataSet, TOracleQuery& query);

// Locks, checks and refreshes the active record (the row of `rowId` when
// given) on the DML query.
void LockRefreshCheck(TOracleDataSet& dataSet, bool lock, bool check, bool refresh, bool allFields,
                      const std::string& rowId = {});
// Locks the active record's row and checks that no one changed it since it
// was fetched; with `checkOnly` only checks, taking no lock.
void LockAndCheckRecord(TOracleDataSet& dataSet, bool checkOnly);
// Whether the dataset may set savepoints on its session: not on a session a
// transaction server controls, and through ODBC only with the driver's
// savepoint capability.
bool SessionAllowsSavepoints(TOracleDataSet& dataSet);
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
