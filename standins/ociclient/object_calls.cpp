// The object-cache calls: type lookup, instances and their attributes, the
// OCINumber/OCIString/OCIRaw helpers, collections, and freeing.
#include <cmath>
#include <cstring>

#include "api_support.h"
#include "lob.h"
#include "lob_value.h"
#include "object_instances.h"
#include "object_tables.h"
#include "ociclient_testing.h"
#include "oracle_format.h"
#include "platform/text.h"
#include "statement.h"

using namespace ocistandin;

namespace {

sb4 constexpr kUnknownAttribute = 22309;
sb4 constexpr kInvalidObject = 21710;
sb4 constexpr kNoElement = 22160;

std::string textOf(const void* p, ub4 length) {
  return p == nullptr ? std::string() : std::string(static_cast<const char*>(p), length);
}

ObjectInstance* findInstance(const void* p) {
  return findAs<ObjectInstance>(p, kObjectInstance);
}

// The type name without the user's or SYS's qualifier.
std::string unqualified(const std::string& schema, const std::string& name) {
  std::string upper = platform::UpperAscii(name);
  const auto dot = upper.find('.');
  if (schema.empty() && dot != std::string::npos) upper = upper.substr(dot + 1);
  return upper;
}

void syncIndicators(ObjectInstance& instance) {
  instance.indicators.resize(instance.slots.size() + 1, OCI_IND_NULL);
  for (std::size_t k = 0; k < instance.slots.size(); ++k)
    instance.indicators[k + 1] = instance.slots[k]->indicator;
}

// Walks a path of attribute names (or 1-based indexes) to its slot.
AttributeSlot* slotOf(ObjectInstance* instance, const text** names, const ub4* lengths,
                      ub4 nameCount, const ub4* indexes, ub4 indexCount,
                      const TypeElement** element, ObjectInstance** owner, OraError& error,
                      std::vector<AttributeSlot*>* path = nullptr) {
  const ub4 count = nameCount != 0 ? nameCount : indexCount;
  AttributeSlot* slot = nullptr;
  for (ub4 step = 0; step < count; ++step) {
    if (instance == nullptr || instance->type.isCollection()) {
      error = {kInvalidObject, "attempt to perform an operation on a non-object"};
      return nullptr;
    }
    std::size_t k = instance->type.attributes.size();
    if (nameCount != 0) {
      const std::string wanted = platform::UpperAscii(textOf(names[step], lengths[step]));
      for (k = 0; k < instance->type.attributes.size(); ++k)
        if (instance->type.attributes[k].name == wanted) break;
    } else if (indexes[step] >= 1) {
      k = indexes[step] - 1;
    }
    if (k >= instance->type.attributes.size()) {
      error = {kUnknownAttribute, "unknown attribute name"};
      return nullptr;
    }
    slot = instance->slots[k].get();
    if (path != nullptr) path->push_back(slot);
    *owner = instance;
    *element = &instance->type.attributes[k];
    instance = slot->nested;
  }
  return slot;
}

// The caller's view of a slot's value: a pointer into the slot.
void* valuePointer(AttributeSlot& slot, const TypeElement& element) {
  switch (element.code) {
    case OCI_TYPECODE_NUMBER:
      return &slot.number;
    case OCI_TYPECODE_DATE:
      return &slot.date;
    case OCI_TYPECODE_RAW:
      return &slot.raw;
    case OCI_TYPECODE_REF:
      return &slot.ref;
    case OCI_TYPECODE_OBJECT:
      return slot.nested;
    case OCI_TYPECODE_NAMEDCOLLECTION:
      return &slot.collection;
    case OCI_TYPECODE_CLOB:
    case OCI_TYPECODE_BLOB:
      return &slot.lob;
    default:
      return &slot.string;
  }
}

// Copies a value the caller passes in its view's form into a slot.
bool assignSlot(ObjectInstance& owner, AttributeSlot& slot, const TypeElement& element,
                const void* value, OCIInd indicator, OraError& error) {
  slot.indicator = indicator == OCI_IND_NULL ? OCI_IND_NULL : OCI_IND_NOTNULL;
  const bool lob = element.code == OCI_TYPECODE_CLOB || element.code == OCI_TYPECODE_BLOB;
  // A new value (or null) replaces what the attribute's locator held.
  if (lob && (value != nullptr || indicator == OCI_IND_NULL)) releaseSlotLocator(slot);
  if (value == nullptr) return true;
  switch (element.code) {
    case OCI_TYPECODE_NUMBER:
      std::memcpy(&slot.number, value, sizeof slot.number);
      return true;
    case OCI_TYPECODE_DATE:
      std::memcpy(&slot.date, value, sizeof slot.date);
      return true;
    case OCI_TYPECODE_OBJECT:
    case OCI_TYPECODE_NAMEDCOLLECTION: {
      const void* source =
          element.code == OCI_TYPECODE_OBJECT ? value : *static_cast<OCIColl* const*>(value);
      auto* from = findInstance(source);
      if (from == nullptr || from->type.name != element.typeName || slot.nested == nullptr) {
        error = {kInconsistentTypes, "inconsistent datatypes: expected " + element.typeName};
        return false;
      }
      copyInstance(*slot.nested, *from);
      return true;
    }
    default:
      break;
  }
  const auto* handle = *static_cast<Handle* const*>(value);
  std::string bytes;
  if (auto* s = findAs<OCIString>(handle, kStringValue); s != nullptr) bytes = s->bytes;
  if (auto* r = findAs<OCIRaw>(handle, kRawValue); r != nullptr) bytes = r->bytes;
  if (auto* r = findAs<OCIRef>(handle, kRefValue); r != nullptr) bytes = r->hex;
  if (auto* l = findAs<LobLocator>(handle, OCI_DTYPE_LOB); l != nullptr && lob) {
    if (!loadLob(*l, bytes, error)) return false;
    if (element.code == OCI_TYPECODE_BLOB) bytes = hexDigits(bytes);
  }
  if (element.code == OCI_TYPECODE_RAW) {
    if (slot.raw == nullptr) slot.raw = registerHandle(std::make_unique<OCIRaw>(&owner));
    slot.raw->bytes = bytes;
  } else if (element.code == OCI_TYPECODE_REF) {
    if (slot.ref == nullptr) slot.ref = registerHandle(std::make_unique<OCIRef>(&owner));
    slot.ref->hex = bytes;
  } else {
    if (!lob && bytes.size() > element.size && element.size != 0) {
      error = {kValueTooLarge, "value too large for attribute " + element.name};
      return false;
    }
    if (slot.string == nullptr) slot.string = registerHandle(std::make_unique<OCIString>(&owner));
    slot.string->bytes = bytes;
  }
  return true;
}

sword numberError(OCIError* errhp, sb4 code, const char* textOfError) {
  ErrorHandle* err = beginCall(errhp);
  if (err == nullptr) return OCI_INVALID_HANDLE;
  return fail(err, OraError{code, textOfError});
}

// A collection's element k (0-based), or null when it does not exist.
AttributeSlot* elementSlot(ObjectInstance& coll, sb4 index) {
  if (index < 0 || static_cast<std::size_t>(index) >= coll.slots.size() ||
      !coll.exists[static_cast<std::size_t>(index)])
    return nullptr;
  return coll.slots[static_cast<std::size_t>(index)].get();
}

ObjectInstance* collectionOf(const OCIColl* coll) {
  auto* instance = findInstance(coll);
  return instance != nullptr && instance->type.isCollection() ? instance : nullptr;
}

// The bytes of an OCIString or OCIRaw (null and 0 for a stale pointer).
template <class T>
std::pair<char*, ub4> heldBytes(const void* p, ub4 type) {
  ApiLock lock(apiMutex());
  auto* held = findAs<T>(p, type);
  if (held == nullptr) return {nullptr, 0};
  return {held->bytes.data(), static_cast<ub4>(held->bytes.size())};
}

// Assigns bytes to an OCIString or OCIRaw, made in the environment when *lhs
// is null.
template <class T>
sword assignBytes(OCIEnv* env, OCIError* errhp, std::string bytes, T** lhs, ub4 type) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* envHandle = findAs<EnvHandle>(env, OCI_HTYPE_ENV);
  if (err == nullptr || envHandle == nullptr || lhs == nullptr) return OCI_INVALID_HANDLE;
  if (*lhs == nullptr) *lhs = registerHandle(std::make_unique<T>(envHandle));
  auto* held = findAs<T>(*lhs, type);
  if (held == nullptr) return OCI_INVALID_HANDLE;
  held->bytes = std::move(bytes);
  return OCI_SUCCESS;
}

}  // namespace

