#include "oracle/dictionary/constraint_check.h"

#include <cctype>
#include <cmath>

#include "dataset/database_error.h"
#include "oracle/dictionary/table_dictionary.h"
#include "oracle/dml/dml_query.h"
#include "oracle/dml/editing.h"
#include "oracle/dml/translate_message.h"
#include "oracle/dml/updating_table.h"
#include "oracle/session/session.h"
#include "oracle/values/sql_scanner.h"
#include "oracle/values/type_codes.h"
#include "platform/text.h"

namespace oracle {
namespace {

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '$' || c == '#';
}

bool SameName(const std::string& a, const std::string& b) {
  return platform::UpperAscii(a) == platform::UpperAscii(b);
}

bool IsNewRecord(TOracleDataSet& dataSet) {
  return dataSet.State() == dataset::TDataSetState::dsInsert ||
         dataSet.UpdateStatus() == dataset::TUpdateStatus::usInserted;
}

// A data field of the dataset for that column, or null.
dataset::TField* DataFieldOf(TOracleDataSet& dataSet, const std::string& column) {
  dataset::TField* field = dataSet.FindField(column);
  return field != nullptr && field->FieldKind() == dataset::TFieldKind::fkData ? field : nullptr;
}

// Builds the lines comparing `targets` (the columns named in the SQL) with
// the record's values of `columns`: a bound value, "is null", or the stored
// value read by rowid for a column the dataset has no field of. False when
// nothing is to be checked: every value null, or a stored value needed for
// a new record.
bool CompareLines(TOracleDataSet& dataSet, TOracleQuery& query, const std::string& table,
                  const std::vector<std::string>& columns, const std::vector<std::string>& targets,
                  bool newRecord, std::string& text, bool& usesRowid) {
  bool anyValue = false;
  for (std::size_t i = 0; i < columns.size() && i < targets.size(); ++i) {
    text += i == 0 ? "" : "\nand ";
    const std::string& column = columns[i];
    dataset::TField* field = dataSet.FindField(column);
    if (field == nullptr) {
      if (newRecord) return false;
      text +=
          targets[i] + " = (select " + column + " from " + table + " where rowid = :kel__rowid)";
      usesRowid = true;
      anyValue = true;
    } else if (BindFieldValue(dataSet, query, *field, column)) {
      text += targets[i] + " = :" + column;
      anyValue = true;
    } else {
      text += targets[i] + " is null";
    }
  }
  return anyValue;
}

// 0 when the record satisfies the constraint, else the Oracle error number
// of its violation.
int Violation(TOracleConstraintInfo& c, TOracleDataSet& dataSet, TOracleQuery& query) {
  const bool newRecord = IsNewRecord(dataSet);
  const std::string table = GetUpdatingTableName(dataSet);
  bool usesRowid = false;
  std::string text;
  if (c.Kind == TOracleConstraintInfo::ckPrimaryKey || c.Kind == TOracleConstraintInfo::ckUnique ||
      c.Kind == TOracleConstraintInfo::ckForeignKey) {
    const bool foreign = c.Kind == TOracleConstraintInfo::ckForeignKey;
    text = foreign ? "select 'x' from " + c.RefOwner + "." + c.RefTable + "\nwhere "
                   : "select 'x' from " + table + "\n" +
                         (newRecord ? "where " : "where rowid <> :kel__rowid\r\nand ");
    if (!foreign) usesRowid = !newRecord;
    if (!CompareLines(dataSet, query, table, c.Columns, foreign ? c.RefColumns : c.Columns,
                      newRecord, text, usesRowid))
      return 0;
    query.SetSQL(text);
    if (usesRowid)
      query.DeclareAndSet("kel__rowid", otype::String, Variant::String(dataSet.RecordRowId()));
    query.Execute();
    const bool found = !query.Eof();
    if (foreign) return found ? 0 : 2291;
    return found ? 1 : 0;
  }
  // Check: a block over the fields' values and, for columns without a
  // field, the stored values read by rowid.
  TOracleTableInfo& info = *c.Table;
  std::vector<std::string> stored;
  for (const std::string& column : c.Columns) {
    dataset::TField* field = dataSet.FindField(column);
    if (field != nullptr) {
      if (!BindFieldValue(dataSet, query, *field, column)) {
        const TOracleFieldInfo* fi = dataSet.FieldInfo().FindByField(*field);
        query.DeclareAndSet(column, static_cast<int16_t>(fi ? fi->OracleType : otype::String),
                            Variant::Null());
      }
      continue;
    }
    ReadColumns(info);
    const TOracleColumnInfo* known = FindColumn(info, column);
    if (known == nullptr || newRecord) return 0;
    query.DeclareVariable(column, known->OracleType);
    stored.push_back(column);
  }
  text = "begin\n";
  if (!stored.empty()) {
    std::string names, variables;
    for (const std::string& column : stored) {
      names += (names.empty() ? "" : ", ") + column;
      variables += (variables.empty() ? ":" : ", :") + column;
    }
    text += "  select " + names + " into " + variables + " from " + table +
            " where rowid = :kel__rowid;\n";
    query.DeclareAndSet("kel__rowid", otype::String, Variant::String(dataSet.RecordRowId()));
  }
  text += "  if not (" + c.SearchCondition +
          ") then\n    :error := 2290;\n  else\n    :error := 0;\n  end if;\n";
  if (!stored.empty()) text += "exception\n  when others then :error := 0;\n";
  query.SetSQL(text + "end;");
  query.DeclareVariable("error", otype::Integer);
  query.Execute();
  return query.GetVariable("error").ToInt32();
}

}  // namespace

