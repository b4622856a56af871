// Posting, locking and checking records of a dataset against the stand-in
// client, with a second session looking on.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "oracle/blob/blob_compression.h"
#include "oracle/dml/editing.h"
#include "oracle/dml/posting.h"
#include "oracle/dml/sequence_field.h"
#include "oracle/values/type_codes.h"
#include "oracle_fixture/dataset_fixture.h"
#include "oracle_fixture/exception_text.h"

namespace {

using oracle::Editing;
using oracle::TLockingMode;
using oracle_test_support::ErrorOf;

class PostingTest : public oracle_dataset_test::StandinDataSetTest {
 protected:
  void SetUp() override {
    StandinDataSetTest::SetUp();
    Run("create table items (id number(6) primary key, code varchar2(10), name varchar2(20))");
    Run("insert into items values (1, 'a', 'one')");
    Run("insert into items values (2, 'b', 'two')");
    other_ = NewSession();
    ClearJournal();
  }
  void TearDown() override {
    other_.reset();
    StandinDataSetTest::TearDown();
  }

  std::unique_ptr<oracle::TOracleDataSet> Items(oracle::TOracleSession& session,
                                                TLockingMode mode) {
    auto ds = std::make_unique<oracle::TOracleDataSet>();
    ds->SetSession(&session);
    ds->SetSQL("select t.rowid, t.* from items t order by id");
    ds->SetLockingMode(mode);
    ds->Open();
    ClearJournal();
    return ds;
  }

  // The NAME of item `id` (or what `column` names) as `session` sees it ("-"
  // when there is no row).
  static std::string NameSeenBy(oracle::TOracleSession& session, int id,
                                const std::string& column = "name from items") {
    oracle::TOracleQuery query;
    query.SetSession(&session);
    query.SetSQL("select " + column + " where id = " + std::to_string(id));
    query.Execute();
    return query.Eof() ? std::string("-") : query.FieldAsString(0);
  }

  // The statements sent since the journal was cleared, less selects of the
  // test's own.
  static std::vector<std::string> Sent() {
    std::vector<std::string> texts;
    for (const std::string& text : JournalSql())
      if (text.rfind("select name from", 0) != 0 && text.rfind("select body from", 0) != 0)
        texts.push_back(text);
    ClearJournal();
    return texts;
  }

  // Sets `column` of row 1 of `table` and commits, as `session` does it:
  // LONG RAW binds carry bytes, the others text.
  static void Store(oracle::TOracleSession& session, const std::string& table,
                    const std::string& column, int16_t type, const std::string& value) {
    oracle::TOracleQuery query;
    query.SetSession(&session);
    query.SetSQL("update " + table + " set " + column + " = :v where id = 1");
    query.DeclareAndSet(
        "v", type,
        type == oracle::otype::LongRaw
            ? oracle::Variant::ByteArray(std::vector<uint8_t>(value.begin(), value.end()))
            : oracle::Variant::String(value));
    query.Execute();
    session.Commit();
  }

  static void Go(oracle::TOracleDataSet& ds, int id) {
    for (ds.First(); !ds.Eof() && ds.FieldByName("ID").AsInteger() != id;) ds.Next();
  }

