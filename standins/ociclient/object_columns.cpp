#include "object_columns.h"

#include "api_support.h"
#include "object_instances.h"
#include "platform/text.h"

namespace ocistandin {

namespace {

bool isXmlType(const ObjectType& type) {
  return type.name == kXmlTypeName;
}

// The environment a statement belongs to: instances made at fetch are its.
Handle* environmentOf(const Handle* handle) {
  Handle* h = const_cast<Handle*>(handle);
  while (h != nullptr && h->type != OCI_HTYPE_ENV) h = h->parent;
  return h;
}

}  // namespace

void describeObjectColumn(sqlite3* db, const std::string& declared, ColumnInfo& info) {
  // A size or precision ("VARCHAR2(30)", "NUMBER(5)") marks a built-in type:
  // object type names carry none, so the type catalogue is not asked.
  if (declared.find('(') != std::string::npos) return;
  std::string name = platform::UpperAscii(declared);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name.starts_with("SYS.")) name = name.substr(4);
  const bool ref = name.starts_with("REF ");
  if (ref) name = name.substr(4);
  ObjectType type;
  if (name.empty() || !findType(db, name, type)) return;
  info.dataType = ref ? SQLT_REF : SQLT_NTY;
  info.dataSize = ref ? 0 : 2000;
  info.precision = 0;
  info.scale = 0;
  info.typeName = name;
  info.typeSchema = isXmlType(type) ? "SYS" : std::string();
  info.charsetForm = 0;
  info.charsetId = 0;
}

bool fetchObjectColumn(const StmtHandle& stmt, const DefineHandle& define, ub4 row, sqlite3_stmt* s,
                       int c, OraError& error) {
  if (define.objects == nullptr) {
    error = {kInconsistentTypes, "inconsistent datatypes: object column without OCIDefineObject"};
    return false;
  }
  const auto* raw = reinterpret_cast<const char*>(sqlite3_column_text(s, c));
  const std::string text = raw != nullptr ? raw : "";
  void*& element = define.objects[row];
  if (define.dataType == SQLT_REF) {
    auto* ref = findAs<OCIRef>(element, kRefValue);
    if (ref == nullptr) {
      ref = registerHandle(std::make_unique<OCIRef>(environmentOf(&stmt)));
      element = ref;
    }
    ref->hex = text;
    return true;
  }
  const ColumnInfo& column = stmt.columns[static_cast<std::size_t>(c)];
  auto* instance = findAs<ObjectInstance>(element, kObjectInstance);
  if (instance == nullptr) {
    ObjectType type;
    if (!findType(stmt.connection->db, column.typeName, type)) {
      error = unknownTypeError(column.typeName);
      return false;
    }
    instance = registerHandle(std::make_unique<ObjectInstance>(environmentOf(&stmt), type));
    element = instance;
  }
  ObjectValue value;
  if (isXmlType(instance->type)) {
    value.kind = ObjectValue::Kind::kList;
    value.items.push_back({ObjectValue::Kind::kText, text, {}});
  } else if (!parseJson(text, value)) {
    error = {kInconsistentTypes,
             "inconsistent datatypes: the stored value is no " + column.typeName};
    return false;
  }
  loadInstance(*instance, value, stmt.connection->db);
  if (define.objectIndicators != nullptr)
    define.objectIndicators[row] = instance->indicators.data();
  return true;
}

bool objectBindValue(const BindHandle& bind, ub4 iteration, BindValue& out, OraError& error) {
  if (bind.objects == nullptr) {
    error = {kInconsistentTypes, "inconsistent datatypes: object bind without OCIBindObject"};
    return false;
  }
  const void* element = bind.objects[iteration];
  if (bind.dataType == SQLT_REF) {
    auto* ref = findAs<OCIRef>(element, kRefValue);
    if (ref == nullptr || ref->hex.empty()) return true;  // NULL
    out.kind = BindValue::Kind::kText;
    out.bytes = ref->hex;
    return true;
  }
  auto* instance = findAs<ObjectInstance>(element, kObjectInstance);
  if (instance == nullptr) {
    error = {kInconsistentTypes, "inconsistent datatypes: no object bound"};
    return false;
  }
  const ObjectValue value = storedValue(*instance);
  if (value.kind == ObjectValue::Kind::kNull) return true;
  out.kind = BindValue::Kind::kText;
  out.bytes = isXmlType(instance->type)
                  ? (value.items.empty() ? std::string() : value.items[0].text)
                  : toJson(value);
  return true;
}

}  // namespace ocistandin

using namespace ocistandin;

extern "C" {

sword OCIDefineObject(OCIDefine* defnp, OCIError* errhp, const OCIType*, dvoid** pgvpp, ub4*,
                      dvoid** indpp, ub4*) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* define = findAs<DefineHandle>(defnp, OCI_HTYPE_DEFINE);
  if (err == nullptr || define == nullptr || pgvpp == nullptr) return OCI_INVALID_HANDLE;
  define->objects = pgvpp;
  define->objectIndicators = indpp;
  return OCI_SUCCESS;
}

sword OCIBindObject(OCIBind* bindp, OCIError* errhp, const OCIType*, dvoid** pgvpp, ub4*, dvoid**,
                    ub4*) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* bind = findAs<BindHandle>(bindp, OCI_HTYPE_BIND);
  if (err == nullptr || bind == nullptr || pgvpp == nullptr) return OCI_INVALID_HANDLE;
  bind->objects = pgvpp;
  return OCI_SUCCESS;
}

}  // extern "C"
