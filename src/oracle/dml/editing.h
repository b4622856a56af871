// The editing sub-objects of a dataset: the data-dictionary options, the
// sequence field and the application's hook for error texts. They are made
// at the dataset's first use of them and live as long as the dataset.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "oracle/dataset/dataset.h"
#include "oracle/dml/dictionary.h"
#include "oracle/dml/sequence_field.h"

namespace oracle {

// Sender, ErrorCode, ConstraintName, Action, var Msg.
using TTranslateMessageEvent =
    std::function<void(TOracleDataSet&, int, const std::string&, char, std::string&)>;

class TDataSetEditing {
 public:
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
  // dictionary (kept until the name changes).
  std::string resolvedFor_, resolvedOwner_, resolvedTable_;
  // The DML query (dml_query.h), made at first use.
  std::unique_ptr<TOracleQuery> dmlQuery_;
};

// The editing sub-objects of `dataSet`, made at first use.
TDataSetEditing& Editing(TOracleDataSet& dataSet);

}  // namespace oracle
