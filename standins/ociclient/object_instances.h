// Object instances, collections, REFs and type descriptors of the stand-in
// client's object cache. The caller reaches them only through the OCI
// object calls, which hand out pointers into an instance's attribute slots
// in the published forms: OCINumber (the stand-in's own 22 bytes: a length
// byte and the number's decimal text), OCIDate, OCIString*, OCIRaw*,
// OCIRef*, the nested instance itself, or OCIColl*.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "handles.h"
#include "object_types.h"

// The caller sees these only as opaque pointers.
struct OCIString : ocistandin::Handle {
  explicit OCIString(ocistandin::Handle* parentHandle);
  std::string bytes;
};
struct OCIRaw : ocistandin::Handle {
  explicit OCIRaw(ocistandin::Handle* parentHandle);
  std::string bytes;
};
struct OCIRef : ocistandin::Handle {
  explicit OCIRef(ocistandin::Handle* parentHandle);
  ~OCIRef() override;
  std::string hex;  // empty: a null REF
};

namespace ocistandin {

struct Connection;
struct LobLocator;

// Private handle types of the object cache.
constexpr ub4 kTypeDescriptor = 1001;
constexpr ub4 kObjectInstance = 1002;
constexpr ub4 kStringValue = 1003;
constexpr ub4 kRawValue = 1004;
constexpr ub4 kRefValue = 1005;

// A type pinned by OCITypeByName (or a describe), kept by its environment.
struct TypeDescriptor : Handle {
  TypeDescriptor(Handle* parentHandle, ObjectType objectType)
      : Handle(kTypeDescriptor, parentHandle), type(std::move(objectType)) {}
  ObjectType type;
};

struct ObjectInstance;

// One attribute or element: its null indicator and its value in the form
// the caller reads.
struct AttributeSlot {
  OCIInd indicator = OCI_IND_NULL;
  OCINumber number{};
  OCIDate date{};
  OCIString* string = nullptr;  // children of the instance
  OCIRaw* raw = nullptr;
  OCIRef* ref = nullptr;
  ObjectInstance* nested = nullptr;  // an object or a collection
  OCIColl* collection = nullptr;     // == nested, for a collection
  // A LOB attribute's locator, made when the caller first asks for the
  // attribute: a temporary LOB of the session holding the slot's value.
  LobLocator* lob = nullptr;
  long long lobTemporary = 0;  // the temporary value's id in its session
  std::weak_ptr<Connection> lobSession;
};

struct ObjectInstance : Handle {
  ObjectInstance(Handle* parentHandle, ObjectType objectType);
  ~ObjectInstance() override;
  ObjectType type;
  // Object: one slot per attribute. Collection: one per element, with
  // `exists` false for a deleted element of a nested table.
  std::vector<std::unique_ptr<AttributeSlot>> slots;
  std::vector<bool> exists;
  // OCIObjectGetInd: the instance's indicator, then the attributes'.
  std::vector<OCIInd> indicators;
  // A row of an object table (`table` empty: transient; `rowid` 0: not
  // written yet), and the session it was made or pinned in.
  std::string table;
  sqlite3_int64 rowid = 0;
  std::weak_ptr<Connection> connection;
  int pins = 0;
  bool markedUpdate = false;
  // Process-wide count of live instances and REFs (test hook).
  static int live;
};

// The session an instance (or any handle below an environment) belongs to:
// its own, else the first connected service context of its environment.
std::shared_ptr<Connection> sessionOf(const Handle* handle);

// The locator of a CLOB or BLOB slot, made over the slot's value when
// missing; null without a session.
LobLocator* slotLocator(ObjectInstance& owner, AttributeSlot& slot, const TypeElement& element);

// Frees a slot's locator and its temporary value.
void releaseSlotLocator(AttributeSlot& slot);

// Frees what a slot holds and makes it null.
void clearSlot(AttributeSlot& slot);
// Makes the slots of an instance for its type, all null.
void initialiseSlots(ObjectInstance& instance);
// Loads a stored value into an instance (`value` null: the instance is null).
void loadInstance(ObjectInstance& instance, const ObjectValue& value, sqlite3* db);
// The stored value of an instance.
ObjectValue storedValue(const ObjectInstance& instance);

// Makes `to` a deep copy of `from` (type, values, indicators).
void copyInstance(ObjectInstance& to, const ObjectInstance& from);

// The OCINumber form of a number's text, and back.
void numberFromText(const std::string& text, OCINumber& number);
std::string numberToText(const OCINumber& number);

}  // namespace ocistandin
