// LOB locators: their life, how a fetch fills them, how a bind reads them,
// and the SQL functions that make LOB values.
#include <atomic>
#include <cstring>
#include <map>
#include <set>
#include <string_view>

#include "api_support.h"
#include "lob.h"
#include "lob_value.h"
#include "ociclient_testing.h"

#include "platform/text.h"

namespace ocistandin {
namespace {

std::atomic<int> liveLocators{0};

// Locators that keep a blob handle open, by its connection (under the API
// lock).
std::map<sqlite3*, std::set<LobLocator*>>& keptReads() {
  static std::map<sqlite3*, std::set<LobLocator*>> kept;
  return kept;
}
std::atomic<int> liveTemporaries{0};

LobLocator* locatorIn(const void* element, std::size_t size) {
  void* pointer = nullptr;
  if (element == nullptr || size < sizeof pointer) return nullptr;
  std::memcpy(&pointer, element, sizeof pointer);
  Handle* handle = findAnyHandle(pointer);
  if (handle == nullptr || (handle->type != OCI_DTYPE_LOB && handle->type != OCI_DTYPE_FILE))
    return nullptr;
  return static_cast<LobLocator*>(handle);
}

// The declared type of a LOB column, or 0.
ub2 declaredLobType(const char* declared) {
  if (declared == nullptr) return 0;
  const std::string type = platform::UpperAscii(platform::Trim(declared, " \t"));
  if (type == "CLOB" || type == "NCLOB") return SQLT_CLOB;
  if (type == "BLOB") return SQLT_BLOB;
  if (type == "BFILE") return SQLT_BFILEE;
  return 0;
}

void emptyClobFn(sqlite3_context* ctx, int, sqlite3_value**) {
  sqlite3_result_text(ctx, "", 0, SQLITE_STATIC);
}

void emptyBlobFn(sqlite3_context* ctx, int, sqlite3_value**) {
  sqlite3_result_zeroblob(ctx, 0);
}

void bfilenameFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  const auto* dir = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  const auto* name = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
  const std::string value = bfileValue(dir, name);
  sqlite3_result_text(ctx, value.c_str(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
}

}  // namespace

TemporaryLobs::~TemporaryLobs() {
  liveTemporaries -= static_cast<int>(values_.size());
}

long long TemporaryLobs::create() {
  const long long id = next_++;
  values_.emplace(id, std::string());
  ++liveTemporaries;
  return id;
}

std::string* TemporaryLobs::find(long long id) {
  const auto it = values_.find(id);
  return it == values_.end() ? nullptr : &it->second;
}

bool TemporaryLobs::free(long long id) {
  if (values_.erase(id) == 0) return false;
  --liveTemporaries;
  return true;
}

int liveTemporaryLobs() {
  return liveTemporaries;
}

LobLocator::LobLocator(ub4 handleType, Handle* parentHandle) : Handle(handleType, parentHandle) {
  if (handleType == OCI_DTYPE_FILE) lobType = SQLT_BFILEE;
  ++liveLocators;
}

LobLocator::~LobLocator() {
  closeBlob();
  --liveLocators;
}

void LobLocator::keepBlob(sqlite3_blob* handle, sqlite3* db, long long changes) {
  closeBlob();
  blob = handle;
  blobDb = db;
  blobStamp = changes;
  keptReads()[db].insert(this);
}

void LobLocator::closeBlob() {
  if (blob == nullptr) return;
  sqlite3_blob_close(blob);
  blob = nullptr;
  auto it = keptReads().find(blobDb);
  if (it == keptReads().end()) return;
  it->second.erase(this);
  if (it->second.empty()) keptReads().erase(it);
}

void closeLobReads(sqlite3* db) {
  const auto it = keptReads().find(db);
  if (it == keptReads().end()) return;
  const std::set<LobLocator*> locators = it->second;
  for (LobLocator* locator : locators) locator->closeBlob();
}

void LobLocator::assignFrom(const LobLocator& source) {
  closeBlob();
  kind = source.kind;
  lobType = source.lobType;
  charsetForm = source.charsetForm;
  connection = source.connection;
  table = source.table;
  column = source.column;
  rowid = source.rowid;
  temporaryId = source.temporaryId;
  copy = source.copy;
  directory = source.directory;
  fileName = source.fileName;
  fileOpen = false;
  stamp = -1;
}

int liveLobLocators() {
  return liveLocators;
}

std::unique_ptr<Handle> makeLobLocator(ub4 type, Handle* parent) {
  return std::make_unique<LobLocator>(type, parent);
}

std::string bfileValue(const std::string& directory, const std::string& name) {
  return directory + "/" + name;
}

bool parseBfileValue(const std::string& value, std::string& directory, std::string& name) {
  const auto slash = value.find('/');
  if (slash == std::string::npos) return false;
  directory = value.substr(0, slash);
  name = value.substr(slash + 1);
  return true;
}

bool fetchLobColumn(StmtHandle& stmt, int column, ub2 dataType, const void* element, sb4 size,
                    bool& isNull, OraError& error) {
  LobLocator* locator = locatorIn(element, size < 0 ? 0 : static_cast<std::size_t>(size));
  const bool file = dataType == SQLT_BFILEE;
  if (locator == nullptr || (locator->type == OCI_DTYPE_FILE) != file) {
    error = {kInconsistentTypes, "inconsistent datatypes: no LOB locator"};
    return false;
  }
  sqlite3_stmt* s = stmt.sqlite;
  LobLocator fresh(locator->type, nullptr);
  fresh.lobType = dataType;
  fresh.connection = stmt.connection;
  const StmtHandle::LazyLob* lazy = lazyLobAt(stmt, column);
  if (lazy != nullptr) {  // typeof(column): the value itself stays unread
    const auto* kind = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
    isNull = kind == nullptr || std::string_view(kind) == "null";
    fresh.charsetForm = lazy->info.charsetForm == SQLCS_NCHAR ? SQLCS_NCHAR : SQLCS_IMPLICIT;
    if (!isNull) {
      fresh.kind = LobLocator::Kind::kPersistent;
      fresh.table = lazy->table;
      fresh.column = lazy->column;
      fresh.rowid = sqlite3_column_int64(s, static_cast<int>(stmt.columns.size()));
    }
    locator->assignFrom(fresh);
    return true;
  }
  isNull = sqlite3_column_type(s, column) == SQLITE_NULL;
  const ColumnInfo& info = stmt.columns[static_cast<std::size_t>(column)];
  fresh.charsetForm = info.charsetForm == SQLCS_NCHAR ? SQLCS_NCHAR : SQLCS_IMPLICIT;
  if (!isNull && file) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
    if (!parseBfileValue(text != nullptr ? text : "", fresh.directory, fresh.fileName)) {
      error = {kInconsistentTypes, "inconsistent datatypes: the value names no file"};
      return false;
    }
    fresh.kind = LobLocator::Kind::kFile;
  } else if (!isNull) {
    const char* table = sqlite3_column_table_name(s, column);
    const char* origin = sqlite3_column_origin_name(s, column);
    const int hidden = static_cast<int>(stmt.columns.size());
    const bool rowKnown = table != nullptr && origin != nullptr &&
                          !stmt.rewritten.hiddenRowidTable.empty() &&
                          platform::UpperAscii(table) == stmt.rewritten.hiddenRowidTable &&
                          sqlite3_column_type(s, hidden) == SQLITE_INTEGER;
    if (rowKnown) {
      fresh.kind = LobLocator::Kind::kPersistent;
      fresh.table = table;
      fresh.column = origin;
      fresh.rowid = sqlite3_column_int64(s, hidden);
    } else {
      fresh.kind = LobLocator::Kind::kCopy;
      const auto* bytes = static_cast<const char*>(sqlite3_column_blob(s, column));
      fresh.copy.assign(bytes != nullptr ? bytes : "",
                        static_cast<std::size_t>(sqlite3_column_bytes(s, column)));
    }
  }
  locator->assignFrom(fresh);
  return true;
}

bool lobBindValue(const char* element, ub4 size, BindValue& out, OraError& error) {
  LobLocator* locator = locatorIn(element, size);
  if (locator == nullptr) {
    error = {kInconsistentTypes, "inconsistent datatypes: no LOB locator"};
    return false;
  }
  if (locator->kind == LobLocator::Kind::kUninitialised) return true;  // NULL
  if (!loadLob(*locator, out.bytes, error)) return false;
  out.kind = locator->lobType == SQLT_BLOB     ? BindValue::Kind::kBlob
             : locator->lobType == SQLT_BFILEE ? BindValue::Kind::kText
                                               : BindValue::Kind::kText;
  if (locator->lobType == SQLT_BFILEE)
    out.bytes = bfileValue(locator->directory, locator->fileName);
  return true;
}

std::vector<StmtHandle::LazyLob> tableLobColumns(sqlite3* db, sqlite3_stmt* stmt,
                                                 const std::string& table) {
  std::vector<StmtHandle::LazyLob> lazy;
  const std::vector<ColumnInfo> infos = describeColumns(db, stmt, false);
  for (int i = 0; i < sqlite3_column_count(stmt) && i < static_cast<int>(infos.size()); ++i) {
    const ub2 type = declaredLobType(sqlite3_column_decltype(stmt, i));
    const char* owner = sqlite3_column_table_name(stmt, i);
    const char* origin = sqlite3_column_origin_name(stmt, i);
    if ((type == SQLT_CLOB || type == SQLT_BLOB) && owner != nullptr && origin != nullptr &&
        platform::UpperAscii(owner) == table)
      lazy.push_back(
          {static_cast<std::size_t>(i), infos[static_cast<std::size_t>(i)], owner, origin});
  }
  return lazy;
}

const StmtHandle::LazyLob* lazyLobAt(const StmtHandle& stmt, int column) {
  for (const auto& lazy : stmt.lazyLobs)
    if (lazy.position == static_cast<std::size_t>(column)) return &lazy;
  return nullptr;
}

sqlite3_stmt* lazyLobValue(const StmtHandle& stmt, const StmtHandle::LazyLob& lazy) {
  const int hidden = static_cast<int>(stmt.columns.size());
  const std::string sql =
      "SELECT \"" + lazy.column + "\" FROM \"" + lazy.table + "\" WHERE rowid = ?1";
  sqlite3_stmt* value = nullptr;
  if (sqlite3_prepare_v2(stmt.connection->db, sql.c_str(), -1, &value, nullptr) != SQLITE_OK ||
      (sqlite3_bind_int64(value, 1, sqlite3_column_int64(stmt.sqlite, hidden)),
       sqlite3_step(value) != SQLITE_ROW)) {
    sqlite3_finalize(value);
    return nullptr;
  }
  return value;
}

bool selectsTableLob(sqlite3_stmt* stmt) {
  const int count = sqlite3_column_count(stmt);
  for (int i = 0; i < count; ++i) {
    const ub2 type = declaredLobType(sqlite3_column_decltype(stmt, i));
    if ((type == SQLT_CLOB || type == SQLT_BLOB) && sqlite3_column_table_name(stmt, i) != nullptr)
      return true;
  }
  return false;
}

bool registerLobFunctions(sqlite3* db, OraError& error) {
  const bool ok =
      sqlite3_create_function_v2(db, "empty_clob", 0, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                 emptyClobFn, nullptr, nullptr, nullptr) == SQLITE_OK &&
      sqlite3_create_function_v2(db, "empty_blob", 0, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                 emptyBlobFn, nullptr, nullptr, nullptr) == SQLITE_OK &&
      sqlite3_create_function_v2(db, "bfilename", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                 bfilenameFn, nullptr, nullptr, nullptr) == SQLITE_OK;
  if (!ok) error = {kInternalError, "cannot register the LOB functions"};
  return ok;
}

}  // namespace ocistandin

extern "C" {

int ociStandin_LiveLobLocators(void) {
  return ocistandin::liveLobLocators();
}

int ociStandin_LiveTemporaryLobs(void) {
  return ocistandin::liveTemporaryLobs();
}

}  // extern "C"
