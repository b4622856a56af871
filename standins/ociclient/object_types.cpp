#include "object_types.h"

#include <cstdio>

#include "catalogue.h"
#include "connection.h"
#include "object_tables.h"
#include "oracle_format.h"
#include "platform/text.h"
#include "sql_tokens.h"

namespace ocistandin {

using namespace sqltokens;

namespace {

constexpr sb4 kObjectNotFound = 4043;

void appendJsonText(std::string& out, const std::string& text) {
  out += '"';
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      out += escaped;
    } else {
      out += c;
    }
  }
  out += '"';
}

class JsonReader {
 public:
  explicit JsonReader(std::string_view s) : s_(s) {}

  bool value(ObjectValue& out) {
    skip();
    if (at_ >= s_.size()) return false;
    const char c = s_[at_];
    if (c == 'n') return word("null") && (out = {}, true);
    if (c == '"') return (out.kind = ObjectValue::Kind::kText, string(out.text));
    if (c == '[') return list(out);
    const std::size_t start = at_;
    while (at_ < s_.size() &&
           std::string_view("+-.0123456789eE").find(s_[at_]) != std::string::npos)
      ++at_;
    if (at_ == start) return false;
    out.kind = ObjectValue::Kind::kNumber;
    out.text = std::string(s_.substr(start, at_ - start));
    return true;
  }

  bool atEnd() {
    skip();
    return at_ == s_.size();
  }

 private:
  void skip() {
    while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\n' || s_[at_] == '\t')) ++at_;
  }
  bool word(std::string_view w) {
    if (s_.substr(at_, w.size()) != w) return false;
    at_ += w.size();
    return true;
  }
  bool string(std::string& out) {
    ++at_;
    while (at_ < s_.size() && s_[at_] != '"') {
      char c = s_[at_++];
      if (c == '\\') {
        if (at_ >= s_.size()) return false;
        c = s_[at_++];
        if (c == 'u') {
          if (at_ + 4 > s_.size()) return false;
          c = static_cast<char>(std::stoi(std::string(s_.substr(at_, 4)), nullptr, 16));
          at_ += 4;
        } else if (c == 'n') {
          c = '\n';
        } else if (c == 't') {
          c = '\t';
        }
      }
      out += c;
    }
    return at_++ < s_.size();
  }
  bool list(ObjectValue& out) {
    ++at_;
    out.kind = ObjectValue::Kind::kList;
    skip();
    if (at_ < s_.size() && s_[at_] == ']') return ++at_, true;
    for (;;) {
      out.items.emplace_back();
      if (!value(out.items.back())) return false;
      skip();
      if (at_ >= s_.size()) return false;
      if (s_[at_++] == ']') return true;
      if (s_[at_ - 1] != ',') return false;
    }
  }

  std::string_view s_;
  std::size_t at_ = 0;
};

const char* kTypesTable =
    "CREATE TABLE IF NOT EXISTS ociclient_types(name TEXT PRIMARY KEY, definition TEXT NOT NULL)";

