#include "oracle/dml/posting.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

#include "dataset/database_error.h"
#include "dataset/field_kinds.h"
#include "oracle/client/oci_loader_state.h"
#include "oracle/client/oracle_errors.h"
#include "oracle/dataset/dataset_blobs.h"
#include "oracle/dml/cached_locks.h"
#include "oracle/dml/dictionary.h"
#include "oracle/dml/dml_query.h"
#include "oracle/dml/editing.h"
#include "oracle/dml/table_expression.h"
#include "oracle/dml/translate_message.h"
#include "oracle/dml/updating_table.h"
#include "oracle/query/select_splitter.h"
#include "oracle/session/session.h"
#include "oracle/values/framework_value.h"
#include "oracle/values/type_codes.h"
#include "platform/text.h"

namespace oracle {
namespace {

using dataset::TDataSetState;
using dataset::TField;
using dataset::TFieldKind;

constexpr const char* kCrLf = "\r\n";
constexpr int16_t kStringType = 5;

// A field's value (or its old value) as a query takes it; a binary value
// as its bytes.
Variant FieldValue(const TField& field, bool old = false) {
  const ::Variant value = old ? field.OldValue() : field.Value();
  std::string bytes;
  if (dataset::VariantBytes(value, bytes))
    return Variant::ByteArray(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  return FromFrameworkValue(value);
}

[[noreturn]] void RaiseTranslated(TOracleDataSet& dataSet, char action, int code,
                                  const std::string& message) {
  std::string text;
  TranslateMessage(dataSet, action, code, message, text);
  dataset::DatabaseError(text, {}, code);
}

bool FireApplyRecord(TOracleDataSet& dataSet, char action, std::string& newRowId) {
  TDataSetEditing& editing = Editing(dataSet);
  bool applied = false;
  if (editing.OnApplyRecord) editing.OnApplyRecord(dataSet, action, applied, newRowId);
  return applied;
}

// The bytes of a BLOB-kind value: a byte array's bytes, else its text.
std::string BytesOf(const Variant& value) {
  if (value.IsArray() && value.Array().elementType == VarType::Byte) {
    const std::vector<uint8_t>& bytes = value.Array().bytes;
    return std::string(bytes.begin(), bytes.end());
  }
  return value.ToText();
}

bool IsBinaryColumn(int16_t type) {
  return type == otype::BLOB || type == otype::LongRaw;
}

// A binary value as the server holds it, in the form the dataset shows: a
// compressed one expanded, as the fetch does.
std::string ExpandedServerBytes(TOracleDataSet& dataSet, TField& field, std::string value) {
  if (HasCompressedBLOBHeader(value)) return ExpandCompressedBLOB(value, field.FieldName());
  if (dataSet.CompressBLOBs() && dataSet.OnDecompressBLOB) {
    std::string expanded;
    dataSet.OnDecompressBLOB(dataSet, field, value, expanded);
    if (!expanded.empty()) return expanded;
  }
  return value;
}

// The bytes a binary column is written with: the field's value, compressed
// (the header and the codec's output, or OnCompressBLOB's) with
// CompressBLOBs.
std::string StoredBytes(TField& field) {
  const auto* dataSet = dynamic_cast<const TOracleDataSet*>(field.DataSet());
  if (dataSet == nullptr || !dataSet->CompressBLOBs()) return field.AsString();
  TOracleBlob blob(&field);
  blob.Data() = field.AsString();
  blob.Pack();
  return std::string(blob.PackedData());
}

bool IsTextField(const TField& field) {
  return field.DataType() == dataset::TFieldType::ftString ||
         field.DataType() == dataset::TFieldType::ftWideString;
}

// A value that identifies or compares as null: null, empty, or for text
// an empty string.
bool NullLike(const Variant& value, bool text) {
  return value.IsEmptyOrNull() || (text && BytesOf(value).empty());
}

}  // namespace

std::vector<TField*> UniqueFieldList(TOracleDataSet& dataSet) {
  std::vector<TField*> fields;
  std::string name;
  const std::string names = Editing(dataSet).UniqueFields + ",";
  for (char c : names) {
    if (c != ',' && c != ';') {
      name += c;
      continue;
    }
    const std::string trimmed(platform::Trim(name));
    name.clear();
    if (!trimmed.empty()) fields.push_back(&dataSet.FieldByName(trimmed));
  }
  if (fields.empty()) dataset::DatabaseError("No UniqueFields are present in dataset");
  return fields;
}

namespace {

bool UsesUniqueFields(TOracleDataSet& dataSet) {
  return !platform::Trim(Editing(dataSet).UniqueFields).empty();
}

int16_t OracleTypeOf(TOracleDataSet& dataSet, const TField& field) {
  const TOracleFieldInfo* info = dataSet.FieldInfo().FindByField(field);
  return info != nullptr && info->OracleType != 0 ? static_cast<int16_t>(info->OracleType)
                                                  : kStringType;
}

bool IsDataColumn(const TOracleFieldInfo& info) {
  return info.Kind == fiColumn && info.Field != nullptr &&
         info.Field->FieldKind() == TFieldKind::fkData;
}

// The session allows the dataset's own commit and rollback: it is not
// controlled by a transaction server.
bool SessionAllowsOwnTransaction(TOracleDataSet& dataSet) {
  TOracleSession* session = dataSet.Session();
  return session != nullptr && !session->MTSControlled();
}

void RunOnDMLQuery(TOracleDataSet& dataSet, const std::string& sql) {
  TOracleQuery& query = PrepareDMLQuery(dataSet);
  query.Clear();
  query.SetSQL(sql);
  query.Execute();
}

// The savepoint a lock is taken behind, so that giving the lock up keeps
// the rest of the transaction; and the one an update posted under the row
// lock of its edit (lmLockImmediate) runs behind. The two differ because a
// savepoint set again under the same name moves: a post behind the lock
// savepoint would leave no way back to before the edit's lock, and a
// Cancel after a failed post would keep the row locked.
constexpr const char* kLockSavepoint = "KEL__LOCKPOINT";
constexpr const char* kPostSavepoint = "KEL__POSTPOINT";

void SetNamedSavepoint(TOracleDataSet& dataSet, const char* name) {
  if (dataSet.CachedUpdates() || !SessionAllowsSavepoints(dataSet)) return;
  RunOnDMLQuery(dataSet, std::string("savepoint ") + name);
}

void RollbackToNamedSavepoint(TOracleDataSet& dataSet, const char* name) {
  if (dataSet.CachedUpdates()) return;
  if (SessionAllowsSavepoints(dataSet))
    RunOnDMLQuery(dataSet, std::string("rollback to savepoint ") + name);
  else if (Editing(dataSet).CommitOnPost && SessionAllowsOwnTransaction(dataSet))
    dataSet.Session()->Rollback();
}

void CommitIfNeeded(TOracleDataSet& dataSet) {
  if (dataSet.CachedUpdates() || !Editing(dataSet).CommitOnPost ||
      !SessionAllowsOwnTransaction(dataSet))
    return;
  dataSet.Session()->Commit();
}

void CheckRowIdAvailable(const std::string& rowId, const std::string& operation) {
  if (!rowId.empty()) return;
  dataset::DatabaseError(operation + " cannot be performed without a rowid." + kCrLf +
                         "Provide a rowid in the query or handle this action in the "
                         "OnApplyRecord event");
}

// The session runs its statements through the version-8 calls, which know a
// returning clause; through the version-7 calls a statement has none.
bool ReturnsIntoVariables(TOracleDataSet& dataSet) {
  return dataSet.Session() != nullptr && dataSet.Session()->InOCI8Mode();
}

// The returning line: the LOB columns whose locators come back, and the new
// or kept rowid in kel__rowid for a statement identified by rowid (version-8
// calls only; through the version-7 calls an insert takes the rowid of the
// row it processed, below).
void AddReturning(TOracleDataSet& dataSet, TOracleQuery& query, std::vector<std::string> columns,
                  std::vector<std::string> variables) {
  if (!UsesUniqueFields(dataSet) && ReturnsIntoVariables(dataSet)) {
    if (query.VariableIndex("kel__rowid") < 0) query.DeclareVariable("kel__rowid", kStringType);
    columns.push_back("rowid");
    variables.push_back(":kel__rowid");
  }
  if (columns.empty()) return;
  std::string line = "returning ";
  for (std::size_t n = 0; n < columns.size(); ++n) line += (n > 0 ? ", " : "") + columns[n];
  line += " into ";
  for (std::size_t n = 0; n < variables.size(); ++n) line += (n > 0 ? ", " : "") + variables[n];
  query.AddSQL(line);
}

// The bind value of a plain column: a LONG takes the field's cached text, a
// LONG RAW its cached bytes, every byte of them (its text form would stop at
// a zero byte); other types the field's value.
Variant ColumnValue(const TOracleFieldInfo& info) {
  TField& field = *info.Field;
  if (info.OracleType != otype::Long && info.OracleType != otype::LongRaw) return FieldValue(field);
  const std::string cached = info.OracleType == otype::Long ? field.AsString() : StoredBytes(field);
  if (cached.empty()) return Variant::Null();
  if (info.OracleType == otype::Long) return Variant::String(cached);
  return Variant::ByteArray(std::vector<uint8_t>(cached.begin(), cached.end()));
}

bool IsLOBColumn(const TOracleFieldInfo& info) {
  return (info.OracleType == otype::CLOB || info.OracleType == otype::BLOB) && !info.IsXML;
}

// The value expression of a CLOB or BLOB column. With temporary LOBs the
// value travels in a temporary LOB bound as the variable; otherwise the
// column gets an empty LOB whose locator the statement returns, and the
// value is written through it afterwards.
std::string LOBElement(TOracleDataSet& dataSet, TOracleQuery& query, const TOracleFieldInfo& info,
                       const std::string& variable, TStatementLOBs& lobs,
                       std::vector<std::string>& columns, std::vector<std::string>& variables) {
  TOracleSession* session = dataSet.Session();
  const auto type = static_cast<int16_t>(info.OracleType);
  const TTemporaryLOB temporary =
      session != nullptr ? session->Preferences().TemporaryLOB() : TTemporaryLOB::tlNone;
  query.DeclareVariable(variable, type);
  std::unique_ptr<TLOBLocator> locator;
  std::string expression = ":" + variable;
  if (temporary != TTemporaryLOB::tlNone && OCI81Group) {
    // A national column's value travels in the national form, as its text
    // variables do.
    const bool national = type == otype::CLOB && info.CharsetForm == SQLCS_NCHAR;
    locator = TLOBLocator::CreateTemporary(session, national ? otype::NCLOB : type,
                                           temporary == TTemporaryLOB::tlCache);
    locator->SetAsString(type == otype::BLOB ? StoredBytes(*info.Field) : info.Field->AsString());
  } else {
    locator = std::make_unique<TLOBLocator>(session, type);
    if (type == otype::CLOB && (info.National || info.Wide)) locator->SetNCLOB(true);
    expression = type == otype::CLOB ? "empty_clob()" : "empty_blob()";
    columns.push_back(info.ColumnName);
    variables.push_back(":" + variable);
  }
  lobs.Add(*info.Field, variable, std::move(locator));
  return expression;
}

// Whether an item is posted: a plain data column, or an object column
// whose attributes are fields of their own.
bool IsPostedColumn(const TOracleFieldInfo& info) {
  return IsDataColumn(info) || info.Kind == fiObjectColumn;
}

// Generated statements address object attributes through the table alias
// "t", so a dataset with an object column aliases its table.
bool HasObjectColumns(TOracleDataSet& dataSet) {
  for (int i = 1; i < dataSet.FieldInfo().Count(); ++i)
    if (dataSet.FieldInfo().Items(i).OracleType == otype::Object) return true;
  return false;
}

std::string ColumnReference(bool aliased, const std::string& column) {
  return aliased ? "t." + column : column;
}

// The bound value of a plain column, or of an XMLTYPE column the document
// built from its text (bound as LONG text: a document has no length limit).
std::string PlainElement(TOracleQuery& query, const TOracleFieldInfo& info,
                         const std::string& variable) {
  if (!info.IsXML) {
    const auto type = static_cast<int16_t>(info.OracleType);
    // Text for a national or wide column travels in the column's form.
    if ((type == kStringType || type == otype::Long) && (info.National || info.Wide))
      query.DeclareVariable(variable, type, static_cast<uint8_t>(info.CharsetForm));
    else
      query.DeclareVariable(variable, type);
    query.SetVariable(variable, ColumnValue(info));
    return ":" + variable;
  }
  if (info.ValueIsEmpty()) return "null";
  query.DeclareAndSet(variable, otype::Long, Variant::String(info.Field->AsString()));
  return "sys.xmltype.createxml(:" + variable + ")";
}

// An attribute's value expression, bound as "v" + its item's index; an
// attribute without a field (a nested object, collection, REF or LOB) has
// its empty value.
std::string AttributeElement(TOracleQuery& query, const TOracleFieldInfo& attribute, int index) {
  if (attribute.Field == nullptr) return attribute.EmptyValueExpression(true);
  const std::string expression = attribute.ValueExpression();
  if (attribute.ValueIsEmpty() && !expression.empty()) return expression;
  const std::string variable = "v" + std::to_string(index);
  query.DeclareAndSet(variable, static_cast<int16_t>(attribute.OracleType),
                      FieldValue(*attribute.Field));
  return ":" + variable;
}

// A whole object column's value: its value expression when every attribute
// is empty, else the type's constructor over every attribute (whose items
// follow the column's at `index` + 1 on).
std::string ObjectElement(TOracleQuery& query, const TOracleFieldInfo& info, int index) {
  if (info.ValueIsEmpty()) return info.EmptyValueExpression(true);
  std::string arguments;
  for (int a = 0; a < info.AttributeCount(); ++a)
    arguments += (a > 0 ? ", " : "") + AttributeElement(query, info.Attribute(a), index + 1 + a);
  return info.TypeName + "(" + arguments + ")";
}

// The rowid of the row the key columns name (their old values when
// `useOldValues`).
std::string DetermineRowId(TOracleDataSet& dataSet, bool useOldValues) {
  TOracleQuery& query = PrepareDMLQuery(dataSet);
  BuildRowIdQuery(dataSet, query, useOldValues);
  query.Execute();
  if (query.Eof()) dataset::DatabaseError("Error determining ROWID: no record found");
  const std::string rowId = query.FieldAsString(0);
  query.Next();
  if (!query.Eof()) dataset::DatabaseError("Error determining ROWID: more than one record found");
  ReleaseDMLQuery(dataSet);
  return rowId;
}

// The text before the WHERE keyword, the keyword as written ("where" when
// there is none) and the condition, of a select text cut before its ORDER BY.
struct TRefreshText {
  std::string head, keyword, condition;
};

TRefreshText SplitForRefresh(const std::string& sql) {
  std::string text = sql;
  std::string upper = text;
  upper = platform::UpperAscii(upper);
  if (const auto end = upper.find("/* END_REFRESH */"); end != std::string::npos) text.resize(end);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  TSelectParts parts;
  TRefreshText out{text, "where", ""};
  if (!SplitSelect(text, parts)) return out;
  std::size_t cut = text.size();
  const std::size_t fromAt = text.find(parts.from);
  const std::size_t after = fromAt == std::string::npos ? 0 : fromAt + parts.from.size();
  auto keywordBefore = [&](const std::string& part, std::size_t words) {
    std::size_t at = text.find(part, after);
    if (part.empty() || at == std::string::npos) return std::string::npos;
    for (std::size_t w = 0; w < words; ++w) {
      while (at > 0 && std::isspace(static_cast<unsigned char>(text[at - 1]))) --at;
      while (at > 0 && std::isalpha(static_cast<unsigned char>(text[at - 1]))) --at;
    }
    return at;
  };
  if (const std::size_t order = keywordBefore(parts.orderBy, 2); order != std::string::npos)
    cut = order;
  if (const std::size_t where = keywordBefore(parts.where, 1); where != std::string::npos) {
    out.keyword = text.substr(where, 5);
    out.condition = parts.where;
    cut = where;
  }
  out.head = text.substr(0, cut);
  while (!out.head.empty() && std::isspace(static_cast<unsigned char>(out.head.back())))
    out.head.pop_back();
  return out;
}

bool RecordChangedOnServer(TOracleDataSet& dataSet, TOracleQuery& query) {
  for (int i = 1; i < dataSet.FieldInfo().Count(); ++i) {
    const TOracleFieldInfo& info = dataSet.FieldInfo().Items(i);
    if (!IsDataColumn(info)) continue;
    const int32_t column = query.FieldIndex(info.Field->FieldName());
    if (column < 0) continue;
    if (!FieldValueEquals(dataSet, *info.Field, query.Field(column), true)) return true;
  }
  return false;
}

// Stores the fetched row in the current stored record; true when a field
// changed. What the dataset shows is the caller's (LockRefreshCheck).
bool CopyQueryToRecord(TOracleDataSet& dataSet, TOracleQuery& query) {
  bool changed = false;
  {
    dataset::TTempState state(dataSet, TDataSetState::dsNewValue);
    for (int i = 1; i < dataSet.FieldInfo().Count(); ++i) {
      const TOracleFieldInfo& info = dataSet.FieldInfo().Items(i);
      if (info.Field == nullptr || (info.Field->FieldKind() != TFieldKind::fkData &&
                                    info.Field->FieldKind() != TFieldKind::fkInternalCalc))
        continue;
      const int32_t column = query.FieldIndex(info.Field->FieldName());
      if (column < 0) continue;
      const Variant fetched = query.Field(column);
      if (FieldValueEquals(dataSet, *info.Field, fetched, false)) continue;
      changed = true;
      if (NullLike(fetched, true))
        info.Field->Clear();
      else if (IsBinaryColumn(static_cast<int16_t>(info.OracleType)))
        info.Field->SetAsString(ExpandedServerBytes(dataSet, *info.Field, BytesOf(fetched)));
      else if (info.Field->IsBlob())
        info.Field->SetAsString(BytesOf(fetched));
      else
        info.Field->SetValue(ToFrameworkValue(fetched));
    }
  }
  return changed;
}

// ---- the posting installed into every dataset

class TServerPosting : public TRecordPosting {
 public:
  void NewRecord(TOracleDataSet& dataSet) override;
  void PostStarting(TOracleDataSet& dataSet, bool isUpdate) override;
  void EditStarting(TOracleDataSet& dataSet) override;
  TPostResult Post(TOracleDataSet& dataSet, bool isUpdate) override;
  void Posted(TOracleDataSet& dataSet, bool isUpdate) override;
  void Delete(TOracleDataSet& dataSet) override;
  void EditCancelled(TOracleDataSet& dataSet) override;
  void ChangesDropped(TOracleDataSet& dataSet) override;
  std::string ServerSequenceFor(TOracleDataSet& dataSet, const std::string& fieldName) override;
  void FieldsCreated(TOracleDataSet& dataSet) override;
  bool AppliesRecords(TOracleDataSet& dataSet) override {
    return static_cast<bool>(Editing(dataSet).OnApplyRecord);
  }
};

void TServerPosting::NewRecord(TOracleDataSet& dataSet) {
  TSequenceField& sequence = Editing(dataSet).SequenceField;
  if (sequence.ApplyMoment == TSequenceApplyMoment::amOnNewRecord) sequence.Apply();
}

void TServerPosting::PostStarting(TOracleDataSet& dataSet, bool isUpdate) {
  TSequenceField& sequence = Editing(dataSet).SequenceField;
  if (!isUpdate && sequence.ApplyMoment == TSequenceApplyMoment::amOnPost) sequence.Apply();
}

void TServerPosting::EditStarting(TOracleDataSet& dataSet) {
  TDataSetEditing& editing = Editing(dataSet);
  const TLockingMode mode = dataSet.LockingMode();
  const bool beforeEdit = (editing.RefreshOptions & roBeforeEdit) != 0;
  if (dataSet.ActiveRecordLogged() || !(mode == TLockingMode::lmLockImmediate ||
                                        mode == TLockingMode::lmCheckImmediate || beforeEdit))
    return;
  const bool lock = mode == TLockingMode::lmLockImmediate;
  bool check = lock || mode == TLockingMode::lmCheckImmediate;
  if (beforeEdit) check = false;
  // A refresh here shows the server's values in the record the edit starts
  // from.
  const auto lockRefreshCheck = [&] {
    LockRefreshCheck(dataSet, lock, check, beforeEdit, (editing.RefreshOptions & roAllFields) != 0);
  };
  // A cached edit's lock is kept to be given back with its change.
  if (lock && dataSet.CachedUpdates())
    TakeCachedLock(dataSet, lockRefreshCheck);
  else
    lockRefreshCheck();
}

TRecordPosting::TPostResult TServerPosting::Post(TOracleDataSet& dataSet, bool isUpdate) {
  TDataSetEditing& editing = Editing(dataSet);
  editing.postRan_ = false;
  editing.postedRowId_.clear();
  bool nothing = true;
  for (int i = 1; i < dataSet.FieldInfo().Count() && nothing; ++i) {
    const TOracleFieldInfo& info = dataSet.FieldInfo().Items(i);
    if (!IsPostedColumn(info)) continue;
    nothing = isUpdate ? !info.IsModified() : info.ValueIsEmpty();
  }
  const TLockingMode mode = dataSet.LockingMode();
  if ((dataSet.CachedUpdates() && !editing.applying_) || nothing) {
    if (mode == TLockingMode::lmLockImmediate && !dataSet.CachedUpdates()) CommitIfNeeded(dataSet);
    return TPostResult::prStore;
  }
  // An update in lmLockImmediate holds the row lock its edit took: a failed
  // post goes back only to its own savepoint, the lock stays with the edit.
  const char* savepoint =
      isUpdate && mode == TLockingMode::lmLockImmediate ? kPostSavepoint : kLockSavepoint;
  try {
    // A cached update applied in lmLockImmediate is checked as well: any
    // commit or rollback of the session since its edit may have given the
    // edit's lock up, and another user's change then sits in the row.
    if (isUpdate &&
        (mode == TLockingMode::lmCheckImmediate || mode == TLockingMode::lmLockDelayed ||
         (mode == TLockingMode::lmLockImmediate && editing.applying_)))
      LockRefreshCheck(dataSet, true, true, false, false);
    else
      SetNamedSavepoint(dataSet, savepoint);
    std::string newRowId;
    if (FireApplyRecord(dataSet, isUpdate ? 'U' : 'I', newRowId)) {
      if (!isUpdate) editing.postedRowId_ = newRowId;
    } else {
      // A new element of a master row's collection needs the collection.
      if (!isUpdate && IsTableExpression(dataSet)) CreateEmptyCollection(dataSet);
      TOracleQuery& query = PrepareDMLQuery(dataSet);
      TStatementLOBs lobs(query);
      if (isUpdate ? BuildUpdate(dataSet, query, lobs)
                   : (BuildInsert(dataSet, query, lobs), true)) {
        query.Execute();
        if (isUpdate && query.RowsProcessed() == 0)
          RaiseTranslated(dataSet, 'U', 0, editing.DeletedMessage);
        if (!isUpdate && (UsesUniqueFields(dataSet) || dataSet.Session()->ODBCMode()))
          editing.postedRowId_ = DetermineRowId(dataSet, false);
        else if (!UsesUniqueFields(dataSet) && ReturnsIntoVariables(dataSet))
          editing.postedRowId_ = query.GetVariable("kel__rowid").ToText();
        else if (!UsesUniqueFields(dataSet) && !isUpdate)
          editing.postedRowId_ = query.RowId();
        lobs.WriteValues();
      }
      ReleaseDMLQuery(dataSet);
    }
    CommitIfNeeded(dataSet);
  } catch (const EOracleError& e) {
    try {
      RollbackToNamedSavepoint(dataSet, savepoint);
    } catch (...) {
    }
    RaiseTranslated(dataSet, isUpdate ? 'U' : 'I', e.ErrorCode(), e.Message());
  } catch (...) {
    try {
      RollbackToNamedSavepoint(dataSet, savepoint);
    } catch (...) {
    }
    throw;
  }
  editing.postRan_ = true;
  return TPostResult::prStore;
}

void TServerPosting::Posted(TOracleDataSet& dataSet, bool isUpdate) {
  TDataSetEditing& editing = Editing(dataSet);
  if (!editing.postRan_) return;
  editing.postRan_ = false;
  if (!isUpdate && !editing.postedRowId_.empty()) dataSet.SetCurrentRowId(editing.postedRowId_);
  const TRefreshOptions options = editing.RefreshOptions;
  bool defaults = false;
  for (int i = 0; i < dataSet.Fields().Count() && !defaults; ++i)
    defaults = !dataSet.Fields()[i].DefaultExpression().empty();
  const bool serverSequence = editing.SequenceField.IsActive() &&
                              editing.SequenceField.ApplyMoment == TSequenceApplyMoment::amOnServer;
  if ((isUpdate && (options & roAfterUpdate) != 0) ||
      (!isUpdate && (defaults || serverSequence || (options & roAfterInsert) != 0)))
    LockRefreshCheck(dataSet, false, false, true, (options & roAllFields) != 0,
                     editing.postedRowId_);
}

void TServerPosting::Delete(TOracleDataSet& dataSet) {
  TDataSetEditing& editing = Editing(dataSet);
  const TLockingMode mode = dataSet.LockingMode();
  if (dataSet.CachedUpdates() && !editing.applying_) {
    if (mode == TLockingMode::lmLockImmediate && !dataSet.ActiveRecordLogged())
      TakeCachedLock(dataSet, [&] { LockRefreshCheck(dataSet, true, true, false, false); });
    else if (mode == TLockingMode::lmCheckImmediate && !dataSet.ActiveRecordLogged())
      LockRefreshCheck(dataSet, false, true, false, false);
    return;
  }
  // A cached delete applied in lmLockImmediate is checked too: its lock may
  // have gone with a commit or rollback of the session since.
  if (mode != TLockingMode::lmNone) LockRefreshCheck(dataSet, true, true, false, false);
  try {
    TOracleQuery& query = PrepareDMLQuery(dataSet);
    std::string newRowId;
    if (!FireApplyRecord(dataSet, 'D', newRowId)) {
      BuildDelete(dataSet, query);
      query.Execute();
      if (query.RowsProcessed() == 0) RaiseTranslated(dataSet, 'D', 0, editing.DeletedMessage);
    }
    ReleaseDMLQuery(dataSet);
  } catch (const EOracleError& e) {
    if (mode != TLockingMode::lmNone) {
      try {
        RollbackToLockSavepoint(dataSet);
      } catch (...) {
      }
    }
    RaiseTranslated(dataSet, 'D', e.ErrorCode(), e.Message());
  }
  CommitIfNeeded(dataSet);
}

void TServerPosting::EditCancelled(TOracleDataSet& dataSet) {
  // The row locked when the edit started is given up with the edit; a
  // record with a logged change keeps the lock for that change.
  if (dataSet.State() != TDataSetState::dsEdit) return;
  if (dataSet.CachedUpdates()) {
    if (!dataSet.ActiveRecordLogged()) GiveBackCachedLocks(dataSet, dataSet.RecordRowId());
    return;
  }
  if (dataSet.LockingMode() == TLockingMode::lmLockImmediate) {
    try {
      RollbackToLockSavepoint(dataSet);
    } catch (const EOracleError&) {
    }
  }
}

void TServerPosting::ChangesDropped(TOracleDataSet& dataSet) {
  GiveBackCachedLocks(dataSet, {});
}

std::string TServerPosting::ServerSequenceFor(TOracleDataSet& dataSet,
                                              const std::string& fieldName) {
  const TSequenceField& sequence = Editing(dataSet).SequenceField;
  return sequence.AppliesOnServer(fieldName) ? sequence.Sequence : std::string();
}

void TServerPosting::FieldsCreated(TOracleDataSet& dataSet) {
  // The definitions mark every NOT NULL column required; without
  // RequiredFields none is.
  if (!Editing(dataSet).OracleDictionary.RequiredFields()) ApplyRequiredFields(dataSet, false);
}

TServerPosting& TheServerPosting() {
  static TServerPosting posting;
  return posting;
}

// Applies every logged change in log order, each from its logged record
// images: whatever master record, filter or refresh the dataset shows now,
// no change is passed over. A detail's statements take the variables of the
// master record the change was logged under.
void ApplyLog(TOracleDataSet& dataSet) {
  struct TApplying {
    TOracleDataSet& dataSet;
    ~TApplying() {
      dataSet.SetApplyingItem(nullptr);
      if (dataSet.Master() == nullptr) return;
      try {
        dataSet.SetMasterVariables();
      } catch (...) {
        // The master's next move sets them again.
      }
    }
  } applying{dataSet};
  TChangeLog& log = dataSet.ChangeLog();
  for (int i = 0; i < log.Count(); ++i) {
    TChangeLogItem& item = log.Items(i);
    dataSet.SetApplyingItem(&item);
    // A refresh showed another user's value where the change sets its own
    // (or in the row it deletes): the check modes refuse as for a row
    // changed since it was fetched.
    if (dataSet.LockingMode() != TLockingMode::lmNone && dataSet.ChangedElsewhere(item))
      RaiseTranslated(dataSet, 'L', 0, Editing(dataSet).ChangedMessage);
    if (dataSet.Master() != nullptr) {
      dataSet.SetMasterVariablesFrom(item);
      // A collection detail writes into its master row's collection, which
      // must still be there.
      if (IsTableExpression(dataSet) && !dataSet.MasterHoldsRecordOf(item))
        dataset::DatabaseError("The master record of a cached change is no longer present",
                               dataSet.Name());
    }
    if (item.Kind == 'D') {
      TheServerPosting().Delete(dataSet);
      continue;
    }
    const bool isUpdate = item.Kind == 'U';
    TheServerPosting().Post(dataSet, isUpdate);
    dataSet.SetApplyingItemDone();
    TheServerPosting().Posted(dataSet, isUpdate);
  }
}

TKeyColumnsLookup keyColumnsLookup = nullptr;

}  // namespace

void SetKeyColumnsLookup(TKeyColumnsLookup lookup) {
  keyColumnsLookup = lookup;
}

const std::vector<std::string>& KeyColumns(TOracleDataSet& dataSet) {
  TDataSetEditing& editing = Editing(dataSet);
  // A key read from the dictionary is read again once the session's table
  // information was cleared (at log-off): the name may stand for another
  // table now.
  TOracleSession* session = dataSet.Session();
  const std::string builtFor = dataSet.SQL() + "\n" + editing.UniqueFields + "\n" +
                               std::to_string(session ? session->TableInfoCache().Epoch() : 0);
  if (editing.keyColumnsFor_ == builtFor && !editing.keyColumns_.empty())
    return editing.keyColumns_;
  std::vector<std::string> columns;
  if (UsesUniqueFields(dataSet)) {
    for (const TField* field : UniqueFieldList(dataSet)) columns.push_back(field->FieldName());
  } else if (keyColumnsLookup != nullptr) {
    columns = keyColumnsLookup(dataSet);
  }
  if (columns.empty()) dataset::DatabaseError("Primary or Unique key columns must be included");
  editing.keyColumns_ = std::move(columns);
  editing.keyColumnsFor_ = builtFor;
  return editing.keyColumns_;
}

void BuildRowIdQuery(TOracleDataSet& dataSet, TOracleQuery& query, bool useOldValues) {
  const std::vector<std::string>& columns = KeyColumns(dataSet);
  query.Clear();
  query.AddSQL("select rowid from " + GetUpdatingTableName(dataSet) + " where");
  for (std::size_t n = 0; n < columns.size(); ++n) {
    TField& field = dataSet.FieldByName(columns[n]);
    const Variant value = FieldValue(field, useOldValues);
    const std::string line = (n > 0 ? "and " : "") + columns[n];
    if (NullLike(value, IsTextField(field))) {
      query.AddSQL(line + " is null");
      continue;
    }
    const std::string variable = "kel__key" + std::to_string(n + 1);
    query.AddSQL(line + " = :" + variable);
    query.DeclareAndSet(variable, OracleTypeOf(dataSet, field), value);
  }
}

TRecordPosting& ServerPosting() {
  return TheServerPosting();
}

void ApplyUpdates(TOracleDataSet& dataSet) {
  if (!dataSet.Active() || !dataSet.CachedUpdates()) return;
  dataSet.CheckBrowseMode();
  TDataSetEditing& editing = Editing(dataSet);
  const bool ownTransaction = SessionAllowsOwnTransaction(dataSet);
  const bool savepoint = SessionAllowsSavepoints(dataSet);
  const dataset::TBookmark start = dataSet.GetBookmark();
  // The apply's statements are undone when it fails; the cached locks taken
  // before it can still be given back then.
  const TCachedLockPoint before = CachedLockPoint(dataSet.Session());
  if (savepoint) RunOnDMLQuery(dataSet, "savepoint KEL__APPLYPOINT");
  editing.applying_ = true;
  try {
    ApplyLog(dataSet);
  } catch (...) {
    editing.applying_ = false;
    if (savepoint) {
      try {
        RunOnDMLQuery(dataSet, "rollback to savepoint KEL__APPLYPOINT");
        ReturnedTo(before);
      } catch (const EOracleError&) {
      }
    }
    if (!start.empty() && dataSet.BookmarkValid(start)) dataSet.GotoBookmark(start);
    throw;
  }
  editing.applying_ = false;
  // The locks of the applied changes stay until the transaction ends.
  ForgetCachedLocks(dataSet);
  if (editing.CommitOnPost && ownTransaction) dataSet.Session()->Commit();
  dataSet.CommitUpdates();
  if (!start.empty() && dataSet.BookmarkValid(start)) dataSet.GotoBookmark(start);
  dataSet.Resync();
}

TStatementLOBs::~TStatementLOBs() {
  for (const TItem& item : items_) {
    try {
      if (query_.VariableIndex(item.variable) >= 0)
        query_.SetComplexVariable(item.variable, nullptr);
    } catch (...) {
    }
  }
}

void TStatementLOBs::Add(TField& field, const std::string& variable,
                         std::unique_ptr<TLOBLocator> locator) {
  query_.SetComplexVariable(variable, locator.get());
  items_.push_back({&field, variable, std::move(locator)});
}

void TStatementLOBs::WriteValues() {
  for (const TItem& item : items_)
    if (!item.locator->IsTemporary() && item.locator->Initialized())
      item.locator->SetAsString(item.locator->LOBType() == otype::BLOB ? StoredBytes(*item.field)
                                                                       : item.field->AsString());
}

void BuildKeyWhere(TOracleDataSet& dataSet, TOracleQuery& query, bool useOldValues) {
  if (!UsesUniqueFields(dataSet)) {
    query.AddSQL("where rowid = :kel__rowid");
    query.DeclareAndSet("kel__rowid", kStringType, Variant::String(dataSet.RecordRowId()));
    return;
  }
  std::string clause = "where ";
  const std::vector<TField*> fields = UniqueFieldList(dataSet);
  for (std::size_t n = 0; n < fields.size(); ++n) {
    TField& field = *fields[n];
    if (n > 0) clause += std::string(kCrLf) + "and ";
    const Variant value = FieldValue(field, useOldValues);
    const std::string column = field.FieldName();
    if (NullLike(value, IsTextField(field))) {
      clause += column + " is null";
      continue;
    }
    const std::string variable = "kel__key" + std::to_string(n + 1);
    clause += column + " = :" + variable;
    query.DeclareAndSet(variable, OracleTypeOf(dataSet, field), value);
  }
  query.AddSQL(clause);
}

bool BuildUpdate(TOracleDataSet& dataSet, TOracleQuery& query, TStatementLOBs& lobs) {
  query.Clear();
  const bool aliased = HasObjectColumns(dataSet);
  std::vector<std::string> assignments, columns, variables;
  for (int i = 1; i < dataSet.FieldInfo().Count(); ++i) {
    const TOracleFieldInfo& info = dataSet.FieldInfo().Items(i);
    if (!IsPostedColumn(info) || !info.IsModified()) continue;
    const std::string column = ColumnReference(aliased, info.ColumnName);
    if (info.Kind == fiObjectColumn) {
      // An object that stays non-null keeps its unchanged attributes: only
      // the modified ones are assigned, each through the alias.
      if (info.ValueIsEmpty() || info.OldValueIsEmpty()) {
        assignments.push_back(column + " = " + ObjectElement(query, info, i));
        continue;
      }
      for (int a = 0; a < info.AttributeCount(); ++a) {
        const TOracleFieldInfo& attribute = info.Attribute(a);
        if (!attribute.IsModified()) continue;
        assignments.push_back(column + "." + attribute.AttributeName + " = " +
                              AttributeElement(query, attribute, i + 1 + a));
      }
      continue;
    }
    const std::string variable = "v" + std::to_string(i);
    if (IsLOBColumn(info)) {
      assignments.push_back(column + " = " +
                            LOBElement(dataSet, query, info, variable, lobs, columns, variables));
      continue;
    }
    assignments.push_back(column + " = " + PlainElement(query, info, variable));
  }
  if (assignments.empty()) return false;
  std::string set = "set ";
  for (std::size_t n = 0; n < assignments.size(); ++n) set += (n > 0 ? ", " : "") + assignments[n];
  query.AddSQL("update " + GetUpdatingTableName(dataSet) + (aliased ? " t" : ""));
  query.AddSQL(set);
  CopyDataSetVariables(dataSet, query);
  BuildKeyWhere(dataSet, query, true);
  AddReturning(dataSet, query, columns, variables);
  return true;
}

void BuildInsert(TOracleDataSet& dataSet, TOracleQuery& query, TStatementLOBs& lobs) {
  query.Clear();
  const bool aliased = HasObjectColumns(dataSet);
  std::string columns, values;
  std::vector<std::string> returningColumns, returningVariables;
  for (int i = 1; i < dataSet.FieldInfo().Count(); ++i) {
    const TOracleFieldInfo& info = dataSet.FieldInfo().Items(i);
    if (!IsPostedColumn(info)) continue;
    const std::string expression = info.ValueExpression();
    if (info.ValueIsEmpty() && expression.empty()) continue;
    if (!columns.empty()) {
      columns += ", ";
      values += ", ";
    }
    columns += ColumnReference(aliased, info.ColumnName);
    const std::string variable = "v" + std::to_string(i);
    if (info.Kind == fiObjectColumn) {
      values += ObjectElement(query, info, i);
    } else if (!info.ValueIsEmpty() && IsLOBColumn(info)) {
      values +=
          LOBElement(dataSet, query, info, variable, lobs, returningColumns, returningVariables);
    } else if (!info.ValueIsEmpty() || expression.empty()) {
      values += PlainElement(query, info, variable);
    } else {
      values += expression;
    }
  }
  query.AddSQL("insert into " + GetUpdatingTableName(dataSet) + (aliased ? " t" : ""));
  CopyDataSetVariables(dataSet, query);
  query.AddSQL("  (" + columns + ")");
  query.AddSQL("values");
  query.AddSQL("  (" + values + ")");
  AddReturning(dataSet, query, returningColumns, returningVariables);
}

void BuildDelete(TOracleDataSet& dataSet, TOracleQuery& query) {
  query.Clear();
  CheckRowIdAvailable(UsesUniqueFields(dataSet) ? std::string("-") : dataSet.RecordRowId(),
                      "A delete");
  query.AddSQL("delete from " + GetUpdatingTableName(dataSet) + kCrLf);
  BuildKeyWhere(dataSet, query, false);
  CopyDataSetVariables(dataSet, query);
}

void LockAndCheckRecord(TOracleDataSet& dataSet, bool checkOnly) {
  LockRefreshCheck(dataSet, !checkOnly, true, false, false);
}

bool SessionAllowsSavepoints(TOracleDataSet& dataSet) {
  return SessionAllowsOwnTransaction(dataSet) &&
         (!dataSet.Session()->ODBCMode() || dataSet.Session()->ODBCSavepoints());
}

void SetLockSavepoint(TOracleDataSet& dataSet) {
  SetNamedSavepoint(dataSet, kLockSavepoint);
}

void RollbackToLockSavepoint(TOracleDataSet& dataSet) {
  RollbackToNamedSavepoint(dataSet, kLockSavepoint);
}

bool FieldValueEquals(TOracleDataSet& dataSet, TField& field, const Variant& fetched,
                      bool useOldValue) {
  const Variant value = FieldValue(field, useOldValue);
  auto isNull = [](const Variant& v) {
    if (v.IsEmptyOrNull()) return true;
    const std::string text = BytesOf(v);
    return platform::Trim(text).empty();
  };
  const bool nullA = isNull(value), nullB = isNull(fetched);
  if (nullA || nullB) return nullA == nullB;
  const int16_t type = OracleTypeOf(dataSet, field);
  // The record holds a binary value expanded; the server may hold it
  // compressed.
  if (IsBinaryColumn(type))
    return BytesOf(value) == ExpandedServerBytes(dataSet, field, BytesOf(fetched));
  switch (type) {
    case 12:
      return std::fabs(value.ToDouble() - fetched.ToDouble()) <= 1.1574074074074073e-05;
    case 187:
    case 188:
    case 232:
      return std::fabs(value.ToDouble() - fetched.ToDouble()) <= 1.1574074074074074e-08;
    case 4: {
      const double a = value.ToDouble(), b = fetched.ToDouble();
      return std::fabs(a == 0 ? b - a : (b - a) / a) <= 1e-10;
    }
    case kStringType: {
      std::string server = fetched.ToText();
      if (field.DataType() != dataset::TFieldType::ftWideString && field.Size() > 0 &&
          static_cast<int>(server.size()) > field.Size())
        server.resize(static_cast<std::size_t>(field.Size()));
      const std::string mine = value.ToText();
      return platform::TrimRight(mine) == platform::TrimRight(server);
    }
    default:
      return BytesOf(value) == BytesOf(fetched);
  }
}

void LockRefreshCheck(TOracleDataSet& dataSet, bool lock, bool check, bool refresh, bool allFields,
                      const std::string& recordRowId) {
  TDataSetEditing& editing = Editing(dataSet);
  const std::string rowId = recordRowId.empty() ? dataSet.RecordRowId() : recordRowId;
  bool savepoint = false;
  if (lock) {
    SetLockSavepoint(dataSet);
    savepoint = true;
  }
  std::string unused;
  if (refresh) {
    dataset::TTempState state(dataSet, TDataSetState::dsNewValue);
    if (FireApplyRecord(dataSet, 'R', unused)) refresh = false;
  }
  if (lock && FireApplyRecord(dataSet, 'L', unused)) lock = false;
  if (check && FireApplyRecord(dataSet, 'C', unused)) check = false;
  if (!lock && !check && !refresh) return;
  CheckRowIdAvailable(rowId, "A lock, refresh or check");
  TOracleQuery& query = PrepareDMLQuery(dataSet);
  query.SetStringFieldsOnly(dataSet.StringFieldsOnly());
  query.Clear();
  query.DeclareAndSet("kel__rowid", kStringType, Variant::String(rowId));
  const std::string table = GetUpdatingTableName(dataSet);
  if (!allFields) {
    query.AddSQL("select * from " + table + " where rowid = :kel__rowid");
    if (lock) query.AddSQL("for update nowait");
    CopyDataSetVariables(dataSet, query);
  } else {
    // A text the example's condition was put into is refreshed as it was
    // before: the condition need not hold for the record.
    const TRefreshText text =
        SplitForRefresh(dataSet.QBEModePart ? dataSet.QBEModePart->TextBeforeQBE() : dataSet.SQL());
    const std::string alias = GetUpdatingTableAlias(dataSet);
    const std::string condition = alias + ".rowid = :kel__rowid";
    query.AddSQL(text.head);
    if (!text.condition.empty())
      query.AddSQL(text.keyword + " (" + text.condition + ")" + kCrLf + "and" + kCrLf + "(" +
                   condition + ")");
    else
      query.AddSQL(text.keyword + " " + condition);
    if (lock) {
      const TField* first = nullptr;
      for (int i = 0; i < dataSet.Fields().Count() && first == nullptr; ++i)
        if (dataSet.Fields()[i].FieldKind() == TFieldKind::fkData) first = &dataSet.Fields()[i];
      if (first == nullptr) dataset::DatabaseError(dataSet.Name() + ": No data fields");
      query.AddSQL("for update of " + alias + "." + first->FieldName() + " nowait");
    }
    CopyDataSetVariables(dataSet, query);
  }
  try {
    query.Execute();
  } catch (const EOracleError& e) {
    if (savepoint) {
      try {
        RollbackToLockSavepoint(dataSet);
      } catch (...) {
      }
    }
    RaiseTranslated(dataSet, 'L', e.ErrorCode(),
                    e.ErrorCode() == 54 ? editing.LockedMessage : e.Message());
  }
  if ((lock || check) && query.Eof()) RaiseTranslated(dataSet, 'L', 0, editing.DeletedMessage);
  if (refresh && !query.Eof()) {
    // The stored record and the record shown both take the server's values,
    // so that a later post sends only what the user changed and no stale
    // value over another user's committed change.
    dataSet.RefreshCurrentRecord([&] { return CopyQueryToRecord(dataSet, query); });
    if (editing.AfterRefreshRecord) editing.AfterRefreshRecord(dataSet);
  }
  if (check && RecordChangedOnServer(dataSet, query)) {
    if (lock) RollbackToLockSavepoint(dataSet);
    RaiseTranslated(dataSet, 'L', 0, editing.ChangedMessage);
  }
  ReleaseDMLQuery(dataSet);
}

}  // namespace oracle
