// REFs: assignment, clearing, and the hexadecimal form (a REF's stored value
// is its hex form).
#include <cctype>
#include <cstring>

#include "api_support.h"
#include "object_instances.h"

using namespace ocistandin;

namespace {

OCIRef* findRef(const void* p) {
  return findAs<OCIRef>(p, kRefValue);
}

}  // namespace

extern "C" {

sword OCIRefAssign(OCIEnv* env, OCIError* errhp, const OCIRef* source, OCIRef** target) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* envHandle = findAs<EnvHandle>(env, OCI_HTYPE_ENV);
  OCIRef* from = findRef(source);
  if (err == nullptr || envHandle == nullptr || from == nullptr || target == nullptr)
    return OCI_INVALID_HANDLE;
  if (*target == nullptr) *target = registerHandle(std::make_unique<OCIRef>(envHandle));
  OCIRef* to = findRef(*target);
  if (to == nullptr) return OCI_INVALID_HANDLE;
  to->hex = from->hex;
  return OCI_SUCCESS;
}

void OCIRefClear(OCIEnv*, OCIRef* ref) {
  ApiLock lock(apiMutex());
  if (OCIRef* r = findRef(ref)) r->hex.clear();
}

boolean OCIRefIsNull(OCIEnv*, const OCIRef* ref) {
  ApiLock lock(apiMutex());
  OCIRef* r = findRef(ref);
  return r == nullptr || r->hex.empty() ? 1 : 0;
}

sword OCIRefFromHex(OCIEnv* env, OCIError* errhp, const OCISvcCtx*, const text* hex, ub4 length,
                    OCIRef** ref) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* envHandle = findAs<EnvHandle>(env, OCI_HTYPE_ENV);
  if (err == nullptr || envHandle == nullptr || ref == nullptr) return OCI_INVALID_HANDLE;
  std::string value(reinterpret_cast<const char*>(hex), hex == nullptr ? 0 : length);
  for (char& c : value) {
    if (!std::isxdigit(static_cast<unsigned char>(c)))
      return fail(err, OraError{1465, "invalid hex number"});
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  if (value.size() % 2 != 0) return fail(err, OraError{1465, "invalid hex number"});
  if (*ref == nullptr) *ref = registerHandle(std::make_unique<OCIRef>(envHandle));
  OCIRef* r = findRef(*ref);
  if (r == nullptr) return OCI_INVALID_HANDLE;
  r->hex = value;
  return OCI_SUCCESS;
}

ub4 OCIRefHexSize(OCIEnv*, const OCIRef* ref) {
  ApiLock lock(apiMutex());
  OCIRef* r = findRef(ref);
  return r == nullptr ? 0 : static_cast<ub4>(r->hex.size());
}

sword OCIRefToHex(OCIEnv*, OCIError* errhp, const OCIRef* ref, text* hex, ub4* hex_length) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  OCIRef* r = findRef(ref);
  if (err == nullptr || r == nullptr || hex_length == nullptr) return OCI_INVALID_HANDLE;
  if (r->hex.size() > *hex_length) return fail(err, OraError{22060, "argument is invalid"});
  if (hex != nullptr) std::memcpy(hex, r->hex.data(), r->hex.size());
  *hex_length = static_cast<ub4>(r->hex.size());
  return OCI_SUCCESS;
}

}  // extern "C"