// Parses one attribute or element type at t[i] (advanced past it).
bool parseElementType(sqlite3* db, const std::vector<Token>& t, std::size_t& i, TypeElement& out,
                      OraError& error) {
  if (i >= t.size() || (t[i].kind != Tok::kWord && t[i].kind != Tok::kQuoted)) {
    error = {kInvalidSqlStatement, "missing or invalid datatype"};
    return false;
  }
  std::string word = platform::UpperAscii(identifierOf(t[i]));
  i = nextSig(t, i);
  std::vector<int> args;
  auto readArgs = [&] {
    if (!isPunct(t, i, "(")) return;
    for (i = nextSig(t, i); i < t.size() && !isPunct(t, i, ")"); i = nextSig(t, i))
      if (t[i].kind == Tok::kNumber) args.push_back(std::stoi(t[i].text));
    i = nextSig(t, i);
  };
  if (word == "SYS" && isPunct(t, i, ".")) {
    i = nextSig(t, i);
    word = i < t.size() ? platform::UpperAscii(identifierOf(t[i])) : "";
    i = nextSig(t, i);
  }
  if (word == "NUMBER" || word == "INTEGER" || word == "DECIMAL") {
    readArgs();
    out.code = OCI_TYPECODE_NUMBER;
    out.size = 22;
    out.precision = static_cast<sb2>(args.empty() ? (word == "NUMBER" ? 0 : 38) : args[0]);
    out.scale = static_cast<sb1>(args.size() > 1 ? args[1] : (word == "NUMBER" ? 0 : 0));
  } else if (word == "VARCHAR2" || word == "VARCHAR" || word == "CHAR" || word == "RAW") {
    readArgs();
    out.code = word == "CHAR"  ? OCI_TYPECODE_CHAR
               : word == "RAW" ? OCI_TYPECODE_RAW
                               : OCI_TYPECODE_VARCHAR2;
    out.size = static_cast<ub2>(args.empty() ? 1 : args[0]);
  } else if (word == "TIMESTAMP") {
    readArgs();
    out.code = SQLT_TIMESTAMP;
    out.size = 11;
  } else if (word == "DATE") {
    out.code = OCI_TYPECODE_DATE;
    out.size = 7;
  } else if (word == "CLOB" || word == "BLOB") {
    out.code = word == "CLOB" ? OCI_TYPECODE_CLOB : OCI_TYPECODE_BLOB;
    out.size = 86;
  } else if (word == "REF") {
    TypeElement target;
    if (!parseElementType(db, t, i, target, error)) return false;
    if (target.code != OCI_TYPECODE_OBJECT) {
      error = {kInconsistentTypes, "inconsistent datatypes: REF of a non-object type"};
      return false;
    }
    out.code = OCI_TYPECODE_REF;
    out.typeName = target.typeName;
  } else {
    ObjectType nested;
    if (!findType(db, word, nested)) {
      error = unknownTypeError(word);
      return false;
    }
    out.code = nested.isCollection() ? OCI_TYPECODE_NAMEDCOLLECTION : OCI_TYPECODE_OBJECT;
    out.typeName = word;
  }
  return true;
}

// Parses a definition (the text after AS or IS) into `type`.
bool parseDefinition(sqlite3* db, const std::string& definition, ObjectType& type,
                     OraError& error) {
  const std::vector<Token> t = tokenize(definition);
  std::size_t i = nextSig(t, static_cast<std::size_t>(-1));
  if (isWord(t, i, "OBJECT")) {
    type.code = OCI_TYPECODE_OBJECT;
    i = nextSig(t, i);
    if (!isPunct(t, i, "("))
      return error = {kInvalidSqlStatement, "missing left parenthesis"}, false;
    while (i < t.size() && !isPunct(t, i, ")")) {
      i = nextSig(t, i);
      TypeElement attribute;
      if (i >= t.size()) break;
      attribute.name = identifierOf(t[i]);
      i = nextSig(t, i);
      if (!parseElementType(db, t, i, attribute, error)) return false;
      type.attributes.push_back(attribute);
      if (!isPunct(t, i, ",") && !isPunct(t, i, ")"))
        return error = {kInvalidSqlStatement, "missing right parenthesis"}, false;
    }
    return !type.attributes.empty() ||
           (error = {kInvalidSqlStatement, "missing or invalid datatype"}, false);
  }
  if (isWord(t, i, "VARRAY") || isWord(t, i, "TABLE")) {
    type.code = isWord(t, i, "VARRAY") ? OCI_TYPECODE_VARRAY : OCI_TYPECODE_TABLE;
    i = nextSig(t, i);
    if (type.code == OCI_TYPECODE_VARRAY) {
      i = nextSig(t, i);  // "("
      if (i < t.size() && t[i].kind == Tok::kNumber) type.bound = std::stoul(t[i].text);
      i = nextSig(t, nextSig(t, i));  // ")"
    }
    if (!isWord(t, i, "OF")) return error = {kInvalidSqlStatement, "missing keyword"}, false;
    i = nextSig(t, i);
    return parseElementType(db, t, i, type.element, error);
  }
  error = {kInvalidSqlStatement, "invalid type definition"};
  return false;
}

