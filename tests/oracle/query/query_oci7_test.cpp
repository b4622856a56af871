// The query and the session through the OCI7 calls, against the build of
// the stand-in client that exports them: logon, changes, commit and
// AutoCommit, a select fetched in blocks, describe, errors with the server's
// text, and the column and bind kinds that need the OCI8 calls; a dataset
// posting through them.

// The dataset first: the framework's headers name parameters `text`, which
// the OCI header's global type of that name would have them shadow.
#include "oracle/dataset/dataset.h"

#include <algorithm>

#include "oracle/client/oci_loader_state.h"
#include "oracle/dml/editing.h"
#include "oracle/session/session_sql.h"
#include "oracle/values/type_codes.h"
#include "oracle_fixture/exception_text.h"
#include "oracle_fixture/query_fixture.h"

#if defined(STANDIN_ORACLE_HOME) && defined(OCI7_STANDIN_CLIENT)

namespace oracle_query_test {
namespace {

using oracle::Variant;

class OCI7QueryTest : public oracle_test_support::StandinDatabaseTest {
 protected:
  OCI7QueryTest() : StandinDatabaseTest("oracle_oci7_") {}

  void SetUp() override {
    StandinDatabaseTest::SetUp();
    oracle::FreeOCI();
    oracle::OCIDLL = OCI7_STANDIN_CLIENT;
    oracle::InitOCI();
    session_ = std::make_unique<oracle::TOracleSession>();
    UsePluginAccount(*session_);
    session_->Preferences().SetUseOCI7(true);
    session_->LogOn();
  }
  void TearDown() override {
    session_.reset();
    StandinDatabaseTest::TearDown();
  }

  std::unique_ptr<oracle::TOracleQuery> NewQuery(const std::string& sql) {
    auto query = std::make_unique<oracle::TOracleQuery>();
    query->SetSession(session_.get());
    query->SetSQL(sql);
    return query;
  }
  int Count(const std::string& table) {
    auto query = NewQuery("select count(*) from " + table);
    query->Execute();
    return query->FieldAsInteger(0);
  }

