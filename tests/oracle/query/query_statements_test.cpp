// Statements as the server receives them: substitution variables, line ends,
// binds, errors with their line and position, changes and their row counts,
// ROWIDs, and the query's life with its session.
#include "oracle/client/oci_loader.h"
#include "oracle/lob/lob_locator.h"
#include "oracle/values/oracle_date.h"
#include "oracle/values/oracle_timestamp.h"
#include "oracle/values/type_codes.h"
#include "oracle_fixture/exception_text.h"
#include "oracle_fixture/query_fixture.h"
#include "platform/oci/oci_rowid_layout.h"

#ifdef STANDIN_ORACLE_HOME

namespace oracle_query_test {
namespace {

using oracle_test_support::ErrorOf;

class QueryStatementsTest : public StandinQueryTest {
 protected:
  std::vector<std::string> LastBinds() {
    const int last = Hook<PFN_ociStandin_JournalSize>("ociStandin_JournalSize")() - 1;
    auto count = Hook<PFN_ociStandin_JournalBindCount>("ociStandin_JournalBindCount");
    auto bind = Hook<PFN_ociStandin_JournalBind>("ociStandin_JournalBind");
    std::vector<std::string> binds;
    for (int i = 0; i < count(last); ++i) binds.emplace_back(bind(last, i));
    return binds;
  }
};

TEST_F(QueryStatementsTest, SubstitutionVariablesBecomePartOfTheText) {
  auto query = NewQuery("select count(*) from :tab where sbs_no = :sbs");
  query->DeclareAndSet("tab", 1, oracle::Variant::String("credit_card"));
  query->DeclareAndSet("sbs", 3, oracle::Variant::Integer(1));
  ClearJournal();
  query->Execute();
  EXPECT_EQ(query->FieldAsInteger(0), 3);
  ASSERT_EQ(JournalSql().size(), 1u);
  EXPECT_EQ(JournalSql()[0], "select count(*) from credit_card where sbs_no = :sbs");
  EXPECT_EQ(LastBinds(), std::vector<std::string>{"SBS=1"});

  // A new value is a new text: parsed again.
  query->SetVariable("tab", oracle::Variant::String("credit_card_v"));
  query->Execute();
  EXPECT_EQ(query->FieldAsInteger(0), 2);
}

TEST_F(QueryStatementsTest, CarriageReturnsAreRemovedOutsideLiterals) {
  auto query = NewQuery();
  query->AddSQL("select first_name");
  query->AddSQL("from customer");
  query->AddSQL("where last_name <> 'a\r\nb'");
  ClearJournal();
  query->Execute();
  ASSERT_EQ(JournalSql().size(), 1u);
  EXPECT_EQ(JournalSql()[0], "select first_name\nfrom customer\nwhere last_name <> 'a\r\nb'\n");
  EXPECT_EQ(FirstColumn(*query).size(), 3u);
}

TEST_F(QueryStatementsTest, ParseErrorLineAndPosition) {
  auto query = NewQuery();
  query->AddSQL("select first_name");
  query->AddSQL("from customer");
  query->AddSQL("where cust_sid = = 1");
  try {
    query->Execute();
    FAIL() << "the bad statement ran";
  } catch (const oracle::EOracleError& e) {
    EXPECT_NE(e.ErrorCode(), 0);
    EXPECT_EQ(query->ErrorCode(), e.ErrorCode());
  }
  EXPECT_EQ(query->ErrorLine(), 3);
  EXPECT_EQ(query->ErrorPosition(), 18);  // the second "="
  EXPECT_EQ(query->ParsedText(), "");     // the next run parses again

  // A good run starts with no position.
  query->SetSQL("select first_name from customer");
  query->Execute();
  EXPECT_EQ(query->ErrorLine(), 0);
  EXPECT_EQ(query->ErrorPosition(), 0);
}

TEST_F(QueryStatementsTest, ChangesReportRowsProcessedAndTheirKind) {
  auto update = NewQuery("update customer set notes = :notes where sbs_no = :sbs");
  update->DeclareAndSet("notes", 5, oracle::Variant::String("seen"));
  update->DeclareAndSet("sbs", 3, oracle::Variant::Integer(1));
  EXPECT_EQ(update->ExecuteArray(-1, -1), 3);
  EXPECT_EQ(update->RowsProcessed(), 3);
  EXPECT_EQ(update->SQLType(), oracle::sqltype::Update);
  EXPECT_TRUE(update->Eof());
  EXPECT_EQ(update->ErrorCode(), 0);

  auto check = NewQuery("select count(*) from customer where notes = 'seen'");
  check->Execute();
  EXPECT_EQ(check->FieldAsInteger(0), 3);
  EXPECT_EQ(check->SQLType(), oracle::sqltype::Select);

  auto erase = NewQuery("delete from customer where cust_sid = 9003");
  erase->Execute();
  EXPECT_EQ(erase->RowsProcessed(), 1);
  EXPECT_EQ(erase->SQLType(), oracle::sqltype::Delete);

  // Under AutoCommit each change commits on success: a rollback undoes none.
  session_->Rollback();
  session_->SetAutoCommit(true);
  erase->Execute();
  EXPECT_EQ(erase->RowsProcessed(), 1);
  session_->Rollback();
  auto gone = NewQuery("select count(*) from customer where cust_sid = 9003");
  gone->Execute();
  EXPECT_EQ(gone->FieldAsInteger(0), 0);
}

TEST_F(QueryStatementsTest, DescribeReadsTheSelectListWithoutRunningIt) {
  auto query = NewQuery("select cust_sid, email_addr from customer");
  query->Describe();
  EXPECT_TRUE(query->Eof());
  ASSERT_EQ(query->FieldCount(), 2);
  EXPECT_EQ(query->FieldName(1), "EMAIL_ADDR");
  EXPECT_EQ(RoundTrips::fetches, 0);

  // Describing a change must not make it.
  auto erase = NewQuery("delete from customer");
  erase->Describe();
  auto count = NewQuery("select count(*) from customer");
  count->Execute();
  EXPECT_EQ(count->FieldAsInteger(0), 3);
}

TEST_F(QueryStatementsTest, LongAndLongRawArraysBindEachElementWithItsLength) {
  Run("create table longs (k number(5), t long, r long raw)");
  auto insert = NewQuery("insert into longs values (:k, :t, :r)");
  insert->DeclareVariable("k", oracle::otype::Integer);
  insert->DeclareVariable("t", oracle::otype::Long);
  insert->DeclareVariable("r", oracle::otype::LongRaw);
  const std::vector<std::string> texts = {"a", std::string(5000, 'b'), "", "line\r\nend"};
  std::vector<oracle::Variant> keys, longs, raws;
  for (std::size_t k = 0; k < texts.size(); ++k) {
    keys.push_back(oracle::Variant::Integer(static_cast<int32_t>(k)));
    longs.push_back(texts[k].empty() ? oracle::Variant() : oracle::Variant::String(texts[k]));
    raws.push_back(oracle::Variant::ByteArray(std::vector<uint8_t>(k + 1, uint8_t(0xF0 + k))));
  }
  insert->SetVariable("k", oracle::Variant::VariantArray(keys));
  insert->SetVariable("t", oracle::Variant::VariantArray(longs));
  insert->SetVariable("r", oracle::Variant::VariantArray(raws));
  EXPECT_EQ(insert->ExecuteArray(-1, -1), 4);

  auto select = NewQuery("select t, r from longs order by k");
  select->Execute();
  for (std::size_t k = 0; k < texts.size(); ++k, select->Next()) {
    ASSERT_FALSE(select->Eof());
    EXPECT_EQ(select->FieldAsString(0), texts[k]);
    EXPECT_EQ(select->FieldAsString(1), std::string(k + 1, char(0xF0 + k)));
  }
}

// An element of 64 KiB or more, first, in the middle or last, leaves every
// element its own length, LONG and LONG RAW alike; the elements are sized
// by all of them, the last one included.
TEST_F(QueryStatementsTest, LongArraysKeepEachElementsLengthAtAnySize) {
  Run("create table longs (k number(5), t long, r long raw)");
  const std::string big(70000, 'b');
  struct Case {
    const char* where;
    std::vector<std::string> texts;
  };
  const Case cases[] = {
      {"first", {big, "a", "cc"}},
      {"middle", {"a", big, "cc"}},
      {"last", {"a", "cc", big}},
      {"last, short", {"a", "bb", std::string(40, 'c')}},
      {"beside a null", {"a", "", std::string(65535, 'y'), "d"}},
      {"two, one of 64 KiB", {std::string(65536, 'x'), big}},
  };
  auto insert = NewQuery("insert into longs values (:k, :t, :r)");
  insert->DeclareVariable("k", oracle::otype::Integer);
  insert->DeclareVariable("t", oracle::otype::Long);
  insert->DeclareVariable("r", oracle::otype::LongRaw);
  int key = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.where);
    Run("delete from longs");
    std::vector<oracle::Variant> keys, texts, raws;
    for (const std::string& text : c.texts) {
      keys.push_back(oracle::Variant::Integer(++key));
      texts.push_back(text.empty() ? oracle::Variant() : oracle::Variant::String(text));
      raws.push_back(text.empty() ? oracle::Variant()
                                  : oracle::Variant::ByteArray(
                                        std::vector<uint8_t>(text.begin(), text.end())));
    }
    insert->SetVariable("k", oracle::Variant::VariantArray(keys));
    insert->SetVariable("t", oracle::Variant::VariantArray(texts));
    insert->SetVariable("r", oracle::Variant::VariantArray(raws));
    EXPECT_EQ(insert->ExecuteArray(-1, -1), static_cast<int32_t>(c.texts.size()));

