#include "write_checks.h"

#include <set>

#include "sql_tokens.h"
#include "statement.h"

#include "platform/text.h"

namespace ocistandin {
namespace {

using platform::UpperAscii;

// The type name of a declaration without its size ("NUMBER(5,2)" -> "NUMBER").
std::string baseType(const std::string& declared) {
  std::string base = UpperAscii(declared.substr(0, declared.find('(')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  return base;
}

bool isNumberType(const std::string& base) {
  static const std::set<std::string> names = {
      "NUMBER", "NUMERIC",          "DECIMAL", "INTEGER",       "INT",         "SMALLINT",
      "FLOAT",  "DOUBLE PRECISION", "REAL",    "BINARY_DOUBLE", "BINARY_FLOAT"};
  return names.count(base) != 0;
}

std::string quoted(const std::string& name) {
  std::string out = "\"";
  for (char c : name) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

std::size_t characterCount(const unsigned char* text, int bytes) {
  std::size_t count = 0;
  for (int i = 0; i < bytes; ++i)
    if ((text[i] & 0xC0) != 0x80) ++count;
  return count;
}

}  // namespace

WriteChecks::~WriteChecks() {
  clear();
}

void WriteChecks::clear() {
  for (auto& [name, table] : tables_) sqlite3_finalize(table.select);
  tables_.clear();
  sqlite3_finalize(schemaVersion_);
  schemaVersion_ = nullptr;
  knownVersion_ = -1;
}

bool WriteChecks::schemaChanged(sqlite3* db) {
  if (schemaVersion_ == nullptr && sqlite3_prepare_v2(db, "PRAGMA main.schema_version", -1,
                                                      &schemaVersion_, nullptr) != SQLITE_OK)
    return true;
  int version = -1;
  if (sqlite3_step(schemaVersion_) == SQLITE_ROW) version = sqlite3_column_int(schemaVersion_, 0);
  sqlite3_reset(schemaVersion_);
  if (version == knownVersion_) return false;
  for (auto& [name, table] : tables_) sqlite3_finalize(table.select);
  tables_.clear();
  knownVersion_ = version;
  return true;
}

WriteChecks::Table* WriteChecks::rulesOf(sqlite3* db, const std::string& table) {
  schemaChanged(db);
  if (auto it = tables_.find(table); it != tables_.end()) return &it->second;
  Table rules;
  sqlite3_stmt* info = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT name, type FROM pragma_table_info(?1, 'main')", -1, &info,
                         nullptr) == SQLITE_OK) {
    sqlite3_bind_text(info, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(info) == SQLITE_ROW) {
      const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(info, 0));
      const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(info, 1));
      if (name == nullptr || type == nullptr) continue;
      const std::string declared = type;
      const std::string base = baseType(declared);
      const ColumnInfo column = columnTypeFromDeclaration(declared);
      const bool sized = declared.find('(') != std::string::npos;
      if (isNumberType(base)) {
        rules.columns.push_back({name, Kind::kNumber, 0, false});
      } else if (sized && (column.dataType == SQLT_CHR || column.dataType == SQLT_AFC)) {
        rules.columns.push_back({name, Kind::kText, column.charSize,
                                 column.charUsed || column.charsetForm == SQLCS_NCHAR});
      } else if (sized && column.dataType == SQLT_BIN) {
        rules.columns.push_back({name, Kind::kRaw, column.dataSize, false});
      }
    }
  }
  sqlite3_finalize(info);
  if (!rules.columns.empty()) {
    std::string sql = "SELECT ";
    for (std::size_t i = 0; i < rules.columns.size(); ++i)
      sql += (i > 0 ? ", " : "") + quoted(rules.columns[i].name);
    sql += " FROM main." + quoted(table) + " WHERE rowid = ?1";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &rules.select, nullptr) != SQLITE_OK) {
      sqlite3_finalize(rules.select);
      rules.select = nullptr;
    }
  }
  return &tables_.emplace(table, std::move(rules)).first->second;
}

bool WriteChecks::check(sqlite3* db, const std::vector<std::pair<std::string, sqlite3_int64>>& rows,
                        const std::string& owner, OraError& error) {
  for (const auto& [tableName, rowid] : rows) {
    Table* table = rulesOf(db, tableName);
    if (table->select == nullptr) continue;
    sqlite3_stmt* select = table->select;
    sqlite3_bind_int64(select, 1, rowid);
    bool ok = true;
    if (sqlite3_step(select) == SQLITE_ROW) {
      for (std::size_t i = 0; i < table->columns.size() && ok; ++i) {
        const Column& column = table->columns[i];
        const int col = static_cast<int>(i);
        const int type = sqlite3_column_type(select, col);
        if (type == SQLITE_NULL) continue;
        if (column.kind == Kind::kNumber) {
          if (type == SQLITE_TEXT || type == SQLITE_BLOB) {
            error = {kInvalidNumber, standardText(kInvalidNumber)};
            ok = false;
          }
          continue;
        }
        const auto* bytes = static_cast<const unsigned char*>(sqlite3_column_blob(select, col));
        const int size = sqlite3_column_bytes(select, col);
        const std::size_t actual =
            column.characters ? characterCount(bytes, size) : static_cast<std::size_t>(size);
        if (actual > static_cast<std::size_t>(column.limit)) {
          error = {kValueTooLarge, "value too large for column " + quoted(UpperAscii(owner)) + "." +
                                       quoted(tableName) + "." + quoted(UpperAscii(column.name)) +
                                       " (actual: " + std::to_string(actual) +
                                       ", maximum: " + std::to_string(column.limit) + ")"};
          ok = false;
        }
      }
    }
    sqlite3_reset(select);
    if (!ok) return false;
  }
  return true;
}

}  // namespace ocistandin
