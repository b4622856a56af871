#pragma once
// Shared set-up of the session tests: the stand-in client in its stand-in
// Oracle home, a private registry file, a fresh copy of the host database
// fixture reachable as "RPROODS", the loader reset before and after each
// test; a spy on a few bound OCI calls (session begin and end, handle
// allocation) and the stand-in's statement journal.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "oracle/oci_entry_points.h"
#include "oracle/oci_loader.h"
#include "oracle/oci_loader_state.h"
#include "oracle/oracle_errors.h"
#include "oracle/session.h"
#include "oracle/session_sql.h"
#include "platform/process.h"

#ifdef STANDIN_ORACLE_HOME
#include "ociclient_testing.h"

namespace oracle_session_test {

namespace fs = std::filesystem;

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

class StandinSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("oracle_session_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_);
    for (const char* name : kVariables) {
      const char* value = std::getenv(name);
      saved_.emplace_back(value ? std::optional<std::string>(value) : std::nullopt);
      ::unsetenv(name);
    }
    ::setenv("NORVANE_REGISTRY_FILE", (root_ / "registry").c_str(), 1);
    ::setenv("ORACLE_HOME", STANDIN_ORACLE_HOME, 1);
    fs::copy_file(HOST_DB_FIXTURE, root_ / "host.sqlite");
    std::ofstream(root_ / "ociclient.conf") << "RPROODS = host.sqlite\n@busy_timeout_ms = 200\n";
    ::setenv("NORVANE_OCI_CONFIG", (root_ / "ociclient.conf").c_str(), 1);
    platform::SetCommandLineProvider([] { return std::vector<std::string>{"pos-host"}; });
    ResetLoader();
    oracle::InitOCI();
    OciSpy::Install();
    Journal<PFN_ociStandin_JournalClear>("ociStandin_JournalClear")();
  }

  void TearDown() override {
    OciSpy::Remove();
    if (oracle::OCIDllLoaded()) Journal<PFN_ociStandin_ClearFailure>("ociStandin_ClearFailure")();
    ResetLoader();
    platform::SetCommandLineProvider({});
    for (std::size_t i = 0; i < std::size(kVariables); ++i) {
      if (saved_[i]) {
        ::setenv(kVariables[i], saved_[i]->c_str(), 1);
      } else {
        ::unsetenv(kVariables[i]);
      }
    }
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  static void ResetLoader() {
    oracle::FreeOCI();
    oracle::OCIDLL.clear();
    oracle::ForceOCI7 = false;
    oracle::OCIGlobalEnvironment = false;
  }

  template <class Fn>
  static Fn Journal(const char* name) {
    auto fn = reinterpret_cast<Fn>(::dlsym(oracle::OCIDLLHandle, name));
    if (fn == nullptr) throw std::runtime_error(std::string("stand-in lacks ") + name);
    return fn;
  }

  // Every SQL text the stand-in received since the last clear.
  static std::vector<std::string> JournalSql() {
    std::vector<std::string> texts;
    const int size = Journal<PFN_ociStandin_JournalSize>("ociStandin_JournalSize")();
    auto sql = Journal<PFN_ociStandin_JournalSql>("ociStandin_JournalSql");
    for (int i = 0; i < size; ++i) texts.emplace_back(sql(i));
    return texts;
  }
  static void ClearJournal() { Journal<PFN_ociStandin_JournalClear>("ociStandin_JournalClear")(); }
  static void FailNextCall(int code, const char* message = nullptr) {
    Journal<PFN_ociStandin_FailNextCall>("ociStandin_FailNextCall")(code, message);
  }

  // A session set up as the plug-in sets its own, not yet connected.
  static void UsePluginAccount(oracle::TOracleSession& session) {
    session.SetLogonDatabase("RPROODS");
    session.SetLogonUsername("VESKDATA");
    session.SetLogonPassword("plimsy");
  }

  // The first column of the first row of a select run on `session`.
  static std::string SingleValue(oracle::TOracleSession& session, const std::string& sql) {
    const auto result = oracle::RunSessionSQL(session, sql);
    return result.rows.at(0).at(0).value_or("<null>");
  }

  fs::path root_;

 private:
  static constexpr const char* kVariables[] = {"ORACLE_HOME", "LD_LIBRARY_PATH", "NLS_LANG",
                                               "NORVANE_REGISTRY_FILE", "NORVANE_OCI_CONFIG"};
  std::vector<std::optional<std::string>> saved_;
};

}  // namespace oracle_session_test

#endif  // STANDIN_ORACLE_HOME
