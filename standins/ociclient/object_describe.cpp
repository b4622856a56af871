// OCIDescribeAny of an object or collection type: a type parameter with its
// type code, attribute count and list, and a collection's element.
#include <cstring>

#include "api_support.h"
#include "object_columns.h"
#include "object_instances.h"
#include "object_tables.h"
#include "platform/text.h"

namespace ocistandin {

namespace {

// The parameter of a described type, or its list of attributes.
struct TypeParam : ParamDescriptor {
  TypeParam(Handle* parentHandle, ObjectType objectType, bool isList)
      : ParamDescriptor(parentHandle, ColumnInfo{}), type(std::move(objectType)), list(isList) {
    column.name = type.name;
    column.typeName = type.name;
    column.typeCode = type.isCollection() ? OCI_TYPECODE_NAMEDCOLLECTION : OCI_TYPECODE_OBJECT;
    column.dataType = column.typeCode;
  }
  ObjectType type;
  bool list;
};

ColumnInfo infoOf(const TypeElement& element) {
  ColumnInfo info;
  info.name = element.name;
  info.typeCode = element.code;
  info.dataType = element.code;
  info.dataSize = element.size;
  info.precision = element.precision;
  info.scale = element.scale;
  info.typeName = element.typeName;
  return info;
}

template <class T>
bool give(dvoid* value, ub4* size, T v) {
  if (value != nullptr) std::memcpy(value, &v, sizeof v);
  if (size != nullptr) *size = sizeof v;
  return true;
}

}  // namespace

Handle* describedParam(Handle& describe) {
  for (Handle* child : describe.children)
    if (dynamic_cast<TypeParam*>(child) != nullptr) return child;
  return nullptr;
}

bool typeParamAttribute(const ParamDescriptor& param, dvoid* value, ub4* size, ub4 attr,
                        sword& status) {
  status = OCI_SUCCESS;
  if (attr == OCI_ATTR_TYPECODE && param.column.typeCode != 0)
    return give<OCITypeCode>(value, size, param.column.typeCode);
  auto* type = dynamic_cast<const TypeParam*>(&param);
  if (type == nullptr) return false;
  switch (attr) {
    case OCI_ATTR_NUM_TYPE_ATTRS:
      return give<ub2>(value, size, static_cast<ub2>(type->type.attributes.size()));
    case OCI_ATTR_COLLECTION_TYPECODE:
      return give<OCITypeCode>(value, size, type->type.isCollection() ? type->type.code : 0);
    case OCI_ATTR_NUM_ELEMS:
      return give<ub4>(value, size, type->type.bound);
    case OCI_ATTR_REF_TDO: {
      // A REF to the type itself, kept with the parameter.
      auto* ref = registerHandle(std::make_unique<OCIRef>(const_cast<TypeParam*>(type)));
      ref->hex = refHex(type->type.name, 0);
      return give<OCIRef*>(value, size, ref);
    }
    case OCI_ATTR_LIST_TYPE_ATTRS:
    case OCI_ATTR_COLLECTION_ELEMENT: {
      Handle* made = nullptr;
      auto* owner = const_cast<TypeParam*>(type);
      if (attr == OCI_ATTR_LIST_TYPE_ATTRS)
        made = registerHandle(std::make_unique<TypeParam>(owner, type->type, true));
      else
        made = registerHandle(std::make_unique<ParamDescriptor>(owner, infoOf(type->type.element)));
      return give<Handle*>(value, size, made);
    }
    default:
      return false;
  }
}

sword typeListParam(const void* list, ErrorHandle* err, dvoid** param, ub4 position) {
  auto* owner = dynamic_cast<TypeParam*>(findHandle(list, OCI_DTYPE_PARAM));
  if (owner == nullptr || !owner->list) return fail(err, kUnimplemented);
  if (position == 0 || position > owner->type.attributes.size())
    return fail(err, OraError{24334, "no descriptor for this position"});
  *param = registerHandle(
      std::make_unique<ParamDescriptor>(owner, infoOf(owner->type.attributes[position - 1])));
  return OCI_SUCCESS;
}

}  // namespace ocistandin

using namespace ocistandin;

extern "C" {

sword OCIDescribeAny(OCISvcCtx* svchp, OCIError* errhp, dvoid* objptr, ub4 objnm_len,
                     ub1 objptr_typ, ub1, ub1 objtyp, OCIDescribe* dschp) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* svc = findAs<SvcCtxHandle>(svchp, OCI_HTYPE_SVCCTX);
  Handle* describe = findHandle(dschp, OCI_HTYPE_DESCRIBE);
  if (err == nullptr || svc == nullptr || describe == nullptr || objptr == nullptr)
    return OCI_INVALID_HANDLE;
  const auto connection = connectionOf(*svc);
  if (!connection) return fail(err, kNotConnected);
  ObjectType type;
  if (objptr_typ == OCI_OTYPE_PTR) {
    auto* tdo = findAs<TypeDescriptor>(objptr, kTypeDescriptor);
    if (tdo == nullptr) return OCI_INVALID_HANDLE;
    type = tdo->type;
  } else {
    std::string name =
        platform::UpperAscii(std::string(static_cast<const char*>(objptr), objnm_len));
    for (const std::string& qualifier : {std::string("SYS."), connection->user + "."})
      if (name.starts_with(qualifier)) name = name.substr(qualifier.size());
    if (objtyp != OCI_PTYPE_TYPE && objtyp != 0) return fail(err, kUnimplemented);
    if (!findType(connection->db, name, type)) return fail(err, unknownTypeError(name));
  }
  while (!describe->children.empty()) freeHandle(describe->children.back());
  registerHandle(std::make_unique<TypeParam>(describe, std::move(type), false));
  return OCI_SUCCESS;
}

}  // extern "C"