// A stored attribute or element value made from an SQL argument.
ObjectValue valueOfArgument(const TypeElement& element, sqlite3_value* arg) {
  ObjectValue out;
  const int type = sqlite3_value_type(arg);
  if (type == SQLITE_NULL) return out;
  const auto* raw = reinterpret_cast<const char*>(sqlite3_value_text(arg));
  const std::string text = raw != nullptr ? raw : "";
  switch (element.code) {
    case OCI_TYPECODE_NUMBER:
      out.kind = ObjectValue::Kind::kNumber;
      if (type == SQLITE_INTEGER)
        out.text = numberText(static_cast<std::int64_t>(sqlite3_value_int64(arg)));
      else if (const auto number = parseNumber(text))
        out.text = numberText(*number);
      else
        out = {};
      return out;
    case OCI_TYPECODE_OBJECT:
    case OCI_TYPECODE_NAMEDCOLLECTION:
      // An XMLTYPE is its text: an object of that one attribute.
      if (element.typeName == kXmlTypeName) {
        out.kind = ObjectValue::Kind::kList;
        out.items.push_back({ObjectValue::Kind::kText, text, {}});
      } else if (!parseJson(text, out)) {
        out = {};
      }
      return out;
    case OCI_TYPECODE_RAW:
    case OCI_TYPECODE_BLOB:
      out.kind = ObjectValue::Kind::kText;
      if (type == SQLITE_BLOB) {
        const auto* bytes = static_cast<const char*>(sqlite3_value_blob(arg));
        out.text = hexDigits(std::string_view(
            bytes, bytes == nullptr ? 0 : static_cast<std::size_t>(sqlite3_value_bytes(arg))));
        return out;
      }
      [[fallthrough]];
    default:
      out.kind = ObjectValue::Kind::kText;
      out.text = text;
      return out;
  }
}

void constructorFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  ObjectType type;
  const std::string name = static_cast<const char*>(sqlite3_user_data(ctx));
  if (!findType(sqlite3_context_db_handle(ctx), name, type)) {
    sqlite3_result_error(ctx, ("ORA-04043: object " + name + " does not exist").c_str(), -1);
    return;
  }
  ObjectValue value;
  value.kind = ObjectValue::Kind::kList;
  if (type.isCollection()) {
    if (type.bound != 0 && static_cast<ub4>(argc) > type.bound) {
      sqlite3_result_error(ctx, "ORA-22909: exceeded maximum VARRAY limit", -1);
      return;
    }
    for (int k = 0; k < argc; ++k) value.items.push_back(valueOfArgument(type.element, argv[k]));
  } else {
    if (static_cast<std::size_t>(argc) != type.attributes.size()) {
      sqlite3_result_error(ctx, "ORA-02315: incorrect number of arguments for default constructor",
                           -1);
      return;
    }
    for (int k = 0; k < argc; ++k)
      value.items.push_back(valueOfArgument(type.attributes[static_cast<std::size_t>(k)], argv[k]));
  }
  const std::string json = toJson(value);
  sqlite3_result_text(ctx, json.c_str(), static_cast<int>(json.size()), SQLITE_TRANSIENT);
}

