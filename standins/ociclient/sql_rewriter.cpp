#include "sql_rewriter.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "catalogue.h"
#include "sequences.h"
#include "sql_rowid.h"
#include "sql_tokens.h"

#include "platform/text.h"

namespace ocistandin {

using namespace sqltokens;

namespace {

const std::set<std::string>& clauseWords() {
  static const std::set<std::string> words = {
      "UNION",  "MINUS", "INTERSECT", "EXCEPT",  "ORDER", "GROUP", "WHERE",
      "HAVING", "FROM",  "ON",        "JOIN",    "LEFT",  "RIGHT", "INNER",
      "OUTER",  "CROSS", "FULL",      "CONNECT", "START", "AND",   "OR"};
  return words;
}

// Removes the outer parentheses of "( ( select ... ) alias )": SQLite would
// otherwise hide the alias inside the parenthesised join.
void unwrapAliasedInlineViews(std::vector<Token>& t) {
  std::vector<std::size_t> match(t.size(), t.size());
  std::vector<std::size_t> stack;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (isPunct(t, i, "("))
      stack.push_back(i);
    else if (isPunct(t, i, ")") && !stack.empty()) {
      match[stack.back()] = i;
      match[i] = stack.back();
      stack.pop_back();
    }
  }
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (!isPunct(t, i, "(")) continue;
    const std::size_t inner = nextSig(t, i);
    if (!isPunct(t, inner, "(")) continue;
    const std::size_t first = nextSig(t, inner);
    if (!isWord(t, first, "SELECT") && !isWord(t, first, "WITH")) continue;
    const std::size_t innerClose = match[inner];
    if (innerClose >= t.size()) continue;
    std::size_t alias = nextSig(t, innerClose);
    if (isWord(t, alias, "AS")) alias = nextSig(t, alias);
    if (alias >= t.size() || (t[alias].kind != Tok::kWord && t[alias].kind != Tok::kQuoted))
      continue;
    if (t[alias].kind == Tok::kWord && clauseWords().count(platform::UpperAscii(t[alias].text)))
      continue;
    const std::size_t outerClose = nextSig(t, alias);
    if (outerClose >= t.size() || match[i] != outerClose) continue;
    t[i].text.clear();
    t[outerClose].text.clear();
  }
}

// Oracle sorts NULL after every value in ascending order and before them in
// descending order; SQLite does the opposite. Each ORDER BY item without its
// own NULLS clause gets Oracle's placement spelled out.
void addOracleNullOrdering(std::vector<Token>& t) {
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (!isWord(t, i, "ORDER") || !isWord(t, nextSig(t, i), "BY")) continue;
    std::size_t pos = nextSig(t, i);
    int depth = 0;
    std::size_t lastSig = pos;
    bool descending = false, hasNulls = false;
    auto closeItem = [&](std::size_t at) {
      if (!hasNulls && lastSig != t.size())
        t[lastSig].text += descending ? " NULLS FIRST" : " NULLS LAST";
      (void)at;
      descending = false;
      hasNulls = false;
    };
    for (pos = nextSig(t, pos); pos < t.size(); pos = nextSig(t, pos)) {
      if (isPunct(t, pos, "(")) ++depth;
      if (isPunct(t, pos, ")")) {
        if (depth == 0) break;
        --depth;
      }
      if (depth == 0) {
        if (isPunct(t, pos, ",")) {
          closeItem(pos);
          continue;
        }
        if (isWord(t, pos, "FOR") || isWord(t, pos, "LIMIT") || isWord(t, pos, "OFFSET") ||
            isWord(t, pos, "FETCH") || isWord(t, pos, "UNION") || isWord(t, pos, "MINUS") ||
            isWord(t, pos, "INTERSECT") || isPunct(t, pos, ";"))
          break;
        if (isWord(t, pos, "DESC")) descending = true;
        if (isWord(t, pos, "NULLS")) hasNulls = true;
      }
      lastSig = pos;
    }
    closeItem(pos);
    i = pos < t.size() ? pos : t.size();
  }
}

// The FOR of a top-level "FOR UPDATE" clause of a select, or t.size().
std::size_t forUpdateClause(const std::vector<Token>& t) {
  const std::size_t first = !t.empty() && significant(t[0]) ? 0 : nextSig(t, 0);
  if (!isWord(t, first, "SELECT") && !isWord(t, first, "WITH")) return t.size();
  int depth = 0;
  for (std::size_t i = first; i < t.size(); i = nextSig(t, i)) {
    if (isPunct(t, i, "(")) ++depth;
    if (isPunct(t, i, ")")) --depth;
    if (depth == 0 && isWord(t, i, "FOR") && isWord(t, nextSig(t, i), "UPDATE")) return i;
  }
  return t.size();
}

