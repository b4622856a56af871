#include "oracle/query/select_splitter.h"

#include <cctype>

#include "oracle/values/sql_scanner.h"
#include "platform/text.h"

namespace oracle {
namespace {

bool IsWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#' ||
         static_cast<unsigned char>(c) >= 128;
}

std::string Trimmed(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t\r\n");
  return std::string(s.substr(first, last - first + 1));
}

// A word of plain text at the top level, with its place.
struct TWord {
  std::string upper;
  std::size_t begin, end;
};

std::vector<TWord> TopLevelWords(std::string_view sql) {
  const std::vector<SqlTextState> states = ScanSqlText(sql);
  std::vector<TWord> words;
  int depth = 0;
  for (std::size_t i = 0; i < sql.size();) {
    if (states[i] != SqlTextState::Normal) {
      ++i;
      continue;
    }
    if (sql[i] == '(') ++depth;
    if (sql[i] == ')') --depth;
    if (!IsWordChar(sql[i])) {
      ++i;
      continue;
    }
    const std::size_t begin = i;
    while (i < sql.size() && states[i] == SqlTextState::Normal && IsWordChar(sql[i])) ++i;
    if (depth == 0) words.push_back({platform::UpperAscii(sql.substr(begin, i - begin)), begin, i});
  }
  return words;
}

// Splits at commas of plain text outside parentheses.
std::vector<std::string> SplitItems(std::string_view text) {
  const std::vector<SqlTextState> states = ScanSqlText(text);
  std::vector<std::string> items;
  int depth = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const bool plain = i < text.size() && states[i] == SqlTextState::Normal;
    if (plain && text[i] == '(') ++depth;
    if (plain && text[i] == ')') --depth;
    if (i == text.size() || (plain && depth == 0 && text[i] == ',')) {
      const std::string item = Trimmed(text.substr(start, i - start));
      if (!item.empty()) items.push_back(item);
      start = i + 1;
    }
  }
  return items;
}

// The end of the parenthesised text that starts at `open`, past its ")".
std::size_t ClosingEnd(std::string_view text, std::size_t open) {
  const std::vector<SqlTextState> states = ScanSqlText(text);
  int depth = 0;
  for (std::size_t i = open; i < text.size(); ++i) {
    if (states[i] != SqlTextState::Normal) continue;
    if (text[i] == '(') ++depth;
    if (text[i] == ')' && --depth == 0) return i + 1;
  }
  return text.size();
}

bool IsClauseWord(const std::string& word) {
  for (const char* w : {"WHERE", "ORDER", "GROUP",     "FOR",  "START", "CONNECT",   "HAVING",
                        "UNION", "MINUS", "INTERSECT", "JOIN", "INNER", "LEFT",      "RIGHT",
                        "FULL",  "CROSS", "NATURAL",   "ON",   "USING", "PARTITION", "SAMPLE"})
    if (word == w) return true;
  return false;
}

TFromItem ReadFromItem(const std::string& text) {
  TFromItem item;
  item.text = text;
  std::size_t at = 0;
  if (text[0] == '(') {
    item.inlineView = true;
    at = ClosingEnd(text, 0);
    TSelectParts inner;
    const std::string body = text.substr(1, at > 1 ? at - 2 : 0);
    if (SplitSelect(body, inner) && !inner.fromItems.empty()) item.table = inner.fromItems[0].table;
  } else {
    // A dotted name of plain and quoted parts, or TABLE(...) / THE(...).
    while (at < text.size() && (IsWordChar(text[at]) || text[at] == '.' || text[at] == '"')) {
      if (text[at] == '"') {
        const std::size_t close = text.find('"', at + 1);
        at = close == std::string::npos ? text.size() : close + 1;
      } else {
        ++at;
      }
    }
    std::string name = text.substr(0, at);
    const std::string upper = platform::UpperAscii(name);
    std::size_t open = at;
    while (open < text.size() && std::isspace(static_cast<unsigned char>(text[open]))) ++open;
    if ((upper == "TABLE" || upper == "THE") && open < text.size() && text[open] == '(') {
      at = ClosingEnd(text, open);
      item.table = upper + text.substr(open, at - open);
    } else {
      std::string unquoted;
      for (char c : upper)
        if (c != '"') unquoted += c;
      item.table = unquoted;
    }
  }
  std::string rest = Trimmed(std::string_view(text).substr(at));
  if (rest.size() > 3 && platform::UpperAscii(rest.substr(0, 3)) == "AS ")
    rest = Trimmed(rest.substr(3));
  std::size_t end = 0;
  if (!rest.empty() && rest[0] == '"') {
    const std::size_t close = rest.find('"', 1);
    end = close == std::string::npos ? rest.size() : close + 1;
  } else {
    while (end < rest.size() && IsWordChar(rest[end])) ++end;
  }
  const std::string alias = platform::UpperAscii(rest.substr(0, end));
  if (!IsClauseWord(alias)) item.alias = alias;
  return item;
}

}  // namespace

bool SplitSelect(std::string_view sql, TSelectParts& parts) {
  parts = TSelectParts{};
  const std::vector<TWord> words = TopLevelWords(sql);
  if (words.empty() || (words[0].upper != "SELECT" && words[0].upper != "WITH")) return false;
  // The first top-level SELECT (after a WITH list) begins the select list.
  std::size_t k = 0;
  while (k < words.size() && words[k].upper != "SELECT") ++k;
  if (k == words.size()) return false;
  struct TClause {
    std::string* part;
    std::size_t begin;  // of the clause's text
    std::size_t keyword;
  };
  std::vector<TClause> clauses{{&parts.selectList, words[k].end, words[k].begin}};
  for (std::size_t i = k + 1; i < words.size(); ++i) {
    const std::string& w = words[i].upper;
    const bool by = i + 1 < words.size() && words[i + 1].upper == "BY";
    std::string* part = nullptr;
    std::size_t* at = nullptr;
    std::size_t begin = words[i].end;
    if (w == "FROM" && parts.from.empty() && clauses.size() == 1) part = &parts.from;
    if (w == "WHERE") {
      part = &parts.where;
      at = &parts.whereAt;
    }
    if (w == "HAVING") {
      part = &parts.having;
      at = &parts.havingAt;
    }
    if ((w == "GROUP" || w == "ORDER") && by) {
      part = w == "GROUP" ? &parts.groupBy : &parts.orderBy;
      at = w == "GROUP" ? &parts.groupByAt : &parts.orderByAt;
      begin = words[i + 1].end;
    }
    if (w == "FOR" && i + 1 < words.size() && words[i + 1].upper == "UPDATE") {
      part = &parts.forUpdate;
      at = &parts.forUpdateAt;
      begin = words[i + 1].end;
    }
    if (at != nullptr) *at = words[i].begin;
    if (part != nullptr) clauses.push_back({part, begin, words[i].begin});
  }
  for (std::size_t c = 0; c < clauses.size(); ++c) {
    const std::size_t end = c + 1 < clauses.size() ? clauses[c + 1].keyword : sql.size();
    *clauses[c].part = Trimmed(sql.substr(clauses[c].begin, end - clauses[c].begin));
  }
  for (const std::string& item : SplitItems(parts.from))
    parts.fromItems.push_back(ReadFromItem(item));
  return true;
}

}  // namespace oracle
