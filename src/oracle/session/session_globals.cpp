#include "oracle/session/session_globals.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <vector>

#include "foundation/log.h"
#include "oracle/client/critical_section.h"
#include "oracle/client/oci_entry_points.h"
#include "oracle/client/oci_loader.h"
#include "oracle/client/oci_loader_state.h"
#include "oracle/client/oracle_errors.h"
#include "oracle/session/session.h"
#include "oracle/session/session_pool.h"

namespace oracle {

namespace {

struct Globals {
  std::mutex mutex;
  std::vector<TOracleSession*> sessions;
  std::function<void(TOracleSession&)> created;
  SessionTraceHook trace;
  std::function<std::int64_t()> traceClock;
  TSessionPoolLink* defaultPool = nullptr;
  OCIEnv* sharedEnvironment = nullptr;
};

Globals& G() {
  static Globals globals;
  return globals;
}

}  // namespace

void RegisterSession(TOracleSession& session) {
  std::function<void(TOracleSession&)> created;
  {
    std::lock_guard lock(G().mutex);
    G().sessions.push_back(&session);
    created = G().created;
  }
  if (created) created(session);
}

void UnregisterSession(TOracleSession& session) {
  std::lock_guard lock(G().mutex);
  auto& sessions = G().sessions;
  sessions.erase(std::remove(sessions.begin(), sessions.end(), &session), sessions.end());
}

bool SessionTraceActive() {
  std::lock_guard lock(G().mutex);
  return static_cast<bool>(G().trace);
}

std::int64_t SessionTraceClock() {
  std::function<std::int64_t()> clock;
  {
    std::lock_guard lock(G().mutex);
    clock = G().traceClock;
  }
  if (clock) return clock();
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void SetSessionTraceClock(std::function<std::int64_t()> clock) {
  std::lock_guard lock(G().mutex);
  G().traceClock = std::move(clock);
}

void TraceSession(const TOracleSession& session, const std::string& text, std::int64_t elapsedMs) {
  SessionTraceHook trace;
  {
    std::lock_guard lock(G().mutex);
    trace = G().trace;
  }
  if (trace) trace(session, text, elapsedMs);
}

void SetSessionTraceHook(SessionTraceHook hook) {
  std::lock_guard lock(G().mutex);
  G().trace = std::move(hook);
}

void SetSessionCreatedHook(std::function<void(TOracleSession&)> hook) {
  std::lock_guard lock(G().mutex);
  G().created = std::move(hook);
}

std::vector<TOracleSession*> OracleSessions() {
  std::lock_guard lock(G().mutex);
  return G().sessions;
}

TSessionPoolLink* DefaultSessionPool() {
  {
    std::lock_guard lock(G().mutex);
    if (G().defaultPool != nullptr) return G().defaultPool;
  }
  return &DefaultOracleSessionPool();
}

void SetDefaultSessionPool(TSessionPoolLink* pool) {
  std::lock_guard lock(G().mutex);
  G().defaultPool = pool;
}

OCIEnv* SharedEnvironment() {
  OracleLockGuard loader(LoaderLock());
  OCIEnv*& env = G().sharedEnvironment;
  if (env != nullptr) return env;
  sword status = OCI_ERROR;
  if (OCI81Available) {
    status = OCIEnvCreate(&env, OCI_THREADED | OCI_OBJECT, nullptr, nullptr, nullptr, nullptr, 0,
                          nullptr);
  } else if (OCIEnvInit != nullptr) {
    status = OCIEnvInit(&env, OCI_DEFAULT, 0, nullptr);
  }
  if (status != OCI_SUCCESS || env == nullptr) {
    env = nullptr;
    RaiseOCIError(nullptr, nullptr, nullptr, status);
  }
  return env;
}

void FreeSharedEnvironment() {
  OracleLockGuard loader(LoaderLock());
  OCIEnv*& env = G().sharedEnvironment;
  if (env != nullptr && OCIHandleFree != nullptr) OCIHandleFree(env, OCI_HTYPE_ENV);
  env = nullptr;
}

void FinalizeOracleSessions() {
  for (TOracleSession* session : OracleSessions()) {
    try {
      session->LogOff();
    } catch (const std::exception& e) {
      foundation::LogException(e, "TOracleSession.LogOff at unload");
    }
  }
  FreeSharedEnvironment();
  FreeOCI();
}

}  // namespace oracle
