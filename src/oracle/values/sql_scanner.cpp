#include "oracle/values/sql_scanner.h"
#include "platform/text.h"

namespace oracle {
namespace {

bool IsNameChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '_' ||
         u == '$' || u == '#' || u >= 0x80;
}

}  // namespace

std::vector<SqlTextState> ScanSqlText(std::string_view sql) {
  std::vector<SqlTextState> states(sql.size(), SqlTextState::Normal);
  SqlTextState state = SqlTextState::Normal;
  for (std::size_t i = 0; i < sql.size(); ++i) {
    const char c = sql[i];
    const char next = i + 1 < sql.size() ? sql[i + 1] : '\0';
    switch (state) {
      case SqlTextState::Normal:
        if (c == '\'') {
          state = SqlTextState::QuotedString;
        } else if (c == '"') {
          state = SqlTextState::QuotedIdentifier;
        } else if (c == '-' && next == '-') {
          state = SqlTextState::LineComment;
          states[i++] = state;
        } else if (c == '/' && next == '*') {
          state = SqlTextState::BlockComment;
          states[i++] = state;
        }
        states[i] = state;
        break;
      case SqlTextState::QuotedString:
      case SqlTextState::QuotedIdentifier:
        states[i] = state;
        if (c == (state == SqlTextState::QuotedString ? '\'' : '"')) state = SqlTextState::Normal;
        break;
      case SqlTextState::LineComment:
        if (c == '\n' || c == '\r') {
          state = SqlTextState::Normal;
        }
        states[i] = state;
        break;
      case SqlTextState::BlockComment:
        states[i] = state;
        if (c == '*' && next == '/') {
          states[++i] = state;
          state = SqlTextState::Normal;
        }
        break;
    }
  }
  return states;
}

std::vector<TBindOccurrence> FindBindVariables(std::string_view sql) {
  const std::vector<SqlTextState> states = ScanSqlText(sql);
  std::vector<TBindOccurrence> binds;
  for (std::size_t i = 0; i < sql.size(); ++i) {
    if (sql[i] != ':' || states[i] != SqlTextState::Normal) continue;
    std::size_t end = i + 1;
    while (end < sql.size() && states[end] == SqlTextState::Normal && IsNameChar(sql[end])) ++end;
    if (end == i + 1) continue;
    binds.push_back({std::string(sql.substr(i + 1, end - i - 1)), i, end - i});
    i = end - 1;
  }
  return binds;
}

std::vector<std::string> SplitSqlStatements(std::string_view sql, char separator) {
  const std::vector<SqlTextState> states = ScanSqlText(sql);
  std::vector<std::string> statements;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= sql.size(); ++i) {
    if (i < sql.size() && (sql[i] != separator || states[i] != SqlTextState::Normal)) continue;
    std::string statement(platform::Trim(sql.substr(start, i - start), " \t\r\n\f"));
    if (!statement.empty()) statements.push_back(std::move(statement));
    start = i + 1;
  }
  return statements;
}

}  // namespace oracle
