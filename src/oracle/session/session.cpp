#include "oracle/session/session.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <thread>

#include "foundation/log.h"
#include "oracle/client/client_mode.h"
#include "oracle/client/client_settings.h"
#include "oracle/client/oci_entry_points.h"
#include "oracle/client/oci_loader.h"
#include "oracle/client/oci_loader_state.h"
#include "oracle/client/oracle_errors.h"
#include "oracle/client/oracle_warnings.h"
#include "oracle/session/mts_errors.h"
#include "oracle/session/session_globals.h"
#include "oracle/session/session_internal.h"
#include "oracle/session/session_sql.h"
#include "platform/oci/oci7_area_layout.h"

namespace oracle {

using session_detail::FreeHandle;
using session_detail::Wipe;

namespace {

const char* ConnectAsName(TConnectAs connectAs) {
  switch (connectAs) {
    case TConnectAs::caSYSDBA:
      return "caSYSDBA";
    case TConnectAs::caSYSOPER:
      return "caSYSOPER";
    default:
      return "caNormal";
  }
}

}  // namespace

TOracleSession::TOracleSession(const void* owner, bool remoteModuleOwner)
    : owner_(owner), preferences_(this, remoteModuleOwner) {
  RegisterSession(*this);
}

TOracleSession::~TOracleSession() {
  destroying_ = true;
  try {
    LogOff();
  } catch (const std::exception& e) {
    foundation::LogException(e, "TOracleSession.Destroy");
  } catch (...) {
    foundation::KWLog(0, "TOracleSession.Destroy: unknown error while logging off",
                      foundation::kLevelError, "TOracleSession.Destroy");
  }
  tableInfo_.Clear();
  objects_.DetachAll();
  if (serverAttached_ && OCIServerDetach != nullptr) OCIServerDetach(server_, err_, OCI_DEFAULT);
  serverAttached_ = false;
  FreeHandles();
  UnregisterSession(*this);
  Wipe(logonPassword_);
}

void TOracleSession::FireBeforeLogOn() {
  if (BeforeLogOn) BeforeLogOn(*this);
}

void TOracleSession::FireAfterLogOn() {
  if (AfterLogOn) AfterLogOn(*this);
}

// --- properties --------------------------------------------------------------

void TOracleSession::DeriveODBCFlags() {
  odbc_ = UpperCase(logonUsername_).find("ODBC:") != std::string::npos ||
          UpperCase(logonDatabase_).find("ODBC:") != std::string::npos;
  oca_ = odbc_ &&
         !ReadRegistryString(platform::registry::Root::LocalMachine, "SOFTWARE\\ORACLE", "OCA60")
              .empty();
}

void TOracleSession::SetLogonUsername(const std::string& value) {
  logonUsername_ = value;
  DeriveODBCFlags();
}

void TOracleSession::SetLogonPassword(const std::string& value) {
  Wipe(logonPassword_);
  logonPassword_ = value;
  DeriveODBCFlags();
}

void TOracleSession::SetLogonDatabase(const std::string& value) {
  logonDatabase_ = value;
  DeriveODBCFlags();
}

void TOracleSession::CheckNotConnected(const char* property) const {
  if (connected_)
    throw std::runtime_error(std::string("Cannot change ") + property + " property when connected");
}

void TOracleSession::SetThreadSafe(bool value) {
  if (value == threadSafe_) return;
  CheckNotConnected("ThreadSafe");
  threadSafe_ = value;
}

void TOracleSession::SetPooling(TSessionPooling value) {
  if (value == pooling_) return;
  CheckNotConnected("Pooling");
  pooling_ = value;
}

void TOracleSession::SetPool(TSessionPoolLink* value) {
  if (value == pool_) return;
  CheckNotConnected("Pool");
  pool_ = value;
}

void TOracleSession::SetMTSOptions(TMTSOptions value) {
  if (value == mtsOptions_) return;
  CheckNotConnected("MTSOptions");
  mtsOptions_ = value;
}

void TOracleSession::SetStatementCache(bool value) {
  if (value == statementCache_) return;
  CheckNotConnected("StatementCache");
  statementCache_ = value;
}

bool TOracleSession::StatementCacheUsed() const {
  return statementCache_ && OCI92Available;
}

void TOracleSession::SetStatementCacheSize(int32_t value) {
  statementCacheSize_ = value;
  if (connected_ && oci8Mode_ && StatementCacheUsed()) {
    ub4 size = static_cast<ub4>(value);
    CheckOCI(OCIAttrSet(svc_, OCI_HTYPE_SVCCTX, &size, 0, OCI_ATTR_STMTCACHESIZE, err_));
  }
}

void TOracleSession::SetAutoCommit(bool value) {
  autoCommit_ = value;
  if (connected_ && !oci8Mode_) {
    OracleLockGuard lock(sessionLock_);
    if (value && ocon != nullptr) CheckOCI7(ocon(OCI7LogonDataArea()));
    if (!value && ocof != nullptr) CheckOCI7(ocof(OCI7LogonDataArea()));
  }
}

void TOracleSession::SetSQLTrace(TSQLTrace value) {
  sqlTrace_ = value;
  if (!connected_ || value == TSQLTrace::stUnchanged) return;
  RunSetting(std::string("alter session set sql_trace = ") +
             (value == TSQLTrace::stTrue ? "true" : "false"));
}

void TOracleSession::SetOptimizerGoal(TOptimizerGoal value) {
  optimizerGoal_ = value;
  if (!connected_ || value == TOptimizerGoal::ogUnchanged) return;
  const char* goal = "choose";
  switch (value) {
    case TOptimizerGoal::ogFirstRows:
      goal = "first_rows";
      break;
    case TOptimizerGoal::ogAllRows:
      goal = "all_rows";
      break;
    case TOptimizerGoal::ogRule:
      goal = "rule";
      break;
    default:
      break;
  }
  RunSetting(std::string("alter session set optimizer_") + (oci8Mode_ ? "mode" : "goal") + " = " +
             goal);
}

void TOracleSession::SetIsolationLevel(TIsolationLevel value) {
  isolationLevel_ = value;
  if (!connected_ || value == TIsolationLevel::ilUnchanged) return;
  RunSetting(std::string("alter session set isolation_level = ") +
             (value == TIsolationLevel::ilReadCommitted ? "read committed" : "serializable"));
}

void TOracleSession::SetBytesPerCharacter(TBytesPerCharacter value) {
  bytesPerCharacter_ = value;
  bytesPerChar_ = 0;
  nationalBytesPerChar_ = 0;
}

void TOracleSession::RunSetting(const std::string& sql) {
  ExecuteSessionSQL(sql, true);
}

void TOracleSession::SetConnected(bool value) {
  if (loading_) {
    connectPending_ = value;
    return;
  }
  if (value) {
    LogOn();
  } else {
    LogOff();
  }
}

void TOracleSession::CompletePendingLogOn() {
  if (!connectPending_) return;
  connectPending_ = false;
  LogOn();  // still loading: Loaded fires the events once
}

void TOracleSession::Loaded() {
  CompletePendingLogOn();
  loading_ = false;
  if (connected_) {
    FireAfterLogOn();
    if (OnChange) OnChange(*this);
  }
}

void TOracleSession::ReopenDataSets() {
  objects_.WalkLastToFirst(SessionObjectList::kDataSets,
                           [](TSessionAttached& dataSet) { dataSet.SessionLayoutChanged(); });
}

// --- connections made elsewhere ----------------------------------------------

OCISvcCtx* TOracleSession::ExternalSVC() const {
  if (!connected_ || !oci8Mode_)
    throw std::runtime_error("ExternalSVC only valid when connected through OCI8");
  return svc_;
}

void TOracleSession::SetExternalSVC(OCISvcCtx* value) {
  InitOCI();
  if (!OCI8Group || preferences_.UseOCI7() || ForceOCI7)
    throw std::runtime_error("ExternalSVC only valid with OCI8");
  LogOff();
  externalSVC_ = value;
  if (value != nullptr) LogOn();
}

Lda_Def* TOracleSession::ExternalLDA() {
  if (!connected_ || oci8Mode_)
    throw std::runtime_error("ExternalLDA only valid when connected through OCI7");
  return OCI7LogonDataArea();
}

void TOracleSession::SetExternalLDA(Lda_Def* value) {
  LogOff();
  externalLDA_ = value;
  if (value != nullptr) LogOn();
}

void TOracleSession::ShareSession(TOracleSession& other) {
  logonUsername_ = other.logonUsername_;
  Wipe(logonPassword_);
  logonPassword_ = other.logonPassword_;
  logonDatabase_ = other.logonDatabase_;
  DeriveODBCFlags();
  if (other.oci8Mode_) {
    SetExternalSVC(other.connected_ ? other.svc_ : nullptr);
  } else {
    SetExternalLDA(other.connected_ ? other.OCI7LogonDataArea() : nullptr);
  }
}

Lda_Def* TOracleSession::OCI7LogonDataArea() {
  return externalLDA_ != nullptr ? externalLDA_ : reinterpret_cast<Lda_Def*>(lda_.data());
}

// --- errors ------------------------------------------------------------------

void TOracleSession::CheckOCI(sword status) {
  lastStatus_ = status;
  if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO)
    RaiseOCIError(this, err_, this, status);
}

