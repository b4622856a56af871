// Cached updates used through a working day against the stand-in client,
// with a second session playing the other user: two datasets of one
// session on one row, applies failing and retried, a log-off between
// changes and their apply, sequence numbers on the client and the server,
// LOB values, counts, and details under a filtered master. Every result is
// checked against what the other user reads and what the dataset shows.
#include <functional>
#include <string>
#include <vector>

#include "oracle/dml/editing.h"
#include "oracle/dml/posting.h"
#include "oracle/dml/sequence_field.h"
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
const std::string kNoError = "<no error>";

constexpr TLockingMode kModes[] = {TLockingMode::lmNone, TLockingMode::lmCheckImmediate,
                                   TLockingMode::lmLockDelayed, TLockingMode::lmLockImmediate};

std::string ModeName(TLockingMode mode) {
  switch (mode) {
    case TLockingMode::lmNone:
      return "lmNone";
    case TLockingMode::lmCheckImmediate:
      return "lmCheckImmediate";
    case TLockingMode::lmLockDelayed:
      return "lmLockDelayed";
    case TLockingMode::lmLockImmediate:
      return "lmLockImmediate";
  }
  return "?";
}

class CachedWorkdayTest : public oracle_dataset_test::StandinDataSetTest {
 protected:
  void SetUp() override {
    StandinDataSetTest::SetUp();
    Run("create table items (id number(6) primary key, name varchar2(20), qty number(6), "
        "memo clob)");
    other_ = NewSession();
    Reset();
  }
  void TearDown() override {
    other_.reset();
    StandinDataSetTest::TearDown();
  }

  void Reset() {
    Run("delete from items");
    for (const char* row : {"1, 'one', 10, 'm1'", "2, 'two', 20, 'm2'", "3, 'three', 30, 'm3'"})
      Run(std::string("insert into items values (") + row + ")");
  }

  std::unique_ptr<TOracleDataSet> Items(TLockingMode mode,
                                        oracle::TOracleSession* session = nullptr) {
    auto ds = NewDataSet("select t.rowid, t.* from items t order by id");
    if (session != nullptr) ds->SetSession(session);
    ds->SetCachedUpdates(true);
    ds->SetLockingMode(mode);
    ds->Open();
    return ds;
  }

  bool LockedForOthers(int id) {
    oracle::TOracleQuery probe;
    probe.SetSession(other_.get());
    probe.SetSQL("select * from items where id = " + std::to_string(id) + " for update nowait");
    const std::string error = ErrorOf([&] { probe.Execute(); });
    other_->Rollback();
    return error != kNoError;
  }
  std::vector<bool> LockedRows() {
    return {LockedForOthers(1), LockedForOthers(2), LockedForOthers(3)};
  }

  // "id name qty memo" of every row as the other user reads it.
  std::vector<std::string> SeenByOther() {
    oracle::TOracleQuery query;
    query.SetSession(other_.get());
    query.SetSQL("select id, name, qty, memo from items order by id");
    std::vector<std::string> rows;
    for (query.Execute(); !query.Eof(); query.Next())
      rows.push_back(query.Field(0).ToText() + " " + query.Field(1).ToText() + " " +
                     query.Field(2).ToText() + " " + query.Field(3).ToText());
    return rows;
  }
  std::string OtherRuns(const std::string& sql) {
    return ErrorOf([&] {
      oracle::TOracleQuery query;
      query.SetSession(other_.get());
      query.SetSQL(sql);
      query.Execute();
      other_->Commit();
    });
  }

  static std::vector<std::string> Shown(TOracleDataSet& ds) {
    std::vector<std::string> rows;
    for (ds.First(); !ds.Eof(); ds.Next())
      rows.push_back(ds.FieldByName("ID").AsString() + " " + ds.FieldByName("NAME").AsString() +
                     " " + ds.FieldByName("QTY").AsString() + " " +
                     ds.FieldByName("MEMO").AsString());
    return rows;
  }
  static void Go(TOracleDataSet& ds, int id) {
    for (ds.First(); !ds.Eof() && ds.FieldByName("ID").AsInteger() != id;) ds.Next();
  }
  static void Set(TOracleDataSet& ds, int id, const std::string& field, const std::string& value,
                  bool post = true) {
    Go(ds, id);
    ds.Edit();
    ds.FieldByName(field).SetAsString(value);
    if (post) ds.Post();
  }

  const std::vector<std::string> stored_ = {"1 one 10 m1", "2 two 20 m2", "3 three 30 m3"};
  std::unique_ptr<oracle::TOracleSession> other_;
};

// ---- two datasets of one session on one row

