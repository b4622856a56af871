#include "oracle/query/query.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <exception>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <string_view>

#include "oracle/client/client_mode.h"
#include "oracle/client/feature_checks.h"
#include "oracle/client/oci_loader.h"
#include "oracle/query/query_guards.h"
#include "oracle/query/query_thread.h"
#include "oracle/session/session.h"
#include "oracle/values/oracle_timestamp.h"
#include "oracle/values/rowid.h"
#include "oracle/values/text_convert.h"
#include "oracle/values/type_codes.h"
#include "platform/oci/oci7_area_layout.h"

namespace oracle {

std::atomic<bool> AlwaysParseStatements{true};

namespace {

// WarningFlags after a call that succeeded with information.
constexpr int32_t kWarningWithInfo = 33;

// Whether a select's text asks for row locks ("for update"); a word pair
// in a literal or comment counts too, which only counts work of the session
// that was none.
bool LocksRows(const std::string& sql) {
  const auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); };
  for (std::size_t at = 0; at + 3 < sql.size(); ++at) {
    if (lower(sql[at]) != 'f' || lower(sql[at + 1]) != 'o' || lower(sql[at + 2]) != 'r') continue;
    std::size_t next = at + 3;
    if (next >= sql.size() || std::isspace(static_cast<unsigned char>(sql[next])) == 0) continue;
    while (next < sql.size() && std::isspace(static_cast<unsigned char>(sql[next])) != 0) ++next;
    static constexpr std::string_view kUpdate = "update";
    bool match = next + kUpdate.size() <= sql.size();
    for (std::size_t i = 0; match && i < kUpdate.size(); ++i)
      match = lower(sql[next + i]) == kUpdate[i];
    if (match) return true;
  }
  return false;
}

std::mutex& HookMutex() {
  static std::mutex mutex;
  return mutex;
}
std::function<void(TOracleQuery&)>& CreatedHook() {
  static std::function<void(TOracleQuery&)> hook;
  return hook;
}
std::function<void(TOracleQuery&, int32_t)>& ObjectColumnMakerHook() {
  static std::function<void(TOracleQuery&, int32_t)> hook;
  return hook;
}

std::function<void(TOracleQuery&)>& DebugHook() {
  static std::function<void(TOracleQuery&)> hook;
  return hook;
}

bool Succeeded(sword status) {
  return status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO;
}

// The Oracle error number left in `err` by a failed call; 0 when none.
int32_t ErrorNumber(OCIError* err) {
  if (err == nullptr || OCIErrorGet == nullptr) return 0;
  sb4 code = 0;
  text message[8];
  if (OCIErrorGet(err, 1, nullptr, &code, message, sizeof message, OCI_HTYPE_ERROR) !=
      OCI_SUCCESS) {
    return 0;
  }
  return code;
}

// Whether a failed execute or fetch only reported the end of the rows or a
// truncated value, which the query handles itself.
bool EndOrTruncation(sword status, OCIError* err) {
  if (status == OCI_NO_DATA) return true;
  if (status != OCI_ERROR) return false;
  const int32_t code = ErrorNumber(err);
  return code == kOraNoDataFound || code == kOraValueTruncated;
}

const char* ComplexKindText(int16_t type) {
  switch (type) {
    case otype::Object:
      return "Object";
    case otype::Reference:
      return "Reference";
    case otype::Cursor:
      return "Cursor";
    default:
      return "LOB";
  }
}

}  // namespace

void SetQueryCreatedHook(std::function<void(TOracleQuery&)> hook) {
  std::lock_guard lock(HookMutex());
  CreatedHook() = std::move(hook);
}

void SetQueryDebugHook(std::function<void(TOracleQuery&)> hook) {
  std::lock_guard lock(HookMutex());
  DebugHook() = std::move(hook);
}

void SetObjectColumnMaker(std::function<void(TOracleQuery&, int32_t)> maker) {
  std::lock_guard lock(HookMutex());
  ObjectColumnMakerHook() = std::move(maker);
}

void TOracleQuery::MakeColumnObject(int32_t i) const {
  std::function<void(TOracleQuery&, int32_t)> maker;
  {
    std::lock_guard lock(HookMutex());
    maker = ObjectColumnMakerHook();
  }
  // The wrapper is the column's cache of the current row, not a change of
  // the query.
  if (maker) maker(const_cast<TOracleQuery&>(*this), i);
}

TQueryColumn::TQueryColumn() = default;
TQueryColumn::~TQueryColumn() = default;
TQueryColumn::TQueryColumn(TQueryColumn&&) noexcept = default;
TQueryColumn& TQueryColumn::operator=(TQueryColumn&&) noexcept = default;

TOracleQuery::BindSlot::BindSlot() = default;
TOracleQuery::BindSlot::~BindSlot() = default;
TOracleQuery::BindSlot::BindSlot(BindSlot&&) noexcept = default;
TOracleQuery::BindSlot& TOracleQuery::BindSlot::operator=(BindSlot&&) noexcept = default;

// ---------------------------------------------------------------------------
// Construction and properties

TOracleQuery::TOracleQuery(const void* owner) : owner_(owner) {
  std::function<void(TOracleQuery&)> hook;
  {
    std::lock_guard lock(HookMutex());
    hook = CreatedHook();
  }
  if (hook) hook(*this);
}

TOracleQuery::~TOracleQuery() {
  thread_.reset();  // ends and joins the thread before anything it uses goes
  try {
    Close();
  } catch (...) {
    // Nothing can be reported from a destructor; the handles go with the
    // session's environment at the latest.
  }
  // What was handed out lets go of the rows before the buffers go.
  ClearFields();
  if (session_ != nullptr) session_->AttachedObjects().Detach(SessionObjectList::kQueries, this);
  monitorId_.Unregister(session_);
}

void TOracleQuery::SetSession(TOracleSession* session) {
  if (session == session_) return;
  if (session_ != nullptr) {
    Close();
    ClearFields();
    session_->AttachedObjects().Detach(SessionObjectList::kQueries, this);
  }
  // What was handed out belongs to the old session: it is kept, standing
  // for no row, and the columns make new ones on the new session.
  for (TColumnWrapper& wrapper : wrappers_) {
    if (wrapper.lob) Retire(std::move(wrapper.lob));
    if (wrapper.object) Retire(std::move(wrapper.object));
  }
  wrappers_.clear();
  monitorId_.Unregister(session_);
  monitorId_.Clear();
  session_ = session;
  if (session_ != nullptr) session_->AttachedObjects().Attach(SessionObjectList::kQueries, this);
}