extern "C" {

sword OCITypeByName(OCIEnv* env, OCIError* errhp, const OCISvcCtx* svchp, const text* schema_name,
                    ub4 s_length, const text* type_name, ub4 t_length, const text*, ub4,
                    OCIDuration, OCITypeGetOpt, OCIType** tdo) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* envHandle = findAs<EnvHandle>(env, OCI_HTYPE_ENV);
  auto* svc = findAs<SvcCtxHandle>(svchp, OCI_HTYPE_SVCCTX);
  if (err == nullptr || envHandle == nullptr || svc == nullptr || tdo == nullptr)
    return OCI_INVALID_HANDLE;
  const auto connection = connectionOf(*svc);
  if (!connection) return fail(err, kNotConnected);
  const std::string schema = platform::UpperAscii(textOf(schema_name, s_length));
  const std::string name = unqualified(schema, textOf(type_name, t_length));
  for (Handle* h : envHandle->children)
    if (h->type == kTypeDescriptor && static_cast<TypeDescriptor*>(h)->type.name == name) {
      *tdo = reinterpret_cast<OCIType*>(h);
      return OCI_SUCCESS;
    }
  ObjectType type;
  if ((!schema.empty() && schema != connection->user && schema != "SYS") ||
      !findType(connection->db, name, type))
    return fail(err, unknownTypeError(schema.empty() ? name : schema + "." + name));
  *tdo = reinterpret_cast<OCIType*>(
      registerHandle(std::make_unique<TypeDescriptor>(envHandle, std::move(type))));
  return OCI_SUCCESS;
}