// Both datasets change row 2 in lmLockImmediate; taking back one dataset's
// change keeps the row locked for the other's, whichever goes first and
// however it is taken back. Once both are taken back the row is free, and
// the other user reads the stored values throughout.
TEST_F(CachedWorkdayTest, TwoDataSetsOfOneSessionOnOneRowKeepItLockedUntilBothLetGo) {
  const struct {
    const char* what;
    std::function<void(TOracleDataSet&a, TOracleDataSet&b)> first, second;
  } cases[] = {
      {"first's CancelUpdates, then second's",
       [](TOracleDataSet& a, TOracleDataSet&) { a.CancelUpdates(); },
       [](TOracleDataSet&, TOracleDataSet& b) { b.CancelUpdates(); }},
      {"second's CancelUpdates, then first's",
       [](TOracleDataSet&, TOracleDataSet& b) { b.CancelUpdates(); },
       [](TOracleDataSet& a, TOracleDataSet&) { a.CancelUpdates(); }},
      {"first closed, then second's CancelUpdates",
       [](TOracleDataSet& a, TOracleDataSet&) { a.Close(); },
       [](TOracleDataSet&, TOracleDataSet& b) { b.CancelUpdates(); }},
      {"second's delete taken back, then first's edit",
       [](TOracleDataSet&, TOracleDataSet& b) { b.CancelUpdates(); },
       [](TOracleDataSet& a, TOracleDataSet&) { a.CancelUpdates(); }},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto a = Items(TLockingMode::lmLockImmediate);
    auto b = Items(TLockingMode::lmLockImmediate);
    Set(*a, 2, "NAME", "mine");
    if (n++ == 3) {
      Go(*b, 2);
      b->Delete();
    } else {
      Set(*b, 2, "QTY", "21");
    }
    EXPECT_TRUE(LockedForOthers(2));
    c.first(*a, *b);
    EXPECT_TRUE(LockedForOthers(2)) << "after the first let go";
    EXPECT_EQ(stored_, SeenByOther());
    c.second(*a, *b);
    EXPECT_FALSE(LockedForOthers(2)) << "after both let go";
    EXPECT_EQ(stored_, SeenByOther());
  }
}