void TOracleQuery::AddSQL(std::string_view line) {
  sql_.append(line);
  sql_.append("\r\n");
}

bool TOracleQuery::Optimize() const {
  return optimize_ && !AlwaysParseStatements.load();
}

void TOracleQuery::SetStringFieldsOnly(bool value) {
  if (value == stringFieldsOnly_) return;
  stringFieldsOnly_ = value;
  parsedText_.clear();
}

const TSessionContext* TOracleQuery::VariablesSession() const {
  return session_;
}

void TOracleQuery::VariablesChanged() {
  parsedText_.clear();
  if (session_ != nullptr && session_->ODBCMode()) Close();
}

void TOracleQuery::SessionLoggedOn() {
  // The database character set is known now.
  ApplyCharsetSettings();
}

void TOracleQuery::SessionLoggingOff() {
  Close();
  // Buffers holding descriptors of the session's environment go before it;
  // what the query handed out stays, standing for no row until it runs
  // again.
  ClearFields();
  binds_.clear();
}

void TOracleQuery::SessionDestroyed() {
  session_ = nullptr;
}

// ---------------------------------------------------------------------------
// Variables

void TOracleQuery::DeclareVariable(std::string_view name, int16_t type) {
  if (VariableStoredName(name).size() < 2) {
    throw std::runtime_error("You cannot declare a variable with an empty name");
  }
  try {
    DeclaredBufferSize(name, type);
  } catch (const std::runtime_error&) {
    // The old declaration of the name is gone as well.
    const int32_t existing = variables_.IndexOf(name);
    if (existing >= 0) variables_.Delete(existing);
    throw;
  }
  variables_.Declare(name, type);
}

void TOracleQuery::DeclareVariable(std::string_view name, int16_t type, uint8_t charsetForm) {
  DeclareVariable(name, type);
  variables_.Data(variables_.IndexOf(name)).SetCharsetForm(charsetForm);
  ApplyCharsetSettings();
}

void TOracleQuery::DeclareAndSet(std::string_view name, int16_t type, const Variant& value) {
  DeclareVariable(name, type);
  SetVariable(name, value);
}

void TOracleQuery::DeleteVariable(std::string_view name) {
  const int32_t index = variables_.IndexOf(name);
  if (index < 0) throw std::runtime_error("Variable " + VariableStoredName(name) + " not declared");
  variables_.Delete(index);
}

void TOracleQuery::DeleteVariables() {
  variables_.Clear();
}

namespace {

// LONG and LONG RAW array elements have no size of their own: each one gets
// room for the longest value of the array (its bytes, or its text before
// the line ends are made the server's, which only shortens it). 0 for other
// types.
int32_t LongElementSize(const TVariableData& variable, const VarArray& array, int32_t count) {
  if (variable.DataType() != otype::Long && variable.DataType() != otype::LongRaw) return 0;
  std::size_t longest = 0;
  for (int32_t k = 0; k < count && array.elementType != VarType::Byte; ++k) {
    const Variant& element = array.items[static_cast<std::size_t>(k)];
    if (element.IsEmptyOrNull()) continue;
    std::size_t length = 0;
    if (element.IsArray()) {
      length = element.Array().bytes.size();
    } else {
      try {
        length = element.ToText().size();
      } catch (const EVariantError&) {
        continue;  // the element's own assignment names the variable
      }
    }
    longest = std::max(longest, length);
  }
  if (longest >= static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) {
    throw std::runtime_error("Value too long for variable " + variable.Name());
  }
  return static_cast<int32_t>(std::max<std::size_t>(longest, 1));
}

}  // namespace

void TOracleQuery::SetVariable(std::string_view name, const Variant& value) {
  const int32_t index = variables_.IndexOf(name);
  if (index < 0) throw std::runtime_error("Variable " + VariableStoredName(name) + " not declared");
  TVariableData& variable = variables_.Data(index);
  const bool byteValue = value.IsArray() && value.Array().elementType == VarType::Byte &&
                         variable.DataType() == otype::LongRaw;
  if (value.IsArray() && !byteValue) {
    // Object and REF variables take one object an element; other complex
    // kinds hold one object.
    const bool objectArray =
        variable.DataType() == otype::Object || variable.DataType() == otype::Reference;
    if (IsComplexType(variable.DataType()) && !objectArray) {
      throw std::runtime_error(variable.Name() + " is a complex variable and cannot be an array");
    }
    if (variable.DataType() == otype::Varchar2) {
      throw std::runtime_error(variable.Name() +
                               " is a substitution variable and cannot be an array");
    }
    const VarArray& array = value.Array();
    const auto count = static_cast<int32_t>(array.ElementCount());
    auto item = [&](int32_t k) {
      return array.elementType == VarType::Byte
                 ? Variant::Byte(array.bytes[static_cast<std::size_t>(k)])
                 : array.items[static_cast<std::size_t>(k)];
    };
    // All or nothing: the elements go into a copy that replaces the
    // variable only when every one of them was taken.
    TVariableData staged = variable;
    if (staged.IsPLSQLTable()) {
      if (count > staged.ArraySize()) {
        throw std::runtime_error("Array is larger than PL/SQL Table (" + std::to_string(count) +
                                 " > " + std::to_string(staged.ArraySize()) + ")");
      }
      staged.SetTableCount(static_cast<uint32_t>(count));
    } else {
      staged.SetArrayItem(count, LongElementSize(staged, array, count), session_);
    }
    for (int32_t k = 0; k < count; ++k) staged.SetValue(k, item(k), session_);
    variable = std::move(staged);
    return;
  }
  if (variable.IsPLSQLTable()) {
    throw std::runtime_error(variable.Name() + " is a PL/SQL Table, assign a variant array to it");
  }
  variable.SetValue(0, value, session_);
}

Variant TOracleQuery::GetVariable(std::string_view name) const {
  const int32_t index = variables_.IndexOf(name);
  if (index < 0) throw std::runtime_error("Unknown variable: " + VariableStoredName(name));
  const TVariableData& variable = variables_.Data(index);
  if (variable.IsPLSQLTable()) {
    // The elements in use, as a variant array.
    std::vector<Variant> items;
    for (uint32_t k = 0; k < variable.TableCount(); ++k) {
      items.push_back(variable.GetValue(static_cast<int32_t>(k), session_));
    }
    return Variant::VariantArray(std::move(items));
  }
  return variable.GetValue(0, session_);
}

