#pragma once
// One instance of an Oracle object type, or a collection, reached through
// the client's object cache: its attributes (read and written as numbers,
// text and dates, nested objects as objects of their own) and a
// collection's elements.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "oracle/query/query.h"
#include "oracle/session/session_objects.h"
#include "oracle/session/sql_monitor.h"
#include "oracle/values/oracle_date.h"
#include "platform/oci/oci_api.h"

namespace oracle {

class TOracleSession;
class TOracleObject;
class TLOBLocator;
class TOracleReference;

// One attribute of an object, in type order.
class TObjectAttribute {
 public:
  TObjectAttribute(TOracleObject& owner, int32_t index, std::string name, int16_t typeCode,
                   std::string typeName);
  ~TObjectAttribute();
  TObjectAttribute(const TObjectAttribute&) = delete;
  TObjectAttribute& operator=(const TObjectAttribute&) = delete;

  const std::string& Name() const { return name_; }
  int32_t Index() const { return index_; }
  // OCI type code (2 NUMBER, 9 VARCHAR2, 96 CHAR, 12 DATE, 95 RAW, 108
  // object, 110 REF, 112 CLOB, 113 BLOB, 122 collection).
  int16_t TypeCode() const { return typeCode_; }
  const std::string& TypeName() const { return typeName_; }
  // Declared size (bytes), precision and scale, as the type describes them.
  int32_t Size() const { return size_; }
  int32_t Precision() const { return precision_; }
  int32_t Scale() const { return scale_; }
  bool IsObject() const;

  bool IsNull() const;
  void Clear();
  // Numbers and text as text, dates as "yyyy-mm-dd" or "yyyy-mm-dd hh:nn:ss";
  // other kinds raise "Cannot convert attribute " + name + " to a String".
  std::string AsString() const;
  void SetAsString(const std::string& value);
  double AsFloat() const;
  void SetAsFloat(double value);
  TDateTime AsDate() const;
  void SetAsDate(TDateTime value);
  // A RAW attribute's bytes (empty when null); other kinds raise "Cannot
  // convert attribute " + name + " to bytes".
  std::string RawBytes() const;
  // A nested object or collection (a TXMLType for an attribute of type
  // SYS.XMLTYPE); a scalar raises "Attribute " + name + " is not an object".
  TOracleObject& ObjectValue();
  // A CLOB or BLOB attribute as a locator over the instance's own value
  // (made on first use); other kinds raise "Attribute " + name + " is not a
  // LOB".
  TLOBLocator& LOBValue();
  // A REF attribute as a reference following the instance's REF (made on
  // first use; Pin reaches the object it names), and setting it to the REF
  // `value` holds (a null one clears it); other kinds raise "Attribute " +
  // name + " is not a Reference".
  TOracleReference& RefValue();
  void SetRef(const TOracleReference& value);

 private:
  friend class TOracleObject;
  void* Value(OCIInd* indicator) const;
  void Set(const void* value, OCIInd indicator);
  // Raises "Attribute type not supported (" + code + ")" for kinds the
  // attribute access does not know.
  void CheckSupported() const;
  // Points what this attribute handed out at the owner's current value.
  void Follow();
  // The owner's instance as it stands now (a pin let go of is pinned again).
  void* OwnerInstance() const;

  TOracleObject& owner_;
  int32_t index_;
  std::string name_;
  int16_t typeCode_;
  std::string typeName_;
  int32_t size_ = 0;
  int32_t precision_ = 0;
  int32_t scale_ = 0;
  std::unique_ptr<TOracleObject> nested_;
  std::unique_ptr<TLOBLocator> lob_;
  OCILobLocator* lobLocator_ = nullptr;  // the locator lob_ stands for
  std::unique_ptr<TOracleReference> ref_;
};

// An object lives on its session: when the session logs off, the object
// lets go of its instance (an object pinned from a REF is pinned again when
// it is next read on the session logged on again; any other reads as null),
// and once the session is destroyed it reads as null and is still safe to
// destroy. Calls that need the server raise "Not logged on" meanwhile.
class TOracleObject : public TObjectColumnObject, public TSessionAttached {
 public:
  // A new instance of `typeName` ("SCHEMA.TYPE" or "TYPE"), transient, or in
  // the object table `table` when one is named. Raises "Not logged on" and
  // "You must supply an object type".
  TOracleObject(TOracleSession* session, const std::string& typeName, const std::string& table);
  ~TOracleObject() override;
  TOracleObject(const TOracleObject&) = delete;
  TOracleObject& operator=(const TOracleObject&) = delete;

