// The automatic master/detail configuration from the dictionary's foreign
// keys (see master_detail_config.h).

#include "oracle/dictionary/master_detail_config.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <string>
#include <vector>

#include "oracle/dataset/dataset.h"
#include "oracle/dataset/master_detail.h"
#include "oracle/dictionary/table_dictionary.h"
#include "oracle/dml/editing.h"
#include "oracle/dml/updating_table.h"
#include "oracle/objects/oracle_object.h"
#include "oracle/query/select_splitter.h"
#include "oracle/session/session.h"
#include "oracle/session/ui_hooks.h"
#include "oracle/values/type_codes.h"
#include "platform/text.h"

namespace oracle {
namespace {

constexpr const char* kSessionNotConnected =
    "Automatic Master/Detail configuration is only\r\npossible if the Session is connected.";
constexpr const char* kMasterTableUnknown =
    "Automatic Master/Detail configuration is only\r\npossible if the Master SQL text is set "
    "correctly.";
constexpr const char* kDetailTableUnknown =
    "Automatic Master/Detail configuraion is only\r\npossible if the Detail SQL text is set "
    "correctly,\r\nor if the Master dataset contains one or more collection fields.";
constexpr const char* kForeignKeyMissing =
    "Automatic Master/Detail configuration is only\r\npossible if a foreign key constraint "
    "exists\r\nbetween the Master and Detail table.";
constexpr const char* kForeignKeyNotUnique =
    "Automatic Master/Detail configuration is only\r\npossible if just one foreign key "
    "constraint\r\nexists between the Master and Detail table.";
constexpr const char* kModifyQueryQuestion =
    "Modify query to add variables to WHERE clause?\r\nNOTE: This will remove any existing "
    "WHERE clause and variables!";

struct TableName {
  std::string owner, table;
};

// The dataset's updating table resolved to owner and table; empty when its
// SQL names none.
TableName UpdatingTableOfDataSet(TOracleDataSet& dataSet) {
  std::string name;
  try {
    name = GetUpdatingTableName(dataSet);
  } catch (const std::runtime_error&) {
    return {};  // a cursor dataset names no table
  }
  // A table expression (a collection detail's) names no table either.
  if (name.empty() || name.back() == ')') return {};
  DataSetTableInfo(dataSet);
  const TDataSetEditing& editing = Editing(dataSet);
  return {editing.resolvedOwner_, editing.resolvedTable_};
}

std::vector<std::string> ConstraintColumns(TOracleSession& session, const std::string& owner,
                                           const std::string& constraint) {
  TOracleQuery query;
  query.SetSession(&session);
  query.SetSQL(
      "select column_name from sys.all_cons_columns\n"
      " where owner = :owner and constraint_name = :constraint_name\n"
      " order by position");
  query.DeclareAndSet("owner", otype::String, Variant::String(owner));
  query.DeclareAndSet("constraint_name", otype::String, Variant::String(constraint));
  std::vector<std::string> columns;
  for (query.Execute(); !query.Eof(); query.Next()) columns.push_back(query.Field(0).ToText());
  return columns;
}

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ";") + name;
  return text;
}

// The variable type of each named column of the table: its buffer type, a
// CHAR column's as the zero-terminated CHAR type.
std::vector<int16_t> ColumnVariableTypes(TOracleSession& session, const TableName& table,
                                         const std::vector<std::string>& columns) {
  TOracleQuery query;
  query.SetSession(&session);
  query.SetSQL("select * from " + table.owner + "." + table.table);
  query.Describe();
  std::vector<int16_t> types;
  for (const std::string& column : columns) {
    int16_t type = otype::String;
    for (int32_t i = 0; i < query.FieldCount(); ++i) {
      if (platform::UpperAscii(query.FieldName(i)) != platform::UpperAscii(column)) continue;
      type = query.FieldOracleType(i) == otype::Char ? otype::CharZ : query.FieldType(i);
    }
    types.push_back(type);
  }
  return types;
}

constexpr int16_t kCollectionTypeCode = 122;

// The master table's collection columns, and the collection attributes of
// its object columns, as the user is offered them ("ITEMS (ITEM_TAB)",
// "ADDR.PHONES (PHONE_TAB)"), each with its path below the master row.
struct CollectionChoice {
  std::string text, path;
};

