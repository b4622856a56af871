// A long-running program's use of object, REF, XMLTYPE, collection and LOB
// columns: the same query and dataset run again and again over rows whose
// values come and go (a null first row, whole blocks of nulls, a null last
// row), at every block size; values and their parts taken once and held
// across rows, executes, log-offs and the session's end; timestamps held
// the same way; and a reference pinned on row after row.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The dataset first: the client interface's global names would shadow its own.
#include "oracle/dataset/dataset.h"

#include "oracle/client/oci_entry_points.h"
#include "oracle/lob/lob_locator.h"
#include "oracle/objects/oracle_object.h"
#include "oracle/objects/oracle_reference.h"
#include "oracle/objects/xml_type.h"
#include "oracle/values/oracle_timestamp.h"
#include "oracle/values/type_codes.h"
#include "oracle_fixture/entry_point_swap.h"
#include "oracle_fixture/exception_text.h"
#include "oracle_fixture/query_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace {

using oracle::TLOBLocator;
using oracle::TOracleObject;
using oracle::TOracleReference;
using oracle::TXMLType;
using oracle::Variant;
using oracle_test_support::ErrorOf;

std::string Hex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (const unsigned char b : bytes) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  return hex;
}

// Which values row `id` of `rows` holds. Rows 1, 5-6, 11-13 and the last
// have nulls in every column; the others have nulls of their own per
// column and per part (a person without a home or memo, a collection of
// one to three elements).
struct Shape {
  int rows;
  bool AllNull(int id) const {
    return id == 1 || id == rows || id == 5 || id == 6 || (id >= 11 && id <= 13);
  }
  bool PersonNull(int id) const { return AllNull(id) || id % 4 == 0; }
  bool HomeNull(int id) const { return id % 3 == 0; }
  bool MemoNull(int id) const { return id % 5 == 2; }
  bool BossNull(int id) const { return AllNull(id) || id % 3 == 1; }
  bool DocNull(int id) const { return AllNull(id) || id % 4 == 2; }
  bool NoteNull(int id) const { return AllNull(id) || id % 5 == 3; }
  bool PicNull(int id) const { return AllNull(id) || id % 2 == 0; }
  bool TagsNull(int id) const { return AllNull(id) || id % 6 == 4; }
  static int TagCount(int id) { return id % 3 + 1; }
  static std::string Pic(int id) {
    return std::string{static_cast<char>(id), '\0', static_cast<char>(0xF0)};
  }
};

class LongRunningValuesTest : public oracle_query_test::StandinQueryTest {
 protected:
  void SetUp() override {
    StandinQueryTest::SetUp();
    Run("create type home_t as object (street varchar2(20), city varchar2(20))");
    Run("create type person_t as object (name varchar2(20), home home_t, memo clob)");
    Run("create type tags_t as table of varchar2(10)");
    Run("create table people of person_t");
    for (const char* name : {"Ann", "Bob", "Cy"})
      Run(std::string("insert into people values (person_t('") + name +
          "', home_t('Elm', 'Oslo'), 'boss memo'))");
    Run("create table things (id number(5), person person_t, boss ref person_t, "
        "doc sys.xmltype, note clob, pic blob, tags tags_t)");
    Run("commit");
    auto refs = NewQuery("select ref(p) from people p order by 1");
    for (refs->Execute(); !refs->Eof(); refs->Next())
      bossHex_.push_back(oracle::RefField(*refs, 0).Hex());
  }

  void Fill(int rows) {
    Run("delete from things");
    const Shape s{rows};
    for (int id = 1; id <= rows; ++id) {
      const std::string n = std::to_string(id);
      std::string person = "null";
      if (!s.PersonNull(id))
        person = "person_t('P" + n + "', " +
                 (s.HomeNull(id) ? std::string("null") : "home_t('S" + n + "', 'C" + n + "')") +
                 ", " + (s.MemoNull(id) ? std::string("null") : "'memo " + n + "'") + ")";
      std::string tags = "null";
      if (!s.TagsNull(id)) {
        tags = "tags_t(";
        for (int k = 0; k < Shape::TagCount(id); ++k)
          tags += (k ? ", '" : "'") + std::string("t") + n + "_" + std::to_string(k) + "'";
        tags += ")";
      }
      Run("insert into things values (" + n + ", " + person + ", " +
          (s.BossNull(id) ? "null" : "'" + BossHex(id) + "'") + ", " +
          (s.DocNull(id) ? std::string("null") : "sys.xmltype('<d>" + n + "</d>')") + ", " +
          (s.NoteNull(id) ? std::string("null") : "'note " + n + "'") + ", " +
          (s.PicNull(id) ? std::string("null") : "X'" + Hex(Shape::Pic(id)) + "'") + ", " + tags +
          ")");
    }
    Run("commit");
  }