  std::unique_ptr<oracle::TOracleSession> other_;
};

TEST_F(PostingTest, EachModeSendsItsStatementsAndTheOtherSessionSeesCommittedWork) {
  const std::string check = "select * from ITEMS where rowid = :kel__rowid\n";
  const std::string lock = "select * from ITEMS where rowid = :kel__rowid\nfor update nowait\n";
  const std::string savepoint = "savepoint KEL__LOCKPOINT";
  const std::string update =
      "update ITEMS\nset NAME = :v3\nwhere rowid = :kel__rowid\n"
      "returning rowid into :kel__rowid\n";
  struct Case {
    TLockingMode mode;
    std::vector<std::string> edit, post;
  };
  const Case cases[] = {
      {TLockingMode::lmLockImmediate, {savepoint, lock}, {"savepoint KEL__POSTPOINT", update}},
      {TLockingMode::lmCheckImmediate, {check}, {savepoint, lock, update}},
      {TLockingMode::lmLockDelayed, {}, {savepoint, lock, update}},
      {TLockingMode::lmNone, {}, {savepoint, update}},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    auto ds = Items(*session_, c.mode);
    ClearJournal();
    ds->Edit();
    EXPECT_EQ(c.edit, Sent());
    ds->FieldByName("NAME").SetAsString("n" + std::to_string(++n));
    ds->Post();
    EXPECT_EQ(c.post, Sent());
    EXPECT_EQ("n" + std::to_string(n), NameSeenBy(*other_, 1));
  }
  auto ds = Items(*session_, TLockingMode::lmNone);
  ds->Append();
  ds->FieldByName("ID").SetAsInteger(3);
  ds->FieldByName("NAME").SetAsString("three");
  ds->Post();
  EXPECT_EQ((std::vector<std::string>{savepoint,
                                      "insert into ITEMS\n  (ID, NAME)\nvalues\n  (:v1, "
                                      ":v3)\nreturning rowid into :kel__rowid\n"}),
            Sent());
  EXPECT_EQ("three", NameSeenBy(*other_, 3));
  EXPECT_EQ(18u, ds->RecordRowId().size());
  ds->Delete();
  EXPECT_EQ((std::vector<std::string>{"delete from ITEMS\n\nwhere rowid = :kel__rowid\n"}), Sent());
  EXPECT_EQ("-", NameSeenBy(*other_, 3));
  // InsertRecord posts its record as Post does.
  ds->InsertRecord({::Variant(int32_t{4}), ::Variant("d")});
  EXPECT_EQ(
      "insert into ITEMS\n  (ID, CODE)\nvalues\n  (:v1, :v2)\nreturning rowid into :kel__rowid\n",
      Sent().at(1));
  EXPECT_EQ("d", NameSeenBy(*other_, 4, "code from items"));
  ClearJournal();
  // An insert of nothing is no record; an edit changing nothing sends nothing.
  const int count = ds->RecordCount();
  ds->Append();
  ds->Post();
  ds->First();
  ds->Edit();
  ds->Post();
  EXPECT_EQ(count, ds->RecordCount());
  EXPECT_TRUE(Sent().empty());

  // A DELETE returns the values of the row it removed.
  oracle::TOracleQuery query;
  query.SetSession(session_.get());
  query.SetSQL("delete from items where id = :id returning name, rowid into :name, :rid");
  query.DeclareAndSet("id", 3, oracle::Variant::Int64(2));
  query.DeclareVariable("name", 5);
  query.DeclareVariable("rid", 5);
  query.Execute();
  EXPECT_EQ(1, query.RowsProcessed());
  EXPECT_EQ("two", query.GetVariable("name").ToText());
  EXPECT_EQ(18u, query.GetVariable("rid").ToText().size());
  EXPECT_EQ("-", NameSeenBy(*session_, 2));
}

TEST_F(PostingTest, LocksChecksAndDeletionsMeetTheOtherSession) {
  auto mine = Items(*session_, TLockingMode::lmLockImmediate);
  auto theirs = Items(*other_, TLockingMode::lmLockImmediate);
  Go(*mine, 2);
  mine->Edit();
  Go(*theirs, 2);
  EXPECT_EQ("Record is locked by another user", ErrorOf([&] { theirs->Edit(); }));
  Go(*theirs, 1);
  theirs->Edit();
  theirs->Cancel();
  mine->Cancel();  // gives the row up
  Go(*theirs, 2);
  theirs->Edit();
  theirs->FieldByName("NAME").SetAsString("theirs");
  theirs->Post();

  mine->SetLockingMode(TLockingMode::lmCheckImmediate);
  Go(*mine, 2);
  EXPECT_EQ("Record has been changed by another user", ErrorOf([&] { mine->Edit(); }));
  mine->Refresh();
  Go(*mine, 2);
  EXPECT_EQ("theirs", mine->FieldByName("NAME").AsString());

  Run("delete from items where id = 1");
  mine->SetLockingMode(TLockingMode::lmNone);
  Go(*mine, 1);
  mine->Edit();
  mine->FieldByName("NAME").SetAsString("gone");
  EXPECT_EQ("Record has been deleted by another user", ErrorOf([&] { mine->Post(); }));
  EXPECT_EQ(dataset::TDataSetState::dsEdit, mine->State());
  mine->Cancel();
  mine->SetLockingMode(TLockingMode::lmLockDelayed);
  EXPECT_EQ("Record has been deleted by another user", ErrorOf([&] { mine->Delete(); }));
}

// A refresh of the browsed record shows the server's values in the record
// (and tells the controls): another user's committed change is neither
// hidden nor written back over when this user then edits another field. In
// an edit, a refresh takes the server's values for the fields not yet
// changed and keeps the user's changes.
TEST_F(PostingTest, ARefreshedRecordIsShownAndAPostSendsOnlyWhatTheUserChanged) {
  // What NAME read each time the controls were told of a change.
  struct ShownNames : dataset::TDataLink {
    void RecordChanged(dataset::TField*) override {
      if (DataSet() != nullptr && !DataSet()->IsEmpty())
        seen.push_back(DataSet()->FieldByName("NAME").AsString());
    }
    std::vector<std::string> seen;
  };
  const std::string update =
      "update ITEMS\nset CODE = :v2\nwhere rowid = :kel__rowid\n"
      "returning rowid into :kel__rowid\n";
  const struct {
    TLockingMode mode;
    bool allFields;
  } cases[] = {{TLockingMode::lmLockImmediate, false}, {TLockingMode::lmCheckImmediate, false},
               {TLockingMode::lmLockDelayed, false},   {TLockingMode::lmNone, false},
               {TLockingMode::lmCheckImmediate, true}, {TLockingMode::lmNone, true}};
  int round = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(static_cast<int>(c.mode)) + (c.allFields ? " all fields" : ""));
    const std::string n = std::to_string(++round);
    auto ds = Items(*session_, c.mode);
    dataset::TDataSource source(ds.get());
    ShownNames shown;
    shown.SetDataSource(&source);
    Go(*ds, 1);
    std::string refreshedName;
    Editing(*ds).AfterRefreshRecord = [&](oracle::TOracleDataSet& d) {
      refreshedName = d.FieldByName("NAME").AsString();
    };
    Store(*other_, "items", "name", 5, "theirs" + n);
    for (int again = 0; again < 2; ++again) {  // a second refresh changes nothing
      shown.seen.clear();
      oracle::LockRefreshCheck(*ds, false, false, true, c.allFields);
      EXPECT_EQ("theirs" + n, ds->FieldByName("NAME").AsString());
      EXPECT_EQ("theirs" + n, refreshedName) << "the handler sees the record shown";
      EXPECT_EQ(again == 0 ? std::vector<std::string>{"theirs" + n} : std::vector<std::string>{},
                shown.seen);
    }
    ClearJournal();
    ds->Edit();
    EXPECT_EQ("theirs" + n, ds->FieldByName("NAME").AsString());
    ds->FieldByName("CODE").SetAsString("c" + n);
    ds->Post();
    EXPECT_EQ(update, Sent().back());
    EXPECT_EQ("theirs" + n, NameSeenBy(*other_, 1));
    EXPECT_EQ("c" + n, NameSeenBy(*other_, 1, "code from items"));
    // A null after a value is shown as null and stays null.
    Run("update items set name = null where id = 1");
    oracle::LockRefreshCheck(*ds, false, false, true, c.allFields);
    EXPECT_TRUE(ds->FieldByName("NAME").IsNull());
    ds->Edit();
    ds->FieldByName("CODE").SetAsString("e" + n);
    ds->Post();
    EXPECT_EQ("", NameSeenBy(*other_, 1));
    Store(*other_, "items", "name", 5, "back" + n);
    oracle::LockRefreshCheck(*ds, false, false, true, c.allFields);

    if (c.mode == TLockingMode::lmLockImmediate) continue;  // the edit's lock keeps others out
    // Refreshed in the middle of an edit: the user's CODE stays, NAME is the
    // server's, and only CODE is sent.
    ds->Edit();
    ds->FieldByName("CODE").SetAsString("d" + n);
    Store(*other_, "items", "name", 5, "later" + n);
    oracle::LockRefreshCheck(*ds, false, false, true, c.allFields);
    EXPECT_EQ(dataset::TDataSetState::dsEdit, ds->State());
    EXPECT_EQ("later" + n, ds->FieldByName("NAME").AsString());
    EXPECT_EQ("d" + n, ds->FieldByName("CODE").AsString());
    ClearJournal();
    ds->Post();
    EXPECT_EQ(update, Sent().back());
    EXPECT_EQ("later" + n, NameSeenBy(*other_, 1));
    EXPECT_EQ("d" + n, NameSeenBy(*other_, 1, "code from items"));
    shown.SetDataSource(nullptr);
  }
}