std::vector<CollectionChoice> CollectionChoices(TOracleSession& session, const TableName& table) {
  TOracleQuery query;
  query.SetSession(&session);
  query.SetSQL(
      "select c.data_type_owner, c.data_type, c.column_name, t.typecode\n"
      "from sys.all_tab_columns c,\n"
      "     sys.all_types t\n"
      "where c.owner = :owner\n"
      "and c.table_name = :table_name\n"
      "and c.data_type is not null\n"
      "and c.data_type_owner is not null\n"
      "and c.data_type_mod is null\n"
      "and t.owner = c.data_type_owner\n"
      "and t.type_name = c.data_type\n"
      "and t.typecode in ('COLLECTION', 'OBJECT')\n"
      "order by c.column_id");
  query.DeclareAndSet("owner", otype::String, Variant::String(table.owner));
  query.DeclareAndSet("table_name", otype::String, Variant::String(table.table));
  std::vector<CollectionChoice> choices;
  for (query.Execute(); !query.Eof(); query.Next()) {
    const std::string owner = query.Field(0).ToText(), type = query.Field(1).ToText(),
                      column = query.Field(2).ToText();
    if (query.Field(3).ToText() == "COLLECTION") {
      choices.push_back({column + " (" + type + ")", column});
      continue;
    }
    TOracleObject object(&session, owner + "." + type, "");
    for (int32_t i = 0; i < object.AttributeCount(); ++i) {
      const TObjectAttribute& attribute = object.AttributeItem(i);
      if (attribute.TypeCode() != kCollectionTypeCode) continue;
      choices.push_back({column + "." + attribute.Name() + " (" + attribute.TypeName() + ")",
                         column + "." + attribute.Name()});
    }
  }
  return choices;
}

enum class CollectionOutcome { kNotApplicable, kCancelled, kConfigured };

// Configures `detail` to list the elements of a collection of the master's
// current row, chosen by the user.
CollectionOutcome ConfigureFromCollection(TOracleDataSet& detail, TOracleSession& session,
                                          const TableName& master) {
  const std::vector<std::string> keys =
      TableKeyColumns(*detail.Master(), master.owner, master.table, false);
  if (keys.empty()) return CollectionOutcome::kNotApplicable;
  const std::vector<CollectionChoice> choices = CollectionChoices(session, master);
  if (choices.empty()) return CollectionOutcome::kNotApplicable;
  std::vector<std::string> texts;
  for (const CollectionChoice& choice : choices) texts.push_back(choice.text);
  int index = -1;
  bool readOnly = false;
  if (!SelectMasterCollectionColumn(texts, index, readOnly) || index < 0 ||
      index >= static_cast<int>(choices.size())) {
    return CollectionOutcome::kCancelled;
  }
  detail.DeleteVariables();
  detail.SetMasterFields("");
  detail.SetDetailFields("");
  std::string sql = std::string("select t.*") + (readOnly ? "" : ", rowid") + "\n" +
                    "from table(select m." + choices[static_cast<std::size_t>(index)].path + "\n" +
                    "           from   " + master.table + " m";
  // The variables are declared as the key columns are typed, so that the
  // detail binds them as soon as it opens.
  const std::vector<int16_t> types = ColumnVariableTypes(session, master, keys);
  for (std::size_t i = 0; i < keys.size(); ++i) {
    sql += std::string("\n") + (i == 0 ? "           where  " : "           and    ") + "m." +
           keys[i] + " = :" + keys[i];
    detail.DeclareVariable(keys[i], types[i]);
  }
  detail.SetSQL(sql + ") t");
  detail.SetMasterFields(Joined(keys));
  detail.SetDetailFields(Joined(keys));
  return CollectionOutcome::kConfigured;
}

}  // namespace

