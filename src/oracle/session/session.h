#pragma once
// TOracleSession: a connection to the database. It holds the logon
// properties, logs on and off through OCI (the OCI8 calls, or the OCI7 calls
// when the client or the server asks for them), commits and rolls back,
// applies session settings with "alter session" statements and keeps the
// objects attached to it (session_objects.h) so that it can let them go at
// logoff. The password is never part of a trace, description or log line.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "oracle/client/critical_section.h"
#include "oracle/session/logon_string.h"
#include "oracle/session/session_objects.h"
#include "oracle/session/session_pool_link.h"
#include "oracle/session/session_preferences.h"
#include "oracle/session/table_info_cache.h"
#include "oracle/session/ui_hooks.h"
#include "oracle/values/session_context.h"
#include "platform/oci/oci_api.h"

namespace oracle {

enum class TSessionPooling { spNone, spInternal, spMTS };
using TMTSOptions = unsigned;
inline constexpr TMTSOptions moImplicit = 1u << 0;
inline constexpr TMTSOptions moUniqueServer = 1u << 1;
enum class TNullValue { nvUnAssigned, nvNull };
enum class TSQLTrace { stUnchanged, stTrue, stFalse };
enum class TOptimizerGoal { ogUnchanged, ogChoose, ogFirstRows, ogAllRows, ogRule };
enum class TIsolationLevel { ilUnchanged, ilReadCommitted, ilSerializable };
enum class TBytesPerCharacter { bcAutoDetect, bc1Byte, bc2Bytes, bc3Bytes, bc4Bytes };

// Results of CheckConnection.
inline constexpr int kConnectionOk = 0;
inline constexpr int kNotConnected = 1;
inline constexpr int kReconnected = 2;

class TOracleSession : public TSessionContext {
 public:
  using Event = std::function<void(TOracleSession&)>;

  // `owner` is the owning component (identity only). A session owned by a
  // remote data module starts with Preferences.MaxStringFieldSize 255.
  explicit TOracleSession(const void* owner = nullptr, bool remoteModuleOwner = false);
  // Logs off; an error while doing so is written to the log, never thrown.
  virtual ~TOracleSession();
  TOracleSession(const TOracleSession&) = delete;
  TOracleSession& operator=(const TOracleSession&) = delete;

  // Fired after a connect or disconnect / before and after logon.
  Event OnChange;
  Event BeforeLogOn;
  Event AfterLogOn;
  virtual void FireBeforeLogOn();
  virtual void FireAfterLogOn();

  // --- connection -------------------------------------------------------
  void LogOn();
  void LogOff();
  void Commit();
  void Rollback();
  // kConnectionOk when connected (after a test statement, whose error
  // propagates), kNotConnected, or kReconnected after logging on again.
  int CheckConnection(bool reconnect);
  // Runs one statement, with the busy cursor when `busy`.
  void ExecuteSessionSQL(const std::string& sql, bool busy);
  // Counts the work done on the connection that a rollback to a savepoint
  // would undo or release: every statement but a plain query, LOB and
  // object writes, commits, rollbacks, logons and logoffs. Two equal marks
  // tell that nothing of that kind happened in between.
  std::uint64_t WorkMark() const { return workMark_.load(std::memory_order_relaxed); }
  void CountWork() { workMark_.fetch_add(1, std::memory_order_relaxed); }

  bool Connected() const { return connected_; }
  // Writing logs on or off; while loading only marks a pending connect.
  void SetConnected(bool value);
  bool Shared() const { return externalLDA_ != nullptr || externalSVC_ != nullptr; }

  // --- logon properties -------------------------------------------------
  const std::string& LogonUsername() const { return logonUsername_; }
  const std::string& LogonPassword() const { return logonPassword_; }
  const std::string& LogonDatabase() const { return logonDatabase_; }
  void SetLogonUsername(const std::string& value);
  void SetLogonPassword(const std::string& value);
  void SetLogonDatabase(const std::string& value);
  TConnectAs ConnectAs() const { return connectAs_; }
  void SetConnectAs(TConnectAs value) { connectAs_ = value; }
  // The text of the password-expiry warning of the last logon, else empty.
  const std::string& LogonWarning() const { return logonWarning_; }

