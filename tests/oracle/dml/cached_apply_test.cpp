// Applying cached updates against the stand-in client, with a second
// session looking on: every logged change reaches the server from its
// logged record, whatever master record, filter or refresh the dataset shows
// at the time, or the apply fails and keeps it.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "oracle/dml/editing.h"
#include "oracle/dml/posting.h"
#include "oracle/values/type_codes.h"
#include "oracle_fixture/dataset_fixture.h"
#include "oracle_fixture/exception_text.h"

#ifdef STANDIN_ORACLE_HOME

namespace {

using oracle::TLockingMode;
using oracle::TOracleDataSet;
using oracle_test_support::ErrorOf;

constexpr TLockingMode kModes[] = {TLockingMode::lmNone, TLockingMode::lmCheckImmediate,
                                   TLockingMode::lmLockDelayed, TLockingMode::lmLockImmediate};

class CachedApplyTest : public oracle_dataset_test::StandinDataSetTest {
 protected:
  void SetUp() override {
    StandinDataSetTest::SetUp();
    other_ = NewSession();
  }
  void TearDown() override {
    other_.reset();
    StandinDataSetTest::TearDown();
  }

  // The rows of `sql` as `other_` sees them, one "a b c" text per row.
  std::vector<std::string> Seen(const std::string& sql) {
    oracle::TOracleQuery query;
    query.SetSession(other_.get());
    query.SetSQL(sql);
    std::vector<std::string> rows;
    for (query.Execute(); !query.Eof(); query.Next()) {
      std::string row;
      for (int i = 0; i < query.FieldCount(); ++i)
        row += (i > 0 ? " " : "") + query.Field(i).ToText();
      rows.push_back(row);
    }
    return rows;
  }

  // The data statements sent since the journal was cleared.
  static std::vector<std::string> DataStatements() {
    std::vector<std::string> sent;
    for (const std::string& text : JournalSql())
      if (text.rfind("insert", 0) == 0 || text.rfind("update", 0) == 0 ||
          text.rfind("delete", 0) == 0)
        sent.push_back(text);
    return sent;
  }

  std::unique_ptr<TOracleDataSet> Cached(const std::string& sql, TLockingMode mode) {
    auto ds = NewDataSet(sql);
    ds->SetCachedUpdates(true);
    ds->SetLockingMode(mode);
    return ds;
  }

  std::unique_ptr<oracle::TOracleSession> other_;
};

// ---- a detail under several master records

class DetailApplyTest : public CachedApplyTest {
 protected:
  void SetUp() override {
    CachedApplyTest::SetUp();
    for (const char* sql : {
             "create table dept (deptno number(4) primary key, dname varchar2(20))",
             "create table emp (empno number(6) primary key, ename varchar2(10), "
             "deptno number(4))",
             "insert into dept values (10, 'SALES')",
             "insert into dept values (20, 'RESEARCH')",
             "insert into dept values (30, 'OPERATIONS')",
         })
      Run(sql);
    ResetEmp();
    dept_ = NewDataSet("select rowid, deptno, dname from dept order by deptno");
    dept_->Open();
  }

  // Two employees in department 10, three in 20, one in 30.
  void ResetEmp() {
    Run("delete from emp");
    for (const char* row : {"1, 'KING', 10", "2, 'BLAKE', 10", "3, 'SCOTT', 20", "4, 'ADAMS', 20",
                            "5, 'FORD', 20", "6, 'MILLER', 30"})
      Run(std::string("insert into emp values (") + row + ")");
  }

  std::unique_ptr<TOracleDataSet> Emp(TLockingMode mode) {
    auto emp = Cached(
        "select rowid, empno, ename, deptno from emp where deptno = :DEPTNO "
        "order by empno",
        mode);
    emp->DeclareVariable("DEPTNO", oracle::otype::Integer);
    emp->SetMaster(dept_.get());
    emp->SetMasterFields("DEPTNO");
    emp->SetCountAllRecords(true);
    emp->Open();
    return emp;
  }

  void GoDept(int deptno) {
    for (dept_->First(); dept_->FieldByName("DEPTNO").AsInteger() != deptno;) dept_->Next();
  }