sword OCIObjectNew(OCIEnv* env, OCIError* errhp, const OCISvcCtx* svchp, OCITypeCode typecode,
                   OCIType* tdo, dvoid* table, OCIDuration, boolean, dvoid** instance) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* envHandle = findAs<EnvHandle>(env, OCI_HTYPE_ENV);
  if (err == nullptr || envHandle == nullptr || instance == nullptr) return OCI_INVALID_HANDLE;
  if (typecode == OCI_TYPECODE_REF) {
    *instance = registerHandle(std::make_unique<OCIRef>(envHandle));
    return OCI_SUCCESS;
  }
  auto* type = findAs<TypeDescriptor>(tdo, kTypeDescriptor);
  if (type == nullptr) return OCI_INVALID_HANDLE;
  auto* svc = findAs<SvcCtxHandle>(svchp, OCI_HTYPE_SVCCTX);
  const auto connection = svc != nullptr ? connectionOf(*svc) : nullptr;
  // In a table: the caller names the object table (a zero-terminated name);
  // the instance is new, written to a row of its own at the next flush.
  std::string tableName;
  if (table != nullptr) {
    tableName = platform::UpperAscii(static_cast<const char*>(table));
    if (!connection) return fail(err, kNotConnected);
    if (objectTableType(connection->db, tableName) != type->type.name)
      return fail(err, OraError{942, "table or view does not exist"});
  }
  auto* made = registerHandle(std::make_unique<ObjectInstance>(envHandle, type->type));
  initialiseSlots(*made);
  if (!tableName.empty()) {
    made->table = tableName;
    made->connection = connection;
    made->markedUpdate = true;
    made->indicators[0] = OCI_IND_NOTNULL;
  }
  // Nested objects and collections exist from the start (null).
  for (std::size_t k = 0; k < made->slots.size(); ++k) {
    const TypeElement& attribute = made->type.attributes[k];
    if (attribute.code != OCI_TYPECODE_OBJECT && attribute.code != OCI_TYPECODE_NAMEDCOLLECTION)
      continue;
    ObjectType nestedType;
    if (!connection || !findType(connection->db, attribute.typeName, nestedType)) continue;
    AttributeSlot& slot = *made->slots[k];
    slot.nested = registerHandle(std::make_unique<ObjectInstance>(made, nestedType));
    initialiseSlots(*slot.nested);
    slot.nested->indicators[0] = OCI_IND_NULL;
    if (attribute.code == OCI_TYPECODE_NAMEDCOLLECTION)
      slot.collection = reinterpret_cast<OCIColl*>(slot.nested);
  }
  *instance = made;
  return OCI_SUCCESS;
}

