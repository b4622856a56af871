#include "oracle/dictionary/dictionary_posting.h"

#include "oracle/dataset/master_detail.h"
#include "oracle/dictionary/constraint_check.h"
#include "oracle/dictionary/table_dictionary.h"
#include "oracle/dml/editing.h"
#include "oracle/dml/posting.h"

namespace oracle {
namespace {

class TDictionaryPosting final : public TRecordPosting {
 public:
  explicit TDictionaryPosting(TRecordPosting& server) : server_(server) {}

  // Defaults first: a sequence value given afterwards is not overwritten by
  // the column's default.
  void NewRecord(TOracleDataSet& dataSet) override {
    if (Editing(dataSet).OracleDictionary.DefaultValues)
      EvaluateDefaults(DataSetTableInfo(dataSet), dataSet);
    server_.NewRecord(dataSet);
  }
  void PostStarting(TOracleDataSet& dataSet, bool isUpdate) override {
    server_.PostStarting(dataSet, isUpdate);
  }
  void EditStarting(TOracleDataSet& dataSet) override { server_.EditStarting(dataSet); }
  // A cached post sends nothing now, so its record is checked here; a direct
  // post is checked by the server itself.
  TPostResult Post(TOracleDataSet& dataSet, bool isUpdate) override {
    if (dataSet.CachedUpdates()) EnforceConstraints(dataSet, nullptr);
    return server_.Post(dataSet, isUpdate);
  }
  void Posted(TOracleDataSet& dataSet, bool isUpdate) override {
    server_.Posted(dataSet, isUpdate);
  }
  void Delete(TOracleDataSet& dataSet) override { server_.Delete(dataSet); }
  void EditCancelled(TOracleDataSet& dataSet) override { server_.EditCancelled(dataSet); }
  void ChangesDropped(TOracleDataSet& dataSet) override { server_.ChangesDropped(dataSet); }
  std::string ServerSequenceFor(TOracleDataSet& dataSet, const std::string& fieldName) override {
    return server_.ServerSequenceFor(dataSet, fieldName);
  }
  void FieldsCreated(TOracleDataSet& dataSet) override { server_.FieldsCreated(dataSet); }
  void FieldSet(TOracleDataSet& dataSet, dataset::TField& field) override {
    EnforceConstraints(dataSet, &field);
    server_.FieldSet(dataSet, field);
  }
  bool AppliesRecords(TOracleDataSet& dataSet) override { return server_.AppliesRecords(dataSet); }

 private:
  TRecordPosting& server_;
};

}  // namespace

std::vector<std::string> UpdatingTableKey(TOracleDataSet& dataSet) {
  DataSetTableInfo(dataSet);
  const TDataSetEditing& editing = Editing(dataSet);
  return TableKeyColumns(dataSet, editing.resolvedOwner_, editing.resolvedTable_, true);
}

TRecordPosting& DictionaryPosting() {
  static TDictionaryPosting posting(ServerPosting());
  return posting;
}

}  // namespace oracle
