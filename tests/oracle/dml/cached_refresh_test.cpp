// A Refresh of a dataset with cached updates against the stand-in client,
// with a second session playing the other user: the fields a user left
// alone show what the server holds, the user's changes and logged inserts
// stay where they were, and the apply afterwards meets the rows as shown.
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "oracle/dml/posting.h"
#include "oracle_fixture/dataset_fixture.h"
#include "oracle_fixture/exception_text.h"

#ifdef STANDIN_ORACLE_HOME

namespace {

using oracle::TLockingMode;
using oracle::TOracleDataSet;
using oracle_test_support::ErrorOf;

constexpr TLockingMode kModes[] = {TLockingMode::lmNone, TLockingMode::lmCheckImmediate,
                                   TLockingMode::lmLockDelayed, TLockingMode::lmLockImmediate};

class CachedRefreshTest : public oracle_dataset_test::StandinDataSetTest {
 protected:
  void SetUp() override {
    StandinDataSetTest::SetUp();
    Run("create table stock (id number(6) primary key, name varchar2(20), qty number(6), "
        "memo clob)");
    other_ = NewSession();
  }
  void TearDown() override {
    other_.reset();
    StandinDataSetTest::TearDown();
  }

  void Reset() {
    Run("delete from stock");
    for (const char* row : {"1, 'one', 10, 'm1'", "2, 'two', 20, 'm2'", "3, 'three', 30, 'm3'"})
      Run(std::string("insert into stock values (") + row + ")");
  }

  std::unique_ptr<TOracleDataSet> Stock(TLockingMode mode) {
    auto ds = NewDataSet("select s.rowid, s.* from stock s order by id");
    ds->SetCachedUpdates(true);
    ds->SetLockingMode(mode);
    ds->Open();
    return ds;
  }

  // "id name qty memo" of every row, as the other user reads them.
  std::vector<std::string> SeenByOther() {
    oracle::TOracleQuery query;
    query.SetSession(other_.get());
    query.SetSQL("select id, name, qty, memo from stock order by id");
    std::vector<std::string> rows;
    for (query.Execute(); !query.Eof(); query.Next())
      rows.push_back(query.Field(0).ToText() + " " + query.Field(1).ToText() + " " +
                     query.Field(2).ToText() + " " + query.Field(3).ToText());
    return rows;
  }
  void OtherRuns(const std::string& sql) {
    oracle::TOracleQuery query;
    query.SetSession(other_.get());
    query.SetSQL(sql);
    query.Execute();
    other_->Commit();
  }

  // The same "id name qty memo" texts for the records the dataset shows.
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