std::string ReplaceWhereClause(const std::string& sql, const std::string& where) {
  TSelectParts parts;
  if (!SplitSelect(sql, parts)) parts = {};
  std::size_t next = std::string::npos;
  for (std::size_t at : {parts.groupByAt, parts.havingAt, parts.orderByAt, parts.forUpdateAt}) {
    if (at != std::string::npos && (parts.whereAt == std::string::npos || at > parts.whereAt)) {
      next = std::min(next, at);
    }
  }
  if (parts.whereAt != std::string::npos) {
    std::size_t end = next == std::string::npos ? sql.size() : next;
    while (end > parts.whereAt && std::isspace(static_cast<unsigned char>(sql[end - 1]))) --end;
    return sql.substr(0, parts.whereAt) + where + sql.substr(end);
  }
  if (next != std::string::npos) return sql.substr(0, next) + where + "\n" + sql.substr(next);
  std::size_t end = sql.size();
  while (end > 0 && std::isspace(static_cast<unsigned char>(sql[end - 1]))) --end;
  return sql.substr(0, end) + "\n" + where;
}

bool ConfigureMasterDetail(TOracleDataSet& detail) {
  TOracleDataSet* master = detail.Master();
  if (master == nullptr) return false;
  TOracleSession* session = detail.Session();
  if (session == nullptr || !session->Connected()) {
    OracleMessageDialog(kSessionNotConnected, "O");
    return false;
  }
  const TableName pk = UpdatingTableOfDataSet(*master);
  if (pk.table.empty()) {
    OracleMessageDialog(kMasterTableUnknown, "O");
    return false;
  }
  const TableName fk = UpdatingTableOfDataSet(detail);
  if (fk.table.empty()) {
    const CollectionOutcome outcome = ConfigureFromCollection(detail, *session, pk);
    if (outcome == CollectionOutcome::kNotApplicable) OracleMessageDialog(kDetailTableUnknown, "O");
    return outcome == CollectionOutcome::kConfigured;
  }
  TOracleQuery query;
  query.SetSession(session);
  query.SetSQL(
      "select fk.constraint_name fkname, pk.constraint_name pkname\n"
      "  from sys.all_constraints fk, sys.all_constraints pk\n"
      " where fk.constraint_type = 'R'\n"
      "   and fk.owner = :fk_owner and fk.table_name = :fk_table_name\n"
      "   and pk.constraint_name = fk.r_constraint_name\n"
      "   and pk.owner = :pk_owner and pk.table_name = :pk_table_name");
  query.DeclareAndSet("fk_owner", otype::String, Variant::String(fk.owner));
  query.DeclareAndSet("fk_table_name", otype::String, Variant::String(fk.table));
  query.DeclareAndSet("pk_owner", otype::String, Variant::String(pk.owner));
  query.DeclareAndSet("pk_table_name", otype::String, Variant::String(pk.table));
  std::vector<std::pair<std::string, std::string>> keys;
  for (query.Execute(); !query.Eof(); query.Next()) {
    keys.emplace_back(query.Field(0).ToText(), query.Field(1).ToText());
  }
  if (keys.size() != 1) {
    OracleMessageDialog(keys.empty() ? kForeignKeyMissing : kForeignKeyNotUnique, "O");
    return false;
  }
  const std::vector<std::string> detailColumns =
      ConstraintColumns(*session, fk.owner, keys[0].first);
  const std::vector<std::string> masterColumns =
      ConstraintColumns(*session, pk.owner, keys[0].second);
  detail.SetDetailFields(Joined(detailColumns));
  detail.SetMasterFields(Joined(masterColumns));
  if (OracleMessageDialog(kModifyQueryQuestion, "YN") != mrYes) return true;

  // Each variable is named after its detail column, so that DetailFields
  // names the variables the WHERE clause uses.
  const std::vector<int16_t> types = ColumnVariableTypes(*session, pk, masterColumns);
  detail.DeleteVariables();
  std::string where = "where ";
  const std::size_t pairs = std::min(detailColumns.size(), masterColumns.size());
  for (std::size_t i = 0; i < pairs; ++i) {
    const std::string variable = platform::LowerAscii(detailColumns[i]);
    where += (i > 0 ? " and " : "") + detailColumns[i] + " = :" + variable;
    detail.DeclareVariable(variable, types[i]);
  }
  detail.SetSQL(ReplaceWhereClause(detail.SQL(), where));
  return true;
}

}  // namespace oracle