  std::string BossHex(int id) const { return bossHex_[static_cast<std::size_t>(id % 3)]; }

  // Row `id` as the query's parts read it: person name/home city/memo,
  // REF, document, note, picture bytes, tags.
  std::string ExpectedQueryRow(const Shape& s, int id) const {
    const std::string n = std::to_string(id);
    std::string row = s.PersonNull(id) ? "~"
                                       : "P" + n + "/" + (s.HomeNull(id) ? "~" : "C" + n) + "/" +
                                             (s.MemoNull(id) ? "~" : "memo " + n);
    row += "|" + (s.BossNull(id) ? "~" : BossHex(id));
    row += "|" + (s.DocNull(id) ? "~" : "<d>" + n + "</d>");
    row += "|" + (s.NoteNull(id) ? "~" : "note " + n);
    row += "|" + (s.PicNull(id) ? "~" : Hex(Shape::Pic(id)));
    row += "|";
    if (s.TagsNull(id)) {
      row += "~";
    } else {
      for (int k = 0; k < Shape::TagCount(id); ++k)
        row += (k ? "," : "") + std::string("t") + n + "_" + std::to_string(k);
    }
    return row;
  }

  // Row `id` as a dataset's fields read it.
  std::string ExpectedDataSetRow(const Shape& s, int id) const {
    const std::string n = std::to_string(id);
    return (s.PersonNull(id) ? "~" : "P" + n) + "|" +
           (s.PersonNull(id) || s.MemoNull(id) ? "~" : "memo " + n) + "|" +
           (s.BossNull(id) ? "~" : BossHex(id)) + "|" + (s.DocNull(id) ? "~" : "<d>" + n + "</d>") +
           "|" + (s.NoteNull(id) ? "~" : "note " + n) + "|" +
           (s.PicNull(id) ? "~" : Hex(Shape::Pic(id)));
  }

  // What a caller took from the query once and keeps.
  struct Held {
    TOracleObject& person;
    TOracleObject& home;
    TLOBLocator& memo;
    TOracleReference& boss;
    TXMLType& doc;
    TLOBLocator& note;
    TLOBLocator& pic;
    TOracleObject& tags;
    explicit Held(oracle::TOracleQuery& q)
        : person(oracle::ObjectFieldByName(q, "PERSON")),
          home(person.Attribute("HOME").ObjectValue()),
          memo(person.Attribute("MEMO").LOBValue()),
          boss(oracle::RefFieldByName(q, "BOSS")),
          doc(oracle::XMLTypeFieldByName(q, "DOC")),
          note(oracle::LOBFieldByName(q, "NOTE")),
          pic(oracle::LOBFieldByName(q, "PIC")),
          tags(oracle::ObjectFieldByName(q, "TAGS")) {}
    std::string Read() const {
      std::string row = person.IsNull()
                            ? "~"
                            : person.Attribute("NAME").AsString() + "/" +
                                  (home.IsNull() ? "~" : home.Attribute("CITY").AsString()) + "/" +
                                  (person.Attribute("MEMO").IsNull() ? "~" : memo.AsString());
      row += "|" + (boss.IsNull() ? "~" : boss.Hex());
      row += "|" + (doc.IsNull() ? "~" : doc.XML());
      row += "|" + (note.IsNull() ? "~" : note.AsString());
      row += "|" + (pic.IsNull() ? "~" : Hex(pic.AsString()));
      row += "|";
      if (tags.IsNull()) {
        row += "~";
      } else {
        for (int k = 0; k < tags.ElementCount(); ++k)
          row += (k ? "," : "") + tags.ElementAsString(k);
      }
      return row;
    }
  };

