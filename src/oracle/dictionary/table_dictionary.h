#pragma once
// The data dictionary of a dataset's updating table: its named constraints,
// its columns and their defaults, read once into the session's cached table
// information, and the resolution of a bare name to owner and table through
// the user's tables, views and synonyms.

#include <string>

#include "oracle/dataset/dataset.h"
#include "oracle/query/table_info.h"

namespace oracle {

// Reads the table's constraints once: their names and columns, leaving out
// the server-named ones (SYS_C...) outside ODBC mode.
void ReadConstraints(TOracleTableInfo& table);
// Reads the table's columns once, by describing "select * from" its full name.
void ReadColumns(TOracleTableInfo& table);
// Reads the default texts of the columns once (after ReadColumns).
void ReadColumnDefaults(TOracleTableInfo& table);
// The column of that name (exact match), or null.
TOracleColumnInfo* FindColumn(TOracleTableInfo& table, const std::string& name);
// Computes the columns' default values in one block: once, or at every call
// with DynamicDefaults. False when the table has no defaults.
bool ComputeDefaults(TOracleTableInfo& table, TOracleDataSet& dataSet);
// Computes the defaults and gives every field named like a column with a
// default that default's value (a new record's hook).
void EvaluateDefaults(TOracleTableInfo& table, TOracleDataSet& dataSet);

// Owner and table that `name` stands for: "owner.table" split and
// upper-cased without asking the server; otherwise the user's table, view,
// private synonym or public synonym of that name, in that order. Both empty
// when nothing matched.
void ResolveTableName(TOracleSession& session, const std::string& name, std::string& owner,
                      std::string& table);
// The cached dictionary information of the dataset's updating table.
TOracleTableInfo& DataSetTableInfo(TOracleDataSet& dataSet);

// The server's text for an Oracle error number ("ORA-00001: unique
// constraint (.) violated").
std::string ServerErrorText(TOracleSession& session, int errorCode);

}  // namespace oracle
