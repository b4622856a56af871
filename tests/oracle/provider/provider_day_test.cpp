// Provider transactions used as a provider uses them through a day, with a
// second session reading what the server holds: the dataset reopened or
// queried again inside the transaction, a master with its detail, and what
// the dataset shows after the rollback.
//
// The fixture first: it includes the framework's headers before the OCI
// header, whose global type `text` they would otherwise shadow.
#include "oracle_fixture/dataset_fixture.h"

#include <functional>
#include <string>
#include <vector>

#include "oracle/dml/editing.h"
#include "oracle/dml/posting.h"
#include "oracle/provider/provider_support.h"
#include "oracle/values/type_codes.h"

namespace {

using oracle::TLockingMode;
using oracle::TOracleDataSet;

class ProviderDayTest : public oracle_dataset_test::StandinDataSetTest {
 protected:
  void SetUp() override {
    StandinDataSetTest::SetUp();
    Run("create table vals (n number(6) primary key, label varchar2(10))");
    other_ = NewSession();
  }
  void TearDown() override {
    other_.reset();
    StandinDataSetTest::TearDown();
  }
  void Reset() {
    Run("delete from vals");
    for (const int n : {10, 20, 30, 40})
      Run("insert into vals values (" + std::to_string(n) + ", 'v" + std::to_string(n) + "')");
  }
  std::vector<std::string> Seen() {
    oracle::TOracleQuery query;
    query.SetSession(other_.get());
    query.SetSQL("select n, label from vals order by n");
    std::vector<std::string> rows;
    for (query.Execute(); !query.Eof(); query.Next())
      rows.push_back(query.Field(0).ToText() + " " + query.Field(1).ToText());
    return rows;
  }
  static std::vector<std::string> Shown(TOracleDataSet& ds) {
    std::vector<std::string> rows;
    for (ds.First(); !ds.Eof(); ds.Next())
      rows.push_back(ds.FieldByName("N").AsString() + " " + ds.FieldByName("LABEL").AsString());
    return rows;
  }

