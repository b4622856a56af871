// The editing sub-objects of a dataset: the data-dictionary options, the
// sequence field and the application's hook for error texts. They are made
// at the dataset's first use of them and live as long as the dataset.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "oracle/dataset/dataset.h"
#include "oracle/dml/dictionary.h"
#include "oracle/dml/sequence_field.h"

namespace oracle {

struct TTableExpression;

// Sender, ErrorCode, ConstraintName, Action, var Msg.
using TTranslateMessageEvent =
    std::function<void(TOracleDataSet&, int, const std::string&, char, std::string&)>;
// Sender, Action ('I', 'U', 'D', 'L', 'C', 'R'), var Applied, var NewRowId.
using TApplyRecordEvent = std::function<void(TOracleDataSet&, char, bool&, std::string&)>;

// When a record is refreshed from the server (a set of these flags).
using TRefreshOptions = unsigned;
inline constexpr TRefreshOptions roBeforeEdit = 1u << 0;
inline constexpr TRefreshOptions roAfterInsert = 1u << 1;
inline constexpr TRefreshOptions roAfterUpdate = 1u << 2;
inline constexpr TRefreshOptions roAllFields = 1u << 3;

// A row lock taken for a cached change (cached_locks.h), behind a savepoint
// of its own.
struct TCachedLock {
  std::string rowId;
  std::string table;      // the updating table the row was locked in
  std::string savepoint;  // set just before the lock
  // The lock's place among the session's cached locks (larger is later),
  // and the place of the lock it directly follows with nothing else done
  // on the session in between (0 when it follows other work).
  std::uint64_t seq = 0;
  std::uint64_t follows = 0;
  // The session's work mark right after the lock.
  std::uint64_t markAfter = 0;
  bool dropped = false;
};

class TDataSetEditing {
 public:
  using TOracleDataSetEvent = std::function<void(TOracleDataSet&)>;
  explicit TDataSetEditing(TOracleDataSet& dataSet)
      : OracleDictionary(&dataSet), SequenceField(&dataSet) {}

  TOracleDictionary OracleDictionary;
  TSequenceField SequenceField;
  TTranslateMessageEvent OnTranslateMessage;
  // The table to update; empty: derived from the SQL text (updating_table.h).
  std::string UpdatingTable;
  // The derived table and the SQL text it was derived from.
  std::string cachedFor_, cachedTable_;
  // The updating table's name as last resolved to owner and table by the
  // dictionary (kept until the name changes or the session's table
  // information is cleared: resolvedEpoch_ is the cache's epoch then).
  std::string resolvedFor_, resolvedOwner_, resolvedTable_;
  std::uint64_t resolvedEpoch_ = 0;
  // The parsed TABLE or THE updating table (table_expression.h) and the SQL
  // text it was parsed from.
  std::string tableExpressionFor_;
  std::shared_ptr<const TTableExpression> tableExpression_;
  // The DML query (dml_query.h), made at first use.
  std::unique_ptr<TOracleQuery> dmlQuery_;

  // Posting (posting.h).
  std::string UniqueFields;  // field names separated by "," or ";"
  TRefreshOptions RefreshOptions = 0;
  bool CommitOnPost = true;
  TApplyRecordEvent OnApplyRecord;
  TOracleDataSetEvent AfterRefreshRecord;
  // The texts of the three record messages.
  std::string LockedMessage = "Record is locked by another user";
  std::string ChangedMessage = "Record has been changed by another user";
  std::string DeletedMessage = "Record has been deleted by another user";
  // State of one post: whether its statement ran (or a handler applied it)
  // and the rowid the new row got; whether cached updates are being applied.
  bool postRan_ = false;
  std::string postedRowId_;
  bool applying_ = false;
  // The row locks taken for this dataset's cached changes, oldest first.
  std::vector<TCachedLock> cachedLocks_;
  // The key columns that find the rowid of a new row (posting.h), built by
  // the first post that needs them, and the SQL text and UniqueFields they
  // were built for.
  std::vector<std::string> keyColumns_;
  std::string keyColumnsFor_;
};

// The editing sub-objects of `dataSet`, made at first use.
TDataSetEditing& Editing(TOracleDataSet& dataSet);

}  // namespace oracle