    auto select = NewQuery("select t, r from longs order by k");
    select->Execute();
    for (const std::string& text : c.texts) {
      ASSERT_FALSE(select->Eof());
      EXPECT_EQ(select->FieldIsNull(0), text.empty());
      EXPECT_EQ(select->FieldAsString(0).size(), text.size());
      EXPECT_EQ(select->FieldAsString(0), text);
      EXPECT_EQ(select->FieldAsString(1), text);
      select->Next();
    }
    EXPECT_TRUE(select->Eof());
  }
}

TEST_F(QueryStatementsTest, ArraysOfDifferentSizesAreRefused) {
  Run("create table pairs (a number(5), b number(5))");
  auto insert = NewQuery("insert into pairs values (:a, :b)");
  std::vector<oracle::Variant> ten, twelve;
  for (int i = 0; i < 12; ++i) {
    if (i < 10) ten.push_back(oracle::Variant::Integer(i));
    twelve.push_back(oracle::Variant::Integer(i));
  }
  insert->DeclareAndSet("a", 3, oracle::Variant::VariantArray(ten));
  insert->DeclareAndSet("b", 3, oracle::Variant::VariantArray(twelve));
  EXPECT_EQ(ErrorOf([&] { insert->Execute(); }), "All arrays must be of equal size for Array DML");
  // Equal sizes run once for every element.
  insert->SetVariable("b", oracle::Variant::VariantArray(ten));
  EXPECT_EQ(insert->ExecuteArray(-1, -1), 10);
  auto count = NewQuery("select count(*), sum(b) from pairs");
  count->Execute();
  EXPECT_EQ(count->FieldAsInteger(0), 10);
  EXPECT_EQ(count->FieldAsInteger(1), 45);
}