// In lmLockImmediate a post that fails keeps the edit and the row lock its
// edit took, so the user can mend the value; Cancel then gives the row up,
// and what the transaction posted before stays for its commit.
TEST_F(PostingTest, CancelAfterAFailedPostGivesTheRowUpAndKeepsEarlierPosts) {
  Run("create table stock (id number(6) primary key, name varchar2(20), "
      "qty number(6) constraint ck_qty check (qty >= 0))");
  for (const char* row : {"1, 'tent', 5", "2, 'mat', 3", "3, 'lamp', 7"})
    Run(std::string("insert into stock values (") + row + ")");
  auto open = [&](oracle::TOracleSession& session) {
    auto ds = std::make_unique<oracle::TOracleDataSet>();
    ds->SetSession(&session);
    ds->SetSQL("select s.rowid, s.* from stock s order by id");
    ds->SetLockingMode(TLockingMode::lmLockImmediate);
    ds->Open();
    return ds;
  };
  auto qty = [&](int id) { return NameSeenBy(*other_, id, "qty from stock"); };
  auto failPost = [&](oracle::TOracleDataSet& ds, int id, int value) {
    Go(ds, id);
    ds.Edit();
    ds.FieldByName("QTY").SetAsInteger(value);
    EXPECT_NE(std::string::npos, ErrorOf([&] { ds.Post(); }).find("check constraint"));
    EXPECT_EQ(dataset::TDataSetState::dsEdit, ds.State());
  };
  const std::string locked = "Record is locked by another user";
  auto mine = open(*session_);
  Editing(*mine).CommitOnPost = false;
  auto theirs = open(*other_);
  Go(*mine, 1);
  mine->Edit();
  mine->FieldByName("QTY").SetAsInteger(4);
  mine->Post();  // earlier work of the same transaction, not committed

  // Twice: a failed post keeps the lock; Cancel gives it up.
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ClearJournal();
    failPost(*mine, 2, -5);
    EXPECT_EQ((std::vector<std::string>{"savepoint KEL__LOCKPOINT",
                                        "select * from STOCK where rowid = :kel__rowid\n"
                                        "for update nowait\n",
                                        "savepoint KEL__POSTPOINT",
                                        "update STOCK\nset QTY = :v3\nwhere rowid = :kel__rowid\n"
                                        "returning rowid into :kel__rowid\n",
                                        "rollback to savepoint KEL__POSTPOINT"}),
              Sent());
    Go(*theirs, 2);
    EXPECT_EQ(locked, ErrorOf([&] { theirs->Edit(); })) << "the edit keeps its lock";
    ClearJournal();
    mine->Cancel();
    EXPECT_EQ((std::vector<std::string>{"rollback to savepoint KEL__LOCKPOINT"}), Sent());
    EXPECT_EQ(3, mine->FieldByName("QTY").AsInteger());
    theirs->Edit();  // the row is free
    theirs->Cancel();
  }
  // A failed post mended and posted under the same lock.
  failPost(*mine, 3, -1);
  mine->FieldByName("QTY").SetAsInteger(2);
  mine->Post();

  Go(*theirs, 1);
  EXPECT_EQ(locked, ErrorOf([&] { theirs->Edit(); })) << "the earlier post still holds its row";
  EXPECT_EQ("5", qty(1));
  session_->Commit();
  EXPECT_EQ("4", qty(1));
  EXPECT_EQ("3", qty(2));
  EXPECT_EQ("2", qty(3));
  Go(*theirs, 2);
  theirs->Edit();
  theirs->FieldByName("NAME").SetAsString("pad");
  theirs->Post();
  EXPECT_EQ("pad", NameSeenBy(*session_, 2, "name from stock"));
}

TEST_F(PostingTest, CursorDataSetFetchesFromItsCursorAndPostsThroughUpdatingTable) {
  oracle::TOracleQuery given;  // a cursor query of the application's
  auto ds = NewDataSet("begin open :c for select t.rowid, t.* from items t order by id; end;");
  ds->DeclareVariable("c", oracle::otype::Cursor);
  ds->Open();
  EXPECT_EQ(std::vector<std::string>({"one", "two"}), Walk(*ds, "NAME"));
  EXPECT_EQ("Cannot count query hits for cursor dataset", ErrorOf([&] { ds->CountQueryHits(); }));
  Go(*ds, 1);
  EXPECT_EQ("UpdatingTable property required for cursor dataset", ErrorOf([&] { ds->Edit(); }));
  EXPECT_EQ(dataset::TDataSetState::dsBrowse, ds->State());

  Editing(*ds).UpdatingTable = "ITEMS";
  ds->Edit();
  ds->FieldByName("NAME").SetAsString("uno");
  ds->Post();
  EXPECT_EQ("uno", NameSeenBy(*other_, 1));
  Run("insert into items values (3, 'c', 'three')");
  ds->SetExternalCursor(&given);
  ds->Refresh();  // runs the block again for a fresh cursor
  EXPECT_EQ(std::vector<std::string>({"uno", "two", "three"}), Walk(*ds, "NAME"));
  EXPECT_EQ(&given, &ds->ActiveQuery());
}

TEST_F(PostingTest, KeyFieldsRefreshAndFailedInserts) {
  auto ds = Items(*session_, TLockingMode::lmNone);
  Editing(*ds).CommitOnPost = false;
  Editing(*ds).UniqueFields = "ID; CODE";
  Go(*ds, 2);
  ds->Edit();
  ds->FieldByName("CODE").Clear();
  ds->Post();
  Go(*ds, 2);
  ds->Edit();
  ds->FieldByName("NAME").SetAsString("x");
  ds->Post();
  const std::vector<std::string> sent = Sent();
  ASSERT_EQ(4u, sent.size());
  EXPECT_EQ("update ITEMS\nset NAME = :v3\nwhere ID = :kel__key1\nand CODE is null\n", sent[3]);
  ds->Append();
  ds->FieldByName("ID").SetAsInteger(5);
  ds->Post();
  EXPECT_EQ("select rowid from ITEMS where\nID = :kel__key1\nand CODE is null\n", Sent().back());
  EXPECT_EQ(18u, ds->RecordRowId().size());
  Editing(*ds).UniqueFields = "ID,NOPE";
  ds->Edit();
  ds->FieldByName("NAME").SetAsString("y");
  EXPECT_NE(std::string::npos, ErrorOf([&] { ds->Post(); }).find("NOPE"));
  Editing(*ds).UniqueFields = " , ";
  EXPECT_EQ("No UniqueFields are present in dataset", ErrorOf([&] { ds->Post(); }));
  ds->Cancel();
  Editing(*ds).UniqueFields.clear();

  // A duplicate key leaves the insert open and keeps the earlier work.
  ds->Append();
  ds->FieldByName("ID").SetAsInteger(2);
  EXPECT_NE(std::string::npos, ErrorOf([&] { ds->Post(); }).find("unique constraint"));
  EXPECT_EQ(dataset::TDataSetState::dsInsert, ds->State());
  ds->Cancel();
  EXPECT_EQ("x", NameSeenBy(*session_, 2));
  EXPECT_EQ("two", NameSeenBy(*other_, 2));
  session_->Rollback();
  ClearJournal();
  // The row a key names is not the new one when the server filled a key
  // column: the insert is given up.
  Run("create table coded (id number(6), code varchar2(10) default 'zz')");
  auto coded = NewDataSet("select c.rowid, c.* from coded c");
  coded->SetLockingMode(TLockingMode::lmNone);
  Editing(*coded).CommitOnPost = false;
  Editing(*coded).UniqueFields = "ID, CODE";
  coded->Open();
  coded->Append();
  coded->FieldByName("ID").SetAsInteger(1);
  EXPECT_EQ("Error determining ROWID: no record found", ErrorOf([&] { coded->Post(); }));
  EXPECT_EQ(dataset::TDataSetState::dsInsert, coded->State());
  coded->Cancel();
  // A locking refresh with the dataset's own query names a data field.
  auto bare = NewDataSet("select t.rowid from items t");
  bare->SetName("Bare");
  bare->Open();
  EXPECT_EQ("Bare: No data fields",
            ErrorOf([&] { oracle::LockRefreshCheck(*bare, true, false, false, true); }));
  session_->Rollback();
  ClearJournal();

  // A handler takes over: 'I' names the new row, 'L' drops the lock, not the check.
  std::string actions;
  Editing(*ds).OnApplyRecord = [&](oracle::TOracleDataSet&, char action, bool& applied,
                                   std::string& rowId) {
    actions += action;
    applied = action == 'I' || action == 'L';
    if (action == 'I') rowId = "AAAAAAAAAAAAAAAAAB";
  };
  ds->SetLockingMode(TLockingMode::lmLockDelayed);
  ds->Append();
  ds->FieldByName("ID").SetAsInteger(7);
  ds->Post();
  EXPECT_EQ("AAAAAAAAAAAAAAAAAB", ds->RecordRowId());
  Go(*ds, 1);
  ds->Edit();
  ds->FieldByName("NAME").SetAsString("z");
  ds->Post();
  EXPECT_EQ("ILCU", actions);
  EXPECT_EQ("select * from ITEMS where rowid = :kel__rowid\n", Sent().at(2));
  Editing(*ds).OnApplyRecord = nullptr;
  session_->Rollback();

  // The refresh with the dataset's own query, the updating table named in
  // lower case while the query gives it an alias.
  Editing(*ds).RefreshOptions = oracle::roAfterUpdate | oracle::roAllFields;
  Editing(*ds).UpdatingTable = "items";
  ds->Close();
  ds->SetSQL("select t.rowid, t.*, length(name) len from items t where id > :low order by id");
  ds->DeclareAndSet("low", 3, oracle::Variant::Int64(0));
  ds->Open();
  ds->Edit();
  ds->FieldByName("NAME").SetAsString("longer");
  ds->Post();
  EXPECT_EQ(6, ds->FieldByName("LEN").AsInteger());
  EXPECT_EQ(
      "select t.rowid, t.*, length(name) len from items t\nwhere (id > :low)\nand\n"
      "(T.rowid = :kel__rowid)\n",
      Sent().back());
}

