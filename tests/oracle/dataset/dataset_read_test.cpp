// Opening and reading: fetching at open in blocks, field types from the
// select list, values of every kind, NULLs, trimming, and the plug-in's
// own use of a dataset.
#include <cmath>

#include "dataset/field_kinds.h"
#include "dataset/time_stamp.h"
#include "oracle/values/type_codes.h"
#include "oracle_fixture/dataset_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace oracle_dataset_test {
namespace {

using dataset::TFieldType;

TEST_F(StandinDataSetTest, EmptyResultIsBofAndEofWithNoRecords) {
  auto ds = NewDataSet("select cust_sid, email_addr from customer where cust_sid = -1");
  ds->Open();
  EXPECT_TRUE(ds->Active());
  EXPECT_TRUE(ds->Bof());
  EXPECT_TRUE(ds->Eof());
  EXPECT_TRUE(ds->IsEmpty());
  EXPECT_EQ(ds->RecordCount(), 0);
  EXPECT_EQ(ds->GetRecNo(), 0);
  EXPECT_TRUE(ds->FieldByName("email_addr").IsNull());
  ds->Next();
  EXPECT_TRUE(ds->Eof());
}

TEST_F(StandinDataSetTest, SixtyRowsArriveAtOpenInBlocksOf25And25And10) {
  CreateNumbers(60);
  auto ds = NewDataSet("select n, label from numbers order by n");
  ds->Open();
  EXPECT_EQ(FetchLog::rows, (std::vector<ub4>{25, 25, 10}));
  EXPECT_EQ(ds->RecordCount(), 60);
  EXPECT_EQ(ds->FieldByName("n").AsInteger(), 1);
  // Walking and counting cost no further round trips.
  EXPECT_EQ(Walk(*ds, "label").back(), "row 60");
  ds->Last();
  EXPECT_EQ(ds->GetRecNo(), 60);
  EXPECT_EQ(FetchLog::rows.size(), 3u);

  // ReadBuffer sets the block size.
  ds->Close();
  FetchLog::rows.clear();
  ds->SetReadBuffer(40);
  ds->Open();
  EXPECT_EQ(FetchLog::rows, (std::vector<ub4>{40, 20}));
  EXPECT_EQ(ds->RecordCount(), 60);
}

TEST_F(StandinDataSetTest, EveryColumnTypeBecomesItsFieldAndReadsBack) {
  Run("create table kinds (small_n number(4), whole number(9), amount number(12,2), "
      "ratio float, name varchar2(20), code char(3), born date, stamp timestamp, bits raw(2))");
  {
    oracle::TOracleQuery insert;
    insert.SetSession(session_.get());
    insert.SetSQL(
        "insert into kinds values (12, 123456, 12.25, 0.5, 'Ann', 'ABC', "
        "to_date('2024-03-01 13:45:10', 'YYYY-MM-DD HH24:MI:SS'), :stamp, :bits)");
    const double stamp = oracle::EncodeDateTime({2024, 3, 1, 13, 45, 10, 250});
    insert.DeclareAndSet("stamp", 187, oracle::Variant::Date(stamp));
    insert.DeclareAndSet("bits", 24, oracle::Variant::ByteArray({0x0A, 0xFF}));
    insert.Execute();
    session_->Commit();
  }
  session_->Preferences().SetSmallIntPrecision(4);
  auto ds = NewDataSet("select rowid, k.* from kinds k");
  ds->Open();

  // The ROWID column gives no field; it is each record's ROWID text.
  EXPECT_TRUE(ds->HasRowId());
  EXPECT_EQ(ds->FindField("ROWID"), nullptr);
  EXPECT_FALSE(ds->RecordRowId().empty());
  ASSERT_EQ(ds->Fields().Count(), 9);

  struct Expect {
    const char* name;
    TFieldType type;
    int size;
  };
  const Expect expected[] = {
      {"SMALL_N", TFieldType::ftSmallint, 0}, {"WHOLE", TFieldType::ftInteger, 0},
      {"AMOUNT", TFieldType::ftFloat, 0},     {"RATIO", TFieldType::ftFloat, 0},
      {"NAME", TFieldType::ftString, 20},     {"CODE", TFieldType::ftString, 3},
      {"BORN", TFieldType::ftDateTime, 0},    {"STAMP", TFieldType::ftDateTime, 0},
      {"BITS", TFieldType::ftString, 4},
  };
  for (const Expect& e : expected) {
    dataset::TField& f = ds->FieldByName(e.name);
    EXPECT_EQ(f.DataType(), e.type) << e.name;
    EXPECT_EQ(f.Size(), e.size) << e.name;
  }
  EXPECT_EQ(ds->FieldByName("small_n").AsInteger(), 12);
  EXPECT_EQ(ds->FieldByName("whole").AsInteger(), 123456);
  EXPECT_DOUBLE_EQ(ds->FieldByName("amount").AsFloat(), 12.25);
  EXPECT_DOUBLE_EQ(ds->FieldByName("ratio").AsFloat(), 0.5);
  EXPECT_EQ(ds->FieldByName("name").AsString(), "Ann");
  EXPECT_EQ(ds->FieldByName("code").AsString(), "ABC");
  EXPECT_EQ(ds->FieldByName("born").AsString(), "2024-03-01 13:45:10");
  const double stamp = ds->FieldByName("stamp").AsDateTime();
  const double expectedStamp = ds->FieldByName("born").AsDateTime() + 0.25 / 86400.0;
  EXPECT_NEAR(stamp, expectedStamp, 1e-3 / 86400.0);
  EXPECT_EQ(ds->FieldByName("bits").AsString(), "0AFF");
}

// LONG columns open as memo fields and LONG RAW columns as BLOB fields,
// with values longer than any one piece.
TEST_F(StandinDataSetTest, LongColumnsAreMemoAndLongRawColumnsBlobFields) {
  Run("create table memos (k number(5), t long)");
  Run("create table blobs (k number(5), r long raw)");
  std::string text(70000, 'x');
  text += "\nend";
  std::vector<uint8_t> bytes(50000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i % 251);
  {
    oracle::TOracleQuery insert;
    insert.SetSession(session_.get());
    insert.SetSQL("insert into memos values (1, :t)");
    insert.DeclareAndSet("t", 8, oracle::Variant::String(text));
    insert.Execute();
    insert.SetSQL("insert into blobs values (1, :r)");
    insert.DeleteVariables();
    insert.DeclareAndSet("r", 24, oracle::Variant::ByteArray(bytes));
    insert.Execute();
    session_->Commit();
  }
  auto memos = NewDataSet("select k, t from memos");
  memos->Open();
  dataset::TField& memo = memos->FieldByName("t");
  EXPECT_EQ(memo.DataType(), TFieldType::ftMemo);
  EXPECT_EQ(memo.AsString(),
            std::string(70000, 'x') + "\r\nend");  // line ends as the session converts them
  auto blobs = NewDataSet("select k, r from blobs");
  blobs->Open();
  dataset::TField& blob = blobs->FieldByName("r");
  EXPECT_EQ(blob.DataType(), TFieldType::ftBlob);
  EXPECT_TRUE(blob.AsString() == std::string(bytes.begin(), bytes.end()));
}

TEST_F(StandinDataSetTest, DatesReadAsDateTimeValuesAndNullColumnsAsNull) {
  auto ds = NewDataSet(
      "select cust_sid, udf1_date, allow_email, info1, notes, udf2_date from customer order by "
      "cust_sid");
  ds->Open();
  dataset::TField& date = ds->FieldByName("udf1_date");
  EXPECT_EQ(date.DataType(), TFieldType::ftDateTime);
  EXPECT_EQ(date.AsString(), "2024-03-01");
  EXPECT_DOUBLE_EQ(date.AsDateTime(), 45352.0);  // days since 30 December 1899
  EXPECT_EQ(date.Value().vt(), VT_DATE);
  ds->Next();
  EXPECT_TRUE(date.IsNull());
  EXPECT_TRUE(date.Value().IsNull());
  ds->Next();  // 9003
  EXPECT_FALSE(ds->FieldByName("cust_sid").IsNull());
  for (const char* name : {"allow_email", "info1", "udf2_date"}) {
    EXPECT_TRUE(ds->FieldByName(name).IsNull()) << name;
    EXPECT_TRUE(ds->FieldByName(name).Value().IsNull()) << name;
    EXPECT_EQ(ds->FieldByName(name).AsString(), "") << name;
  }
  EXPECT_EQ(ds->FieldByName("notes").AsString(), "no thanks");
}

TEST_F(StandinDataSetTest, TrimStringFieldsDropsTrailingBlanksUnlessSwitchedOff) {
  Run("create table padded (v varchar2(10), m varchar2(40))");
  Run("insert into padded values ('abc   ', 'long text   ')");
  session_->Preferences().SetMaxStringFieldSize(20);  // m becomes a memo
  auto ds = NewDataSet("select v, m from padded");
  ds->Open();
  EXPECT_EQ(ds->FieldByName("m").DataType(), TFieldType::ftMemo);
  EXPECT_EQ(ds->FieldByName("v").AsString(), "abc");
  EXPECT_EQ(ds->FieldByName("m").AsString(), "long text");

  ds->Close();
  session_->Preferences().SetTrimStringFields(false);
  ds->Open();
  EXPECT_EQ(ds->FieldByName("v").AsString(), "abc   ");
  EXPECT_EQ(ds->FieldByName("m").AsString(), "long text   ");
}

TEST_F(StandinDataSetTest, WideAndStringOnlyFieldsFollowTheirSettings) {
  auto wide = std::make_unique<oracle::TOracleSession>();
  wide->Preferences().SetForceWideStringFields(true);  // only before logon
  UsePluginAccount(*wide);
  wide->LogOn();
  oracle::TOracleDataSet ds;
  ds.SetSession(wide.get());
  ds.SetSQL("select first_name, cust_sid from customer where cust_sid = 9002");
  ds.Open();
  dataset::TField& name = ds.FieldByName("first_name");
  EXPECT_EQ(name.DataType(), TFieldType::ftWideString);
  EXPECT_EQ(name.AsString(), "Bob");
  EXPECT_EQ(static_cast<dataset::TWideStringField&>(name).AsWideString(), u"Bob");
  EXPECT_EQ(ds.FieldByName("cust_sid").DataType(), TFieldType::ftFloat);

  // Switching to text fields reopens with every column as (wide) text.
  ds.SetStringFieldsOnly(true);
  EXPECT_TRUE(ds.Active());
  EXPECT_EQ(ds.FieldByName("cust_sid").DataType(), TFieldType::ftWideString);
  EXPECT_EQ(ds.FieldByName("cust_sid").AsString(), "9002");
  ds.Close();
}

TEST_F(StandinDataSetTest, DuplicateColumnNamesGetUniqueFieldNames) {
  auto ds = NewDataSet(
      "select cu.cust_sid, ca.cust_sid from customer cu join cust_address ca "
      "on ca.cust_sid = cu.cust_sid where cu.cust_sid = 9001");
  ds->Open();
  ASSERT_EQ(ds->Fields().Count(), 2);
  EXPECT_EQ(ds->Fields()[0].FieldName(), "CUST_SID");
  EXPECT_EQ(ds->Fields()[1].FieldName(), "CUST_SID_1");
  EXPECT_EQ(ds->Fields()[1].AsInteger(), 9001);
}

TEST_F(StandinDataSetTest, PlugInLooksUpACustomerByEmailThenRunsAnotherStatement) {
  // As the data module does: its own session with the built-in account,
  // one dataset, one bound string, the first record read by column name.
  oracle::TOracleSession session;
  UsePluginAccount(session);
  session.LogOn();
  oracle::TOracleDataSet ds;
  ds.SetSession(&session);
  ds.SetOptimize(false);
  ds.SetSQL(
      "select to_char(cu.cust_sid) as cust_sid, cu.allow_email as allow_email from customer cu "
      "where upper( cu.email_addr ) = upper( :email_addr )");
  ds.DeclareAndSet("email_addr", 5, oracle::Variant::String("Ann.Lee@Example.com"));
  ds.Open();
  ASSERT_FALSE(ds.Eof());
  EXPECT_EQ(ds.FieldByName("cust_sid").AsString(), "9001");
  EXPECT_EQ(ds.FieldByName("allow_email").AsInteger(), 1);
  EXPECT_EQ(ds.RecordCount(), 1);
  ds.Close();
  EXPECT_FALSE(ds.Active());

  ds.SetSQL("select last_name from customer where cust_sid = 9002");
  ds.DeleteVariables();
  ds.Open();
  EXPECT_EQ(ds.FieldByName("last_name").AsString(), "Ray");
  EXPECT_EQ(ds.FindField("cust_sid"), nullptr);
  ds.Close();
  session.LogOff();
}

// A dataset over a cursor variable whose select has an object and an
// XMLTYPE column reads every row as the same select does without the
// cursor: each attribute a field, the document as text, nulls as nulls.
TEST_F(StandinDataSetTest, ACursorDataSetReadsObjectAndXMLTypeColumnsFromItsCursor) {
  Run("create type place_t as object (street varchar2(30), city varchar2(20))");
  Run("create table homes (id number(5), a place_t, doc sys.xmltype)");
  Run("insert into homes values (1, place_t('Main St', 'Oslo'), sys.xmltype('<h>1</h>'))");
  Run("insert into homes values (2, null, null)");
  Run("insert into homes values (3, place_t(null, 'Bergen'), sys.xmltype('<h>3</h>'))");
  const std::string select = "select id, a, doc from homes order by id";
  auto rows = [](oracle::TOracleDataSet& ds) {
    std::vector<std::string> read;
    for (ds.First(); !ds.Eof(); ds.Next()) {
      std::string row;
      for (const char* name : {"ID", "A.STREET", "A.CITY", "DOC"}) {
        const dataset::TField& field = ds.FieldByName(name);
        row += (field.IsNull() ? std::string("~") : field.AsString()) + "|";
      }
      read.push_back(row);
    }
    return read;
  };
  const std::vector<std::string> expected = {"1|Main St|Oslo|<h>1</h>|", "2|~|~|~|",
                                             "3|~|Bergen|<h>3</h>|"};
  auto plain = NewDataSet(select);
  plain->Open();
  EXPECT_EQ(expected, rows(*plain));
  auto cursor = NewDataSet("begin open :c for " + select + "; end;");
  cursor->DeclareVariable("c", oracle::otype::Cursor);
  for (int round = 0; round < 2; ++round) {  // opened twice, and refreshed
    SCOPED_TRACE(round);
    cursor->Open();
    EXPECT_EQ(expected, rows(*cursor));
    EXPECT_EQ(3, cursor->RecordCount());
    cursor->Refresh();
    EXPECT_EQ(expected, rows(*cursor));
    cursor->Close();
  }
}

// A statement error, a missing session or one logged off leave the dataset
// closed; the next good open works.
TEST_F(StandinDataSetTest, AFailedOpenLeavesTheDatasetClosed) {
  auto failing = NewDataSet("select no_such_column from customer");
  EXPECT_THROW(failing->Open(), std::exception);
  EXPECT_FALSE(failing->Active());
  EXPECT_EQ(failing->Fields().Count(), 0);
  failing->SetSQL("select cust_sid from customer");
  failing->Open();
  EXPECT_EQ(failing->RecordCount(), 3);

  oracle::TOracleDataSet ds;
  ds.SetSQL("select cust_sid from customer");
  EXPECT_THROW(ds.Open(), std::exception);
  EXPECT_FALSE(ds.Active());
  session_->LogOff();
  ds.SetSession(session_.get());
  EXPECT_THROW(ds.Open(), std::exception);
  EXPECT_FALSE(ds.Active());
}

}  // namespace
}  // namespace oracle_dataset_test

#endif  // STANDIN_ORACLE_HOME
