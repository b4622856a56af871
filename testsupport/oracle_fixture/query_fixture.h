#pragma once
// Set-up of the query tests against the stand-in client (the shared
// fixture): a session logged on with the plug-in's account, and counters of
// the statement calls that make round trips (prepare, execute, fetch), kept
// by swapping the bound entry points.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "oracle/client/oci_entry_points.h"
#include "oracle/query/query.h"
#include "oracle/session/session.h"
#include "oracle_fixture/entry_point_swap.h"
#include "oracle_fixture/oracle_test_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace oracle_query_test {

// Counts the calls that reach the server.
struct RoundTrips {
  using PrepareSwap = oracle_test_support::EntryPointSwap<oracle::OCIStmtPrepare>;
  using ExecuteSwap = oracle_test_support::EntryPointSwap<oracle::OCIStmtExecute>;
  using FetchSwap = oracle_test_support::EntryPointSwap<oracle::OCIStmtFetch2>;

  static inline int prepares = 0;
  static inline int executes = 0;
  static inline int fetches = 0;
  static inline std::vector<ub4> executeIterations;
  static inline std::vector<ub4> executeModes;

  static sword Prepare(OCIStmt* stmt, OCIError* err, const text* sql, ub4 length, ub4 language,
                       ub4 mode) {
    ++prepares;
    return PrepareSwap::real(stmt, err, sql, length, language, mode);
  }
  static sword Execute(OCISvcCtx* svc, OCIStmt* stmt, OCIError* err, ub4 iters, ub4 offset,
                       const OCISnapshot* in, OCISnapshot* out, ub4 mode) {
    ++executes;
    executeIterations.push_back(iters);
    executeModes.push_back(mode);
    return ExecuteSwap::real(svc, stmt, err, iters, offset, in, out, mode);
  }
  static sword Fetch2(OCIStmt* stmt, OCIError* err, ub4 rows, ub2 orientation, sb4 offset,
                      ub4 mode) {
    ++fetches;
    return FetchSwap::real(stmt, err, rows, orientation, offset, mode);
  }

  static void Reset() {
    prepares = executes = fetches = 0;
    executeIterations.clear();
    executeModes.clear();
  }
  struct Swaps {
    PrepareSwap prepare{&Prepare};
    ExecuteSwap execute{&Execute};
    FetchSwap fetch{&Fetch2};
  };
  static inline std::optional<Swaps> swaps;
  static void Install() {
    Reset();
    swaps.emplace();
  }
  static void Remove() { swaps.reset(); }
};

class StandinQueryTest : public oracle_test_support::StandinDatabaseTest {
 protected:
  StandinQueryTest() : StandinDatabaseTest("oracle_query_") {}

  void SetUp() override {
    StandinDatabaseTest::SetUp();
    session_ = NewSession();
    RoundTrips::Install();
  }

  void TearDown() override {
    RoundTrips::Remove();
    oracle::AlwaysParseStatements = true;
    session_.reset();
    StandinDatabaseTest::TearDown();
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
    InsertNumbers(*session_, count);
    RoundTrips::Reset();
  }

  // Every row's first column as text, walking with Next.
  static std::vector<std::string> FirstColumn(oracle::TOracleQuery& query) {
    std::vector<std::string> values;
    for (; !query.Eof(); query.Next()) values.push_back(query.FieldAsString(0));
    return values;
  }

  std::unique_ptr<oracle::TOracleSession> session_;
};

}  // namespace oracle_query_test

#endif  // STANDIN_ORACLE_HOME
