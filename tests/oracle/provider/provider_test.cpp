// The dataset's provider support with the test playing the generic
// provider: default order, statements with "?" placeholders, keys and
// indexes from the dictionary, and parameters as variables.
//
// The fixture first: it includes the framework's headers before the OCI
// header, whose global type `text` they would otherwise shadow.
#include "oracle_fixture/dataset_fixture.h"

#include <sstream>
#include <string>
#include <vector>

#include "dataset/field_kinds.h"
#include "oracle/dml/dml_query.h"
#include "oracle/dml/editing.h"
#include "oracle/dml/posting.h"
#include "oracle/lob/lob_locator.h"
#include "oracle/provider/provider_support.h"
#include "oracle/values/type_codes.h"

namespace {

using oracle::TOracleDataSet;

class ProviderTest : public oracle_dataset_test::StandinDataSetTest {
 protected:
  void SetUp() override {
    StandinDataSetTest::SetUp();
    for (const char* sql : {
             "create table emp (empno number(6) constraint pk_emp primary key, ename "
             "varchar2(10), sal number(8,2))",
             "insert into emp values (1, 'KING', 5000)",
             "insert into emp values (2, 'BLAKE', 2850)",
             "create table pair (a number(4), b number(4), c varchar2(10), constraint pk_pair "
             "primary key (a, b), constraint uq_pair unique (c))",
             "create table tag (code varchar2(10) constraint uq_tag unique, other number)",
             "create table notes (id number(4), body long)",
             "insert into notes values (1, null)",
             "create table pics (id number(4), data blob)",
         })
      Run(sql);
    ClearJournal();
  }