TEST_F(PostingTest, LOBColumnsTravelThroughReturnedOrTemporaryLocators) {
  Run("create table docs (id number(6) primary key, body clob)");
  using enum oracle::TTemporaryLOB;
  struct Case {
    oracle::TTemporaryLOB preference;
    std::string insert, update;
  };
  const Case cases[] = {
      {tlNone,
       "insert into DOCS\n  (ID, BODY)\nvalues\n  (:v1, empty_clob())\n"
       "returning BODY, rowid into :v2, :kel__rowid\n",
       "update DOCS\nset BODY = empty_clob()\nwhere rowid = :kel__rowid\n"
       "returning BODY, rowid into :v2, :kel__rowid\n"},
      {tlCache,
       "insert into DOCS\n  (ID, BODY)\nvalues\n  (:v1, :v2)\nreturning rowid into :kel__rowid\n",
       "update DOCS\nset BODY = :v2\nwhere rowid = :kel__rowid\nreturning rowid into "
       ":kel__rowid\n"},
  };
  int id = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.preference));
    session_->Preferences().SetTemporaryLOB(c.preference);
    auto ds = NewDataSet("select t.rowid, t.* from docs t");
    ds->SetLockingMode(TLockingMode::lmNone);
    ds->Open();
    ds->Append();
    ds->FieldByName("ID").SetAsInteger(++id);
    ds->FieldByName("BODY").SetAsString("text " + std::to_string(id));
    ClearJournal();
    ds->Post();
    EXPECT_EQ((std::vector<std::string>{"savepoint KEL__LOCKPOINT", c.insert}), Sent());
    EXPECT_EQ("text " + std::to_string(id), NameSeenBy(*other_, id, "body from docs"));
    ds->Edit();
    ds->FieldByName("BODY").SetAsString("changed");
    ds->Post();
    EXPECT_EQ((std::vector<std::string>{"savepoint KEL__LOCKPOINT", c.update}), Sent());
    EXPECT_EQ("changed", NameSeenBy(*other_, id, "body from docs"));
  }
}

TEST_F(PostingTest, SequenceFieldFillsTheKeyAtItsMoment) {
  Run("create sequence item_ids start with 10");
  using enum oracle::TSequenceApplyMoment;
  const std::pair<oracle::TSequenceApplyMoment, bool> cases[] = {
      {amOnNewRecord, true}, {amOnPost, false}, {amOnServer, false}};
  int id = 10;
  for (const auto& [moment, atOnce] : cases) {
    SCOPED_TRACE(static_cast<int>(moment));
    auto ds = Items(*session_, TLockingMode::lmNone);
    Editing(*ds).SequenceField.Field = "ID";
    Editing(*ds).SequenceField.Sequence = "item_ids";
    Editing(*ds).SequenceField.ApplyMoment = moment;
    ds->Append();
    EXPECT_EQ(atOnce, !ds->FieldByName("ID").IsNull());
    ds->FieldByName("NAME").SetAsString("s" + std::to_string(id));
    ds->Post();
    EXPECT_EQ(id, ds->FieldByName("ID").AsInteger());
    EXPECT_EQ("s" + std::to_string(id), NameSeenBy(*other_, id));
    ++id;
  }
}

TEST_F(PostingTest, CachedUpdatesReachTheServerOnlyWhenAppliedAndAllOrNothing) {
  auto ds = Items(*session_, TLockingMode::lmNone);
  ds->SetCachedUpdates(true);
  auto log = [&](int id, const char* name) {
    if (id > 0)
      Go(*ds, id);
    else
      ds->Append();
    if (id < 0)
      ds->FieldByName("ID").SetAsInteger(-id);
    else
      ds->Edit();
    ds->FieldByName("NAME").SetAsString(name);
    ds->Post();
  };
  log(1, "uno");
  log(-3, "tres");
  Go(*ds, 2);
  ds->Delete();
  EXPECT_TRUE(Sent().empty());
  oracle::ApplyUpdates(*ds);
  EXPECT_EQ("uno", NameSeenBy(*other_, 1));
  EXPECT_EQ("-", NameSeenBy(*other_, 2));
  EXPECT_EQ("tres", NameSeenBy(*other_, 3));
  EXPECT_EQ(0, ds->ChangeLog().Count());

  log(1, "eins");
  log(-3, "dup");
  EXPECT_NE(std::string::npos, ErrorOf([&] { oracle::ApplyUpdates(*ds); }).find("unique"));
  EXPECT_EQ(2, ds->ChangeLog().Count());
  EXPECT_EQ("uno", NameSeenBy(*session_, 1));
  Go(*ds, 1);
  EXPECT_EQ("eins", ds->FieldByName("NAME").AsString());
}

// A logged delete is applied from the logged record: its key values, the
// lock and check of its mode, and the OnApplyRecord handler see that record.
TEST_F(PostingTest, AppliedDeletesReadTheLoggedRecord) {
  auto ds = Items(*session_, TLockingMode::lmLockDelayed);
  ds->SetCachedUpdates(true);
  Editing(*ds).UniqueFields = "ID";
  std::vector<int> handled;
  Editing(*ds).OnApplyRecord = [&](oracle::TOracleDataSet& set, char action, bool& applied,
                                   std::string&) {
    if (action != 'D') return;
    handled.push_back(set.FieldByName("ID").AsInteger());
    applied = handled.back() == 2;
  };
  for (int id : {1, 2}) {
    Go(*ds, id);
    ds->Delete();
  }
  Run("update items set name = 'uno' where id = 1");
  EXPECT_EQ("Record has been changed by another user", ErrorOf([&] { oracle::ApplyUpdates(*ds); }));
  EXPECT_TRUE(handled.empty());
  EXPECT_EQ(2, ds->ChangeLog().Count());

  Run("update items set name = 'one' where id = 1");
  ClearJournal();
  oracle::ApplyUpdates(*ds);
  EXPECT_EQ((std::vector<int>{1, 2}), handled);
  const std::vector<std::string> sent = Sent();
  EXPECT_EQ(1,
            std::count(sent.begin(), sent.end(), "delete from ITEMS\n\nwhere ID = :kel__key1\n"));
  EXPECT_EQ("-", NameSeenBy(*other_, 1));
  EXPECT_EQ("two", NameSeenBy(*other_, 2));
}