std::string BindColumnNames(const std::string& condition, const std::vector<std::string>& columns) {
  const std::vector<SqlTextState> states = ScanSqlText(condition);
  const std::string upper = platform::UpperAscii(condition);
  std::string out;
  std::size_t i = 0;
  while (i < condition.size()) {
    bool replaced = false;
    for (const std::string& column : columns) {
      const std::string name = platform::UpperAscii(column);
      if (name.empty()) continue;
      if (states[i] == SqlTextState::Normal && upper.compare(i, name.size(), name) == 0 &&
          (i == 0 || (!IsNameChar(condition[i - 1]) && condition[i - 1] != ':')) &&
          (i + name.size() == condition.size() || !IsNameChar(condition[i + name.size()]))) {
        out += ":" + condition.substr(i, name.size());
        i += name.size();
        replaced = true;
        break;
      }
      // A quoted name: its quotes give way to the colon.
      if (states[i] == SqlTextState::QuotedIdentifier && condition[i] == '"' &&
          i + name.size() + 1 < condition.size() && condition[i + name.size() + 1] == '"' &&
          upper.compare(i + 1, name.size(), name) == 0) {
        out += ":" + condition.substr(i + 1, name.size());
        i += name.size() + 2;
        replaced = true;
        break;
      }
    }
    if (!replaced) out += condition[i++];
  }
  return out;
}

bool IsFieldNull(const dataset::TField& field) {
  if (field.IsNull()) return true;
  const dataset::TFieldType type = field.DataType();
  return (type == dataset::TFieldType::ftString || type == dataset::TFieldType::ftWideString ||
          type == dataset::TFieldType::ftMemo) &&
         field.AsString().empty();
}

bool BindFieldValue(TOracleDataSet& dataSet, TOracleQuery& query, dataset::TField& field,
                    const std::string& name) {
  if (IsFieldNull(field)) return false;
  const TOracleFieldInfo* info = dataSet.FieldInfo().FindByField(field);
  const int16_t type = static_cast<int16_t>(info != nullptr ? info->OracleType : otype::String);
  const Variant value = FieldOracleValue(field);
  query.DeclareAndSet(name, type, value);
  return true;
}

bool FloatsEqual(double a, double b) {
  if (a == 0) return std::fabs(b) <= 1e-10;
  return std::fabs((b - a) / a) <= 1e-10;
}

std::size_t WordPos(const std::string& word, const std::string& text) {
  const auto blanked = [](const std::string& s) {
    std::string out = platform::UpperAscii(s);
    for (char& c : out)
      if (!IsNameChar(c)) c = ' ';
    return out;
  };
  const std::size_t at = (" " + blanked(text) + " ").find(" " + blanked(word) + " ");
  return at == std::string::npos ? 0 : at + 1;
}

void ReadDetails(TOracleConstraintInfo& c, TOracleDataSet& dataSet) {
  if (c.DetailsRead) return;
  TOracleQuery& query = PrepareDMLQuery(dataSet);
  const bool odbc = dataSet.Session() != nullptr && dataSet.Session()->ODBCMode();
  query.DeleteVariables();
  query.SetSQL(std::string("select constraint_type, r_constraint_name, r_owner, search_condition\n"
                           "  from sys.all_constraints\n"
                           " where constraint_name = :constraint_name and owner = :owner\n") +
               (odbc ? "   and constraint_type != 'C'" : "   and status = 'ENABLED'"));
  query.DeclareAndSet("constraint_name", otype::String, Variant::String(c.Name));
  query.DeclareAndSet("owner", otype::String, Variant::String(c.Table->Owner()));
  query.Execute();
  c.DetailsRead = true;
  if (query.Eof()) {
    ReleaseDMLQuery(dataSet);
    return;
  }
  c.Exists = true;
  const std::string type = query.Field(0).ToText();
  c.Kind = type == "P"   ? TOracleConstraintInfo::ckPrimaryKey
           : type == "U" ? TOracleConstraintInfo::ckUnique
           : type == "R" ? TOracleConstraintInfo::ckForeignKey
           : type == "C" ? TOracleConstraintInfo::ckCheck
                         : TOracleConstraintInfo::ckUnknown;
  if (c.Kind == TOracleConstraintInfo::ckCheck)
    c.SearchCondition = BindColumnNames(query.Field(3).ToText(), c.Columns);
  if (c.Kind == TOracleConstraintInfo::ckForeignKey) {
    const std::string refName = query.Field(1).ToText();
    c.RefOwner = query.Field(2).ToText();
    query.DeleteVariables();
    query.SetSQL(
        "select table_name, column_name from sys.all_cons_columns\n"
        " where owner = :owner and constraint_name = :constraint_name\n"
        " order by position");
    query.DeclareAndSet("owner", otype::String, Variant::String(c.RefOwner));
    query.DeclareAndSet("constraint_name", otype::String, Variant::String(refName));
    query.Execute();
    for (; !query.Eof(); query.Next()) {
      c.RefTable = query.Field(0).ToText();
      c.RefColumns.push_back(query.Field(1).ToText());
    }
  }
  ReleaseDMLQuery(dataSet);
}