void TOracleQuery::SetComplexVariable(std::string_view name, TComplexObject* object) {
  const int32_t index = variables_.IndexOf(name);
  if (index < 0) throw std::runtime_error("Variable " + VariableStoredName(name) + " not declared");
  TVariableData& variable = variables_.Data(index);
  const int16_t type = variable.DataType();
  if (!IsComplexType(type))
    throw std::runtime_error(variable.Name() + " is not a complex variable");
  if (object != nullptr && type == otype::Cursor &&
      dynamic_cast<TOracleQuery*>(object) == nullptr) {
    throw std::runtime_error("Assign TOracleQuery instance to variable " + variable.Name());
  }
  if (object != nullptr && IsLobType(type) && dynamic_cast<TLOBObject*>(object) == nullptr) {
    throw std::runtime_error("Assign TLOBLocator instance to variable " + variable.Name());
  }
  if (object != nullptr && (type == otype::Object || type == otype::Reference)) {
    const auto* wrapper = dynamic_cast<TObjectColumnObject*>(object);
    if (wrapper == nullptr || wrapper->IsReference() != (type == otype::Reference)) {
      throw std::runtime_error(
          std::string(type == otype::Object ? "Assign TOracleObject" : "Assign TOracleReference") +
          " instance to variable " + variable.Name());
    }
  }
  if (object != nullptr && IsTimestampType(type) &&
      dynamic_cast<TOracleTimestamp*>(object) == nullptr) {
    throw std::runtime_error("Assign TOracleTimestamp instance to variable " + variable.Name());
  }
  variable.SetValue(0, Variant::Object(object), session_);
}

TComplexObject* TOracleQuery::GetComplexVariable(std::string_view name) const {
  const int32_t index = variables_.IndexOf(name);
  if (index < 0) throw std::runtime_error("Unknown variable: " + VariableStoredName(name));
  return variables_.Data(index).Object();
}

void TOracleQuery::DeclarePLSQLTable(std::string_view name, int16_t type, int32_t tableSize,
                                     int32_t stringSize) {
  variables_.DeclarePLSQLTable(name, type, tableSize, stringSize);
}

// ---------------------------------------------------------------------------
// Handles

void TOracleQuery::CheckSession() const {
  if (session_ == nullptr) throw std::runtime_error("Session undefined");
  if (!session_->Connected()) throw std::runtime_error("Not logged on");
  if (!session_->InOCI8Mode() && !OCI7ModeUsable()) {
    throw std::runtime_error("The loaded OCI client has no OCI7 statement calls");
  }
}

bool TOracleQuery::StatementCacheUsed() const {
  return session_ != nullptr && session_->StatementCache() && OCI92Available;
}

void TOracleQuery::OpenHandles() {
  if (!session_->InOCI8Mode()) {
    OpenCursorArea();
    return;
  }
  SessionStatementLock lock(*session_);
  OCIEnv* env = session_->Environment();
  sword status = OCIHandleAlloc(env, reinterpret_cast<void**>(&err_), OCI_HTYPE_ERROR, 0, nullptr);
  if (Succeeded(status)) {
    status = OCIHandleAlloc(env, reinterpret_cast<void**>(&err2_), OCI_HTYPE_ERROR, 0, nullptr);
  }
  if (Succeeded(status)) {
    status =
        OCIDescriptorAlloc(env, reinterpret_cast<void**>(&rowid_), OCI_DTYPE_ROWID, 0, nullptr);
  }
  handlesOpen_ = true;
  if (!Succeeded(status)) {
    FreeHandles();
    RaiseOCIError(session_, session_->ErrorHandle(), this, status);
  }
}

void TOracleQuery::FreeHandles() noexcept {
  // Define and bind handles belong to the statement and go with it.
  for (TQueryColumn& column : fields_) column.define = nullptr;
  binds_.clear();
  if (oci7_) {
    CloseCursorArea();
    return;
  }
  const bool callable =
      OCIDllLoaded() && session_ != nullptr && session_->Connected() && OCIHandleFree != nullptr;
  if (callable) {
    if (stmt_ != nullptr) {
      if (StatementCacheUsed()) {
        OCIStmtRelease(stmt_, err_, nullptr, 0, OCI_DEFAULT);
      } else {
        OCIHandleFree(stmt_, OCI_HTYPE_STMT);
      }
    }
    if (err_ != nullptr) OCIHandleFree(err_, OCI_HTYPE_ERROR);
    if (err2_ != nullptr) OCIHandleFree(err2_, OCI_HTYPE_ERROR);
    if (rowid_ != nullptr) OCIDescriptorFree(rowid_, OCI_DTYPE_ROWID);
  }
  stmt_ = nullptr;
  err_ = err2_ = nullptr;
  rowid_ = nullptr;
  handlesOpen_ = false;
}

void TOracleQuery::OpenForCursorVariable(TOracleSession* session) {
  Close();
  Clear();
  // A cursor query without a session of its own fetches on the session of
  // the query that opens it.
  if (session_ == nullptr) SetSession(session);
  CheckSession();
  OpenHandles();
  SessionStatementLock lock(*session_);
  const sword status = OCIHandleAlloc(session_->Environment(), reinterpret_cast<void**>(&stmt_),
                                      OCI_HTYPE_STMT, 0, nullptr);
  if (!Succeeded(status)) {
    stmt_ = nullptr;
    RaiseOCIError(session_, session_->ErrorHandle(), this, status);
  }
  ub4 zero = 0;
  OCIAttrSet(stmt_, OCI_HTYPE_STMT, &zero, 0, OCI_ATTR_PREFETCH_ROWS, err_);
  OCIAttrSet(stmt_, OCI_HTYPE_STMT, &zero, 0, OCI_ATTR_PREFETCH_MEMORY, err_);
  cursorFromVariable_ = true;
}

void TOracleQuery::Close() {
  parsedText_.clear();
  described_ = false;
  cursorFromVariable_ = false;
  eof_ = true;
  // What the query handed out stands for no row until the next run.
  AttachColumnWrappers();
  if (handlesOpen_) FreeHandles();
}

void TOracleQuery::Clear() {
  variables_.Clear();
  sql_.clear();
  parsedText_.clear();
  described_ = false;
  cursorFromVariable_ = false;
}

// ---------------------------------------------------------------------------
// Preparing

std::string TOracleQuery::StatementText() const {
  const std::string text =
      SubstituteVariables(sql_, [this](std::string_view name) -> std::optional<std::string> {
        const int32_t index = variables_.IndexOf(name);
        if (index < 0) return std::nullopt;
        const TVariableData& variable = variables_.Data(index);
        if (variable.DataType() != otype::Varchar2) return std::nullopt;
        return std::string(variable.ElementText(0));
      });
  return RemoveCarriageReturns(text);
}