  std::unique_ptr<oracle::TOracleSession> other_;
};

// The user renames item 1 and deletes item 3; the other user changes item
// 1's quantity and memo and item 2's name. After a Refresh the dataset shows
// the other user's values beside the user's own, and the apply keeps both:
// the other user's change was shown, so no mode refuses it.
TEST_F(CachedRefreshTest, FieldsLeftAloneShowTheServersValuesAndTheUsersChangesStay) {
  for (const TLockingMode mode : kModes) {
    SCOPED_TRACE(static_cast<int>(mode));
    Reset();
    auto ds = Stock(mode);
    Go(*ds, 1);
    ds->Edit();
    ds->FieldByName("NAME").SetAsString("mine");
    ds->Post();
    Go(*ds, 3);
    ds->Delete();
    // The session's locks go (another dataset committing, say).
    session_->Commit();
    OtherRuns("update stock set qty = 99, memo = 'theirs' where id = 1");
    OtherRuns("update stock set name = 'zwei' where id = 2");
    const std::vector<std::string> expected = {"1 mine 99 theirs", "2 zwei 20 m2"};
    for (int again = 0; again < 2; ++again) {
      ds->Refresh();
      EXPECT_EQ(expected, Shown(*ds)) << again;
      EXPECT_EQ(2, ds->ChangeLog().Count());
    }
    oracle::ApplyUpdates(*ds);
    EXPECT_EQ(expected, SeenByOther());
    EXPECT_EQ(expected, Shown(*ds));
    ds->Refresh();
    EXPECT_EQ(expected, Shown(*ds));
  }
}

// A field both users changed shows the user's value after a Refresh, and a
// row the user deleted stays hidden; the check modes refuse the apply (the
// other user's value was never shown), lmNone writes or deletes as it does
// without a refresh. CancelUpdates then shows what the server holds.
TEST_F(CachedRefreshTest, AFieldBothUsersChangedKeepsTheUsersValueAndIsChecked) {
  for (const char kind : {'U', 'D'}) {
    for (const TLockingMode mode : kModes) {
      SCOPED_TRACE(std::string(1, kind) + " " + std::to_string(static_cast<int>(mode)));
      Reset();
      auto ds = Stock(mode);
      Go(*ds, 2);
      if (kind == 'U') {
        ds->Edit();
        ds->FieldByName("QTY").SetAsInteger(21);
        ds->Post();
      } else {
        ds->Delete();
      }
      session_->Commit();
      OtherRuns("update stock set qty = 25, name = 'zwei' where id = 2");
      ds->Refresh();
      const std::vector<std::string> shown = Shown(*ds);
      const std::vector<std::string> expected =
          kind == 'U' ? std::vector<std::string>{"1 one 10 m1", "2 zwei 21 m2", "3 three 30 m3"}
                      : std::vector<std::string>{"1 one 10 m1", "3 three 30 m3"};
      EXPECT_EQ(expected, shown);
      if (mode == TLockingMode::lmNone) {
        oracle::ApplyUpdates(*ds);
        EXPECT_EQ(shown, SeenByOther());
        continue;
      }
      EXPECT_EQ("Record has been changed by another user",
                ErrorOf([&] { oracle::ApplyUpdates(*ds); }));
      EXPECT_EQ("2 zwei 25 m2", SeenByOther().at(1));
      EXPECT_EQ(shown, Shown(*ds));
      ds->CancelUpdates();
      EXPECT_EQ(SeenByOther(), Shown(*ds));
    }
  }
}

// After a Refresh showed another user's quantity beside the user's own,
// the user edits again. The apply goes through only when it overwrites
// nothing the user never saw: the other user's value typed in (nothing left
// to write), the other user's value put back and refreshed, a field the
// refresh showed changed; the user's old value typed in, or a third value,
// would overwrite the other user's and is refused.
TEST_F(CachedRefreshTest, AValueOnlyTheRefreshFoundIsNeverOverwritten) {
  const struct {
    const char* what;
    const char* theirs;  // the other user's change after the user's
    bool putBack;        // the quantity put back and refreshed
    const char* field;   // the user's second edit ("" for none)
    const char* typed;
    bool refused;
    const char* stored;
  } cases[] = {
      {"their value typed in", "qty = 25", false, "QTY", "25", false, "2 two 25 m2"},
      {"the old value typed in", "qty = 25", false, "QTY", "20", true, "2 two 25 m2"},
      {"a third value typed in", "qty = 25", false, "QTY", "22", true, "2 two 25 m2"},
      {"their value put back", "qty = 25", true, "", "", false, "2 two 21 m2"},
      {"put back, the old value typed in", "qty = 25", true, "QTY", "20", false, "2 two 20 m2"},
      {"their name shown, then renamed", "name = 'zwei'", false, "NAME", "deux", false,
       "2 deux 21 m2"},
  };
  for (const TLockingMode mode : {TLockingMode::lmCheckImmediate, TLockingMode::lmLockDelayed}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.what) + " " + std::to_string(static_cast<int>(mode)));
      Reset();
      auto ds = Stock(mode);
      const auto set = [&](const std::string& field, const std::string& value) {
        Go(*ds, 2);
        ds->Edit();
        ds->FieldByName(field).SetAsString(value);
        ds->Post();
      };
      set("QTY", "21");
      OtherRuns(std::string("update stock set ") + c.theirs + " where id = 2");
      ds->Refresh();
      if (c.putBack) {
        OtherRuns("update stock set qty = 20 where id = 2");
        ds->Refresh();
      }
      if (*c.field != '\0') set(c.field, c.typed);
      const std::string error = ErrorOf([&] { oracle::ApplyUpdates(*ds); });
      EXPECT_EQ(c.refused ? "Record has been changed by another user" : "<no error>", error);
      EXPECT_EQ(c.stored, SeenByOther().at(1));
    }
  }
}