  std::unique_ptr<oracle::TOracleSession> session_;
};

TEST_F(OCI7QueryTest, StatementsRunThroughTheCursorArea) {
  ASSERT_TRUE(oracle::OCI7Available);
  EXPECT_FALSE(session_->InOCI8Mode());
  EXPECT_EQ(session_->MaxVarchar2Chars(), 2000);
  EXPECT_EQ(oracle::RunSessionSQL(*session_, "select user from dual").rows.at(0).at(0), "VESKDATA");

  NewQuery("create table numbers (n number(10), label varchar2(20))")->Execute();
  InsertNumbers(*session_, 30);  // bound variables, one change each, then commit
  auto change = NewQuery("update numbers set label = :label where n <= :n");
  change->DeclareAndSet("label", 5, Variant::String("small"));
  change->DeclareAndSet("n", 3, Variant::Integer(4));
  EXPECT_EQ(change->ExecuteArray(-1, -1), 4);
  EXPECT_EQ(change->SQLType(), oracle::sqltype::Update);
  session_->Rollback();

  // A select fetched in blocks: 25 rows with the execute, 5 with the next.
  auto select = NewQuery("select n, label from numbers where n > :low order by n");
  select->DeclareAndSet("low", 3, Variant::Integer(0));
  select->Execute();
  EXPECT_EQ(select->SQLType(), oracle::sqltype::Select);
  ASSERT_EQ(select->FieldCount(), 2);
  EXPECT_EQ(select->FieldName(1), "LABEL");
  EXPECT_EQ(select->FieldPrecision(0), 10);
  EXPECT_EQ(select->FieldSize(1), 20);
  std::vector<std::string> labels;
  for (; !select->Eof(); select->Next()) labels.push_back(select->FieldAsString("label"));
  ASSERT_EQ(labels.size(), 30u);
  EXPECT_EQ(labels.front(), "row 1");  // the update was rolled back
  EXPECT_EQ(labels.back(), "row 30");
  EXPECT_EQ(select->RowsProcessed(), 30);
  EXPECT_EQ(select->ErrorCode(), 1403);

  auto describe = NewQuery("select n, label, n * 2 twice from numbers");
  describe->Describe();
  EXPECT_EQ(describe->FieldCount(), 3);
  EXPECT_EQ(describe->FieldName(2), "TWICE");
  EXPECT_TRUE(describe->Eof());

  // AutoCommit: each change commits, a rollback undoes none.
  session_->SetAutoCommit(true);
  NewQuery("delete from numbers where n > 20")->Execute();
  session_->Rollback();
  EXPECT_EQ(Count("numbers"), 20);
}

TEST_F(OCI7QueryTest, ServerErrorsAndOCI8OnlyColumnsAndBindsRaise) {
  auto missing = NewQuery("select x from no_such_table");
  try {
    missing->Execute();
    FAIL() << "no error";
  } catch (const oracle::EOracleError& e) {
    EXPECT_EQ(e.ErrorCode(), 942);
    EXPECT_EQ(e.Message().rfind("ORA-00942: ", 0), 0u) << e.Message();
    EXPECT_EQ(e.Component(), missing.get());
  }
  EXPECT_EQ(missing->ErrorCode(), 942);

  NewQuery("create table stamps (id number(5), at timestamp)")->Execute();
  auto stamps = NewQuery("select id, at from stamps");
  EXPECT_EQ(oracle_test_support::ErrorOf([&] { stamps->Execute(); }),
            "A query with timestamps requires OCI8 mode, but OCI7 mode is used.");
  // As text the same column is fetched.
  session_->Preferences().SetTimestampAsString(true);
  stamps->Execute();
  EXPECT_TRUE(stamps->Eof());

  // Cursor variables and PL/SQL tables are bound through the OCI8 calls only.
  auto cursor = NewQuery("select id from stamps");
  auto open = NewQuery("begin open :c for select id from stamps; end;");
  open->DeclareVariable("c", oracle::otype::Cursor);
  open->SetComplexVariable("c", cursor.get());
  auto insert = NewQuery("begin forall i in 1 .. :n insert into stamps (id) values (:t(i)); end;");
  insert->DeclarePLSQLTable("t", oracle::otype::Integer, 5, 0);
  insert->DeclareAndSet("n", oracle::otype::Integer, Variant::Integer(1));
  for (auto* query : {open.get(), insert.get()}) {
    const std::string error = oracle_test_support::ErrorOf([&] { query->Execute(); });
    EXPECT_NE(error.find("requires OCI8 mode"), std::string::npos) << error;
  }
}

TEST_F(OCI7QueryTest, AnotherSessionSharesTheLogonThroughItsDataArea) {
  oracle::TOracleSession shared;
  shared.SetExternalLDA(session_->ExternalLDA());
  EXPECT_TRUE(shared.Connected());
  EXPECT_TRUE(shared.Shared());
  EXPECT_FALSE(shared.InOCI8Mode());
  EXPECT_EQ(shared.ExternalLDA(), session_->ExternalLDA());
  // One connection: a change made through the one is seen by the other
  // before any commit.
  NewQuery("create table notes (id number(5))")->Execute();
  oracle::TOracleQuery insert;
  insert.SetSession(&shared);
  insert.SetSQL("insert into notes values (1)");
  insert.Execute();
  EXPECT_EQ(Count("notes"), 1);
  // Letting go of the shared logon leaves the owner's connected.
  shared.LogOff();
  EXPECT_FALSE(shared.Connected());
  EXPECT_TRUE(session_->Connected());
  EXPECT_EQ(Count("notes"), 1);
}

TEST_F(OCI7QueryTest, LongValuesArriveWholeInPieces) {
  NewQuery("create table notes (id number(5), body long)")->Execute();
  std::string big;
  for (int i = 0; big.size() < 70000; ++i) big += std::to_string(i) + ";";
  auto insert = NewQuery("insert into notes values (:id, :body)");
  insert->DeclareVariable("id", 3);
  insert->DeclareVariable("body", oracle::otype::Long);
  for (const auto& [id, body] : {std::pair<int, std::string>{1, big}, {2, "short"}, {3, ""}}) {
    insert->SetVariable("id", Variant::Integer(id));
    insert->SetVariable("body", Variant::String(body));
    insert->Execute();
  }
  auto select = NewQuery("select id, body from notes order by id");
  select->Execute();
  std::vector<std::string> bodies;
  for (; !select->Eof(); select->Next()) bodies.push_back(select->FieldAsString(1));
  EXPECT_EQ(bodies, (std::vector<std::string>{big, "short", ""}));
}

// Array elements of 64 KiB or more keep their own lengths through obndra
// as well.
TEST_F(OCI7QueryTest, LongArraysKeepEachElementsLength) {
  NewQuery("create table notes (id number(5), body long, data long raw)")->Execute();
  const std::vector<std::string> values = {"a", std::string(70000, 'b'), "cc"};
  std::vector<Variant> ids, bodies, data;
  for (std::size_t k = 0; k < values.size(); ++k) {
    ids.push_back(Variant::Integer(static_cast<int32_t>(k)));
    bodies.push_back(Variant::String(values[k]));
    data.push_back(Variant::ByteArray(std::vector<uint8_t>(values[k].begin(), values[k].end())));
  }
  auto insert = NewQuery("insert into notes values (:id, :body, :data)");
  insert->DeclareAndSet("id", 3, Variant::VariantArray(ids));
  insert->DeclareAndSet("body", oracle::otype::Long, Variant::VariantArray(bodies));
  insert->DeclareAndSet("data", oracle::otype::LongRaw, Variant::VariantArray(data));
  insert->Execute();
  auto select = NewQuery("select body, data from notes order by id");
  select->Execute();
  for (const std::string& value : values) {
    ASSERT_FALSE(select->Eof());
    EXPECT_EQ(select->FieldAsString(0), value);
    EXPECT_EQ(select->FieldAsString(1), value);
    select->Next();
  }
}

// A dataset posts through the version-7 calls without a returning clause:
// an insert takes the rowid of the row it processed from the cursor area,
// and the record is found by it again.
TEST_F(OCI7QueryTest, ADataSetPostsWithoutReturningAndTakesTheInsertsRowid) {
  NewQuery("create table numbers (n number(10), label varchar2(20))")->Execute();
  InsertNumbers(*session_, 2);
  oracle::TOracleDataSet ds;
  ds.SetSession(session_.get());
  ds.SetSQL("select t.rowid, t.* from numbers t order by n");
  ds.SetLockingMode(oracle::TLockingMode::lmCheckImmediate);
  ds.Open();
  ClearJournal();
  ds.Append();
  ds.FieldByName("N").SetAsInteger(3);
  ds.FieldByName("LABEL").SetAsString("three");
  ds.Post();
  const std::string rowid = ds.RecordRowId();
  EXPECT_EQ(rowid.size(), 18u);
  ds.Edit();
  ds.FieldByName("LABEL").SetAsString("drei");
  ds.Post();
  const std::string row = "select * from NUMBERS where rowid = :kel__rowid\n";
  // Each select is noted at its describe and at its execute: once is enough.
  std::vector<std::string> sent = JournalSql();
  sent.erase(std::unique(sent.begin(), sent.end()), sent.end());
  EXPECT_EQ(sent, (std::vector<std::string>{
                      "savepoint KEL__LOCKPOINT",
                      "insert into NUMBERS\n  (N, LABEL)\nvalues\n  (:v1, :v2)\n", row,
                      "savepoint KEL__LOCKPOINT", row + "for update nowait\n",
                      "update NUMBERS\nset LABEL = :v2\nwhere rowid = :kel__rowid\n"}));
  EXPECT_EQ(ds.RecordRowId(), rowid);
  auto check = NewQuery("select label from numbers where n = 3");
  check->Execute();
  EXPECT_EQ(check->FieldAsString(0), "drei");
}

}  // namespace
}  // namespace oracle_query_test

#endif