  std::unique_ptr<TOracleDataSet> Opened(const std::string& sql) {
    auto ds = NewDataSet(sql);
    ds->Open();
    return ds;
  }
};

std::string Describe(const dataset::TIndexDef* index) {
  if (index == nullptr) return "<none>";
  return index->Fields + "|" + index->DescFields + "|" + index->CaseInsFields;
}

TEST_F(ProviderTest, DefaultOrderFollowsTheOrderByOfSelectedColumns) {
  const std::pair<const char*, const char*> cases[] = {
      {"select * from emp order by 2 desc, upper(ename)", "ENAME;ENAME|ENAME|ENAME"},
      {"select e.empno, e.ename from emp e order by e.empno asc, \"ENAME\" desc",
       "EMPNO;ENAME|ENAME|"},
      {"select empno, ename from emp order by empno /* , nosuch */ -- sal", "EMPNO||"},
      {"select empno, ename from emp order by empno for update", "EMPNO||"},
      {"select empno, ename from emp order by sal + 1", "<none>"},
      {"select empno, ename from emp order by ename || 'x'", "<none>"},
      {"select empno, ename, sal from emp order by 3", "SAL||"},
      {"select empno, ename from emp", "<none>"},
  };
  for (const auto& [sql, expected] : cases) {
    auto ds = Opened(sql);
    EXPECT_EQ(expected, Describe(ds->PSGetDefaultOrder().get())) << sql;
  }
  auto ds = Opened("select * from emp order by ename");
  ds->SetProviderOptions(oracle::opNoDefaultOrder);
  EXPECT_EQ(nullptr, ds->PSGetDefaultOrder());
}

TEST_F(ProviderTest, StatementsNamePlainPlaceholdersOnly) {
  auto ds = Opened("select * from emp");
  ClearJournal();
  dataset::TParams params;
  params.CreateParam(dataset::TFieldType::ftFloat, "sal").Value = Variant(3000.0);
  params.CreateParam(dataset::TFieldType::ftInteger, "empno").Value = Variant(2);
  EXPECT_EQ(1, ds->PSExecuteStatement("update emp set sal = ? where empno = ?", params, nullptr));
  EXPECT_EQ(std::vector<std::string>{"update emp set sal = :V0 where empno = :V1"}, JournalSql());

  // A "?" in a literal, a quoted name or a comment is no placeholder.
  dataset::TParams one;
  one.CreateParam(dataset::TFieldType::ftInteger, "empno").Value = Variant(1);
  ClearJournal();
  EXPECT_EQ(1, ds->PSExecuteStatement("update emp set ename = '?' /* ? */ where \"EMPNO\" = ? -- ?",
                                      one, nullptr));
  EXPECT_EQ(
      std::vector<std::string>{"update emp set ename = '?' /* ? */ where \"EMPNO\" = :V0 -- ?"},
      JournalSql());

  params.CreateParam(dataset::TFieldType::ftInteger, "extra").Value = Variant(9);
  try {
    ds->PSExecuteStatement("update emp set sal = ? where empno = ?", params, nullptr);
    ADD_FAILURE() << "accepted";
  } catch (const std::exception& e) {
    EXPECT_STREQ("No variable for parameter 2", e.what());
  }

  // A result set: the caller owns the dataset of the rows.
  std::unique_ptr<dataset::TDataSet> rows;
  EXPECT_EQ(2, ds->PSExecuteStatement("select ename from emp where empno >= ?", one, &rows));
  ASSERT_NE(nullptr, rows);
  EXPECT_EQ("?", rows->FieldByName("ENAME").AsString());  // KING, renamed above

  // Text beyond the longest string bind goes as LONG.
  dataset::TParams text;
  text.CreateParam(dataset::TFieldType::ftString, "body").Value = Variant(std::string(5000, 'x'));
  EXPECT_EQ(1, ds->PSExecuteStatement("update notes set body = ? where id = 1", text, nullptr));
  EXPECT_EQ(oracle::otype::Long, oracle::PrepareDMLQuery(*ds).VariableType(0));
  auto notes = Opened("select body from notes");
  EXPECT_EQ(5000u, notes->FieldByName("BODY").AsString().size());

  // A BLOB parameter holds its bytes when the statement runs, text or a byte
  // array (every byte value, not only text); a null one inserts null.
  const std::string bytes("\x01\x7f binary \x02");
  std::string allBytes;
  for (int b = 0; b < 256; ++b) allBytes += static_cast<char>(b);
  int id = 0;
  for (const Variant& value : {Variant(bytes), dataset::BytesVariant(allBytes), Variant::Null()}) {
    dataset::TParams blob;
    blob.CreateParam(dataset::TFieldType::ftInteger, "id").Value = Variant(++id);
    blob.CreateParam(dataset::TFieldType::ftOraBlob, "data").Value = value;
    EXPECT_EQ(1, ds->PSExecuteStatement("insert into pics values (?, ?)", blob, nullptr));
  }
  session_->Commit();
  auto other = NewSession();
  oracle::TOracleQuery read;
  read.SetSession(other.get());
  read.SetSQL("select data from pics order by id");
  read.Execute();
  EXPECT_EQ(bytes, oracle::LOBFieldByName(read, "DATA").AsString());
  read.Next();
  EXPECT_EQ(allBytes, oracle::LOBFieldByName(read, "DATA").AsString());
  read.Next();
  EXPECT_TRUE(read.FieldIsNull(0));
}

TEST_F(ProviderTest, KeysAndIndexesAreWholeOrLeftOut) {
  struct Case {
    const char* sql;
    oracle::TOracleProviderOptions options;
    dataset::TIndexOptions indexTypes;
    const char* keys;
    std::vector<std::string> indexes;  // name fields options
    const char* uniqueFields = "";
  };
  const Case cases[] = {
      {"select rowid, a, b, c from pair",
       0,
       dataset::ixUnique,
       "A;B",
       {"PK_PAIR A;B 3", "UQ_PAIR C 2"}},
      {"select a, b, c from pair", 0, dataset::ixPrimary, "A;B", {"PK_PAIR A;B 3"}},
      {"select a, c from pair", 0, dataset::ixUnique, "", {"UQ_PAIR C 2"}},
      {"select a, c from pair", 0, dataset::ixUnique, "C;A", {"UQ_PAIR C 2"}, " c, a"},
      {"select other, code from tag", 0, dataset::ixUnique, "CODE", {"UQ_TAG CODE 2"}},
      {"select other, code from tag", 0, dataset::ixPrimary, "CODE", {}},
      {"select a, b from pair", 0, 0, "A;B", {}},
      {"select a, b from pair",
       oracle::opNoKeyFields | oracle::opNoIndexDefs,
       dataset::ixUnique,
       "",
       {}},
  };
  for (const Case& c : cases) {
    auto ds = Opened(c.sql);
    ds->SetProviderOptions(c.options);
    oracle::Editing(*ds).UniqueFields = c.uniqueFields;
    EXPECT_EQ(c.keys, ds->PSGetKeyFields()) << c.sql;
    std::vector<std::string> indexes;
    for (const auto& def : ds->PSGetIndexDefs(c.indexTypes))
      indexes.push_back(def.Name + " " + def.Fields + " " + std::to_string(def.Options));
    EXPECT_EQ(c.indexes, indexes) << c.sql;
  }
  auto ds = Opened("select * from emp e");
  EXPECT_EQ("EMP", ds->PSGetTableName());
  EXPECT_EQ("\"", ds->PSGetQuoteChar());
  EXPECT_TRUE(ds->PSIsSQLBased() && ds->PSIsSQLSupported());
  ds->PSSetCommandText("select ename from emp");
  EXPECT_FALSE(ds->Active());
  EXPECT_EQ("select ename from emp", ds->SQL());
}

TEST_F(ProviderTest, ParametersBecomeVariablesAndBack) {
  auto ds = NewDataSet("select ename from emp where empno = :id or ename = :name");
  dataset::TParams params;
  params.CreateParam(dataset::TFieldType::ftInteger, "id").Value = Variant(2);
  params.CreateParam(dataset::TFieldType::ftString, "name").Value = Variant("KING");
  params.CreateParam(dataset::TFieldType::ftLargeint, "skipped").Value = Variant(1);
  ds->PSSetParams(params);
  const auto* provider = dynamic_cast<oracle::TOracleProviderSupport*>(ds->Provider());
  ASSERT_NE(nullptr, provider);
  EXPECT_TRUE(provider->VariablesSetByProvider());
  EXPECT_EQ(2, ds->VariableCount());
  EXPECT_EQ(oracle::otype::Integer, ds->VariableType(ds->VariableIndex("id")));
  ds->PSExecute();
  EXPECT_EQ(2, ds->RecordCount());

  // Back: the kept parameters follow the variables, by name and type.
  ds->DeclareVariable("extra", oracle::otype::Float);
  ds->SetVariable("name", oracle::Variant::String("BLAKE"));
  dataset::TParams& back = *ds->PSGetParams();
  ASSERT_EQ(3, back.Count());
  EXPECT_EQ(dataset::TFieldType::ftInteger, back.ParamByName("ID").DataType);
  EXPECT_EQ("BLAKE", back.ParamByName("name").Value.ToString());
  EXPECT_EQ(dataset::TFieldType::ftFloat, back.ParamByName("extra").DataType);
  EXPECT_EQ(nullptr, back.FindParam("skipped"));
}

}  // namespace

