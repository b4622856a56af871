#include "table_collections.h"

#include <regex>
#include <string>
#include <vector>

#include "catalogue.h"
#include "connection.h"
#include "journal.h"
#include "object_types.h"
#include "platform/text.h"
#include "rowid_mapping.h"
#include "sql_rewriter.h"
#include "sql_tokens.h"

namespace ocistandin {
namespace {

using sqltokens::isPunct;
using sqltokens::isWord;
using sqltokens::nextSig;
using sqltokens::Tok;
using sqltokens::Token;

constexpr sb4 kNotNestedTable = 22905;
constexpr sb4 kDmlOnExpression = 22906;
constexpr const char* kRowidColumn = "\"KEL$ROWID\"";
constexpr const char* kMasterAlias = "kel_m";

// What the last change of a collection touched (the API lock serialises
// calls, so one record serves every session).
struct Touched {
  long count = 0;
  std::string lastRowid;
};
Touched& touched() {
  static Touched state;
  return state;
}

// The collection column behind TABLE(select <src>.<column> from <table>
// [<src>] where <condition>) [<alias>].
struct Expression {
  std::size_t keyword = 0, close = 0, end = 0;  // token indices; `end` follows the alias
  std::string source;                           // qualifier of the master table's columns
  std::string innerAlias;                       // as written, empty when none
  std::string tableText;                        // the master table as written
  std::string table, column;                    // upper case
  std::string attribute;                        // a collection attribute of an object column
  std::string condition;                        // empty when none
  std::string alias;                            // outer alias, empty when none
};

struct Collection {
  std::string value;  // the collection's value in the master row `kel_src`
  std::string typeName;
  bool varray = false;
  std::string elementType;           // an object element's type; empty for a scalar
  std::vector<std::string> columns;  // attribute names, or COLUMN_VALUE
};

bool isName(const std::vector<Token>& t, std::size_t i) {
  return i < t.size() && (t[i].kind == Tok::kWord || t[i].kind == Tok::kQuoted);
}

std::string nameOf(const Token& token) {
  return token.kind == Tok::kQuoted ? token.text.substr(1, token.text.size() - 2)
                                    : platform::UpperAscii(token.text);
}

std::size_t closing(const std::vector<Token>& t, std::size_t open) {
  int depth = 0;
  for (std::size_t i = open; i < t.size(); ++i) {
    if (isPunct(t, i, "(")) ++depth;
    if (isPunct(t, i, ")") && --depth == 0) return i;
  }
  return t.size();
}

std::string textOf(const std::vector<Token>& t, std::size_t from, std::size_t to) {
  std::string text;
  for (std::size_t i = from; i < to && i < t.size(); ++i) text += t[i].text;
  return text;
}

bool isAlias(const std::vector<Token>& t, std::size_t i) {
  static const char* const kWords[] = {"WHERE", "SET",   "VALUES",  "ORDER",     "FOR",
                                       "GROUP", "START", "CONNECT", "RETURNING", "HAVING"};
  if (!isName(t, i)) return false;
  for (const char* word : kWords)
    if (isWord(t, i, word)) return false;
  return true;
}

// Reads the expression whose TABLE or THE word is token `keyword`.
bool readExpression(const std::string& text, const std::vector<Token>& t, std::size_t keyword,
                    Expression& e) {
  const std::size_t open = nextSig(t, keyword);
  if (!isPunct(t, open, "(") || !isWord(t, nextSig(t, open), "SELECT")) return false;
  e.keyword = keyword;
  e.close = closing(t, open);
  if (e.close >= t.size()) return false;
  // The selected path: [qualifier.]column[.attribute].
  std::vector<std::string> path;
  std::size_t i = nextSig(t, nextSig(t, open));
  for (;; i = nextSig(t, nextSig(t, i))) {
    if (!isName(t, i)) return false;
    path.push_back(nameOf(t[i]));
    if (!isPunct(t, nextSig(t, i), ".")) break;
  }
  i = nextSig(t, i);
  if (!isWord(t, i, "FROM") || !isName(t, nextSig(t, i))) return false;
  const std::size_t first = nextSig(t, i);
  i = first;
  if (isPunct(t, nextSig(t, i), ".") && isName(t, nextSig(t, nextSig(t, i))))
    i = nextSig(t, nextSig(t, i));
  e.table = nameOf(t[i]);
  e.tableText = textOf(t, first, i + 1);
  e.source = e.tableText;
  i = nextSig(t, i);
  if (isAlias(t, i) && i < e.close) {
    e.innerAlias = t[i].text;
    e.source = e.innerAlias;
    i = nextSig(t, i);
  }
  if (path.size() > 1 && path[0] == platform::UpperAscii(e.source)) path.erase(path.begin());
  if (path.size() > 2) return false;
  e.column = path[0];
  if (path.size() == 2) e.attribute = path[1];
  if (isWord(t, i, "WHERE")) {
    const std::size_t from = t[i].offset + t[i].text.size();
    e.condition = text.substr(from, t[e.close].offset - from);
  } else if (i != e.close) {
    return false;
  }
  e.end = nextSig(t, e.close);
  if (isAlias(t, e.end)) {
    e.alias = t[e.end].text;
    e.end = nextSig(t, e.end);
  }
  return true;
}

// The first TABLE(select ...) or THE(select ...) of the text.
bool findExpression(const std::string& text, const std::vector<Token>& t, Expression& e) {
  for (std::size_t i = 0; i < t.size(); ++i)
    if ((isWord(t, i, "TABLE") || isWord(t, i, "THE")) && readExpression(text, t, i, e))
      return true;
  return false;
}

bool describeCollection(sqlite3* db, const Expression& e, Collection& c, OraError& error) {
  for (const CatalogueTable& table : readCatalogue(db)) {
    if (table.name != e.table) continue;
    for (const CatalogueColumn& column : table.columns) {
      if (platform::UpperAscii(column.name) != e.column) continue;
      ObjectType type;
      std::string name = platform::UpperAscii(column.type);
      if (name.rfind("SYS.", 0) == 0) name.erase(0, 4);
      if (!findType(db, name, type)) break;
      c.value = "kel_src." + e.column;
      if (!e.attribute.empty()) {
        // An object column's collection attribute, by its place in the type.
        std::size_t k = 0;
        while (k < type.attributes.size() && type.attributes[k].name != e.attribute) ++k;
        if (type.isCollection() || k == type.attributes.size()) break;
        name = type.attributes[k].typeName;
        c.value = "json_extract(kel_src." + e.column + ", '$[" + std::to_string(k) + "]')";
        if (!findType(db, name, type)) break;
      }
      if (!type.isCollection()) break;
      c.typeName = name;
      c.varray = type.code == OCI_TYPECODE_VARRAY;
      ObjectType element;
      if (type.element.code == OCI_TYPECODE_OBJECT &&
          findType(db, type.element.typeName, element)) {
        c.elementType = element.name;
        for (const TypeElement& attribute : element.attributes) c.columns.push_back(attribute.name);
      } else {
        c.columns.push_back("COLUMN_VALUE");
      }
      return true;
    }
    break;
  }
  error = {kNotNestedTable, "cannot access rows from a non-nested table item"};
  return false;
}

std::string quoted(const std::string& name) {
  return "\"" + name + "\"";
}

std::string literal(const std::string& text) {
  std::string out = "'";
  for (char ch : text) out += ch == '\'' ? std::string("''") : std::string(1, ch);
  return out + "'";
}

// The select list of the element rows of the collection of master row
// `source` (whose rowid is its column `oid`), json_each's rows named je:
// the element's columns, its JSON and its ROWID.
std::string elementColumns(const Collection& c, const std::string& rowidTable,
                           const std::string& source, const std::string& oid = "kel_oid") {
  std::string list;
  for (std::size_t k = 0; k < c.columns.size(); ++k) {
    const std::string value = c.elementType.empty()
                                  ? std::string("je.value")
                                  : "json_extract(je.value, '$[" + std::to_string(k) + "]')";
    list += value + " " + quoted(c.columns[k]) + ", ";
  }
  return list + "je.value kel_value, ora_rowid_text(" + literal(rowidTable) + ", " + source + "." +
         oid + " * 65536 + je.key) " + kRowidColumn;
}

// Tokens [from, to) with each ROWID pseudo-column read as the element's.
std::string withElementRowid(const std::vector<Token>& t, std::size_t from, std::size_t to,
                             const std::string& qualifier) {
  std::string text;
  for (std::size_t i = from; i < to && i < t.size(); ++i) {
    if (isWord(t, i, "ROWID") && !isPunct(t, nextSig(t, i), "(")) {
      const bool qualified = i > 0 && isPunct(t, sqltokens::prevSig(t, i), ".");
      text += qualified ? kRowidColumn : qualifier + "." + kRowidColumn;
    } else {
      text += t[i].text;
    }
  }
  return text;
}

// The text of the master rows the expression names.
std::string masterRows(const Expression& e) {
  std::string rows = "(select " + e.source + ".oid from " + e.tableText;
  if (!e.innerAlias.empty()) rows += " " + e.innerAlias;
  if (!e.condition.empty()) rows += " where " + e.condition;
  return rows + ")";
}

// A new element: an object element through its type's constructor, each
// taken as the collection's constructor reads it.
std::string elementValue(const Collection& c, const std::vector<std::string>& values) {
  std::string element;
  if (c.elementType.empty()) {
    element = values.empty() ? "null" : values[0];
  } else {
    element = c.elementType + "(";
    for (std::size_t k = 0; k < values.size(); ++k) element += (k > 0 ? ", " : "") + values[k];
    element += ")";
  }
  return "json_extract(" + c.typeName + "(" + element + "), '$[0]')";
}

// Splits tokens [from, to) at the commas outside parentheses.
std::vector<std::pair<std::size_t, std::size_t>> items(const std::vector<Token>& t,
                                                       std::size_t from, std::size_t to) {
  std::vector<std::pair<std::size_t, std::size_t>> list;
  int depth = 0;
  std::size_t start = from;
  for (std::size_t i = from; i < to; ++i) {
    if (isPunct(t, i, "(")) ++depth;
    if (isPunct(t, i, ")")) --depth;
    if (depth == 0 && isPunct(t, i, ",")) {
      list.emplace_back(start, i);
      start = i + 1;
    }
  }
  if (start < to) list.emplace_back(start, to);
  return list;
}

std::size_t firstSig(const std::vector<Token>& t, std::size_t from) {
  return from < t.size() && sqltokens::significant(t[from]) ? from : nextSig(t, from);
}

// The top-level word `word` at or after token `from`, else t.size().
std::size_t topLevelWord(const std::vector<Token>& t, std::size_t from, const char* word) {
  int depth = 0;
  for (std::size_t i = from; i < t.size(); ++i) {
    if (isPunct(t, i, "(")) ++depth;
    if (isPunct(t, i, ")")) --depth;
    if (depth == 0 && isWord(t, i, word)) return i;
  }
  return t.size();
}

struct Translation {
  std::string sql;
  std::vector<std::size_t> rowidColumns;
  std::vector<std::string> returningInto;  // binds of "returning rowid into", upper case
};

bool translateSelect(const std::vector<Token>& t, const Expression& e, const Collection& c,
                     const std::string& rowidTable, Translation& out) {
  const std::size_t select = firstSig(t, 0);
  const std::size_t from = topLevelWord(t, select, "FROM");
  if (!isWord(t, select, "SELECT") || nextSig(t, from) != e.keyword) return false;
  const std::string q = e.alias.empty() ? std::string("kel_t") : e.alias;
  std::string list;
  std::size_t position = 0;
  auto add = [&](const std::string& item) {
    list += (list.empty() ? "" : ", ") + item;
    ++position;
  };
  for (const auto& [b, end] : items(t, nextSig(t, select), from)) {
    const std::size_t first = firstSig(t, b);
    std::size_t last = first;
    while (nextSig(t, last) < end) last = nextSig(t, last);
    const bool star =
        isPunct(t, last, "*") && (last == first || (isPunct(t, nextSig(t, first), ".") &&
                                                    nextSig(t, nextSig(t, first)) == last));
    if (star) {
      for (const std::string& column : c.columns) add(q + "." + quoted(column));
      continue;
    }
    std::size_t rowidAt = first;
    if (isName(t, first) && isPunct(t, nextSig(t, first), "."))
      rowidAt = nextSig(t, nextSig(t, first));
    const std::size_t after = nextSig(t, rowidAt);
    if (isWord(t, rowidAt, "ROWID") &&
        (after >= end || isWord(t, after, "AS") || isName(t, after))) {
      out.rowidColumns.push_back(position);
      add(q + "." + kRowidColumn + (after >= end ? " \"ROWID\"" : " " + textOf(t, after, end)));
      continue;
    }
    add(withElementRowid(t, b, end, q));
  }
  // The master rows are read apart, so that their condition never meets
  // the columns of json_each.
  out.sql = "select " + list + " from (select " + elementColumns(c, rowidTable, "kel_src") +
            " from (select " + e.source + ".oid kel_oid, " + e.source + ".* from " + e.tableText +
            (e.innerAlias.empty() ? "" : " " + e.innerAlias) +
            (e.condition.empty() ? "" : " where " + e.condition) + ") kel_src, json_each(" +
            c.value + ") je order by kel_src.kel_oid, je.key) " + q + " " +
            withElementRowid(t, e.end, t.size(), q);
  return true;
}

// Takes "returning rowid into :v" off tokens ending at `end` (the clause's
// RETURNING when there is one).
bool readReturning(const std::vector<Token>& t, std::size_t returning, Translation& out) {
  if (returning >= t.size()) return true;
  const std::size_t into = topLevelWord(t, returning, "INTO");
  for (const auto& [b, end] : items(t, nextSig(t, returning), into))
    if (!isWord(t, firstSig(t, b), "ROWID")) return false;
  for (std::size_t i = into; i < t.size(); ++i)
    if (t[i].kind == Tok::kBind)
      out.returningInto.push_back(platform::UpperAscii(t[i].text.substr(1)));
  return true;
}

// The UPDATE of the master rows that gives their collections `value`.
std::string masterUpdate(const Expression& e, const std::string& value) {
  return "update " + e.tableText + " as " + kMasterAlias + " set " + e.column + " = " + value +
         " where " + kMasterAlias + ".oid in " + masterRows(e);
}

bool translateChange(const std::vector<Token>& t, const Expression& e, const Collection& c,
                     const std::string& rowidTable, Translation& out) {
  const std::size_t verb = firstSig(t, 0);
  // Only the statement's target is served.
  const std::size_t before = sqltokens::prevSig(t, e.keyword);
  if (!(before == verb || (isWord(t, before, "INTO") && sqltokens::prevSig(t, before) == verb) ||
        (isWord(t, before, "FROM") && sqltokens::prevSig(t, before) == verb)))
    return false;
  const std::size_t returning = topLevelWord(t, e.end, "RETURNING");
  if (!readReturning(t, returning, out)) return false;
  const std::string q = e.alias.empty() ? std::string("kel_e") : e.alias;
  const std::string m = kMasterAlias;
  if (isWord(t, verb, "INSERT")) {
    std::vector<std::string> names;
    std::size_t i = e.end;
    if (isPunct(t, i, "(")) {
      const std::size_t close = closing(t, i);
      for (const auto& [b, end] : items(t, i + 1, close))
        names.push_back(nameOf(t[firstSig(t, b)]));
      i = nextSig(t, close);
    }
    if (!isWord(t, i, "VALUES") || !isPunct(t, nextSig(t, i), "(")) return false;
    const std::size_t open = nextSig(t, i), close = closing(t, open);
    std::vector<std::string> given;
    for (const auto& [b, end] : items(t, open + 1, close)) given.push_back(textOf(t, b, end));
    if (names.empty()) names = c.columns;
    if (names.size() != given.size()) return false;
    std::vector<std::string> values;
    for (const std::string& column : c.columns) {
      std::string value = "null";
      for (std::size_t k = 0; k < names.size(); ++k)
        if (names[k] == column) value = given[k];
      values.push_back(value);
    }
    out.sql =
        masterUpdate(e, "json_insert(ora_coll_note(" + m + "." + e.column + ", " + m + ".oid, " +
                            literal(rowidTable) + "), '$[#]', " + elementValue(c, values) + ")");
    return true;
  }
  const bool update = isWord(t, verb, "UPDATE");
  std::size_t conditionEnd = returning;
  const std::size_t where = topLevelWord(t, e.end, "WHERE");
  const std::string condition =
      where < conditionEnd ? "(" + withElementRowid(t, nextSig(t, where), conditionEnd, q) + ")"
                           : std::string("1");
  const std::string hit = "ora_coll_hit(" + condition + ", " + q + "." + kRowidColumn + ")";
  const std::string old = c.elementType.empty() ? q + ".kel_value" : "json(" + q + ".kel_value)";
  std::string element = old, filter;
  if (update) {
    if (!isWord(t, e.end, "SET")) return false;
    std::vector<std::string> values;
    for (const std::string& column : c.columns) values.push_back(q + "." + quoted(column));
    for (const auto& [b, end] : items(t, nextSig(t, e.end), std::min(where, conditionEnd))) {
      std::size_t equals = b;
      while (equals < end && !isPunct(t, equals, "=")) ++equals;
      if (equals >= end) return false;
      std::size_t name = sqltokens::prevSig(t, equals);
      const std::string column = nameOf(t[name]);
      bool found = false;
      for (std::size_t k = 0; k < c.columns.size(); ++k)
        if (c.columns[k] == column) {
          values[k] = "(" + withElementRowid(t, equals + 1, end, q) + ")";
          found = true;
        }
      if (!found) return false;
    }
    element = "case when " + hit + " = 1 then " + elementValue(c, values) + " else " + old + " end";
  } else {
    filter = " where " + hit + " = 0";
  }
  out.sql = masterUpdate(e, "case when " + m + "." + e.column + " is null then null else (select " +
                                "json_group_array(" + element + ") from (select " +
                                elementColumns(c, rowidTable, m, "oid") + " from json_each(" + m +
                                "." + e.column + ") je order by je.key) " + q + filter + ") end");
  return true;
}

// ora_coll_note(collection, master rowid, rowid table): the collection an
// element is appended to; a null one raises ORA-22908.
void noteFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_error(ctx, "ORA-22908: reference to NULL table value", -1);
    return;
  }
  const std::string json(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])));
  ObjectValue value;
  if (!parseJson(json, value)) {
    sqlite3_result_error(ctx, "ORA-22908: reference to NULL table value", -1);
    return;
  }
  const std::string table(reinterpret_cast<const char*>(sqlite3_value_text(argv[2])));
  const auto position = static_cast<sqlite3_int64>(value.items.size());
  touched().lastRowid = rowidText(table, sqlite3_value_int64(argv[1]) * 65536 + position);
  ++touched().count;
  sqlite3_result_value(ctx, argv[0]);
}