// LONG and LONG RAW columns are bound from the field's whole cached value,
// a zero byte included, on insert and update.
TEST_F(PostingTest, LongColumnsAreBoundFromTheCachedValue) {
  for (const std::string type : {"long", "long raw"}) {
    Run("create table docs (id number(5), body " + type + ")");
    auto ds = NewDataSet("select rowid, d.* from docs d");
    ds->SetLockingMode(TLockingMode::lmNone);
    ds->Open();
    const std::string first =
        type == "long" ? std::string("line 1\r\nline 2") : std::string("raw\0bytes\xff", 10);
    const std::string second(3000, 'x');
    ds->Append();
    ds->FieldByName("ID").SetAsInteger(1);
    ds->FieldByName("BODY").SetAsString(first);
    ds->Post();
    auto reader = NewDataSet("select body from docs");
    reader->Open();
    EXPECT_EQ(first, reader->FieldByName("BODY").AsString()) << type;
    ds->Edit();
    ds->FieldByName("BODY").SetAsString(second);
    ds->Post();
    reader->Refresh();
    EXPECT_EQ(second, reader->FieldByName("BODY").AsString()) << type;
    reader.reset();
    ds.reset();
    Run("drop table docs");
  }
}

// Object attributes are posted through the aliased table: a new object by
// its constructor, a kept one attribute by attribute; an XMLTYPE column is
// built from its text.
TEST_F(PostingTest, ObjectAttributesAndXMLTypeColumnsPostThroughTheAliasedTable) {
  Run("create type address_t as object (street varchar2(30), city varchar2(20))");
  Run("create type person_t as object (name varchar2(30), birth date, salary number(8,2), "
      "address address_t)");
  Run("create table staff (id number(5), person person_t, doc sys.xmltype)");
  auto ds = NewDataSet("select s.rowid, s.* from staff s order by id");
  ds->SetLockingMode(TLockingMode::lmNone);
  ds->Open();
  ClearJournal();
  // Items: 1 ID, 2 PERSON, 3..6 its attributes, 7 DOC.
  const std::string tail = "where rowid = :kel__rowid\nreturning rowid into :kel__rowid\n";
  const std::string inserted = "\nreturning rowid into :kel__rowid\n";
  struct Step {
    int id;
    std::function<void(oracle::TOracleDataSet&)> change;
    std::string statement, seen;  // seen: NAME|BIRTH|SALARY|DOC of the row
  };
  const Step steps[] = {
      {1,
       [](auto& d) {
         d.FieldByName("PERSON.NAME").SetAsString("Ann");
         d.FieldByName("PERSON.BIRTH").SetAsDateTime(29254);
         d.FieldByName("PERSON.SALARY").SetAsFloat(10);
         d.FieldByName("DOC").SetAsString("<a>1</a>");
       },
       "insert into STAFF t\n  (t.ID, t.PERSON, t.DOC)\nvalues\n"
       "  (:v1, PERSON_T(:v3, :v4, :v5, null), sys.xmltype.createxml(:v7))" +
           inserted,
       "Ann|29254|10|<a>1</a>"},
      {2, [](auto&) {}, "insert into STAFF t\n  (t.ID)\nvalues\n  (:v1)" + inserted, "|||"},
      {1,
       [](auto& d) {
         d.FieldByName("PERSON.NAME").SetAsString("Bea");
         d.FieldByName("PERSON.SALARY").SetAsFloat(12.5);
       },
       "update STAFF t\nset t.PERSON.NAME = :v3, t.PERSON.SALARY = :v5\n" + tail,
       "Bea|29254|12.5|<a>1</a>"},
      {1, [](auto& d) { d.FieldByName("DOC").SetAsString("<b/>"); },
       "update STAFF t\nset t.DOC = sys.xmltype.createxml(:v7)\n" + tail, "Bea|29254|12.5|<b/>"},
      {2, [](auto& d) { d.FieldByName("PERSON.NAME").SetAsString("Cy"); },
       "update STAFF t\nset t.PERSON = PERSON_T(:v3, :v4, :v5, null)\n" + tail, "Cy|||"},
      {1,
       [](auto& d) {
         for (const char* name : {"PERSON.NAME", "PERSON.BIRTH", "PERSON.SALARY"})
           d.FieldByName(name).Clear();
       },
       "update STAFF t\nset t.PERSON = null\n" + tail, "|||<b/>"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.statement);
    Go(*ds, step.id);
    if (ds->Eof()) {
      ds->Append();
      ds->FieldByName("ID").SetAsInteger(step.id);
    } else {
      ds->Edit();
    }
    step.change(*ds);
    ds->Post();
    EXPECT_EQ((std::vector<std::string>{"savepoint KEL__LOCKPOINT", step.statement}), Sent());
    oracle::TOracleDataSet reader;
    reader.SetSession(other_.get());
    reader.SetSQL("select person, doc from staff where id = " + std::to_string(step.id));
    reader.Open();
    const dataset::TField& birth = reader.FieldByName("PERSON.BIRTH");
    EXPECT_EQ(reader.FieldByName("PERSON.NAME").AsString() + "|" +
                  (birth.IsNull() ? "" : std::to_string(static_cast<int>(birth.AsDateTime()))) +
                  "|" + reader.FieldByName("PERSON.SALARY").AsString() + "|" +
                  reader.FieldByName("DOC").AsString(),
              step.seen);
    ClearJournal();
  }
}

// The locking refresh of a join locks the rows of the table its OF column
// belongs to, as the server does.
TEST_F(PostingTest, ALockingSelectOfAJoinLocksTheUpdatingTablesRow) {
  Run("create table kinds (code varchar2(10), label varchar2(20))");
  Run("insert into kinds values ('a', 'first')");
  auto join = [&](oracle::TOracleSession& session) {
    auto ds = std::make_unique<oracle::TOracleDataSet>();
    ds->SetSession(&session);
    ds->SetSQL("select t.rowid, t.id, t.name, k.label from items t, kinds k where k.code = t.code");
    ds->SetLockingMode(TLockingMode::lmLockImmediate);
    Editing(*ds).RefreshOptions = oracle::roAllFields;
    ds->Open();
    return ds;
  };
  auto mine = join(*session_), theirs = join(*other_);
  ClearJournal();
  mine->Edit();
  EXPECT_NE(std::string::npos, Sent().back().find("for update of T.ID nowait"));
  EXPECT_EQ("Record is locked by another user", ErrorOf([&] { theirs->Edit(); }));
  mine->Cancel();
  theirs->Edit();
  theirs->Cancel();
}

