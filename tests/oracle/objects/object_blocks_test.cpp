// Object, REF, XMLTYPE and LOB columns read row by row over several fetch
// blocks: every row shows its own value, null where it is null, whatever
// the rows of the earlier blocks held, through a query (its column wrappers
// and its Field), a dataset and a dataset over a cursor variable.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

// The dataset first: the client interface's global names would shadow its own.
#include "oracle/dataset/dataset.h"

#include "oracle/lob/lob_locator.h"
#include "oracle/objects/oracle_object.h"
#include "oracle/objects/oracle_reference.h"
#include "oracle/objects/xml_type.h"
#include "oracle/values/type_codes.h"
#include "oracle_fixture/query_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace {

using oracle::Variant;

// The values of row `id`: the object's name, the REF's hex form, the
// document and the CLOB's text, "~" for a null. Each column has nulls of
// its own, in the first block and in later ones at every buffer size.
struct RowValues {
  static bool PersonNull(int id) { return id == 1 || id % 5 == 3; }
  static bool BossNull(int id) { return id % 4 == 2; }
  static bool DocNull(int id) { return id % 3 == 0; }
  static bool NoteNull(int id) { return id % 7 == 4; }
  static std::string Hex(int id) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0A%04X", id);
    return hex;
  }
  static std::string Expected(int id) {
    const std::string n = std::to_string(id);
    return (PersonNull(id) ? "~" : "P" + n) + "|" + (BossNull(id) ? "~" : Hex(id)) + "|" +
           (DocNull(id) ? "~" : "<r>" + n + "</r>") + "|" + (NoteNull(id) ? "~" : "note " + n);
  }
};

class ObjectBlocksTest : public oracle_query_test::StandinQueryTest {
 protected:
  void SetUp() override {
    StandinQueryTest::SetUp();
    Run("create type person_t as object (name varchar2(30), salary number(8,2))");
    Run("create table things (id number(5), person person_t, boss ref person_t, "
        "doc sys.xmltype, note clob)");
  }

  void Fill(int rows) {
    for (int id = 1; id <= rows; ++id) {
      const std::string n = std::to_string(id);
      Run("insert into things values (" + n + ", " +
          (RowValues::PersonNull(id) ? "null" : "person_t('P" + n + "', " + n + ")") + ", " +
          (RowValues::BossNull(id) ? "null" : "'" + RowValues::Hex(id) + "'") + ", " +
          (RowValues::DocNull(id) ? "null" : "sys.xmltype('<r>" + n + "</r>')") + ", " +
          (RowValues::NoteNull(id) ? "null" : "'note " + n + "'") + ")");
    }
    Run("commit");
  }

  static std::vector<std::string> Expected(int rows) {
    std::vector<std::string> expected;
    for (int id = 1; id <= rows; ++id) expected.push_back(RowValues::Expected(id));
    return expected;
  }

  // The current row through the column wrappers the query hands out.
  static std::string ThroughWrappers(oracle::TOracleQuery& query) {
    oracle::TOracleObject& person = oracle::ObjectFieldByName(query, "PERSON");
    oracle::TOracleReference& boss = oracle::RefFieldByName(query, "BOSS");
    oracle::TXMLType& doc = oracle::XMLTypeFieldByName(query, "DOC");
    oracle::TLOBLocator& note = oracle::LOBFieldByName(query, "NOTE");
    return (person.IsNull() ? "~" : person.Attribute("NAME").AsString()) + "|" +
           (boss.IsNull() ? "~" : boss.Hex()) + "|" + (doc.IsNull() ? "~" : doc.XML()) + "|" +
           (note.IsNull() ? "~" : note.AsString());
  }

  // The current row through Field and FieldAsString.
  static std::string ThroughFields(oracle::TOracleQuery& query) {
    std::string row;
    const Variant person = query.FieldByName("PERSON");
    if (query.FieldIsNull("PERSON")) {
      row += "~";
    } else {
      auto* object = dynamic_cast<oracle::TOracleObject*>(person.AsObject());
      row += object == nullptr ? "?" : object->Attribute("NAME").AsString();
    }
    for (const char* name : {"BOSS", "DOC", "NOTE"}) {
      const Variant value = query.FieldByName(name);
      row += "|";
      if (query.FieldIsNull(name) != value.IsEmptyOrNull()) return row + "null state differs";
      row += value.IsEmptyOrNull() ? "~" : query.FieldAsString(name);
    }
    return row;
  }

