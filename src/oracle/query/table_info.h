#pragma once
// The dictionary information of one table, as the session's table-information
// cache keeps it: owner, name and the query that reads the dictionary for it
// ("TableInfoQuery", on the session the entry was made for, debug output
// off). Columns, constraints and defaults are read into it later.

#include <memory>
#include <string>
#include <vector>

#include "oracle/query/query.h"
#include "oracle/session/table_info_cache.h"

namespace oracle {

class TOracleSession;
class TOracleTableInfo;

// A column of the table as its "select *" describes it, with the text of
// its default and that default's value once computed.
struct TOracleColumnInfo {
  std::string Name;
  int16_t OracleType = 0;
  int32_t Size = 0;
  int32_t Scale = 0;
  std::string DefaultText;  // data_default
  Variant DefaultValue;
};

// A named constraint of the table; its kind and details are read on first
// check.
struct TOracleConstraintInfo {
  enum TKind { ckUnknown = 0, ckPrimaryKey = 1, ckUnique = 2, ckForeignKey = 3, ckCheck = 4 };
  std::string Name;
  std::vector<std::string> Columns;  // in position order
  TOracleTableInfo* Table = nullptr;
  int Kind = ckUnknown;
  bool Exists = false;
  bool DetailsRead = false;
  std::string SearchCondition;  // with the columns as bind variables
  std::string RefOwner, RefTable;
  std::vector<std::string> RefColumns;
};

class TOracleTableInfo : public TTableInfoEntry {
 public:
  TOracleTableInfo(TOracleSession* session, std::string owner, std::string tableName);

  const std::string& Owner() const { return owner_; }
  const std::string& TableName() const { return tableName_; }
  // The name a "select * from" uses for this table (empty until resolved).
  const std::string& FullName() const { return fullName_; }
  void SetFullName(std::string value) { fullName_ = std::move(value); }
  bool DefaultsRead() const { return defaultsRead_; }
  void SetDefaultsRead(bool value) { defaultsRead_ = value; }
  bool DefaultsEvaluated() const { return defaultsEvaluated_; }
  void SetDefaultsEvaluated(bool value) { defaultsEvaluated_ = value; }
  bool NoDefaults() const { return noDefaults_; }
  void SetNoDefaults(bool value) { noDefaults_ = value; }
  // The "TableInfoQuery" of this table.
  TOracleQuery& Query() { return *query_; }

  // Read on first use by the dictionary's operations, then kept.
  std::vector<TOracleConstraintInfo> Constraints;
  bool ConstraintsRead = false;
  std::vector<TOracleColumnInfo> Columns;
  bool ColumnsRead = false;

 private:
  std::string owner_;
  std::string tableName_;
  std::string fullName_;
  bool defaultsRead_ = false;
  bool defaultsEvaluated_ = false;
  bool noDefaults_ = false;
  std::unique_ptr<TOracleQuery> query_;
};

// The session's cached information of that table, made on first use;
// "Session undefined" without a session.
TOracleTableInfo& GetTableInfo(TOracleSession* session, const std::string& owner,
                               const std::string& tableName);

}  // namespace oracle
