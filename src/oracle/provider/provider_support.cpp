#include "oracle/provider/provider_support.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <stdexcept>

#include "dataset/field_kinds.h"
#include "oracle/dictionary/constraint_check.h"
#include "oracle/dictionary/table_dictionary.h"
#include "oracle/dml/dml_query.h"
#include "oracle/dml/editing.h"
#include "oracle/dml/posting.h"
#include "oracle/dml/updating_table.h"
#include "oracle/lob/lob_locator.h"
#include "oracle/query/select_splitter.h"
#include "oracle/session/session.h"
#include "oracle/values/framework_value.h"
#include "oracle/values/sql_scanner.h"
#include "oracle/values/type_codes.h"
#include "platform/text.h"

namespace oracle {
namespace {

using dataset::TFieldType;

// The Oracle type of a parameter's variable; 0: not declared. In a
// statement run by ExecuteStatement unlisted types are strings and long
// strings LONG, and cursors are not declared.
int16_t VariableTypeOf(const dataset::TParam& param, bool statement, std::size_t maxString) {
  switch (param.DataType) {
    case TFieldType::ftString:
    case TFieldType::ftWideString:
      return statement && param.Value.vt() == VT_BSTR && param.Value.ToString().size() > maxString
                 ? otype::Long
                 : otype::String;
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
      return otype::Integer;
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
    case TFieldType::ftBCD:
      return otype::Float;
    case TFieldType::ftDate:
    case TFieldType::ftTime:
    case TFieldType::ftDateTime:
      return otype::Date;
    case TFieldType::ftBlob:
      return otype::LongRaw;
    case TFieldType::ftMemo:
      return otype::Long;
    case TFieldType::ftCursor:
      return statement ? otype::String : otype::Cursor;
    case TFieldType::ftOraBlob:
      return otype::BLOB;
    case TFieldType::ftOraClob:
      return otype::CLOB;
    default:
      return statement ? otype::String : 0;
  }
}

TFieldType ParamTypeOf(int16_t type) {
  switch (type) {
    case otype::Integer:
      return TFieldType::ftInteger;
    case otype::Float:
      return TFieldType::ftFloat;
    case otype::String:
      return TFieldType::ftString;
    case otype::Long:
      return TFieldType::ftMemo;
    case otype::Date:
    case otype::Timestamp:
    case otype::TimestampTZ:
    case otype::TimestampLTZ:
      return TFieldType::ftDateTime;
    case otype::LongRaw:
      return TFieldType::ftBlob;
    case otype::CLOB:
      return TFieldType::ftOraClob;
    case otype::BLOB:
    case otype::BFile:
      return TFieldType::ftOraBlob;
    case otype::Cursor:
      return TFieldType::ftCursor;
    default:
      return TFieldType::ftUnknown;
  }
}

bool HoldsNoValue(int16_t type) {
  return IsLobType(type) || type == otype::Cursor;
}

// The longest text bound as a string: 4000 bytes through the version-8
// interface, else 2000, in characters of the session's character set.
std::size_t MaxStringBind(TOracleSession* session) {
  if (session == nullptr) return 2000;
  const int perChar = session->BytesPerChar() > 0 ? session->BytesPerChar() : 1;
  return static_cast<std::size_t>((session->InOCI8Mode() ? 4000 : 2000) / perChar);
}

// A LOB parameter's value in a temporary LOB of its type, made before the
// statement runs so that it holds the value when bound; a null parameter
// gets an uninitialised locator, bound as null.
std::unique_ptr<TLOBLocator> LobHolding(TOracleSession* session, int16_t type,
                                        const ::Variant& value) {
  if (value.IsNull() || value.vt() == VT_EMPTY) return std::make_unique<TLOBLocator>(session, type);
  std::unique_ptr<TLOBLocator> lob = TLOBLocator::CreateTemporary(session, type, false);
  // A byte array goes in byte for byte; its text form would not carry every byte.
  std::string bytes;
  if (dataset::VariantBytes(value, bytes)) {
    if (!bytes.empty()) lob->Write(bytes.data(), static_cast<int64_t>(bytes.size()));
  } else {
    lob->SetAsString(value.ToString());
  }
  return lob;
}

// The columns joined by ";" when the dataset has a field for each, else empty.
std::string SelectedColumns(TOracleDataSet& dataSet, const std::vector<std::string>& columns) {
  std::string fields;
  for (const std::string& column : columns) {
    dataset::TField* field = dataSet.FindField(column);
    if (field == nullptr) return {};
    fields += (fields.empty() ? "" : ";") + field->FieldName();
  }
  return fields;
}

// The named key constraints of the dataset's table, their details read.
std::vector<TOracleConstraintInfo*> KeyConstraints(TOracleDataSet& dataSet) {
  TOracleTableInfo& info = DataSetTableInfo(dataSet);
  ReadConstraints(info);
  std::vector<TOracleConstraintInfo*> keys;
  for (TOracleConstraintInfo& c : info.Constraints) {
    ReadDetails(c, dataSet);
    if (c.Exists && (c.Kind == TOracleConstraintInfo::ckPrimaryKey ||
                     c.Kind == TOracleConstraintInfo::ckUnique))
      keys.push_back(&c);
  }
  return keys;
}

bool CursorWithoutTable(TOracleDataSet& dataSet) {
  return dataSet.IsCursorDataSet() && Editing(dataSet).UpdatingTable.empty();
}

}  // namespace

std::string NamePlaceholders(const std::string& sql, int count) {
  const std::vector<SqlTextState> states = ScanSqlText(sql);
  std::string out;
  int next = 0;
  for (std::size_t i = 0; i < sql.size(); ++i) {
    if (next < count && sql[i] == '?' && states[i] == SqlTextState::Normal) {
      out += ":V" + std::to_string(next++);
    } else {
      out += sql[i];
    }
  }
  if (next < count) throw std::runtime_error("No variable for parameter " + std::to_string(next));
  return out;
}

void TOracleProviderSupport::Execute(TOracleDataSet& dataSet) {
  dataSet.Close();
  dataSet.Open();
}

int TOracleProviderSupport::ExecuteStatement(TOracleDataSet& dataSet, const std::string& sql,
                                             dataset::TParams& params,
                                             std::unique_ptr<dataset::TDataSet>* resultSet) {
  TOracleQuery& query = PrepareDMLQuery(dataSet);
  query.DeleteVariables();
  statementLobs_.clear();
  const std::string text = NamePlaceholders(sql, params.Count());
  const std::size_t maxString = MaxStringBind(dataSet.Session());
  for (int i = 0; i < params.Count(); ++i) {
    const int16_t type = VariableTypeOf(params[i], true, maxString);
    const std::string name = "V" + std::to_string(i);
    if (IsLobType(type)) {
      query.DeclareVariable(name, type);
      statementLobs_.push_back(LobHolding(dataSet.Session(), type, params[i].Value));
      query.SetComplexVariable(name, statementLobs_.back().get());
      continue;
    }
    query.DeclareAndSet(name, type, FromFrameworkValue(params[i].Value));
  }
  int result = 0;
  if (resultSet == nullptr) {
    query.SetSQL(text);
    try {
      query.Execute();
    } catch (...) {
      ReleaseDMLQuery(dataSet);
      throw;
    }
    result = query.RowsProcessed();
    ReleaseDMLQuery(dataSet);
    return result;
  }
  auto rows = std::make_unique<TOracleDataSet>();
  rows->SetSession(dataSet.Session());
  rows->SetSQL(text);
  for (int32_t i = 0; i < query.VariableCount(); ++i) {
    const std::string name = query.VariableName(i);
    if (IsLobType(query.VariableType(i))) {
      rows->DeclareVariable(name, query.VariableType(i));
      rows->MainQuery().SetComplexVariable(name, query.GetComplexVariable(name));
    } else {
      rows->DeclareAndSet(name, query.VariableType(i), query.GetVariable(name));
    }
  }
  rows->Open();
  result = rows->RecordCount();
  *resultSet = std::move(rows);
  return result;
}

std::unique_ptr<dataset::TIndexDef> TOracleProviderSupport::DefaultOrder(TOracleDataSet& dataSet) {
  if ((dataSet.ProviderOptions() & opNoDefaultOrder) != 0) return nullptr;
  TSelectParts parts;
  if (!SplitSelect(dataSet.SQL(), parts) || parts.orderBy.empty()) return nullptr;
  // Comments blanked, the rest upper-cased, split at blanks, line ends,
  // double quotes and commas.
  std::string order = parts.orderBy;
  const std::vector<SqlTextState> states = ScanSqlText(order);
  for (std::size_t i = 0; i < order.size(); ++i)
    if (states[i] == SqlTextState::LineComment || states[i] == SqlTextState::BlockComment)
      order[i] = ' ';
  order = platform::UpperAscii(order);
  std::vector<std::string> tokens;
  std::string token;
  for (const char c : order + " ") {
    if (c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == '"' || c == ',') {
      if (!token.empty()) tokens.push_back(std::move(token));
      token.clear();
    } else {
      token += c;
    }
  }
  std::vector<std::string> fields, descending, caseInsensitive;
  const TOracleQuery& query = dataSet.MainQuery();
  for (const std::string& t : tokens) {
    if (t == "ASC") continue;
    if (t == "DESC") {
      if (!fields.empty()) descending.push_back(fields.back());
      continue;
    }
    if (t == "FOR") break;
    std::string name = t;
    bool upper = false;
    if (name.rfind("UPPER(", 0) == 0 && name.size() > 7 && name.back() == ')') {
      name = name.substr(6, name.size() - 7);
      upper = true;
    }
    if (!name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
          return std::isdigit(static_cast<unsigned char>(c));
        })) {
      const long n = std::strtol(name.c_str(), nullptr, 10);
      if (n < 1 || n > query.FieldCount()) return nullptr;
      name = query.FieldName(static_cast<int32_t>(n - 1));
    }
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) name = name.substr(dot + 1);
    dataset::TField* field = dataSet.FindField(name);
    if (field == nullptr) return nullptr;
    fields.push_back(field->FieldName());
    if (upper) caseInsensitive.push_back(field->FieldName());
  }
  if (fields.empty()) return nullptr;
  const auto join = [](const std::vector<std::string>& names) {
    std::string joined;
    for (const std::string& n : names) joined += (joined.empty() ? "" : ";") + n;
    return joined;
  };
  auto index = std::make_unique<dataset::TIndexDef>();
  index->Fields = join(fields);
  index->DescFields = join(descending);
  index->CaseInsFields = join(caseInsensitive);
  return index;
}