  static std::vector<std::string> ReadDataSet(oracle::TOracleDataSet& ds) {
    std::vector<std::string> read;
    for (ds.First(); !ds.Eof(); ds.Next()) {
      std::string row;
      for (const char* name : {"PERSON.NAME", "PERSON.MEMO", "BOSS", "DOC", "NOTE", "PIC"}) {
        const dataset::TField& field = ds.FieldByName(name);
        if (!row.empty()) row += "|";
        if (field.IsNull())
          row += "~";
        else
          row += std::string(name) == "PIC" ? Hex(field.AsString()) : field.AsString();
      }
      read.push_back(row);
    }
    return read;
  }

  static constexpr const char* kSelect =
      "select id, person, boss, doc, note, pic, tags from things order by id";

  std::vector<std::string> bossHex_;
};

// One query run again and again, read through parts taken on its first row
// (a row whose every column is null) and kept: every row of every run
// shows its own values, at every block size, the statement parsed each run
// or reused.
TEST_F(LongRunningValuesTest, PartsTakenOnANullRowFollowEveryRowOfEveryRun) {
  for (const int rows : {1, 3, 30}) {
    Fill(rows);
    const Shape s{rows};
    std::vector<std::string> expected;
    for (int id = 1; id <= rows; ++id) expected.push_back(ExpectedQueryRow(s, id));
    for (const bool alwaysParse : {true, false}) {
      for (const int readBuffer : {1, 2, 0, 50}) {
        SCOPED_TRACE(testing::Message()
                     << rows << " rows, ReadBuffer "
                     << (readBuffer == 0 ? "default" : std::to_string(readBuffer))
                     << (alwaysParse ? ", parsed each run" : ", reused"));
        oracle::AlwaysParseStatements = alwaysParse;
        auto query = NewQuery(kSelect);
        if (readBuffer > 0) query->SetReadBuffer(readBuffer);
        query->Execute();
        const Held held(*query);
        for (int run = 0; run < 3; ++run) {
          SCOPED_TRACE(testing::Message() << "run " << run);
          if (run > 0) query->Execute();
          std::vector<std::string> read;
          for (; !query->Eof(); query->Next()) read.push_back(held.Read());
          EXPECT_EQ(read, expected);
          EXPECT_EQ(held.Read(), "~|~|~|~|~|~") << "at Eof";
        }
      }
    }
  }
}

// The same dataset opened, reopened and refreshed, fetching all rows at
// open or on demand: every record shows its own values at every block size.
TEST_F(LongRunningValuesTest, ADataSetShowsEveryRowsOwnValuesAcrossReopensAndRefreshes) {
  for (const int rows : {1, 3, 30}) {
    Fill(rows);
    const Shape s{rows};
    std::vector<std::string> expected;
    for (int id = 1; id <= rows; ++id) expected.push_back(ExpectedDataSetRow(s, id));
    for (const bool alwaysParse : {true, false}) {
      for (const bool all : {true, false}) {
        for (const int readBuffer : {1, 2, 0, 50}) {
          SCOPED_TRACE(testing::Message()
                       << rows << " rows, ReadBuffer "
                       << (readBuffer == 0 ? "default" : std::to_string(readBuffer))
                       << (all ? ", all at open" : ", on demand")
                       << (alwaysParse ? ", parsed each run" : ", reused"));
          oracle::AlwaysParseStatements = alwaysParse;
          oracle::TOracleDataSet ds;
          ds.SetSession(session_.get());
          ds.SetSQL(kSelect);
          ds.SetQueryAllRecords(all);
          if (readBuffer > 0) ds.SetReadBuffer(readBuffer);
          ds.Open();
          EXPECT_EQ(ReadDataSet(ds), expected) << "opened";
          ds.Close();
          ds.Open();
          EXPECT_EQ(ReadDataSet(ds), expected) << "reopened";
          ds.Refresh();
          EXPECT_EQ(ReadDataSet(ds), expected) << "refreshed";
        }
      }
    }
  }
}