// Rows of an array insert into a keyed table whose keys `taken` are in use
// already; each run inserts keys 0 .. 9, one a row.
TEST_F(QueryStatementsTest, FailedRowsOfArrayDmlGoToTheEvent) {
  struct Case {
    const char* name;
    std::vector<int> taken;
    int index, count;
    bool goOn;
    int processed;
    std::vector<int> failedRows;
    std::string keysAfter;  // the table's keys afterwards, ascending
  };
  const Case cases[] = {
      {"all rows, key clash at 3", {3}, -1, -1, true, 9, {3}, "0,1,2,3,4,5,6,7,8,9"},
      {"rows 2..6 only", {0, 4, 8}, 2, 5, true, 4, {4}, "0,2,3,4,5,6,8"},
      {"stop at the first failure", {3, 6}, -1, -1, false, 3, {3}, "0,1,2,3,6"},
      {"failure in the last row", {9}, -1, -1, true, 9, {9}, "0,1,2,3,4,5,6,7,8,9"},
  };
  std::vector<oracle::Variant> keys;
  for (int k = 0; k < 10; ++k) keys.push_back(oracle::Variant::Integer(k));
  int tableNo = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string table = "keyed" + std::to_string(++tableNo);
    Run("create table " + table + " (k number(5) primary key)");
    for (int k : c.taken) Run("insert into " + table + " values (" + std::to_string(k) + ")");
    auto insert = NewQuery("insert into " + table + " values (:k)");
    insert->DeclareAndSet("k", 3, oracle::Variant::VariantArray(keys));
    std::vector<int> failedRows;
    insert->OnArrayError = [&](oracle::TOracleQuery&, int32_t index, int32_t code,
                               const std::string& message, bool& goOn) {
      failedRows.push_back(index);
      EXPECT_EQ(code, 1);
      EXPECT_NE(message.find("ORA-00001"), std::string::npos) << message;
      EXPECT_TRUE(goOn);
      goOn = c.goOn;
    };
    EXPECT_EQ(insert->ExecuteArray(c.index, c.count), c.processed);
    EXPECT_EQ(failedRows, c.failedRows);
    auto check = NewQuery("select k from " + table + " order by k");
    check->Execute();
    std::string keysAfter;
    for (const std::string& k : FirstColumn(*check))
      keysAfter += (keysAfter.empty() ? "" : ",") + k;
    EXPECT_EQ(keysAfter, c.keysAfter);
  }
}

