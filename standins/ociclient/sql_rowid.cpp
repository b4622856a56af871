#include "sql_rowid.h"

#include <initializer_list>
#include <set>

#include "platform/text.h"

namespace ocistandin {

using namespace sqltokens;

namespace {

constexpr std::ptrdiff_t kTopLevel = -1;

// Paren depth of every token and the subquery it belongs to: the index of
// the "(" that opens it, kTopLevel outside any.
struct Nesting {
  std::vector<std::size_t> depth;
  std::vector<std::ptrdiff_t> block;
};

Nesting nestingOf(const std::vector<Token>& t) {
  Nesting n{std::vector<std::size_t>(t.size(), 0),
            std::vector<std::ptrdiff_t>(t.size(), kTopLevel)};
  std::vector<std::pair<std::size_t, bool>> open;  // "(" index, opens a subquery
  auto innermost = [&open] {
    for (auto it = open.rbegin(); it != open.rend(); ++it)
      if (it->second) return static_cast<std::ptrdiff_t>(it->first);
    return kTopLevel;
  };
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (isPunct(t, i, ")") && !open.empty()) open.pop_back();
    n.depth[i] = open.size();
    n.block[i] = innermost();
    if (isPunct(t, i, "(")) {
      const std::size_t next = nextSig(t, i);
      open.emplace_back(i, isWord(t, next, "SELECT") || isWord(t, next, "WITH"));
    }
  }
  return n;
}

// Paren depth of the clauses of a query block.
std::size_t blockDepth(const Nesting& n, std::ptrdiff_t block) {
  return block == kTopLevel ? 0 : n.depth[static_cast<std::size_t>(block)] + 1;
}

struct TableRef {
  std::string table;  // upper case; empty for an inline view
  std::string alias;  // upper case; empty when none
  std::size_t keyword;
  std::ptrdiff_t block;
};

std::string nameOf(const Token& tok) {
  if (tok.kind == Tok::kQuoted && tok.text.size() >= 2)
    return platform::UpperAscii(tok.text.substr(1, tok.text.size() - 2));
  return platform::UpperAscii(tok.text);
}

bool isName(const std::vector<Token>& t, std::size_t i) {
  return i < t.size() && (t[i].kind == Tok::kWord || t[i].kind == Tok::kQuoted);
}

bool isAlias(const std::vector<Token>& t, std::size_t i) {
  static const std::set<std::string> reserved = {
      "WHERE", "SET",       "ON",        "USING",   "JOIN",  "LEFT",   "RIGHT",   "INNER",
      "OUTER", "CROSS",     "FULL",      "NATURAL", "GROUP", "ORDER",  "HAVING",  "UNION",
      "MINUS", "INTERSECT", "EXCEPT",    "CONNECT", "START", "VALUES", "SELECT",  "FOR",
      "LIMIT", "WINDOW",    "RETURNING", "WITH",    "AND",   "OR",     "DEFAULT", "FROM"};
  if (!isName(t, i)) return false;
  return t[i].kind == Tok::kQuoted || reserved.count(platform::UpperAscii(t[i].text)) == 0;
}

// Reads one table reference starting at token i; returns the index of its
// last token.
std::size_t readTableRef(const std::vector<Token>& t, std::size_t i, std::size_t keyword,
                         const Nesting& n, std::vector<TableRef>& refs) {
  TableRef ref{{}, {}, keyword, n.block[keyword]};
  std::size_t last = i;
  if (isPunct(t, i, "(")) {
    int depth = 0;
    for (last = i; last < t.size(); ++last) {
      if (isPunct(t, last, "(")) ++depth;
      if (isPunct(t, last, ")") && --depth == 0) break;
    }
    if (last >= t.size()) return t.size();
  } else if (isName(t, i)) {
    ref.table = nameOf(t[i]);
    if (isPunct(t, nextSig(t, i), ".") && isName(t, nextSig(t, nextSig(t, i)))) {
      last = nextSig(t, nextSig(t, i));  // schema.table
      ref.table = nameOf(t[last]);
    }
  } else {
    return i;
  }
  std::size_t alias = nextSig(t, last);
  if (isWord(t, alias, "AS")) alias = nextSig(t, alias);
  if (isAlias(t, alias)) {
    ref.alias = nameOf(t[alias]);
    last = alias;
  }
  refs.push_back(std::move(ref));
  return last;
}

std::vector<TableRef> tableRefs(const std::vector<Token>& t, const Nesting& n) {
  std::vector<TableRef> refs;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i].kind != Tok::kWord) continue;
    const std::string word = platform::UpperAscii(t[i].text);
    if (word == "FROM") {
      // A FROM inside a function call (extract, trim) names no table.
      if (n.depth[i] != blockDepth(n, n.block[i])) continue;
      std::size_t last = readTableRef(t, nextSig(t, i), i, n, refs);
      while (last < t.size() && isPunct(t, nextSig(t, last), ","))
        last = readTableRef(t, nextSig(t, nextSig(t, last)), i, n, refs);
    } else if (word == "JOIN" || word == "UPDATE" || word == "INTO") {
      readTableRef(t, nextSig(t, i), i, n, refs);
    } else if (word == "DELETE" && !isWord(t, nextSig(t, i), "FROM")) {
      readTableRef(t, nextSig(t, i), i, n, refs);
    }
  }
  return refs;
}

