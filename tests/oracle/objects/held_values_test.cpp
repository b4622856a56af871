// Values the library hands out (a query column's LOB, object, REF and
// XMLTYPE, an object's nested parts, the object a REF pinned, and LOBs,
// objects and REFs of the caller's own) stay safe to read and to destroy
// for as long as they are held: across executes of their query, a log-off
// and the session's end.

#include <gtest/gtest.h>

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

class HeldValuesTest : public oracle_query_test::StandinQueryTest {
 protected:
  void SetUp() override {
    StandinQueryTest::SetUp();
    Run("create type address_t as object (street varchar2(30), city varchar2(20))");
    Run("create type person_t as object (name varchar2(30), address address_t)");
    Run("create table people of person_t");
    Run("insert into people values (person_t('Ann', address_t('Elm', 'Oslo')))");
    Run("insert into people values (person_t('Bob', address_t('Oak', 'Bergen')))");
    Run("create table cards (id number(5), person person_t, boss ref person_t, note clob, "
        "doc sys.xmltype)");
    Run("commit");
    auto refs = NewQuery("select ref(p) from people p order by 1");
    refs->Execute();
    annHex_ = oracle::RefField(*refs, 0).Hex();
    refs->Next();
    bobHex_ = oracle::RefField(*refs, 0).Hex();
    Run("insert into cards values (1, person_t('Cy', address_t('Pine', 'Rome')), '" + annHex_ +
        "', 'first note', sys.xmltype('<c>1</c>'))");
    Run("insert into cards values (2, person_t('Di', address_t('Ash', 'Lima')), '" + bobHex_ +
        "', 'second note', sys.xmltype('<c>2</c>'))");
    Run("insert into cards values (3, null, null, null, null)");
    Run("commit");
  }

  int Live(const char* hook) { return Hook<int (*)()>(hook)(); }

  // A lookup of one card by :id.
  std::unique_ptr<oracle::TOracleQuery> Lookup() {
    auto query = NewQuery("select person, boss, note, doc from cards where id = :id");
    query->DeclareVariable("id", oracle::otype::Integer);
    return query;
  }
  static void Find(oracle::TOracleQuery& query, int id) {
    query.SetVariable("id", Variant::Integer(id));
    query.Execute();
  }

  // What the lookup handed out on its first row, each part held by the
  // caller from then on.
  struct Held {
    TOracleObject& person;
    TOracleObject& address;
    TOracleReference& boss;
    TOracleObject& pinned;  // the object the first row's REF named
    TOracleObject& pinnedAddress;
    TLOBLocator& note;
    TXMLType& doc;
    explicit Held(oracle::TOracleQuery& query)
        : person(oracle::ObjectFieldByName(query, "PERSON")),
          address(person.Attribute("ADDRESS").ObjectValue()),
          boss(oracle::RefFieldByName(query, "BOSS")),
          pinned(boss.Pin()),
          pinnedAddress(pinned.Attribute("ADDRESS").ObjectValue()),
          note(oracle::LOBFieldByName(query, "NOTE")),
          doc(oracle::XMLTypeFieldByName(query, "DOC")) {}

    // Every part as text, "~" for a null.
    std::string Read() const {
      auto object = [](TOracleObject& o, TOracleObject& a) {
        return o.IsNull() ? std::string("~")
                          : o.Attribute("NAME").AsString() + "/" +
                                (a.IsNull() ? "~" : a.Attribute("CITY").AsString());
      };
      return object(person, address) + "|" + (boss.IsNull() ? "~" : boss.Hex()) + "|" +
             object(pinned, pinnedAddress) + "|" + (note.IsNull() ? "~" : note.AsString()) + "|" +
             (doc.IsNull() ? "~" : doc.XML());
    }
  };

  std::string annHex_, bobHex_;
};