// ociclient_set_attributes(value, table, column, attribute, v, ...): the
// object `value` of a column with `table`.`column`'s declared type, with
// the named attributes set (an attribute assignment of an UPDATE).
void setAttributesFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  auto text = [argv](int k) {
    const auto* raw = reinterpret_cast<const char*>(sqlite3_value_text(argv[k]));
    return std::string(raw != nullptr ? raw : "");
  };
  sqlite3* db = sqlite3_context_db_handle(ctx);
  const char* declared = nullptr;
  const std::string table = text(1), column = text(2);
  std::string name;
  if (sqlite3_table_column_metadata(db, nullptr, table.c_str(), column.c_str(), &declared, nullptr,
                                    nullptr, nullptr, nullptr) == SQLITE_OK &&
      declared != nullptr)
    name = platform::UpperAscii(std::string(declared));
  if (name.starts_with("SYS.")) name = name.substr(4);
  ObjectType type;
  if (argc < 3 || argc % 2 == 0 || !findType(db, name, type) || type.isCollection()) {
    sqlite3_result_error(ctx, ("ORA-00904: \"" + column + "\": invalid identifier").c_str(), -1);
    return;
  }
  ObjectValue value;
  // A null object gets null attributes first.
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || !parseJson(text(0), value) ||
      value.kind != ObjectValue::Kind::kList) {
    value = {};
    value.kind = ObjectValue::Kind::kList;
  }
  value.items.resize(type.attributes.size());
  for (int k = 3; k + 1 < argc; k += 2) {
    const std::string attribute = platform::UpperAscii(text(k));
    std::size_t at = 0;
    while (at < type.attributes.size() && type.attributes[at].name != attribute) ++at;
    if (at == type.attributes.size()) {
      sqlite3_result_error(ctx, ("ORA-00904: \"" + attribute + "\": invalid identifier").c_str(),
                           -1);
      return;
    }
    value.items[at] = valueOfArgument(type.attributes[at], argv[k + 1]);
  }
  const std::string json = toJson(value);
  sqlite3_result_text(ctx, json.c_str(), static_cast<int>(json.size()), SQLITE_TRANSIENT);
}

// XMLTYPE values are kept as their text.
void xmltypeFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
  sqlite3_result_value(ctx, argv[0]);
}

bool registerConstructor(sqlite3* db, const std::string& name) {
  // The name lives as long as the function: SQLite frees it with the function.
  char* copy = sqlite3_mprintf("%s", name.c_str());
  return sqlite3_create_function_v2(db, name.c_str(), -1, SQLITE_UTF8, copy, constructorFn, nullptr,
                                    nullptr, sqlite3_free) == SQLITE_OK;
}

// Whether another type, or a table, names the type `name`.
bool hasDependents(sqlite3* db, const std::string& name) {
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db,
                     "SELECT definition FROM ociclient_types WHERE name <> ?1 UNION ALL "
                     "SELECT sql FROM sqlite_master WHERE type = 'table' AND sql IS NOT NULL",
                     -1, &stmt, nullptr);
  sqlite3_bind_text(stmt, 1, name.c_str(), -1, SQLITE_TRANSIENT);
  bool found = false;
  while (!found && sqlite3_step(stmt) == SQLITE_ROW)
    for (const Token& token : tokenize(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))))
      if ((token.kind == Tok::kWord || token.kind == Tok::kQuoted) && identifierOf(token) == name)
        found = true;
  sqlite3_finalize(stmt);
  return found;
}

}  // namespace

std::string hexDigits(std::string_view bytes) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  for (const char c : bytes) {
    out += kHex[static_cast<unsigned char>(c) >> 4];
    out += kHex[static_cast<unsigned char>(c) & 15];
  }
  return out;
}

std::string hexBytes(std::string_view digits) {
  std::string out;
  for (std::size_t k = 0; k + 1 < digits.size(); k += 2)
    out += static_cast<char>(std::stoi(std::string(digits.substr(k, 2)), nullptr, 16));
  return out;
}

std::string toJson(const ObjectValue& value) {
  switch (value.kind) {
    case ObjectValue::Kind::kNull:
      return "null";
    case ObjectValue::Kind::kNumber:
      return value.text;
    case ObjectValue::Kind::kText: {
      std::string out;
      appendJsonText(out, value.text);
      return out;
    }
    case ObjectValue::Kind::kList:
      break;
  }
  std::string out = "[";
  for (std::size_t k = 0; k < value.items.size(); ++k)
    out += (k > 0 ? "," : "") + toJson(value.items[k]);
  return out + "]";
}

bool parseJson(std::string_view json, ObjectValue& value) {
  JsonReader reader(json);
  value = {};
  return reader.value(value) && reader.atEnd();
}

OraError unknownTypeError(const std::string& name) {
  return {kObjectNotFound, "object " + name + " does not exist"};
}