sword OCIObjectFree(OCIEnv*, OCIError* errhp, dvoid* instance, ub2) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  if (err == nullptr) return OCI_INVALID_HANDLE;
  Handle* handle = findHandle(instance, kObjectInstance);
  if (handle == nullptr) handle = findHandle(instance, kRefValue);
  if (handle == nullptr) return OCI_INVALID_HANDLE;
  // An embedded object belongs to its owner.
  if (handle->parent != nullptr && handle->parent->type == kObjectInstance) return OCI_SUCCESS;
  freeHandle(handle);
  return OCI_SUCCESS;
}

sword OCIObjectGetInd(OCIEnv*, OCIError* errhp, dvoid* instance, dvoid** null_struct) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* object = findInstance(instance);
  if (err == nullptr || object == nullptr || null_struct == nullptr) return OCI_INVALID_HANDLE;
  syncIndicators(*object);
  *null_struct = object->indicators.data();
  return OCI_SUCCESS;
}

sword OCIObjectGetAttr(OCIEnv*, OCIError* errhp, dvoid* instance, dvoid*, OCIType*,
                       const text** names, const ub4* lengths, ub4 name_count, const ub4* indexes,
                       ub4 index_count, OCIInd* attr_null_status, dvoid** attr_null_struct,
                       dvoid** attr_value, OCIType** attr_tdo) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* object = findInstance(instance);
  if (err == nullptr || object == nullptr) return OCI_INVALID_HANDLE;
  OraError error;
  const TypeElement* element = nullptr;
  ObjectInstance* owner = nullptr;
  AttributeSlot* slot =
      slotOf(object, names, lengths, name_count, indexes, index_count, &element, &owner, error);
  if (slot == nullptr) return fail(err, error);
  if (slot->nested != nullptr) slot->indicator = slot->nested->indicators[0];
  if (element->code == OCI_TYPECODE_CLOB || element->code == OCI_TYPECODE_BLOB) {
    // A LOB attribute is handed out as a locator over its value; one written
    // through it is no longer null.
    LobLocator* locator = slotLocator(*owner, *slot, *element);
    if (locator == nullptr) return fail(err, kNotConnected);
    std::string value;
    if (loadLob(*locator, value, error) && !value.empty()) slot->indicator = OCI_IND_NOTNULL;
  }
  if (attr_null_status != nullptr)
    *attr_null_status = slot->indicator == OCI_IND_NULL ? OCI_IND_NULL : OCI_IND_NOTNULL;
  if (attr_null_struct != nullptr) {
    if (slot->nested != nullptr) syncIndicators(*slot->nested);
    *attr_null_struct = slot->nested != nullptr ? slot->nested->indicators.data()
                                                : static_cast<void*>(&slot->indicator);
  }
  if (attr_value != nullptr) *attr_value = valuePointer(*slot, *element);
  if (attr_tdo != nullptr) *attr_tdo = nullptr;
  return OCI_SUCCESS;
}