// A size with length semantics ("VARCHAR2(10 CHAR)", "CHAR(3 BYTE)") is no
// type name SQLite accepts; the semantics word moves into the name
// ("VARCHAR2 CHAR(10)"), where the declared type keeps it for describe.
void spellLengthSemantics(std::vector<Token>& t) {
  for (std::size_t open = 0; open < t.size(); ++open) {
    if (!isPunct(t, open, "(")) continue;
    const std::size_t name = prevSig(t, open), size = nextSig(t, open);
    const std::size_t unit = nextSig(t, size), close = nextSig(t, unit);
    if (name >= t.size() || t[name].kind != Tok::kWord || size >= t.size() ||
        t[size].kind != Tok::kNumber || !isPunct(t, close, ")") ||
        !(isWord(t, unit, "CHAR") || isWord(t, unit, "BYTE")))
      continue;
    t[name].text += " " + platform::UpperAscii(t[unit].text);
    t[unit].text.clear();
  }
}

}  // namespace

std::size_t RewrittenSql::originalOffset(std::size_t rewrittenOffset) const {
  std::size_t result = 0;
  for (const auto& [rewritten, original] : offsets) {
    if (rewritten > rewrittenOffset) break;
    result = original + (rewrittenOffset - rewritten);
  }
  return result;
}

// Takes the cursor expressions, "cursor(<select>)", out of the outermost
// select list: each becomes NULL, and its position and select are noted.
std::vector<std::pair<std::size_t, std::string>> takeCursorColumns(std::vector<Token>& t) {
  std::vector<std::pair<std::size_t, std::string>> columns;
  std::size_t i = nextSig(t, static_cast<std::size_t>(-1));
  if (!isWord(t, i, "SELECT")) return columns;
  std::size_t position = 0;
  int depth = 0;
  for (i = nextSig(t, i); i < t.size(); i = nextSig(t, i)) {
    if (depth == 0 && isWord(t, i, "FROM")) break;
    if (isPunct(t, i, "(")) ++depth;
    if (isPunct(t, i, ")")) --depth;
    if (depth == 0 && isPunct(t, i, ",")) ++position;
    const std::size_t open = nextSig(t, i);
    if (depth != 0 || !isWord(t, i, "CURSOR") || !isPunct(t, open, "(")) continue;
    std::string select;
    std::size_t close = open;
    for (int inner = 0; close < t.size(); ++close) {
      if (isPunct(t, close, "(")) ++inner;
      if (isPunct(t, close, ")") && --inner == 0) break;
      if (close > open) select += t[close].text;
    }
    if (close >= t.size()) break;  // unbalanced: left for SQLite to refuse
    columns.emplace_back(position, select);
    t[i].text = "NULL";
    for (std::size_t k = i + 1; k <= close; ++k) t[k] = Token{Tok::kSpace, "", t[k].offset};
    i = close;
  }
  return columns;
}

// Wraps the plain column references ("c" or "q.c", an alias after them
// kept) at `positions` of the outermost select list in typeof(...); answers
// the positions wrapped.
std::vector<std::size_t> wrapLazyColumns(std::vector<Token>& t,
                                         const std::vector<std::size_t>& positions) {
  std::vector<std::size_t> wrapped;
  if (positions.empty()) return wrapped;
  std::size_t i = nextSig(t, static_cast<std::size_t>(-1));
  if (!isWord(t, i, "SELECT")) return wrapped;
  std::size_t position = 0;
  std::size_t itemStart = nextSig(t, i);
  if (isWord(t, itemStart, "DISTINCT") || isWord(t, itemStart, "UNIQUE")) return wrapped;
  if (isWord(t, itemStart, "ALL")) itemStart = nextSig(t, itemStart);
  const auto isName = [&t](std::size_t k) {
    return k < t.size() && (t[k].kind == Tok::kWord || t[k].kind == Tok::kQuoted);
  };
  int depth = 0;
  for (i = itemStart; i <= t.size(); i = i < t.size() ? nextSig(t, i) : t.size() + 1) {
    const bool end = i >= t.size() || (depth == 0 && (isWord(t, i, "FROM") || isPunct(t, i, ",")));
    if (i < t.size() && isPunct(t, i, "(")) ++depth;
    if (i < t.size() && isPunct(t, i, ")")) --depth;
    if (!end) continue;
    if (std::find(positions.begin(), positions.end(), position) != positions.end()) {
      // A name, or qualifier . name; then nothing, an alias, or AS alias.
      std::size_t name = itemStart;
      if (isPunct(t, nextSig(t, name), ".")) name = nextSig(t, nextSig(t, name));
      std::size_t after = nextSig(t, name);
      const bool plain =
          isName(name) && isName(itemStart) &&
          (after == i || (isWord(t, after, "AS") && nextSig(t, nextSig(t, after)) == i) ||
           (isName(after) && nextSig(t, after) == i));
      if (plain) {
        t[itemStart].text = "typeof(" + t[itemStart].text;
        t[name].text += ")";
        wrapped.push_back(position);
      }
    }
    if (i >= t.size() || isWord(t, i, "FROM")) break;
    ++position;
    itemStart = nextSig(t, i);
  }
  return wrapped;
}