std::string TOracleProviderSupport::KeyFields(TOracleDataSet& dataSet) {
  if ((dataSet.ProviderOptions() & opNoKeyFields) != 0) return {};
  std::string own = dataSet.dataset::TDataSet::PSGetKeyFields();
  if (!own.empty()) return own;
  if (!platform::Trim(Editing(dataSet).UniqueFields).empty()) {
    std::string names;
    for (const dataset::TField* field : UniqueFieldList(dataSet))
      names += (names.empty() ? "" : ";") + field->FieldName();
    return names;
  }
  if (CursorWithoutTable(dataSet)) return own;
  const std::vector<TOracleConstraintInfo*> keys = KeyConstraints(dataSet);
  const TOracleConstraintInfo* chosen = nullptr;
  for (const TOracleConstraintInfo* c : keys)
    if (c->Kind == TOracleConstraintInfo::ckPrimaryKey) chosen = c;
  if (chosen == nullptr && !keys.empty()) chosen = keys.front();
  // All the key's columns or none: a part of a key identifies no row.
  return chosen != nullptr ? SelectedColumns(dataSet, chosen->Columns) : std::string();
}

dataset::TParams* TOracleProviderSupport::Params(TOracleDataSet& dataSet) {
  for (int i = params_.Count() - 1; i >= 0; --i)
    if (dataSet.VariableIndex(params_[i].Name) < 0) params_.Delete(i);
  for (int32_t i = 0; i < dataSet.VariableCount(); ++i) {
    std::string name = dataSet.VariableName(i);
    if (!name.empty() && name.front() == ':') name.erase(0, 1);
    if (name.size() > 30) name.resize(30);
    const int16_t type = dataSet.VariableType(i);
    const TFieldType paramType = ParamTypeOf(type);
    dataset::TParam* param = params_.FindParam(name);
    if (param != nullptr && param->DataType != paramType) {
      for (int k = 0; k < params_.Count(); ++k)
        if (&params_[k] == param) params_.Delete(k);
      param = nullptr;
    }
    if (param == nullptr) param = &params_.CreateParam(paramType, name);
    if (!HoldsNoValue(type))
      param->Value = ToFrameworkValue(dataSet.GetVariable(dataSet.VariableName(i)));
  }
  return &params_;
}

