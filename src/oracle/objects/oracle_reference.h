#pragma once
// One REF value: null or naming an object, carried in its hexadecimal form,
// and pinned to the object it names. A reference either owns its REF or
// follows the REF column of a query's current row (RefField).

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "oracle/query/query.h"
#include "oracle/session/sql_monitor.h"
#include "platform/oci/oci_api.h"

namespace oracle {

class TOracleSession;
class TOracleObject;

class TOracleReference : public TObjectColumnObject {
 public:
  // A null REF on a connected session ("Not logged on" otherwise), to
  // objects of `typeName` when given (a REF column's references know it).
  explicit TOracleReference(TOracleSession* session, const std::string& typeName = {});
  ~TOracleReference() override;
  TOracleReference(const TOracleReference&) = delete;
  TOracleReference& operator=(const TOracleReference&) = delete;

  bool IsNull() const;
  void Clear();
  // The hexadecimal form ("" for a null REF), and setting one.
  std::string Hex() const;
  void SetHex(const std::string& hex);
  const std::string& TypeName() const { return typeName_; }
  void SetTypeName(const std::string& typeName);

  // The object the REF names, pinned (latest version, no lock). Pinning the
  // same object again re-reads its latest version into the object handed
  // out before; every object pinned stays valid, with all it handed out,
  // until the reference goes. Raises "Reference is null" for a null REF and
  // "Reference has no object type" without a type name.
  TOracleObject& Pin();

  OCIRef* Ref() const { return ref_; }
  OCIRef** RefAddress() { return &ref_; }
  // -1 when null, 0 otherwise (a bind's indicator).
  int16_t Indicator() const { return IsNull() ? -1 : 0; }

  // TObjectColumnObject
  void AttachRowInstance(void* instance) override;
  bool IsReference() const override { return true; }
  OCIType* BindType() const override { return nullptr; }
  void* BindInstance() const override { return ref_; }
  bool BindIsNull() const override { return IsNull(); }
  // A null indicator clears the REF.
  void TakeBindIndicator(int16_t indicator) override {
    if (indicator < 0 && !IsNull()) Clear();
  }
  bool ColumnText(std::string& text) override {
    text = Hex();
    return true;
  }

 private:
  // -2 raises "TOracleReference: Invalid handle", -1 the Oracle error.
  void Check(sword status) const;
  OCIEnv* Environment() const;

  TOracleSession* session_;
  std::string typeName_;
  OCIError* errorHandle_ = nullptr;
  OCIRef* ownRef_ = nullptr;  // the REF this reference made
  OCIRef* ref_ = nullptr;     // the REF it stands for now: its own or a row's
  // The objects pinned, by type name and REF (hexadecimal form).
  std::map<std::pair<std::string, std::string>, std::unique_ptr<TOracleObject>> pinned_;
  TMonitorId monitorId_{"OracleReference"};
};

// The reference of REF column i of a query, following its current row; made
// on first use and owned by the query ("Field " + name + " is not a
// Reference" for other columns).
TOracleReference& RefField(TOracleQuery& query, int32_t i);
TOracleReference& RefFieldByName(TOracleQuery& query, std::string_view name);

}  // namespace oracle