// ora_coll_hit(condition, element rowid): 1 when the condition holds (the
// element counts as touched), else 0.
void hitFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const bool hit = sqlite3_value_type(argv[0]) != SQLITE_NULL && sqlite3_value_double(argv[0]) != 0;
  if (hit) {
    ++touched().count;
    const unsigned char* rowid = sqlite3_value_text(argv[1]);
    touched().lastRowid = rowid != nullptr ? reinterpret_cast<const char*>(rowid) : "";
  }
  sqlite3_result_int(ctx, hit ? 1 : 0);
}

const std::regex& emptyCollectionBlock() {
  static const std::regex shape(
      R"(^\s*begin\s+update\s+([\w$#."]+)(?:\s+(?!set\b)([\w$#"]+))?\s+set\s+)"
      R"((?:[\w$#"]+\s*\.\s*)?([\w$#"]+)\s*=\s*([\w$#."]+\s*\(\s*\))\s+where\s+([\s\S]+?))"
      R"(\s*;\s*end\s*;\s*$)",
      std::regex::icase);
  return shape;
}

}  // namespace

bool translateCollectionStatement(Connection& connection, StmtHandle& stmt,
                                  CollectionStatement& collection, OraError& error) {
  collection = {};
  const StatementKind kind = stmt.cls.kind;
  if (kind != StatementKind::kSelect && kind != StatementKind::kInsert &&
      kind != StatementKind::kUpdate && kind != StatementKind::kDelete)
    return true;
  const std::vector<Token> t = sqltokens::tokenize(stmt.text);
  Expression e;
  if (!findExpression(stmt.text, t, e)) return true;
  Collection c;
  if (!describeCollection(connection.db, e, c, error)) return false;
  collection.rowidTable = e.table + "." + e.column + (e.attribute.empty() ? "" : "." + e.attribute);
  Translation out;
  if (kind == StatementKind::kSelect) {
    if (!translateSelect(t, e, c, collection.rowidTable, out)) return true;
  } else {
    if (c.varray || !e.attribute.empty()) {
      error = {kDmlOnExpression, "cannot perform DML on expression or on nested table view column"};
      return false;
    }
    if (!translateChange(t, e, c, collection.rowidTable, out)) return true;
    collection.change = true;
  }
  collection.active = true;
  RewrittenSql rewritten = rewriteSql(out.sql, false);
  rewritten.rowidColumns = out.rowidColumns;
  collection.returningInto = out.returningInto;
  stmt.rewritten = std::move(rewritten);
  return true;
}

