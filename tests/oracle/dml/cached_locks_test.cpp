// Row locks of cached updates in lmLockImmediate against the stand-in
// client, with a second session playing the other user: a lock is given
// back when the change it was taken for is taken back, and a change whose
// lock may have been given up is checked against its logged old values
// before it is applied.
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

using oracle::Editing;
using oracle::TLockingMode;
using oracle::TOracleDataSet;
using oracle_test_support::ErrorOf;

const std::string kChanged = "Record has been changed by another user";
const std::string kLocked = "Record is locked by another user";

class CachedLocksTest : public oracle_dataset_test::StandinDataSetTest {
 protected:
  void SetUp() override {
    StandinDataSetTest::SetUp();
    Run("create table items (id number(6) primary key, name varchar2(20), qty number(6))");
    Run("create table notes (id number(6) primary key, text varchar2(20))");
    for (const char* row : {"1, 'one', 10", "2, 'two', 20", "3, 'three', 30"})
      Run(std::string("insert into items values (") + row + ")");
    Run("insert into notes values (1, 'note')");
    other_ = NewSession();
  }
  void TearDown() override {
    other_.reset();
    StandinDataSetTest::TearDown();
  }

  std::unique_ptr<TOracleDataSet> Items(TLockingMode mode = TLockingMode::lmLockImmediate) {
    auto ds = NewDataSet("select t.rowid, t.* from items t order by id");
    ds->SetCachedUpdates(true);
    ds->SetLockingMode(mode);
    ds->Open();
    return ds;
  }

  // Whether the other user finds row `id` of `table` locked; a lock the
  // probe takes is let go at once.
  bool LockedForOthers(int id, const std::string& table = "items") {
    oracle::TOracleQuery probe;
    probe.SetSession(other_.get());
    probe.SetSQL("select * from " + table + " where id = " + std::to_string(id) +
                 " for update nowait");
    const std::string error = ErrorOf([&] { probe.Execute(); });
    other_->Rollback();
    if (error == "<no error>") return false;
    EXPECT_NE(std::string::npos, error.find("ORA-00054")) << error;
    return true;
  }
  std::vector<bool> LockedRows() {
    return {LockedForOthers(1), LockedForOthers(2), LockedForOthers(3)};
  }

  // "name qty" of item `id` as the other user reads it.
  std::string SeenByOther(int id, const std::string& table = "items") {
    oracle::TOracleQuery query;
    query.SetSession(other_.get());
    query.SetSQL("select * from " + table + " where id = " + std::to_string(id));
    query.Execute();
    if (query.Eof()) return "-";
    std::string row;
    for (int i = 1; i < query.FieldCount(); ++i)
      row += (i > 1 ? " " : "") + query.Field(i).ToText();
    return row;
  }
  // The other user changes and commits.
  void OtherRuns(const std::string& sql) {
    oracle::TOracleQuery query;
    query.SetSession(other_.get());
    query.SetSQL(sql);
    query.Execute();
    other_->Commit();
  }

  // "name qty" of every record the dataset shows.
  static std::vector<std::string> Shown(TOracleDataSet& ds) {
    std::vector<std::string> rows;
    for (ds.First(); !ds.Eof(); ds.Next())
      rows.push_back(ds.FieldByName("NAME").AsString() + " " + ds.FieldByName("QTY").AsString());
    return rows;
  }

  static void Go(TOracleDataSet& ds, int id) {
    for (ds.First(); !ds.Eof() && ds.FieldByName("ID").AsInteger() != id;) ds.Next();
  }
  static void SetName(TOracleDataSet& ds, int id, const std::string& name, bool post = true) {
    Go(ds, id);
    ds.Edit();
    ds.FieldByName("NAME").SetAsString(name);
    if (post) ds.Post();
  }

  std::unique_ptr<oracle::TOracleSession> other_;
};

// ---- locks given back with their change

