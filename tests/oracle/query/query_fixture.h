#pragma once
// Set-up of the query tests against the stand-in client: the client in its
// stand-in Oracle home, a private registry file, a fresh copy of the host
// database fixture reachable as "RPROODS", a session logged on with the
// plug-in's account, and counters of the statement calls that make round
// trips (prepare, execute, fetch), kept by swapping the bound entry points.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "oracle/oci_entry_points.h"
#include "oracle/oci_loader.h"
#include "oracle/oci_loader_state.h"
#include "oracle/query.h"
#include "oracle/session.h"
#include "platform/process.h"

#ifdef STANDIN_ORACLE_HOME
#include "ociclient_testing.h"

namespace oracle_query_test {

namespace fs = std::filesystem;

// Counts the calls that reach the server.
struct RoundTrips {
  static inline int prepares = 0;
  static inline int executes = 0;
  static inline int fetches = 0;
  static inline std::vector<ub4> executeIterations;

  static inline PFN_OCIStmtPrepare realPrepare = nullptr;
  static inline PFN_OCIStmtExecute realExecute = nullptr;
  static inline PFN_OCIStmtFetch2 realFetch2 = nullptr;

  static sword Prepare(OCIStmt* stmt, OCIError* err, const text* sql, ub4 length, ub4 language,
                       ub4 mode) {
    ++prepares;
    return realPrepare(stmt, err, sql, length, language, mode);
  }
  static sword Execute(OCISvcCtx* svc, OCIStmt* stmt, OCIError* err, ub4 iters, ub4 offset,
                       const OCISnapshot* in, OCISnapshot* out, ub4 mode) {
    ++executes;
    executeIterations.push_back(iters);
    return realExecute(svc, stmt, err, iters, offset, in, out, mode);
  }
  static sword Fetch2(OCIStmt* stmt, OCIError* err, ub4 rows, ub2 orientation, sb4 offset,
                      ub4 mode) {
    ++fetches;
    return realFetch2(stmt, err, rows, orientation, offset, mode);
  }

  static void Reset() {
    prepares = executes = fetches = 0;
    executeIterations.clear();
  }
  static void Install() {
    Reset();
    realPrepare = std::exchange(oracle::OCIStmtPrepare, &Prepare);
    realExecute = std::exchange(oracle::OCIStmtExecute, &Execute);
    realFetch2 = std::exchange(oracle::OCIStmtFetch2, &Fetch2);
  }
  static void Remove() {
    if (realPrepare == nullptr) return;
    oracle::OCIStmtPrepare = realPrepare;
    oracle::OCIStmtExecute = realExecute;
    oracle::OCIStmtFetch2 = realFetch2;
    realPrepare = nullptr;
  }
};

class StandinQueryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("oracle_query_" + std::to_string(::getpid()) + "_" +
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
    session_ = std::make_unique<oracle::TOracleSession>();
    session_->SetLogonDatabase("RPROODS");
    session_->SetLogonUsername("VESKDATA");
    session_->SetLogonPassword("plimsy");
    session_->LogOn();
    RoundTrips::Install();
  }

  void TearDown() override {
    RoundTrips::Remove();
    oracle::AlwaysParseStatements = true;
    session_.reset();
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
  static Fn Hook(const char* name) {
    auto fn = reinterpret_cast<Fn>(::dlsym(oracle::OCIDLLHandle, name));
    if (fn == nullptr) throw std::runtime_error(std::string("stand-in lacks ") + name);
    return fn;
  }

  // A query on the test's session.
  std::unique_ptr<oracle::TOracleQuery> NewQuery(const std::string& sql = {}) {
    auto query = std::make_unique<oracle::TOracleQuery>();
    query->SetSession(session_.get());
    query->SetSQL(sql);
    return query;
  }

  // Runs a statement that changes data or structure.
  void Run(const std::string& sql) {
    auto query = NewQuery(sql);
    query->Execute();
  }

  // A table `numbers` of `count` rows: n = 1 .. count and its text.
  void CreateNumbers(int count) {
    Run("create table numbers (n number(10), label varchar2(20))");
    auto insert = NewQuery("insert into numbers values (:n, :label)");
    insert->DeclareVariable("n", 3);
    insert->DeclareVariable("label", 5);
    for (int n = 1; n <= count; ++n) {
      insert->SetVariable("n", oracle::Variant::Integer(n));
      insert->SetVariable("label", oracle::Variant::String("row " + std::to_string(n)));
      insert->Execute();
    }
    session_->Commit();
    RoundTrips::Reset();
  }

  // Every row's first column as text, walking with Next.
  static std::vector<std::string> FirstColumn(oracle::TOracleQuery& query) {
    std::vector<std::string> values;
    for (; !query.Eof(); query.Next()) values.push_back(query.FieldAsString(0));
    return values;
  }

  fs::path root_;
  std::unique_ptr<oracle::TOracleSession> session_;

 private:
  static constexpr const char* kVariables[] = {"ORACLE_HOME", "LD_LIBRARY_PATH", "NLS_LANG",
                                               "NORVANE_REGISTRY_FILE", "NORVANE_OCI_CONFIG"};
  std::vector<std::optional<std::string>> saved_;
};

}  // namespace oracle_query_test

#endif  // STANDIN_ORACLE_HOME
