#include "error_mapping.h"

#include <cctype>
#include <cstdlib>

#include "platform/text.h"

namespace ocistandin {
namespace {

bool startsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

std::string after(const std::string& s, const std::string& prefix) {
  return s.substr(prefix.size());
}

// "a.col" -> "A"."COL"
std::string quotedPath(const std::string& dotted) {
  std::string out, part;
  for (char c : dotted + ".") {
    if (c == '.') {
      if (!out.empty()) out += '.';
      out += "\"" + platform::UpperAscii(part) + "\"";
      part.clear();
    } else {
      part += c;
    }
  }
  return out;
}

// "t.a, t.b" -> "T_A_B"
std::string constraintName(const std::string& columns) {
  std::string table, name;
  size_t pos = 0;
  while (pos < columns.size()) {
    size_t comma = columns.find(',', pos);
    if (comma == std::string::npos) comma = columns.size();
    std::string item = columns.substr(pos, comma - pos);
    while (!item.empty() && item.front() == ' ') item.erase(0, 1);
    const size_t dot = item.find('.');
    if (dot != std::string::npos) {
      if (table.empty()) table = item.substr(0, dot);
      item = item.substr(dot + 1);
    }
    name += "_" + item;
    pos = comma + 1;
  }
  return platform::UpperAscii(table + name);
}

}  // namespace

OraError mapSqliteMessage(int rc, const std::string& message, bool syntaxAtStart,
                          const std::string& owner) {
  const int primary = rc & 0xff;
  if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
    return {kResourceBusy, standardText(kResourceBusy)};
  if (startsWith(message, "ORA-") && message.size() > 10 && message[9] == ':') {
    const sb4 code = static_cast<sb4>(std::atoi(message.substr(4, 5).c_str()));
    return {code, message.substr(11)};
  }
  if (startsWith(message, "no such table: ")) return {kTableNotFound, standardText(kTableNotFound)};
  if (startsWith(message, "no such column: "))
    return {kInvalidIdentifier,
            quotedPath(after(message, "no such column: ")) + ": invalid identifier"};
  if (startsWith(message, "no such function: "))
    return {kInvalidIdentifier, "\"" + platform::UpperAscii(after(message, "no such function: ")) +
                                    "\": invalid identifier"};
  if (startsWith(message, "UNIQUE constraint failed: ") ||
      startsWith(message, "PRIMARY KEY constraint failed: ")) {
    const std::string columns = message.substr(message.find(": ") + 2);
    return {kUniqueViolated, "unique constraint (" + platform::UpperAscii(owner) + "." +
                                 constraintName(columns) + ") violated"};
  }
  if (startsWith(message, "NOT NULL constraint failed: ")) {
    const std::string column = after(message, "NOT NULL constraint failed: ");
    return {kCannotInsertNull, "cannot insert NULL into (\"" + platform::UpperAscii(owner) + "\"." +
                                   quotedPath(column) + ")"};
  }
  if (startsWith(message, "CHECK constraint failed: "))
    return {2290, "check constraint (" + platform::UpperAscii(owner) + "." +
                      platform::UpperAscii(after(message, "CHECK constraint failed: ")) +
                      ") violated"};
  if (startsWith(message, "FOREIGN KEY constraint failed"))
    return {2291, "integrity constraint violated - parent key not found"};
  if (startsWith(message, "ambiguous column name: ")) return {918, "column ambiguously defined"};
  if (startsWith(message, "wrong number of arguments to function "))
    return {909, "invalid number of arguments"};
  if (message.find("already exists") != std::string::npos)
    return {955, "name is already used by an existing object"};
  if (message.find("syntax error") != std::string::npos || message == "incomplete input" ||
      startsWith(message, "unrecognized token")) {
    return syntaxAtStart ? OraError{kInvalidSqlStatement, standardText(kInvalidSqlStatement)}
                         : OraError{kNotProperlyEnded, standardText(kNotProperlyEnded)};
  }
  if (message == "datatype mismatch") return {kInconsistentTypes, standardText(kInconsistentTypes)};
  if (primary == SQLITE_READONLY) return {16000, "database open for read-only access"};
  if (primary == SQLITE_INTERRUPT) return {1013, "user requested cancel of current operation"};
  return {kInternalError,
          "internal error code, arguments: [sqlite" + std::to_string(rc) + "], [" + message + "]"};
}

OraError mapSqliteError(sqlite3* db, int rc, const std::string& owner) {
  const std::string message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  bool atStart = false;
  if (db != nullptr) atStart = sqlite3_error_offset(db) == 0;
  return mapSqliteMessage(rc, message, atStart, owner);
}

}  // namespace ocistandin
