#pragma once
// Text work of a query before its statement goes to the server: substitution
// variables, carriage-return removal, the statement kind, and turning a parse
// error offset into a line and a position.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace oracle {

// Statement kinds (`SQLType`), numbered as the server's SQL function codes.
namespace sqltype {
inline constexpr int32_t NotParsed = 0;
inline constexpr int32_t Insert = 3;
inline constexpr int32_t Select = 4;
inline constexpr int32_t Update = 5;
inline constexpr int32_t Delete = 9;
inline constexpr int32_t PLSQLBlock = 34;
inline constexpr int32_t Other = -1;
}  // namespace sqltype

// Replaces each ":name" of plain text (not inside literals or comments) for
// which `substitute` gives a value with that value, colon included; other
// occurrences stay for binding. Occurrences are replaced from the last to the
// first, so positions of earlier ones stay valid.
std::string SubstituteVariables(
    std::string_view sql,
    const std::function<std::optional<std::string>(std::string_view)>& substitute);

// Removes every carriage return outside quoted strings and quoted
// identifiers; a line end inside a literal is part of its value and stays.
std::string RemoveCarriageReturns(std::string_view sql);

// The statement kind for an OCI statement type (OCI_ATTR_STMT_TYPE).
int32_t SQLTypeFromStatementType(uint16_t statementType);

// Kinds whose prepared statement may be executed again without parsing.
bool IsReusableSQLType(int32_t sqlType);

struct TTextPosition {
  int32_t line = 0;      // 1-based; 0 when unknown
  int32_t position = 0;  // 1-based column in that line; 0 when unknown
};

// Line and position of byte `offset` of `text`, lines separated by line feeds.
// An offset past the end counts as the end of the text.
TTextPosition TextPositionOfOffset(std::string_view text, std::size_t offset);

}  // namespace oracle