// A LOB column's locator held across executes of a keyed lookup FOR
// UPDATE writes to the row it stands for now, and only to that row.
TEST_F(LongRunningValuesTest, AHeldLocatorWritesTheRowOfTheCurrentRun) {
  Run("create table notes (id number(5), body clob)");
  for (const char* row : {"1, 'one'", "2, 'two'", "3, 'three'"})
    Run(std::string("insert into notes values (") + row + ")");
  Run("commit");
  for (const bool alwaysParse : {true, false}) {
    SCOPED_TRACE(alwaysParse ? "parsed each run" : "reused");
    oracle::AlwaysParseStatements = alwaysParse;
    auto query = NewQuery("select body from notes where id = :id for update");
    query->DeclareVariable("id", oracle::otype::Integer);
    auto find = [&](int id) {
      query->SetVariable("id", Variant::Integer(id));
      query->Execute();
    };
    find(1);
    TLOBLocator& body = oracle::LOBField(*query, 0);
    body.SetAsString(alwaysParse ? "first" : "FIRST");
    find(2);
    EXPECT_EQ(body.AsString(), "two");
    body.SetAsString(alwaysParse ? "second" : "SECOND");
    find(3);
    EXPECT_EQ(body.AsString(), "three");
    find(1);
    EXPECT_EQ(body.AsString(), alwaysParse ? "first" : "FIRST");
    Run("commit");
    auto all = NewQuery("select body from notes order by id");
    all->Execute();
    EXPECT_EQ(FirstColumn(*all),
              (std::vector<std::string>{alwaysParse ? "first" : "FIRST",
                                        alwaysParse ? "second" : "SECOND", "three"}));
    Run("update notes set body = 'two' where id = 2");
    Run("commit");
  }
}

// A timestamp the caller holds across a log-off and the next log-on: it
// reads as its value or null, or raises a clear error, while logged off,
// and is set and bound again once logged on.
TEST_F(LongRunningValuesTest, AHeldTimestampServesAgainAfterALogOffAndLogOn) {
  Run("create table stamps (id number(5), at timestamp)");
  const oracle::TDateTime when = oracle::EncodeDateTime({2024, 7, 9, 13, 45, 30, 250});
  oracle::TOracleTimestamp stamp(session_.get(), OCI_DTYPE_TIMESTAMP);
  stamp.SetValue(when);

  session_->LogOff();
  const std::string afterLogOff = ErrorOf([&] { (void)stamp.Value(); });
  EXPECT_TRUE(afterLogOff == "<no error>" || afterLogOff == "Not logged on") << afterLogOff;

  session_->LogOn();
  EXPECT_EQ(ErrorOf([&] { stamp.SetValue(when); }), "<no error>") << "set again once logged on";
  auto insert = NewQuery("insert into stamps values (1, :at)");
  insert->DeclareVariable("at", oracle::otype::Timestamp);
  insert->SetComplexVariable("at", &stamp);
  EXPECT_EQ(ErrorOf([&] { insert->Execute(); }), "<no error>") << "bound once logged on";
  auto read = NewQuery("select count(*) from stamps");
  read->Execute();
  EXPECT_EQ(read->FieldAsInteger(0), 1);
}

// Counts the client's error handles alive, the library's own among them.
struct ErrorHandles {
  using AllocSwap = oracle_test_support::EntryPointSwap<oracle::OCIHandleAlloc>;
  using FreeSwap = oracle_test_support::EntryPointSwap<oracle::OCIHandleFree>;
  static inline std::atomic<long> alive = 0;
  static sword Alloc(const dvoid* parent, dvoid** handle, ub4 type, std::size_t extra,
                     dvoid** mem) {
    const sword status = AllocSwap::real(parent, handle, type, extra, mem);
    if (status == OCI_SUCCESS && type == OCI_HTYPE_ERROR) ++alive;
    return status;
  }
  static sword Free(dvoid* handle, ub4 type) {
    const sword status = FreeSwap::real(handle, type);
    if (status == OCI_SUCCESS && type == OCI_HTYPE_ERROR) --alive;
    return status;
  }
};

