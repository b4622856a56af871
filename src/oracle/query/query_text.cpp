#include "oracle/query/query_text.h"

#include <vector>

#include "oracle/values/sql_scanner.h"

namespace oracle {

std::string SubstituteVariables(
    std::string_view sql,
    const std::function<std::optional<std::string>(std::string_view)>& substitute) {
  std::string text(sql);
  const std::vector<TBindOccurrence> occurrences = FindBindVariables(sql);
  for (auto it = occurrences.rbegin(); it != occurrences.rend(); ++it) {
    if (std::optional<std::string> value = substitute(it->name)) {
      text.replace(it->position, it->length, *value);
    }
  }
  return text;
}

std::string RemoveCarriageReturns(std::string_view sql) {
  if (sql.find('\r') == std::string_view::npos) return std::string(sql);
  const std::vector<SqlTextState> states = ScanSqlText(sql);
  std::string text;
  text.reserve(sql.size());
  for (std::size_t i = 0; i < sql.size(); ++i) {
    const bool quoted =
        states[i] == SqlTextState::QuotedString || states[i] == SqlTextState::QuotedIdentifier;
    if (sql[i] != '\r' || quoted) text += sql[i];
  }
  return text;
}

int32_t SQLTypeFromStatementType(uint16_t statementType) {
  switch (statementType) {
    case 1:
      return sqltype::Select;
    case 2:
      return sqltype::Update;
    case 3:
      return sqltype::Delete;
    case 4:
      return sqltype::Insert;
    case 8:  // BEGIN
    case 9:  // DECLARE
      return sqltype::PLSQLBlock;
    default:
      return sqltype::Other;
  }
}

bool IsReusableSQLType(int32_t sqlType) {
  switch (sqlType) {
    case 3:
    case 4:
    case 5:
    case 9:
    case 33:
    case 34:
    case 35:
    case 54:
    case 55:
    case 56:
      return true;
    default:
      return false;
  }
}

TTextPosition TextPositionOfOffset(std::string_view text, std::size_t offset) {
  if (offset > text.size()) offset = text.size();
  TTextPosition result{1, 1};
  std::size_t lineStart = 0;
  for (std::size_t i = 0; i < offset; ++i) {
    if (text[i] == '\n') {
      ++result.line;
      lineStart = i + 1;
    }
  }
  result.position = static_cast<int32_t>(offset - lineStart) + 1;
  return result;
}

}  // namespace oracle