void beginCollectionChange() {
  touched() = {};
}

sword finishCollectionChange(SvcCtxHandle& svc, StmtHandle& stmt, ErrorHandle* err,
                             const CollectionStatement& collection) {
  stmt.rowCount = static_cast<ub4>(touched().count);
  if (touched().lastRowid.empty()) return OCI_SUCCESS;
  // The element's ROWID reaches each out bind through a select of it, which
  // is the stand-in's own and leaves no journal line.
  const std::size_t journalSize = journalEntries().size();
  sword status = OCI_SUCCESS;
  for (const std::string& name : collection.returningInto) {
    const BindHandle* bind = nullptr;
    for (auto it = stmt.binds.rbegin(); it != stmt.binds.rend() && bind == nullptr; ++it)
      if ((*it)->name == name) bind = *it;
    if (bind == nullptr) continue;
    StmtHandle select(OCI_HTYPE_STMT, nullptr);
    prepareStatement(select, err, "select " + literal(touched().lastRowid) + " from dual");
    status = executeStatement(svc, select, err, 0, 0, OCI_DEFAULT);
    DefineHandle define(OCI_HTYPE_DEFINE, nullptr);
    static_cast<ValueBuffers&>(define) = *bind;
    define.position = 1;
    select.defines.push_back(&define);
    if (status == OCI_SUCCESS) status = fetchRows(select, err, 1, OCI_FETCH_NEXT);
    select.defines.clear();
    if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO) break;
    status = OCI_SUCCESS;
  }
  journalEntries().resize(journalSize);
  return status;
}