// One reference of a REF column pinned on row after row of a long walk:
// what it keeps stays as much at the 300th row as at the tenth.
TEST_F(LongRunningValuesTest, AReferencePinnedOnEveryRowKeepsNoMoreAtTheEnd) {
  for (int i = 4; i <= 300; ++i)
    Run("insert into people values (person_t('P" + std::to_string(i) + "', null, null))");
  Run("commit");
  ErrorHandles::alive = 0;
  ErrorHandles::AllocSwap alloc{&ErrorHandles::Alloc};
  ErrorHandles::FreeSwap free{&ErrorHandles::Free};
  auto query = NewQuery("select ref(p), value(p) from people p order by 1");
  query->Execute();
  TOracleReference& ref = oracle::RefField(*query, 0);
  long atTen = 0;
  int rows = 0;
  for (; !query->Eof(); query->Next()) {
    ++rows;
    ASSERT_EQ(ref.Pin().Attribute("NAME").AsString(),
              oracle::ObjectField(*query, 1).Attribute("NAME").AsString());
    if (rows == 10) atTen = ErrorHandles::alive;
  }
  EXPECT_EQ(rows, 300);
  EXPECT_LE(ErrorHandles::alive, atTen + 2) << "error handles alive at the 10th row: " << atTen;
}

// A query moved to another session while its values are held, and the
// first session destroyed: the held values read as null, the query serves
// the new session, and everything goes without harm.
TEST_F(LongRunningValuesTest, HeldValuesOfAQueryMovedToAnotherSessionOutliveTheFirst) {
  Fill(3);
  const Shape s{3};
  auto first = NewSession();
  auto query = std::make_unique<oracle::TOracleQuery>();
  query->SetSession(first.get());
  query->SetSQL(kSelect);
  query->Execute();
  query->Next();  // row 2
  const Held held(*query);
  EXPECT_EQ(held.Read(), ExpectedQueryRow(s, 2));
  query->SetSession(session_.get());
  EXPECT_EQ(held.Read(), "~|~|~|~|~|~");
  first.reset();
  EXPECT_EQ(held.Read(), "~|~|~|~|~|~");
  query->Execute();
  query->Next();
  const Held now(*query);
  EXPECT_EQ(now.Read(), ExpectedQueryRow(s, 2));
  EXPECT_EQ(held.Read(), "~|~|~|~|~|~");
  query.reset();
}

// Its session destroyed under a query that still exists: the query's
// values read as null, it refuses to run, and it is destroyed safely.
TEST_F(LongRunningValuesTest, AQueryOutlivingItsSessionStaysSafe) {
  Fill(3);
  auto other = NewSession();
  auto query = std::make_unique<oracle::TOracleQuery>();
  query->SetSession(other.get());
  query->SetSQL(kSelect);
  query->Execute();
  query->Next();
  const Held held(*query);
  other.reset();
  EXPECT_EQ(held.Read(), "~|~|~|~|~|~");
  EXPECT_EQ(ErrorOf([&] { query->Execute(); }), "Session undefined");
  query.reset();
}

// A log-off that fails to end the session (the connection is gone): the
// held values still let go and read as null, and follow the rows again
// once logged on.
struct FailingSessionEnd {
  using Swap = oracle_test_support::EntryPointSwap<oracle::OCISessionEnd>;
  static sword End(OCISvcCtx* svc, OCIError* err, OCISession* usr, ub4 mode) {
    Swap::real(svc, err, usr, mode);
    return OCI_INVALID_HANDLE;
  }
};

TEST_F(LongRunningValuesTest, HeldValuesLetGoWhenTheLogOffFails) {
  Fill(3);
  const Shape s{3};
  auto query = NewQuery(kSelect);
  query->Execute();
  query->Next();
  const Held held(*query);
  {
    FailingSessionEnd::Swap swap{&FailingSessionEnd::End};
    EXPECT_NE(ErrorOf([&] { session_->LogOff(); }), "<no error>");
  }
  EXPECT_FALSE(session_->Connected());
  EXPECT_EQ(held.Read(), "~|~|~|~|~|~");
  session_->LogOn();
  query->Execute();
  query->Next();
  EXPECT_EQ(held.Read(), ExpectedQueryRow(s, 2));
}