std::string TOracleProviderSupport::TableName(TOracleDataSet& dataSet) {
  return GetUpdatingTableName(dataSet);
}

dataset::TIndexDefs TOracleProviderSupport::IndexDefs(TOracleDataSet& dataSet,
                                                      dataset::TIndexOptions indexTypes) {
  if ((dataSet.ProviderOptions() & opNoIndexDefs) != 0 || CursorWithoutTable(dataSet)) return {};
  dataset::TIndexDefs defs;
  for (const TOracleConstraintInfo* c : KeyConstraints(dataSet)) {
    const bool primary = c->Kind == TOracleConstraintInfo::ckPrimaryKey;
    const bool wanted = (indexTypes & dataset::ixUnique) != 0 ||
                        ((indexTypes & dataset::ixPrimary) != 0 && primary);
    if (!wanted) continue;
    // An index some of whose columns are not selected is left out whole.
    const std::string fields = SelectedColumns(dataSet, c->Columns);
    if (fields.empty()) continue;
    dataset::TIndexDef def;
    def.Name = c->Name;
    def.Fields = fields;
    def.Options = primary ? dataset::ixPrimary | dataset::ixUnique : dataset::ixUnique;
    defs.push_back(std::move(def));
  }
  return defs;
}

void TOracleProviderSupport::StartTransaction(TOracleDataSet& dataSet) {
  TDataSetEditing& editing = Editing(dataSet);
  if (!transactionStarted_) commitOnPostBefore_ = editing.CommitOnPost;
  transactionStarted_ = true;
  dataSet.StartLogging();
  editing.CommitOnPost = false;
}