// Executed again, with the statement parsed each run and reused, the
// wrappers a caller holds follow the new row; the object the first row's
// REF pinned stays that object. A new statement whose columns are of other
// kinds leaves them standing for no row, and its own columns get wrappers
// of their own.
TEST_F(HeldValuesTest, HeldColumnValuesFollowTheColumnThroughExecutes) {
  for (const bool alwaysParse : {true, false}) {
    SCOPED_TRACE(alwaysParse ? "parsed each run" : "statement reused");
    oracle::AlwaysParseStatements = alwaysParse;
    auto query = Lookup();
    Find(*query, 1);
    const Held held(*query);
    const Variant person = query->Field(0);
    EXPECT_EQ(held.Read(), "Cy/Rome|" + annHex_ + "|Ann/Oslo|first note|<c>1</c>");

    const struct {
      int id;
      std::string expected;
    } runs[] = {
        {2, "Di/Lima|" + bobHex_ + "|Ann/Oslo|second note|<c>2</c>"},
        {3, "~|~|Ann/Oslo|~|~"},
        {99, "~|~|Ann/Oslo|~|~"},  // no row at all
        {1, "Cy/Rome|" + annHex_ + "|Ann/Oslo|first note|<c>1</c>"},
    };
    for (const auto& run : runs) {
      SCOPED_TRACE(run.id);
      Find(*query, run.id);
      EXPECT_EQ(held.Read(), run.expected);
      if (query->Eof()) continue;
      EXPECT_EQ(&oracle::ObjectField(*query, 0), &held.person) << "the same wrapper";
      if (!query->FieldIsNull(0)) {
        EXPECT_EQ(query->Field(0).AsObject(), person.AsObject());
      }
    }
    // The row's REF pinned again names the same object, read in place.
    EXPECT_EQ(&held.boss.Pin(), &held.pinned);

    // A statement that fails to parse frees the rows: they stand for none.
    const std::string lookup = query->SQL();
    query->SetSQL("select person, boss, note, doc from no_such_cards where id = :id");
    EXPECT_NE(ErrorOf([&] { Find(*query, 1); }), "");
    EXPECT_EQ(held.Read(), "~|~|Ann/Oslo|~|~");
    query->SetSQL(lookup);
    Find(*query, 2);
    EXPECT_EQ(held.Read(), "Di/Lima|" + bobHex_ + "|Ann/Oslo|second note|<c>2</c>");

    // Another statement: the person column is a number now, the REF column
    // a CLOB; the columns after them are gone.
    query->SetSQL("select id, note from cards where id = :id");
    Find(*query, 2);
    EXPECT_EQ(held.Read(), "~|~|Ann/Oslo|~|~");
    EXPECT_EQ(oracle::LOBField(*query, 1).AsString(), "second note");
    EXPECT_NE(static_cast<void*>(&oracle::LOBField(*query, 1)), static_cast<void*>(&held.boss));
    EXPECT_EQ(ErrorOf([&] { oracle::ObjectField(*query, 0); }), "Field ID is not an Object");
  }
}

// A log-off lets go of everything of the session's environment: held
// column values, parts and pins, and the caller's own LOB (a temporary one
// freed), object and REF read as null, and what needs the server says
// "Not logged on". Logged on again, the query's wrappers follow its rows
// and a pin is pinned again when read.
TEST_F(HeldValuesTest, HeldValuesReadAsNullAfterALogOffAndFollowAgainOnceLoggedOn) {
  const int lobs = Live("ociStandin_LiveLobLocators");
  auto query = Lookup();
  Find(*query, 1);
  {
    const Held held(*query);
    auto mine = TLOBLocator::CreateTemporary(session_.get(), oracle::otype::CLOB, false);
    mine->SetAsString("mine");
    TOracleObject own(session_.get(), "person_t", "");
    own.Attribute("NAME").SetAsString("Eve");
    TOracleReference ownRef(session_.get(), "PERSON_T");
    ownRef.SetHex(bobHex_);
    TOracleObject& bob = ownRef.Pin();
    ASSERT_EQ(bob.Attribute("NAME").AsString(), "Bob");

    session_->LogOff();
    EXPECT_EQ(Live("ociStandin_LiveTemporaryLobs"), 0);
    EXPECT_EQ(held.Read(), "~|~|~|~|~");
    EXPECT_EQ(held.person.Attribute("NAME").AsString(), "");
    EXPECT_EQ(held.note.Size(), 0);
    EXPECT_EQ(held.doc.XML(), "");
    EXPECT_TRUE(mine->IsNull());
    EXPECT_EQ(mine->AsString(), "");
    EXPECT_TRUE(own.IsNull());
    EXPECT_TRUE(own.Attribute("NAME").IsNull());
    EXPECT_TRUE(ownRef.IsNull());
    EXPECT_TRUE(bob.IsNull());
    const std::function<void()> needServer[] = {
        [&] { mine->SetAsString("x"); },
        [&] { held.note.SetAsString("x"); },
        [&] { own.Attribute("NAME").SetAsString("x"); },
        [&] { ownRef.SetHex(annHex_); },
        [&] { (void)held.person.ElementCount(); },
        [&] { Find(*query, 2); },
    };
    for (const auto& call : needServer) EXPECT_EQ(ErrorOf(call), "Not logged on");
    EXPECT_EQ(ErrorOf([&] { held.boss.Pin(); }), "Reference is null");

    session_->LogOn();
    Find(*query, 2);
    EXPECT_EQ(held.Read(), "Di/Lima|" + bobHex_ + "|Ann/Oslo|second note|<c>2</c>");
    EXPECT_EQ(bob.Attribute("NAME").AsString(), "Bob");
    EXPECT_TRUE(mine->IsNull());
    EXPECT_TRUE(own.IsNull());
    EXPECT_TRUE(ownRef.IsNull());
    ownRef.SetHex(annHex_);
    EXPECT_EQ(ownRef.Pin().Attribute("NAME").AsString(), "Ann");
  }
  query.reset();
  EXPECT_EQ(Live("ociStandin_LiveLobLocators"), lobs);
}

