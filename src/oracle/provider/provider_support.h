#pragma once
// Provider support of the Oracle dataset: parameters become the dataset's
// bind variables, "?" placeholders named variables, keys and indexes come
// from the dictionary of the updating table, and the default order from the
// ORDER BY of the SQL text.

#include <memory>
#include <string>
#include <vector>

#include "dataset/params.h"
#include "oracle/dataset/dataset.h"
#include "oracle/lob/lob_locator.h"

namespace oracle {

// Each dataset's part (TOracleDataSet::Provider); the dataset's
// ProviderOptions switch parts of it off.
class TOracleProviderSupport : public TDataSetProvider {
 public:
  void Execute(TOracleDataSet& dataSet) override;
  int ExecuteStatement(TOracleDataSet& dataSet, const std::string& sql, dataset::TParams& params,
                       std::unique_ptr<dataset::TDataSet>* resultSet) override;
  std::unique_ptr<dataset::TIndexDef> DefaultOrder(TOracleDataSet& dataSet) override;
  std::string KeyFields(TOracleDataSet& dataSet) override;
  dataset::TParams* Params(TOracleDataSet& dataSet) override;
  std::string TableName(TOracleDataSet& dataSet) override;
  dataset::TIndexDefs IndexDefs(TOracleDataSet& dataSet,
                                dataset::TIndexOptions indexTypes) override;
  void SetParams(TOracleDataSet& dataSet, const dataset::TParams& params) override;
  // Starts logging the dataset's changes and keeps them uncommitted until
  // EndTransaction, which commits or rolls back the session (and restores
  // the records) and puts CommitOnPost back as it was.
  void StartTransaction(TOracleDataSet& dataSet) override;
  void EndTransaction(TOracleDataSet& dataSet, bool commit) override;

  // Whether the dataset's variables were set by the provider.
  bool VariablesSetByProvider() const { return variablesSet_; }

 private:
  dataset::TParams params_;
  bool variablesSet_ = false;
  // Temporary LOBs holding the LOB parameters' values: those of the
  // dataset's variables until the next SetParams, those of the last
  // statement until the next one.
  std::vector<std::unique_ptr<TLOBLocator>> parameterLobs_;
  std::vector<std::unique_ptr<TLOBLocator>> statementLobs_;
  bool transactionStarted_ = false;
  bool commitOnPostBefore_ = true;
};

// `sql` with the first `count` "?" of plain text (not in literals, quoted
// names or comments) replaced by ":V0", ":V1", ...; raises "No variable for
// parameter n" when there are fewer.
std::string NamePlaceholders(const std::string& sql, int count);

}  // namespace oracle