void TOracleQuery::Prepare() {
  errorLine_ = errorPosition_ = 0;
  if (!handlesOpen_) OpenHandles();
  if (cursorFromVariable_) {
    // The cursor is open already: nothing to parse, its select list is
    // described at this run.
    sqlType_ = sqltype::Select;
    ClearFields();
    described_ = false;
    parsedText_.clear();
    return;
  }
  std::string text = StatementText();
  bool mustParse = arraySize_ > 1;
  for (int32_t i = 0; i < variables_.Count(); ++i) {
    const TVariableData& variable = variables_.Data(i);
    mustParse = mustParse || variable.DataType() == otype::Long ||
                variable.DataType() == otype::LongRaw || variable.IsPLSQLTable() ||
                variable.ArraySize() > 1;
  }
  if (mustParse) parsedText_.clear();
  if (Optimize() && (stmt_ != nullptr || oci7_) && !parsedText_.empty() && parsedText_ == text &&
      IsReusableSQLType(sqlType_)) {
    return;
  }
  ParseStatement(text);
}

void TOracleQuery::ParseStatement(const std::string& statement) {
  ClearFields();
  described_ = false;
  parsedText_ = statement;
  sqlType_ = sqltype::NotParsed;
  SessionStatementLock lock(*session_);
  binds_.clear();
  if (oci7_) {
    ParseOCI7(statement);
    return;
  }
  if (stmt_ != nullptr) {
    if (StatementCacheUsed()) {
      OCIStmtRelease(stmt_, err_, nullptr, 0, OCI_DEFAULT);
    } else {
      OCIHandleFree(stmt_, OCI_HTYPE_STMT);
    }
    stmt_ = nullptr;
  }
  const auto* sqlText = reinterpret_cast<const text*>(statement.data());
  const auto length = static_cast<ub4>(statement.size());
  sword status;
  if (StatementCacheUsed()) {
    status = OCIStmtPrepare2(session_->ServiceContext(), &stmt_, err_, sqlText, length, nullptr, 0,
                             OCI_NTV_SYNTAX, OCI_DEFAULT);
  } else {
    status = OCIHandleAlloc(session_->Environment(), reinterpret_cast<void**>(&stmt_),
                            OCI_HTYPE_STMT, 0, nullptr);
    if (!Succeeded(status)) {
      stmt_ = nullptr;
      parsedText_.clear();
      RaiseOCIError(session_, session_->ErrorHandle(), this, status);
    }
    status = OCIStmtPrepare(stmt_, err_, sqlText, length, OCI_NTV_SYNTAX, OCI_DEFAULT);
  }
  lastStatus_ = status;
  if (!Succeeded(status)) RaiseStatementError(status);
  ub4 zero = 0;
  OCIAttrSet(stmt_, OCI_HTYPE_STMT, &zero, 0, OCI_ATTR_PREFETCH_ROWS, err_);
  OCIAttrSet(stmt_, OCI_HTYPE_STMT, &zero, 0, OCI_ATTR_PREFETCH_MEMORY, err_);
  ub2 statementType = 0;
  status = OCIAttrGet(stmt_, OCI_HTYPE_STMT, &statementType, nullptr, OCI_ATTR_STMT_TYPE, err_);
  if (!Succeeded(status)) RaiseStatementError(status);
  sqlType_ = SQLTypeFromStatementType(statementType);
}

// ---------------------------------------------------------------------------
// Binding

void TOracleQuery::ApplyCharsetSettings() {
  // National text is bound as UTF-16, which the server converts to its
  // national character set. Other text is the library's UTF-8: a client
  // whose own character set is not UTF-8 is told so when the database's is.
  const bool connected = session_ != nullptr && session_->Connected();
  if (connected) session_->BytesPerChar();  // learns the database's character set
  const bool utf8Database =
      connected && IsUtf8CharSet(session_->CharsetId()) && !ClientCharSetIsUTF8();
  for (int32_t i = 0; i < variables_.Count(); ++i) {
    TVariableData& variable = variables_.Data(i);
    if (!IsCharacterType(variable.DataType())) continue;
    if (variable.IsNational()) {
      variable.SetCharsetId(OCI_UTF16ID);
    } else {
      variable.SetCharsetId(utf8Database ? session_->CharsetId() : 0);
    }
  }
}

void TOracleQuery::Bind() {
  arraySize_ = 0;
  ApplyCharsetSettings();
  if (binds_.size() != static_cast<std::size_t>(variables_.Count())) {
    binds_.clear();
    binds_.resize(static_cast<std::size_t>(variables_.Count()));
  }
  for (int32_t i = 0; i < variables_.Count(); ++i) {
    TVariableData& variable = variables_.Data(i);
    if (variable.DataType() == otype::Varchar2) continue;  // substitution variable
    if (variable.IsPLSQLTable()) {
      // A table travels whole in one execute.
      if (arraySize_ == 0) arraySize_ = 1;
    } else if (arraySize_ == 0) {
      arraySize_ = variable.ArraySize();
    } else if (variable.ArraySize() != arraySize_) {
      throw std::runtime_error("All arrays must be of equal size for Array DML");
    }
    BindVariable(variable, binds_[static_cast<std::size_t>(i)]);
  }
}