// Takes a top-level "returning <columns> into :v, ..." clause out of an
// INSERT, UPDATE or DELETE, noting its columns and variables.
void takeReturning(std::vector<Token>& t, RewrittenSql& out) {
  const std::size_t first = nextSig(t, static_cast<std::size_t>(-1));
  if (!isWord(t, first, "INSERT") && !isWord(t, first, "UPDATE") && !isWord(t, first, "DELETE"))
    return;
  int depth = 0;
  std::size_t at = t.size();
  for (std::size_t i = first; i < t.size(); i = nextSig(t, i)) {
    if (isPunct(t, i, "(")) ++depth;
    if (isPunct(t, i, ")")) --depth;
    if (depth == 0 && (isWord(t, i, "RETURNING") || isWord(t, i, "RETURN"))) at = i;
  }
  if (at >= t.size()) return;
  std::size_t into = t.size();
  depth = 0;
  for (std::size_t i = nextSig(t, at); i < t.size(); i = nextSig(t, i)) {
    if (isPunct(t, i, "(")) ++depth;
    if (isPunct(t, i, ")")) --depth;
    if (depth == 0 && isWord(t, i, "INTO")) {
      into = i;
      break;
    }
  }
  if (into >= t.size()) return;  // left for SQLite to refuse
  for (std::size_t i = at + 1; i < into; ++i) out.returningColumns += t[i].text;
  std::size_t end = t.size();
  for (std::size_t i = into; i < t.size(); ++i) {
    if (isPunct(t, i, ";")) {
      end = i;
      break;
    }
    if (t[i].kind == Tok::kBind)
      out.returningInto.push_back(platform::UpperAscii(t[i].text.substr(1)));
  }
  for (std::size_t i = at; i < end; ++i) t[i] = Token{Tok::kSpace, "", t[i].offset};
}

RewrittenSql rewriteSql(const std::string& oracleSql, bool hiddenRowid, bool lobRowid,
                        const std::vector<std::size_t>& lazyColumns) {
  std::vector<Token> t = tokenize(oracleSql);
  RewrittenSql out;
  out.cursorColumns = takeCursorColumns(t);
  takeReturning(t, out);
  rewriteObjectFunctions(t, out.objectColumns);
  rewriteObjectDml(t);
  out.lazyColumns = wrapLazyColumns(t, lazyColumns);
  for (std::size_t i = 0; i < t.size(); ++i) {
    Token& tok = t[i];
    switch (tok.kind) {
      case Tok::kBind: {
        std::string name = tok.text.substr(1);
        if (!name.empty() && name.front() == '"')
          name = name.substr(1, name.size() - 2);
        else
          name = platform::UpperAscii(name);
        out.placeholders.push_back({name, tok.offset});
        tok.text = "?" + std::to_string(out.placeholders.size());
        break;
      }
      case Tok::kString:
        if (tok.text == "''") tok.text = "NULL";  // Oracle's empty string is NULL
        break;
      case Tok::kWord: {
        const std::string word = platform::UpperAscii(tok.text);
        if (word != "SYSDATE" && word != "SYSTIMESTAMP" && word != "USER") break;
        const std::size_t before = prevSig(t, i);
        if (isPunct(t, before, ".") || isPunct(t, nextSig(t, i), "(")) break;
        tok.text = word == "SYSDATE" ? "ora_sysdate()"
                   : word == "USER"  ? "ora_user()"
                                     : "ora_systimestamp()";
        break;
      }
      case Tok::kPunct:
        // Oracle divides with a decimal result; SQLite would truncate integers.
        if (tok.text == "/") tok.text = "*1.0/";
        break;
      default:
        break;
    }
  }
  rewriteSequenceReferences(t);
  wrapColumnDefaults(t);
  // SQLite knows no row locks: the FOR UPDATE clause (with OF, NOWAIT, WAIT n
  // or SKIP LOCKED) goes, up to a closing semicolon, which stays to be refused.
  const std::size_t forUpdate = forUpdateClause(t);
  out.forUpdate = forUpdate < t.size();
  // "OF q.column": the rows locked are those of the table q names.
  std::string lockedQualifier;
  for (std::size_t i = forUpdate; i < t.size() && !isPunct(t, i, ";"); ++i) {
    if (isWord(t, i, "OF") && isPunct(t, nextSig(t, nextSig(t, i)), "."))
      lockedQualifier = platform::UpperAscii(t[nextSig(t, i)].text);
    if (isWord(t, i, "NOWAIT")) out.noWait = true;
  }
  for (std::size_t i = forUpdate; i < t.size() && !isPunct(t, i, ";"); ++i)
    t[i] = Token{Tok::kSpace, "", t[i].offset};
  spellLengthSemantics(t);
  RowidRewrite rowids =
      rewriteRowidReferences(t, hiddenRowid && (out.forUpdate || lobRowid), lockedQualifier);
  out.rowidColumns = std::move(rowids.columns);
  out.hiddenRowidTable = std::move(rowids.hiddenTable);
  out.targetTable = std::move(rowids.targetTable);
  unwrapAliasedInlineViews(t);
  addOracleNullOrdering(t);
  for (const Token& tok : t) {
    out.offsets.emplace_back(out.sql.size(), tok.offset);
    out.sql += tok.text;
  }
  return out;
}