  // --- other properties -------------------------------------------------
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor value) { cursor_ = value; }
  bool DesignConnection() const { return designConnection_; }
  void SetDesignConnection(bool value) { designConnection_ = value; }
  bool ThreadSafe() const { return threadSafe_; }
  void SetThreadSafe(bool value);
  TSessionPreferences& Preferences() { return preferences_; }
  const TSessionPreferences& Preferences() const { return preferences_; }
  TSessionPooling Pooling() const { return pooling_; }
  void SetPooling(TSessionPooling value);
  TSessionPoolLink* Pool() const { return pool_; }
  void SetPool(TSessionPoolLink* value);
  TMTSOptions MTSOptions() const { return mtsOptions_; }
  void SetMTSOptions(TMTSOptions value);
  bool RollbackOnDisconnect() const { return rollbackOnDisconnect_; }
  void SetRollbackOnDisconnect(bool value) { rollbackOnDisconnect_ = value; }
  TNullValue NullValue() const { return nullValue_; }
  void SetNullValue(TNullValue value) { nullValue_ = value; }
  // The three session settings run their "alter session" statement at once
  // when connected (and at each logon) unless the value is Unchanged.
  TSQLTrace SQLTrace() const { return sqlTrace_; }
  void SetSQLTrace(TSQLTrace value);
  TOptimizerGoal OptimizerGoal() const { return optimizerGoal_; }
  void SetOptimizerGoal(TOptimizerGoal value);
  TIsolationLevel IsolationLevel() const { return isolationLevel_; }
  void SetIsolationLevel(TIsolationLevel value);
  TBytesPerCharacter BytesPerCharacter() const { return bytesPerCharacter_; }
  void SetBytesPerCharacter(TBytesPerCharacter value);
  const std::string& MessageTable() const { return messageTable_; }
  void SetMessageTable(const std::string& value) { messageTable_ = value; }
  bool StatementCache() const { return statementCache_; }
  void SetStatementCache(bool value);
  int32_t StatementCacheSize() const { return statementCacheSize_; }
  // Passed to OCI at once when connected with the cache in use.
  void SetStatementCacheSize(int32_t value);
  // OCI7 only: applied at once when connected in OCI7 mode, else at logon.
  bool AutoCommit() const { return autoCommit_; }
  void SetAutoCommit(bool value);

  // --- connections made elsewhere ------------------------------------------
  // The external service context: readable only when connected in OCI8
  // mode. Writing logs off, stores it and logs on through it (not null).
  OCISvcCtx* ExternalSVC() const;
  void SetExternalSVC(OCISvcCtx* value);
  // The external (or the session's own) OCI7 logon data area: readable only
  // when connected in OCI7 mode.
  Lda_Def* ExternalLDA();
  void SetExternalLDA(Lda_Def* value);
  // Takes the other session's logon properties and attaches to its
  // connection.
  void ShareSession(TOracleSession& other);

  // --- probes -----------------------------------------------------------
  int BytesPerChar();
  int NationalBytesPerChar();
  std::uint16_t CharsetId() const { return charsetId_; }
  std::uint16_t NationalCharsetId() const { return nationalCharsetId_; }
  int32_t MaxVarchar2Chars() const override;
  int DateFormatLength();
  std::string GetAUDSID();
  // Name=value lines: Username, Password (masked), Database, ConnectAs,
  // AUDSID, OCIDLL.
  std::string GetDescription();

  // --- busy cursor --------------------------------------------------------
  void BeginBusy();
  void EndBusy();

  // --- component state ------------------------------------------------------
  const void* Owner() const { return owner_; }
  void BeginLoading() { loading_ = true; }
  // Ends loading: carries out a pending connect.
  void Loaded();
  // Carries out a connect left pending by loading now, for a component that
  // needs the connection before this session's own Loaded.
  void CompletePendingLogOn();
  bool Loading() const { return loading_; }
  void SetDesigning(bool value) { designing_ = value; }
  bool Designing() const { return designing_; }
  bool Destroying() const { return destroying_; }
  // Reopens the open datasets after a change of the field layout settings.
  void ReopenDataSets();

  // --- attached objects -------------------------------------------------
  TSessionObjectLists& AttachedObjects() { return objects_; }
  // The dictionary information of tables read on this connection; emptied
  // at logoff.
  TTableInfoCache& TableInfoCache() { return tableInfo_; }

  // --- OCI state ------------------------------------------------------------
  bool InOCI8Mode() const override { return oci8Mode_; }
  bool IsConnected() const override { return connected_; }
  Lda_Def* OCI7LogonDataArea() override;
  OCIEnv* Environment() const override { return env_; }
  OCISvcCtx* ServiceContext() const { return svc_; }
  OCIError* ErrorHandle() const { return err_; }
  OCIError* SecondErrorHandle() const { return err2_; }
  OCIServer* ServerHandle() const { return server_; }
  OCISession* UserSession() const { return userSession_; }
  sword LastStatus() const { return lastStatus_; }
  bool ConvertedToOCI7() const { return convertedToOCI7_; }
  bool ODBCMode() const { return odbc_; }
  // Through ODBC: whether the driver takes savepoints (the OCA60 entry).
  bool ODBCSavepoints() const { return oca_; }
  bool MTSControlled() const { return mtsControlled_; }
  // Serialises statement calls (OCI7 mode or ThreadSafe).
  TOracleCriticalSection& SessionLock() { return sessionLock_; }
  bool NeedsStatementLock() const { return threadSafe_ || !oci8Mode_; }

  // TSessionContext
  bool ZeroDateIsNull() const override { return preferences_.ZeroDateIsNull(); }
  bool NullValueIsNull() const override { return nullValue_ == TNullValue::nvNull; }
  bool ConvertCRLF() const override { return preferences_.ConvertCRLF(); }
  void AttachTimestamp(TSessionAttached* timestamp) override {
    objects_.Attach(SessionObjectList::kTimestamps, timestamp);
  }
  void DetachTimestamp(TSessionAttached* timestamp) override {
    objects_.Detach(SessionObjectList::kTimestamps, timestamp);
  }

