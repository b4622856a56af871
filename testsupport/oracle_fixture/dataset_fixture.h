#pragma once
// Set-up of the dataset tests against the stand-in client (the shared
// fixture): a session logged on with the plug-in's account, and a record of
// the rows each fetch call delivered (kept by swapping the bound fetch entry
// point).

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The dataset first: the framework's headers name parameters `text`, which
// the OCI header's global type of that name would have them shadow.
#include "oracle/dataset/dataset.h"

#include "oracle/client/oci_entry_points.h"
#include "oracle/query/query.h"
#include "oracle/session/session.h"
#include "oracle_fixture/entry_point_swap.h"
#include "oracle_fixture/oracle_test_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace oracle_dataset_test {

// Rows delivered by each fetch call, in order.
struct FetchLog {
  using FetchSwap = oracle_test_support::EntryPointSwap<oracle::OCIStmtFetch2>;
  static inline std::vector<ub4> rows;
  static inline std::optional<FetchSwap> swap;

  static sword Fetch2(OCIStmt* stmt, OCIError* err, ub4 count, ub2 orientation, sb4 offset,
                      ub4 mode) {
    const sword status = FetchSwap::real(stmt, err, count, orientation, offset, mode);
    ub4 fetched = 0;
    oracle::OCIAttrGet(stmt, OCI_HTYPE_STMT, &fetched, nullptr, OCI_ATTR_ROWS_FETCHED, err);
    rows.push_back(fetched);
    return status;
  }
  static void Install() {
    rows.clear();
    swap.emplace(&Fetch2);
  }
  static void Remove() { swap.reset(); }
};

class StandinDataSetTest : public oracle_test_support::StandinDatabaseTest {
 protected:
  StandinDataSetTest() : StandinDatabaseTest("oracle_dataset_") {}

  void SetUp() override {
    StandinDatabaseTest::SetUp();
    session_ = NewSession();
    FetchLog::Install();
    ClearJournal();
  }

  void TearDown() override {
    FetchLog::Remove();
    session_.reset();
    StandinDatabaseTest::TearDown();
  }

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
    InsertNumbers(*session_, count);
    FetchLog::rows.clear();
    ClearJournal();
  }

  // Every record's value of `field` as text, walking from the first.
  static std::vector<std::string> Walk(oracle::TOracleDataSet& ds, const std::string& field) {
    std::vector<std::string> values;
    for (ds.First(); !ds.Eof(); ds.Next()) values.push_back(ds.FieldByName(field).AsString());
    return values;
  }

  std::unique_ptr<oracle::TOracleSession> session_;
};

}  // namespace oracle_dataset_test

#endif  // STANDIN_ORACLE_HOME