// Deletes and edits taken back by CancelUpdates, with or without a Refresh
// between them and rows the other user added or removed: every record
// returns to its place in the query's order, with what the server holds.
TEST_F(CachedRefreshTest, ChangesTakenBackLeaveTheRowsInTheQuerysOrder) {
  // Steps: u<id> renames, d<id> deletes, a<id> appends, r refreshes;
  // +<id> and -<id> are the other user's insert and delete.
  const char* scripts[] = {"u1 d2 d1",   "d3 d2 r", "d3 d1 r",    "d1 d3 r d2",   "d2 r d3 r",
                           "a7 d2 r d1", "u2 r d2", "d2 +0 r d1", "d3 -2 r +5 r", "u1 d2 r u3 d1"};
  for (const TLockingMode mode : kModes) {
    for (const char* script : scripts) {
      SCOPED_TRACE(std::string(script) + " " + std::to_string(static_cast<int>(mode)));
      Reset();
      auto ds = Stock(mode);
      ds->SetCountAllRecords(true);
      std::istringstream steps(script);
      for (std::string step; steps >> step;) {
        const std::string id = step.substr(1);
        if (step == "r") {
          ds->Refresh();
        } else if (step[0] == '+') {
          OtherRuns("insert into stock (id, name) values (" + id + ", 'theirs')");
        } else if (step[0] == '-') {
          OtherRuns("delete from stock where id = " + id);
        } else if (step[0] == 'a') {
          ds->Append();
          ds->FieldByName("ID").SetAsString(id);
          ds->Post();
        } else {
          Go(*ds, std::stoi(id));
          if (step[0] == 'd') {
            ds->Delete();
          } else {
            ds->Edit();
            ds->FieldByName("NAME").SetAsString("mine");
            ds->Post();
          }
        }
      }
      ds->CancelUpdates();
      EXPECT_EQ(SeenByOther(), Shown(*ds));
      EXPECT_EQ(static_cast<int>(SeenByOther().size()), ds->RecordCount());
    }
  }
}

// Inserts logged at the same record, at the first and the last record and
// next to a deleted one keep their places through a Refresh, and the apply
// stores each of them.
TEST_F(CachedRefreshTest, LoggedInsertsKeepTheirPlacesThroughARefresh) {
  // Steps: i<n> inserts a record before record n (appends past the end),
  // named a, b, c ... in turn; d<n> deletes record n; r refreshes.
  const struct {
    const char* script;
    std::vector<std::string> names;
  } cases[] = {
      {"i2 i2", {"one", "b", "a", "two", "three"}},
      {"i1 i1", {"b", "a", "one", "two", "three"}},
      {"i4 i5", {"one", "two", "three", "a", "b"}},
      {"i3 i5", {"one", "two", "a", "three", "b"}},
      {"d2 i2", {"one", "a", "three"}},
      {"i2 d3", {"one", "a", "three"}},
      {"d1 i1 i1", {"b", "a", "two", "three"}},
      {"d3 i3", {"one", "two", "a"}},
      {"i1 r i1 i6 d3", {"b", "a", "two", "three", "c"}},
      {"i4 r d3 i3 r i5", {"one", "two", "b", "a", "c"}},
  };
  for (const TLockingMode mode : {TLockingMode::lmNone, TLockingMode::lmLockImmediate}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.script) + " " + std::to_string(static_cast<int>(mode)));
      Reset();
      auto ds = Stock(mode);
      int id = 100;
      std::istringstream steps(c.script);
      for (std::string step; steps >> step;) {
        if (step == "r") {
          ds->Refresh();
          continue;
        }
        const int recNo = std::stoi(step.substr(1));
        if (step[0] == 'd') {
          ds->SetRecNo(recNo);
          ds->Delete();
          continue;
        }
        if (recNo > ds->RecordCount()) {
          ds->Append();
        } else {
          ds->SetRecNo(recNo);
          ds->Insert();
        }
        ds->FieldByName("ID").SetAsInteger(++id);
        ds->FieldByName("NAME").SetAsString(std::string(1, static_cast<char>('a' + id - 101)));
        ds->Post();
      }
      const auto names = [&] {
        std::vector<std::string> shown;
        for (ds->First(); !ds->Eof(); ds->Next())
          shown.push_back(ds->FieldByName("NAME").AsString());
        return shown;
      };
      EXPECT_EQ(c.names, names());
      EXPECT_EQ(static_cast<int>(c.names.size()), ds->RecordCount());
      ds->Refresh();
      EXPECT_EQ(c.names, names());
      EXPECT_EQ(static_cast<int>(c.names.size()), ds->RecordCount());
      oracle::ApplyUpdates(*ds);
      EXPECT_EQ(c.names.size(), SeenByOther().size());
    }
  }
}

}  // namespace

#endif  // STANDIN_ORACLE_HOME