// The SELECT, UPDATE or DELETE that opens the query block part holding token i.
std::size_t blockStart(const std::vector<Token>& t, const Nesting& n, std::size_t i) {
  const std::ptrdiff_t block = n.block[i];
  for (std::size_t k = i; k-- > 0;) {
    if (n.block[k] != block || n.depth[k] != blockDepth(n, block)) continue;
    if (isWord(t, k, "SELECT") || isWord(t, k, "UPDATE") || isWord(t, k, "DELETE")) return k;
  }
  return t.size();
}

// The table a ROWID reference (qualifier token or t.size()) at token i means.
std::string tableOf(const std::vector<Token>& t, const Nesting& n,
                    const std::vector<TableRef>& refs, std::size_t qualifier, std::size_t i) {
  if (qualifier < t.size()) {
    const std::string q = nameOf(t[qualifier]);
    for (int pass = 0; pass < 2; ++pass)
      for (const TableRef& ref : refs)
        if ((pass == 1 || ref.block == n.block[i]) &&
            (ref.alias == q || (ref.alias.empty() && ref.table == q)))
          return ref.table;
    return {};
  }
  const std::size_t start = blockStart(t, n, i);
  if (start >= t.size()) return {};
  for (const TableRef& ref : refs)
    if (ref.block == n.block[i] && ref.keyword >= start) return ref.table;
  return {};
}

// Whether the subquery opened at token `open` is a table of a FROM clause.
bool isInlineView(const std::vector<Token>& t, std::ptrdiff_t open) {
  const std::size_t before = prevSig(t, static_cast<std::size_t>(open));
  return isWord(t, before, "FROM") || isWord(t, before, "JOIN") || isPunct(t, before, ",");
}

std::string sqlLiteral(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

bool isComparison(const std::vector<Token>& t, std::size_t i) {
  for (const char* op : {"=", "<>", "!=", "<", ">", "<=", ">="})
    if (isPunct(t, i, op)) return true;
  return false;
}

bool isValue(const std::vector<Token>& t, std::size_t i) {
  return i < t.size() && (t[i].kind == Tok::kBind || t[i].kind == Tok::kString);
}

void wrapValue(Token& tok, const std::string& table) {
  tok.text = "ora_rowid_value(" + sqlLiteral(table) + ", " + tok.text + ")";
}

// Reads the values compared with the ROWID at tokens [s, r] as ROWID text.
void convertComparedValues(std::vector<Token>& t, std::size_t s, std::size_t r,
                           const std::string& table) {
  std::size_t next = nextSig(t, r);
  if (isComparison(t, next) && isValue(t, nextSig(t, next))) {
    wrapValue(t[nextSig(t, next)], table);
    return;
  }
  if (isWord(t, next, "NOT")) next = nextSig(t, next);
  if (isWord(t, next, "IN") && isPunct(t, nextSig(t, next), "(")) {
    for (std::size_t k = nextSig(t, nextSig(t, next)); k < t.size(); k = nextSig(t, k)) {
      if (isValue(t, k)) {
        wrapValue(t[k], table);
      } else if (!isPunct(t, k, ",")) {
        break;
      }
    }
    return;
  }
  const std::size_t before = prevSig(t, s);
  if (before < t.size() && isComparison(t, before) && isValue(t, prevSig(t, before)))
    wrapValue(t[prevSig(t, before)], table);
}

std::size_t firstSig(const std::vector<Token>& t) {
  return !t.empty() && significant(t[0]) ? 0 : nextSig(t, 0);
}

bool startsWithWord(const std::vector<Token>& t, std::initializer_list<const char*> words) {
  const std::size_t first = firstSig(t);
  for (const char* w : words)
    if (isWord(t, first, w)) return true;
  return isPunct(t, first, "(");
}

// The FROM that ends the select list opened by the SELECT at token k.
std::size_t selectListEnd(const std::vector<Token>& t, const Nesting& n, std::size_t k) {
  for (std::size_t i = k + 1; i < t.size(); ++i)
    if (n.block[i] == n.block[k] && n.depth[i] == n.depth[k] && isWord(t, i, "FROM")) return i;
  return t.size();
}

// Appends the rowid of the one table of a plain top-level select (of a
// join, of the table `lockedQualifier` names) as a hidden last column.
// Returns the table, or empty when the select does not qualify.
std::string addHiddenRowid(std::vector<Token>& t, const Nesting& n,
                           const std::vector<TableRef>& refs, const std::string& lockedQualifier) {
  const std::size_t select = firstSig(t);
  if (!isWord(t, select, "SELECT")) return {};
  const std::size_t afterSelect = nextSig(t, select);
  if (isWord(t, afterSelect, "DISTINCT") || isWord(t, afterSelect, "UNIQUE")) return {};
  const std::size_t from = selectListEnd(t, n, select);
  if (from >= t.size()) return {};
  static const std::set<std::string> aggregates = {"COUNT",  "SUM",         "MIN",      "MAX",
                                                   "AVG",    "STDDEV",      "VARIANCE", "LISTAGG",
                                                   "MEDIAN", "GROUP_CONCAT"};
  for (std::size_t i = select; i < from; ++i)
    if (t[i].kind == Tok::kWord && aggregates.count(platform::UpperAscii(t[i].text)) &&
        isPunct(t, nextSig(t, i), "("))
      return {};
  static const std::set<std::string> blockers = {"GROUP", "HAVING", "UNION",   "INTERSECT",
                                                 "MINUS", "EXCEPT", "CONNECT", "START"};
  bool joined = false;
  for (std::size_t i = from; i < t.size(); ++i) {
    if (n.block[i] != kTopLevel || t[i].kind != Tok::kWord) continue;
    if (blockers.count(platform::UpperAscii(t[i].text))) return {};
    joined = joined || isWord(t, i, "JOIN");
  }
  std::vector<const TableRef*> top;
  for (const TableRef& ref : refs)
    if (ref.block == kTopLevel && ref.keyword >= from) top.push_back(&ref);
  // A join locks the rows of the table its OF column belongs to.
  const TableRef* locked = top.size() == 1 && !joined ? top[0] : nullptr;
  const bool join = locked == nullptr;
  if (join && !lockedQualifier.empty())
    for (const TableRef* ref : top)
      if (ref->alias == lockedQualifier || (ref->alias.empty() && ref->table == lockedQualifier))
        locked = ref;
  if (locked == nullptr || locked->table.empty()) return {};
  const std::size_t last = prevSig(t, from);
  if (last >= t.size()) return {};
  t[last].text += join ? ", " + lockedQualifier + ".rowid" : ", rowid";
  return locked->table;
}

}  // namespace

