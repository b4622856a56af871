#pragma once
// Set-up of the session tests against the stand-in client (the shared
// fixture), with a spy on a few bound OCI calls (session begin and end,
// handle allocation) and the stand-in's statement journal cleared.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "oracle/client/oci_entry_points.h"
#include "oracle/client/oci_loader.h"
#include "oracle/client/oracle_errors.h"
#include "oracle/session/session.h"
#include "oracle/session/session_sql.h"
#include "oracle_fixture/entry_point_swap.h"
#include "oracle_fixture/oracle_test_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace oracle_session_test {

// What the spy saw.
struct SessionBeginCall {
  ub4 credentials;
  ub4 mode;
};

// The pool tests call through the spy from several threads at once: the
// counters are atomic and the list of session begins has a lock.
struct OciSpy {
  static inline std::vector<SessionBeginCall> sessionBegins;
  static inline std::mutex sessionBeginsLock;
  static inline std::atomic<long> handlesAllocated = 0;
  static inline std::atomic<long> handlesFreed = 0;
  static inline bool failSessionEnd = false;
  // When set, the server version text the client reports, and the OCI7
  // conversions of the service context succeed (and are counted).
  static inline std::optional<std::string> serverVersion;
  static inline int toLda = 0;
  static inline int toSvcCtx = 0;

  template <auto& Slot>
  using Swap = oracle_test_support::EntryPointSwap<Slot>;

  static sword SessionBegin(OCISvcCtx* svc, OCIError* err, OCISession* usr, ub4 cred, ub4 mode) {
    {
      std::lock_guard lock(sessionBeginsLock);
      sessionBegins.push_back({cred, mode});
    }
    return Swap<oracle::OCISessionBegin>::real(svc, err, usr, cred, mode);
  }
  static sword SessionEnd(OCISvcCtx* svc, OCIError* err, OCISession* usr, ub4 mode) {
    const sword status = Swap<oracle::OCISessionEnd>::real(svc, err, usr, mode);
    return failSessionEnd ? OCI_ERROR : status;
  }
  static sword HandleAlloc(const dvoid* parent, dvoid** handle, ub4 type, std::size_t extra,
                           dvoid** mem) {
    const sword status = Swap<oracle::OCIHandleAlloc>::real(parent, handle, type, extra, mem);
    if (status == OCI_SUCCESS) ++handlesAllocated;
    return status;
  }
  static sword HandleFree(dvoid* handle, ub4 type) {
    const sword status = Swap<oracle::OCIHandleFree>::real(handle, type);
    if (status == OCI_SUCCESS) ++handlesFreed;
    return status;
  }
  static sword EnvCreate(OCIEnv** env, ub4 mode, const dvoid* ctx, OCIMallocFn m, OCIReallocFn r,
                         OCIFreeFn f, std::size_t extra, dvoid** mem) {
    const sword status = Swap<oracle::OCIEnvCreate>::real(env, mode, ctx, m, r, f, extra, mem);
    if (status == OCI_SUCCESS) ++handlesAllocated;
    return status;
  }

  static sword ServerVersion(dvoid* handle, OCIError* err, text* buf, ub4 size, ub1 type) {
    if (!serverVersion) return Swap<oracle::OCIServerVersion>::real(handle, err, buf, size, type);
    std::snprintf(reinterpret_cast<char*>(buf), size, "%s", serverVersion->c_str());
    return OCI_SUCCESS;
  }
  static sword SvcCtxToLda(OCISvcCtx* svc, OCIError* err, Lda_Def* lda) {
    if (!serverVersion) return Swap<oracle::OCISvcCtxToLda>::real(svc, err, lda);
    ++toLda;
    return OCI_SUCCESS;
  }
  static sword LdaToSvcCtx(OCISvcCtx** svc, OCIError* err, Lda_Def* lda) {
    if (!serverVersion) return Swap<oracle::OCILdaToSvcCtx>::real(svc, err, lda);
    ++toSvcCtx;
    return OCI_SUCCESS;
  }

  struct Swaps {
    Swap<oracle::OCIServerVersion> serverVersion{&ServerVersion};
    Swap<oracle::OCISvcCtxToLda> svcCtxToLda{&SvcCtxToLda};
    Swap<oracle::OCILdaToSvcCtx> ldaToSvcCtx{&LdaToSvcCtx};
    Swap<oracle::OCISessionBegin> sessionBegin{&SessionBegin};
    Swap<oracle::OCISessionEnd> sessionEnd{&SessionEnd};
    Swap<oracle::OCIHandleAlloc> handleAlloc{&HandleAlloc};
    Swap<oracle::OCIHandleFree> handleFree{&HandleFree};
    Swap<oracle::OCIEnvCreate> envCreate{&EnvCreate};
  };
  static inline std::optional<Swaps> swaps;

  static void Install() {
    sessionBegins.clear();
    handlesAllocated = handlesFreed = 0;
    failSessionEnd = false;
    serverVersion.reset();
    toLda = toSvcCtx = 0;
    swaps.emplace();
  }
  static void Remove() { swaps.reset(); }
};

class StandinSessionTest : public oracle_test_support::StandinDatabaseTest {
 protected:
  StandinSessionTest() : StandinDatabaseTest("oracle_session_") {}

  void SetUp() override {
    StandinDatabaseTest::SetUp();
    OciSpy::Install();
    ClearJournal();
  }

  void TearDown() override {
    OciSpy::Remove();
    if (oracle::OCIDllLoaded()) Hook<PFN_ociStandin_ClearFailure>("ociStandin_ClearFailure")();
    StandinDatabaseTest::TearDown();
  }

  // The first column of the first row of a select run on `session`.
  static std::string SingleValue(oracle::TOracleSession& session, const std::string& sql) {
    const auto result = oracle::RunSessionSQL(session, sql);
    return result.rows.at(0).at(0).value_or("<null>");
  }
};

}  // namespace oracle_session_test

#endif  // STANDIN_ORACLE_HOME
