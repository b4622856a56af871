#pragma once
// Splits the top level of a SELECT text into its clauses and its FROM items.
// Words inside string literals, quoted names, comments and parentheses never
// count; each part is kept byte for byte (less the blanks around it).

#include <string>
#include <string_view>
#include <vector>

namespace oracle {

struct TFromItem {
  std::string text;   // the item as written
  std::string table;  // upper case without double quotes; an inline view
                      // gives the table of its own FROM, "TABLE(...)" stays
  std::string alias;  // as written after the table, upper case; empty when none
  bool inlineView = false;
};

struct TSelectParts {
  std::string selectList, from, where, groupBy, having, orderBy, forUpdate;
  std::vector<TFromItem> fromItems;
  // Where each clause's keyword begins in the text; npos when it is absent.
  std::size_t whereAt = std::string::npos, groupByAt = std::string::npos,
              havingAt = std::string::npos, orderByAt = std::string::npos,
              forUpdateAt = std::string::npos;
};

// False when `sql` does not begin with SELECT (or WITH).
bool SplitSelect(std::string_view sql, TSelectParts& parts);

}  // namespace oracle