StatementClass classifyStatement(const std::string& oracleSql) {
  const std::vector<Token> t = tokenize(oracleSql);
  std::vector<std::string> words;
  bool leadingParen = false;
  for (const Token& tok : t) {
    if (!significant(tok)) continue;
    if (words.empty() && tok.kind == Tok::kPunct && tok.text == "(") {
      leadingParen = true;
      break;
    }
    if (tok.kind != Tok::kWord) break;
    words.push_back(platform::UpperAscii(tok.text));
    if (words.size() == 4) break;
  }
  StatementClass c;
  if (leadingParen) return {StatementKind::kSelect, OCI_STMT_SELECT, 4};
  if (words.empty()) return c;
  const std::string& w = words[0];
  auto word = [&](std::size_t k) { return k < words.size() ? words[k] : std::string(); };
  // Skips "or replace", "unique", "global temporary" and similar before the object kind.
  auto objectWord = [&]() {
    for (std::size_t k = 1; k < words.size(); ++k) {
      const std::string& x = words[k];
      if (x != "OR" && x != "REPLACE" && x != "UNIQUE" && x != "GLOBAL" && x != "TEMPORARY" &&
          x != "FORCE" && x != "BITMAP")
        return x;
    }
    return std::string();
  };
  if (w == "SELECT" || w == "WITH") return {StatementKind::kSelect, OCI_STMT_SELECT, 4};
  if (w == "INSERT") return {StatementKind::kInsert, OCI_STMT_INSERT, 3};
  if (w == "UPDATE") return {StatementKind::kUpdate, OCI_STMT_UPDATE, 5};
  if (w == "DELETE") return {StatementKind::kDelete, OCI_STMT_DELETE, 9};
  if (w == "BEGIN") return {StatementKind::kPlsql, OCI_STMT_BEGIN, 34};
  if (w == "DECLARE") return {StatementKind::kPlsql, OCI_STMT_DECLARE, 34};
  if (w == "COMMIT") return {StatementKind::kCommit, OCI_STMT_UNKNOWN, 54};
  if (w == "ROLLBACK") return {StatementKind::kRollback, OCI_STMT_UNKNOWN, 55};
  if (w == "SAVEPOINT") return {StatementKind::kSavepoint, OCI_STMT_UNKNOWN, 56};
  if (w == "CREATE") {
    const std::string o = objectWord();
    const ub2 fn = o == "TABLE"      ? 1
                   : o == "VIEW"     ? 10
                   : o == "INDEX"    ? 20
                   : o == "SEQUENCE" ? 13
                                     : 0;
    return {StatementKind::kDdl, OCI_STMT_CREATE, fn};
  }
  if (w == "DROP") {
    const std::string o = word(1);
    const ub2 fn = o == "TABLE"      ? 8
                   : o == "VIEW"     ? 7
                   : o == "INDEX"    ? 21
                   : o == "SEQUENCE" ? 16
                                     : 0;
    return {StatementKind::kDdl, OCI_STMT_DROP, fn};
  }
  if (w == "ALTER") {
    const std::string o = word(1);
    if (o == "SESSION") return {StatementKind::kAlterSession, OCI_STMT_ALTER, 52};
    const ub2 fn = o == "TABLE" ? 26 : o == "SEQUENCE" ? 14 : 0;
    return {StatementKind::kDdl, OCI_STMT_ALTER, fn};
  }
  return c;
}

}  // namespace ocistandin