TEST_F(QueryStatementsTest, ArrayDmlWithoutTheEventRaisesAndANewCountBindsAgain) {
  Run("create table keyed (k number(5) primary key)");
  Run("insert into keyed values (3)");
  auto insert = NewQuery("insert into keyed values (:k)");
  std::vector<oracle::Variant> keys;
  for (int k = 0; k < 5; ++k) keys.push_back(oracle::Variant::Integer(k));
  insert->DeclareAndSet("k", 3, oracle::Variant::VariantArray(keys));
  EXPECT_THROW(insert->ExecuteArray(0, 5), oracle::EOracleError);
  EXPECT_EQ(insert->ErrorCode(), 1);
  EXPECT_EQ(insert->RowsProcessed(), 3);  // rows 0-2 went in before row 3 failed
  // Fewer elements: bound again, only they are inserted.
  insert->SetVariable("k", oracle::Variant::VariantArray({oracle::Variant::Integer(7)}));
  EXPECT_EQ(insert->ExecuteArray(-1, -1), 1);
  auto check = NewQuery("select count(*), sum(k) from keyed");
  check->Execute();
  EXPECT_EQ(check->FieldAsInteger(0), 5);
  EXPECT_EQ(check->FieldAsInteger(1), 0 + 1 + 2 + 3 + 7);
}

// A PL/SQL table goes to the server whole (forall insert) and comes back
// with the count of rows the server put in (bulk collect); a table too small
// for the rows is an error of the server's.
TEST_F(QueryStatementsTest, PlsqlTablesTravelBothWays) {
  using oracle::Variant;
  struct Case {
    const char* column;
    int16_t type;
    int32_t stringSize;
    std::vector<Variant> values;  // ascending
  };
  const Case cases[] = {
      {"varchar2(20)",
       5,
       20,
       {Variant::String("alpha"), Variant::String("beta"), Variant::String("gamma")}},
      {"number(9)", 3, 0, {Variant::Integer(-3), Variant::Integer(7), Variant::Integer(12)}},
      {"number", 4, 0, {Variant::Double(-2.25), Variant::Double(1.5), Variant::Double(1e10)}},
      {"date",
       12,
       0,
       {Variant::Date(oracle::EncodeDate(1999, 12, 31)),
        Variant::Date(oracle::EncodeDate(2024, 2, 29) + 0.5),
        Variant::Date(oracle::EncodeDate(2031, 1, 1))}},
  };
  int tableNo = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.column);
    const std::string table = "tab" + std::to_string(++tableNo);
    Run("create table " + table + " (c " + c.column + ")");
    auto insert =
        NewQuery("begin forall i in 1 .. :n insert into " + table + " (c) values (:t(i)); end;");
    insert->DeclarePLSQLTable("t", c.type, 5, c.stringSize);
    insert->SetVariable("t", Variant::VariantArray(c.values));
    insert->DeclareAndSet("n", 3, Variant::Integer(3));
    insert->Execute();

    auto collect =
        NewQuery("begin select c bulk collect into :t from " + table + " order by c; end;");
    collect->DeclarePLSQLTable("t", c.type, 5, c.stringSize);
    collect->Execute();
    const Variant back = collect->GetVariable("t");
    ASSERT_TRUE(back.IsArray());
    ASSERT_EQ(back.Array().ElementCount(), 3u);
    for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(back.Array().items[k], c.values[k]) << k;

    collect->DeclarePLSQLTable("t", c.type, 2, c.stringSize);
    try {
      collect->Execute();
      FAIL() << "three rows went into a table of two";
    } catch (const oracle::EOracleError& e) {
      EXPECT_EQ(e.ErrorCode(), 6513);
    }
  }
  // Other blocks stay refused.
  auto other = NewQuery("begin null; end;");
  try {
    other->Execute();
    FAIL() << "an unknown block ran";
  } catch (const oracle::EOracleError& e) {
    EXPECT_EQ(e.ErrorCode(), 6550);
  }
}