void Check(TOracleConstraintInfo& c, TOracleDataSet& dataSet) {
  if (!c.Exists) return;
  TOracleQuery& query = PrepareDMLQuery(dataSet);
  query.DeleteVariables();
  int error = 0;
  try {
    error = Violation(c, dataSet, query);
  } catch (...) {
    ReleaseDMLQuery(dataSet);
    throw;
  }
  ReleaseDMLQuery(dataSet);
  if (error <= 0) return;
  TOracleSession& session = *dataSet.Session();
  std::string message;
  if (session.ODBCMode()) {
    message = ServerErrorText(session, 30021) +
              (error == 1 ? "[POL-3220] duplicate keys in unique/primary index"
                          : "[POL-5143] integrity constraint violation");
    error = 30021;
  } else {
    message = ServerErrorText(session, error);
    const std::size_t open = message.find('(');
    const std::size_t close = open == std::string::npos ? open : message.find(')', open);
    if (close != std::string::npos)
      message.replace(open + 1, close - open - 1, c.Table->Owner() + "." + c.Name);
  }
  const char action = dataSet.UpdateStatus() == dataset::TUpdateStatus::usInserted ? 'I' : 'U';
  std::string translated;
  TranslateMessage(dataSet, action, error, message, translated);
  dataset::DatabaseError(translated, {}, error);
}

std::string ConstraintFieldName(const TOracleConstraintInfo& c, TOracleDataSet& dataSet) {
  std::string name;
  for (const std::string& column : c.Columns) {
    dataset::TField* field = DataFieldOf(dataSet, column);
    if (field == nullptr) continue;
    if (!name.empty()) return "*";
    name = field->FieldName();
  }
  return name;
}

void EnforceConstraints(TOracleDataSet& dataSet, dataset::TField* field) {
  TDataSetEditing& editing = Editing(dataSet);
  if (!editing.OracleDictionary.EnforceConstraints || !dataSet.HasRowId()) return;
  const TSequenceField& sequence = editing.SequenceField;
  if (field != nullptr &&
      (field->FieldKind() != dataset::TFieldKind::fkData || dataSet.IsDetailLinkField(*field) ||
       sequence.IsSequenceField(field->FieldName()) || IsFieldNull(*field)))
    return;
  TOracleTableInfo& info = DataSetTableInfo(dataSet);
  ReadConstraints(info);
  const std::vector<std::string>& disabled = editing.OracleDictionary.DisabledConstraints();
  const bool inserting = dataSet.State() == dataset::TDataSetState::dsInsert;
  for (TOracleConstraintInfo& c : info.Constraints) {
    ReadDetails(c, dataSet);
    bool skip = false;
    for (const std::string& name : disabled) skip = skip || SameName(name, c.Name);
    if (skip || !c.Exists) continue;
    if (field != nullptr) {
      if (SameName(ConstraintFieldName(c, dataSet), field->FieldName())) Check(c, dataSet);
      continue;
    }
    bool changed = false, suppressed = false;
    for (const std::string& column : c.Columns) {
      dataset::TField* f = dataSet.FindField(column);
      if (f == nullptr) continue;
      if (f->FieldKind() != dataset::TFieldKind::fkData ||
          (sequence.AppliesOnServer(f->FieldName()) && f->IsNull()) ||
          (c.Kind == TOracleConstraintInfo::ckForeignKey && IsFieldNull(*f))) {
        suppressed = true;
        break;
      }
      // The master gives the link fields their values; the sequence the key.
      if (dataSet.IsDetailLinkField(*f) || sequence.IsSequenceField(f->FieldName())) continue;
      changed = changed || (inserting ? !IsFieldNull(*f) : dataSet.FieldChanged(*f));
    }
    if (changed && !suppressed) Check(c, dataSet);
  }
}

}  // namespace oracle