sword OCIObjectSetAttr(OCIEnv*, OCIError* errhp, dvoid* instance, dvoid*, OCIType*,
                       const text** names, const ub4* lengths, ub4 name_count, const ub4* indexes,
                       ub4 index_count, OCIInd null_status, const dvoid*, const dvoid* attr_value) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* object = findInstance(instance);
  if (err == nullptr || object == nullptr) return OCI_INVALID_HANDLE;
  OraError error;
  const TypeElement* element = nullptr;
  ObjectInstance* owner = nullptr;
  std::vector<AttributeSlot*> path;
  AttributeSlot* slot = slotOf(object, names, lengths, name_count, indexes, index_count, &element,
                               &owner, error, &path);
  if (slot == nullptr) return fail(err, error);
  // A value set inside a nested object makes the objects on its way not null.
  if (null_status != OCI_IND_NULL)
    for (AttributeSlot* step : path)
      if (step != slot && step->nested != nullptr) {
        step->indicator = OCI_IND_NOTNULL;
        step->nested->indicators[0] = OCI_IND_NOTNULL;
        syncIndicators(*step->nested);
      }
  if (!assignSlot(*owner, *slot, *element, attr_value, null_status, error)) return fail(err, error);
  object->indicators[0] = OCI_IND_NOTNULL;
  owner->indicators[0] = OCI_IND_NOTNULL;
  syncIndicators(*owner);
  syncIndicators(*object);
  return OCI_SUCCESS;
}

text* OCIStringPtr(OCIEnv*, const OCIString* vs) {
  return reinterpret_cast<text*>(heldBytes<OCIString>(vs, kStringValue).first);
}

ub4 OCIStringSize(OCIEnv*, const OCIString* vs) {
  return heldBytes<OCIString>(vs, kStringValue).second;
}

sword OCIStringAssignText(OCIEnv* env, OCIError* errhp, const text* rhs, ub4 rhs_len,
                          OCIString** lhs) {
  return assignBytes(env, errhp, textOf(rhs, rhs_len), lhs, kStringValue);
}

ub1* OCIRawPtr(OCIEnv*, const OCIRaw* raw) {
  return reinterpret_cast<ub1*>(heldBytes<OCIRaw>(raw, kRawValue).first);
}

ub4 OCIRawSize(OCIEnv*, const OCIRaw* raw) {
  return heldBytes<OCIRaw>(raw, kRawValue).second;
}

sword OCIRawAssignBytes(OCIEnv* env, OCIError* errhp, const ub1* rhs, ub4 rhs_len, OCIRaw** lhs) {
  return assignBytes(env, errhp, textOf(rhs, rhs_len), lhs, kRawValue);
}

sword OCINumberFromInt(OCIError* errhp, const dvoid* inum, uword inum_length, uword inum_s_flag,
                       OCINumber* number) {
  if (inum == nullptr || number == nullptr) return numberError(errhp, 22060, "argument is invalid");
  std::int64_t value = 0;
  if (inum_s_flag == OCI_NUMBER_SIGNED) {
    if (inum_length == 8)
      value = *static_cast<const std::int64_t*>(inum);
    else if (inum_length == 4)
      value = *static_cast<const std::int32_t*>(inum);
    else if (inum_length == 2)
      value = *static_cast<const std::int16_t*>(inum);
    else
      value = *static_cast<const std::int8_t*>(inum);
  } else {
    if (inum_length == 8)
      value = static_cast<std::int64_t>(*static_cast<const std::uint64_t*>(inum));
    else if (inum_length == 4)
      value = *static_cast<const std::uint32_t*>(inum);
    else if (inum_length == 2)
      value = *static_cast<const std::uint16_t*>(inum);
    else
      value = *static_cast<const std::uint8_t*>(inum);
  }
  numberFromText(numberText(value), *number);
  return OCI_SUCCESS;
}