std::int32_t TOracleSession::OCI7ReturnCode() {
  return oci7area::Read<std::uint16_t>(OCI7LogonDataArea(), oci7area::kReturnCode);
}

void TOracleSession::CheckOCI7(sword returnCode) {
  lastStatus_ = returnCode;
  if (returnCode != 0) RaiseOCI7Error(this, OCI7ReturnCode(), this);
}

void TOracleSession::Trace(const std::string& text) const {
  if (!SessionTraceActive()) return;
  const std::int64_t now = SessionTraceClock();
  const std::int64_t elapsed = traceMark_ ? now - *traceMark_ : 0;
  traceMark_ = now;
  TraceSession(*this, text, elapsed);
}

TSessionPoolLink* TOracleSession::EffectivePool() const {
  return pool_ != nullptr ? pool_ : DefaultSessionPool();
}

// --- transactions ------------------------------------------------------------

void TOracleSession::Commit() {
  if (!connected_) return;
  CountWork();
  Trace("Session.Commit");
  if (mtsControlled_) throw std::runtime_error("Cannot commit an MTS Controlled Transaction");
  std::optional<OracleLockGuard> lock;
  if (NeedsStatementLock()) lock.emplace(sessionLock_);
  if (oci8Mode_) {
    CheckOCI(OCITransCommit(svc_, err_, OCI_DEFAULT));
  } else {
    CheckOCI7(ocom(OCI7LogonDataArea()));
  }
}