// Another session's change to a LOB, LONG or LONG RAW value is a lost update
// like any other: each mode that checks refuses it, and every refresh shows
// the server's value. A value equal to the server's, zero bytes included,
// passes.
TEST_F(PostingTest, LOBAndLongValuesAreCheckedAndRefreshed) {
  Run("create table docs (id number(6) primary key, name varchar2(10), body clob, pic blob)");
  Run("create table raws (id number(6), name varchar2(10), data long raw)");
  Run("create table longs (id number(6), name varchar2(10), data long)");
  using oracle::otype::Long;
  using oracle::otype::LongRaw;
  const struct {
    const char* table;
    const char* column;
    int16_t bind;
    bool binary;
  } kinds[] = {{"docs", "BODY", Long, false},
               {"docs", "PIC", LongRaw, true},
               {"raws", "DATA", LongRaw, true},
               {"longs", "DATA", Long, false}};
  const std::string changed = "Record has been changed by another user";
  for (const auto& kind : kinds) {
    SCOPED_TRACE(std::string(kind.table) + "." + kind.column);
    // Values of the kind: bytes with a zero byte in them where it can hold one.
    auto value = [&](const std::string& text) {
      return kind.binary ? text + std::string("\0\xff", 2) : text;
    };
    Run(std::string("delete from ") + kind.table);
    Run(std::string("insert into ") + kind.table + " (id, name) values (1, 'n')");
    Store(*other_, kind.table, kind.column, kind.bind, value("first"));
    auto open = [&](TLockingMode mode, oracle::TRefreshOptions options) {
      auto ds = NewDataSet(std::string("select t.rowid, t.* from ") + kind.table + " t");
      ds->SetLockingMode(mode);
      Editing(*ds).RefreshOptions = options;
      ds->Open();
      return ds;
    };
    int round = 0;
    for (const TLockingMode mode : {TLockingMode::lmCheckImmediate, TLockingMode::lmLockDelayed}) {
      SCOPED_TRACE(static_cast<int>(mode));
      auto ds = open(mode, 0);
      dataset::TField& field = ds->FieldByName(kind.column);
      ds->Edit();
      field.SetAsString(value("mine" + std::to_string(round)));
      ds->Post();
      const std::string theirs = value("theirs" + std::to_string(round++));
      Store(*other_, kind.table, kind.column, kind.bind, theirs);
      if (mode == TLockingMode::lmCheckImmediate) {
        EXPECT_EQ(changed, ErrorOf([&] { ds->Edit(); }));
      } else {
        ds->Edit();
        field.SetAsString(value("late"));
        EXPECT_EQ(changed, ErrorOf([&] { ds->Post(); }));
        ds->Cancel();
      }
      EXPECT_NE(theirs, field.AsString());
      oracle::LockRefreshCheck(*ds, false, false, true, false);
      EXPECT_EQ(theirs, field.AsString());
    }
    // Refreshed when editing starts, and after an update of another field.
    Store(*other_, kind.table, kind.column, kind.bind, value("before edit"));
    auto ds = open(TLockingMode::lmNone, oracle::roBeforeEdit);
    Store(*other_, kind.table, kind.column, kind.bind, value("at edit"));
    ds->Edit();
    EXPECT_EQ(value("at edit"), ds->FieldByName(kind.column).AsString());
    ds->Cancel();
    Editing(*ds).RefreshOptions = oracle::roAfterUpdate;
    Store(*other_, kind.table, kind.column, kind.bind, value("after post"));
    ds->Edit();
    ds->FieldByName("NAME").SetAsString("m");
    ds->Post();
    EXPECT_EQ(value("after post"), ds->FieldByName(kind.column).AsString());
  }
}

// The comparison with the server's row, type by type (the field's value on
// the left, the fetched value on the right).
TEST_F(PostingTest, FieldValuesCompareWithTheServersWithinTheirTolerances) {
  Run("create table measures (id number(6), d date, ts timestamp, f number(12,4), "
      "s varchar2(5), pic blob)");
  oracle::TOracleQuery insert;
  insert.SetSession(session_.get());
  insert.SetSQL("insert into measures values (1, :d, :ts, 1234.5678, 'abc', :pic)");
  insert.DeclareAndSet("d", oracle::otype::Date, oracle::Variant::Date(45000.5));
  insert.DeclareAndSet("ts", oracle::otype::Date, oracle::Variant::Date(45000.25));
  insert.DeclareAndSet("pic", oracle::otype::LongRaw, oracle::Variant::ByteArray({1, 0, 2}));
  insert.Execute();
  Run("insert into measures (id, f) values (2, 0)");
  auto ds = NewDataSet("select m.rowid, m.* from measures m order by id");
  ds->Open();
  const double second = 1.0 / 86400;
  using oracle::Variant;
  std::string packed(reinterpret_cast<const char*>(oracle::kCompressedBLOBHeader), 8);
  {
    dataset::TMemoryStream source(std::string("\x01\x00\x02", 3)), out;
    oracle::blob::CompressStream(source, out);
    packed += out.Bytes();
  }
  const struct {
    int id;
    const char* field;
    Variant fetched;
    bool equal;
  } cases[] = {
      {1, "D", Variant::Date(45000.5 + second / 2), true},
      {1, "D", Variant::Date(45000.5 + 2 * second), false},
      {1, "TS", Variant::Date(45000.25 + second / 2000), true},
      {1, "TS", Variant::Date(45000.25 + second / 500), false},
      {1, "F", Variant::Double(1234.5678 * (1 + 1e-11)), true},
      {1, "F", Variant::Double(1234.5678 * (1 + 1e-9)), false},
      {2, "F", Variant::Double(1e-11), true},  // beside 0 the plain difference
      {2, "F", Variant::Double(1e-9), false},
      {1, "S", Variant::String("abc  "), true},
      {1, "S", Variant::String("abd"), false},
      {2, "S", Variant::String("   "), true},  // blank text counts as null
      {2, "S", Variant::String("x"), false},
      {1, "PIC", Variant::ByteArray({1, 0, 2}), true},
      {1, "PIC", Variant::ByteArray({1, 0, 3}), false},
      {1, "PIC", Variant::ByteArray({1, 0}), false},
      {1, "PIC", Variant::ByteArray(std::vector<uint8_t>(packed.begin(), packed.end())), true},
      {2, "PIC", Variant::Null(), true},
  };
  int row = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " row " + std::to_string(++row));
    Go(*ds, c.id);
    EXPECT_EQ(c.equal, oracle::FieldValueEquals(*ds, ds->FieldByName(c.field), c.fetched, false));
  }
  // A fetched text longer than the field is cut to its size first.
  Go(*ds, 1);
  ds->Edit();
  ds->FieldByName("S").SetAsString("abcde");
  EXPECT_TRUE(
      oracle::FieldValueEquals(*ds, ds->FieldByName("S"), Variant::String("abcdefg"), false));
  EXPECT_FALSE(
      oracle::FieldValueEquals(*ds, ds->FieldByName("S"), Variant::String("abcdefg"), true));
  ds->Cancel();
}

