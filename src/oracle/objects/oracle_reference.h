#pragma once
// One REF value: null or naming an object, carried in its hexadecimal form.

#include <string>

#include "oracle/values/complex_object.h"
#include "platform/oci/oci_api.h"

namespace oracle {

class TOracleSession;

class TOracleReference : public TComplexObject {
 public:
  // A null REF on a connected session ("Not logged on" otherwise).
  explicit TOracleReference(TOracleSession* session);
  ~TOracleReference() override;
  TOracleReference(const TOracleReference&) = delete;
  TOracleReference& operator=(const TOracleReference&) = delete;

  bool IsNull() const;
  void Clear();
  // The hexadecimal form ("" for a null REF), and setting one.
  std::string Hex() const;
  void SetHex(const std::string& hex);

  OCIRef* Ref() const { return ref_; }
  OCIRef** RefAddress() { return &ref_; }
  // -1 when null, 0 otherwise (a bind's indicator).
  int16_t Indicator() const { return IsNull() ? -1 : 0; }

 private:
  // -2 raises "TOracleReference: Invalid handle", -1 the Oracle error.
  void Check(sword status) const;
  OCIEnv* Environment() const;

  TOracleSession* session_;
  OCIError* errorHandle_ = nullptr;
  OCIRef* ref_ = nullptr;
};

}  // namespace oracle
