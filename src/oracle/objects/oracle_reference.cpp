#include "oracle/objects/oracle_reference.h"

#include <stdexcept>

#include "oracle/client/feature_checks.h"
#include "oracle/client/oci_entry_points.h"
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
  void* handle = nullptr;
  Check(OCIHandleAlloc(Environment(), &handle, OCI_HTYPE_ERROR, 0, nullptr));
  errorHandle_ = static_cast<OCIError*>(handle);
  void* ref = nullptr;
  Check(OCIObjectNew(Environment(), errorHandle_, session_->ServiceContext(), OCI_TYPECODE_REF,
                     nullptr, nullptr, OCI_DURATION_SESSION, 1, &ref));
  ownRef_ = ref_ = static_cast<OCIRef*>(ref);
}

TOracleReference::~TOracleReference() {
  monitorId_.Unregister(session_);
  pinned_.clear();
  // After the client was unloaded its handles are gone with it.
  if (OCIHandleFree == nullptr) return;
  if (ownRef_ != nullptr) OCIObjectFree(Environment(), errorHandle_, ownRef_, 0);
  if (errorHandle_ != nullptr) OCIHandleFree(errorHandle_, OCI_HTYPE_ERROR);
}

OCIEnv* TOracleReference::Environment() const {
  return session_->Environment();
}

void TOracleReference::Check(sword status) const {
  if (status == OCI_INVALID_HANDLE) throw std::runtime_error("TOracleReference: Invalid handle");
  if (status == OCI_ERROR) RaiseOCIError(session_, errorHandle_, this, status);
}

void TOracleReference::SetTypeName(const std::string& typeName) {
  typeName_ = platform::UpperAscii(typeName);
}

void TOracleReference::AttachRowInstance(void* instance) {
  // A row without a REF reads as null through the reference's own, cleared.
  if (instance == nullptr) OCIRefClear(Environment(), ownRef_);
  ref_ = instance != nullptr ? static_cast<OCIRef*>(instance) : ownRef_;
}

bool TOracleReference::IsNull() const {
  return OCIRefIsNull(Environment(), ref_) != 0;
}

void TOracleReference::Clear() {
  OCIRefClear(Environment(), ref_);
}

std::string TOracleReference::Hex() const {
  if (IsNull()) return {};
  ub4 length = OCIRefHexSize(Environment(), ref_);
  std::string hex(length, '\0');
  Check(
      OCIRefToHex(Environment(), errorHandle_, ref_, reinterpret_cast<text*>(hex.data()), &length));
  hex.resize(length);
  return hex;
}

void TOracleReference::SetHex(const std::string& hex) {
  Check(OCIRefFromHex(Environment(), errorHandle_, session_->ServiceContext(),
                      reinterpret_cast<const text*>(hex.data()), static_cast<ub4>(hex.size()),
                      &ref_));
}

TOracleObject& TOracleReference::Pin() {
  if (IsNull()) throw std::runtime_error("Reference is null");
  if (typeName_.empty()) throw std::runtime_error("Reference has no object type");
  const std::pair<std::string, std::string> key{typeName_, Hex()};
  // The type's own REF descriptor, read through a describe of the type.
  void* describe = nullptr;
  Check(OCIHandleAlloc(Environment(), &describe, OCI_HTYPE_DESCRIBE, 0, nullptr));
  struct FreeDescribe {
    void* handle;
    ~FreeDescribe() { OCIHandleFree(handle, OCI_HTYPE_DESCRIBE); }
  } freeDescribe{describe};
  Check(OCIDescribeAny(session_->ServiceContext(), errorHandle_, typeName_.data(),
                       static_cast<ub4>(typeName_.size()), OCI_OTYPE_NAME, 0, OCI_PTYPE_TYPE,
                       static_cast<OCIDescribe*>(describe)));
  void* param = nullptr;
  Check(OCIAttrGet(describe, OCI_HTYPE_DESCRIBE, &param, nullptr, OCI_ATTR_PARAM, errorHandle_));
  OCIRef* typeRef = nullptr;
  Check(OCIAttrGet(param, OCI_DTYPE_PARAM, &typeRef, nullptr, OCI_ATTR_REF_TDO, errorHandle_));
  // A REF of our own to pin, a copy of this one.
  void* pinRef = nullptr;
  Check(OCIObjectNew(Environment(), errorHandle_, session_->ServiceContext(), OCI_TYPECODE_REF,
                     nullptr, nullptr, OCI_DURATION_SESSION, 1, &pinRef));
  struct FreeRef {
    OCIEnv* env;
    OCIError* err;
    void* ref;
    ~FreeRef() { OCIObjectFree(env, err, ref, 0); }
  } freeRef{Environment(), errorHandle_, pinRef};
  auto* target = static_cast<OCIRef*>(pinRef);
  Check(OCIRefAssign(Environment(), errorHandle_, ref_, &target));
  void* instance = nullptr;
  Check(OCIObjectPin(Environment(), errorHandle_, target, nullptr, OCI_PIN_LATEST,
                     OCI_DURATION_SESSION, OCI_LOCK_NONE, &instance));
  // The object pinned before from the same REF takes the new pin: a holder
  // of it (or of its parts) reads the latest version.
  if (const auto held = pinned_.find(key); held != pinned_.end()) {
    held->second->Repinned(instance);
    return *held->second;
  }
  std::unique_ptr<TOracleObject> pinned;
  try {
    pinned = TOracleObject::Pinned(session_, typeName_, instance);
  } catch (...) {
    // The pinned instance is ours to let go of when its type cannot be read.
    OCIObjectUnpin(Environment(), errorHandle_, instance);
    OCIObjectFree(Environment(), errorHandle_, instance, 0);
    throw;
  }
  return *pinned_.emplace(key, std::move(pinned)).first->second;
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