// A session destroyed under its values: LOBs, objects, REFs, their pins and
// a query's wrappers read as null and are still destroyed without harm.
TEST_F(HeldValuesTest, ValuesOutliveTheirSessionSafely) {
  auto other = NewSession();
  auto query = std::make_unique<oracle::TOracleQuery>();
  query->SetSession(other.get());
  query->SetSQL("select person, boss, note, doc from cards where id = 1");
  query->Execute();
  auto held = std::make_unique<Held>(*query);
  auto mine = TLOBLocator::CreateTemporary(other.get(), oracle::otype::BLOB, false);
  mine->SetAsString("bytes");
  auto own = std::make_unique<TOracleObject>(other.get(), "person_t", "");
  own->Attribute("ADDRESS").ObjectValue().Attribute("CITY").SetAsString("Pisa");
  auto ownRef = std::make_unique<TOracleReference>(other.get(), "PERSON_T");
  ownRef->SetHex(annHex_);
  TOracleObject& ann = ownRef->Pin();
  TLOBLocator& column = oracle::LOBField(*query, 2);

  other.reset();
  EXPECT_EQ(held->Read(), "~|~|~|~|~");
  EXPECT_TRUE(mine->IsNull());
  EXPECT_TRUE(own->Attribute("ADDRESS").ObjectValue().IsNull());
  EXPECT_TRUE(ann.IsNull());
  EXPECT_TRUE(column.IsNull());
  EXPECT_EQ(ErrorOf([&] { own->Attribute("NAME").SetAsString("x"); }), "Not logged on");
  // Destroyed in an order of their own, the query last.
  mine.reset();
  ownRef.reset();
  own.reset();
  held.reset();
  query.reset();
  EXPECT_EQ(Live("ociStandin_LiveTemporaryLobs"), 0);
}

// One reference pinned on row after row holds one instance at a time: the
// client's objects stay as many at the 200th row as at the first. A pin
// held from an earlier row (and a part of it) still reads its object,
// pinned again; one changed since it was pinned keeps its change.
TEST_F(HeldValuesTest, AReferencePinnedRowAfterRowHoldsOneInstanceAtATime) {
  for (int i = 3; i <= 200; ++i)
    Run("insert into people values (person_t('P" + std::to_string(i) + "', address_t('S', 'C" +
        std::to_string(i) + "')))");
  Run("commit");
  auto query = NewQuery("select ref(p), value(p) from people p order by 1");
  query->Execute();
  TOracleReference& ref = oracle::RefField(*query, 0);
  TOracleObject& first = ref.Pin();
  TOracleObject& firstAddress = first.Attribute("ADDRESS").ObjectValue();
  const std::string firstName = first.Attribute("NAME").AsString();
  const std::string firstCity = firstAddress.Attribute("CITY").AsString();
  query->Next();
  TOracleObject& second = ref.Pin();
  second.Attribute("NAME").SetAsString("changed");  // not flushed: kept in the instance
  const int objects = Live("ociStandin_LiveObjects");
  int rows = 2;
  for (query->Next(); !query->Eof(); query->Next(), ++rows) {
    TOracleObject& pinned = ref.Pin();
    ASSERT_EQ(pinned.Attribute("NAME").AsString(),
              oracle::ObjectField(*query, 1).Attribute("NAME").AsString());
    ASSERT_LE(Live("ociStandin_LiveObjects"), objects + 2) << "row " << rows;
  }
  EXPECT_EQ(rows, 200);
  EXPECT_EQ(firstAddress.Attribute("CITY").AsString(), firstCity);
  EXPECT_EQ(first.Attribute("NAME").AsString(), firstName);
  EXPECT_EQ(second.Attribute("NAME").AsString(), "changed");
}