namespace {

// The ENAME of every record, in order.
std::string Names(TOracleDataSet& ds) {
  std::string names;
  for (ds.First(); !ds.Eof(); ds.Next()) names += ds.FieldByName("ENAME").AsString() + ";";
  return names;
}

TEST_F(ProviderTest, TransactionsRestoreRecordsAndCommitOnPost) {
  auto ds = Opened("select rowid, e.* from emp e order by empno");
  oracle::TDataSetEditing& editing = oracle::Editing(*ds);
  // Without committing, CommitOnPost is still put back.
  ds->SetProviderOptions(oracle::opNoCommit);
  ds->PSStartTransaction();
  EXPECT_TRUE(ds->PSInTransaction());
  EXPECT_FALSE(editing.CommitOnPost);
  ds->PSEndTransaction(true);
  EXPECT_TRUE(editing.CommitOnPost);
  ds->SetProviderOptions(0);
  // A rolled-back transaction restores the edited, deleted and inserted
  // records, in the dataset and on the server.
  ds->PSStartTransaction();
  ds->First();
  ds->Edit();
  ds->FieldByName("ENAME").SetAsString("CLARK");
  ds->Post();
  ds->Next();
  ds->Delete();
  ds->Append();
  ds->FieldByName("EMPNO").SetAsInteger(3);
  ds->FieldByName("ENAME").SetAsString("FORD");
  ds->Post();
  EXPECT_EQ("CLARK;FORD;", Names(*ds));
  ds->PSEndTransaction(false);
  EXPECT_FALSE(ds->PSInTransaction());
  EXPECT_TRUE(editing.CommitOnPost);
  EXPECT_EQ("KING;BLAKE;", Names(*ds));
  ds->Close();
  ds->Open();
  EXPECT_EQ("KING;BLAKE;", Names(*ds));
  // A committed one keeps them.
  ds->PSStartTransaction();
  ds->Last();
  ds->Delete();
  ds->PSEndTransaction(true);
  ds->Close();
  ds->Open();
  EXPECT_EQ("KING;", Names(*ds));
}

// Cached updates pending when a provider transaction starts, and those
// made during it, are neither committed nor taken back by its end: they stay
// pending until applied.
TEST_F(ProviderTest, CachedUpdatesOutliveProviderTransactions) {
  for (const bool commit : {true, false}) {
    SCOPED_TRACE(commit);
    Run("update emp set ename = 'KING' where empno = 1");
    Run("update emp set ename = 'BLAKE' where empno = 2");
    auto ds = NewDataSet("select rowid, e.* from emp e order by empno");
    ds->SetCachedUpdates(true);
    ds->SetLockingMode(oracle::TLockingMode::lmNone);
    ds->Open();
    auto rename = [&](int recNo, const char* name) {
      ds->SetRecNo(recNo);
      ds->Edit();
      ds->FieldByName("ENAME").SetAsString(name);
      ds->Post();
    };
    rename(1, "CLARK");
    ds->PSStartTransaction();
    EXPECT_TRUE(ds->UpdatesPending());
    rename(2, "FORD");
    ds->PSEndTransaction(commit);
    EXPECT_FALSE(ds->PSInTransaction());
    EXPECT_EQ(2, ds->ChangeLog().Count());
    EXPECT_EQ("CLARK;FORD;", Names(*ds));
    oracle::ApplyUpdates(*ds);
    EXPECT_FALSE(ds->UpdatesPending());
    ds->Close();
    ds->SetCachedUpdates(false);
    ds->Open();
    EXPECT_EQ("CLARK;FORD;", Names(*ds));
  }
}

// A record posted in a provider transaction is counted once, and not at
// all once the transaction is rolled back.
TEST_F(ProviderTest, CountedRecordsFollowProviderTransactions) {
  for (const bool commit : {true, false}) {
    SCOPED_TRACE(commit);
    auto ds = NewDataSet("select rowid, e.* from emp e order by empno");
    ds->SetCountAllRecords(true);
    ds->Open();
    EXPECT_EQ(2, ds->RecordCount());
    ds->PSStartTransaction();
    ds->Append();
    ds->FieldByName("EMPNO").SetAsInteger(3);
    ds->FieldByName("ENAME").SetAsString("FORD");
    ds->Post();
    EXPECT_EQ(3, ds->RecordCount());
    ds->PSEndTransaction(commit);
    EXPECT_EQ(commit ? 3 : 2, ds->RecordCount());
    EXPECT_EQ(commit ? "KING;BLAKE;FORD;" : "KING;BLAKE;", Names(*ds));
    Run("delete from emp where empno = 3");
  }
}

// A provider transaction rolled back after the dataset was refreshed
// inside it: the dataset shows the rows the server holds, in every locking
// mode and whatever the transaction changed before and after the refresh.
TEST_F(ProviderTest, ARollbackAfterARefreshShowsWhatTheServerHolds) {
  Run("create table vals (n number(6) primary key, label varchar2(10))");
  auto other = NewSession();
  const auto seen = [&] {
    oracle::TOracleQuery query;
    query.SetSession(other.get());
    query.SetSQL("select n, label from vals order by n");
    std::vector<std::string> rows;
    for (query.Execute(); !query.Eof(); query.Next())
      rows.push_back(query.Field(0).ToText() + " " + query.Field(1).ToText());
    return rows;
  };
  const auto shown = [](TOracleDataSet& ds) {
    std::vector<std::string> rows;
    for (ds.First(); !ds.Eof(); ds.Next())
      rows.push_back(ds.FieldByName("N").AsString() + " " + ds.FieldByName("LABEL").AsString());
    return rows;
  };
  // Steps: i<n> inserts n before the current record, a<n> appends n, u<n>
  // relabels n, d<n> deletes n, r refreshes.
  const char* scripts[] = {"i5 r",         "u20 r",          "d30 r",
                           "i5 r u40 d10", "r i5 a45 d20",   "i5 d10 u30 r a35 u20 d40",
                           "i5 u20 d30",   "a45 r i15 r d45"};
  using oracle::TLockingMode;
  for (const TLockingMode mode : {TLockingMode::lmNone, TLockingMode::lmCheckImmediate,
                                  TLockingMode::lmLockDelayed, TLockingMode::lmLockImmediate}) {
    for (const char* script : scripts) {
      SCOPED_TRACE(std::string(script) + " " + std::to_string(static_cast<int>(mode)));
      Run("delete from vals");
      for (const int n : {10, 20, 30, 40})
        Run("insert into vals values (" + std::to_string(n) + ", 'v" + std::to_string(n) + "')");
      auto ds = NewDataSet("select rowid, v.* from vals v order by n");
      ds->SetLockingMode(mode);
      ds->SetCountAllRecords(true);
      ds->Open();
      const std::vector<std::string> before = shown(*ds);
      ds->PSStartTransaction();
      const auto go = [&](int n) {
        for (ds->First(); ds->FieldByName("N").AsInteger() != n;) ds->Next();
      };
      std::istringstream steps(script);
      for (std::string step; steps >> step;) {
        if (step == "r") {
          ds->Refresh();
          continue;
        }
        const int n = std::stoi(step.substr(1));
        if (step[0] == 'i' || step[0] == 'a') {
          ds->First();
          if (step[0] == 'i')
            ds->Insert();
          else
            ds->Append();
          ds->FieldByName("N").SetAsInteger(n);
          ds->FieldByName("LABEL").SetAsString("new");
          ds->Post();
        } else if (step[0] == 'u') {
          go(n);
          ds->Edit();
          ds->FieldByName("LABEL").SetAsString("changed");
          ds->Post();
        } else {
          go(n);
          ds->Delete();
        }
      }
      ds->PSEndTransaction(false);
      EXPECT_EQ(before, seen());
      EXPECT_EQ(before, shown(*ds));
      EXPECT_EQ(4, ds->RecordCount());
      // Editing goes on against the rows shown.
      go(30);
      ds->Edit();
      ds->FieldByName("LABEL").SetAsString("after");
      ds->Post();
      EXPECT_EQ("30 after", seen().at(2));
    }
  }
  // Cached updates pending through such a transaction stay shown and
  // pending.
  Run("update vals set label = 'v30' where n = 30");
  auto ds = NewDataSet("select rowid, v.* from vals v order by n");
  ds->SetCachedUpdates(true);
  ds->SetFilter("[N] <> 20");
  ds->SetFiltered(true);
  ds->Open();
  ds->Last();
  ds->Edit();
  ds->FieldByName("LABEL").SetAsString("cached");
  ds->Post();
  ds->PSStartTransaction();
  ds->Refresh();
  ds->First();
  ds->Delete();
  ds->PSEndTransaction(false);
  EXPECT_EQ((std::vector<std::string>{"30 v30", "40 cached"}), shown(*ds));
  EXPECT_EQ(2, ds->ChangeLog().Count());
  oracle::ApplyUpdates(*ds);
  EXPECT_EQ((std::vector<std::string>{"20 v20", "30 v30", "40 cached"}), seen());
}

}  // namespace