sword OCINumberToInt(OCIError* errhp, const OCINumber* number, uword rsl_length, uword rsl_flag,
                     dvoid* rsl) {
  const auto value = number == nullptr ? std::nullopt : parseNumber(numberToText(*number));
  if (!value || rsl == nullptr) return numberError(errhp, 22060, "argument is invalid");
  const auto whole = static_cast<std::int64_t>(std::llround(*value));
  if (rsl_length == 8)
    *static_cast<std::int64_t*>(rsl) = whole;
  else if (rsl_length == 4)
    *static_cast<std::int32_t*>(rsl) = static_cast<std::int32_t>(whole);
  else if (rsl_length == 2)
    *static_cast<std::int16_t*>(rsl) = static_cast<std::int16_t>(whole);
  else
    *static_cast<std::int8_t*>(rsl) = static_cast<std::int8_t>(whole);
  (void)rsl_flag;
  return OCI_SUCCESS;
}

sword OCINumberFromReal(OCIError* errhp, const dvoid* rnum, uword rnum_length, OCINumber* number) {
  if (rnum == nullptr || number == nullptr) return numberError(errhp, 22060, "argument is invalid");
  const double value = rnum_length == sizeof(float) ? *static_cast<const float*>(rnum)
                                                    : *static_cast<const double*>(rnum);
  numberFromText(numberText(value), *number);
  return OCI_SUCCESS;
}

sword OCINumberToReal(OCIError* errhp, const OCINumber* number, uword rsl_length, dvoid* rsl) {
  const auto value = number == nullptr ? std::nullopt : parseNumber(numberToText(*number));
  if (!value || rsl == nullptr) return numberError(errhp, 22060, "argument is invalid");
  if (rsl_length == sizeof(float))
    *static_cast<float*>(rsl) = static_cast<float>(*value);
  else
    *static_cast<double*>(rsl) = *value;
  return OCI_SUCCESS;
}

// The number's text form; format models are not used here.
sword OCINumberToText(OCIError* errhp, const OCINumber* number, const text*, ub4, const text*, ub4,
                      ub4* buf_size, text* buf) {
  if (number == nullptr || buf_size == nullptr || buf == nullptr)
    return numberError(errhp, 22060, "argument is invalid");
  const std::string value = numberToText(*number);
  if (value.size() > *buf_size)
    return numberError(errhp, 22065,
                       "number to text translation for the given format causes overflow");
  std::memcpy(buf, value.data(), value.size());
  *buf_size = static_cast<ub4>(value.size());
  return OCI_SUCCESS;
}

sword OCINumberFromText(OCIError* errhp, const text* str, ub4 str_length, const text*, ub4,
                        const text*, ub4, OCINumber* number) {
  const auto value = parseNumber(textOf(str, str_length));
  if (!value || number == nullptr) return numberError(errhp, kInvalidNumber, "invalid number");
  numberFromText(numberText(*value), *number);
  return OCI_SUCCESS;
}

sword OCICollSize(OCIEnv*, OCIError* errhp, const OCIColl* coll, sb4* size) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  ObjectInstance* c = collectionOf(coll);
  if (err == nullptr || c == nullptr || size == nullptr) return OCI_INVALID_HANDLE;
  *size = static_cast<sb4>(c->slots.size());
  return OCI_SUCCESS;
}

sb4 OCICollMax(OCIEnv*, const OCIColl* coll) {
  ApiLock lock(apiMutex());
  ObjectInstance* c = collectionOf(coll);
  return c == nullptr ? 0 : static_cast<sb4>(c->type.bound);
}

sword OCICollGetElem(OCIEnv*, OCIError* errhp, const OCIColl* coll, sb4 index, boolean* exists,
                     dvoid** elem, dvoid** elemind) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  ObjectInstance* c = collectionOf(coll);
  if (err == nullptr || c == nullptr || exists == nullptr) return OCI_INVALID_HANDLE;
  AttributeSlot* slot = elementSlot(*c, index);
  *exists = slot != nullptr ? 1 : 0;
  if (slot == nullptr) return OCI_SUCCESS;
  if (elem != nullptr) *elem = valuePointer(*slot, c->type.element);
  if (elemind != nullptr) *elemind = &slot->indicator;
  return OCI_SUCCESS;
}