// The parts of a pin that let go of its instance reach it again through
// whichever part is read first: a LOB attribute, a REF attribute, a
// collection element and a nested object each read the first card's value.
TEST_F(HeldValuesTest, EveryPartOfAPinLetGoOfReadsItsObjectAgain) {
  Run("create type item_t as object (name varchar2(10))");
  Run("create type items_t as table of item_t");
  Run("create type card_t as object (name varchar2(20), home address_t, note clob, "
      "boss ref person_t, items items_t)");
  Run("create table decks of card_t");
  for (const char* name : {"one", "two"}) {
    TOracleObject card(session_.get(), "card_t", "decks");
    card.Attribute("NAME").SetAsString(name);
    card.Attribute("HOME").ObjectValue().Attribute("CITY").SetAsString(std::string(name) + " city");
    card.Attribute("NOTE").LOBValue().SetAsString(std::string(name) + " note");
    TOracleReference boss(session_.get(), "PERSON_T");
    boss.SetHex(name == std::string("one") ? annHex_ : bobHex_);
    card.Attribute("BOSS").SetRef(boss);
    TOracleObject item(session_.get(), "item_t", "");
    item.Attribute("NAME").SetAsString(std::string(name) + " item");
    card.Attribute("ITEMS").ObjectValue().AppendElementObject(item);
    oracle::FlushObjectCache(session_.get());
  }
  Run("commit");
  auto query = NewQuery("select ref(d) from decks d order by 1");
  query->Execute();
  TOracleReference& ref = oracle::RefField(*query, 0);
  TOracleObject& first = ref.Pin();
  const bool firstIsOne = first.Attribute("NAME").AsString() == "one";
  const std::string own = firstIsOne ? "one" : "two";
  const std::function<std::string()> parts[] = {
      [&, &note = first.Attribute("NOTE").LOBValue()] { return note.AsString(); },
      [&, &boss = first.Attribute("BOSS").RefValue()] { return boss.Hex(); },
      [&, &item = first.Attribute("ITEMS").ObjectValue().ElementObject(0)] {
        return item.Attribute("NAME").AsString();
      },
      [&, &home = first.Attribute("HOME").ObjectValue()] {
        return home.Attribute("CITY").AsString();
      },
  };
  const std::string expected[] = {own + " note", firstIsOne ? annHex_ : bobHex_, own + " item",
                                  own + " city"};
  for (std::size_t k = 0; k < std::size(parts); ++k) {
    SCOPED_TRACE(k);
    query->Execute();  // the first card's REF again,
    query->Next();     // then the second card's pinned: the first lets go
    ref.Pin();
    EXPECT_EQ(parts[k](), expected[k]);
    for (std::size_t j = 0; j < std::size(parts); ++j) EXPECT_EQ(parts[j](), expected[j]);
  }
}