// With CompressBLOBs a BLOB or LONG RAW value is stored compressed: a plain
// reader gets the header and the coded bytes, fewer than the value's; the
// dataset reads the value back. OnCompressBLOB takes the compression over.
TEST_F(PostingTest, CompressBLOBsStoresBinaryValuesPacked) {
  Run("create table docs (id number(6) primary key, pic blob)");
  Run("create table raws (id number(6), data long raw)");
  std::string receipt;
  for (int line = 0; line < 100; ++line)
    receipt += "ITEM " + std::to_string(line % 7) + " 4.99\r\n";
  receipt += std::string("\0\x01", 2);
  const std::string header(reinterpret_cast<const char*>(oracle::kCompressedBLOBHeader), 8);
  using enum oracle::TTemporaryLOB;
  const struct {
    const char* table;
    const char* column;
    oracle::TTemporaryLOB lobs;
    bool handler;
  } cases[] = {{"docs", "PIC", tlNone, false},
               {"docs", "PIC", tlCache, false},
               {"raws", "DATA", tlNone, false},
               {"raws", "DATA", tlNone, true}};
  int id = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.column) + std::to_string(static_cast<int>(c.lobs)) +
                 (c.handler ? " handler" : ""));
    session_->Preferences().SetTemporaryLOB(c.lobs);
    auto ds = NewDataSet(std::string("select t.rowid, t.* from ") + c.table + " t order by id");
    ds->SetCompressBLOBs(true);
    if (c.handler) {
      ds->OnCompressBLOB = [](oracle::TOracleDataSet&, dataset::TField&, dataset::TStream& in,
                              dataset::TStream& out) {
        out.Write("Z", 1);
        const std::string all = in.ReadAll();
        out.Write(all.data(), 5);  // the handler's own (lossy) form
      };
    }
    ds->SetLockingMode(TLockingMode::lmLockDelayed);
    ds->Open();
    ds->Append();
    ds->FieldByName("ID").SetAsInteger(++id);
    ds->FieldByName(c.column).SetAsString(receipt);
    ds->Post();
    oracle::TOracleQuery plain;
    plain.SetSession(other_.get());
    plain.SetSQL(std::string("select ") + c.column + " from " + c.table +
                 " where id = " + std::to_string(id));
    plain.Execute();
    const oracle::Variant stored = plain.Field(0);
    ASSERT_TRUE(stored.IsArray());
    const std::string bytes(stored.Array().bytes.begin(), stored.Array().bytes.end());
    if (c.handler) {
      EXPECT_EQ("ZITEM ", bytes);
      continue;
    }
    EXPECT_EQ(header, bytes.substr(0, 8));
    EXPECT_LT(bytes.size(), receipt.size() / 4);
    EXPECT_EQ(static_cast<double>(receipt.size()), ds->BLOBBytesBeforeCompression());
    EXPECT_EQ(static_cast<double>(bytes.size()), ds->BLOBBytesAfterCompression());
    // Read back equal, and equal to the record: an edit in a checking mode
    // passes and the refresh keeps the value.
    auto reader = NewDataSet(std::string("select * from ") + c.table + " order by id");
    reader->Open();
    reader->Last();
    EXPECT_EQ(receipt, reader->FieldByName(c.column).AsString());
    ds->Edit();
    ds->FieldByName(c.column).SetAsString(receipt + "more");
    ds->Post();
    oracle::LockRefreshCheck(*ds, true, true, true, false);
    EXPECT_EQ(receipt + "more", ds->FieldByName(c.column).AsString());
    session_->Commit();
  }
}

// Text for a national column is bound in the national character-set form.
TEST_F(PostingTest, NationalColumnsAreBoundInTheNationalForm) {
  Run("create table names (id number(6), local varchar2(20), native nvarchar2(20))");
  auto ds = NewDataSet("select t.rowid, t.* from names t");
  ds->SetLockingMode(TLockingMode::lmNone);
  ds->Open();
  ds->Append();
  ds->FieldByName("ID").SetAsInteger(1);
  ds->FieldByName("LOCAL").SetAsString("Zoe");
  ds->FieldByName("NATIVE").SetAsString("Zo\xc3\xab \xe6\x9d\xb1");
  ds->Post();
  const oracle::TVariables& bound = Editing(*ds).dmlQuery_->Variables();
  EXPECT_EQ(0, bound.Data(bound.IndexOf("v2")).CharsetForm());
  EXPECT_EQ(SQLCS_NCHAR, bound.Data(bound.IndexOf("v3")).CharsetForm());
  EXPECT_EQ("Zo\xc3\xab \xe6\x9d\xb1", NameSeenBy(*other_, 1, "native from names"));
}

// A temporary LOB made for an NCLOB column is in the national form, as a
// national column's text variable is; a CLOB column's is not. The text
// reaches the other session whole, on insert and update.
TEST_F(PostingTest, TemporaryLOBsOfNationalColumnsAreMadeInTheNationalForm) {
  Run("create table notes (id number(6), local clob, native nclob)");
  auto made = Hook<PFN_ociStandin_TemporaryLobsMade>("ociStandin_TemporaryLobsMade");
  const std::string text = "Zo\xc3\xab \xe6\x9d\xb1 \xf0\x9f\x98\x80";
  using enum oracle::TTemporaryLOB;
  int id = 0;
  for (const oracle::TTemporaryLOB preference : {tlCache, tlNoCache}) {
    SCOPED_TRACE(static_cast<int>(preference));
    session_->Preferences().SetTemporaryLOB(preference);
    auto ds = NewDataSet("select t.rowid, t.* from notes t");
    ds->SetLockingMode(TLockingMode::lmNone);
    ds->Open();
    ds->Append();
    ds->FieldByName("ID").SetAsInteger(++id);
    ds->FieldByName("LOCAL").SetAsString("plain " + text);
    ds->FieldByName("NATIVE").SetAsString(text);
    int implicit = made(SQLCS_IMPLICIT), national = made(SQLCS_NCHAR);
    ds->Post();
    EXPECT_EQ(implicit + 1, made(SQLCS_IMPLICIT));
    EXPECT_EQ(national + 1, made(SQLCS_NCHAR));
    EXPECT_EQ(text, NameSeenBy(*other_, id, "native from notes"));
    EXPECT_EQ("plain " + text, NameSeenBy(*other_, id, "local from notes"));
    // An update of the national column alone makes one national LOB.
    ds->Edit();
    ds->FieldByName("NATIVE").SetAsString(text + "!");
    implicit = made(SQLCS_IMPLICIT);
    national = made(SQLCS_NCHAR);
    ds->Post();
    EXPECT_EQ(implicit, made(SQLCS_IMPLICIT));
    EXPECT_EQ(national + 1, made(SQLCS_NCHAR));
    EXPECT_EQ(text + "!", NameSeenBy(*other_, id, "native from notes"));
  }
}

