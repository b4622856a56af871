#include "oracle/dictionary/table_dictionary.h"

#include "dataset/field.h"
#include "oracle/dml/editing.h"
#include "oracle/dml/updating_table.h"
#include "oracle/session/session.h"
#include "oracle/values/type_codes.h"
#include "platform/text.h"

namespace oracle {
namespace {

void BindOwnerAndTable(TOracleTableInfo& table) {
  TOracleQuery& query = table.Query();
  query.DeleteVariables();
  query.DeclareAndSet("owner", otype::String, Variant::String(table.Owner()));
  query.DeclareAndSet("table_name", otype::String, Variant::String(table.TableName()));
}

// Gives the field the value, by the value's kind.
void AssignField(dataset::TField& field, const Variant& value) {
  if (value.IsEmptyOrNull()) {
    field.Clear();
  } else if (value.IsIntegral()) {
    field.SetAsLargeInt(value.ToInt64());
  } else if (value.IsFloat()) {
    field.SetAsFloat(value.ToDouble());
  } else if (value.Type() == VarType::Date) {
    field.SetAsDateTime(value.ToDateTime());
  } else {
    field.SetAsString(value.ToText());
  }
}

// The PL/SQL block that resolves a bare name, each step reached only when
// the one before found nothing.
constexpr const char* kResolveBlock =
    "begin\n"
    "  begin\n"
    "    select user, table_name into :table_owner, :table_name\n"
    "      from sys.user_tables where table_name = :name;\n"
    "  exception when no_data_found then\n"
    "    begin\n"
    "      select user, view_name into :table_owner, :table_name\n"
    "        from sys.user_views where view_name = :name;\n"
    "    exception when no_data_found then\n"
    "      begin\n"
    "        select table_owner, table_name into :table_owner, :table_name\n"
    "          from sys.user_synonyms where synonym_name = :name;\n"
    "      exception when no_data_found then\n"
    "        begin\n"
    "          select table_owner, table_name into :table_owner, :table_name\n"
    "            from sys.all_synonyms where owner = 'PUBLIC' and synonym_name = :name;\n"
    "        exception when no_data_found then\n"
    "          :table_owner := null; :table_name := null;\n"
    "        end;\n"
    "      end;\n"
    "    end;\n"
    "  end;\n"
    "end;";

}  // namespace

void ReadConstraints(TOracleTableInfo& table) {
  if (table.ConstraintsRead) return;
  TOracleQuery& query = table.Query();
  const bool odbc = query.Session() != nullptr && query.Session()->ODBCMode();
  query.SetSQL(
      "select constraint_name, column_name from sys.all_cons_columns\n"
      "where owner = :owner and table_name = :table_name\n" +
      std::string(odbc ? "" : "and constraint_name not like 'SYS_C%'\n") +
      "order by constraint_name, position");
  BindOwnerAndTable(table);
  query.Execute();
  std::vector<TOracleConstraintInfo> read;
  for (; !query.Eof(); query.Next()) {
    const std::string name = query.Field(0).ToText();
    if (read.empty() || read.back().Name != name) {
      read.emplace_back();
      read.back().Name = name;
      read.back().Table = &table;
    }
    read.back().Columns.push_back(query.Field(1).ToText());
  }
  query.Close();
  table.Constraints = std::move(read);
  table.ConstraintsRead = true;
}

void ReadColumns(TOracleTableInfo& table) {
  if (table.ColumnsRead) return;
  TOracleQuery& query = table.Query();
  query.DeleteVariables();
  query.SetSQL("select * from " + table.FullName());
  query.Describe();
  std::vector<TOracleColumnInfo> read;
  for (int32_t i = 0; i < query.FieldCount(); ++i) {
    TOracleColumnInfo column;
    column.Name = query.FieldName(i);
    column.OracleType = query.FieldType(i);
    column.Size = query.FieldSize(i);
    column.Scale = query.FieldScale(i);
    read.push_back(std::move(column));
  }
  table.Columns = std::move(read);
  table.ColumnsRead = true;
}

void ReadColumnDefaults(TOracleTableInfo& table) {
  if (table.DefaultsRead()) return;
  ReadColumns(table);
  TOracleQuery& query = table.Query();
  query.SetSQL(
      "select column_name, data_default from sys.all_tab_columns\n"
      "where owner = :owner and table_name = :table_name\n"
      "and data_default is not null");
  BindOwnerAndTable(table);
  query.Execute();
  table.SetNoDefaults(true);
  for (; !query.Eof(); query.Next()) {
    TOracleColumnInfo* column = FindColumn(table, query.Field(0).ToText());
    if (column == nullptr) continue;
    column->DefaultText = query.Field(1).ToText();
    table.SetNoDefaults(false);
  }
  query.Close();
  table.SetDefaultsRead(true);
}

TOracleColumnInfo* FindColumn(TOracleTableInfo& table, const std::string& name) {
  for (TOracleColumnInfo& column : table.Columns)
    if (column.Name == name) return &column;
  return nullptr;
}

bool ComputeDefaults(TOracleTableInfo& table, TOracleDataSet& dataSet) {
  ReadColumnDefaults(table);
  if (table.NoDefaults()) return false;
  if (!Editing(dataSet).OracleDictionary.DynamicDefaults && table.DefaultsEvaluated()) return true;
  table.SetDefaultsEvaluated(true);
  TOracleQuery& query = table.Query();
  query.SetDebug(dataSet.Debug());
  query.DeleteVariables();
  std::string text = "begin\n";
  for (const TOracleColumnInfo& column : table.Columns) {
    if (column.DefaultText.empty()) continue;
    text += "  :" + column.Name + " := " + column.DefaultText + ";\n";
    query.DeclareVariable(column.Name, column.OracleType);
  }
  query.SetSQL(text + "end;");
  query.Execute();
  for (TOracleColumnInfo& column : table.Columns)
    if (!column.DefaultText.empty()) column.DefaultValue = query.GetVariable(column.Name);
  query.SetDebug(false);
  return true;
}

void EvaluateDefaults(TOracleTableInfo& table, TOracleDataSet& dataSet) {
  if (!ComputeDefaults(table, dataSet)) return;
  for (const TOracleColumnInfo& column : table.Columns) {
    if (column.DefaultText.empty()) continue;
    if (dataset::TField* field = dataSet.FindField(column.Name))
      AssignField(*field, column.DefaultValue);
  }
}

void ResolveTableName(TOracleSession& session, const std::string& name, std::string& owner,
                      std::string& table) {
  owner.clear();
  table.clear();
  const std::size_t dot = name.find('.');
  if (dot != std::string::npos) {
    owner = platform::UpperAscii(name.substr(0, dot));
    table = platform::UpperAscii(name.substr(dot + 1));
    return;
  }
  if (name.empty()) return;
  TOracleQuery query;
  query.SetSession(&session);
  query.DeclareAndSet("name", otype::String, Variant::String(platform::UpperAscii(name)));
  if (!session.ODBCMode()) {
    query.DeclareVariable("table_owner", otype::String);
    query.DeclareVariable("table_name", otype::String);
    query.SetSQL(kResolveBlock);
    query.Execute();
    owner = query.GetVariable("table_owner").ToText();
    table = query.GetVariable("table_name").ToText();
    return;
  }
  const char* const steps[] = {
      "select owner, table_name from all_tables\nwhere owner = user and table_name = :name",
      "select table_owner, table_name from all_synonyms\n"
      "where owner = user and synonym_name = :name;",
      "select table_owner, table_name from all_synonyms\n"
      "where owner = 'PUBLIC' and synonym_name = :name;",
  };
  for (const char* step : steps) {
    query.SetSQL(step);
    query.Execute();
    if (!query.Eof()) {
      owner = query.Field(0).ToText();
      table = query.Field(1).ToText();
      return;
    }
  }
}

TOracleTableInfo& DataSetTableInfo(TOracleDataSet& dataSet) {
  TOracleSession* session = dataSet.Session();
  if (session == nullptr) throw std::runtime_error("Session undefined");
  const std::string name = GetUpdatingTableName(dataSet);
  TDataSetEditing& editing = Editing(dataSet);
  std::string& owner = editing.resolvedOwner_;
  std::string& table = editing.resolvedTable_;
  // A log-off clears the session's table information, and what the name
  // stood for goes with it: a synonym may point elsewhere now, or the
  // session be another user's.
  const std::uint64_t epoch = session->TableInfoCache().Epoch();
  if (editing.resolvedFor_ != name || table.empty() || editing.resolvedEpoch_ != epoch) {
    ResolveTableName(*session, name, owner, table);
    if (table.empty()) {
      // Nothing of that name: the name itself, in the user's schema.
      owner = platform::UpperAscii(session->LogonUsername());
      table = platform::UpperAscii(name);
    }
    editing.resolvedFor_ = name;
    editing.resolvedEpoch_ = epoch;
  }
  TOracleTableInfo& info = GetTableInfo(session, owner, table);
  if (info.FullName().empty()) info.SetFullName(owner + "." + table);
  return info;
}

std::string ServerErrorText(TOracleSession& session, int errorCode) {
  TOracleQuery query;
  query.SetSession(&session);
  query.SetSQL("begin :text := sqlerrm(-:code); end;");
  query.DeclareVariable("text", otype::String);
  query.DeclareAndSet("code", otype::Integer, Variant::Integer(errorCode));
  query.Execute();
  return query.GetVariable("text").ToText();
}

}  // namespace oracle