// Counts the client's error handles alive.
struct LiveErrorHandles {
  using AllocSwap = oracle_test_support::EntryPointSwap<oracle::OCIHandleAlloc>;
  using FreeSwap = oracle_test_support::EntryPointSwap<oracle::OCIHandleFree>;
  static inline long alive = 0;
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

// A reference pinned on row after row, each pin's parts taken (a nested
// object, a REF attribute, a collection element): the pins that rest keep
// no error handle, theirs nor their parts', so the count stays as it was at
// the tenth row; a part of the first pin still reads its value at the end.
TEST_F(HeldValuesTest, PinsAtRestKeepNoErrorHandlesForThemselvesOrTheirParts) {
  Run("create type tag_t as object (label varchar2(10))");
  Run("create type tags_t as table of tag_t");
  Run("create type badge_t as object (name varchar2(10), home address_t, boss ref person_t, "
      "tags tags_t)");
  Run("create table badges of badge_t");
  for (int i = 1; i <= 60; ++i) {
    const std::string n = std::to_string(i);
    Run("insert into badges values (badge_t('B" + n + "', address_t('S', 'C" + n + "'), '" +
        (i % 2 ? annHex_ : bobHex_) + "', tags_t(tag_t('t" + n + "'))))");
  }
  Run("commit");
  LiveErrorHandles::alive = 0;
  LiveErrorHandles::AllocSwap alloc{&LiveErrorHandles::Alloc};
  LiveErrorHandles::FreeSwap free{&LiveErrorHandles::Free};
  auto query = NewQuery("select ref(b) from badges b order by 1");
  query->Execute();
  TOracleReference& ref = oracle::RefField(*query, 0);
  TOracleObject* firstHome = nullptr;
  std::string firstCity;
  long atTen = 0;
  int rows = 0;
  for (; !query->Eof(); query->Next()) {
    ++rows;
    TOracleObject& badge = ref.Pin();
    TOracleObject& home = badge.Attribute("HOME").ObjectValue();
    const std::string city = home.Attribute("CITY").AsString();
    ASSERT_EQ("C" + badge.Attribute("NAME").AsString().substr(1), city);
    ASSERT_FALSE(badge.Attribute("BOSS").RefValue().IsNull());
    ASSERT_EQ(badge.Attribute("TAGS").ObjectValue().ElementObject(0).Attribute("LABEL").AsString(),
              "t" + badge.Attribute("NAME").AsString().substr(1));
    if (rows == 1) {
      firstHome = &home;
      firstCity = city;
    }
    if (rows == 10) atTen = LiveErrorHandles::alive;
  }
  EXPECT_EQ(rows, 60);
  EXPECT_LE(LiveErrorHandles::alive, atTen) << "error handles alive at the 10th row: " << atTen;
  EXPECT_EQ(firstHome->Attribute("CITY").AsString(), firstCity);
}

// A null LOB attribute's locator reads as null until something is written
// through it; then it holds that text, and a later row's null attribute
// reads as null again through the same locator.
TEST_F(HeldValuesTest, ALocatorOfANullLobAttributeTurnsNonNullOnceWritten) {
  Run("create type memo_t as object (title varchar2(10), body clob)");
  Run("create table memos (id number(5), memo memo_t)");
  Run("commit");
  TOracleObject memo(session_.get(), "memo_t", "");
  TLOBLocator& body = memo.Attribute("BODY").LOBValue();
  EXPECT_TRUE(body.IsNull());
  EXPECT_EQ(body.Size(), 0);
  body.SetAsString("written");
  EXPECT_FALSE(body.IsNull());
  EXPECT_FALSE(memo.Attribute("BODY").IsNull());
  EXPECT_EQ(body.AsString(), "written");
  auto insert = NewQuery("insert into memos values (:id, :memo)");
  insert->DeclareVariable("id", oracle::otype::Integer);
  insert->DeclareVariable("memo", oracle::otype::Object);
  insert->SetComplexVariable("memo", &memo);
  for (const int id : {1, 3}) {
    insert->SetVariable("id", Variant::Integer(id));
    insert->Execute();
  }
  Run("insert into memos values (2, memo_t('none', null))");
  Run("commit");
  auto query = NewQuery("select memo from memos order by id");
  query->SetReadBuffer(1);
  query->Execute();
  TLOBLocator& read = oracle::ObjectField(*query, 0).Attribute("BODY").LOBValue();
  std::vector<std::string> seen;
  for (; !query->Eof(); query->Next()) seen.push_back(read.IsNull() ? "~" : read.AsString());
  EXPECT_EQ(seen, (std::vector<std::string>{"written", "~", "written"}));
}

}  // namespace

#endif  // STANDIN_ORACLE_HOME
