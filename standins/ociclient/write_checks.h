// Oracle's checks of written values that SQLite does not make: a text or raw
// value longer than its column's declared size is refused with ORA-12899
// (counted in characters for a column of character semantics or a national
// column, else in bytes), and a text that is no number written to a number
// column with ORA-01722.
#pragma once

#include <sqlite3.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "errors.h"

namespace ocistandin {

class WriteChecks {
 public:
  WriteChecks() = default;
  ~WriteChecks();
  WriteChecks(const WriteChecks&) = delete;
  WriteChecks& operator=(const WriteChecks&) = delete;

  // Checks the listed rows (table upper case, rowid) as they now stand.
  // False with `error` set at the first value Oracle would have refused;
  // `owner` is the schema named in the message.
  bool check(sqlite3* db, const std::vector<std::pair<std::string, sqlite3_int64>>& rows,
             const std::string& owner, OraError& error);
  // Forgets the tables' rules and their statements (before the database closes).
  void clear();

 private:
  enum class Kind { kText, kRaw, kNumber };
  struct Column {
    std::string name;  // as declared
    Kind kind;
    int limit;        // largest length allowed (text and raw)
    bool characters;  // the length counts characters, not bytes
  };
  struct Table {
    std::vector<Column> columns;
    sqlite3_stmt* select = nullptr;  // the checked columns of the row ?1
  };

  // The rules of `table`, read from its declaration once per schema version.
  Table* rulesOf(sqlite3* db, const std::string& table);
  bool schemaChanged(sqlite3* db);

  std::map<std::string, Table> tables_;
  sqlite3_stmt* schemaVersion_ = nullptr;
  int knownVersion_ = -1;
};

}  // namespace ocistandin