// A lock taken in lmLockImmediate goes back with its change however the
// change is dropped: after a refused post, after a refresh, when the
// dataset is freed. The other user can then change the row.
TEST_F(CachedWorkdayTest, ALockGoesBackAfterAFailedPostARefreshOrWhenTheDataSetIsFreed) {
  const struct {
    const char* what;
    std::function<void(std::unique_ptr<TOracleDataSet>&)> run;
  } cases[] = {
      {"post refused, edit cancelled",
       [](std::unique_ptr<TOracleDataSet>& ds) {
         Set(*ds, 2, "ID", "", false);
         EXPECT_NE(kNoError, ErrorOf([&] { ds->Post(); }));
         ds->Cancel();
       }},
      {"refreshed, then the edit cancelled",
       [](std::unique_ptr<TOracleDataSet>& ds) {
         Set(*ds, 1, "NAME", "uno");
         ds->Refresh();
         Set(*ds, 2, "NAME", "zwei", false);
         ds->Cancel();
         ds->CancelUpdates();
       }},
      {"deleted, refreshed, taken back",
       [](std::unique_ptr<TOracleDataSet>& ds) {
         Go(*ds, 2);
         ds->Delete();
         ds->Refresh();
         ds->CancelUpdates();
       }},
      {"freed with changes pending",
       [](std::unique_ptr<TOracleDataSet>& ds) {
         Set(*ds, 2, "NAME", "zwei");
         Go(*ds, 1);
         ds->Delete();
         ds.reset();
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    auto ds = Items(TLockingMode::lmLockImmediate);
    c.run(ds);
    EXPECT_EQ((std::vector<bool>{false, false, false}), LockedRows());
    EXPECT_EQ(kNoError, OtherRuns("update items set qty = qty + 1 where id = 2"));
    EXPECT_EQ("2 two 21 m2", SeenByOther().at(1));
    if (ds) {
      ds->Refresh();
      EXPECT_EQ(SeenByOther(), Shown(*ds));
    }
  }
}

// Two cached datasets of one session change different fields of row 2;
// the first applies. In the check modes the second is refused until it is
// refreshed, then both changes are stored; lmNone writes only its own field.
TEST_F(CachedWorkdayTest, TwoDataSetsOfOneSessionApplyChangesOfOneRowInTurn) {
  for (const TLockingMode mode : kModes) {
    if (mode == TLockingMode::lmLockImmediate) continue;  // the first lock keeps the second out
    SCOPED_TRACE(ModeName(mode));
    Reset();
    auto a = Items(mode);
    auto b = Items(mode);
    Set(*a, 2, "NAME", "mine");
    Set(*b, 2, "QTY", "21");
    EXPECT_EQ(kNoError, ErrorOf([&] { oracle::ApplyUpdates(*a); }));
    const std::string second = ErrorOf([&] { oracle::ApplyUpdates(*b); });
    if (mode != TLockingMode::lmNone) {
      EXPECT_EQ(kChanged, second);
      EXPECT_EQ("2 mine 20 m2", SeenByOther().at(1));
      b->Refresh();
      EXPECT_EQ("2 mine 21 m2", Shown(*b).at(1));
      EXPECT_EQ(kNoError, ErrorOf([&] { oracle::ApplyUpdates(*b); }));
    } else {
      EXPECT_EQ(kNoError, second);
    }
    EXPECT_EQ("2 mine 21 m2", SeenByOther().at(1));
    a->Refresh();
    b->Refresh();
    EXPECT_EQ(SeenByOther(), Shown(*a));
    EXPECT_EQ(SeenByOther(), Shown(*b));
  }
}

// ---- an apply failing halfway, mended and retried

// Row 1 renamed, a new record with a key that is taken, row 3 deleted: the
// apply fails on the insert and leaves the server as it was and every
// change pending; the rows with pending changes stay locked in
// lmLockImmediate. The key mended, the apply goes through in every mode and
// the other user reads exactly what the dataset shows; nothing stays locked.
TEST_F(CachedWorkdayTest, AnApplyFailingHalfwayIsMendedAndRetried) {
  for (const TLockingMode mode : kModes) {
    SCOPED_TRACE(ModeName(mode));
    Reset();
    auto ds = Items(mode);
    Set(*ds, 1, "NAME", "uno");
    ds->Append();
    ds->FieldByName("ID").SetAsInteger(2);
    ds->FieldByName("NAME").SetAsString("four");
    ds->FieldByName("QTY").SetAsInteger(40);
    ds->FieldByName("MEMO").SetAsString("m4");
    ds->Post();
    Go(*ds, 3);
    ds->Delete();
    const std::vector<std::string> pending = {"1 uno 10 m1", "2 two 20 m2", "2 four 40 m4"};
    EXPECT_EQ(pending, Shown(*ds));
    EXPECT_EQ(3, ds->RecordCount());
    EXPECT_NE(std::string::npos, ErrorOf([&] { oracle::ApplyUpdates(*ds); }).find("ORA-00001"));
    EXPECT_EQ(stored_, SeenByOther());
    EXPECT_EQ(3, ds->ChangeLog().Count());
    EXPECT_EQ(pending, Shown(*ds));
    EXPECT_EQ(3, ds->RecordCount());
    if (mode == TLockingMode::lmLockImmediate) {
      EXPECT_EQ((std::vector<bool>{true, false, true}), LockedRows());
    }
    // The key mended and applied again; then once more with nothing left.
    Go(*ds, 2);
    ds->Last();
    ds->Edit();
    ds->FieldByName("ID").SetAsInteger(4);
    ds->Post();
    EXPECT_EQ(kNoError, ErrorOf([&] { oracle::ApplyUpdates(*ds); }));
    const std::vector<std::string> applied = {"1 uno 10 m1", "2 two 20 m2", "4 four 40 m4"};
    EXPECT_EQ(applied, SeenByOther());
    EXPECT_EQ(applied, Shown(*ds));
    EXPECT_EQ(3, ds->RecordCount());
    EXPECT_EQ(0, ds->ChangeLog().Count());
    EXPECT_EQ((std::vector<bool>{false, false, false}), LockedRows());
    EXPECT_EQ(kNoError, ErrorOf([&] { oracle::ApplyUpdates(*ds); }));
    ds->Refresh();
    EXPECT_EQ(applied, Shown(*ds));
    // The applied new record is edited again: its row is updated in place.
    ds->Last();
    ds->Edit();
    ds->FieldByName("QTY").SetAsInteger(44);
    ds->Post();
    EXPECT_EQ(kNoError, ErrorOf([&] { oracle::ApplyUpdates(*ds); }));
    EXPECT_EQ("4 four 44 m4", SeenByOther().at(2));
  }
}

// An update whose row another user changed after this session's commit
// fails the apply in the check modes, halfway through the log; the other
// changes are not applied either. Refreshed, the other user's value shows
// and the retried apply stores both users' work.
TEST_F(CachedWorkdayTest, AnApplyRefusedForAnotherUsersChangeIsRetriedAfterARefresh) {
  for (const TLockingMode mode : kModes) {
    if (mode == TLockingMode::lmNone) continue;
    SCOPED_TRACE(ModeName(mode));
    Reset();
    auto ds = Items(mode);
    Set(*ds, 1, "NAME", "uno");
    Set(*ds, 2, "NAME", "zwei");
    Set(*ds, 3, "NAME", "drei");
    session_->Commit();
    EXPECT_EQ(kNoError, OtherRuns("update items set qty = 22 where id = 2"));
    EXPECT_EQ(kChanged, ErrorOf([&] { oracle::ApplyUpdates(*ds); }));
    EXPECT_EQ((std::vector<std::string>{"1 one 10 m1", "2 two 22 m2", "3 three 30 m3"}),
              SeenByOther());
    ds->Refresh();
    const std::vector<std::string> both = {"1 uno 10 m1", "2 zwei 22 m2", "3 drei 30 m3"};
    EXPECT_EQ(both, Shown(*ds));
    EXPECT_EQ(kNoError, ErrorOf([&] { oracle::ApplyUpdates(*ds); }));
    EXPECT_EQ(both, SeenByOther());
    EXPECT_EQ(both, Shown(*ds));
  }
}

// ---- a refresh between the other user's changes

// The other user changes a field the user changed (or the row the user
// deleted) and later puts the value back; the user refreshes in between
// and after. The server then holds the row exactly as the user fetched it,
// so the apply overwrites nothing of the other user's and goes through in
// every mode, as it does when the user never refreshed.
TEST_F(CachedWorkdayTest, AValueChangedElsewhereAndPutBackNoLongerRefusesTheApply) {
  for (const char kind : {'U', 'D'}) {
    for (const bool refreshed : {false, true}) {
      for (const TLockingMode mode : kModes) {
        SCOPED_TRACE(std::string(1, kind) + (refreshed ? " refreshed " : " ") + ModeName(mode));
        Reset();
        auto ds = Items(mode);
        if (kind == 'U') {
          Set(*ds, 2, "QTY", "21");
        } else {
          Go(*ds, 2);
          ds->Delete();
        }
        session_->Commit();
        EXPECT_EQ(kNoError, OtherRuns("update items set qty = 25 where id = 2"));
        if (refreshed) ds->Refresh();
        EXPECT_EQ(kNoError, OtherRuns("update items set qty = 20 where id = 2"));
        if (refreshed) ds->Refresh();
        EXPECT_EQ(kind == 'U' ? "2 two 21 m2" : "3 three 30 m3", Shown(*ds).at(1));
        EXPECT_EQ(kNoError, ErrorOf([&] { oracle::ApplyUpdates(*ds); }));
        EXPECT_EQ(kind == 'U' ? "2 two 21 m2" : "3 three 30 m3", SeenByOther().at(1));
      }
    }
  }
}

// The user deletes a record; the other user adds or removes rows before
// it; the user refreshes and then takes the delete back. The dataset shows
// the rows the server holds, in the query's order.
TEST_F(CachedWorkdayTest, ADeleteTakenBackAfterARefreshReturnsToItsPlaceInTheQuery) {
  const struct {
    int deleted;
    const char* other;
  } cases[] = {
      {2, "insert into items (id, name) values (0, 'zero')"},
      {3, "insert into items (id, name) values (0, 'zero')"},
      {3, "delete from items where id = 1"},
      {2, "insert into items (id, name) values (5, 'five')"},
  };
  for (const TLockingMode mode : kModes) {
    for (const auto& c : cases) {
      SCOPED_TRACE(ModeName(mode) + " deleted " + std::to_string(c.deleted) + ", " + c.other);
      Reset();
      auto ds = Items(mode);
      Go(*ds, c.deleted);
      ds->Delete();
      EXPECT_EQ(kNoError, OtherRuns(c.other));
      ds->Refresh();
      ds->CancelUpdates();
      EXPECT_EQ(SeenByOther(), Shown(*ds));
      EXPECT_EQ(static_cast<int>(SeenByOther().size()), ds->RecordCount());
    }
  }
}

// ---- edit, cancel, edit again

// In lmLockImmediate an edit cancelled lets the row go: the other user
// locks and changes it; the edit started again meets the lock, then the
// change, and the user's third try, after a refresh, goes through.
TEST_F(CachedWorkdayTest, EditCancelledThenTheOtherUserThenEditAgain) {
  auto ds = Items(TLockingMode::lmLockImmediate);
  Set(*ds, 2, "NAME", "mine", false);
  ds->Cancel();
  EXPECT_FALSE(LockedForOthers(2));
  oracle::TOracleQuery held;
  held.SetSession(other_.get());
  held.SetSQL("select * from items where id = 2 for update nowait");
  held.Execute();
  Go(*ds, 2);
  EXPECT_EQ(kLocked, ErrorOf([&] { ds->Edit(); }));
  EXPECT_EQ(dataset::TDataSetState::dsBrowse, ds->State());
  EXPECT_EQ(kNoError, ErrorOf([&] {
              oracle::TOracleQuery change;
              change.SetSession(other_.get());
              change.SetSQL("update items set qty = 25 where id = 2");
              change.Execute();
              other_->Commit();
            }));
  Go(*ds, 2);
  EXPECT_EQ(kChanged, ErrorOf([&] { ds->Edit(); }));
  EXPECT_FALSE(LockedForOthers(2));
  ds->Refresh();
  Set(*ds, 2, "NAME", "mine");
  EXPECT_TRUE(LockedForOthers(2));
  oracle::ApplyUpdates(*ds);
  EXPECT_EQ("2 mine 25 m2", SeenByOther().at(1));
  EXPECT_FALSE(LockedForOthers(2));
}

// ---- log-off and log-on between the changes and their apply

// A dataset that stays open over a log-off keeps its pending changes; the
// other user changes the row meanwhile. After the log-on the check modes
// refuse to overwrite the other user's change, lmNone writes as always.
TEST_F(CachedWorkdayTest, ChangesKeptOverALogOffAreCheckedWhenApplied) {
  for (const TLockingMode mode : kModes) {
    SCOPED_TRACE(ModeName(mode));
    Reset();
    auto ds = NewDataSet("select t.rowid, t.* from items t order by id");
    ds->SetDetachable(true);
    ds->SetCachedUpdates(true);
    ds->SetLockingMode(mode);
    ds->Open();
    Set(*ds, 2, "NAME", "mine");
    session_->LogOff();
    EXPECT_TRUE(ds->Active());
    EXPECT_FALSE(LockedForOthers(2));
    EXPECT_EQ(kNoError, OtherRuns("update items set qty = 99 where id = 2"));
    session_->LogOn();
    EXPECT_EQ(1, ds->ChangeLog().Count());
    const std::string error = ErrorOf([&] { oracle::ApplyUpdates(*ds); });
    if (mode == TLockingMode::lmNone) {
      EXPECT_EQ(kNoError, error);
      EXPECT_EQ("2 mine 99 m2", SeenByOther().at(1));
    } else {
      EXPECT_EQ(kChanged, error);
      EXPECT_EQ("2 two 99 m2", SeenByOther().at(1));
      ds->CancelUpdates();
    }
    EXPECT_FALSE(LockedForOthers(2));
  }
}

// Locks taken after a log-off and log-on go back with their changes,
// whether the dataset stayed open over the log-off (with a change from
// before it still pending) or was opened again.
TEST_F(CachedWorkdayTest, LocksTakenAfterALogOnGoBackWithTheirChanges) {
  for (const bool detachable : {false, true}) {
    SCOPED_TRACE(detachable ? "stayed open" : "opened again");
    Reset();
    auto ds = NewDataSet("select t.rowid, t.* from items t order by id");
    ds->SetDetachable(detachable);
    ds->SetCachedUpdates(true);
    ds->SetLockingMode(TLockingMode::lmLockImmediate);
    ds->Open();
    Set(*ds, 1, "NAME", "uno");
    session_->LogOff();
    session_->LogOn();
    if (!ds->Active()) ds->Open();
    Set(*ds, 2, "NAME", "zwei", false);
    EXPECT_EQ((std::vector<bool>{false, true, false}), LockedRows());
    ds->Cancel();
    EXPECT_EQ((std::vector<bool>{false, false, false}), LockedRows());
    Set(*ds, 3, "NAME", "drei");
    Go(*ds, 2);
    ds->Delete();
    EXPECT_EQ((std::vector<bool>{false, true, true}), LockedRows());
    ds->CancelUpdates();
    EXPECT_EQ((std::vector<bool>{false, false, false}), LockedRows());
    EXPECT_EQ(stored_, SeenByOther());
    EXPECT_EQ(stored_, Shown(*ds));
  }
}

// ---- LOB values

// The user changes row 1's name; the other user changes its memo. Without
// a refresh the check modes refuse; after a refresh the other user's memo
// shows and the apply stores both. A memo both users changed is refused in
// the check modes even after a refresh.
TEST_F(CachedWorkdayTest, MemoValuesOfTheOtherUserAreNeverOverwrittenUnseen) {
  for (const TLockingMode mode : kModes) {
    for (const bool bothMemo : {false, true}) {
      SCOPED_TRACE(ModeName(mode) + (bothMemo ? " memo both" : " name and memo"));
      Reset();
      auto ds = Items(mode);
      if (bothMemo)
        Set(*ds, 1, "MEMO", "my memo, longer than before");
      else
        Set(*ds, 1, "NAME", "uno");
      session_->Commit();
      EXPECT_EQ(kNoError, OtherRuns("update items set memo = 'their memo' where id = 1"));
      const std::string unrefreshed = ErrorOf([&] { oracle::ApplyUpdates(*ds); });
      if (mode == TLockingMode::lmNone) {
        EXPECT_EQ(kNoError, unrefreshed);
        continue;
      }
      EXPECT_EQ(kChanged, unrefreshed);
      EXPECT_EQ("1 one 10 their memo", SeenByOther().at(0));
      ds->Refresh();
      EXPECT_EQ(bothMemo ? "1 one 10 my memo, longer than before" : "1 uno 10 their memo",
                Shown(*ds).at(0));
      const std::string refreshed = ErrorOf([&] { oracle::ApplyUpdates(*ds); });
      if (bothMemo) {
        EXPECT_EQ(kChanged, refreshed);
        EXPECT_EQ("1 one 10 their memo", SeenByOther().at(0));
      } else {
        EXPECT_EQ(kNoError, refreshed);
        EXPECT_EQ("1 uno 10 their memo", SeenByOther().at(0));
      }
    }
  }
}

// ---- counts through the day

// With every record counted on the server, the count follows cached
// inserts and deletes, a failed apply, the other user's new rows after a
// refresh, the apply, and CancelUpdates.
TEST_F(CachedWorkdayTest, RecordCountFollowsTheDay) {
  for (const bool countAll : {false, true}) {
    for (const TLockingMode mode : kModes) {
      SCOPED_TRACE(ModeName(mode) + (countAll ? " counted" : ""));
      Reset();
      auto ds = NewDataSet("select t.rowid, t.* from items t order by id");
      ds->SetCachedUpdates(true);
      ds->SetLockingMode(mode);
      ds->SetCountAllRecords(countAll);
      ds->Open();
      const auto count = [&] { return ds->RecordCount(); };
      const auto append = [&](int id) {
        ds->Append();
        ds->FieldByName("ID").SetAsInteger(id);
        ds->Post();
      };
      EXPECT_EQ(3, count());
      append(10);
      append(1);  // a key that is taken
      Go(*ds, 2);
      ds->Delete();
      EXPECT_EQ(4, count());
      // (The stand-in keeps the whole file locked for writing while a
      // transaction is open, so the other user's row comes first.)
      EXPECT_EQ(kNoError, OtherRuns("insert into items (id, name) values (20, 'theirs')"));
      EXPECT_NE(kNoError, ErrorOf([&] { oracle::ApplyUpdates(*ds); }));
      EXPECT_EQ(4, count());
      ds->Refresh();
      EXPECT_EQ(5, count());
      EXPECT_EQ(5u, Shown(*ds).size());
      // The taken key is dropped, the rest applied.
      for (ds->First();
           ds->FieldByName("ID").AsInteger() != 1 || ds->FieldByName("NAME").AsString() == "one";)
        ds->Next();
      ds->Delete();
      EXPECT_EQ(4, count());
      EXPECT_EQ(kNoError, ErrorOf([&] { oracle::ApplyUpdates(*ds); }));
      EXPECT_EQ(4, count());
      EXPECT_EQ(4u, SeenByOther().size());
      append(30);
      Go(*ds, 3);
      ds->Delete();
      Go(*ds, 1);
      ds->Delete();
      EXPECT_EQ(3, count());
      ds->CancelUpdates();
      EXPECT_EQ(4, count());
      ds->Refresh();
      EXPECT_EQ(4, count());
      EXPECT_EQ(Shown(*ds).size(), SeenByOther().size());
    }
  }
}

// With every record counted on the server, the count is right whether or
// not it was asked for before the records were changed: an insert and a
// delete, posted at once or applied from the cache.
TEST_F(CachedWorkdayTest, TheCountIsRightWhenFirstAskedAfterChanges) {
  for (const bool cached : {false, true}) {
    for (const bool askedBefore : {false, true}) {
      for (const char kind : {'I', 'D'}) {
        SCOPED_TRACE(std::string(cached ? "cached " : "posted ") +
                     (askedBefore ? "asked before " : "first asked after ") + kind);
        Reset();
        auto ds = NewDataSet("select t.rowid, t.* from items t order by id");
        ds->SetCachedUpdates(cached);
        ds->SetLockingMode(TLockingMode::lmNone);
        ds->SetCountAllRecords(true);
        ds->Open();
        if (askedBefore) {
          EXPECT_EQ(3, ds->RecordCount());
        }
        if (kind == 'I') {
          ds->Append();
          ds->FieldByName("ID").SetAsInteger(4);
          ds->Post();
        } else {
          Go(*ds, 2);
          ds->Delete();
        }
        if (cached) oracle::ApplyUpdates(*ds);
        const int expected = kind == 'I' ? 4 : 2;
        EXPECT_EQ(expected, static_cast<int>(SeenByOther().size()));
        EXPECT_EQ(expected, static_cast<int>(Shown(*ds).size()));
        EXPECT_EQ(expected, ds->RecordCount());
      }
    }
  }
}

// ---- sequence numbers

// A new record numbered by the client or by the server: entered, corrected,
// refreshed before the apply, a second one entered and taken back by a
// delete. The server receives one row, with the number the dataset shows
// afterwards.
TEST_F(CachedWorkdayTest, SequenceNumberedRecordsThroughRefreshCorrectionAndDelete) {
  Run("create sequence item_ids start with 500");
  int next = 500;
  for (const auto moment :
       {oracle::TSequenceApplyMoment::amOnNewRecord, oracle::TSequenceApplyMoment::amOnPost,
        oracle::TSequenceApplyMoment::amOnServer}) {
    for (const TLockingMode mode : kModes) {
      SCOPED_TRACE(ModeName(mode) + " moment " + std::to_string(static_cast<int>(moment)));
      Reset();
      auto ds = NewDataSet("select t.rowid, t.* from items t order by id");
      Editing(*ds).SequenceField.Field = "ID";
      Editing(*ds).SequenceField.Sequence = "item_ids";
      Editing(*ds).SequenceField.ApplyMoment = moment;
      ds->SetCachedUpdates(true);
      ds->SetLockingMode(mode);
      ds->Open();
      const auto append = [&](const std::string& name) {
        ds->Append();
        ds->FieldByName("NAME").SetAsString(name);
        ds->Post();
      };
      append("nwe");
      ds->Refresh();
      EXPECT_EQ(4, ds->RecordCount());
      ds->Last();
      ds->Edit();
      ds->FieldByName("NAME").SetAsString("new");
      ds->Post();
      append("gone");
      ds->Last();
      ds->Delete();
      ds->Refresh();
      EXPECT_EQ(4, ds->RecordCount());
      EXPECT_EQ(kNoError, ErrorOf([&] { oracle::ApplyUpdates(*ds); }));
      const std::vector<std::string> seen = SeenByOther();
      ASSERT_EQ(4u, seen.size());
      const std::string id = seen.at(3).substr(0, seen.at(3).find(' '));
      EXPECT_EQ(" new  ", seen.at(3).substr(id.size()));
      ds->Last();
      EXPECT_EQ(id, ds->FieldByName("ID").AsString());
      EXPECT_EQ("new", ds->FieldByName("NAME").AsString());
      // The sequence moves on only for what was taken from it.
      next = std::stoi(id) + 1;
      (void)next;
      // Edited after the apply, the new row is updated in place.
      ds->Edit();
      ds->FieldByName("QTY").SetAsInteger(5);
      ds->Post();
      EXPECT_EQ(kNoError, ErrorOf([&] { oracle::ApplyUpdates(*ds); }));
      EXPECT_EQ(id + " new 5 ", SeenByOther().at(3));
      Run("delete from items where id > 3");
    }
  }
}

// A record numbered on the server is applied together with a change that
// fails; the apply is mended and retried. The record shows the number the
// server holds, and an edit of it afterwards updates that row.
TEST_F(CachedWorkdayTest, AServerNumberedRecordInAFailedApplyShowsTheNumberItFinallyGot) {
  Run("create sequence item_ids start with 700");
  for (const TLockingMode mode : kModes) {
    SCOPED_TRACE(ModeName(mode));
    Reset();
    auto ds = NewDataSet("select t.rowid, t.* from items t order by id");
    Editing(*ds).SequenceField.Field = "ID";
    Editing(*ds).SequenceField.Sequence = "item_ids";
    Editing(*ds).SequenceField.ApplyMoment = oracle::TSequenceApplyMoment::amOnServer;
    ds->SetCachedUpdates(true);
    ds->SetLockingMode(mode);
    ds->Open();
    ds->Append();
    ds->FieldByName("NAME").SetAsString("numbered");
    ds->Post();
    Set(*ds, 1, "QTY", "11");
    Go(*ds, 2);
    ds->Edit();
    ds->FieldByName("ID").SetAsInteger(3);  // a key that is taken
    ds->Post();
    EXPECT_NE(kNoError, ErrorOf([&] { oracle::ApplyUpdates(*ds); }));
    EXPECT_EQ(3u, SeenByOther().size());
    Go(*ds, 3);
    ds->Edit();
    ds->FieldByName("ID").SetAsInteger(2);
    ds->Post();
    EXPECT_EQ(kNoError, ErrorOf([&] { oracle::ApplyUpdates(*ds); }));
    const std::vector<std::string> seen = SeenByOther();
    ASSERT_EQ(4u, seen.size());
    const std::string id = seen.at(3).substr(0, seen.at(3).find(' '));
    EXPECT_EQ(" numbered  ", seen.at(3).substr(id.size()));
    ds->Last();
    EXPECT_EQ(id, ds->FieldByName("ID").AsString());
    ds->Edit();
    ds->FieldByName("QTY").SetAsInteger(7);
    ds->Post();
    EXPECT_EQ(kNoError, ErrorOf([&] { oracle::ApplyUpdates(*ds); }));
    EXPECT_EQ(id + " numbered 7 ", SeenByOther().at(3));
    ds->Refresh();
    EXPECT_EQ(SeenByOther(), Shown(*ds));
    Run("delete from items where id > 3");
  }
}

// ---- details under a filtered master

class CachedDetailDayTest : public CachedWorkdayTest {
 protected:
  void SetUp() override {
    CachedWorkdayTest::SetUp();
    for (const char* sql : {
             "create table dept (deptno number(4) primary key, dname varchar2(20))",
             "create table emp (empno number(6) primary key, ename varchar2(10), "
             "deptno number(4))",
             "insert into dept values (10, 'SALES')",
             "insert into dept values (20, 'RESEARCH')",
             "insert into dept values (30, 'OPERATIONS')",
             "insert into emp values (1, 'KING', 10)",
             "insert into emp values (3, 'SCOTT', 20)",
             "insert into emp values (6, 'MILLER', 30)",
         })
      Run(sql);
  }

  std::vector<std::string> Emps() {
    oracle::TOracleQuery query;
    query.SetSession(other_.get());
    query.SetSQL("select empno, ename, deptno from emp order by empno");
    std::vector<std::string> rows;
    for (query.Execute(); !query.Eof(); query.Next())
      rows.push_back(query.Field(0).ToText() + " " + query.Field(1).ToText() + " " +
                     query.Field(2).ToText());
    return rows;
  }
  static std::vector<std::string> ShownEmp(TOracleDataSet& emp) {
    std::vector<std::string> rows;
    for (emp.First(); !emp.Eof(); emp.Next())
      rows.push_back(emp.FieldByName("EMPNO").AsString() + " " +
                     emp.FieldByName("ENAME").AsString() + " " +
                     emp.FieldByName("DEPTNO").AsString());
    return rows;
  }
  static void GoDept(TOracleDataSet& dept, int deptno) {
    for (dept.First(); !dept.Eof() && dept.FieldByName("DEPTNO").AsInteger() != deptno;)
      dept.Next();
  }
};

// Employees inserted under departments 10, 20 and 30, one edited under 20;
// the master is filtered, unfiltered, filtered the other way and closed and
// opened again between the changes. Each department shows its own, and the
// apply stores each under its own department.
TEST_F(CachedDetailDayTest, DetailChangesUnderAFilteredMasterStayWithTheirDepartment) {
  for (const TLockingMode mode : kModes) {
    SCOPED_TRACE(ModeName(mode));
    auto dept = NewDataSet("select rowid, deptno, dname from dept order by deptno");
    dept->Open();
    auto emp = NewDataSet(
        "select rowid, empno, ename, deptno from emp where deptno = :DEPTNO order by empno");
    emp->SetCachedUpdates(true);
    emp->SetLockingMode(mode);
    emp->SetCountAllRecords(true);
    emp->DeclareVariable("DEPTNO", oracle::otype::Integer);
    emp->SetMaster(dept.get());
    emp->SetMasterFields("DEPTNO");
    emp->Open();
    const auto insert = [&](int empno, const char* name) {
      emp->Append();
      emp->FieldByName("EMPNO").SetAsInteger(empno);
      emp->FieldByName("ENAME").SetAsString(name);
      emp->Post();
    };
    GoDept(*dept, 10);
    insert(11, "NEW11");
    dept->SetFilter("[DEPTNO] >= 20");
    dept->SetFiltered(true);
    GoDept(*dept, 20);
    insert(21, "NEW21");
    emp->First();
    emp->Edit();
    emp->FieldByName("ENAME").SetAsString("SCOTTY");
    emp->Post();
    dept->SetFilter("[DEPTNO] <> 20");
    GoDept(*dept, 30);
    insert(31, "NEW31");
    dept->SetFiltered(false);
    dept->Close();
    dept->Open();
    const struct {
      int deptno;
      std::vector<std::string> rows;
    } views[] = {{10, {"1 KING 10", "11 NEW11 10"}},
                 {20, {"3 SCOTTY 20", "21 NEW21 20"}},
                 {30, {"6 MILLER 30", "31 NEW31 30"}}};
    for (const auto& view : views) {
      GoDept(*dept, view.deptno);
      EXPECT_EQ(view.rows, ShownEmp(*emp)) << view.deptno;
      EXPECT_EQ(2, emp->RecordCount()) << view.deptno;
    }
    dept->SetFilter("[DEPTNO] = 30");
    dept->SetFiltered(true);
    EXPECT_EQ(kNoError, ErrorOf([&] { oracle::ApplyUpdates(*emp); }));
    EXPECT_EQ((std::vector<std::string>{"1 KING 10", "3 SCOTTY 20", "6 MILLER 30", "11 NEW11 10",
                                        "21 NEW21 20", "31 NEW31 30"}),
              Emps());
    dept->SetFiltered(false);
    GoDept(*dept, 20);
    EXPECT_EQ((std::vector<std::string>{"3 SCOTTY 20", "21 NEW21 20"}), ShownEmp(*emp));
    emp.reset();
    dept.reset();
    Run("delete from emp where empno > 10");
    Run("update emp set ename = 'SCOTT' where empno = 3");
  }
}

// The other user moves an employee the user changed (or deleted) under
// department 10 to department 20. Under department 20 the dataset shows the
// employee with the user's change; CancelUpdates taken there shows what the
// server holds, and a new edit of the record starts from the stored values.
TEST_F(CachedDetailDayTest, AnEmployeeMovedElsewhereShowsItsStoredValuesAfterCancelUpdates) {
  for (const char kind : {'U', 'D'}) {
    for (const TLockingMode mode :
         {TLockingMode::lmNone, TLockingMode::lmCheckImmediate, TLockingMode::lmLockDelayed}) {
      SCOPED_TRACE(std::string(1, kind) + " " + ModeName(mode));
      Run("update emp set ename = 'KING', deptno = 10 where empno = 1");
      Run("update emp set ename = 'SCOTT' where empno = 3");
      auto dept = NewDataSet("select rowid, deptno, dname from dept order by deptno");
      dept->Open();
      auto emp = NewDataSet(
          "select rowid, empno, ename, deptno from emp where deptno = :DEPTNO order by empno");
      emp->SetCachedUpdates(true);
      emp->SetLockingMode(mode);
      emp->DeclareVariable("DEPTNO", oracle::otype::Integer);
      emp->SetMaster(dept.get());
      emp->SetMasterFields("DEPTNO");
      emp->Open();
      GoDept(*dept, 10);
      emp->First();
      if (kind == 'U') {
        emp->Edit();
        emp->FieldByName("ENAME").SetAsString("KONG");
        emp->Post();
      } else {
        emp->Delete();
      }
      EXPECT_EQ(kNoError, OtherRuns("update emp set deptno = 20 where empno = 1"));
      GoDept(*dept, 20);
      emp->CancelUpdates();
      EXPECT_EQ(0, emp->ChangeLog().Count());
      EXPECT_EQ((std::vector<std::string>{"1 KING 20", "3 SCOTT 20"}), ShownEmp(*emp));
      EXPECT_EQ("1 KING 20", Emps().at(0));
      // Edited again from what it shows, the record is stored as shown.
      emp->First();
      if (emp->FieldByName("EMPNO").AsInteger() != 1) continue;
      EXPECT_EQ(kNoError, ErrorOf([&] {
                  emp->Edit();
                  emp->FieldByName("ENAME").SetAsString("KINGS");
                  emp->Post();
                }));
      EXPECT_EQ(kNoError, ErrorOf([&] { oracle::ApplyUpdates(*emp); }));
      EXPECT_EQ("1 KINGS 20", Emps().at(0));
    }
  }
}

// Changes under three departments, the one under department 20 a new
// employee with a number that is taken: the apply fails and stores nothing;
// each department still shows its own changes; the number mended under
// department 20, the apply stores every change under its own department.
TEST_F(CachedDetailDayTest, AFailedApplyOfChangesUnderThreeDepartmentsIsMendedAndRetried) {
  for (const TLockingMode mode : kModes) {
    SCOPED_TRACE(ModeName(mode));
    auto dept = NewDataSet("select rowid, deptno, dname from dept order by deptno");
    dept->Open();
    auto emp = NewDataSet(
        "select rowid, empno, ename, deptno from emp where deptno = :DEPTNO order by empno");
    emp->SetCachedUpdates(true);
    emp->SetLockingMode(mode);
    emp->SetCountAllRecords(true);
    emp->DeclareVariable("DEPTNO", oracle::otype::Integer);
    emp->SetMaster(dept.get());
    emp->SetMasterFields("DEPTNO");
    emp->Open();
    const auto insert = [&](int empno, const char* name) {
      emp->Append();
      emp->FieldByName("EMPNO").SetAsInteger(empno);
      emp->FieldByName("ENAME").SetAsString(name);
      emp->Post();
    };
    const std::vector<std::string> before = Emps();
    GoDept(*dept, 10);
    insert(11, "NEW11");
    emp->First();
    emp->Edit();
    emp->FieldByName("ENAME").SetAsString("KONG");
    emp->Post();
    GoDept(*dept, 20);
    insert(6, "TAKEN");
    GoDept(*dept, 30);
    insert(31, "NEW31");
    emp->First();
    emp->Delete();
    EXPECT_NE(kNoError, ErrorOf([&] { oracle::ApplyUpdates(*emp); }));
    EXPECT_EQ(before, Emps());
    const struct {
      int deptno;
      std::vector<std::string> rows;
    } views[] = {{10, {"1 KONG 10", "11 NEW11 10"}},
                 {20, {"3 SCOTT 20", "6 TAKEN 20"}},
                 {30, {"31 NEW31 30"}}};
    for (const auto& view : views) {
      GoDept(*dept, view.deptno);
      EXPECT_EQ(view.rows, ShownEmp(*emp)) << view.deptno;
      EXPECT_EQ(static_cast<int>(view.rows.size()), emp->RecordCount()) << view.deptno;
    }
    GoDept(*dept, 20);
    emp->Last();
    emp->Edit();
    emp->FieldByName("EMPNO").SetAsInteger(21);
    emp->Post();
    GoDept(*dept, 10);
    EXPECT_EQ(kNoError, ErrorOf([&] { oracle::ApplyUpdates(*emp); }));
    EXPECT_EQ((std::vector<std::string>{"1 KONG 10", "3 SCOTT 20", "11 NEW11 10", "21 TAKEN 20",
                                        "31 NEW31 30"}),
              Emps());
    for (const auto deptno : {10, 20, 30}) {
      GoDept(*dept, deptno);
      std::vector<std::string> stored;
      for (const std::string& row : Emps())
        if (row.substr(row.rfind(' ') + 1) == std::to_string(deptno)) stored.push_back(row);
      EXPECT_EQ(stored, ShownEmp(*emp)) << deptno;
    }
    emp.reset();
    dept.reset();
    Run("delete from emp where empno > 6");
    Run("update emp set ename = 'KING' where empno = 1");
    Run("insert into emp values (6, 'MILLER', 30)");
  }
}

}  // namespace

#endif  // STANDIN_ORACLE_HOME