void TOracleQuery::BindVariable(TVariableData& variable, BindSlot& slot) {
  const int16_t type = variable.DataType();
  ub2 bindType = static_cast<ub2>(type == otype::PLSQLString ? otype::String : type);
  void* buffer = variable.Buffer();
  sb4 size = variable.BufferSize();
  ub2* lengths = nullptr;
  OCIType* objectType = nullptr;
  // Both are bound through the OCI8 calls only.
  if (type == otype::Cursor) CheckNet8Feature(session_, "A cursor variable");
  if (variable.IsPLSQLTable()) CheckNet8Feature(session_, "A PL/SQL table");

  if (IsTimestampType(type)) {
    CheckNet8Feature(session_, "A Timestamp variable");
    auto* object = dynamic_cast<TOracleTimestamp*>(variable.Object());
    if (object == nullptr) {
      // A plain date-time value travels in a private timestamp of our own.
      if (!slot.timestamp || slot.timestamp->DescriptorType() != TimestampDescriptorType(type)) {
        slot.timestamp =
            std::make_unique<TOracleTimestamp>(session_, TimestampDescriptorType(type));
      }
      if (variable.IsNull(0)) {
        slot.timestamp->Clear();
      } else {
        slot.timestamp->SetValue(variable.TimestampValue());
      }
      object = slot.timestamp.get();
    }
    variable.Indicators()[0] = object->Indicator();
    slot.descriptor = object->Descriptor();
    buffer = &slot.descriptor;
    size = static_cast<sb4>(sizeof slot.descriptor);
  } else if (type == otype::Cursor) {
    auto* cursor = dynamic_cast<TOracleQuery*>(variable.Object());
    if (cursor == nullptr) {
      throw std::runtime_error("Cursor variable " + variable.Name() + " cannot be nil");
    }
    cursor->OpenForCursorVariable(session_);
    variable.Indicators()[0] = kIndicatorValue;
    buffer = &cursor->stmt_;
    size = static_cast<sb4>(sizeof cursor->stmt_);
  } else if (IsLobType(type)) {
    CheckNet8Feature(session_, "A LOB Locator variable");
    auto* lob = dynamic_cast<TLOBObject*>(variable.Object());
    if (lob == nullptr) {
      throw std::runtime_error("LOB variable " + variable.Name() + " cannot be nil");
    }
    variable.Indicators()[0] = lob->LocatorIsNull() ? -1 : kIndicatorValue;
    buffer = lob->BindLocatorAddress();
    size = static_cast<sb4>(sizeof(OCILobLocator*));
  } else if (type == otype::Object || type == otype::Reference) {
    CheckNet8Feature(session_,
                     type == otype::Object ? "An object variable" : "A reference variable");
    // The bind points at one instance (or REF) an element, each the one its
    // wrapper holds now.
    slot.instances.resize(static_cast<std::size_t>(variable.ArraySize()));
    for (int32_t k = 0; k < variable.ArraySize(); ++k) {
      const auto* object = dynamic_cast<TObjectColumnObject*>(variable.ObjectAt(k));
      if (object == nullptr) {
        throw std::runtime_error(std::string(ComplexKindText(type)) + " variable " +
                                 variable.Name() + " cannot be nil");
      }
      if (k == 0) objectType = object->BindType();
      slot.instances[static_cast<std::size_t>(k)] = object->BindInstance();
      variable.Indicators()[k] = object->BindIsNull() ? kIndicatorNull : kIndicatorValue;
    }
    buffer = slot.instances.data();
    size = static_cast<sb4>(sizeof(void*));
  } else if (IsComplexType(type)) {
    throw std::runtime_error(std::string(ComplexKindText(type)) + " variable " + variable.Name() +
                             " cannot be nil");
  } else if (variable.IsNational() && IsZeroTerminatedType(type) && !oci7_) {
    // External type 1 with the actual length of each element.
    BindNationalText(variable, slot);
    bindType = otype::Varchar2;
    buffer = slot.encoded.empty() ? nullptr : slot.encoded.data();
    size = static_cast<sb4>(slot.encoded.size() / static_cast<std::size_t>(variable.ArraySize()));
    lengths = slot.lengths.data();
  } else if (type == otype::String || type == otype::CharZ) {
    const int64_t maxBytes = int64_t{session_->MaxVarchar2Chars()} * session_->BytesPerChar() + 1;
    if (size > maxBytes) size = static_cast<sb4>(maxBytes);
  } else if ((type == otype::Long || type == otype::LongRaw) && size < 65536) {
    // Values of their own length: OCI is told each element's actual length.
    slot.lengths.resize(static_cast<std::size_t>(variable.ArraySize()));
    for (int32_t k = 0; k < variable.ArraySize(); ++k) {
      slot.lengths[static_cast<std::size_t>(k)] = static_cast<ub2>(variable.ElementLength(k));
    }
    lengths = slot.lengths.data();
  } else if ((type == otype::Long || type == otype::LongRaw) && variable.ArraySize() > 1) {
    // Elements of 64 KiB and more: a 16-bit length cannot tell their
    // lengths, and without one every element would be taken at the size of
    // the longest, padded with zero bytes. Each travels with a 4-byte length
    // of its own instead (LONG VARCHAR, LONG VARRAW).
    BindLongElements(variable, slot);
    bindType = type == otype::Long ? SQLT_LVC : SQLT_LVB;
    buffer = slot.encoded.data();
    size = static_cast<sb4>(slot.encoded.size() / static_cast<std::size_t>(variable.ArraySize()));
  }

  if (slot.handle != nullptr && slot.buffer == buffer && slot.size == size &&
      slot.elements == variable.ArraySize() && slot.lengths.data() == lengths) {
    return;  // the bind of an earlier run still points at the right bytes
  }
  SessionStatementLock lock(*session_);
  if (oci7_) {
    const sword rc = BindOCI7(variable, buffer, size, bindType, lengths);
    lastStatus_ = rc;
    if (rc != 0) RaiseOCI7Error(session_, AreaReturnCode(), this);
    return;
  }
  const std::string& name = variable.Name();
  // A PL/SQL table is bound with its size and the count of elements in use,
  // which the server rewrites.
  const bool table = variable.IsPLSQLTable();
  const sword status =
      OCIBindByName(stmt_, &slot.handle, err_, reinterpret_cast<const text*>(name.data()),
                    static_cast<sb4>(name.size()), buffer, size, bindType, variable.Indicators(),
                    lengths, nullptr, table ? static_cast<ub4>(variable.ArraySize()) : 0,
                    table ? variable.TableCountAddress() : nullptr, OCI_DEFAULT);
  lastStatus_ = status;
  if (!Succeeded(status)) {
    slot.handle = nullptr;
    RaiseOCIError(session_, err_, this, status);
  }
  slot.buffer = buffer;
  slot.size = size;
  slot.elements = variable.ArraySize();
  if (type == otype::Object || type == otype::Reference) {
    // The client takes the values from the instance (or REF) pointers.
    const sword object = OCIBindObject(slot.handle, err_, objectType, slot.instances.data(),
                                       nullptr, nullptr, nullptr);
    lastStatus_ = object;
    if (!Succeeded(object)) {
      slot.handle = nullptr;
      RaiseOCIError(session_, err_, this, object);
    }
  }
  if (variable.IsNational() || variable.CharsetId() != 0) {
    ub1 form = variable.IsNational() ? SQLCS_NCHAR : SQLCS_IMPLICIT;
    ub2 id = variable.CharsetId();
    sword attr = OCIAttrSet(slot.handle, OCI_HTYPE_BIND, &form, 0, OCI_ATTR_CHARSET_FORM, err_);
    if (Succeeded(attr)) {
      attr = OCIAttrSet(slot.handle, OCI_HTYPE_BIND, &id, 0, OCI_ATTR_CHARSET_ID, err_);
    }
    lastStatus_ = attr;
    if (!Succeeded(attr)) {
      slot.handle = nullptr;
      RaiseOCIError(session_, err_, this, attr);
    }
  }
}

