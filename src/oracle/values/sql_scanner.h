#pragma once
// Scanning of SQL and PL/SQL text: which characters are plain text and which
// lie inside quoted strings, quoted identifiers or comments. Bind variables and
// statement separators are only recognised in plain text.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace oracle {

enum class SqlTextState {
  Normal,            // plain text
  QuotedString,      // '...'
  QuotedIdentifier,  // "..."
  LineComment,       // -- up to the end of the line
  BlockComment,      // slash-asterisk up to asterisk-slash
};

// The state of every byte of `sql`; the delimiters of a quote or comment
// belong to it (the opening and closing quote, the "--", the line end stays
// Normal, both characters of the block comment markers).
std::vector<SqlTextState> ScanSqlText(std::string_view sql);

struct TBindOccurrence {
  std::string name;      // as written, without the colon
  std::size_t position;  // byte offset of the colon
  std::size_t length;    // bytes of the colon and the name
};

// Every ":name" in plain text, in text order. A name is a run of letters,
// digits, "_", "$", "#" and non-ASCII bytes directly after the colon; ":="
// and a colon followed by anything else are not binds.
std::vector<TBindOccurrence> FindBindVariables(std::string_view sql);

// Splits at `separator` characters in plain text; each statement is trimmed of
// surrounding white space and empty ones are dropped.
std::vector<std::string> SplitSqlStatements(std::string_view sql, char separator = ';');

}  // namespace oracle