  std::unique_ptr<oracle::TOracleSession> other_;
};

// Inside the transaction the provider inserts, relabels and deletes, and
// the dataset is opened again in one of the ways a provider or an
// application does it; then the transaction is rolled back. The dataset
// shows what the server holds, counts it, and edits go on against it.
TEST_F(ProviderDayTest, ARollbackAfterTheDataSetWasOpenedAgainShowsWhatTheServerHolds) {
  const std::string sql = "select rowid, v.* from vals v order by n";
  const struct {
    const char* what;
    std::function<void(TOracleDataSet&)> reopen;
  } reopens[] = {
      {"closed and opened",
       [](TOracleDataSet& ds) {
         ds.Close();
         ds.Open();
       }},
      {"executed by the provider", [](TOracleDataSet& ds) { ds.PSExecute(); }},
      {"its text set again", [sql](TOracleDataSet& ds) { ds.SetSQL(sql); }},
      {"its command text set by the provider",
       [sql](TOracleDataSet& ds) {
         ds.PSSetCommandText(sql);
         ds.Open();
       }},
  };
  for (const TLockingMode mode : {TLockingMode::lmNone, TLockingMode::lmCheckImmediate,
                                  TLockingMode::lmLockDelayed, TLockingMode::lmLockImmediate}) {
    for (const auto& reopen : reopens) {
      for (const bool commit : {false, true}) {
        SCOPED_TRACE(std::string(reopen.what) + (commit ? " committed " : " rolled back ") +
                     std::to_string(static_cast<int>(mode)));
        Reset();
        auto ds = NewDataSet(sql);
        ds->SetLockingMode(mode);
        ds->SetCountAllRecords(true);
        ds->Open();
        const std::vector<std::string> before = Shown(*ds);
        EXPECT_EQ(4, ds->RecordCount());
        ds->PSStartTransaction();
        ds->Append();
        ds->FieldByName("N").SetAsInteger(5);
        ds->FieldByName("LABEL").SetAsString("new");
        ds->Post();
        reopen.reopen(*ds);
        EXPECT_EQ(5, ds->RecordCount());
        ds->Last();
        ds->Edit();
        ds->FieldByName("LABEL").SetAsString("changed");
        ds->Post();
        ds->First();
        ds->Next();
        ds->Delete();
        ds->PSEndTransaction(commit);
        const std::vector<std::string> held =
            commit ? std::vector<std::string>{"5 new", "20 v20", "30 v30", "40 changed"} : before;
        EXPECT_EQ(held, Seen());
        EXPECT_EQ(held, Shown(*ds));
        EXPECT_EQ(4, ds->RecordCount());
        for (ds->First(); !ds->Eof() && ds->FieldByName("N").AsInteger() != 30;) ds->Next();
        ds->Edit();
        ds->FieldByName("LABEL").SetAsString("after");
        ds->Post();
        EXPECT_EQ("30 after", Seen().at(2));
      }
    }
  }
}

// Inside a provider transaction the dataset's changes reach the server
// uncommitted: cached updates applied, or records posted one by one (an
// edit later deleted among them). The rollback undoes them on the server,
// and the dataset shows and counts what the server holds, in its order;
// the commit keeps them in both.
TEST_F(ProviderDayTest, ChangesSentInsideTheTransactionFollowItsEnd) {
  for (const bool cached : {true, false}) {
    for (const bool commit : {false, true}) {
      SCOPED_TRACE(std::string(cached ? "applied" : "posted") + (commit ? " committed" : ""));
      Reset();
      auto ds = NewDataSet("select rowid, v.* from vals v order by n");
      ds->SetCachedUpdates(cached);
      ds->SetLockingMode(TLockingMode::lmNone);
      ds->SetCountAllRecords(true);
      ds->Open();
      const auto go = [&](int n) {
        for (ds->First(); ds->FieldByName("N").AsInteger() != n;) ds->Next();
      };
      ds->PSStartTransaction();
      go(20);
      ds->Edit();
      ds->FieldByName("LABEL").SetAsString("changed");
      ds->Post();
      go(30);
      ds->Delete();
      go(20);
      ds->Delete();
      ds->Append();
      ds->FieldByName("N").SetAsInteger(50);
      ds->Post();
      if (cached) oracle::ApplyUpdates(*ds);
      ds->PSEndTransaction(commit);
      const std::vector<std::string> held =
          commit ? std::vector<std::string>{"10 v10", "40 v40", "50 "}
                 : std::vector<std::string>{"10 v10", "20 v20", "30 v30", "40 v40"};
      EXPECT_EQ(held, Seen());
      EXPECT_EQ(held, Shown(*ds));
      EXPECT_EQ(static_cast<int>(held.size()), ds->RecordCount());
    }
  }
}

// A master in a provider transaction deletes its first record and is
// refreshed; the rollback brings the record back. The detail shows the
// employees of the master's current record, as the other user reads them.
TEST_F(ProviderDayTest, ADetailFollowsItsMasterThroughARolledBackTransaction) {
  for (const char* sql : {
           "create table dept (deptno number(4) primary key, dname varchar2(20))",
           "create table emp (empno number(6) primary key, ename varchar2(10), deptno number(4))",
           "insert into dept values (10, 'SALES')",
           "insert into dept values (20, 'RESEARCH')",
           "insert into emp values (1, 'KING', 10)",
           "insert into emp values (3, 'SCOTT', 20)",
       })
    Run(sql);
  auto dept = NewDataSet("select rowid, deptno, dname from dept order by deptno");
  dept->Open();
  auto emp = NewDataSet(
      "select rowid, empno, ename, deptno from emp where deptno = :DEPTNO order by empno");
  emp->DeclareVariable("DEPTNO", oracle::otype::Integer);
  emp->SetMaster(dept.get());
  emp->SetMasterFields("DEPTNO");
  emp->Open();
  const auto shownEmp = [&] {
    std::vector<std::string> rows;
    for (emp->First(); !emp->Eof(); emp->Next())
      rows.push_back(emp->FieldByName("ENAME").AsString() + " " +
                     emp->FieldByName("DEPTNO").AsString());
    return rows;
  };
  dept->PSStartTransaction();
  dept->First();
  dept->Delete();
  dept->Refresh();
  EXPECT_EQ((std::vector<std::string>{"SCOTT 20"}), shownEmp());
  dept->PSEndTransaction(false);
  dept->First();
  EXPECT_EQ("10", dept->FieldByName("DEPTNO").AsString());
  EXPECT_EQ((std::vector<std::string>{"KING 10"}), shownEmp());
  dept->Next();
  EXPECT_EQ((std::vector<std::string>{"SCOTT 20"}), shownEmp());
}

// Cached updates of a dataset in lmLockImmediate through a provider
// transaction that is rolled back: the session's rollback lets the rows go;
// another user's change in between is not overwritten by the apply, and
// CancelUpdates shows what the server holds.
TEST_F(ProviderDayTest, CachedLocksLostToAProviderRollbackAreCheckedAtTheApply) {
  Reset();
  auto ds = NewDataSet("select rowid, v.* from vals v order by n");
  ds->SetCachedUpdates(true);
  ds->SetLockingMode(TLockingMode::lmLockImmediate);
  ds->Open();
  ds->First();
  ds->Edit();
  ds->FieldByName("LABEL").SetAsString("mine");
  ds->Post();
  ds->PSStartTransaction();
  ds->PSEndTransaction(false);
  oracle::TOracleQuery change;
  change.SetSession(other_.get());
  change.SetSQL("update vals set label = 'theirs' where n = 10");
  change.Execute();
  other_->Commit();
  EXPECT_EQ("Record has been changed by another user", [&] {
    try {
      oracle::ApplyUpdates(*ds);
    } catch (const std::exception& e) {
      return std::string(e.what());
    }
    return std::string("<no error>");
  }());
  EXPECT_EQ("10 theirs", Seen().at(0));
  ds->CancelUpdates();
  ds->Refresh();
  EXPECT_EQ(Seen(), Shown(*ds));
}

}  // namespace