void TOracleQuery::BindNationalText(const TVariableData& variable, BindSlot& slot) {
  // Each element as UTF-16 in the client's byte order, with room for the
  // characters the variable is declared for (two units for one above
  // U+FFFF); the lengths say how many bytes each one holds.
  const auto count = static_cast<std::size_t>(variable.ArraySize());
  const std::size_t elementBytes =
      4 * static_cast<std::size_t>(std::max<int64_t>(variable.DeclaredChars(), 1));
  slot.encoded.assign(count * elementBytes, 0);
  slot.lengths.assign(count, 0);
  for (std::size_t k = 0; k < count; ++k) {
    if (variable.IsNull(static_cast<int32_t>(k))) continue;
    const std::optional<std::u16string> units =
        Utf8ToUtf16(variable.ElementText(static_cast<int32_t>(k)));
    if (!units) {
      throw std::runtime_error("Variable " + variable.Name() + " does not hold valid UTF-8 text");
    }
    const std::size_t bytes = std::min(units->size() * 2, elementBytes);
    std::memcpy(slot.encoded.data() + k * elementBytes, units->data(), bytes);
    slot.lengths[k] = static_cast<ub2>(std::min<std::size_t>(bytes, 65535));
  }
}

void TOracleQuery::TakeNationalText(TVariableData& variable, const BindSlot& slot) {
  // The server may have written into the UTF-16 copy (an out-bind, a
  // returning clause, a PL/SQL table filled by the block): each element in
  // use takes back its text as UTF-8, and its null state.
  const auto count = static_cast<std::size_t>(variable.ArraySize());
  const std::size_t elementBytes = slot.encoded.size() / count;
  const std::size_t used =
      variable.IsPLSQLTable() ? std::min<std::size_t>(variable.TableCount(), count) : count;
  for (std::size_t k = 0; k < used; ++k) {
    const auto index = static_cast<int32_t>(k);
    if (variable.Indicators()[k] == kIndicatorNull) continue;
    const std::size_t bytes =
        std::min<std::size_t>(slot.lengths[k], elementBytes) & ~std::size_t{1};
    std::u16string units(bytes / 2, u'\0');
    if (bytes > 0) std::memcpy(units.data(), slot.encoded.data() + k * elementBytes, bytes);
    const std::optional<std::string> text = Utf16ToUtf8(units);
    if (!text) {
      throw std::runtime_error("Variable " + variable.Name() +
                               " received text that is not valid UTF-16");
    }
    variable.SetValue(index, text->empty() ? Variant() : Variant::String(*text),
                      VariablesSession());
  }
}

void TOracleQuery::BindLongElements(const TVariableData& variable, BindSlot& slot) {
  // Element k at k times the stride: its length as a signed 32-bit number
  // in the client's byte order, then its bytes (none for a null element).
  const auto count = static_cast<std::size_t>(variable.ArraySize());
  const std::size_t room = static_cast<std::size_t>(variable.BufferSize());
  const std::size_t stride = sizeof(sb4) + room;
  if (stride > static_cast<std::size_t>(std::numeric_limits<sb4>::max())) {
    throw std::runtime_error("Value too long for variable " + variable.Name());
  }
  slot.encoded.assign(count * stride, 0);
  for (std::size_t k = 0; k < count; ++k) {
    const auto index = static_cast<int32_t>(k);
    if (variable.IsNull(index)) continue;
    const auto length = static_cast<sb4>(
        std::min<std::size_t>(static_cast<std::size_t>(variable.ElementLength(index)), room));
    uint8_t* element = slot.encoded.data() + k * stride;
    std::memcpy(element, &length, sizeof length);
    std::memcpy(element + sizeof length, variable.Buffer() + k * room,
                static_cast<std::size_t>(length));
  }
}

// ---------------------------------------------------------------------------
// Execution

void TOracleQuery::Execute() {
  if (!threaded_) {
    ExecuteArray(-1, -1);
    return;
  }
  if (ThreadRunning()) throw std::runtime_error("Query thread is still in progress");
  if (!thread_) thread_ = std::make_unique<TQueryThread>(*this);
  thread_->Run();
}

bool TOracleQuery::ThreadRunning() const {
  return thread_ && thread_->Running();
}

void TOracleQuery::StopThread() {
  if (thread_) thread_->Stop();
}

int32_t TOracleQuery::ExecuteArray(int32_t index, int32_t count) {
  if (count == 0) return 0;
  struct BusyState {
    int& state;
    ~BusyState() { state = 0; }
  } busyState{busyState_};
  busyState_ = 1;
  if (BeforeQuery) BeforeQuery(*this);
  afterQueryPending_ = true;
  const bool all = index == -1 && count == -1;
  int32_t iterations = all ? 0 : index + count;
  int32_t offset = all ? 0 : index;
  int32_t processed = 0;
  for (;;) {
    try {
      ExecuteCore(false, iterations, offset);
      processed += RowsProcessed();
      break;
    } catch (const EOracleError& e) {
      // Only a row that failed in the execute goes to the event; failures
      // of the parse or the binds, and any failure without the event, are
      // raised (nobody would learn of them otherwise).
      if (failedRow_ < 0 || !OnArrayError) throw;
      processed += RowsProcessed();
      bool continueRun = true;
      OnArrayError(*this, failedRow_, e.ErrorCode(), e.Message(), continueRun);
      // The rows after the failed one, up to the end of the rows asked for.
      iterations = all ? arraySize_ : index + count;
      offset = failedRow_ + 1;
      if (!continueRun || offset >= iterations) break;
    }
  }
  FireAfterQueryAtEof();
  return processed;
}

void TOracleQuery::Describe() {
  if (ThreadRunning()) throw std::runtime_error("Query thread is still in progress");
  ExecuteCore(true, 0, 0);
}

void TOracleQuery::ShowDebug() {
  std::function<void(TOracleQuery&)> hook;
  {
    std::lock_guard lock(HookMutex());
    hook = DebugHook();
  }
  if (hook) {
    hook(*this);
    return;
  }
  std::string text = sql_;
  for (int32_t i = 0; i < variables_.Count(); ++i) {
    const TVariableData& variable = variables_.Data(i);
    text += "\r" + variable.Name() + " = " + variable.DisplayText(session_);
  }
  OracleMessageDialog(text, "O");
}

TMonitorNotice TOracleQuery::MonitorNotice(TMonitorNotice::TKind kind, std::string text) {
  TMonitorNotice notice;
  notice.kind = kind;
  notice.id = monitorId_.Get();
  notice.session = session_;
  notice.text = std::move(text);
  return notice;
}