 private:
  class BusyScope;
  friend class BusyScope;

  std::string BuildConnectString();
  void CreateEnvironment();
  void AttachAndBeginOCI8();
  void LogOnOCI7(const std::string& connectText);
  void AdoptExternalSVC();
  void AbandonLogOn() noexcept;
  void LogOnThroughMTS();
  void ApplySessionSettings();
  void ReleaseAttached();
  void FreeHandles() noexcept;
  void ResetProbes();
  bool StatementCacheUsed() const;
  void CheckNotConnected(const char* property) const;
  void RunSetting(const std::string& sql);
  void Trace(const std::string& text) const;
  void CheckOCI(sword status);
  void CheckOCI7(sword returnCode);
  std::int32_t OCI7ReturnCode();
  TSessionPoolLink* EffectivePool() const;
  void DeriveODBCFlags();

  const void* owner_;
  TSessionPreferences preferences_;
  TOracleCriticalSection sessionLock_;
  TSessionObjectLists objects_;
  // After objects_: its entries' queries leave objects_ as they go.
  TTableInfoCache tableInfo_;

  std::string logonUsername_, logonPassword_, logonDatabase_;
  TConnectAs connectAs_ = TConnectAs::caNormal;
  std::string logonWarning_;
  TCursor cursor_ = crSQLWait;
  bool designConnection_ = false;
  bool threadSafe_ = false;
  TSessionPooling pooling_ = TSessionPooling::spNone;
  TSessionPoolLink* pool_ = nullptr;
  TMTSOptions mtsOptions_ = moImplicit | moUniqueServer;
  bool rollbackOnDisconnect_ = false;
  TNullValue nullValue_ = TNullValue::nvUnAssigned;
  TSQLTrace sqlTrace_ = TSQLTrace::stUnchanged;
  TOptimizerGoal optimizerGoal_ = TOptimizerGoal::ogUnchanged;
  TIsolationLevel isolationLevel_ = TIsolationLevel::ilUnchanged;
  TBytesPerCharacter bytesPerCharacter_ = TBytesPerCharacter::bc1Byte;
  std::string messageTable_;
  bool statementCache_ = false;
  int32_t statementCacheSize_ = 20;
  bool autoCommit_ = false;

  bool connected_ = false;
  bool connectPending_ = false;
  bool loading_ = false;
  bool designing_ = false;
  bool destroying_ = false;
  bool odbc_ = false;
  bool oca_ = false;
  bool oci8Mode_ = false;
  bool convertedToOCI7_ = false;
  bool serverAttached_ = false;
  bool sessionBegun_ = false;
  bool mtsControlled_ = false;
  bool ownsEnvironment_ = false;  // false for the shared and external environments

  OCIEnv* env_ = nullptr;
  OCIError* err_ = nullptr;
  OCIError* err2_ = nullptr;
  OCISvcCtx* svc_ = nullptr;
  OCISession* userSession_ = nullptr;
  OCIServer* server_ = nullptr;
  OCISvcCtx* externalSVC_ = nullptr;
  OCISvcCtx* mtsSVC_ = nullptr;
  Lda_Def* externalLDA_ = nullptr;
  alignas(8) std::array<unsigned char, 256> lda_{};
  alignas(8) std::array<unsigned char, 256> hda_{};
  sword lastStatus_ = OCI_SUCCESS;

  int bytesPerChar_ = 0;  // 0 until probed on this connection
  int nationalBytesPerChar_ = 0;
  std::uint16_t charsetId_ = 0;
  std::uint16_t nationalCharsetId_ = 0;
  int dateFormatLength_ = -1;

  // When the last trace was made (trace clock); empty at logon.
  mutable std::optional<std::int64_t> traceMark_;

  std::atomic<std::uint64_t> workMark_{0};

  int busyDepth_ = 0;
  TCursor savedCursor_ = crDefault;
};

// --- process-wide -----------------------------------------------------------

// Receives the session's trace texts ("Session.LogOn as user@database",
// "Session.Commit", ...) when set, each with the milliseconds since the
// session's previous trace (0 for the first one after a logon starts); a
// monitor also makes each logon read the session's AUDSID.
using SessionTraceHook =
    std::function<void(const TOracleSession&, const std::string& text, std::int64_t elapsedMs)>;
void SetSessionTraceHook(SessionTraceHook hook);
// The millisecond clock the elapsed times are measured with; null restores
// the default steady clock.
void SetSessionTraceClock(std::function<std::int64_t()> clock);

// Called with each newly constructed session when set.
void SetSessionCreatedHook(std::function<void(TOracleSession&)> hook);

// The sessions that exist now.
std::vector<TOracleSession*> OracleSessions();

// Logs every existing session off (errors are logged), frees the shared OCI
// environment and unloads the client library. For library unload.
void FinalizeOracleSessions();

}  // namespace oracle