// A value taken through Field (an object column's object) and a part of
// it, held across a Close and the next Execute: at Close they stand for
// no row, then they follow the new run.
TEST_F(LongRunningValuesTest, ValuesHeldAcrossCloseStandForNoRowThenFollow) {
  Fill(3);
  const Shape s{3};
  for (const bool alwaysParse : {true, false}) {
    SCOPED_TRACE(alwaysParse ? "parsed each run" : "reused");
    oracle::AlwaysParseStatements = alwaysParse;
    auto query = NewQuery(kSelect);
    query->Execute();
    query->Next();
    const Held held(*query);
    auto* person = dynamic_cast<TOracleObject*>(query->FieldByName("PERSON").AsObject());
    ASSERT_EQ(person, &held.person);
    EXPECT_EQ(held.Read(), ExpectedQueryRow(s, 2));
    query->Close();
    EXPECT_TRUE(query->Eof());
    EXPECT_EQ(held.Read(), "~|~|~|~|~|~") << "closed";
    query->Execute();
    query->Next();
    EXPECT_EQ(held.Read(), ExpectedQueryRow(s, 2));
  }
}

// An object's LOB attribute that is null, in a row after one where it held
// a value and in a new object: its locator reads as null, as the attribute
// does (a LOB column's null row reads as null too).
TEST_F(LongRunningValuesTest, ANullLobAttributeReadsAsNullThroughItsLocator) {
  Run("create table staff (id number(5), person person_t)");
  Run("insert into staff values (1, person_t('Ann', null, 'memo of Ann'))");
  Run("insert into staff values (2, person_t('Bob', null, null))");
  Run("commit");
  for (const int readBuffer : {1, 2, 0}) {
    SCOPED_TRACE(testing::Message() << "ReadBuffer " << readBuffer);
    auto query = NewQuery("select person from staff order by id");
    if (readBuffer > 0) query->SetReadBuffer(readBuffer);
    query->Execute();
    TOracleObject& person = oracle::ObjectField(*query, 0);
    TLOBLocator& memo = person.Attribute("MEMO").LOBValue();
    EXPECT_FALSE(memo.IsNull());
    EXPECT_EQ(memo.AsString(), "memo of Ann");
    query->Next();
    EXPECT_TRUE(person.Attribute("MEMO").IsNull());
    EXPECT_TRUE(memo.IsNull()) << "Bob's memo is null, read: '" << memo.AsString() << "'";
  }
  TOracleObject fresh(session_.get(), "person_t", "");
  fresh.Attribute("NAME").SetAsString("Cy");
  EXPECT_TRUE(fresh.Attribute("MEMO").IsNull());
  EXPECT_TRUE(fresh.Attribute("MEMO").LOBValue().IsNull());
}

// An element of a collection of objects taken on a row with three elements
// and held: on each later row it reads that row's element at its index, and
// null where the row has none (fewer elements, an empty or a null
// collection), at every block size and across executes.
TEST_F(LongRunningValuesTest, AHeldCollectionElementFollowsItsIndexRowByRow) {
  Run("create type pet_t as object (name varchar2(10))");
  Run("create type pets_t as table of pet_t");
  Run("create table owners (id number(5), pets pets_t)");
  Run("insert into owners values (1, pets_t(pet_t('a1'), pet_t('a2'), pet_t('a3')))");
  Run("insert into owners values (2, pets_t(pet_t('b1')))");
  Run("insert into owners values (3, null)");
  Run("insert into owners values (4, pets_t(pet_t('d1'), pet_t('d2')))");
  Run("insert into owners values (5, pets_t())");
  Run("insert into owners values (6, pets_t(pet_t('f1'), pet_t(null), pet_t('f3')))");
  Run("commit");
  const std::vector<std::string> expected = {"a2", "~", "~", "d2", "~", ""};
  for (const int readBuffer : {1, 2, 0}) {
    SCOPED_TRACE(testing::Message() << "ReadBuffer " << readBuffer);
    auto query = NewQuery("select pets from owners order by id");
    if (readBuffer > 0) query->SetReadBuffer(readBuffer);
    query->Execute();
    TOracleObject& pets = oracle::ObjectField(*query, 0);
    TOracleObject& second = pets.ElementObject(1);
    for (int run = 0; run < 2; ++run) {
      if (run > 0) query->Execute();
      std::vector<std::string> read;
      for (; !query->Eof(); query->Next())
        read.push_back(second.IsNull() ? "~" : second.Attribute("NAME").AsString());
      EXPECT_EQ(read, expected) << "run " << run;
    }
  }
}