  // Under each master record: an insert, an edit (of the third record where
  // there is one, whose number the first master's insert got) and a delete.
  void LogUnderThreeMasters(TOracleDataSet& emp) {
    auto insert = [&](int empno, const char* name) {
      emp.Append();
      emp.FieldByName("EMPNO").SetAsInteger(empno);
      emp.FieldByName("ENAME").SetAsString(name);
      emp.Post();
    };
    auto edit = [&](int recNo, const char* name) {
      emp.SetRecNo(recNo);
      emp.Edit();
      emp.FieldByName("ENAME").SetAsString(name);
      emp.Post();
    };
    GoDept(10);
    insert(11, "NEW11");
    edit(1, "KONG");
    emp.SetRecNo(2);
    emp.Delete();
    GoDept(20);
    edit(3, "FORDE");
    insert(21, "NEW21");
    emp.SetRecNo(1);
    emp.Delete();
    GoDept(30);
    insert(31, "NEW31");
    edit(1, "MILNER");
  }

  // Each record's update status: '-' unmodified, 'U' modified, 'I' inserted.
  static std::string Statuses(TOracleDataSet& emp) {
    std::string statuses;
    for (emp.First(); !emp.Eof(); emp.Next()) {
      const dataset::TUpdateStatus status = emp.UpdateStatus();
      statuses += status == dataset::TUpdateStatus::usModified   ? 'U'
                  : status == dataset::TUpdateStatus::usInserted ? 'I'
                                                                 : '-';
    }
    return statuses;
  }

  static std::vector<std::string> Shown(TOracleDataSet& emp) {
    std::vector<std::string> rows;
    for (emp.First(); !emp.Eof(); emp.Next())
      rows.push_back(emp.FieldByName("EMPNO").AsString() + " " +
                     emp.FieldByName("ENAME").AsString());
    return rows;
  }

  std::vector<std::string> AllEmp() {
    return Seen("select empno, ename, deptno from emp order by empno");
  }

