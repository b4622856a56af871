// The catalogue of object and collection types (CREATE TYPE, DROP TYPE), kept
// in the table ociclient_types of the database file, and the stored form of
// object and collection values: JSON text, an object as the list of its
// attributes in type order, a collection as the list of its elements.
#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>
#include <vector>

#include "errors.h"

namespace ocistandin {

struct Connection;

// A stored value: null, a number (its text), a text (dates as
// "YYYY-MM-DD HH:MM:SS", RAW as hexadecimal digits, REFs as their hex
// form), or a list (object attributes or collection elements).
struct ObjectValue {
  enum class Kind { kNull, kNumber, kText, kList } kind = Kind::kNull;
  std::string text;
  std::vector<ObjectValue> items;
};

std::string toJson(const ObjectValue& value);
// RAW and BLOB values in their stored form, hexadecimal digits, and back.
std::string hexDigits(std::string_view bytes);
std::string hexBytes(std::string_view digits);
// False when `json` is no value of the form toJson writes.
bool parseJson(std::string_view json, ObjectValue& value);

// An object's attribute, or a collection's element (name empty).
struct TypeElement {
  std::string name;      // upper case
  OCITypeCode code = 0;  // OCI_TYPECODE_*
  std::string typeName;  // object, collection or REF target type
  ub2 size = 0;
  sb2 precision = 0;
  sb1 scale = 0;
};

struct ObjectType {
  std::string name;                     // upper case
  OCITypeCode code = 0;                 // OBJECT, VARRAY or TABLE
  ub4 bound = 0;                        // a VARRAY's limit
  std::vector<TypeElement> attributes;  // an object type's
  TypeElement element;                  // a collection type's
  bool isCollection() const { return code != OCI_TYPECODE_OBJECT; }
};

// Reads the type `name` (upper case; a "SYS." or the user's qualifier
// dropped by the caller). False when the catalogue does not hold it.
bool findType(sqlite3* db, const std::string& name, ObjectType& type);

// Runs CREATE [OR REPLACE] TYPE ... AS OBJECT (...) | AS VARRAY(n) OF t |
// AS TABLE OF t, and DROP TYPE. False when `sql` is neither; otherwise true
// with `error` set (code 0 when it succeeded). An unknown type in DROP TYPE
// or in a definition gives ORA-04043.
bool runTypeStatement(Connection& connection, const std::string& sql, OraError& error);

// Registers the constructor function T(...) of every catalogued type on
// `db` (at connection open, and after each CREATE TYPE).
bool registerTypeConstructors(sqlite3* db, OraError& error);

// The built-in XMLTYPE (owner SYS): an object of one VARCHAR2 attribute, its
// XML text; its columns hold the text itself.
inline constexpr const char* kXmlTypeName = "XMLTYPE";

// ORA-04043 for `name`.
OraError unknownTypeError(const std::string& name);

}  // namespace ocistandin