TEST_F(QueryStatementsTest, ServerErrorsOfAChangeRaise) {
  auto insert = NewQuery("insert into subsidiary (sbs_no, sbs_name) values (:no, 'again')");
  insert->DeclareAndSet("no", 3, oracle::Variant::Integer(1));
  EXPECT_THROW(insert->Execute(), oracle::EOracleError);
  EXPECT_EQ(insert->ErrorCode(), 1);  // unique constraint violated
  insert->SetVariable("no", oracle::Variant::Integer(3));
  insert->Execute();
  EXPECT_EQ(insert->RowsProcessed(), 1);
}

TEST_F(QueryStatementsTest, RowidOfAnInsertFindsTheRowAgain) {
  auto insert = NewQuery("insert into subsidiary (sbs_no, sbs_name) values (7, 'Seventh')");
  insert->Execute();
  const std::string rowid = insert->RowId();
  ASSERT_EQ(rowid.size(), 18u) << rowid;
  EXPECT_TRUE(ParseRowidText(rowid).has_value()) << rowid;
  auto find = NewQuery("select rowid, sbs_name from subsidiary where rowid = :x for update");
  find->DeclareAndSet("x", 5, oracle::Variant::String(rowid));
  find->Execute();
  ASSERT_FALSE(find->Eof());
  EXPECT_EQ(find->FieldAsString(0), rowid);
  EXPECT_EQ(find->FieldAsString(1), "Seventh");
  EXPECT_EQ(find->RowId(), rowid);  // the row a select FOR UPDATE fetched last
  find->Next();
  EXPECT_TRUE(find->Eof());
}

TEST_F(QueryStatementsTest, TimestampsTravelThroughDescriptors) {
  Run("create table stamps (id number(5), at timestamp)");
  const oracle::TDateTime when = oracle::EncodeDateTime({2024, 7, 9, 13, 45, 30, 250});
  auto insert = NewQuery("insert into stamps values (:id, :at)");
  insert->DeclareAndSet("id", 3, oracle::Variant::Integer(1));
  insert->DeclareAndSet("at", 187, oracle::Variant::Date(when));
  insert->Execute();
  insert->SetVariable("id", oracle::Variant::Integer(2));
  insert->SetVariable("at", oracle::Variant());
  insert->Execute();

  auto query = NewQuery("select at from stamps order by id");
  query->Execute();
  EXPECT_EQ(query->FieldType(0), 187);
  EXPECT_NEAR(query->FieldAsDate(0), when, 1e-8);
  EXPECT_EQ(query->FieldAsString(0), "2024-07-09 13:45:30");
  query->Next();
  EXPECT_TRUE(query->FieldIsNull(0));
  EXPECT_EQ(query->FieldAsDate(0), 0.0);

  session_->Preferences().SetTimestampAsString(true);
  auto text = NewQuery("select at from stamps where id = 1");
  text->Execute();
  EXPECT_EQ(text->FieldType(0), 5);
  EXPECT_EQ(text->FieldAsString(0), "09-JUL-24 01.45.30.250000 PM");  // the server's format
}

