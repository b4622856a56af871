#pragma once
// One REF value: null or naming an object, carried in its hexadecimal form,
// and pinned to the object it names. A reference either owns its REF or
// follows the REF column of a query's current row (RefField) or a REF
// attribute of an object.

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "oracle/query/query.h"
#include "oracle/session/session_objects.h"
#include "oracle/session/sql_monitor.h"
#include "platform/oci/oci_api.h"

namespace oracle {

class TOracleSession;
class TOracleObject;

// A reference lives on its session as an object does (oracle_object.h):
// after a log-off it is null, and the objects it pinned are pinned again
// when they are next read on the session logged on again.
class TOracleReference : public TObjectColumnObject, public TSessionAttached {
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
  // out before. Every object pinned stays valid, with all it handed out,
  // until the reference goes; the ones pinned for other REFs before let go
  // of their instances and of their (and their parts') error handles
  // meanwhile (unless changed since they were pinned) and are pinned again
  // when they are next read, so that a reference pinned on row after row
  // holds one instance at a time and a constant number of client handles.
  // Since any object handed out may still be held, the reference keeps the
  // wrapper of each distinct REF it pinned (plain memory, about a kilobyte
  // for an object of a few attributes) until it goes. Raises "Reference is
  // null" for a null REF and "Reference has no object type" without a type
  // name.
  TOracleObject& Pin();

  // The REF it stands for now (null for none).
  OCIRef* Ref() const;
  // -1 when null, 0 otherwise (a bind's indicator).
  int16_t Indicator() const { return IsNull() ? -1 : 0; }

  // TObjectColumnObject
  void AttachRowInstance(void* instance) override;
  bool IsReference() const override { return true; }
  OCIType* BindType() const override { return nullptr; }
  void* BindInstance() const override;
  bool BindIsNull() const override { return IsNull(); }
  // A null indicator clears the REF.
  void TakeBindIndicator(int16_t indicator) override {
    if (indicator < 0 && !IsNull()) Clear();
  }
  bool ColumnText(std::string& text) override {
    text = Hex();
    return true;
  }

  // TSessionAttached: at a logoff it lets go of what it holds of the
  // session's environment.
  void SessionLoggingOff() override { SessionEnvironmentEnding(); }
  void SessionEnvironmentEnding() override;
  void SessionDestroyed() override;

 private:
  friend class TObjectAttribute;
  friend class TOracleObject;
  // -2 raises "TOracleReference: Invalid handle", -1 the Oracle error.
  void Check(sword status) const;
  OCIEnv* Environment() const;
  OCIError* ErrorHandle() const;
  bool Live() const;
  // The REF's object pinned: the instance, the caller's to unpin and free.
  void* PinInstance();
  // Points the reference at a REF of its own (made when there is none).
  void UseOwnRef();
  // A pinned object let go of was read and pinned again.
  void NoteAwake(TOracleObject& object);
  // Frees the reference's error handle while it is not in use (made again
  // at the next use).
  void ReleaseErrorHandle();
  // The object whose attribute this reference follows: made current before
  // a use.
  void MakeHolderCurrent() const;

  TOracleSession* session_;
  std::string typeName_;
  mutable OCIError* errorHandle_ = nullptr;
  OCIRef* ownRef_ = nullptr;  // the REF this reference made
  OCIRef* ref_ = nullptr;     // the REF it stands for now: its own, a row's, or none
  TOracleObject* holder_ = nullptr;
  // The objects pinned, by type name and REF (hexadecimal form), and the
  // ones holding an instance now.
  std::map<std::pair<std::string, std::string>, std::unique_ptr<TOracleObject>> pinned_;
  std::vector<TOracleObject*> awake_;
  TMonitorId monitorId_{"OracleReference"};
};

// The reference of REF column i of a query, following its current row; made
// on first use and owned by the query ("Field " + name + " is not a
// Reference" for other columns).
TOracleReference& RefField(TOracleQuery& query, int32_t i);
TOracleReference& RefFieldByName(TOracleQuery& query, std::string_view name);

}  // namespace oracle
