#pragma once
// Set-up of the session tests against the stand-in client (the shared
// fixture), with a spy on a few bound OCI calls (session begin and end,
// handle allocation) and the stand-in's statement journal cleared.

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "oracle/client/oci_entry_points.h"
#include "oracle/client/oci_loader.h"
#include "oracle/client/oracle_errors.h"
#include "oracle/session/session.h"
#include "oracle/session/session_sql.h"
#include "oracle/support/oracle_test_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace oracle_session_test {

// What the spy saw.
struct SessionBeginCall {
  ub4 credentials;
  ub4 mode;
};

struct OciSpy {
  static inline std::vector<SessionBeginCall> sessionBegins;
  static inline long handlesAllocated = 0;
  static inline long handlesFreed = 0;
  static inline bool failSessionEnd = false;
  // When set, the server version text the client reports, and the OCI7
  // conversions of the service context succeed (and are counted).
  static inline std::optional<std::string> serverVersion;
  static inline int toLda = 0;
  static inline int toSvcCtx = 0;

  static inline PFN_OCISessionBegin realSessionBegin = nullptr;
  static inline PFN_OCISessionEnd realSessionEnd = nullptr;
  static inline PFN_OCIHandleAlloc realHandleAlloc = nullptr;
  static inline PFN_OCIHandleFree realHandleFree = nullptr;
  static inline PFN_OCIEnvCreate realEnvCreate = nullptr;
  static inline PFN_OCIServerVersion realServerVersion = nullptr;
  static inline PFN_OCISvcCtxToLda realSvcCtxToLda = nullptr;
  static inline PFN_OCILdaToSvcCtx realLdaToSvcCtx = nullptr;

  static sword SessionBegin(OCISvcCtx* svc, OCIError* err, OCISession* usr, ub4 cred, ub4 mode) {
    sessionBegins.push_back({cred, mode});
    return realSessionBegin(svc, err, usr, cred, mode);
  }
  static sword SessionEnd(OCISvcCtx* svc, OCIError* err, OCISession* usr, ub4 mode) {
    const sword status = realSessionEnd(svc, err, usr, mode);
    return failSessionEnd ? OCI_ERROR : status;
  }
  static sword HandleAlloc(const dvoid* parent, dvoid** handle, ub4 type, std::size_t extra,
                           dvoid** mem) {
    const sword status = realHandleAlloc(parent, handle, type, extra, mem);
    if (status == OCI_SUCCESS) ++handlesAllocated;
    return status;
  }
  static sword HandleFree(dvoid* handle, ub4 type) {
    const sword status = realHandleFree(handle, type);
    if (status == OCI_SUCCESS) ++handlesFreed;
    return status;
  }
  static sword EnvCreate(OCIEnv** env, ub4 mode, const dvoid* ctx, OCIMallocFn m, OCIReallocFn r,
                         OCIFreeFn f, std::size_t extra, dvoid** mem) {
    const sword status = realEnvCreate(env, mode, ctx, m, r, f, extra, mem);
    if (status == OCI_SUCCESS) ++handlesAllocated;
    return status;
  }

  static sword ServerVersion(dvoid* handle, OCIError* err, text* buf, ub4 size, ub1 type) {
    if (!serverVersion) return realServerVersion(handle, err, buf, size, type);
    std::snprintf(reinterpret_cast<char*>(buf), size, "%s", serverVersion->c_str());
    return OCI_SUCCESS;
  }
  static sword SvcCtxToLda(OCISvcCtx* svc, OCIError* err, Lda_Def* lda) {
    if (!serverVersion) return realSvcCtxToLda(svc, err, lda);
    ++toLda;
    return OCI_SUCCESS;
  }
  static sword LdaToSvcCtx(OCISvcCtx** svc, OCIError* err, Lda_Def* lda) {
    if (!serverVersion) return realLdaToSvcCtx(svc, err, lda);
    ++toSvcCtx;
    return OCI_SUCCESS;
  }

  static void Install() {
    sessionBegins.clear();
    handlesAllocated = handlesFreed = 0;
    failSessionEnd = false;
    serverVersion.reset();
    toLda = toSvcCtx = 0;
    realServerVersion = std::exchange(oracle::OCIServerVersion, &ServerVersion);
    realSvcCtxToLda = std::exchange(oracle::OCISvcCtxToLda, &SvcCtxToLda);
    realLdaToSvcCtx = std::exchange(oracle::OCILdaToSvcCtx, &LdaToSvcCtx);
    realSessionBegin = std::exchange(oracle::OCISessionBegin, &SessionBegin);
    realSessionEnd = std::exchange(oracle::OCISessionEnd, &SessionEnd);
    realHandleAlloc = std::exchange(oracle::OCIHandleAlloc, &HandleAlloc);
    realHandleFree = std::exchange(oracle::OCIHandleFree, &HandleFree);
    realEnvCreate = std::exchange(oracle::OCIEnvCreate, &EnvCreate);
  }
  static void Remove() {
    if (realSessionBegin == nullptr) return;
    oracle::OCISessionBegin = realSessionBegin;
    oracle::OCISessionEnd = realSessionEnd;
    oracle::OCIHandleAlloc = realHandleAlloc;
    oracle::OCIHandleFree = realHandleFree;
    oracle::OCIEnvCreate = realEnvCreate;
    oracle::OCIServerVersion = realServerVersion;
    oracle::OCISvcCtxToLda = realSvcCtxToLda;
    oracle::OCILdaToSvcCtx = realLdaToSvcCtx;
    realSessionBegin = nullptr;
  }
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