TEST_F(QueryStatementsTest, ReturningOutBindsOfTimestampsAndLobsHoldTheRow) {
  Run("create table stamps (id number(5), at timestamp, made date, body clob)");
  const oracle::TDateTime when = oracle::EncodeDateTime({2024, 7, 9, 13, 45, 30, 250});
  const oracle::TDateTime before = oracle::EncodeDateTime({2000, 1, 1, 0, 0, 0, 0});
  auto insert = NewQuery("insert into stamps values (1, :at, :at, 'hello')");
  insert->DeclareAndSet("at", 187, oracle::Variant::Date(when));
  insert->Execute();

  auto update =
      NewQuery("update stamps set id = 2 returning at, at, made, body into :t, :plain, :d, :b");
  oracle::TOracleTimestamp stamp(session_.get(), 68);
  oracle::TLOBLocator body(session_.get(), oracle::otype::CLOB);
  update->DeclareVariable("t", 187);
  update->SetComplexVariable("t", &stamp);
  update->DeclareAndSet("plain", 187, oracle::Variant::Date(before));
  update->DeclareAndSet("d", 12, oracle::Variant::Date(before));
  update->DeclareVariable("b", oracle::otype::CLOB);
  update->SetComplexVariable("b", &body);
  update->Execute();
  EXPECT_FALSE(stamp.IsNull());
  EXPECT_NEAR(stamp.Value(), when, 1e-8);
  EXPECT_NEAR(update->GetVariable("plain").ToDateTime(), when, 1e-8);
  EXPECT_NEAR(update->GetVariable("d").ToDateTime(),
              oracle::EncodeDateTime({2024, 7, 9, 13, 45, 30, 0}), 1e-8);
  EXPECT_EQ(body.AsString(), "hello");

  // A null in the row makes both timestamps null again.
  update->SetSQL("update stamps set at = null returning at, at into :t, :plain");
  update->DeleteVariable("d");
  update->DeleteVariable("b");
  update->Execute();
  EXPECT_TRUE(stamp.IsNull());
  EXPECT_TRUE(update->GetVariable("plain").IsEmptyOrNull());
}

TEST_F(QueryStatementsTest, NationalTextTravelsAsUtf16BothWays) {
  Run("create table nnotes (id number(10), body nvarchar2(10))");
  const std::string text = "Zo\xc3\xab \xe2\x82\xac";  // "Zoë €"
  auto insert = NewQuery("insert into nnotes values (1, :body)");
  insert->DeclareVariable("body", oracle::otype::String, SQLCS_NCHAR);
  insert->SetVariable("body", oracle::Variant::String(text));
  insert->Execute();
  // The server stored the five characters, not the bytes of their encoding.
  auto length = NewQuery("select length(body) from nnotes");
  length->Execute();
  EXPECT_EQ(length->FieldAsInteger(0), 5);

  auto select = NewQuery("select body from nnotes");
  select->Execute();
  EXPECT_EQ(select->FieldCharsetForm(0), SQLCS_NCHAR);
  EXPECT_EQ(select->FieldCharsetId(0), OCI_CHARSET_AL16UTF16);
  EXPECT_EQ(select->FieldAsString(0), text);
  EXPECT_EQ(select->Field(0).ToText(), text);

  // Plain text is the library's UTF-8: with a UTF-8 database and a client
  // whose own set is not UTF-8 (no NLS_LANG here), its binds say so.
  EXPECT_FALSE(oracle::ClientCharSetIsUTF8());
  auto plain = NewQuery("select count(*) from nnotes where body = :body");
  plain->DeclareAndSet("body", oracle::otype::String, oracle::Variant::String(text));
  plain->Execute();
  EXPECT_EQ(plain->Variables().Data(0).CharsetId(), 0);  // the set is not known yet
  session_->SetBytesPerCharacter(oracle::TBytesPerCharacter::bcAutoDetect);
  plain->Execute();
  EXPECT_EQ(plain->Variables().Data(0).CharsetId(), OCI_CHARSET_AL32UTF8);
  EXPECT_EQ(plain->FieldAsInteger(0), 1);
}