void TOracleQuery::MonitorStart(const char* text) {
  if (!SQLMonitorActive()) return;
  TMonitorNotice notice = MonitorNotice(TMonitorNotice::TKind::kStart, text);
  notice.statement = sql_;
  for (int32_t i = 0; i < variables_.Count(); ++i) {
    const TVariableData& variable = variables_.Data(i);
    notice.variables.emplace_back(variable.Name(), variable.DisplayText(session_));
  }
  NotifySQLMonitor(notice);
}

void TOracleQuery::MonitorEnd(const std::string& text) {
  if (!SQLMonitorActive()) return;
  TMonitorNotice notice = MonitorNotice(TMonitorNotice::TKind::kEnd, text);
  notice.rows = RowsProcessed();
  notice.errorCode = ErrorCode();
  NotifySQLMonitor(notice);
}

void TOracleQuery::ExecuteCore(bool describeOnly, int32_t iterations, int32_t offset) {
  failedRow_ = -1;
  if (session_ == nullptr) throw std::runtime_error("Session undefined");
  MonitorStart(describeOnly ? "Query.Describe" : "Query.Execute");
  // A failed run ends with its error code.
  struct FailedRunEnd {
    TOracleQuery& query;
    int exceptions = std::uncaught_exceptions();
    ~FailedRunEnd() {
      if (std::uncaught_exceptions() > exceptions) query.MonitorEnd({});
    }
  } failedRunEnd{*this};
  eof_ = true;
  CheckSession();
  if (debug_ && !describeOnly) ShowDebug();
  SessionBusyScope busy(*session_);
  Prepare();
  // Work a rollback to a savepoint would undo or release: the session's
  // savepoint users learn of it (plain queries are none).
  if (!describeOnly && (sqlType_ != sqltype::Select || LocksRows(sql_))) session_->CountWork();
  if (sqlType_ == sqltype::Select) {
    if (oci7_) {
      ExecuteSelectOCI7(describeOnly);
    } else {
      ExecuteSelect(describeOnly, OCI_DEFAULT);
    }
  } else if (!describeOnly && oci7_) {
    ExecuteOCI7(iterations, offset);
  } else if (!describeOnly) {
    // Describing a statement other than a select has nothing to describe;
    // it must not run.
    Bind();
    ub4 iters = 1;
    ub4 rowOffset = 0;
    if (arraySize_ >= 2) {
      iters = iterations < 1 ? static_cast<ub4>(arraySize_) : static_cast<ub4>(iterations);
      rowOffset = static_cast<ub4>(offset < 0 ? 0 : offset);
    }
    const ub4 mode = session_->AutoCommit() ? OCI_COMMIT_ON_SUCCESS : OCI_DEFAULT;
    sword status;
    {
      SessionStatementLock lock(*session_);
      status = OCIStmtExecute(session_->ServiceContext(), stmt_, err_, iters, rowOffset, nullptr,
                              nullptr, mode);
    }
    lastStatus_ = status;
    if (!Succeeded(status) && status != OCI_NO_DATA) {
      NoteFailedRow(rowOffset);
      RaiseStatementError(status);
    }
    ub2 functionCode = 0;
    if (Succeeded(
            OCIAttrGet(stmt_, OCI_HTYPE_STMT, &functionCode, nullptr, OCI_ATTR_SQLFNCODE, err2_))) {
      sqlType_ = functionCode;
    }
  }
  if (!describeOnly) RefreshComplexVariables();
  TakeSnapshot();
  const bool counted = sqlType_ == sqltype::Insert || sqlType_ == sqltype::Select ||
                       sqlType_ == sqltype::Update || sqlType_ == sqltype::Delete;
  MonitorEnd(counted ? " (" + CountText(RowsProcessed(), "record") + " processed)" : "");
  CloseWhenDue();
}

void TOracleQuery::RefreshComplexVariables() {
  const auto count = std::min(static_cast<std::size_t>(variables_.Count()), binds_.size());
  for (std::size_t i = 0; i < count; ++i) {
    TVariableData& variable = variables_.Data(static_cast<int32_t>(i));
    BindSlot& slot = binds_[i];
    const int16_t type = variable.DataType();
    if (IsTimestampType(type)) {
      const int16_t indicator = variable.Indicators()[0];
      if (auto* object = dynamic_cast<TOracleTimestamp*>(variable.Object())) {
        object->TakeIndicator(indicator);
      } else if (slot.timestamp) {
        // A plain date-time value takes back what its private timestamp holds.
        slot.timestamp->TakeIndicator(indicator);
        variable.SetValue(
            0, slot.timestamp->IsNull() ? Variant() : Variant::Date(slot.timestamp->Value()),
            VariablesSession());
      }
    } else if (!slot.encoded.empty() && variable.IsNational() && IsZeroTerminatedType(type)) {
      TakeNationalText(variable, slot);
    } else if (IsLobType(type)) {
      if (auto* lob = dynamic_cast<TLOBObject*>(variable.Object())) lob->BindRefreshed();
    } else if (type == otype::Object || type == otype::Reference) {
      // An out-bind of a row without a value marks only the indicator: the
      // instance (or REF) still holds what it held before.
      for (int32_t k = 0; k < variable.ArraySize(); ++k)
        if (auto* object = dynamic_cast<TObjectColumnObject*>(variable.ObjectAt(k)))
          object->TakeBindIndicator(variable.Indicators()[k]);
    }
  }
}

void TOracleQuery::ExecuteSelect(bool describeOnly, uint32_t mode) {
  const bool fromCursor = cursorFromVariable_;
  if (!fromCursor) Bind();
  bool fetchedByExecute = false;
  if (!fromCursor && !(describeOnly && described_)) {
    ub4 iterations = 0;
    if (described_ && !describeOnly) {
      // The select list is known: the first block comes with the execute.
      iterations = static_cast<ub4>(rowsPerFetch_);
      for (TQueryColumn& column : fields_) column.data->ClearPieces();
      fetchedByExecute = true;
    }
    if (describeOnly) mode = OCI_DESCRIBE_ONLY;
    if (scrollable_ && OCI9Available) mode |= OCI_STMT_SCROLLABLE_READONLY;
    sword status;
    {
      SessionStatementLock lock(*session_);
      status = OCIStmtExecute(session_->ServiceContext(), stmt_, err_, iterations, 0, nullptr,
                              nullptr, mode);
    }
    lastStatus_ = status;
    if (!Succeeded(status) && !EndOrTruncation(status, err_)) RaiseStatementError(status);
  }
  if (!described_) DescribeAndDefine();
  if (describeOnly) {
    rowIndex_ = 0;
    rowsInBuffer_ = 0;
    fetchedTotal_ = 0;
    eof_ = true;
    AttachColumnWrappers();
    return;
  }
  fetchedTotal_ = 0;
  if (fetchedByExecute) {
    AfterRoundTrip();
  } else {
    FetchBlock();
  }
  cursorFromVariable_ = false;
  eof_ = rowsInBuffer_ == 0;
  AttachColumnWrappers();
}