void TOracleSession::Rollback() {
  if (!connected_) return;
  CountWork();
  Trace("Session.Rollback");
  if (mtsControlled_) throw std::runtime_error("Cannot rollback an MTS Controlled Transaction");
  std::optional<OracleLockGuard> lock;
  if (NeedsStatementLock()) lock.emplace(sessionLock_);
  if (oci8Mode_) {
    CheckOCI(OCITransRollback(svc_, err_, OCI_DEFAULT));
  } else {
    CheckOCI7(orol(OCI7LogonDataArea()));
  }
}

// --- statements and probes ---------------------------------------------------

void TOracleSession::ExecuteSessionSQL(const std::string& sql, bool busy) {
  BusyScope scope(*this, busy);
  CountWork();
  RunSessionSQL(*this, sql);
}

int TOracleSession::CheckConnection(bool reconnect) {
  if (connected_) {
    RunSessionSQL(*this, "select 'x' from dual");
    return kConnectionOk;
  }
  if (!reconnect) return kNotConnected;
  LogOn();
  return kReconnected;
}

void TOracleSession::ResetProbes() {
  bytesPerChar_ = 0;
  nationalBytesPerChar_ = 0;
  charsetId_ = 0;
  nationalCharsetId_ = 0;
  dateFormatLength_ = -1;
}

namespace {

int FixedBytesPerChar(TBytesPerCharacter option) {
  switch (option) {
    case TBytesPerCharacter::bc2Bytes:
      return 2;
    case TBytesPerCharacter::bc3Bytes:
      return 3;
    case TBytesPerCharacter::bc4Bytes:
      return 4;
    default:
      return 1;
  }
}

int NumberOr(const std::optional<std::string>& text, int fallback) {
  if (!text) return fallback;
  try {
    return std::stoi(*text);
  } catch (const std::exception&) {
    return fallback;
  }
}

}  // namespace