void TOracleProviderSupport::EndTransaction(TOracleDataSet& dataSet, bool commit) {
  if (transactionStarted_) Editing(dataSet).CommitOnPost = commitOnPostBefore_;
  transactionStarted_ = false;
  if ((dataSet.ProviderOptions() & opNoCommit) != 0) return;
  TOracleSession* session = dataSet.Session();
  // A transaction coordinated from outside is ended there.
  const bool own = session != nullptr && !session->MTSControlled();
  // Cached updates pending in the dataset are not the transaction's: they
  // stay for the application to apply or cancel.
  if (commit) {
    if (own) session->Commit();
  } else {
    if (own) session->Rollback();
  }
  dataSet.EndLogging(commit);
}

void TOracleProviderSupport::SetParams(TOracleDataSet& dataSet, const dataset::TParams& params) {
  variablesSet_ = true;
  dataSet.DeleteVariables();
  parameterLobs_.clear();
  for (int i = 0; i < params.Count(); ++i) {
    const int16_t type = VariableTypeOf(params[i], false, 0);
    if (type == 0) continue;
    dataSet.DeclareVariable(params[i].Name, type);
    if (IsLobType(type)) {
      parameterLobs_.push_back(LobHolding(dataSet.Session(), type, params[i].Value));
      dataSet.MainQuery().SetComplexVariable(params[i].Name, parameterLobs_.back().get());
      continue;
    }
    if (!HoldsNoValue(type))
      dataSet.SetVariable(params[i].Name, FromFrameworkValue(params[i].Value));
  }
  params_ = params;
}

}  // namespace oracle