  const std::string& TypeName() const { return typeName_; }
  const std::string& TableName() const { return table_; }
  TOracleSession* Session() const { return session_; }
  bool IsCollection() const { return collection_; }
  bool IsNull() const;

  // The object cache's intents for an instance of an object table: take the
  // row's lock, mark it for update, write it back to its row (a new one is
  // inserted), reload it from its row. A reload re-reads in place: the
  // nested objects, collection elements, LOBs and REFs handed out before
  // stay valid and show the reloaded values.
  void Lock();
  void MarkUpdate();
  void Flush();
  void Refresh();

  int32_t AttributeCount() const { return static_cast<int32_t>(attributes_.size()); }
  TObjectAttribute& AttributeItem(int32_t i);
  // Raises "Unknown attribute: " + name.
  TObjectAttribute& Attribute(std::string_view name);

  // Collections: elements 0 .. ElementCount() - 1, of scalar kinds as text.
  int32_t ElementCount() const;
  bool ElementExists(int32_t i) const;
  bool ElementIsNull(int32_t i) const;
  std::string ElementAsString(int32_t i) const;
  void SetElementAsString(int32_t i, const std::string& value);
  void AppendElement(const std::string& value);
  void TrimElements(int32_t count);
  // Nested tables only: the element leaves a gap.
  void DeleteElement(int32_t i);
  // Collections of objects: element i as an object over the element's own
  // value (its attributes read and written in place; it follows element i
  // when the collection changes, and reads as null while there is none),
  // and assigning or appending a copy of an object of the element type.
  // Other collections raise "Element " + i + " is not an object" /
  // "Elements of <type> are not objects".
  TOracleObject& ElementObject(int32_t i);
  void SetElementObject(int32_t i, const TOracleObject& value);
  void AppendElementObject(const TOracleObject& value);
  const std::string& ElementTypeName() const { return elementTypeName_; }

  // The instance and its type, for binds and fetches; pointing at an
  // instance the object does not own (a fetched row's; null for none) or
  // taking one over. What the object handed out (nested objects, elements,
  // LOBs, REFs) follows the new instance.
  void* Instance() const;
  OCIType* Type() const;
  void AttachInstance(void* instance, bool owned);
  // An object over an instance pinned from the REF whose hexadecimal form is
  // `hex`, by `reference`: unpinned and freed with the object.
  static std::unique_ptr<TOracleObject> Pinned(TOracleSession* session, const std::string& typeName,
                                               void* instance, const std::string& hex,
                                               TOracleReference* reference);
  // A newer pin of the object this one was pinned from: its instance takes
  // the place of the one held (unpinned and freed), and what the object
  // handed out follows it.
  void Repinned(void* instance);
  // A pinned object lets go of its instance (unpinned and freed, what it
  // handed out pointed at none) and of the error handles it and its parts
  // hold until it is next read, when it is pinned again. An object changed
  // since it was pinned keeps its instance: false.
  bool LetGo();
  void AttachRowInstance(void* instance) override { AttachInstance(instance, false); }
  bool IsReference() const override { return false; }
  OCIType* BindType() const override { return Type(); }
  void* BindInstance() const override { return Instance(); }
  bool BindIsNull() const override { return IsNull(); }
  // A null indicator makes the object null, its attributes with it.
  void TakeBindIndicator(int16_t indicator) override;