int TOracleSession::BytesPerChar() {
  if (bytesPerCharacter_ != TBytesPerCharacter::bcAutoDetect || !connected_)
    return FixedBytesPerChar(bytesPerCharacter_);
  if (bytesPerChar_ == 0) {
    const TSessionSQLResult result = RunSessionSQL(
        *this,
        "select length(chr(2000000000)) l4, length(chr(2000000)) l3,  length(chr(20000)) l2, "
        "'c' c1 from dual");
    int value = 1;
    if (!result.rows.empty() && result.rows[0].size() >= 3) {
      const auto& row = result.rows[0];
      value = NumberOr(row[0], 1);
      if (value == 1) value = NumberOr(row[1], 1);
      if (value == 1) value = NumberOr(row[2], 1);
    }
    if (result.charsetIds.size() >= 4) charsetId_ = result.charsetIds[3];
    const TSessionSQLResult national =
        RunSessionSQL(*this, "select lengthb(nchr(20)), nchr(20) from dual");
    nationalBytesPerChar_ = 1;
    if (!national.rows.empty() && !national.rows[0].empty())
      nationalBytesPerChar_ = std::max(1, NumberOr(national.rows[0][0], 1));
    if (national.charsetIds.size() >= 2) nationalCharsetId_ = national.charsetIds[1];
    bytesPerChar_ = std::clamp(value, 1, 4);
  }
  return bytesPerChar_;
}

int TOracleSession::NationalBytesPerChar() {
  if (bytesPerCharacter_ != TBytesPerCharacter::bcAutoDetect || !connected_)
    return FixedBytesPerChar(bytesPerCharacter_);
  BytesPerChar();
  return nationalBytesPerChar_;
}

int32_t TOracleSession::MaxVarchar2Chars() const {
  const int32_t limit = oci8Mode_ ? 4000 : 2000;
  int perChar = FixedBytesPerChar(bytesPerCharacter_);
  if (bytesPerCharacter_ == TBytesPerCharacter::bcAutoDetect && connected_) {
    // Probed once per connection; the probe result is a cache, not state a
    // reader can observe changing.
    try {
      perChar = const_cast<TOracleSession*>(this)->BytesPerChar();
    } catch (const std::exception& e) {
      foundation::LogException(e, "TOracleSession.MaxVarchar2Chars");
    }
  }
  return limit / perChar;
}

int TOracleSession::DateFormatLength() {
  if (!connected_) return 40;
  if (dateFormatLength_ == -1) {
    std::string sql;
    for (int month = 1; month <= 12; ++month) {
      if (month > 1) sql += " union all ";
      sql += "select to_char(to_date('10-" + std::to_string(month) +
             "-1999 10:10:10', 'dd-mm-yyyy hh24:mi:ss')) from dual";
    }
    const TSessionSQLResult result = RunSessionSQL(*this, sql);
    int longest = 0;
    for (const auto& row : result.rows)
      if (!row.empty() && row[0]) longest = std::max(longest, static_cast<int>(row[0]->size()));
    dateFormatLength_ = longest > 0 ? longest : 40;
  }
  return dateFormatLength_;
}

std::string TOracleSession::GetAUDSID() {
  if (!connected_) return {};
  const TSessionSQLResult result =
      RunSessionSQL(*this, "select to_char(userenv('SESSIONID')) from dual");
  if (result.rows.empty() || result.rows[0].empty() || !result.rows[0][0]) return {};
  return *result.rows[0][0];
}

std::string TOracleSession::GetDescription() {
  std::string audsid;
  try {
    audsid = GetAUDSID();
  } catch (const std::exception&) {
    audsid.clear();
  }
  // The password is shown masked, with a fixed length, also when the user
  // name still carries the whole logon text.
  const TLogonParts parts = ParseLogonText(logonUsername_);
  const bool hasPassword = !logonPassword_.empty() || !parts.password.empty();
  return "Username=" + (parts.split ? parts.user : logonUsername_) + "\r\n" +
         "Password=" + (hasPassword ? "********" : "") + "\r\n" +
         "Database=" + (parts.database.empty() ? logonDatabase_ : parts.database) + "\r\n" +
         "ConnectAs=" + ConnectAsName(connectAs_) + "\r\n" + "AUDSID=" + audsid + "\r\n" +
         "OCIDLL=" + OCIDLL + "\r\n";
}

// --- busy cursor ---------------------------------------------------------------

void TOracleSession::BeginBusy() {
  if (cursor_ == 0) return;
  if (busyDepth_++ == 0) {
    savedCursor_ = GetScreenCursor();
    SetScreenCursor(cursor_);
  }
}

void TOracleSession::EndBusy() {
  if (busyDepth_ == 0) return;
  if (--busyDepth_ == 0) SetScreenCursor(savedCursor_);
}

}  // namespace oracle