// Each script takes changes back; the rows still locked afterwards are those
// whose changes are still pending, and the dataset and the other user both
// read the stored values of the rest.
TEST_F(CachedLocksTest, ALockIsGivenBackWhenItsChangeIsTakenBack) {
  const struct {
    const char* what;
    std::function<void(TOracleDataSet&)> run;
    std::vector<bool> locked;
    std::vector<std::string> shown;
  } cases[] = {
      {"edit cancelled",
       [](TOracleDataSet& ds) {
         SetName(ds, 2, "zwei", false);
         ds.Cancel();
       },
       {false, false, false},
       {"one 10", "two 20", "three 30"}},
      {"edit posted",
       [](TOracleDataSet& ds) { SetName(ds, 2, "zwei"); },
       {false, true, false},
       {"one 10", "zwei 20", "three 30"}},
      {"posted edit taken back",
       [](TOracleDataSet& ds) {
         SetName(ds, 2, "zwei");
         ds.CancelUpdates();
       },
       {false, false, false},
       {"one 10", "two 20", "three 30"}},
      {"delete taken back",
       [](TOracleDataSet& ds) {
         Go(ds, 3);
         ds.Delete();
         ds.CancelUpdates();
       },
       {false, false, false},
       {"one 10", "two 20", "three 30"}},
      {"a later edit cancelled, earlier changes pending",
       [](TOracleDataSet& ds) {
         SetName(ds, 1, "uno");
         Go(ds, 3);
         ds.Delete();
         SetName(ds, 2, "zwei", false);
         ds.Cancel();
       },
       {true, false, true},
       {"uno 10", "two 20"}},
      {"an earlier edit cancelled again, its posted change pending",
       [](TOracleDataSet& ds) {
         SetName(ds, 1, "uno");
         SetName(ds, 2, "zwei");
         SetName(ds, 1, "eins", false);
         ds.Cancel();
       },
       {true, true, false},
       {"uno 10", "zwei 20", "three 30"}},
      {"every change taken back",
       [](TOracleDataSet& ds) {
         SetName(ds, 1, "uno");
         Go(ds, 3);
         ds.Delete();
         SetName(ds, 2, "zwei");
         ds.CancelUpdates();
       },
       {false, false, false},
       {"one 10", "two 20", "three 30"}},
      {"edited twice, then taken back",
       [](TOracleDataSet& ds) {
         SetName(ds, 2, "zwei");
         SetName(ds, 2, "deux");
         Go(ds, 2);
         ds.Delete();
         ds.CancelUpdates();
       },
       {false, false, false},
       {"one 10", "two 20", "three 30"}},
      {"an apply failed halfway, then everything taken back",
       [](TOracleDataSet& ds) {
         SetName(ds, 1, "uno");
         SetName(ds, 2, "zwei");
         ds.Append();
         ds.FieldByName("ID").SetAsInteger(1);
         ds.Post();
         EXPECT_NE(std::string::npos, ErrorOf([&] { oracle::ApplyUpdates(ds); }).find("ORA-00001"));
         ds.CancelUpdates();
       },
       {false, false, false},
       {"one 10", "two 20", "three 30"}},
      {"an apply failed halfway, then mended",
       [](TOracleDataSet& ds) {
         SetName(ds, 1, "uno");
         ds.Append();
         ds.FieldByName("ID").SetAsInteger(1);
         ds.Post();
         EXPECT_NE(std::string::npos, ErrorOf([&] { oracle::ApplyUpdates(ds); }).find("ORA-00001"));
         ds.Last();
         ds.Delete();
       },
       {true, false, false},
       {"uno 10", "two 20", "three 30"}},
      {"closed with changes pending",
       [](TOracleDataSet& ds) {
         SetName(ds, 1, "uno");
         Go(ds, 3);
         ds.Delete();
         ds.Close();
         ds.Open();
       },
       {false, false, false},
       {"one 10", "two 20", "three 30"}},
      {"re-queried by a new SQL text",
       [](TOracleDataSet& ds) {
         SetName(ds, 1, "uno");
         ds.SetSQL("select t.rowid, t.* from items t order by id desc");
       },
       {false, false, false},
       {"three 30", "two 20", "one 10"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto ds = Items();
    c.run(*ds);
    EXPECT_EQ(c.locked, LockedRows());
    EXPECT_EQ(c.shown, Shown(*ds));
    EXPECT_EQ((std::vector<std::string>{"one 10", "two 20", "three 30"}),
              (std::vector<std::string>{SeenByOther(1), SeenByOther(2), SeenByOther(3)}));
    // What is still pending reaches the server.
    oracle::ApplyUpdates(*ds);
    EXPECT_EQ((std::vector<bool>{false, false, false}), LockedRows());
    ds.reset();
    Run("delete from items");
    for (const char* row : {"1, 'one', 10", "2, 'two', 20", "3, 'three', 30"})
      Run(std::string("insert into items values (") + row + ")");
  }
}

// A lock that cannot be had, or a row that changed since it was fetched,
// leaves no lock behind; the locks taken before are still given back.
TEST_F(CachedLocksTest, ARefusedLockLeavesNoneBehindAndKeepsTheOthersReturnable) {
  auto ds = Items();
  SetName(*ds, 1, "uno");
  oracle::TOracleQuery held;
  held.SetSession(other_.get());
  held.SetSQL("select * from items where id = 2 for update nowait");
  held.Execute();
  Go(*ds, 2);
  EXPECT_EQ(kLocked, ErrorOf([&] { ds->Edit(); }));
  other_->Rollback();
  OtherRuns("update items set qty = 33 where id = 3");
  Go(*ds, 3);
  EXPECT_EQ(kChanged, ErrorOf([&] { ds->Edit(); }));
  EXPECT_EQ((std::vector<bool>{true, false, false}), LockedRows());
  ds->CancelUpdates();
  EXPECT_EQ((std::vector<bool>{false, false, false}), LockedRows());
  EXPECT_EQ("one 10", SeenByOther(1));
}

// Other work of the session after a lock is never undone to give the lock
// back: the lock then stays until the session ends its transaction.
TEST_F(CachedLocksTest, OtherWorkOfTheSessionIsKeptOverALockItFollowed) {
  auto ds = Items();
  auto notes = NewDataSet("select t.rowid, t.* from notes t");
  Editing(*notes).CommitOnPost = false;
  notes->SetLockingMode(TLockingMode::lmNone);
  notes->Open();
  SetName(*ds, 1, "uno");
  notes->Edit();
  notes->FieldByName("TEXT").SetAsString("kept");
  notes->Post();
  SetName(*ds, 2, "zwei");
  ds->CancelUpdates();
  // The edit of row 2 came after the notes' post: its lock went back.
  EXPECT_EQ((std::vector<bool>{true, false, false}), LockedRows());
  session_->Commit();
  EXPECT_EQ("kept", SeenByOther(1, "notes"));
  EXPECT_EQ((std::vector<bool>{false, false, false}), LockedRows());
  EXPECT_EQ("one 10", SeenByOther(1));
  // A row the application locks with a query of its own stays locked.
  SetName(*ds, 3, "drei");
  oracle::TOracleQuery lock;
  lock.SetSession(session_.get());
  lock.SetSQL("select * from notes where id = 1 FOR\n  UPDATE");
  lock.Execute();
  ds->CancelUpdates();
  EXPECT_TRUE(LockedForOthers(1, "notes"));
  EXPECT_TRUE(LockedForOthers(3));
}

// Two cached datasets of one session, a master and its detail, lock rows in
// turn: taking back the master's edit gives its row back and keeps the
// detail's lock.
TEST_F(CachedLocksTest, LocksOfAnotherDataSetTakenLaterAreKept) {
  Run("create table parts (id number(6) primary key, item number(6), name varchar2(20))");
  Run("insert into parts values (7, 1, 'bolt')");
  auto items = Items();
  auto parts = NewDataSet("select t.rowid, t.* from parts t where item = :ID");
  parts->SetCachedUpdates(true);
  parts->SetLockingMode(TLockingMode::lmLockImmediate);
  parts->DeclareVariable("ID", oracle::otype::Integer);
  parts->SetMaster(items.get());
  parts->SetMasterFields("ID");
  parts->Open();
  Go(*items, 1);
  items->Edit();
  items->FieldByName("NAME").SetAsString("uno");
  parts->Edit();
  parts->FieldByName("NAME").SetAsString("nut");
  parts->Post();
  items->Cancel();
  EXPECT_FALSE(LockedForOthers(1));
  EXPECT_TRUE(LockedForOthers(7, "parts"));
  parts->CancelUpdates();
  EXPECT_FALSE(LockedForOthers(7, "parts"));
  EXPECT_EQ("1 bolt", SeenByOther(7, "parts"));
}

// ---- a change applied after its lock may have been given up

// Whatever gave the session's locks up (another dataset's commit on post, a
// commit or rollback of the session), another user's committed change of
// the row refuses the apply of an update or delete, which stays logged; with
// the lock kept, the other user cannot change the row and the apply goes
// through.
TEST_F(CachedLocksTest, AChangeWhoseLockMayHaveGoneIsCheckedBeforeItIsApplied) {
  int posts = 0;
  const struct {
    const char* what;
    std::function<void()> giveUp;
  } ends[] = {
      {"another dataset posts and commits",
       [this, &posts] {
         auto notes = NewDataSet("select t.rowid, t.* from notes t");
         notes->Open();
         notes->Edit();
         notes->FieldByName("TEXT").SetAsString("posted " + std::to_string(++posts));
         notes->Post();
       }},
      {"the session commits", [this] { session_->Commit(); }},
      {"the session rolls back", [this] { session_->Rollback(); }},
  };
  for (const char kind : {'U', 'D'}) {
    for (const auto& end : ends) {
      SCOPED_TRACE(std::string(1, kind) + " " + end.what);
      auto ds = Items();
      if (kind == 'U') {
        SetName(*ds, 2, "zwei");
      } else {
        Go(*ds, 2);
        ds->Delete();
      }
      end.giveUp();
      OtherRuns("update items set name = 'theirs', qty = 99 where id = 2");
      EXPECT_EQ(kChanged, ErrorOf([&] { oracle::ApplyUpdates(*ds); }));
      EXPECT_EQ("theirs 99", SeenByOther(2));
      EXPECT_EQ(1, ds->ChangeLog().Count());
      EXPECT_FALSE(LockedForOthers(2));
      ds->CancelUpdates();
      ds->Refresh();
      EXPECT_EQ((std::vector<std::string>{"one 10", "theirs 99", "three 30"}), Shown(*ds));
      Run("update items set name = 'two', qty = 20 where id = 2");
    }
    // The lock kept: the other user's change waits for it and fails.
    auto ds = Items();
    if (kind == 'U') {
      SetName(*ds, 2, "zwei");
    } else {
      Go(*ds, 2);
      ds->Delete();
    }
    EXPECT_NE(std::string::npos, ErrorOf([&] {
                                   OtherRuns("update items set qty = 99 where id = 2");
                                 }).find("ORA-00054"));
    other_->Rollback();
    oracle::ApplyUpdates(*ds);
    EXPECT_EQ(kind == 'U' ? "zwei 20" : "-", SeenByOther(2));
    Run("delete from items where id = 2");
    Run("insert into items values (2, 'two', 20)");
  }
}

}  // namespace

#endif  // STANDIN_ORACLE_HOME
