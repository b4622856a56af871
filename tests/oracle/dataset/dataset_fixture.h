#pragma once
// Set-up of the dataset tests against the stand-in client: the client in its
// stand-in Oracle home, a private registry file, a fresh copy of the host
// database fixture reachable as "RPROODS", a session logged on with the
// plug-in's built-in account, and a record of the rows each fetch call
// delivered (kept by swapping the bound fetch entry point).

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

#include "oracle/dataset.h"
#include "oracle/oci_entry_points.h"
#include "oracle/oci_loader.h"
#include "oracle/oci_loader_state.h"
#include "oracle/query.h"
#include "oracle/session.h"
#include "platform/process.h"

#ifdef STANDIN_ORACLE_HOME
#include "ociclient_testing.h"

namespace oracle_dataset_test {

namespace fs = std::filesystem;

// Rows delivered by each fetch call, in order.
struct FetchLog {
  static inline std::vector<ub4> rows;
  static inline PFN_OCIStmtFetch2 realFetch2 = nullptr;

  static sword Fetch2(OCIStmt* stmt, OCIError* err, ub4 count, ub2 orientation, sb4 offset,
                      ub4 mode) {
    const sword status = realFetch2(stmt, err, count, orientation, offset, mode);
    ub4 fetched = 0;
    oracle::OCIAttrGet(stmt, OCI_HTYPE_STMT, &fetched, nullptr, OCI_ATTR_ROWS_FETCHED, err);
    rows.push_back(fetched);
    return status;
  }
  static void Install() {
    rows.clear();
    realFetch2 = std::exchange(oracle::OCIStmtFetch2, &Fetch2);
  }
  static void Remove() {
    if (realFetch2 == nullptr) return;
    oracle::OCIStmtFetch2 = realFetch2;
    realFetch2 = nullptr;
  }
};

class StandinDataSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("oracle_dataset_" + std::to_string(::getpid()) + "_" +
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
    session_ = NewSession();
    FetchLog::Install();
    Journal<PFN_ociStandin_JournalClear>("ociStandin_JournalClear")();
  }

  void TearDown() override {
    FetchLog::Remove();
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

  // A session logged on to the fixture with the built-in read account.
  static std::unique_ptr<oracle::TOracleSession> NewSession() {
    auto session = std::make_unique<oracle::TOracleSession>();
    session->SetLogonDatabase("RPROODS");
    session->SetLogonUsername("VESKDATA");
    session->SetLogonPassword("plimsy");
    session->LogOn();
    return session;
  }

  template <class Fn>
  static Fn Journal(const char* name) {
    auto fn = reinterpret_cast<Fn>(::dlsym(oracle::OCIDLLHandle, name));
    if (fn == nullptr) throw std::runtime_error(std::string("stand-in lacks ") + name);
    return fn;
  }

  // The SQL texts the client received since the last clear.
  static std::vector<std::string> JournalSql() {
    const auto size = Journal<PFN_ociStandin_JournalSize>("ociStandin_JournalSize");
    const auto sql = Journal<PFN_ociStandin_JournalSql>("ociStandin_JournalSql");
    std::vector<std::string> texts;
    for (int i = 0; i < size(); ++i) texts.emplace_back(sql(i));
    return texts;
  }
  static void ClearJournal() { Journal<PFN_ociStandin_JournalClear>("ociStandin_JournalClear")(); }

  // A dataset on the test's session.
  std::unique_ptr<oracle::TOracleDataSet> NewDataSet(const std::string& sql = {}) {
    auto ds = std::make_unique<oracle::TOracleDataSet>();
    ds->SetSession(session_.get());
    ds->SetSQL(sql);
    return ds;
  }

  // Runs a statement that changes data or structure, and commits.
  void Run(const std::string& sql) {
    oracle::TOracleQuery query;
    query.SetSession(session_.get());
    query.SetSQL(sql);
    query.Execute();
    session_->Commit();
  }

  // A table `numbers` of `count` rows: n = 1 .. count and "row n".
  void CreateNumbers(int count) {
    Run("create table numbers (n number(10), label varchar2(20))");
    oracle::TOracleQuery insert;
    insert.SetSession(session_.get());
    insert.SetSQL("insert into numbers values (:n, :label)");
    insert.DeclareVariable("n", 3);
    insert.DeclareVariable("label", 5);
    for (int n = 1; n <= count; ++n) {
      insert.SetVariable("n", oracle::Variant::Integer(n));
      insert.SetVariable("label", oracle::Variant::String("row " + std::to_string(n)));
      insert.Execute();
    }
    session_->Commit();
    FetchLog::rows.clear();
    ClearJournal();
  }

  // Every record's value of `field` as text, walking from the first.
  static std::vector<std::string> Walk(oracle::TOracleDataSet& ds, const std::string& field) {
    std::vector<std::string> values;
    for (ds.First(); !ds.Eof(); ds.Next()) values.push_back(ds.FieldByName(field).AsString());
    return values;
  }

  fs::path root_;
  std::unique_ptr<oracle::TOracleSession> session_;

 private:
  static constexpr const char* kVariables[] = {"ORACLE_HOME", "LD_LIBRARY_PATH", "NLS_LANG",
                                               "NORVANE_REGISTRY_FILE", "NORVANE_OCI_CONFIG"};
  std::vector<std::optional<std::string>> saved_;
};

}  // namespace oracle_dataset_test

#endif  // STANDIN_ORACLE_HOME