void TOracleQuery::FetchBlock() {
  if (oci7_) {
    FetchBlockOCI7();
    return;
  }
  for (TQueryColumn& column : fields_) column.data->ClearPieces();
  sword status;
  {
    SessionStatementLock lock(*session_);
    const auto rows = static_cast<ub4>(rowsPerFetch_);
    status = OCI9Available ? OCIStmtFetch2(stmt_, err_, rows, OCI_FETCH_NEXT, 0, OCI_DEFAULT)
                           : OCIStmtFetch(stmt_, err_, rows, OCI_FETCH_NEXT, OCI_DEFAULT);
  }
  lastStatus_ = status;
  if (!Succeeded(status) && !EndOrTruncation(status, err_)) {
    snapshot_.errorCode = ErrorNumber(err_);
    RaiseOCIError(session_, err_, this, status);
  }
  AfterRoundTrip();
}

void TOracleQuery::AfterRoundTrip() {
  ub4 total = 0;
  if (oci7_) {
    total = oci7area::Read<uint32_t>(cda_.data(), oci7area::kRowsProcessed);
  } else if (!Succeeded(
                 OCIAttrGet(stmt_, OCI_HTYPE_STMT, &total, nullptr, OCI_ATTR_ROW_COUNT, err2_))) {
    total = fetchedTotal_;
  }
  rowsInBuffer_ = static_cast<int32_t>(total - fetchedTotal_);
  if (rowsInBuffer_ < 0 || rowsInBuffer_ > rowsPerFetch_) rowsInBuffer_ = 0;
  fetchedTotal_ = total;
  rowIndex_ = 0;
  if (lastStatus_ != OCI_SUCCESS) CheckTruncation(rowsInBuffer_);
}

void TOracleQuery::Next() {
  if (eof_) return;
  if (session_ == nullptr) throw std::runtime_error("Session undefined");
  if (!session_->Connected()) throw std::runtime_error("Not logged on");
  struct BusyState {
    int& state;
    ~BusyState() { state = 0; }
  } busyState{busyState_};
  busyState_ = 2;
  bool fetched = false;
  ++rowIndex_;
  if (rowIndex_ < rowsInBuffer_) {
    AttachColumnWrappers();
    return;
  }
  if (rowsInBuffer_ < rowsPerFetch_) {
    eof_ = true;
  } else {
    SessionBusyScope busy(*session_);
    MonitorStart(("Query.Next for up to " + CountText(rowsPerFetch_, "record")).c_str());
    FetchBlock();
    eof_ = rowsInBuffer_ == 0;
    fetched = true;
  }
  AttachColumnWrappers();
  if (eof_) FireAfterQueryAtEof();
  TakeSnapshot();
  if (fetched) MonitorEnd({});
  CloseWhenDue();
}

void TOracleQuery::FireAfterQueryAtEof() {
  if (!eof_ || !afterQueryPending_) return;
  afterQueryPending_ = false;
  if (AfterQuery) AfterQuery(*this);
}

void TOracleQuery::TakeSnapshot() {
  if (oci7_) {
    TakeSnapshotOCI7();
    return;
  }
  if (stmt_ == nullptr) return;
  ub4 rows = 0;
  if (Succeeded(OCIAttrGet(stmt_, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, err2_))) {
    snapshot_.rowsProcessed = rows;
  }
  snapshot_.warningFlags = lastStatus_ == OCI_SUCCESS_WITH_INFO ? kWarningWithInfo : 0;
  snapshot_.rowId.clear();
  if (rowid_ != nullptr &&
      Succeeded(OCIAttrGet(stmt_, OCI_HTYPE_STMT, rowid_, nullptr, OCI_ATTR_ROWID, err2_))) {
    snapshot_.rowId = RowidDescriptorText(rowid_);
  }
  switch (lastStatus_) {
    case OCI_ERROR:
    case OCI_INVALID_HANDLE:
      snapshot_.errorCode = ErrorNumber(err_);
      break;
    case OCI_SUCCESS_WITH_INFO:
    case OCI_NEED_DATA:
      snapshot_.errorCode = 0;
      break;
    case OCI_NO_DATA:
      snapshot_.errorCode = kOraNoDataFound;
      break;
    default:
      snapshot_.errorCode = lastStatus_;
      break;
  }
}

void TOracleQuery::CloseWhenDue() {
  if (Optimize() && !StatementCacheUsed()) return;
  if (sqlType_ == sqltype::Select && (!eof_ || scrollable_)) return;
  // The cursors of cursor columns live in the statement.
  for (const TQueryColumn& column : fields_) {
    if (column.bufferType == otype::Cursor) return;
  }
  Close();
}

void TOracleQuery::SetErrorPositionFromStatement() {
  ub2 offset = 0;
  if (stmt_ == nullptr || !Succeeded(OCIAttrGet(stmt_, OCI_HTYPE_STMT, &offset, nullptr,
                                                OCI_ATTR_PARSE_ERROR_OFFSET, err2_))) {
    return;
  }
  const TTextPosition position = TextPositionOfOffset(parsedText_, offset);
  errorLine_ = position.line;
  errorPosition_ = position.position;
}

void TOracleQuery::NoteFailedRow(ub4 rowOffset) {
  ub4 rows = 0;
  if (!Succeeded(OCIAttrGet(stmt_, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, err2_))) {
    rows = 0;
  }
  snapshot_.rowsProcessed = rows;
  // The client names the failed row; the rows processed before it tell the
  // same when it cannot.
  ub4 row = rowOffset + rows;
  OCIAttrGet(stmt_, OCI_HTYPE_STMT, &row, nullptr, OCI_ATTR_DML_ROW_OFFSET, err2_);
  failedRow_ = static_cast<int32_t>(row);
}

void TOracleQuery::RaiseStatementError(sword status) {
  SetErrorPositionFromStatement();
  parsedText_.clear();
  described_ = false;
  snapshot_.errorCode = status == OCI_ERROR ? ErrorNumber(err_) : status;
  snapshot_.warningFlags = 0;
  RaiseOCIError(session_, err_, this, status);
}

}  // namespace oracle