RowidRewrite rewriteRowidReferences(std::vector<Token>& t, bool addHidden,
                                    const std::string& lockedQualifier) {
  RowidRewrite out;
  if (!startsWithWord(t, {"SELECT", "WITH", "INSERT", "UPDATE", "DELETE"})) return out;
  const Nesting n = nestingOf(t);
  const std::vector<TableRef> refs = tableRefs(t, n);
  if (startsWithWord(t, {"INSERT", "UPDATE", "DELETE"}))
    for (const TableRef& ref : refs)
      if (ref.block == kTopLevel) {
        out.targetTable = ref.table;
        break;
      }
  // The SELECT whose list names the statement's columns.
  std::size_t mainSelect = t.size();
  for (std::size_t i = 0; i < t.size() && mainSelect == t.size(); ++i)
    if (n.block[i] == kTopLevel && isWord(t, i, "SELECT")) mainSelect = i;

  for (std::size_t r = 0; r < t.size(); ++r) {
    if (!isWord(t, r, "ROWID") || isPunct(t, nextSig(t, r), "(")) continue;
    std::size_t s = r, qualifier = t.size();
    const std::size_t dot = prevSig(t, r);
    if (isPunct(t, dot, ".")) {
      qualifier = prevSig(t, dot);
      if (!isName(t, qualifier)) continue;
      s = qualifier;
    }
    const std::string table = tableOf(t, n, refs, qualifier, r);
    if (table.empty()) continue;
    const std::size_t start = blockStart(t, n, r);
    const bool inSelectList =
        start < t.size() && isWord(t, start, "SELECT") && selectListEnd(t, n, start) > r;
    if (!inSelectList) {
      convertComparedValues(t, s, r, table);
      continue;
    }
    // A subquery's ROWIDs stay SQLite rowids, to be compared with the outer
    // query's ("rowid in (select rowid ...)"); an inline view's reach the
    // caller.
    if (n.block[r] != kTopLevel && !isInlineView(t, n.block[r])) continue;
    const std::size_t before = prevSig(t, s), after = nextSig(t, r);
    const bool itemStart = before == start || isWord(t, before, "DISTINCT") ||
                           isWord(t, before, "UNIQUE") || isWord(t, before, "ALL") ||
                           (isPunct(t, before, ",") && n.depth[before] == n.depth[start]);
    const bool itemEnd = after >= t.size() || isPunct(t, after, ",") || isWord(t, after, "FROM");
    const bool aliased = isWord(t, after, "AS") || isAlias(t, after);
    t[s].text = "ora_rowid_text(" + sqlLiteral(table) + ", " + t[s].text;
    t[r].text += ")";
    if (!itemStart || !(itemEnd || aliased)) continue;
    if (!aliased) t[r].text += " AS \"ROWID\"";
    if (start == mainSelect) {
      std::size_t position = 0;
      for (std::size_t k = start; k < s; ++k)
        if (isPunct(t, k, ",") && n.block[k] == n.block[start] && n.depth[k] == n.depth[start])
          ++position;
      out.columns.push_back(position);
    }
  }
  if (addHidden) out.hiddenTable = addHiddenRowid(t, n, refs, lockedQualifier);
  return out;
}

}  // namespace ocistandin
