#include "object_instances.h"

#include <algorithm>
#include <cstring>

#include "connection.h"
#include "lob.h"
#include "lob_value.h"
#include "oracle_format.h"
#include "statement.h"

OCIString::OCIString(ocistandin::Handle* parentHandle)
    : Handle(ocistandin::kStringValue, parentHandle) {}
OCIRaw::OCIRaw(ocistandin::Handle* parentHandle) : Handle(ocistandin::kRawValue, parentHandle) {}
OCIRef::OCIRef(ocistandin::Handle* parentHandle) : Handle(ocistandin::kRefValue, parentHandle) {
  ++ocistandin::ObjectInstance::live;
}
OCIRef::~OCIRef() {
  --ocistandin::ObjectInstance::live;
}

namespace ocistandin {

int ObjectInstance::live = 0;

ObjectInstance::ObjectInstance(Handle* parentHandle, ObjectType objectType)
    : Handle(kObjectInstance, parentHandle), type(std::move(objectType)) {
  ++live;
}

ObjectInstance::~ObjectInstance() {
  // The slots' locators went before (children first); their values go now.
  for (const auto& slot : slots)
    if (const auto session = slot->lobSession.lock())
      session->temporaryLobs.free(slot->lobTemporary);
  --live;
}

namespace {

// The element types of an instance's slots.
const TypeElement& elementOf(const ObjectInstance& instance, std::size_t k) {
  return instance.type.isCollection() ? instance.type.element : instance.type.attributes[k];
}

template <class T>
T* child(Handle* parent) {
  return registerHandle(std::make_unique<T>(parent));
}

void loadSlot(ObjectInstance& owner, AttributeSlot& slot, const TypeElement& element,
              const ObjectValue& value, sqlite3* db) {
  clearSlot(slot);
  if (element.code == OCI_TYPECODE_OBJECT || element.code == OCI_TYPECODE_NAMEDCOLLECTION) {
    ObjectType nestedType;
    if (!findType(db, element.typeName, nestedType)) return;
    slot.nested = registerHandle(std::make_unique<ObjectInstance>(&owner, nestedType));
    if (element.code == OCI_TYPECODE_NAMEDCOLLECTION)
      slot.collection = reinterpret_cast<OCIColl*>(slot.nested);
    loadInstance(*slot.nested, value, db);
    slot.indicator = value.kind == ObjectValue::Kind::kNull ? OCI_IND_NULL : OCI_IND_NOTNULL;
    return;
  }
  if (value.kind == ObjectValue::Kind::kNull || value.kind == ObjectValue::Kind::kList) return;
  slot.indicator = OCI_IND_NOTNULL;
  switch (element.code) {
    case OCI_TYPECODE_NUMBER:
      numberFromText(value.text, slot.number);
      break;
    case OCI_TYPECODE_DATE: {
      const auto parts = parseIsoDate(value.text);
      if (!parts) {
        slot.indicator = OCI_IND_NULL;
        break;
      }
      slot.date.OCIDateYYYY = static_cast<sb2>(parts->year);
      slot.date.OCIDateMM = static_cast<ub1>(parts->month);
      slot.date.OCIDateDD = static_cast<ub1>(parts->day);
      slot.date.OCIDateTime = {static_cast<ub1>(parts->hour), static_cast<ub1>(parts->minute),
                               static_cast<ub1>(parts->second)};
      break;
    }
    case OCI_TYPECODE_RAW:
      slot.raw = child<OCIRaw>(&owner);
      slot.raw->bytes = hexBytes(value.text);
      break;
    case OCI_TYPECODE_REF:
      slot.ref = child<OCIRef>(&owner);
      slot.ref->hex = value.text;
      break;
    default:
      slot.string = child<OCIString>(&owner);
      slot.string->bytes = value.text;
      break;
  }
}

ObjectValue slotValue(const AttributeSlot& slot, const TypeElement& element) {
  ObjectValue out;
  // A nested object or collection is as null as its own indicator says.
  if (slot.nested != nullptr) return storedValue(*slot.nested);
  // A null LOB attribute written through its locator holds a value now.
  std::string written;
  OraError ignored;
  const bool lobWritten =
      slot.lob != nullptr && loadLob(*slot.lob, written, ignored) && !written.empty();
  if (slot.indicator == OCI_IND_NULL && !lobWritten) return out;
  out.kind = ObjectValue::Kind::kText;
  switch (element.code) {
    case OCI_TYPECODE_NUMBER:
      out.kind = ObjectValue::Kind::kNumber;
      out.text = numberToText(slot.number);
      break;
    case OCI_TYPECODE_DATE: {
      DateParts parts;
      parts.year = slot.date.OCIDateYYYY;
      parts.month = slot.date.OCIDateMM;
      parts.day = slot.date.OCIDateDD;
      parts.hour = slot.date.OCIDateTime.OCITimeHH;
      parts.minute = slot.date.OCIDateTime.OCITimeMI;
      parts.second = slot.date.OCIDateTime.OCITimeSS;
      out.text = isoText(parts);
      break;
    }
    case OCI_TYPECODE_RAW:
      if (slot.raw != nullptr) out.text = hexDigits(slot.raw->bytes);
      break;
    case OCI_TYPECODE_REF:
      if (slot.ref == nullptr || slot.ref->hex.empty()) return {};
      out.text = slot.ref->hex;
      break;
    case OCI_TYPECODE_CLOB:
    case OCI_TYPECODE_BLOB:
      // The locator's value, once there is one.
      if (slot.lob != nullptr)
        out.text = element.code == OCI_TYPECODE_BLOB ? hexDigits(written) : written;
      else if (slot.string != nullptr)
        out.text = slot.string->bytes;
      break;
    default:
      if (slot.string != nullptr) out.text = slot.string->bytes;
      break;
  }
  return out;
}

}  // namespace

std::shared_ptr<Connection> sessionOf(const Handle* handle) {
  for (const Handle* h = handle; h != nullptr; h = h->parent) {
    if (h->type == kObjectInstance)
      if (auto own = static_cast<const ObjectInstance*>(h)->connection.lock()) return own;
    if (h->type != OCI_HTYPE_ENV) continue;
    for (Handle* child : h->children)
      if (child->type == OCI_HTYPE_SVCCTX)
        if (auto connection = connectionOf(*static_cast<SvcCtxHandle*>(child))) return connection;
  }
  return nullptr;
}

LobLocator* slotLocator(ObjectInstance& owner, AttributeSlot& slot, const TypeElement& element) {
  if (slot.lob != nullptr) return slot.lob;
  const auto connection = sessionOf(&owner);
  if (!connection) return nullptr;
  auto* locator = registerHandle(std::make_unique<LobLocator>(OCI_DTYPE_LOB, &owner));
  locator->kind = LobLocator::Kind::kTemporary;
  locator->lobType = element.code == OCI_TYPECODE_BLOB ? SQLT_BLOB : SQLT_CLOB;
  locator->connection = connection;
  locator->temporaryId = connection->temporaryLobs.create();
  slot.lobTemporary = locator->temporaryId;
  slot.lobSession = connection;
  std::string& value = *connection->temporaryLobs.find(locator->temporaryId);
  // A BLOB's stored form is hexadecimal digits, a CLOB's its text.
  const std::string held = slot.string != nullptr ? slot.string->bytes : std::string();
  value = element.code == OCI_TYPECODE_BLOB ? hexBytes(held) : held;
  slot.lob = locator;
  return locator;
}

void releaseSlotLocator(AttributeSlot& slot) {
  if (const auto session = slot.lobSession.lock()) session->temporaryLobs.free(slot.lobTemporary);
  slot.lobSession.reset();
  if (slot.lob != nullptr) freeHandle(slot.lob);
  slot.lob = nullptr;
}

void clearSlot(AttributeSlot& slot) {
  releaseSlotLocator(slot);
  for (Handle* owned : {static_cast<Handle*>(slot.string), static_cast<Handle*>(slot.raw),
                        static_cast<Handle*>(slot.ref), static_cast<Handle*>(slot.nested)})
    if (owned != nullptr) freeHandle(owned);
  slot = {};
}

void initialiseSlots(ObjectInstance& instance) {
  for (auto& slot : instance.slots) clearSlot(*slot);
  instance.slots.clear();
  instance.exists.clear();
  if (!instance.type.isCollection())
    for (std::size_t k = 0; k < instance.type.attributes.size(); ++k)
      instance.slots.push_back(std::make_unique<AttributeSlot>());
  instance.indicators.assign(instance.slots.size() + 1, OCI_IND_NULL);
  instance.indicators[0] = OCI_IND_NOTNULL;
}

void loadInstance(ObjectInstance& instance, const ObjectValue& value, sqlite3* db) {
  // A reload (a refresh) drops the LOB values the old slots' locators held.
  for (auto& slot : instance.slots) releaseSlotLocator(*slot);
  instance.slots.clear();
  instance.exists.clear();
  if (instance.type.isCollection())
    for (std::size_t k = 0; k < value.items.size(); ++k) {
      instance.slots.push_back(std::make_unique<AttributeSlot>());
      instance.exists.push_back(true);
    }
  else
    for (std::size_t k = 0; k < instance.type.attributes.size(); ++k)
      instance.slots.push_back(std::make_unique<AttributeSlot>());
  // Free what the slots held before (the children of the instance).
  while (!instance.children.empty()) freeHandle(instance.children.back());
  for (std::size_t k = 0; k < instance.slots.size(); ++k) {
    const ObjectValue none;
    const ObjectValue& item = k < value.items.size() ? value.items[k] : none;
    loadSlot(instance, *instance.slots[k], elementOf(instance, k), item, db);
  }
  instance.indicators.assign(instance.slots.size() + 1, OCI_IND_NULL);
  instance.indicators[0] = value.kind == ObjectValue::Kind::kList ? OCI_IND_NOTNULL : OCI_IND_NULL;
  for (std::size_t k = 0; k < instance.slots.size(); ++k)
    instance.indicators[k + 1] = instance.slots[k]->indicator;
}

ObjectValue storedValue(const ObjectInstance& instance) {
  ObjectValue out;
  if (!instance.indicators.empty() && instance.indicators[0] == OCI_IND_NULL) return out;
  out.kind = ObjectValue::Kind::kList;
  for (std::size_t k = 0; k < instance.slots.size(); ++k) {
    if (instance.type.isCollection() && !instance.exists[k]) continue;
    out.items.push_back(slotValue(*instance.slots[k], elementOf(instance, k)));
  }
  return out;
}

void copyInstance(ObjectInstance& to, const ObjectInstance& from) {
  for (auto& slot : to.slots) releaseSlotLocator(*slot);
  to.slots.clear();
  while (!to.children.empty()) freeHandle(to.children.back());
  to.type = from.type;
  to.exists = from.exists;
  to.indicators = from.indicators;
  for (const auto& source : from.slots) {
    auto slot = std::make_unique<AttributeSlot>();
    slot->indicator = source->indicator;
    slot->number = source->number;
    slot->date = source->date;
    if (source->string != nullptr) {
      slot->string = child<OCIString>(&to);
      slot->string->bytes = source->string->bytes;
    }
    if (source->raw != nullptr) {
      slot->raw = child<OCIRaw>(&to);
      slot->raw->bytes = source->raw->bytes;
    }
    if (source->ref != nullptr) {
      slot->ref = child<OCIRef>(&to);
      slot->ref->hex = source->ref->hex;
    }
    if (source->nested != nullptr) {
      slot->nested = registerHandle(std::make_unique<ObjectInstance>(&to, source->nested->type));
      copyInstance(*slot->nested, *source->nested);
      if (source->collection != nullptr)
        slot->collection = reinterpret_cast<OCIColl*>(slot->nested);
    }
    to.slots.push_back(std::move(slot));
  }
}

void numberFromText(const std::string& text, OCINumber& number) {
  std::memset(number.OCINumberPart, 0, sizeof number.OCINumberPart);
  const std::size_t length = std::min<std::size_t>(text.size(), 21);
  number.OCINumberPart[0] = static_cast<ub1>(length);
  std::memcpy(number.OCINumberPart + 1, text.data(), length);
}

std::string numberToText(const OCINumber& number) {
  const std::size_t length = std::min<std::size_t>(number.OCINumberPart[0], 21);
  return std::string(reinterpret_cast<const char*>(number.OCINumberPart + 1), length);
}

}  // namespace ocistandin