  // TSessionAttached: at a logoff it lets go of what it holds of the
  // session's environment.
  void SessionLoggingOff() override { SessionEnvironmentEnding(); }
  void SessionEnvironmentEnding() override;
  void SessionDestroyed() override;

  // -2 raises "TOracleObject: Invalid handle", -1 the Oracle error.
  void Check(sword status) const;
  OCIEnv* Environment() const;
  // The object's error handle, made again after a log-off.
  OCIError* ErrorHandle() const;

 protected:
  // An object over an instance owned elsewhere (a row's, a nested
  // attribute's or element's; null for none). `parent` is the object whose
  // instance holds this one's value, when there is one.
  TOracleObject(TOracleSession* session, const std::string& typeName, void* instance,
                TOracleObject* parent = nullptr);

 private:
  friend class TObjectAttribute;
  friend class TOracleReference;
  friend TOracleObject& ObjectField(TOracleQuery& query, int32_t i);
  // The session is logged on with the client loaded.
  bool Live() const;
  // Raises "Not logged on" unless the session is.
  void CheckLive() const;
  void AttachToSession();
  // Makes the instance current before a use: a pin let go of is pinned
  // again; a nested object asks the object that holds it.
  void MakeCurrent() const;
  // Notes a change of the value, in this object and the ones holding it: a
  // changed pin is not let go of.
  void NoteChange();
  void LoadType() const;
  // Frees the error handles of the object and of the parts it handed out;
  // each is made again at its next use.
  void ReleaseErrorHandles();
  void Describe();
  // Points what the object handed out at the parts of its current instance
  // (null parts when it has none).
  void FollowInstance();
  // Element i of a collection: its value pointer, whether it exists and
  // whether it is null.
  void* Element(int32_t i, bool& exists, bool& isNull) const;
  void FreeInstance();
  // Raises unless the elements are objects.
  void CheckObjectElements() const;
  // Copies an object's value into a collection call (assign or append).
  void StoreElementObject(const TOracleObject& value, int32_t index, bool append);
  void SetNotNull();
  std::string ScalarText(int16_t code, void* value) const;
  // Fills `holder` for a scalar of kind `code` from text; returns the
  // pointer to pass as the value.
  const void* ScalarFromText(int16_t code, const std::string& text, OCINumber& number,
                             OCIDate& date, OCIRaw*& raw);

  TOracleSession* session_;
  std::string typeName_;
  std::string table_;
  mutable OCIType* type_ = nullptr;  // loaded again after a log-off
  void* instance_ = nullptr;
  bool ownsInstance_ = false;
  bool pinned_ = false;
  // A pinned object: the REF it was pinned from and the reference that
  // pinned it; let go of (dormant) until it is read again.
  std::string pinHex_;
  TOracleReference* pinnedBy_ = nullptr;
  bool dormant_ = false;
  bool changed_ = false;
  TOracleObject* parent_ = nullptr;
  bool collection_ = false;
  int16_t elementCode_ = 0;
  std::string elementTypeName_;
  // The wrappers ElementObject handed out, by element index.
  std::vector<std::unique_ptr<TOracleObject>> elementObjects_;
  mutable OCIError* errorHandle_ = nullptr;
  OCIString* scratch_ = nullptr;
  OCIRaw* scratchRaw_ = nullptr;
  std::vector<std::unique_ptr<TObjectAttribute>> attributes_;
  TMonitorId monitorId_{"OracleObject"};
};

// Writes every instance of the session's environment marked for update
// back to its row.
void FlushObjectCache(TOracleSession* session);

// The object of object column i of a query, following its current row; made
// on first use and owned by the query ("Field " + name + " is not an Object"
// for other columns).
TOracleObject& ObjectField(TOracleQuery& query, int32_t i);
TOracleObject& ObjectFieldByName(TOracleQuery& query, std::string_view name);

}  // namespace oracle