bool findType(sqlite3* db, const std::string& name, ObjectType& type) {
  if (name == kXmlTypeName) {
    type = {};
    type.name = name;
    type.code = OCI_TYPECODE_OBJECT;
    type.attributes.push_back({"XMLDATA", OCI_TYPECODE_VARCHAR2, "", 0, 0, 0});
    return true;
  }
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT definition FROM ociclient_types WHERE name = ?1", -1, &stmt,
                         nullptr) != SQLITE_OK)
    return false;
  sqlite3_bind_text(stmt, 1, name.c_str(), -1, SQLITE_TRANSIENT);
  std::string definition;
  const bool found = sqlite3_step(stmt) == SQLITE_ROW;
  if (found) definition = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
  sqlite3_finalize(stmt);
  if (!found) return false;
  type = {};
  type.name = name;
  OraError ignored;
  return parseDefinition(db, definition, type, ignored);
}

bool runTypeStatement(Connection& connection, const std::string& sql, OraError& error) {
  const std::vector<Token> t = tokenize(sql);
  std::size_t i = nextSig(t, static_cast<std::size_t>(-1));
  const bool create = isWord(t, i, "CREATE");
  if (!create && !isWord(t, i, "DROP")) return false;
  i = nextSig(t, i);
  if (create && isWord(t, i, "OR")) i = nextSig(t, nextSig(t, i));  // OR REPLACE
  if (!isWord(t, i, "TYPE")) return false;
  i = nextSig(t, i);
  error = {0, ""};
  if (i >= t.size()) return error = {kInvalidSqlStatement, "invalid type name"}, true;
  const std::string name = identifierOf(t[i]);
  i = nextSig(t, i);
  sqlite3* db = connection.db;
  if (!connection.commit(error)) return true;
  sqlite3_exec(db, kTypesTable, nullptr, nullptr, nullptr);
  if (!create) {
    ObjectType existing;
    if (!findType(db, name, existing)) return error = unknownTypeError(name), true;
    if (hasDependents(db, name))
      return error = {2303, "cannot drop or replace a type with type or table dependents"}, true;
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "DELETE FROM ociclient_types WHERE name = ?1", -1, &stmt, nullptr);
    sqlite3_bind_text(stmt, 1, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    return true;
  }
  if (!isWord(t, i, "AS") && !isWord(t, i, "IS"))
    return error = {kInvalidSqlStatement, "missing AS keyword"}, true;
  std::string definition = sql.substr(t[i].offset + t[i].text.size());
  while (!definition.empty() && (definition.back() == ';' || definition.back() == '/' ||
                                 std::isspace(static_cast<unsigned char>(definition.back()))))
    definition.pop_back();
  ObjectType type;
  type.name = name;
  if (!parseDefinition(db, definition, type, error)) return true;
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO ociclient_types VALUES (?1, ?2)", -1, &stmt,
                     nullptr);
  sqlite3_bind_text(stmt, 1, name.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(stmt, 2, definition.c_str(), -1, SQLITE_TRANSIENT);
  const int rc = sqlite3_step(stmt);
  sqlite3_finalize(stmt);
  if (rc != SQLITE_DONE || !registerConstructor(db, name))
    error = {kInternalError, "cannot record type " + name};
  return true;
}

bool registerTypeConstructors(sqlite3* db, OraError& error) {
  if (sqlite3_create_function_v2(db, "xmltype", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                 xmltypeFn, nullptr, nullptr, nullptr) != SQLITE_OK) {
    error = {kInternalError, "cannot register function xmltype"};
    return false;
  }
  if (sqlite3_create_function_v2(db, "ociclient_set_attributes", -1, SQLITE_UTF8, nullptr,
                                 setAttributesFn, nullptr, nullptr, nullptr) != SQLITE_OK ||
      !registerDerefFunction(db)) {
    error = {kInternalError, "cannot register the object functions"};
    return false;
  }
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT name FROM ociclient_types", -1, &stmt, nullptr) != SQLITE_OK)
    return true;  // no type created yet
  bool ok = true;
  while (sqlite3_step(stmt) == SQLITE_ROW)
    ok = registerConstructor(db, reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))) && ok;
  sqlite3_finalize(stmt);
  if (!ok) error = {kInternalError, "cannot register type constructors"};
  return ok;
}

}  // namespace ocistandin