// An XMLTYPE attribute of an object column, held from the first row: each
// row reads its own document, null where it is null, at every block size.
TEST_F(LongRunningValuesTest, AHeldXmlAttributeReadsEachRowsDocument) {
  Run("create type card_t as object (title varchar2(10), body sys.xmltype)");
  Run("create table cards (id number(5), card card_t)");
  std::vector<std::string> expected;
  for (int id = 1; id <= 7; ++id) {
    const std::string n = std::to_string(id);
    const bool cardNull = id == 4, bodyNull = id % 3 == 0;
    Run("insert into cards values (" + n + ", " +
        (cardNull
             ? std::string("null")
             : "card_t('c" + n + "', " +
                   (bodyNull ? std::string("null") : "sys.xmltype('<b>" + n + "</b>')") + ")") +
        ")");
    expected.push_back(cardNull || bodyNull ? "~" : "<b>" + n + "</b>");
  }
  Run("commit");
  for (const int readBuffer : {1, 2, 0}) {
    SCOPED_TRACE(testing::Message() << "ReadBuffer " << readBuffer);
    auto query = NewQuery("select card from cards order by id");
    if (readBuffer > 0) query->SetReadBuffer(readBuffer);
    query->Execute();
    auto& body =
        dynamic_cast<TXMLType&>(oracle::ObjectField(*query, 0).Attribute("BODY").ObjectValue());
    std::vector<std::string> read;
    for (; !query->Eof(); query->Next()) read.push_back(body.IsNull() ? "~" : body.XML());
    EXPECT_EQ(read, expected);
  }
}

// A dataset over a cursor variable, and a keyed lookup dataset, closed and
// opened again with another key and refreshed, the statement parsed each
// run or reused: every open shows its own rows' values.
TEST_F(LongRunningValuesTest, CursorAndKeyedDataSetsReopenedShowTheirOwnRows) {
  Fill(30);
  const Shape s{30};
  for (const bool alwaysParse : {true, false}) {
    SCOPED_TRACE(alwaysParse ? "parsed each run" : "reused");
    oracle::AlwaysParseStatements = alwaysParse;
    for (const int readBuffer : {1, 2, 0}) {
      SCOPED_TRACE(testing::Message() << "ReadBuffer " << readBuffer);
      oracle::TOracleDataSet cursor;
      cursor.SetSession(session_.get());
      cursor.DeclareVariable("c", oracle::otype::Cursor);
      if (readBuffer > 0) cursor.SetReadBuffer(readBuffer);
      for (const int low : {1, 12, 12, 2, 29, 1}) {
        SCOPED_TRACE(testing::Message() << "cursor from " << low);
        cursor.Close();
        cursor.SetSQL(
            "begin open :c for select id, person, boss, doc, note, pic, tags from things "
            "where id >= " +
            std::to_string(low) + " order by id; end;");
        cursor.Open();
        std::vector<std::string> expected;
        for (int id = low; id <= 30; ++id) expected.push_back(ExpectedDataSetRow(s, id));
        EXPECT_EQ(ReadDataSet(cursor), expected);
      }

      oracle::TOracleDataSet keyed;
      keyed.SetSession(session_.get());
      keyed.SetSQL("select id, person, boss, doc, note, pic, tags from things where id = :id");
      keyed.DeclareVariable("id", oracle::otype::Integer);
      if (readBuffer > 0) keyed.SetReadBuffer(readBuffer);
      for (const int id : {2, 1, 7, 13, 7, 30, 3}) {
        SCOPED_TRACE(testing::Message() << "key " << id);
        keyed.SetVariable("id", Variant::Integer(id));
        keyed.Close();
        keyed.Open();
        EXPECT_EQ(ReadDataSet(keyed), std::vector<std::string>{ExpectedDataSetRow(s, id)});
      }
    }
  }
}

