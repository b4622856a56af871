#include "oracle/objects/oracle_object.h"

#include <cmath>
#include <stdexcept>

#include "oracle/client/feature_checks.h"
#include "oracle/client/oci_entry_points.h"
#include "oracle/client/oci_loader.h"
#include "oracle/client/oracle_errors.h"
#include "oracle/lob/lob_locator.h"
#include "oracle/objects/oracle_reference.h"
#include "oracle/objects/xml_type.h"
#include "oracle/session/session.h"
#include "oracle/values/type_codes.h"
#include "platform/text.h"

namespace oracle {
namespace {

bool IsTextCode(int16_t code) {
  return code == OCI_TYPECODE_VARCHAR2 || code == OCI_TYPECODE_CHAR || code == 1;
}

bool IsKnownCode(int16_t code) {
  switch (code) {
    case OCI_TYPECODE_NUMBER:
    case OCI_TYPECODE_DATE:
    case OCI_TYPECODE_RAW:
    case OCI_TYPECODE_REF:
    case OCI_TYPECODE_OBJECT:
    case OCI_TYPECODE_NAMEDCOLLECTION:
    case OCI_TYPECODE_CLOB:
    case OCI_TYPECODE_BLOB:
      return true;
    default:
      return IsTextCode(code);
  }
}

// A text attribute of a parameter descriptor.
std::string ParamText(void* param, ub4 attribute, OCIError* err) {
  text* value = nullptr;
  ub4 length = 0;
  if (OCIAttrGet(param, OCI_DTYPE_PARAM, &value, &length, attribute, err) != OCI_SUCCESS ||
      value == nullptr)
    return {};
  return std::string(reinterpret_cast<const char*>(value), length);
}

TDateTime DateOf(const OCIDate& date) {
  TDateTimeParts parts{};
  parts.year = date.OCIDateYYYY;
  parts.month = date.OCIDateMM;
  parts.day = date.OCIDateDD;
  parts.hour = date.OCIDateTime.OCITimeHH;
  parts.minute = date.OCIDateTime.OCITimeMI;
  parts.second = date.OCIDateTime.OCITimeSS;
  return EncodeDateTime(parts);
}

}  // namespace

// --- TOracleObject ---------------------------------------------------------

TOracleObject::TOracleObject(TOracleSession* session, const std::string& typeName,
                             const std::string& table)
    : session_(session), typeName_(platform::UpperAscii(typeName)), table_(table) {
  CheckNet8Feature(session, "A TOracleObject instance");
  if (session == nullptr || !session->Connected()) throw std::runtime_error("Not logged on");
  if (typeName.empty()) throw std::runtime_error("You must supply an object type");
  monitorId_.Trace(session_, "Object.Create('" + typeName_ + "', '" + table_ + "')");
  try {
    Describe();
    void* tableObject = nullptr;
    if (!table.empty()) tableObject = const_cast<char*>(table_.c_str());
    const OCITypeCode code = collection_ ? OCI_TYPECODE_NAMEDCOLLECTION : OCI_TYPECODE_OBJECT;
    Check(OCIObjectNew(Environment(), ErrorHandle(), session_->ServiceContext(), code, type_,
                       tableObject, OCI_DURATION_SESSION, 1, &instance_));
  } catch (...) {
    if (errorHandle_ != nullptr) OCIHandleFree(errorHandle_, OCI_HTYPE_ERROR);
    throw;
  }
  ownsInstance_ = true;
  AttachToSession();
}

TOracleObject::TOracleObject(TOracleSession* session, const std::string& typeName, void* instance,
                             TOracleObject* parent)
    : session_(session), typeName_(typeName), instance_(instance), parent_(parent) {
  CheckLive();
  try {
    Describe();
  } catch (...) {
    if (errorHandle_ != nullptr) OCIHandleFree(errorHandle_, OCI_HTYPE_ERROR);
    throw;
  }
  AttachToSession();
}

TOracleObject::~TOracleObject() {
  monitorId_.Unregister(session_);
  attributes_.clear();
  elementObjects_.clear();
  if (session_ != nullptr) session_->AttachedObjects().Detach(SessionObjectList::kObjects, this);
  // After a log-off, a lost session or the client's unload nothing is left
  // to free here.
  if (!Live()) return;
  FreeInstance();
  if (errorHandle_ != nullptr) OCIHandleFree(errorHandle_, OCI_HTYPE_ERROR);
}

void TOracleObject::AttachToSession() {
  session_->AttachedObjects().Attach(SessionObjectList::kObjects, this);
}

bool TOracleObject::Live() const {
  return session_ != nullptr && session_->Connected() && OCIDllLoaded();
}

void TOracleObject::CheckLive() const {
  if (!Live()) throw std::runtime_error("Not logged on");
}

void TOracleObject::SessionEnvironmentEnding() {
  // The session's environment goes with the logoff, and everything made in
  // it: what the object owns is freed now, while the client can still be
  // called, and the parts it handed out point at nothing.
  const bool callable = Live();
  if (callable) FreeInstance();
  if (!pinHex_.empty()) dormant_ = true;
  instance_ = nullptr;
  ownsInstance_ = pinned_ = false;
  FollowInstance();
  if (callable && errorHandle_ != nullptr) OCIHandleFree(errorHandle_, OCI_HTYPE_ERROR);
  errorHandle_ = nullptr;
  type_ = nullptr;
  scratch_ = nullptr;
  scratchRaw_ = nullptr;
}

void TOracleObject::SessionDestroyed() {
  session_ = nullptr;
}

OCIError* TOracleObject::ErrorHandle() const {
  if (errorHandle_ == nullptr && Live()) {
    void* handle = nullptr;
    Check(OCIHandleAlloc(Environment(), &handle, OCI_HTYPE_ERROR, 0, nullptr));
    errorHandle_ = static_cast<OCIError*>(handle);
  }
  return errorHandle_;
}

void* TOracleObject::Instance() const {
  MakeCurrent();
  return instance_;
}

OCIType* TOracleObject::Type() const {
  if (type_ == nullptr && Live()) LoadType();
  return type_;
}

void TOracleObject::FreeInstance() {
  if (pinned_ && instance_ != nullptr && OCIObjectUnpin != nullptr)
    OCIObjectUnpin(Environment(), ErrorHandle(), instance_);
  if (ownsInstance_ && instance_ != nullptr && OCIObjectFree != nullptr)
    OCIObjectFree(Environment(), ErrorHandle(), instance_, 0);
  instance_ = nullptr;
  ownsInstance_ = false;
  pinned_ = false;
}

std::unique_ptr<TOracleObject> TOracleObject::Pinned(TOracleSession* session,
                                                     const std::string& typeName, void* instance,
                                                     const std::string& hex,
                                                     TOracleReference* reference) {
  std::unique_ptr<TOracleObject> object(new TOracleObject(session, typeName, instance));
  object->ownsInstance_ = true;
  object->pinned_ = true;
  object->pinHex_ = hex;
  object->pinnedBy_ = reference;
  return object;
}

void TOracleObject::Repinned(void* instance) {
  changed_ = false;
  if (instance == instance_ && instance != nullptr) {
    // The cache handed out the same instance again, pinned once more and
    // brought up to date: one pin is enough.
    OCIObjectUnpin(Environment(), ErrorHandle(), instance);
    FollowInstance();
    return;
  }
  AttachInstance(instance, true);
  pinned_ = true;
  dormant_ = false;
}

bool TOracleObject::LetGo() {
  if (pinHex_.empty() || dormant_) return true;
  if (changed_ || instance_ == nullptr || !Live()) return false;
  FreeInstance();
  dormant_ = true;
  FollowInstance();
  // A reference pinned on row after row keeps one object per REF: these
  // hold no client handle while they rest.
  ReleaseErrorHandles();
  return true;
}

void TOracleObject::ReleaseErrorHandles() {
  if (errorHandle_ != nullptr && Live()) OCIHandleFree(errorHandle_, OCI_HTYPE_ERROR);
  errorHandle_ = nullptr;
  for (auto& attribute : attributes_) {
    if (attribute->nested_) attribute->nested_->ReleaseErrorHandles();
    if (attribute->lob_) attribute->lob_->ReleaseErrorHandle();
    if (attribute->ref_) attribute->ref_->ReleaseErrorHandle();
  }
  for (auto& element : elementObjects_)
    if (element) element->ReleaseErrorHandles();
}

void TOracleObject::MakeCurrent() const {
  if (!dormant_) {
    if (parent_ != nullptr) parent_->MakeCurrent();
    return;
  }
  if (!Live()) return;  // reads as null until the session is logged on again
  // Pinned again through a reference of its own: the latest version.
  auto* self = const_cast<TOracleObject*>(this);
  TOracleReference ref(session_, typeName_);
  ref.SetHex(pinHex_);
  self->AttachInstance(ref.PinInstance(), true);
  self->pinned_ = true;
  self->dormant_ = false;
  self->changed_ = false;
  if (pinnedBy_ != nullptr) pinnedBy_->NoteAwake(*self);
}

void TOracleObject::NoteChange() {
  changed_ = true;
  if (parent_ != nullptr) parent_->NoteChange();
}

void TOracleObject::AttachInstance(void* instance, bool owned) {
  if (instance != instance_) FreeInstance();
  instance_ = instance;
  ownsInstance_ = owned;
  FollowInstance();
}

void TOracleObject::FollowInstance() {
  // A holder may keep any of these: they are pointed at the new parts, never
  // freed while this object stands.
  for (auto& attribute : attributes_) attribute->Follow();
  for (std::size_t i = 0; i < elementObjects_.size(); ++i) {
    std::unique_ptr<TOracleObject>& made = elementObjects_[i];
    if (!made) continue;
    boolean found = 0;
    void* element = nullptr;
    void* indicator = nullptr;
    if (instance_ == nullptr ||
        OCICollGetElem(Environment(), ErrorHandle(), static_cast<OCIColl*>(instance_),
                       static_cast<sb4>(i), &found, &element, &indicator) != OCI_SUCCESS ||
        found == 0)
      element = nullptr;
    made->AttachInstance(element, false);
  }
}

OCIEnv* TOracleObject::Environment() const {
  CheckLive();
  return session_->Environment();
}

void TOracleObject::Check(sword status) const {
  if (status == OCI_INVALID_HANDLE) throw std::runtime_error("TOracleObject: Invalid handle");
  if (status == OCI_ERROR) RaiseOCIError(session_, errorHandle_, this, status);
}

void TOracleObject::LoadType() const {
  std::string schema, name = typeName_;
  if (const auto dot = name.find('.'); dot != std::string::npos) {
    schema = name.substr(0, dot);
    name = name.substr(dot + 1);
  }
  Check(OCITypeByName(Environment(), ErrorHandle(), session_->ServiceContext(),
                      reinterpret_cast<const text*>(schema.c_str()),
                      static_cast<ub4>(schema.size()), reinterpret_cast<const text*>(name.c_str()),
                      static_cast<ub4>(name.size()), nullptr, 0, OCI_DURATION_SESSION,
                      OCI_TYPEGET_ALL, &type_));
}

void TOracleObject::Describe() {
  LoadType();
  void* describe = nullptr;
  Check(OCIHandleAlloc(Environment(), &describe, OCI_HTYPE_DESCRIBE, 0, nullptr));
  struct Free {
    void* handle;
    ~Free() { OCIHandleFree(handle, OCI_HTYPE_DESCRIBE); }
  } freeDescribe{describe};
  Check(OCIDescribeAny(session_->ServiceContext(), ErrorHandle(), type_, 0, OCI_OTYPE_PTR, 0,
                       OCI_PTYPE_TYPE, static_cast<OCIDescribe*>(describe)));
  void* param = nullptr;
  Check(OCIAttrGet(describe, OCI_HTYPE_DESCRIBE, &param, nullptr, OCI_ATTR_PARAM, ErrorHandle()));
  OCITypeCode code = 0;
  Check(OCIAttrGet(param, OCI_DTYPE_PARAM, &code, nullptr, OCI_ATTR_TYPECODE, ErrorHandle()));
  collection_ = code == OCI_TYPECODE_NAMEDCOLLECTION;
  if (collection_) {
    void* element = nullptr;
    Check(OCIAttrGet(param, OCI_DTYPE_PARAM, &element, nullptr, OCI_ATTR_COLLECTION_ELEMENT,
                     ErrorHandle()));
    OCITypeCode elementCode = 0;
    Check(OCIAttrGet(element, OCI_DTYPE_PARAM, &elementCode, nullptr, OCI_ATTR_TYPECODE,
                     ErrorHandle()));
    elementCode_ = static_cast<int16_t>(elementCode);
    if (elementCode_ == OCI_TYPECODE_OBJECT)
      elementTypeName_ = ParamText(element, OCI_ATTR_TYPE_NAME, ErrorHandle());
    return;
  }
  ub2 count = 0;
  Check(
      OCIAttrGet(param, OCI_DTYPE_PARAM, &count, nullptr, OCI_ATTR_NUM_TYPE_ATTRS, ErrorHandle()));
  void* list = nullptr;
  Check(
      OCIAttrGet(param, OCI_DTYPE_PARAM, &list, nullptr, OCI_ATTR_LIST_TYPE_ATTRS, ErrorHandle()));
  for (ub4 i = 1; i <= count; ++i) {
    void* attribute = nullptr;
    Check(OCIParamGet(list, OCI_DTYPE_PARAM, ErrorHandle(), &attribute, i));
    OCITypeCode attributeCode = 0;
    Check(OCIAttrGet(attribute, OCI_DTYPE_PARAM, &attributeCode, nullptr, OCI_ATTR_TYPECODE,
                     ErrorHandle()));
    auto item = std::make_unique<TObjectAttribute>(
        *this, static_cast<int32_t>(i - 1), ParamText(attribute, OCI_ATTR_NAME, ErrorHandle()),
        static_cast<int16_t>(attributeCode),
        ParamText(attribute, OCI_ATTR_TYPE_NAME, ErrorHandle()));
    ub2 size = 0;
    sb2 precision = 0;
    sb1 scale = 0;
    Check(
        OCIAttrGet(attribute, OCI_DTYPE_PARAM, &size, nullptr, OCI_ATTR_DATA_SIZE, ErrorHandle()));
    Check(OCIAttrGet(attribute, OCI_DTYPE_PARAM, &precision, nullptr, OCI_ATTR_PRECISION,
                     ErrorHandle()));
    Check(OCIAttrGet(attribute, OCI_DTYPE_PARAM, &scale, nullptr, OCI_ATTR_SCALE, ErrorHandle()));
    item->size_ = size;
    item->precision_ = precision;
    item->scale_ = scale;
    attributes_.push_back(std::move(item));
  }
}

void TOracleObject::Lock() {
  MakeCurrent();
  // Row locks and flushed writes are work a rollback to a savepoint undoes.
  if (session_ != nullptr) session_->CountWork();
  Check(OCIObjectLock(Environment(), ErrorHandle(), instance_));
}

void TOracleObject::MarkUpdate() {
  MakeCurrent();
  Check(OCIObjectMarkUpdate(Environment(), ErrorHandle(), instance_));
  NoteChange();
}

void TOracleObject::Flush() {
  MakeCurrent();
  if (session_ != nullptr) session_->CountWork();
  Check(OCIObjectFlush(Environment(), ErrorHandle(), instance_));
  changed_ = false;
}

void TOracleObject::Refresh() {
  MakeCurrent();
  Check(OCIObjectRefresh(Environment(), ErrorHandle(), instance_));
  changed_ = false;
  FollowInstance();
}

void FlushObjectCache(TOracleSession* session) {
  if (session == nullptr || !session->Connected()) throw std::runtime_error("Not logged on");
  void* handle = nullptr;
  if (OCIHandleAlloc(session->Environment(), &handle, OCI_HTYPE_ERROR, 0, nullptr) != OCI_SUCCESS)
    throw std::runtime_error("TOracleObject: Invalid handle");
  auto* err = static_cast<OCIError*>(handle);
  session->CountWork();
  const sword status = OCICacheFlush(session->Environment(), err, session->ServiceContext(),
                                     nullptr, nullptr, nullptr);
  try {
    if (status == OCI_INVALID_HANDLE) throw std::runtime_error("TOracleObject: Invalid handle");
    if (status == OCI_ERROR) RaiseOCIError(session, err, nullptr, status);
  } catch (...) {
    OCIHandleFree(err, OCI_HTYPE_ERROR);
    throw;
  }
  OCIHandleFree(err, OCI_HTYPE_ERROR);
}

bool TOracleObject::IsNull() const {
  MakeCurrent();
  if (instance_ == nullptr) return true;
  void* indicators = nullptr;
  Check(OCIObjectGetInd(Environment(), ErrorHandle(), instance_, &indicators));
  return indicators == nullptr || *static_cast<OCIInd*>(indicators) == OCI_IND_NULL;
}

void TOracleObject::TakeBindIndicator(int16_t indicator) {
  if (indicator >= 0 || IsNull()) return;
  NoteChange();
  // Emptied first: setting an attribute, even to null, marks the object
  // itself not null. Kinds the attributes cannot read are left alone.
  if (!collection_) {
    for (auto& attribute : attributes_) {
      if (!IsKnownCode(attribute->TypeCode())) continue;
      if (attribute->IsObject())
        attribute->ObjectValue().TakeBindIndicator(indicator);
      else
        attribute->Clear();
    }
  }
  void* indicators = nullptr;
  Check(OCIObjectGetInd(Environment(), ErrorHandle(), instance_, &indicators));
  if (indicators != nullptr) *static_cast<OCIInd*>(indicators) = OCI_IND_NULL;
}

void TOracleObject::SetNotNull() {
  void* indicators = nullptr;
  Check(OCIObjectGetInd(Environment(), ErrorHandle(), instance_, &indicators));
  if (indicators != nullptr) *static_cast<OCIInd*>(indicators) = OCI_IND_NOTNULL;
}

TObjectAttribute& TOracleObject::AttributeItem(int32_t i) {
  if (i < 0 || i >= AttributeCount())
    throw std::runtime_error("Attribute " + std::to_string(i) + " does not exist");
  return *attributes_[static_cast<std::size_t>(i)];
}

TObjectAttribute& TOracleObject::Attribute(std::string_view name) {
  const std::string wanted = platform::UpperAscii(std::string(name));
  for (auto& attribute : attributes_)
    if (platform::UpperAscii(attribute->Name()) == wanted) return *attribute;
  throw std::runtime_error("Unknown attribute: " + std::string(name));
}

std::string TOracleObject::ScalarText(int16_t code, void* value) const {
  if (code == OCI_TYPECODE_NUMBER) {
    text buffer[64];
    ub4 size = sizeof buffer;
    Check(OCINumberToText(ErrorHandle(), static_cast<OCINumber*>(value),
                          reinterpret_cast<const text*>("TM9"), 3, nullptr, 0, &size, buffer));
    return std::string(reinterpret_cast<const char*>(buffer), size);
  }
  if (code == OCI_TYPECODE_DATE) {
    return DateTimeToText(DateOf(*static_cast<OCIDate*>(value)));
  }
  OCIString* string = *static_cast<OCIString**>(value);
  const text* bytes = OCIStringPtr(Environment(), string);
  return bytes == nullptr ? std::string()
                          : std::string(reinterpret_cast<const char*>(bytes),
                                        OCIStringSize(Environment(), string));
}

const void* TOracleObject::ScalarFromText(int16_t code, const std::string& value, OCINumber& number,
                                          OCIDate& date, OCIRaw*& raw) {
  if (code == OCI_TYPECODE_NUMBER) {
    Check(OCINumberFromText(ErrorHandle(), reinterpret_cast<const text*>(value.c_str()),
                            static_cast<ub4>(value.size()), reinterpret_cast<const text*>("TM9"), 3,
                            nullptr, 0, &number));
    return &number;
  }
  if (code == OCI_TYPECODE_DATE) {
    TDateTime when = 0;
    if (!TryTextToDateTime(value, when))
      throw std::runtime_error("'" + value + "' is not a valid date");
    const TDateTimeParts parts = DecodeDateTime(when);
    date = {static_cast<sb2>(parts.year),
            static_cast<ub1>(parts.month),
            static_cast<ub1>(parts.day),
            {static_cast<ub1>(parts.hour), static_cast<ub1>(parts.minute),
             static_cast<ub1>(parts.second)}};
    return &date;
  }
  if (code == OCI_TYPECODE_RAW) {
    Check(OCIRawAssignBytes(Environment(), ErrorHandle(),
                            reinterpret_cast<const ub1*>(value.data()),
                            static_cast<ub4>(value.size()), &raw));
    return &raw;
  }
  Check(OCIStringAssignText(Environment(), ErrorHandle(),
                            reinterpret_cast<const text*>(value.data()),
                            static_cast<ub4>(value.size()), &scratch_));
  return &scratch_;
}

int32_t TOracleObject::ElementCount() const {
  MakeCurrent();
  sb4 size = 0;
  Check(OCICollSize(Environment(), ErrorHandle(), static_cast<OCIColl*>(instance_), &size));
  return size;
}

void* TOracleObject::Element(int32_t i, bool& exists, bool& isNull) const {
  MakeCurrent();
  boolean found = 0;
  void* element = nullptr;
  void* indicator = nullptr;
  Check(OCICollGetElem(Environment(), ErrorHandle(), static_cast<OCIColl*>(instance_), i, &found,
                       &element, &indicator));
  exists = found != 0;
  isNull = !exists || indicator == nullptr || *static_cast<OCIInd*>(indicator) == OCI_IND_NULL;
  return element;
}

bool TOracleObject::ElementExists(int32_t i) const {
  bool exists = false, isNull = true;
  Element(i, exists, isNull);
  return exists;
}

bool TOracleObject::ElementIsNull(int32_t i) const {
  bool exists = false, isNull = true;
  Element(i, exists, isNull);
  return isNull;
}

std::string TOracleObject::ElementAsString(int32_t i) const {
  bool exists = false, isNull = true;
  void* element = Element(i, exists, isNull);
  if (isNull) return {};
  if (!IsTextCode(elementCode_) && elementCode_ != OCI_TYPECODE_NUMBER &&
      elementCode_ != OCI_TYPECODE_DATE)
    throw std::runtime_error("Cannot convert element " + std::to_string(i) + " to a String");
  return ScalarText(elementCode_, element);
}

void TOracleObject::SetElementAsString(int32_t i, const std::string& value) {
  OCINumber number{};
  OCIDate date{};
  MakeCurrent();
  const void* element = ScalarFromText(elementCode_, value, number, date, scratchRaw_);
  const OCIInd indicator = OCI_IND_NOTNULL;
  Check(OCICollAssignElem(Environment(), ErrorHandle(), i, element, &indicator,
                          static_cast<OCIColl*>(instance_)));
  NoteChange();
}

void TOracleObject::CheckObjectElements() const {
  if (elementCode_ != OCI_TYPECODE_OBJECT)
    throw std::runtime_error("Elements of " + typeName_ + " are not objects");
}

TOracleObject& TOracleObject::ElementObject(int32_t i) {
  CheckObjectElements();
  bool exists = false, isNull = true;
  void* element = Element(i, exists, isNull);
  if (!exists) throw std::runtime_error("Element " + std::to_string(i) + " does not exist");
  const auto index = static_cast<std::size_t>(i);
  if (elementObjects_.size() <= index) elementObjects_.resize(index + 1);
  std::unique_ptr<TOracleObject>& made = elementObjects_[index];
  if (!made)
    made.reset(new TOracleObject(session_, elementTypeName_, element, this));
  else if (made->instance_ != element)
    made->AttachInstance(element, false);
  return *made;
}

void TOracleObject::StoreElementObject(const TOracleObject& value, int32_t index, bool append) {
  CheckObjectElements();
  MakeCurrent();
  // The element takes the object's attributes and its null state.
  void* source = value.Instance();
  void* indicators = nullptr;
  if (source != nullptr) Check(OCIObjectGetInd(Environment(), ErrorHandle(), source, &indicators));
  if (append) {
    Check(OCICollAppend(Environment(), ErrorHandle(), source, indicators,
                        static_cast<OCIColl*>(instance_)));
  } else {
    Check(OCICollAssignElem(Environment(), ErrorHandle(), index, source, indicators,
                            static_cast<OCIColl*>(instance_)));
  }
  NoteChange();
  FollowInstance();
}

void TOracleObject::SetElementObject(int32_t i, const TOracleObject& value) {
  StoreElementObject(value, i, false);
}

void TOracleObject::AppendElementObject(const TOracleObject& value) {
  StoreElementObject(value, 0, true);
}

void TOracleObject::AppendElement(const std::string& value) {
  OCINumber number{};
  OCIDate date{};
  MakeCurrent();
  const void* element = ScalarFromText(elementCode_, value, number, date, scratchRaw_);
  const OCIInd indicator = OCI_IND_NOTNULL;
  Check(OCICollAppend(Environment(), ErrorHandle(), element, &indicator,
                      static_cast<OCIColl*>(instance_)));
  NoteChange();
}

void TOracleObject::TrimElements(int32_t count) {
  MakeCurrent();
  Check(OCICollTrim(Environment(), ErrorHandle(), count, static_cast<OCIColl*>(instance_)));
  NoteChange();
  FollowInstance();
}

void TOracleObject::DeleteElement(int32_t i) {
  MakeCurrent();
  Check(OCITableDelete(Environment(), ErrorHandle(), i, static_cast<OCITable*>(instance_)));
  NoteChange();
  FollowInstance();
}

TOracleObject& ObjectField(TOracleQuery& query, int32_t i) {
  if (auto* object = dynamic_cast<TOracleObject*>(query.ObjectColumnObject(i))) return *object;
  if (query.FieldOracleType(i) != OCI_TYPECODE_OBJECT)
    throw std::runtime_error("Field " + query.FieldName(i) + " is not an Object");
  if (IsXMLTypeName(query.FieldTypeName(i))) return XMLTypeField(query, i);
  std::unique_ptr<TOracleObject> object(
      new TOracleObject(query.Session(), query.FieldTypeName(i), nullptr));
  TOracleObject& made = *object;
  query.SetObjectColumnObject(i, std::move(object));
  return made;
}

TOracleObject& ObjectFieldByName(TOracleQuery& query, std::string_view name) {
  return ObjectField(query, query.NameIndex(name));
}

namespace {

// A query's Field of an object column hands out the column's object (an
// XMLTYPE's document): the query makes it through this library.
[[maybe_unused]] const bool kObjectColumnMakerSet = [] {
  SetObjectColumnMaker([](TOracleQuery& query, int32_t i) {
    if (query.FieldOracleType(i) == OCI_TYPECODE_OBJECT) ObjectField(query, i);
  });
  return true;
}();

}  // namespace

// --- TObjectAttribute ------------------------------------------------------

TObjectAttribute::TObjectAttribute(TOracleObject& owner, int32_t index, std::string name,
                                   int16_t typeCode, std::string typeName)
    : owner_(owner),
      index_(index),
      name_(std::move(name)),
      typeCode_(typeCode),
      typeName_(std::move(typeName)) {}

TObjectAttribute::~TObjectAttribute() = default;

bool TObjectAttribute::IsObject() const {
  return typeCode_ == OCI_TYPECODE_OBJECT || typeCode_ == OCI_TYPECODE_NAMEDCOLLECTION;
}

void TObjectAttribute::CheckSupported() const {
  if (!IsKnownCode(typeCode_))
    throw std::runtime_error("Attribute type not supported (" + std::to_string(typeCode_) + ")");
}

void* TObjectAttribute::OwnerInstance() const {
  return owner_.Instance();
}

void* TObjectAttribute::Value(OCIInd* indicator) const {
  CheckSupported();
  // An object without an instance (a null row's, or one let go of at a
  // log-off) has null attributes.
  void* instance = OwnerInstance();
  if (instance == nullptr) {
    *indicator = OCI_IND_NULL;
    return nullptr;
  }
  const ub4 position = static_cast<ub4>(index_ + 1);
  void* value = nullptr;
  void* nullStruct = nullptr;
  owner_.Check(OCIObjectGetAttr(owner_.Environment(), owner_.ErrorHandle(), instance, nullptr,
                                owner_.Type(), nullptr, nullptr, 0, &position, 1, indicator,
                                &nullStruct, &value, nullptr));
  return value;
}

void TObjectAttribute::Set(const void* value, OCIInd indicator) {
  CheckSupported();
  void* instance = OwnerInstance();
  const ub4 position = static_cast<ub4>(index_ + 1);
  owner_.Check(OCIObjectSetAttr(owner_.Environment(), owner_.ErrorHandle(), instance, nullptr,
                                owner_.Type(), nullptr, nullptr, 0, &position, 1, indicator,
                                nullptr, value));
  owner_.NoteChange();
}

void TObjectAttribute::Follow() {
  if (!nested_ && !lob_ && !ref_) return;
  // Read without raising: a row without an instance, or one the client no
  // longer knows, leaves the parts null.
  const ub4 position = static_cast<ub4>(index_ + 1);
  OCIInd indicator = OCI_IND_NULL;
  void* nullStruct = nullptr;
  void* value = nullptr;
  if (owner_.instance_ == nullptr ||
      OCIObjectGetAttr(owner_.Environment(), owner_.ErrorHandle(), owner_.instance_, nullptr,
                       owner_.Type(), nullptr, nullptr, 0, &position, 1, &indicator, &nullStruct,
                       &value, nullptr) != OCI_SUCCESS)
    value = nullptr;
  if (nested_) {
    if (typeCode_ == OCI_TYPECODE_NAMEDCOLLECTION && value != nullptr)
      value = *static_cast<void**>(value);
    // An XML document is read again from the instance as it now stands.
    if (auto* xml = dynamic_cast<TXMLType*>(nested_.get())) xml->xml_.reset();
    nested_->AttachInstance(value, false);
  }
  if (lob_) {
    OCILobLocator* locator = value != nullptr ? *static_cast<OCILobLocator**>(value) : nullptr;
    lob_->AttachRowLocator(locator);
    lobLocator_ = locator;
  }
  if (ref_) {
    OCIRef* ref =
        value != nullptr && indicator != OCI_IND_NULL ? *static_cast<OCIRef**>(value) : nullptr;
    ref_->AttachRowInstance(ref);
  }
}

bool TObjectAttribute::IsNull() const {
  OCIInd indicator = OCI_IND_NULL;
  Value(&indicator);
  return indicator == OCI_IND_NULL;
}

void TObjectAttribute::Clear() {
  Set(nullptr, OCI_IND_NULL);
}

std::string TObjectAttribute::AsString() const {
  CheckSupported();
  if (!IsTextCode(typeCode_) && typeCode_ != OCI_TYPECODE_NUMBER && typeCode_ != OCI_TYPECODE_DATE)
    throw std::runtime_error("Cannot convert attribute " + name_ + " to a String");
  OCIInd indicator = OCI_IND_NULL;
  void* value = Value(&indicator);
  return indicator == OCI_IND_NULL ? std::string() : owner_.ScalarText(typeCode_, value);
}

void TObjectAttribute::SetAsString(const std::string& value) {
  CheckSupported();
  if (!IsTextCode(typeCode_) && typeCode_ != OCI_TYPECODE_NUMBER &&
      typeCode_ != OCI_TYPECODE_DATE && typeCode_ != OCI_TYPECODE_RAW)
    throw std::runtime_error("Cannot convert attribute " + name_ + " to a String");
  OCINumber number{};
  OCIDate date{};
  Set(owner_.ScalarFromText(typeCode_, value, number, date, owner_.scratchRaw_), OCI_IND_NOTNULL);
}

double TObjectAttribute::AsFloat() const {
  if (typeCode_ != OCI_TYPECODE_NUMBER)
    throw std::runtime_error("Cannot convert attribute " + name_ + " to a Float");
  OCIInd indicator = OCI_IND_NULL;
  void* value = Value(&indicator);
  if (indicator == OCI_IND_NULL) return 0;
  double result = 0;
  owner_.Check(OCINumberToReal(owner_.ErrorHandle(), static_cast<OCINumber*>(value), sizeof result,
                               &result));
  return result;
}

void TObjectAttribute::SetAsFloat(double value) {
  if (typeCode_ != OCI_TYPECODE_NUMBER)
    throw std::runtime_error("Cannot convert attribute " + name_ + " to a Float");
  OCINumber number{};
  owner_.Check(OCINumberFromReal(owner_.ErrorHandle(), &value, sizeof value, &number));
  Set(&number, OCI_IND_NOTNULL);
}

TDateTime TObjectAttribute::AsDate() const {
  if (typeCode_ != OCI_TYPECODE_DATE)
    throw std::runtime_error("Cannot convert attribute " + name_ + " to a Date");
  OCIInd indicator = OCI_IND_NULL;
  const auto* date = static_cast<OCIDate*>(Value(&indicator));
  return indicator == OCI_IND_NULL ? 0 : DateOf(*date);
}

std::string TObjectAttribute::RawBytes() const {
  if (typeCode_ != OCI_TYPECODE_RAW)
    throw std::runtime_error("Cannot convert attribute " + name_ + " to bytes");
  OCIInd indicator = OCI_IND_NULL;
  auto* slot = static_cast<OCIRaw**>(Value(&indicator));
  if (indicator == OCI_IND_NULL || slot == nullptr || *slot == nullptr) return {};
  const ub1* bytes = OCIRawPtr(owner_.Environment(), *slot);
  return bytes == nullptr ? std::string()
                          : std::string(reinterpret_cast<const char*>(bytes),
                                        OCIRawSize(owner_.Environment(), *slot));
}

void TObjectAttribute::SetAsDate(TDateTime value) {
  SetAsString(DateTimeToText(value));
}

TOracleObject& TObjectAttribute::ObjectValue() {
  if (!IsObject()) throw std::runtime_error("Attribute " + name_ + " is not an object");
  OCIInd indicator = OCI_IND_NULL;
  void* value = Value(&indicator);
  // A collection attribute hands out the collection pointer's address.
  if (typeCode_ == OCI_TYPECODE_NAMEDCOLLECTION && value != nullptr)
    value = *static_cast<void**>(value);
  if (!nested_) {
    if (IsXMLTypeName(typeName_))
      nested_.reset(new TXMLType(owner_.session_, value, &owner_));
    else
      nested_.reset(new TOracleObject(owner_.session_, typeName_, value, &owner_));
  } else if (nested_->instance_ != value) {
    // The object handed out before follows the value; it is never replaced.
    if (auto* xml = dynamic_cast<TXMLType*>(nested_.get())) xml->xml_.reset();
    nested_->AttachInstance(value, false);
  }
  return *nested_;
}

TOracleReference& TObjectAttribute::RefValue() {
  if (typeCode_ != OCI_TYPECODE_REF)
    throw std::runtime_error("Attribute " + name_ + " is not a Reference");
  OCIInd indicator = OCI_IND_NULL;
  auto* slot = static_cast<OCIRef**>(Value(&indicator));
  OCIRef* ref = indicator == OCI_IND_NULL || slot == nullptr ? nullptr : *slot;
  if (!ref_) {
    ref_ = std::make_unique<TOracleReference>(owner_.session_, typeName_);
    ref_->holder_ = &owner_;
  }
  ref_->AttachRowInstance(ref);
  return *ref_;
}

void TObjectAttribute::SetRef(const TOracleReference& value) {
  if (typeCode_ != OCI_TYPECODE_REF)
    throw std::runtime_error("Attribute " + name_ + " is not a Reference");
  if (value.IsNull()) {
    Clear();
  } else {
    OCIRef* ref = value.Ref();
    Set(&ref, OCI_IND_NOTNULL);
  }
  // The instance's REF changed: a reference handed out follows it anew.
  if (ref_) RefValue();
}

TLOBLocator& TObjectAttribute::LOBValue() {
  if (typeCode_ != OCI_TYPECODE_CLOB && typeCode_ != OCI_TYPECODE_BLOB)
    throw std::runtime_error("Attribute " + name_ + " is not a LOB");
  OCIInd indicator = OCI_IND_NULL;
  auto* slot = static_cast<OCILobLocator**>(Value(&indicator));
  OCILobLocator* locator = slot != nullptr ? *slot : nullptr;
  if (!lob_) {
    lob_ = std::make_unique<TLOBLocator>(
        owner_.session_, typeCode_ == OCI_TYPECODE_CLOB ? otype::CLOB : otype::BLOB);
    // The locator lives in the owner's instance: the owner is made current
    // before each use, and a write through it changes the owner.
    TOracleObject* owner = &owner_;
    lob_->SetBeforeUse([owner](bool writing) {
      owner->MakeCurrent();
      if (writing) owner->NoteChange();
    });
    // A null attribute reads as null through its locator too.
    lob_->SetNullWhen([this] { return IsNull(); });
  }
  if (lobLocator_ != locator || lob_->BindLocatorAddress()[0] != locator) {
    lob_->AttachRowLocator(locator);
    lobLocator_ = locator;
  }
  return *lob_;
}

}  // namespace oracle
