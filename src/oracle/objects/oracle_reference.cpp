#include "oracle/objects/oracle_reference.h"

#include <algorithm>
#include <stdexcept>

#include "oracle/client/feature_checks.h"
#include "oracle/client/oci_entry_points.h"
#include "oracle/client/oci_loader.h"
#include "oracle/client/oracle_errors.h"
#include "oracle/objects/oracle_object.h"
#include "oracle/session/session.h"
#include "platform/text.h"

namespace oracle {

TOracleReference::TOracleReference(TOracleSession* session, const std::string& typeName)
    : session_(session), typeName_(platform::UpperAscii(typeName)) {
  if (session == nullptr || !session->Connected()) throw std::runtime_error("Not logged on");
  CheckNet8Feature(session, "A TOracleReference instance");
  monitorId_.Trace(session_, "Reference.Create");
  try {
    UseOwnRef();
  } catch (...) {
    if (errorHandle_ != nullptr) OCIHandleFree(errorHandle_, OCI_HTYPE_ERROR);
    throw;
  }
  session_->AttachedObjects().Attach(SessionObjectList::kReferences, this);
}

TOracleReference::~TOracleReference() {
  monitorId_.Unregister(session_);
  awake_.clear();
  pinned_.clear();
  if (session_ != nullptr) session_->AttachedObjects().Detach(SessionObjectList::kReferences, this);
  // After a log-off, a lost session or the client's unload nothing is left
  // to free here.
  if (!Live()) return;
  if (ownRef_ != nullptr) OCIObjectFree(Environment(), ErrorHandle(), ownRef_, 0);
  if (errorHandle_ != nullptr) OCIHandleFree(errorHandle_, OCI_HTYPE_ERROR);
}

bool TOracleReference::Live() const {
  return session_ != nullptr && session_->Connected() && OCIDllLoaded();
}

OCIEnv* TOracleReference::Environment() const {
  if (!Live()) throw std::runtime_error("Not logged on");
  return session_->Environment();
}

OCIError* TOracleReference::ErrorHandle() const {
  if (errorHandle_ == nullptr && Live()) {
    void* handle = nullptr;
    Check(OCIHandleAlloc(Environment(), &handle, OCI_HTYPE_ERROR, 0, nullptr));
    errorHandle_ = static_cast<OCIError*>(handle);
  }
  return errorHandle_;
}

void TOracleReference::Check(sword status) const {
  if (status == OCI_INVALID_HANDLE) throw std::runtime_error("TOracleReference: Invalid handle");
  if (status == OCI_ERROR) RaiseOCIError(session_, errorHandle_, this, status);
}

void TOracleReference::SessionEnvironmentEnding() {
  // The REFs of the session's environment go with the logoff: the own one
  // is freed now; the objects pinned let go of theirs themselves.
  const bool callable = Live();
  if (callable && ownRef_ != nullptr) OCIObjectFree(Environment(), ErrorHandle(), ownRef_, 0);
  if (callable && errorHandle_ != nullptr) OCIHandleFree(errorHandle_, OCI_HTYPE_ERROR);
  errorHandle_ = nullptr;
  ownRef_ = ref_ = nullptr;
}

void TOracleReference::ReleaseErrorHandle() {
  if (errorHandle_ != nullptr && Live()) OCIHandleFree(errorHandle_, OCI_HTYPE_ERROR);
  errorHandle_ = nullptr;
}

void TOracleReference::SessionDestroyed() {
  session_ = nullptr;
}

void TOracleReference::UseOwnRef() {
  if (ownRef_ == nullptr) {
    void* ref = nullptr;
    Check(OCIObjectNew(Environment(), ErrorHandle(), session_->ServiceContext(), OCI_TYPECODE_REF,
                       nullptr, nullptr, OCI_DURATION_SESSION, 1, &ref));
    ownRef_ = static_cast<OCIRef*>(ref);
  }
  ref_ = ownRef_;
}

void TOracleReference::MakeHolderCurrent() const {
  if (holder_ != nullptr) holder_->MakeCurrent();
}

void TOracleReference::SetTypeName(const std::string& typeName) {
  typeName_ = platform::UpperAscii(typeName);
}

void TOracleReference::AttachRowInstance(void* instance) {
  // A row (or attribute) without a REF leaves the reference null.
  ref_ = static_cast<OCIRef*>(instance);
}

OCIRef* TOracleReference::Ref() const {
  MakeHolderCurrent();
  return ref_;
}

void* TOracleReference::BindInstance() const {
  MakeHolderCurrent();
  // A bind needs a REF to read or write: a null reference binds its own,
  // cleared.
  if (ref_ == nullptr && Live()) {
    auto* self = const_cast<TOracleReference*>(this);
    self->UseOwnRef();
    OCIRefClear(Environment(), ref_);
  }
  return ref_;
}

bool TOracleReference::IsNull() const {
  MakeHolderCurrent();
  if (ref_ == nullptr || !Live()) return true;
  return OCIRefIsNull(Environment(), ref_) != 0;
}

void TOracleReference::Clear() {
  MakeHolderCurrent();
  if (ref_ == nullptr) return;
  OCIRefClear(Environment(), ref_);
  if (holder_ != nullptr) holder_->NoteChange();
}

std::string TOracleReference::Hex() const {
  if (IsNull()) return {};
  ub4 length = OCIRefHexSize(Environment(), ref_);
  std::string hex(length, '\0');
  Check(OCIRefToHex(Environment(), ErrorHandle(), ref_, reinterpret_cast<text*>(hex.data()),
                    &length));
  hex.resize(length);
  return hex;
}

void TOracleReference::SetHex(const std::string& hex) {
  MakeHolderCurrent();
  if (ref_ == nullptr) UseOwnRef();
  Check(OCIRefFromHex(Environment(), ErrorHandle(), session_->ServiceContext(),
                      reinterpret_cast<const text*>(hex.data()), static_cast<ub4>(hex.size()),
                      &ref_));
  if (holder_ != nullptr) holder_->NoteChange();
}

void* TOracleReference::PinInstance() {
  // The type's own REF descriptor, read through a describe of the type.
  void* describe = nullptr;
  Check(OCIHandleAlloc(Environment(), &describe, OCI_HTYPE_DESCRIBE, 0, nullptr));
  struct FreeDescribe {
    void* handle;
    ~FreeDescribe() { OCIHandleFree(handle, OCI_HTYPE_DESCRIBE); }
  } freeDescribe{describe};
  Check(OCIDescribeAny(session_->ServiceContext(), ErrorHandle(), typeName_.data(),
                       static_cast<ub4>(typeName_.size()), OCI_OTYPE_NAME, 0, OCI_PTYPE_TYPE,
                       static_cast<OCIDescribe*>(describe)));
  void* param = nullptr;
  Check(OCIAttrGet(describe, OCI_HTYPE_DESCRIBE, &param, nullptr, OCI_ATTR_PARAM, ErrorHandle()));
  OCIRef* typeRef = nullptr;
  Check(OCIAttrGet(param, OCI_DTYPE_PARAM, &typeRef, nullptr, OCI_ATTR_REF_TDO, ErrorHandle()));
  // A REF of our own to pin, a copy of this one.
  void* pinRef = nullptr;
  Check(OCIObjectNew(Environment(), ErrorHandle(), session_->ServiceContext(), OCI_TYPECODE_REF,
                     nullptr, nullptr, OCI_DURATION_SESSION, 1, &pinRef));
  struct FreeRef {
    OCIEnv* env;
    OCIError* err;
    void* ref;
    ~FreeRef() { OCIObjectFree(env, err, ref, 0); }
  } freeRef{Environment(), ErrorHandle(), pinRef};
  auto* target = static_cast<OCIRef*>(pinRef);
  Check(OCIRefAssign(Environment(), ErrorHandle(), ref_, &target));
  void* instance = nullptr;
  Check(OCIObjectPin(Environment(), ErrorHandle(), target, nullptr, OCI_PIN_LATEST,
                     OCI_DURATION_SESSION, OCI_LOCK_NONE, &instance));
  return instance;
}

TOracleObject& TOracleReference::Pin() {
  if (IsNull()) throw std::runtime_error("Reference is null");
  if (typeName_.empty()) throw std::runtime_error("Reference has no object type");
  const std::pair<std::string, std::string> key{typeName_, Hex()};
  void* instance = PinInstance();
  TOracleObject* pinned = nullptr;
  if (const auto held = pinned_.find(key); held != pinned_.end()) {
    // The object pinned before from the same REF takes the new pin: a
    // holder of it (or of its parts) reads the latest version.
    pinned = held->second.get();
    pinned->Repinned(instance);
  } else {
    std::unique_ptr<TOracleObject> made;
    try {
      made = TOracleObject::Pinned(session_, typeName_, instance, key.second, this);
    } catch (...) {
      // The pinned instance is ours to let go of when its type cannot be read.
      OCIObjectUnpin(Environment(), ErrorHandle(), instance);
      OCIObjectFree(Environment(), ErrorHandle(), instance, 0);
      throw;
    }
    pinned = pinned_.emplace(key, std::move(made)).first->second.get();
  }
  // The objects pinned for other REFs let go of their instances until they
  // are read again; a changed one keeps its own.
  std::vector<TOracleObject*> awake{pinned};
  for (TOracleObject* object : awake_)
    if (object != pinned && !object->LetGo()) awake.push_back(object);
  awake_ = std::move(awake);
  return *pinned;
}

void TOracleReference::NoteAwake(TOracleObject& object) {
  if (std::find(awake_.begin(), awake_.end(), &object) == awake_.end()) awake_.push_back(&object);
}

TOracleReference& RefField(TOracleQuery& query, int32_t i) {
  if (auto* ref = dynamic_cast<TOracleReference*>(query.ObjectColumnObject(i))) return *ref;
  if (query.FieldOracleType(i) != OCI_TYPECODE_REF)
    throw std::runtime_error("Field " + query.FieldName(i) + " is not a Reference");
  auto ref = std::make_unique<TOracleReference>(query.Session(), query.FieldTypeName(i));
  TOracleReference& made = *ref;
  query.SetObjectColumnObject(i, std::move(ref));
  return made;
}

TOracleReference& RefFieldByName(TOracleQuery& query, std::string_view name) {
  return RefField(query, query.NameIndex(name));
}

}  // namespace oracle