// The caller's own LOB, object and REF made before a log-off, bound after
// the next log-on: each binds as a null value (or raises "Not logged on"),
// the statement runs or refuses cleanly, and the session works on.
TEST_F(LongRunningValuesTest, OwnValuesMadeBeforeALogOffBindCleanlyAfterTheNextLogOn) {
  Run("create table kept (id number(5), person person_t, boss ref person_t, note clob)");
  Run("commit");
  TLOBLocator note(session_.get(), oracle::otype::CLOB);
  auto temporary = TLOBLocator::CreateTemporary(session_.get(), oracle::otype::CLOB, false);
  temporary->SetAsString("temporary text");
  TOracleObject person(session_.get(), "person_t", "");
  person.Attribute("NAME").SetAsString("Eve");
  TOracleReference boss(session_.get(), "PERSON_T");
  boss.SetHex(bossHex_[0]);
  session_->LogOff();
  session_->LogOn();
  const struct {
    const char* what;
    const char* sql;
    int16_t type;
    oracle::TComplexObject* value;
  } binds[] = {
      {"a locator", "insert into kept (id, note) values (1, :v)", oracle::otype::CLOB, &note},
      {"a temporary LOB", "insert into kept (id, note) values (2, :v)", oracle::otype::CLOB,
       temporary.get()},
      {"an object", "insert into kept (id, person) values (3, :v)", oracle::otype::Object, &person},
      {"a reference", "insert into kept (id, boss) values (4, :v)", oracle::otype::Reference,
       &boss},
  };
  for (const auto& b : binds) {
    SCOPED_TRACE(b.what);
    auto insert = NewQuery(b.sql);
    insert->DeclareVariable("v", b.type);
    insert->SetComplexVariable("v", b.value);
    const std::string error = ErrorOf([&] { insert->Execute(); });
    EXPECT_TRUE(error == "<no error>" || error == "Not logged on") << error;
  }
  auto count = NewQuery(
      "select count(*) from kept where note is not null or person is not null "
      "or boss is not null");
  count->Execute();
  EXPECT_EQ(count->FieldAsInteger(0), 0) << "only nulls went in";
}

// A LOB column's locator read part way, then the query run again with the
// same row and with another: each run reads its row from the start.
TEST_F(LongRunningValuesTest, AHeldLocatorReadPartWayStartsAgainAtEachRun) {
  Run("create table notes (id number(5), body clob)");
  Run("insert into notes values (1, 'abcdef')");
  Run("insert into notes values (2, 'uvwxyz')");
  Run("commit");
  for (const bool alwaysParse : {true, false}) {
    SCOPED_TRACE(alwaysParse ? "parsed each run" : "reused");
    oracle::AlwaysParseStatements = alwaysParse;
    auto query = NewQuery("select body from notes where id = :id");
    query->DeclareVariable("id", oracle::otype::Integer);
    TLOBLocator* body = nullptr;
    for (const int id : {1, 1, 2, 2, 1}) {
      SCOPED_TRACE(id);
      query->SetVariable("id", Variant::Integer(id));
      query->Execute();
      if (body == nullptr) body = &oracle::LOBField(*query, 0);
      // The text travels as UTF-16: three characters are six bytes.
      char part[6] = {};
      ASSERT_EQ(body->Read(part, 6), 6);
      const std::string first = id == 1 ? "abc" : "uvw";
      EXPECT_EQ(std::string(part, 6),
                std::string({first[0], '\0', first[1], '\0', first[2], '\0'}));
    }
  }
}

// A timestamp whose session is destroyed while the caller holds it: reading
// it gives null or a clear error, and destroying it is safe.
TEST_F(LongRunningValuesTest, AHeldTimestampOutlivesItsSession) {
  const oracle::TDateTime when = oracle::EncodeDateTime({2024, 7, 9, 13, 45, 30, 250});
  auto other = NewSession();
  auto held = std::make_unique<oracle::TOracleTimestamp>(other.get(), OCI_DTYPE_TIMESTAMP);
  held->SetValue(when);
  other.reset();
  const std::string afterEnd = ErrorOf([&] { (void)held->Value(); });
  EXPECT_TRUE(afterEnd == "<no error>" || afterEnd == "Not logged on") << afterEnd;
  held.reset();
}

}  // namespace

#endif  // STANDIN_ORACLE_HOME