bool executeEmptyCollectionBlock(SvcCtxHandle& svc, StmtHandle& stmt, ErrorHandle* err, ub4 mode,
                                 sword& status) {
  std::smatch m;
  if (!std::regex_match(stmt.text, m, emptyCollectionBlock())) return false;
  recordStatement({stmt.text, {}});
  StmtHandle update(OCI_HTYPE_STMT, nullptr);
  // SQLite names the alias with AS and sets the column unqualified.
  prepareStatement(update, err,
                   "update " + m[1].str() + (m[2].matched ? " as " + m[2].str() : "") + " set " +
                       m[3].str() + " = " + m[4].str() + " where " + m[5].str());
  update.binds = stmt.binds;
  status = executeStatement(svc, update, err, 1, 0, mode);
  update.binds.clear();
  stmt.rowCount = 1;
  return true;
}

bool registerCollectionFunctions(sqlite3* db, OraError& error) {
  if (sqlite3_create_function_v2(db, "ora_coll_note", 3, SQLITE_UTF8, nullptr, noteFn, nullptr,
                                 nullptr, nullptr) != SQLITE_OK ||
      sqlite3_create_function_v2(db, "ora_coll_hit", 2, SQLITE_UTF8, nullptr, hitFn, nullptr,
                                 nullptr, nullptr) != SQLITE_OK) {
    error = {kInternalError, "cannot register the collection functions"};
    return false;
  }
  return true;
}

}  // namespace ocistandin