  static std::vector<std::string> ReadDataSet(oracle::TOracleDataSet& ds) {
    std::vector<std::string> read;
    for (ds.First(); !ds.Eof(); ds.Next()) {
      std::string row;
      for (const char* name : {"PERSON.NAME", "BOSS", "DOC", "NOTE"}) {
        const dataset::TField& field = ds.FieldByName(name);
        if (!row.empty()) row += "|";
        row += field.IsNull() ? "~" : field.AsString();
      }
      read.push_back(row);
    }
    return read;
  }

  static constexpr const char* kSelect =
      "select id, person, boss, doc, note from things order by id";
};

// 30 and 3 rows at ReadBuffer 1, 2 and the default (25): every row reads its
// own value through the query's wrappers (kept from the first row on, and
// asked for again on each row), through Field, and in a plain and a cursor
// dataset.
TEST_F(ObjectBlocksTest, EveryRowReadsItsOwnValueAtEveryBufferSize) {
  for (const int rows : {30, 3}) {
    Run("delete from things");
    Fill(rows);
    const std::vector<std::string> expected = Expected(rows);
    for (const int readBuffer : {1, 2, 0}) {
      SCOPED_TRACE(testing::Message()
                   << rows << " rows, ReadBuffer "
                   << (readBuffer == 0 ? "default" : std::to_string(readBuffer)));
      auto query = NewQuery(kSelect);
      if (readBuffer > 0) query->SetReadBuffer(readBuffer);
      query->Execute();
      std::vector<std::string> wrappers, fields;
      for (; !query->Eof(); query->Next()) {
        wrappers.push_back(ThroughWrappers(*query));
        fields.push_back(ThroughFields(*query));
      }
      EXPECT_EQ(wrappers, expected) << "the query's wrappers";
      EXPECT_EQ(fields, expected) << "the query's Field";

      auto ds = std::make_unique<oracle::TOracleDataSet>();
      ds->SetSession(session_.get());
      ds->SetSQL(kSelect);
      if (readBuffer > 0) ds->SetReadBuffer(readBuffer);
      ds->Open();
      EXPECT_EQ(ReadDataSet(*ds), expected) << "a dataset";

      auto cursor = std::make_unique<oracle::TOracleDataSet>();
      cursor->SetSession(session_.get());
      cursor->SetSQL(std::string("begin open :c for ") + kSelect + "; end;");
      cursor->DeclareVariable("c", oracle::otype::Cursor);
      if (readBuffer > 0) cursor->SetReadBuffer(readBuffer);
      cursor->Open();
      EXPECT_EQ(ReadDataSet(*cursor), expected) << "a cursor dataset";
    }
  }
}

// A keyed lookup executed again with another key, parsed once (statements
// reused) and parsed each time: each run shows its own row's object, REF,
// document and CLOB, null ones included.
TEST_F(ObjectBlocksTest, AKeyedLookupRunAgainShowsTheNewKeysRow) {
  Fill(10);
  for (const bool alwaysParse : {false, true}) {
    SCOPED_TRACE(alwaysParse ? "parsed each run" : "statement reused");
    oracle::AlwaysParseStatements = alwaysParse;
    auto query = NewQuery("select id, person, boss, doc, note from things where id = :id");
    query->DeclareVariable("id", oracle::otype::Integer);
    for (const int id : {2, 5, 3, 9, 5, 6, 1, 2}) {
      SCOPED_TRACE(id);
      query->SetVariable("id", Variant::Integer(id));
      query->Execute();
      ASSERT_FALSE(query->Eof());
      EXPECT_EQ(ThroughWrappers(*query), RowValues::Expected(id));
      EXPECT_EQ(ThroughFields(*query), RowValues::Expected(id));
    }
    // A dataset refreshed with each key.
    oracle::TOracleDataSet ds;
    ds.SetSession(session_.get());
    ds.SetSQL("select id, person, boss, doc, note from things where id = :id");
    ds.DeclareVariable("id", oracle::otype::Integer);
    ds.SetVariable("id", Variant::Integer(2));
    ds.Open();
    for (const int id : {5, 3, 9, 6, 1, 2}) {
      SCOPED_TRACE(testing::Message() << "dataset " << id);
      ds.SetVariable("id", Variant::Integer(id));
      ds.Refresh();
      EXPECT_EQ(ReadDataSet(ds), std::vector<std::string>{RowValues::Expected(id)});
    }
  }
}

}  // namespace

#endif  // STANDIN_ORACLE_HOME