// A national variable holds as many characters as it is declared for
// whatever their width in the library's UTF-8: characters of one, two,
// three and four bytes each fill an NVARCHAR2(2000) column, alone and as
// elements of array DML; only more characters than declared are refused.
TEST_F(QueryStatementsTest, ANationalVariableHoldsTheCharactersItIsDeclaredFor) {
  Run("create table nnotes (id number(10), body nvarchar2(2000))");
  auto repeat = [](const std::string& character, int count) {
    std::string text;
    for (int k = 0; k < count; ++k) text += character;
    return text;
  };
  // Characters of four UTF-8 bytes take two UTF-16 units: 1000 fill the
  // column's 4000 bytes.
  const struct {
    const char* what;
    std::string text;
    int chars;
  } texts[] = {
      {"one byte", repeat("a", 2000), 2000},
      {"two bytes", repeat("\xc3\xa9", 2000), 2000},           // é
      {"three bytes", repeat("\xe2\x82\xac", 2000), 2000},     // €
      {"four bytes", repeat("\xf0\x9f\x98\x80", 1000), 1000},  // U+1F600
      {"mixed", repeat("a\xc3\xa9\xe2\x82\xac", 600) + repeat("\xf0\x9f\x98\x80", 100), 1900},
  };
  auto insert = NewQuery("insert into nnotes values (:id, :body)");
  insert->DeclareVariable("id", oracle::otype::Integer);
  insert->DeclareVariable("body", oracle::otype::String, SQLCS_NCHAR);
  auto check = [&](int id, const std::string& text, int chars) {
    auto select =
        NewQuery("select length(body), body from nnotes where id = " + std::to_string(id));
    select->Execute();
    ASSERT_FALSE(select->Eof());
    EXPECT_EQ(select->FieldAsInteger(0), chars);
    EXPECT_EQ(select->FieldAsString(1), text);
  };
  int id = 0;
  for (const auto& t : texts) {
    SCOPED_TRACE(t.what);
    insert->SetVariable("id", oracle::Variant::Integer(++id));
    insert->SetVariable("body", oracle::Variant::String(t.text));
    insert->Execute();
    check(id, t.text, t.chars);
  }
  // Array DML: every element holds its 2000 characters.
  insert->SetVariable("id", oracle::Variant::VariantArray(
                                {oracle::Variant::Integer(101), oracle::Variant::Integer(102)}));
  insert->SetVariable("body",
                      oracle::Variant::VariantArray({oracle::Variant::String(texts[2].text),
                                                     oracle::Variant::String(texts[3].text)}));
  insert->Execute();
  EXPECT_EQ(insert->RowsProcessed(), 2);
  check(101, texts[2].text, 2000);
  check(102, texts[3].text, 1000);
  // The variable is declared for 4000 characters: one more is refused.
  EXPECT_NO_THROW(
      insert->SetVariable("body", oracle::Variant::String(repeat("\xf0\x9f\x98\x80", 4000))));
  EXPECT_EQ(ErrorOf([&] {
              insert->SetVariable("body",
                                  oracle::Variant::String(repeat("\xf0\x9f\x98\x80", 4001)));
            }),
            "Value too long for variable :BODY");
}

TEST_F(QueryStatementsTest, ALobVariableWithoutItsLocatorIsRefused) {
  Run("create table notes (id number(5), body clob)");
  auto bind = NewQuery("select id from notes where body = :body");
  bind->DeclareVariable("body", 112);
  EXPECT_EQ(ErrorOf([&] { bind->Execute(); }), "LOB variable :BODY cannot be nil");
}

TEST_F(QueryStatementsTest, DebugRunsShowTheQueryBeforeExecuting) {
  std::vector<std::string> shown;
  oracle::SetQueryDebugHook([&](oracle::TOracleQuery& q) { shown.push_back(q.SQL()); });
  auto query = NewQuery("select 1 from dual");
  query->SetDebug(true);
  query->Describe();
  EXPECT_TRUE(shown.empty());
  query->Execute();
  oracle::SetQueryDebugHook({});
  EXPECT_EQ(shown, std::vector<std::string>{"select 1 from dual"});
}

TEST_F(QueryStatementsTest, StatementCacheRunsThroughPrepareAndRelease) {
  session_->LogOff();
  session_->SetStatementCache(true);
  session_->LogOn();
  oracle::AlwaysParseStatements = false;
  auto query = NewQuery("select first_name from customer where cust_sid = :sid");
  query->DeclareAndSet("sid", 3, oracle::Variant::Integer(9001));
  query->Execute();
  EXPECT_EQ(query->FieldAsString(0), "Ann");
  query->SetVariable("sid", oracle::Variant::Integer(9002));
  query->Execute();
  EXPECT_EQ(query->FieldAsString(0), "Bob");
  query->Next();
  EXPECT_TRUE(query->Eof());
}

TEST_F(QueryStatementsTest, LogoffClosesTheQueryAndANewLogonRunsItAgain) {
  auto query = NewQuery("select first_name from customer order by cust_sid");
  query->Execute();
  EXPECT_FALSE(query->Eof());
  session_->LogOff();
  EXPECT_TRUE(query->Eof());
  EXPECT_THROW(query->Execute(), std::runtime_error);
  session_->LogOn();
  query->Execute();
  EXPECT_EQ(query->FieldAsString(0), "Ann");
  // A query outliving its session forgets it.
  session_.reset();
  EXPECT_EQ(query->Session(), nullptr);
}

}  // namespace
}  // namespace oracle_query_test

#endif  // STANDIN_ORACLE_HOME
