#include "oracle/objects/oracle_reference.h"

#include <stdexcept>

#include "oracle/client/feature_checks.h"
#include "oracle/client/oci_entry_points.h"
#include "oracle/client/oracle_errors.h"
#include "oracle/session/session.h"

namespace oracle {

TOracleReference::TOracleReference(TOracleSession* session) : session_(session) {
  CheckNet8Feature(session, "A TOracleReference instance");
  if (session == nullptr || !session->Connected()) throw std::runtime_error("Not logged on");
  void* handle = nullptr;
  Check(OCIHandleAlloc(Environment(), &handle, OCI_HTYPE_ERROR, 0, nullptr));
  errorHandle_ = static_cast<OCIError*>(handle);
  void* ref = nullptr;
  Check(OCIObjectNew(Environment(), errorHandle_, session_->ServiceContext(), OCI_TYPECODE_REF,
                     nullptr, nullptr, OCI_DURATION_SESSION, 1, &ref));
  ref_ = static_cast<OCIRef*>(ref);
}

TOracleReference::~TOracleReference() {
  // After the client was unloaded its handles are gone with it.
  if (OCIHandleFree == nullptr) return;
  if (ref_ != nullptr) OCIObjectFree(Environment(), errorHandle_, ref_, 0);
  if (errorHandle_ != nullptr) OCIHandleFree(errorHandle_, OCI_HTYPE_ERROR);
}

OCIEnv* TOracleReference::Environment() const {
  return session_->Environment();
}

void TOracleReference::Check(sword status) const {
  if (status == OCI_INVALID_HANDLE) throw std::runtime_error("TOracleReference: Invalid handle");
  if (status == OCI_ERROR) RaiseOCIError(session_, errorHandle_, this, status);
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

}  // namespace oracle