  std::unique_ptr<TOracleDataSet> dept_;
};

// Each master record shows, counts and applies its own logged changes; an
// edit under one never merges into an insert logged under another.
TEST_F(DetailApplyTest, ChangesUnderThreeMastersAreShownCountedAndAllApplied) {
  const std::vector<std::string> original = AllEmp();
  for (const TLockingMode mode : kModes) {
    SCOPED_TRACE(static_cast<int>(mode));
    auto emp = Emp(mode);
    LogUnderThreeMasters(*emp);
    EXPECT_EQ(8, emp->ChangeLog().Count());
    const struct {
      int deptno;
      std::vector<std::string> rows;
      const char* statuses;
    } views[] = {{10, {"1 KONG", "11 NEW11"}, "UI"},
                 {30, {"6 MILNER", "31 NEW31"}, "UI"},
                 {20, {"4 ADAMS", "5 FORDE", "21 NEW21"}, "-UI"}};
    for (const auto& view : views) {
      GoDept(view.deptno);
      EXPECT_EQ(view.rows, Shown(*emp)) << view.deptno;
      EXPECT_EQ(view.statuses, Statuses(*emp)) << view.deptno;
      EXPECT_EQ(static_cast<int>(view.rows.size()), emp->RecordCount()) << view.deptno;
    }
    ClearJournal();
    // Applied while the second master record is current.
    oracle::ApplyUpdates(*emp);
    EXPECT_EQ(0, emp->ChangeLog().Count());
    EXPECT_FALSE(emp->UpdatesPending());
    EXPECT_EQ((std::vector<std::string>{"1 KONG 10", "4 ADAMS 20", "5 FORDE 20", "6 MILNER 30",
                                        "11 NEW11 10", "21 NEW21 20", "31 NEW31 30"}),
              AllEmp());
    EXPECT_EQ(8u, DataStatements().size());
    EXPECT_EQ((std::vector<std::string>{"4 ADAMS", "5 FORDE", "21 NEW21"}), Shown(*emp));
    // The applied insert carries its new row's rowid: edited again, it is
    // updated in place.
    emp->Last();
    emp->Edit();
    emp->FieldByName("ENAME").SetAsString("AGAIN");
    emp->Post();
    oracle::ApplyUpdates(*emp);
    EXPECT_EQ((std::vector<std::string>{"21 AGAIN 20"}),
              Seen("select empno, ename, deptno from emp where empno = 21"));
    emp.reset();
    ResetEmp();
    EXPECT_EQ(original, AllEmp());
  }
}

// CancelUpdates under one master record takes back the changes logged
// under every master record, and touches no other record.
TEST_F(DetailApplyTest, CancelUnderOneMasterTakesBackTheChangesOfAll) {
  const std::vector<std::string> original = AllEmp();
  auto emp = Emp(TLockingMode::lmNone);
  LogUnderThreeMasters(*emp);
  GoDept(20);
  ClearJournal();
  emp->CancelUpdates();
  EXPECT_EQ(0, emp->ChangeLog().Count());
  EXPECT_EQ((std::vector<std::string>{"3 SCOTT", "4 ADAMS", "5 FORD"}), Shown(*emp));
  for (const int deptno : {30, 10}) {
    GoDept(deptno);
    EXPECT_EQ(deptno == 10 ? 2 : 1, emp->RecordCount()) << deptno;
  }
  EXPECT_EQ((std::vector<std::string>{"1 KING", "2 BLAKE"}), Shown(*emp));
  EXPECT_TRUE(DataStatements().empty());
  EXPECT_EQ(original, AllEmp());
  // Logging goes on from a clean log.
  emp->SetRecNo(1);
  emp->Delete();
  oracle::ApplyUpdates(*emp);
  EXPECT_EQ(5u, AllEmp().size());
}

// The master closed and opened again, or queried again in another order:
// each master record shows, counts and takes back its own logged changes,
// and the apply stores them under their own master rows.
TEST_F(DetailApplyTest, ChangesStayWithTheirMasterRecordWhenTheMasterIsReopened) {
  const std::vector<std::string> original = AllEmp();
  const struct {
    const char* what;
    std::function<void()> reopen;
  } reopens[] = {
      {"closed and opened",
       [this] {
         dept_->Close();
         dept_->Open();
       }},
      {"queried in the other order",
       [this] { dept_->SetSQL("select rowid, deptno, dname from dept order by deptno desc"); }},
      {"queried for two departments",
       [this] { dept_->SetSQL("select rowid, deptno, dname from dept where deptno > 10"); }},
  };
  for (const bool apply : {false, true}) {
    for (const auto& reopen : reopens) {
      for (const TLockingMode mode : kModes) {
        SCOPED_TRACE(std::string(reopen.what) + (apply ? " applied " : " cancelled ") +
                     std::to_string(static_cast<int>(mode)));
        dept_->SetSQL("select rowid, deptno, dname from dept order by deptno");
        auto emp = Emp(mode);
        GoDept(10);
        emp->Append();
        emp->FieldByName("EMPNO").SetAsInteger(11);
        emp->FieldByName("ENAME").SetAsString("NEW11");
        emp->Post();
        emp->SetRecNo(1);
        emp->Edit();
        emp->FieldByName("ENAME").SetAsString("KONG");
        emp->Post();
        GoDept(20);
        emp->SetRecNo(1);
        emp->Delete();
        reopen.reopen();
        const struct {
          int deptno;
          std::vector<std::string> rows;
        } views[] = {{30, {"6 MILLER"}},
                     {20, {"4 ADAMS", "5 FORD"}},
                     {10, {"1 KONG", "2 BLAKE", "11 NEW11"}}};
        for (const auto& view : views) {
          bool there = false;
          for (dept_->First(); !dept_->Eof() && !there;) {
            there = dept_->FieldByName("DEPTNO").AsInteger() == view.deptno;
            if (!there) dept_->Next();
          }
          if (!there) continue;
          EXPECT_EQ(view.rows, Shown(*emp)) << view.deptno;
          EXPECT_EQ(static_cast<int>(view.rows.size()), emp->RecordCount()) << view.deptno;
        }
        EXPECT_EQ(3, emp->ChangeLog().Count());
        if (apply) {
          oracle::ApplyUpdates(*emp);
          EXPECT_EQ((std::vector<std::string>{"1 KONG 10", "2 BLAKE 10", "4 ADAMS 20", "5 FORD 20",
                                              "6 MILLER 30", "11 NEW11 10"}),
                    AllEmp());
        } else {
          emp->CancelUpdates();
          EXPECT_EQ(original, AllEmp());
        }
        for (dept_->First(); !dept_->Eof(); dept_->Next()) {
          const std::string deptno = dept_->FieldByName("DEPTNO").AsString();
          std::vector<std::string> stored;
          for (const std::string& row : AllEmp()) {
            if (row.substr(row.rfind(' ') + 1) == deptno)
              stored.push_back(row.substr(0, row.rfind(' ')));
          }
          EXPECT_EQ(stored, Shown(*emp)) << deptno;
        }
        emp.reset();
        ResetEmp();
      }
    }
  }
  dept_->SetSQL("select rowid, deptno, dname from dept order by deptno");
}

// The other user moves an employee the user renamed (or deleted) under
// department 10 to department 20. The change goes with the row: department
// 20 shows and counts it, department 10 no longer does. The apply stores
// the rename under department 20; the delete is refused by the check modes
// (the row the user deleted is no longer the one fetched) and carried out
// by lmNone.
TEST_F(DetailApplyTest, AChangeGoesWithItsRowWhenAnotherUserMovesIt) {
  for (const char kind : {'U', 'D'}) {
    for (const TLockingMode mode :
         {TLockingMode::lmNone, TLockingMode::lmCheckImmediate, TLockingMode::lmLockDelayed}) {
      SCOPED_TRACE(std::string(1, kind) + " " + std::to_string(static_cast<int>(mode)));
      ResetEmp();
      auto emp = Emp(mode);
      GoDept(10);
      emp->SetRecNo(1);
      if (kind == 'U') {
        emp->Edit();
        emp->FieldByName("ENAME").SetAsString("KONG");
        emp->Post();
      } else {
        emp->Delete();
      }
      oracle::TOracleQuery move;
      move.SetSession(other_.get());
      move.SetSQL("update emp set deptno = 20 where empno = 1");
      move.Execute();
      other_->Commit();
      GoDept(20);
      const std::vector<std::string> under20 =
          kind == 'U' ? std::vector<std::string>{"1 KONG", "3 SCOTT", "4 ADAMS", "5 FORD"}
                      : std::vector<std::string>{"3 SCOTT", "4 ADAMS", "5 FORD"};
      EXPECT_EQ(under20, Shown(*emp));
      EXPECT_EQ(static_cast<int>(under20.size()), emp->RecordCount());
      GoDept(10);
      EXPECT_EQ((std::vector<std::string>{"2 BLAKE"}), Shown(*emp));
      EXPECT_EQ(1, emp->RecordCount());
      const std::string error = ErrorOf([&] { oracle::ApplyUpdates(*emp); });
      if (kind == 'U') {
        EXPECT_EQ("<no error>", error);
        EXPECT_EQ("1 KONG 20", AllEmp().at(0));
      } else if (mode == TLockingMode::lmNone) {
        EXPECT_EQ("<no error>", error);
        EXPECT_EQ("2 BLAKE 10", AllEmp().at(0));
      } else {
        EXPECT_EQ("Record has been changed by another user", error);
        EXPECT_EQ("1 KING 20", AllEmp().at(0));
      }
    }
  }
}

// A detail over a master row's collection: each logged element change goes
// into the collection of the master row it was made under, whichever row is
// current; without that master row the apply refuses rather than guess.
TEST_F(DetailApplyTest, CollectionElementsGoToTheMasterRowTheyWereLoggedUnder) {
  for (const char* sql : {
           "create type item_t as object (sku varchar2(10), qty number(5))",
           "create type item_tab as table of item_t",
           "create table orders (id number(5) primary key, items item_tab)",
           "insert into orders values (1, item_tab(item_t('A', 1)))",
           "insert into orders values (2, null)",
       })
    Run(sql);
  auto orders = Cached("select rowid, id from orders order by id", TLockingMode::lmNone);
  auto items = Cached(
      "select t.*, rowid\nfrom table(select m.ITEMS\n           from   ORDERS m\n"
      "           where  m.ID = :ID) t",
      TLockingMode::lmNone);
  items->DeclareVariable("ID", oracle::otype::Integer);
  items->SetMaster(orders.get());
  items->SetMasterFields("ID");
  orders->Open();
  items->Open();
  auto append = [&](const char* sku, int qty) {
    items->Append();
    items->FieldByName("SKU").SetAsString(sku);
    items->FieldByName("QTY").SetAsInteger(qty);
    items->Post();
  };
  auto elements = [&](int order) {
    return Seen("select t.sku, t.qty from table(select m.items from orders m where m.id = " +
                std::to_string(order) + ") t order by 1");
  };
  items->Edit();
  items->FieldByName("QTY").SetAsInteger(10);
  items->Post();
  append("C", 3);
  orders->Next();
  append("Q", 4);
  orders->First();
  oracle::ApplyUpdates(*items);
  EXPECT_EQ((std::vector<std::string>{"A 10", "C 3"}), elements(1));
  EXPECT_EQ((std::vector<std::string>{"Q 4"}), elements(2));

  orders->Next();
  append("R", 5);
  orders->Delete();
  EXPECT_EQ("The master record of a cached change is no longer present",
            ErrorOf([&] { oracle::ApplyUpdates(*items); }));
  EXPECT_EQ(1, items->ChangeLog().Count());
  EXPECT_EQ((std::vector<std::string>{"Q 4"}), elements(2));
  EXPECT_EQ((std::vector<std::string>{"A 10", "C 3"}), elements(1));
}

// ---- BLOB-kind values

// An update of a LONG, LONG RAW, CLOB or BLOB value reaches the server; an
// update that leaves it as it was does not assign it.
TEST_F(CachedApplyTest, ChangedBlobKindValuesAreWritten) {
  const struct {
    const char* name;
    const char* type;
    bool binary;
  } kinds[] = {{"long", "long", false},
               {"clob", "clob", false},
               {"raw", "long raw", true},
               {"blob", "blob", true}};
  for (const auto& kind : kinds) {
    SCOPED_TRACE(kind.type);
    // A table of its own for each kind.
    const std::string table = std::string("docs_") + kind.name;
    Run("create table " + table + " (id number(6), name varchar2(10), body " + kind.type + ")");
    auto value = [&](const std::string& text) {
      return kind.binary ? text + std::string("\0\xff", 2) : text;
    };
    for (const TLockingMode mode : kModes) {
      SCOPED_TRACE(static_cast<int>(mode));
      auto ds = Cached("select rowid, d.* from " + table + " d order by id", mode);
      ds->Open();
      ds->Append();
      ds->FieldByName("ID").SetAsInteger(1);
      ds->FieldByName("BODY").SetAsString(value("first"));
      ds->Post();
      oracle::ApplyUpdates(*ds);
      auto body = [&] {
        auto reader = NewDataSet("select body from " + table);
        reader->SetSession(other_.get());
        reader->Open();
        return reader->FieldByName("BODY").AsString();
      };
      EXPECT_EQ(value("first"), body());
      // Each edit, whether the update assigns the value, and the value the
      // server holds afterwards.
      const struct {
        const char* field;
        std::string to;
        bool assignsBody;
        std::string held;
      } edits[] = {
          {"BODY", value("second, longer"), true, value("second, longer")},
          {"NAME", "n", false, value("second, longer")},
          {"BODY", value("second, longer"), false, value("second, longer")},
          {"BODY", "", true, ""},
          {"BODY", value("3rd"), true, value("3rd")},
      };
      for (const auto& edit : edits) {
        SCOPED_TRACE(std::string(edit.field) + " " + edit.to);
        ds->Edit();
        ds->FieldByName(edit.field).SetAsString(edit.to);
        ds->Post();
        ClearJournal();
        oracle::ApplyUpdates(*ds);
        EXPECT_EQ(0, ds->ChangeLog().Count());
        const std::vector<std::string> sent = DataStatements();
        const bool assigned = std::any_of(sent.begin(), sent.end(), [](const std::string& text) {
          return text.find("BODY = ") != std::string::npos;
        });
        EXPECT_EQ(edit.assignsBody, assigned);
        EXPECT_EQ(edit.held, body());
      }
      ds.reset();
      Run("delete from " + table);
    }
  }
}

// ---- a row another user deleted

// Whether or not the dataset was refreshed since, a logged change of a row
// another user deleted fails the apply and stays in the log.
TEST_F(CachedApplyTest, AChangeOfARowDeletedElsewhereFailsAndStaysLogged) {
  Run("create table items (id number(6) primary key, name varchar2(20))");
  for (const bool refreshed : {false, true}) {
    for (const char kind : {'U', 'D'}) {
      for (const TLockingMode mode : kModes) {
        SCOPED_TRACE(std::string(1, kind) + (refreshed ? " refreshed " : " ") +
                     std::to_string(static_cast<int>(mode)));
        Run("delete from items");
        Run("insert into items values (1, 'one')");
        Run("insert into items values (2, 'two')");
        auto ds = Cached("select rowid, i.* from items i order by id", mode);
        ds->Open();
        ds->Last();
        ds->Edit();
        ds->FieldByName("NAME").SetAsString("zwei");
        ds->Post();
        ds->First();
        if (kind == 'U') {
          ds->Edit();
          ds->FieldByName("NAME").SetAsString("uno");
          ds->Post();
        } else {
          ds->Delete();
        }
        // A row this session locked is let go before the other deletes it.
        if (mode == TLockingMode::lmLockImmediate) session_->Commit();
        oracle::TOracleQuery gone;
        gone.SetSession(other_.get());
        gone.SetSQL("delete from items where id = 1");
        gone.Execute();
        other_->Commit();
        if (refreshed) ds->Refresh();
        EXPECT_EQ("Record has been deleted by another user",
                  ErrorOf([&] { oracle::ApplyUpdates(*ds); }));
        EXPECT_EQ(2, ds->ChangeLog().Count());
        EXPECT_TRUE(ds->UpdatesPending());
        EXPECT_EQ((std::vector<std::string>{"2 two"}), Seen("select * from items"));
        ds->CancelUpdates();
        EXPECT_EQ(0, ds->ChangeLog().Count());
      }
    }
  }
}

// ---- a filter hiding logged records

TEST_F(CachedApplyTest, LoggedRecordsAFilterHidesAreApplied) {
  Run("create table items (id number(6) primary key, name varchar2(20))");
  const char* filters[] = {"[NAME] <> 'uno'", "[ID] <> 3", "[ID] > 5"};
  for (const char* filter : filters) {
    SCOPED_TRACE(filter);
    Run("delete from items");
    Run("insert into items values (1, 'one')");
    Run("insert into items values (2, 'two')");
    auto ds = Cached("select rowid, i.* from items i order by id", TLockingMode::lmNone);
    ds->SetFilter(filter);
    ds->Open();
    ds->First();
    ds->Edit();
    ds->FieldByName("NAME").SetAsString("uno");
    ds->Post();
    ds->Append();
    ds->FieldByName("ID").SetAsInteger(3);
    ds->FieldByName("NAME").SetAsString("tres");
    ds->Post();
    ds->SetFiltered(true);
    oracle::ApplyUpdates(*ds);
    EXPECT_EQ(0, ds->ChangeLog().Count());
    EXPECT_EQ((std::vector<std::string>{"1 uno", "2 two", "3 tres"}),
              Seen("select * from items order by id"));
    // The new record's rowid came back to it: hidden or shown, an edit of
    // it updates its row.
    ds->SetFiltered(false);
    ds->Last();
    ds->Edit();
    ds->FieldByName("NAME").SetAsString("drei");
    ds->Post();
    ds->SetFiltered(true);
    oracle::ApplyUpdates(*ds);
    EXPECT_EQ((std::vector<std::string>{"3 drei"}), Seen("select * from items where id = 3"));
  }
}

}  // namespace

#endif  // STANDIN_ORACLE_HOME