// LockAndCheckRecord against another session: the lock takes the row, the
// check alone takes none; both refuse a row changed or deleted since it
// was fetched, and a refused lock leaves the row free.
TEST_F(PostingTest, LockAndCheckRecordLocksTheRowOrOnlyChecksIt) {
  auto mine = Items(*session_, TLockingMode::lmNone);
  auto theirs = Items(*other_, TLockingMode::lmLockImmediate);
  const std::string locked = "Record is locked by another user";
  Go(*mine, 1);
  Go(*theirs, 1);
  oracle::LockAndCheckRecord(*mine, true);
  oracle::LockAndCheckRecord(*mine, true);
  theirs->Edit();  // takes the row: nobody holds it
  theirs->Cancel();
  oracle::LockAndCheckRecord(*mine, false);
  oracle::LockAndCheckRecord(*mine, false);  // one's own row again
  EXPECT_EQ(locked, ErrorOf([&] { theirs->Edit(); }));
  oracle::LockAndCheckRecord(*mine, true);  // keeps the lock it holds
  EXPECT_EQ(locked, ErrorOf([&] { theirs->Edit(); }));
  session_->Rollback();  // gives the row up
  theirs->Edit();
  theirs->FieldByName("NAME").SetAsString("theirs");
  theirs->Post();

  for (const bool checkOnly : {true, false}) {
    SCOPED_TRACE(checkOnly);
    EXPECT_EQ("Record has been changed by another user",
              ErrorOf([&] { oracle::LockAndCheckRecord(*mine, checkOnly); }));
    theirs->Edit();
    theirs->Cancel();
  }
  mine->Refresh();
  Go(*mine, 1);
  oracle::LockAndCheckRecord(*mine, false);
  session_->Rollback();
  Run("delete from items where id = 1");
  for (const bool checkOnly : {true, false})
    EXPECT_EQ("Record has been deleted by another user",
              ErrorOf([&] { oracle::LockAndCheckRecord(*mine, checkOnly); }));
}

// A BLOB or LONG RAW value another session stored compressed is shown
// expanded by every refresh of the record: the single-record refresh, the
// one when editing starts and the one after an update.
TEST_F(PostingTest, RefreshedValuesStoredCompressedElsewhereAreShownExpanded) {
  Run("create table docs (id number(6) primary key, name varchar2(10), pic blob)");
  Run("create table raws (id number(6), name varchar2(10), data long raw)");
  const struct {
    const char* table;
    const char* column;
  } kinds[] = {{"docs", "PIC"}, {"raws", "DATA"}};
  // A value a writer with CompressBLOBs stores: "<round>" and a run the
  // codec packs well, with a zero byte.
  auto value = [](int round) {
    std::string text = "round " + std::to_string(round) + ":";
    for (int line = 0; line < 60; ++line) text += "TOTAL 4.99\r\n";
    return text + std::string("\0\xff", 2);
  };
  // Stores `text` compressed into row 1 as the other session's dataset does.
  auto storeCompressed = [&](const char* table, const char* column, const std::string& text) {
    oracle::TOracleDataSet writer;
    writer.SetSession(other_.get());
    writer.SetSQL(std::string("select t.rowid, t.* from ") + table + " t where id = 1");
    writer.SetCompressBLOBs(true);
    writer.SetLockingMode(TLockingMode::lmNone);
    writer.Open();
    writer.Edit();
    writer.FieldByName(column).SetAsString(text);
    writer.Post();
    oracle::TOracleQuery plain;
    plain.SetSession(other_.get());
    plain.SetSQL(std::string("select ") + column + " from " + table + " where id = 1");
    plain.Execute();
    const oracle::Variant stored = plain.Field(0);
    ASSERT_LT(stored.Array().bytes.size(), text.size() / 2) << "stored packed";
  };
  const std::function<void(oracle::TOracleDataSet&)> refreshes[] = {
      [](oracle::TOracleDataSet& ds) { oracle::LockRefreshCheck(ds, false, false, true, false); },
      [](oracle::TOracleDataSet& ds) {
        Editing(ds).RefreshOptions = oracle::roBeforeEdit;
        ds.Edit();
        ds.Cancel();
      },
      [](oracle::TOracleDataSet& ds) {
        Editing(ds).RefreshOptions = oracle::roAfterUpdate;
        ds.Edit();
        ds.FieldByName("NAME").SetAsString(ds.FieldByName("NAME").AsString() + "+");
        ds.Post();
      },
  };
  int round = 0;
  for (const auto& kind : kinds) {
    Run(std::string("insert into ") + kind.table + " (id, name) values (1, 'n')");
    for (const bool compressing : {false, true}) {
      int moment = 0;
      for (const auto& refresh : refreshes) {
        SCOPED_TRACE(std::string(kind.column) + (compressing ? " compressing" : "") + " refresh " +
                     std::to_string(++moment));
        auto ds = NewDataSet(std::string("select t.rowid, t.* from ") + kind.table + " t");
        ds->SetCompressBLOBs(compressing);
        ds->SetLockingMode(TLockingMode::lmNone);
        ds->Open();
        const std::string theirs = value(++round);
        storeCompressed(kind.table, kind.column, theirs);
        refresh(*ds);
        EXPECT_EQ(theirs, ds->FieldByName(kind.column).AsString());
        // Shown as stored: a check finds the record unchanged.
        EXPECT_NO_THROW(oracle::LockAndCheckRecord(*ds, true));
      }
    }
  }
}

// A dataset over a join has no rowid: it is read-only unless the
// application applies every change itself, and then each operation that
// needs the server's row says so unless the handler takes it.
TEST_F(PostingTest, ADataSetWithoutRowidIsEditableWhenTheApplicationAppliesItsChanges) {
  Run("create table kinds (code varchar2(10), label varchar2(20))");
  Run("insert into kinds values ('a', 'first')");
  auto ds = NewDataSet("select t.id, t.name, k.label from items t, kinds k where k.code = t.code");
  ds->SetLockingMode(TLockingMode::lmNone);
  ds->Open();
  ClearJournal();
  EXPECT_FALSE(ds->CanModify());
  EXPECT_EQ("Cannot modify a read-only dataset", ErrorOf([&] { ds->Edit(); }));
  std::string actions;
  bool applies = true;
  Editing(*ds).OnApplyRecord = [&](oracle::TOracleDataSet& set, char action, bool& applied,
                                   std::string&) {
    actions += action;
    if (action == 'U') {
      EXPECT_EQ("uno", set.FieldByName("NAME").AsString());
    }
    applied = applies;
  };
  EXPECT_TRUE(ds->CanModify());
  ds->Edit();
  ds->FieldByName("NAME").SetAsString("uno");
  ds->Post();
  ds->Delete();
  EXPECT_EQ("UD", actions);
  for (const std::string& text : Sent()) EXPECT_EQ(0u, text.rfind("savepoint", 0)) << text;
  EXPECT_EQ("one", NameSeenBy(*other_, 1));
  const std::string needsRowid = std::string(
      " cannot be performed without a rowid.\r\nProvide a rowid in the query or "
      "handle this action in the OnApplyRecord event");
  applies = false;
  ds->Close();
  ds->Open();
  ds->SetLockingMode(TLockingMode::lmCheckImmediate);
  EXPECT_EQ("A lock, refresh or check" + needsRowid, ErrorOf([&] { ds->Edit(); }));
  ds->SetLockingMode(TLockingMode::lmNone);
  EXPECT_EQ("A delete" + needsRowid, ErrorOf([&] { ds->Delete(); }));
}

}  // namespace