sword OCICollAssignElem(OCIEnv*, OCIError* errhp, sb4 index, const dvoid* elem,
                        const dvoid* elemind, OCIColl* coll) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  ObjectInstance* c = collectionOf(coll);
  if (err == nullptr || c == nullptr) return OCI_INVALID_HANDLE;
  AttributeSlot* slot = elementSlot(*c, index);
  if (slot == nullptr)
    return fail(err, OraError{kNoElement, "index [" + std::to_string(index) +
                                              "] is not within the collection"});
  OraError error;
  const OCIInd ind = elemind != nullptr ? *static_cast<const OCIInd*>(elemind) : OCI_IND_NOTNULL;
  return assignSlot(*c, *slot, c->type.element, elem, ind, error) ? OCI_SUCCESS : fail(err, error);
}

sword OCICollAppend(OCIEnv*, OCIError* errhp, const dvoid* elem, const dvoid* elemind,
                    OCIColl* coll) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  ObjectInstance* c = collectionOf(coll);
  if (err == nullptr || c == nullptr) return OCI_INVALID_HANDLE;
  if (c->type.bound != 0 && c->slots.size() >= c->type.bound)
    return fail(err, OraError{22909, "exceeded maximum VARRAY limit"});
  c->slots.push_back(std::make_unique<AttributeSlot>());
  c->exists.push_back(true);
  c->indicators[0] = OCI_IND_NOTNULL;
  AttributeSlot& slot = *c->slots.back();
  const TypeElement& element = c->type.element;
  if (element.code == OCI_TYPECODE_OBJECT || element.code == OCI_TYPECODE_NAMEDCOLLECTION) {
    auto* from =
        findInstance(element.code == OCI_TYPECODE_OBJECT
                         ? elem
                         : (elem != nullptr ? *static_cast<OCIColl* const*>(elem) : nullptr));
    if (from == nullptr) {
      c->slots.pop_back();
      c->exists.pop_back();
      return fail(err, OraError{kInconsistentTypes,
                                "inconsistent datatypes: expected " + element.typeName});
    }
    slot.nested = registerHandle(std::make_unique<ObjectInstance>(c, from->type));
    if (element.code == OCI_TYPECODE_NAMEDCOLLECTION)
      slot.collection = reinterpret_cast<OCIColl*>(slot.nested);
  }
  OraError error;
  const OCIInd ind = elemind != nullptr ? *static_cast<const OCIInd*>(elemind) : OCI_IND_NOTNULL;
  if (!assignSlot(*c, slot, element, elem, ind, error)) {
    c->slots.pop_back();
    c->exists.pop_back();
    return fail(err, error);
  }
  return OCI_SUCCESS;
}

sword OCICollTrim(OCIEnv*, OCIError* errhp, sb4 trim_num, OCIColl* coll) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  ObjectInstance* c = collectionOf(coll);
  if (err == nullptr || c == nullptr) return OCI_INVALID_HANDLE;
  if (trim_num < 0 || static_cast<std::size_t>(trim_num) > c->slots.size())
    return fail(err, OraError{22167, "given trim size [" + std::to_string(trim_num) +
                                         "] must be less than or equal to [" +
                                         std::to_string(c->slots.size()) + "]"});
  for (sb4 k = 0; k < trim_num; ++k) {
    clearSlot(*c->slots.back());
    c->slots.pop_back();
    c->exists.pop_back();
  }
  return OCI_SUCCESS;
}

sword OCITableDelete(OCIEnv*, OCIError* errhp, sb4 index, OCITable* tbl) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  ObjectInstance* c = collectionOf(tbl);
  if (err == nullptr || c == nullptr) return OCI_INVALID_HANDLE;
  if (c->type.code != OCI_TYPECODE_TABLE || elementSlot(*c, index) == nullptr)
    return fail(err, OraError{kNoElement, "index [" + std::to_string(index) +
                                              "] is not within the collection"});
  c->exists[static_cast<std::size_t>(index)] = false;
  return OCI_SUCCESS;
}

int ociStandin_LiveObjects(void) {
  ApiLock lock(apiMutex());
  return ObjectInstance::live;
}

}  // extern "C"
