// Object instances over the stand-in's type catalogue: attributes by index
// and name, nested objects, collections, and the refusals.

#include <gtest/gtest.h>

#include <string>

// The dataset first: the client interface's global names would shadow its own.
#include "oracle/dataset/dataset.h"

#include "oracle/client/oracle_errors.h"
#include "oracle/lob/lob_locator.h"
#include "oracle/objects/oracle_object.h"
#include "oracle/objects/oracle_reference.h"
#include "oracle/objects/xml_type.h"
#include "oracle/values/type_codes.h"
#include "oracle_fixture/exception_text.h"
#include "oracle_fixture/query_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace {

using oracle::TOracleObject;
using oracle::Variant;
using oracle_test_support::ErrorOf;
namespace otype = oracle::otype;

class OracleObjectTest : public oracle_query_test::StandinQueryTest {
 protected:
  void SetUp() override {
    StandinQueryTest::SetUp();
    Run("create type address_t as object (street varchar2(30), city varchar2(20))");
    Run("create type phones_t as varray(3) of varchar2(15)");
    Run("create type codes_t as table of number");
    Run("create type person_t as object (name varchar2(30), birth date, salary number(8,2), "
        "address address_t, phones phones_t, stamp timestamp)");
  }

  int LiveObjects() { return Hook<int (*)()>("ociStandin_LiveObjects")(); }

  // A query run on another session.
  static std::unique_ptr<oracle::TOracleQuery> Executed(oracle::TOracleSession& session,
                                                        const std::string& sql) {
    auto query = std::make_unique<oracle::TOracleQuery>();
    query->SetSession(&session);
    query->SetSQL(sql);
    query->Execute();
    return query;
  }
};

TEST_F(OracleObjectTest, AttributesNestedObjectsAndCollections) {
  TOracleObject person(session_.get(), "person_t", "");
  EXPECT_EQ(person.TypeName(), "PERSON_T");
  EXPECT_FALSE(person.IsCollection());
  ASSERT_EQ(person.AttributeCount(), 6);
  EXPECT_EQ(person.AttributeItem(3).Name(), "ADDRESS");
  EXPECT_TRUE(person.Attribute("name").IsNull());

  person.Attribute("NAME").SetAsString("Ann");
  person.Attribute("SALARY").SetAsFloat(1234.5);
  EXPECT_EQ(person.AttributeItem(0).AsString(), "Ann");
  EXPECT_EQ(person.Attribute("salary").AsString(), "1234.5");
  EXPECT_DOUBLE_EQ(person.Attribute("salary").AsFloat(), 1234.5);
  // Dates: the date alone at midnight, with the time otherwise.
  for (const std::string date : {"1980-02-03", "1980-02-03 10:20:30"}) {
    person.Attribute("BIRTH").SetAsString(date);
    EXPECT_EQ(person.Attribute("BIRTH").AsString(), date);
  }
  person.Attribute("name").Clear();
  EXPECT_TRUE(person.Attribute("name").IsNull());

  TOracleObject& address = person.Attribute("address").ObjectValue();
  EXPECT_TRUE(address.IsNull());
  address.Attribute("CITY").SetAsString("Oslo");
  EXPECT_FALSE(address.IsNull());
  EXPECT_EQ(person.Attribute("ADDRESS").ObjectValue().Attribute("city").AsString(), "Oslo");

  TOracleObject& phones = person.Attribute("PHONES").ObjectValue();
  EXPECT_TRUE(phones.IsCollection());
  for (const char* phone : {"111", "222", "333"}) phones.AppendElement(phone);
  phones.SetElementAsString(1, "999");
  phones.TrimElements(1);
  ASSERT_EQ(phones.ElementCount(), 2);
  EXPECT_EQ(phones.ElementAsString(1), "999");

  TOracleObject codes(session_.get(), "CODES_T", "");
  EXPECT_TRUE(codes.IsCollection());
  for (const char* code : {"1", "2.5", "3"}) codes.AppendElement(code);
  codes.DeleteElement(1);
  EXPECT_FALSE(codes.ElementExists(1));
  EXPECT_EQ(codes.ElementAsString(2), "3");
}

TEST_F(OracleObjectTest, ObjectColumnsFollowTheRowFromAnotherSession) {
  Run("create table staff (id number(5), person person_t)");
  Run("insert into staff values (1, person_t('Ann', to_date('1980-02-03', 'YYYY-MM-DD'), 10, "
      "address_t('Main St', 'Oslo'), phones_t('111'), null))");
  Run("insert into staff values (2, person_t('Bob', null, 20, null, null, null))");
  Run("commit");
  auto other = NewSession();
  auto run = Executed(*other, "select id, person from staff order by id");
  oracle::TOracleQuery& query = *run;
  EXPECT_EQ(query.FieldTypeName(1), "PERSON_T");
  EXPECT_EQ(ErrorOf([&] { oracle::ObjectField(query, 0); }), "Field ID is not an Object");
  TOracleObject& person = oracle::ObjectFieldByName(query, "PERSON");
  const std::vector<std::vector<std::string>> expected = {{"Ann", "1980-02-03", "Oslo", "1"},
                                                          {"Bob", "", "", "0"}};
  for (const auto& row : expected) {
    ASSERT_FALSE(query.Eof());
    EXPECT_EQ(person.Attribute("NAME").AsString(), row[0]);
    EXPECT_EQ(person.Attribute("BIRTH").AsString(), row[1]);
    TOracleObject& address = person.Attribute("ADDRESS").ObjectValue();
    EXPECT_EQ(address.IsNull() ? "" : address.Attribute("CITY").AsString(), row[2]);
    TOracleObject& phones = person.Attribute("PHONES").ObjectValue();
    EXPECT_EQ(std::to_string(phones.IsNull() ? 0 : phones.ElementCount()), row[3]);
    query.Next();
  }
  EXPECT_TRUE(query.Eof());

  // A dataset shows each attribute as a field of its own.
  oracle::TOracleDataSet ds;
  ds.SetSession(other.get());
  ds.SetSQL("select id, person from staff order by id");
  ds.Open();
  EXPECT_EQ(ds.FindField("PERSON"), nullptr);
  EXPECT_EQ(ds.FindField("PERSON.ADDRESS"), nullptr);
  EXPECT_EQ(ds.FieldByName("PERSON.NAME").Size(), 30);
  EXPECT_EQ(ds.FieldByName("PERSON.NAME").AsString(), "Ann");
  EXPECT_DOUBLE_EQ(ds.FieldByName("PERSON.BIRTH").AsDateTime(), 29254);  // 1980-02-03
  EXPECT_DOUBLE_EQ(ds.FieldByName("PERSON.SALARY").AsFloat(), 10);
  ds.Next();
  EXPECT_EQ(ds.FieldByName("PERSON.NAME").AsString(), "Bob");
  EXPECT_TRUE(ds.FieldByName("PERSON.BIRTH").IsNull());
}

TEST_F(OracleObjectTest, Refusals) {
  TOracleObject person(session_.get(), "PERSON_T", "");
  const struct {
    std::function<void()> call;
    std::string text;
  } cases[] = {
      {[&] { TOracleObject(session_.get(), "", ""); }, "You must supply an object type"},
      {[&] { person.Attribute("nope"); }, "Unknown attribute: nope"},
      {[&] { person.Attribute("name").ObjectValue(); }, "Attribute NAME is not an object"},
      {[&] { (void)person.Attribute("address").AsString(); },
       "Cannot convert attribute ADDRESS to a String"},
      {[&] { (void)person.Attribute("stamp").AsString(); }, "Attribute type not supported (187)"},
      {[&] { TOracleObject(session_.get(), "NO_SUCH_T", ""); },
       "ORA-04043: object NO_SUCH_T does not exist\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.call), c.text);

  // A value the client refuses: an Oracle error naming the object.
  try {
    person.Attribute("name").SetAsString(std::string(31, 'x'));
    ADD_FAILURE() << "no error";
  } catch (const oracle::EOracleError& e) {
    EXPECT_EQ(e.ErrorCode(), 12899);
    EXPECT_EQ(e.Component(), &person);
  }
  // An instance the client does not know.
  int stale = 0;
  person.AttachInstance(&stale, false);
  EXPECT_EQ(ErrorOf([&] { (void)person.IsNull(); }), "TOracleObject: Invalid handle");

  auto offline = std::make_unique<oracle::TOracleSession>();
  EXPECT_EQ(ErrorOf([&] { TOracleObject(offline.get(), "PERSON_T", ""); }),
            "A TOracleObject instance requires a connected session");
  EXPECT_EQ(ErrorOf([&] { oracle::TOracleReference{offline.get()}; }), "Not logged on");
}

TEST_F(OracleObjectTest, ReferenceHexFormNullAndClear) {
  oracle::TOracleReference ref(session_.get());
  EXPECT_TRUE(ref.IsNull());
  EXPECT_EQ(ref.Indicator(), -1);
  ref.SetHex("0a0B1c");
  EXPECT_FALSE(ref.IsNull());
  EXPECT_EQ(ref.Hex(), "0A0B1C");
  EXPECT_EQ(ErrorOf([&] { ref.SetHex("xyz"); }), "ORA-01465: invalid hex number\n");
  ref.Clear();
  EXPECT_TRUE(ref.IsNull());
  EXPECT_EQ(ref.Hex(), "");
}

TEST_F(OracleObjectTest, ObjectAndReferenceVariablesBindEveryElement) {
  Run("create table staff (id number(5), person person_t, boss ref person_t)");
  auto insert = NewQuery("insert into staff values (:id, :person, :boss)");
  insert->DeclareVariable("id", otype::Integer);
  insert->DeclareVariable("person", otype::Object);
  insert->DeclareVariable("boss", otype::Reference);
  TOracleObject ann(session_.get(), "person_t", ""), bob(session_.get(), "person_t", "");
  oracle::TOracleReference ref(session_.get()), nullRef(session_.get());
  EXPECT_EQ(ErrorOf([&] { insert->SetComplexVariable("person", &ref); }),
            "Assign TOracleObject instance to variable :PERSON");
  EXPECT_EQ(ErrorOf([&] { insert->SetComplexVariable("boss", &ann); }),
            "Assign TOracleReference instance to variable :BOSS");
  EXPECT_EQ(ErrorOf([&] { insert->Execute(); }), "Object variable :PERSON cannot be nil");

  ann.Attribute("NAME").SetAsString("Ann");
  ann.Attribute("PHONES").ObjectValue().AppendElement("111");
  bob.Attribute("NAME").SetAsString("Bob");
  ref.SetHex("0A0B");
  insert->SetVariable("id", Variant::VariantArray({Variant::Integer(1), Variant::Integer(2)}));
  insert->SetVariable("person",
                      Variant::VariantArray({Variant::Object(&ann), Variant::Object(&bob)}));
  insert->SetVariable("boss",
                      Variant::VariantArray({Variant::Object(&ref), Variant::Object(&nullRef)}));
  insert->Execute();
  EXPECT_EQ(insert->RowsProcessed(), 2);
  Run("commit");

  auto other = NewSession();
  auto run = Executed(*other, "select person, boss from staff order by id");
  oracle::TOracleQuery& query = *run;
  EXPECT_EQ(ErrorOf([&] { oracle::RefField(query, 0); }), "Field PERSON is not a Reference");
  TOracleObject& person = oracle::ObjectField(query, 0);
  oracle::TOracleReference& boss = oracle::RefFieldByName(query, "BOSS");
  EXPECT_EQ(boss.TypeName(), "PERSON_T");
  const std::vector<std::vector<std::string>> expected = {{"Ann", "1", "0A0B"}, {"Bob", "0", ""}};
  for (const auto& row : expected) {
    EXPECT_EQ(person.Attribute("NAME").AsString(), row[0]);
    TOracleObject& phones = person.Attribute("PHONES").ObjectValue();
    EXPECT_EQ(std::to_string(phones.IsNull() ? 0 : phones.ElementCount()), row[1]);
    EXPECT_EQ(boss.Hex(), row[2]);
    query.Next();
  }
  EXPECT_TRUE(query.Eof());

  // Out binds of a returning clause get the row's object and REF.
  auto update = NewQuery(
      "update staff set person = person_t('Cy', null, 5, null, null, null) where id = 1 "
      "returning person, boss into :person, :boss");
  update->DeclareVariable("person", otype::Object);
  update->DeclareVariable("boss", otype::Reference);
  TOracleObject back(session_.get(), "person_t", "");
  oracle::TOracleReference backRef(session_.get());
  update->SetComplexVariable("person", &back);
  update->SetComplexVariable("boss", &backRef);
  update->Execute();
  EXPECT_EQ(back.Attribute("NAME").AsString(), "Cy");
  EXPECT_EQ(back.Attribute("SALARY").AsString(), "5");
  EXPECT_EQ(backRef.Hex(), "0A0B");
}

// Out-binds of a returning clause row after row: an object or REF takes
// back the null state of each row, a null after a value and a value after
// a null, whatever it held before.
TEST_F(OracleObjectTest, ObjectAndReferenceOutBindsTakeEachRowsNullState) {
  Run("create table staff (id number(5), person person_t, boss ref person_t)");
  Run("insert into staff values (1, person_t('Ann', null, 7, address_t('Elm', 'Oslo'), null, "
      "null), '0A0B')");
  Run("insert into staff (id) values (2)");
  Run("insert into staff (id, person) values (3, person_t('Cy', null, 1, null, null, null))");
  auto update = NewQuery(
      "update staff set id = id where id = :id returning person, boss into :person, :boss");
  update->DeclareVariable("id", otype::Integer);
  update->DeclareVariable("person", otype::Object);
  update->DeclareVariable("boss", otype::Reference);
  TOracleObject person(session_.get(), "person_t", "");
  oracle::TOracleReference boss(session_.get());
  update->SetComplexVariable("person", &person);
  update->SetComplexVariable("boss", &boss);
  // Each row's object as read back: null, or its name, salary and city.
  auto seen = [&] {
    if (person.IsNull()) return std::string("null");
    return person.Attribute("NAME").AsString() + "/" + person.Attribute("SALARY").AsString() + "/" +
           person.Attribute("ADDRESS").ObjectValue().Attribute("CITY").AsString();
  };
  const struct {
    int id;
    std::string object, ref;
  } rows[] = {{1, "Ann/7/Oslo", "0A0B"},
              {2, "null", ""},
              {2, "null", ""},
              {1, "Ann/7/Oslo", "0A0B"},
              {2, "null", ""}};
  int n = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(++n);
    update->SetVariable("id", Variant::Integer(row.id));
    update->Execute();
    EXPECT_EQ(update->RowsProcessed(), 1);
    EXPECT_EQ(seen(), row.object);
    EXPECT_EQ(boss.IsNull(), row.ref.empty());
    EXPECT_EQ(boss.Hex(), row.ref);
    EXPECT_EQ(update->GetVariable("person").IsEmptyOrNull(), row.object == "null");
    if (row.object == "null") {
      // Nothing of the earlier row is left to read.
      EXPECT_TRUE(person.Attribute("NAME").IsNull());
      EXPECT_TRUE(person.Attribute("ADDRESS").ObjectValue().IsNull());
      EXPECT_EQ(person.Attribute("ADDRESS").ObjectValue().Attribute("CITY").AsString(), "");
    }
  }
  // The object, null now, is written as null when bound in.
  auto copy = NewQuery("update staff set person = :person where id = 3");
  copy->DeclareVariable("person", otype::Object);
  copy->SetComplexVariable("person", &person);
  copy->Execute();
  EXPECT_EQ(
      Executed(*session_, "select count(*) from staff where person is null")->FieldAsInteger(0), 2);
}

TEST_F(OracleObjectTest, CollectionsOfObjectsAreReadAppendedAndWrittenBack) {
  Run("create type item_t as object (name varchar2(10), qty number(5))");
  Run("create type items_t as table of item_t");
  Run("create table orders (id number(5), items items_t)");
  {
    TOracleObject items(session_.get(), "items_t", "");
    EXPECT_EQ(items.ElementTypeName(), "ITEM_T");
    TOracleObject item(session_.get(), "item_t", "");
    for (const char* name : {"pen", "ink"}) {
      item.Attribute("NAME").SetAsString(name);
      item.Attribute("QTY").SetAsFloat(2);
      items.AppendElementObject(item);
    }
    // The element holds a copy: the object it came from may change on.
    item.Attribute("NAME").SetAsString("cap");
    items.SetElementObject(1, item);
    EXPECT_EQ(items.ElementObject(0).Attribute("NAME").AsString(), "pen");
    EXPECT_EQ(items.ElementObject(1).Attribute("NAME").AsString(), "cap");
    EXPECT_EQ(ErrorOf([&] { (void)items.ElementAsString(0); }),
              "Cannot convert element 0 to a String");
    EXPECT_EQ(ErrorOf([&] { items.ElementObject(2); }), "Element 2 does not exist");
    TOracleObject person(session_.get(), "person_t", "");
    EXPECT_EQ(ErrorOf([&] { items.AppendElementObject(person); }).substr(0, 10), "ORA-00932:");
    TOracleObject codes(session_.get(), "codes_t", "");
    EXPECT_EQ(ErrorOf([&] { codes.AppendElementObject(item); }),
              "Elements of CODES_T are not objects");
    auto insert = NewQuery("insert into orders values (1, :items)");
    insert->DeclareVariable("items", otype::Object);
    insert->SetComplexVariable("items", &items);
    insert->Execute();
    Run("commit");
  }
  // A second session reads the collection, changes an element in place,
  // appends one and writes it back.
  auto other = NewSession();
  {
    auto run = Executed(*other, "select items from orders");
    TOracleObject& items = oracle::ObjectField(*run, 0);
    ASSERT_EQ(items.ElementCount(), 2);
    EXPECT_EQ(items.ElementObject(1).Attribute("NAME").AsString(), "cap");
    items.ElementObject(0).Attribute("QTY").SetAsFloat(7);
    TOracleObject item(other.get(), "item_t", "");
    item.Attribute("NAME").SetAsString("box");
    items.AppendElementObject(item);
    auto update = std::make_unique<oracle::TOracleQuery>();
    update->SetSession(other.get());
    update->SetSQL("update orders set items = :items where id = 1");
    update->DeclareVariable("items", otype::Object);
    update->SetComplexVariable("items", &items);
    update->Execute();
    other->Commit();
  }
  auto again = NewQuery("select items from orders");
  again->Execute();
  TOracleObject& items = oracle::ObjectField(*again, 0);
  std::vector<std::string> seen;
  for (int32_t i = 0; i < items.ElementCount(); ++i) {
    TOracleObject& item = items.ElementObject(i);
    seen.push_back(item.Attribute("NAME").AsString() + "=" + item.Attribute("QTY").AsString());
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"pen=7", "cap=2", "box="}));
}

TEST_F(OracleObjectTest, ReferenceAttributesAreSetAndDereferenced) {
  Run("create table people of person_t");
  Run("insert into people values (person_t('Ann', null, 10, null, null, null))");
  Run("create type post_t as object (title varchar2(10), holder ref person_t)");
  Run("create table posts (id number(5), post post_t)");
  Run("commit");
  auto refs = NewQuery("select ref(p) from people p");
  refs->Execute();
  oracle::TOracleReference& ann = oracle::RefField(*refs, 0);
  {
    TOracleObject post(session_.get(), "post_t", "");
    post.Attribute("TITLE").SetAsString("chair");
    oracle::TOracleReference& holder = post.Attribute("HOLDER").RefValue();
    EXPECT_TRUE(holder.IsNull());
    post.Attribute("HOLDER").SetRef(ann);
    EXPECT_EQ(holder.Hex(), ann.Hex());
    EXPECT_EQ(holder.TypeName(), "PERSON_T");
    EXPECT_EQ(ErrorOf([&] { post.Attribute("TITLE").RefValue(); }),
              "Attribute TITLE is not a Reference");
    auto insert = NewQuery("insert into posts values (1, :post)");
    insert->DeclareVariable("post", otype::Object);
    insert->SetComplexVariable("post", &post);
    insert->Execute();
    // A null REF clears the attribute.
    post.Attribute("HOLDER").SetRef(oracle::TOracleReference(session_.get()));
    EXPECT_TRUE(post.Attribute("HOLDER").IsNull());
    EXPECT_TRUE(holder.IsNull());
    Run("commit");
  }
  auto other = NewSession();
  auto run = Executed(*other, "select post from posts");
  TOracleObject& post = oracle::ObjectField(*run, 0);
  EXPECT_EQ(post.Attribute("HOLDER").RefValue().Pin().Attribute("NAME").AsString(), "Ann");
}

TEST_F(OracleObjectTest, ADataSetGivesAFieldForEveryMappedAttribute) {
  Run("create table people of person_t");
  Run("insert into people values (person_t('Ann', null, 10, null, null, null))");
  Run("create type memo_t as object (title varchar2(10), body clob, raw_part raw(4), "
      "big number(12), owner ref person_t, data blob)");
  Run("create table memos (id number(5), m memo_t)");
  auto refs = NewQuery("select ref(p) from people p");
  refs->Execute();
  const std::string annHex = oracle::RefField(*refs, 0).Hex();
  {
    TOracleObject memo(session_.get(), "memo_t", "");
    memo.Attribute("TITLE").SetAsString("note");
    memo.Attribute("BODY").LOBValue().SetAsString("long text");
    memo.Attribute("RAW_PART").SetAsString(std::string("\x01\xAB", 2));
    memo.Attribute("BIG").SetAsFloat(1234567890.0);
    memo.Attribute("OWNER").SetRef(oracle::RefField(*refs, 0));
    memo.Attribute("DATA").LOBValue().SetAsString(std::string("\x00\x01", 2));
    auto insert = NewQuery("insert into memos values (1, :m)");
    insert->DeclareVariable("m", otype::Object);
    insert->SetComplexVariable("m", &memo);
    insert->Execute();
    Run("commit");
  }
  using dataset::TFieldType;
  oracle::TOracleDataSet ds;
  ds.SetSession(session_.get());
  ds.SetSQL("select m from memos");
  ds.Open();
  const struct {
    const char* name;
    TFieldType type;
    std::string value;
  } fields[] = {
      {"M.TITLE", TFieldType::ftString, "note"},
      {"M.BODY", TFieldType::ftOraClob, "long text"},
      {"M.RAW_PART", TFieldType::ftString, "01AB"},
      {"M.BIG", TFieldType::ftFloat, "1234567890"},
      {"M.OWNER", TFieldType::ftString, annHex},
      {"M.DATA", TFieldType::ftOraBlob, std::string("\x00\x01", 2)},
  };
  for (const auto& f : fields) {
    SCOPED_TRACE(f.name);
    ASSERT_NE(ds.FindField(f.name), nullptr);
    EXPECT_EQ(ds.FieldByName(f.name).DataType(), f.type);
    EXPECT_EQ(ds.FieldByName(f.name).AsString(), f.value);
  }
  EXPECT_EQ(ds.FieldByName("M.RAW_PART").Size(), 8);
  EXPECT_EQ(ds.FieldByName("M.OWNER").Size(), 256);
  ds.Close();
  // NUMBER(12) follows the session's precisions: an integer up to
  // IntegerPrecision, a float up to FloatPrecision, else text.
  session_->Preferences().SetIntegerPrecision(12);
  ds.Open();
  EXPECT_EQ(ds.FieldByName("M.BIG").DataType(), TFieldType::ftInteger);
  EXPECT_EQ(ds.FieldByName("M.BIG").AsInteger(), 1234567890);
  ds.Close();
  session_->Preferences().SetIntegerPrecision(9);
  session_->Preferences().SetFloatPrecision(10);
  ds.Open();
  EXPECT_EQ(ds.FieldByName("M.BIG").DataType(), TFieldType::ftString);
  EXPECT_EQ(ds.FieldByName("M.BIG").AsString(), "1234567890");
}

TEST_F(OracleObjectTest, LobAttributesAreLocatorsOverTheInstance) {
  Run("create type doc_t as object (title varchar2(10), body clob, data blob)");
  Run("create table docs (id number(5), doc doc_t)");
  {
    TOracleObject doc(session_.get(), "doc_t", "");
    EXPECT_TRUE(doc.Attribute("BODY").IsNull());
    doc.Attribute("BODY").LOBValue().SetAsString("hello world");
    doc.Attribute("DATA").LOBValue().SetAsString(std::string("\x01\x00\xff", 3));
    EXPECT_FALSE(doc.Attribute("BODY").IsNull());
    EXPECT_EQ(ErrorOf([&] { doc.Attribute("TITLE").LOBValue(); }), "Attribute TITLE is not a LOB");
    auto insert = NewQuery("insert into docs values (1, :doc)");
    insert->DeclareVariable("doc", otype::Object);
    insert->SetComplexVariable("doc", &doc);
    insert->Execute();
    Run("commit");
  }
  {
    auto other = NewSession();
    auto run = Executed(*other, "select doc from docs");
    oracle::TOracleQuery& query = *run;
    TOracleObject& doc = oracle::ObjectField(query, 0);
    EXPECT_EQ(doc.Attribute("BODY").LOBValue().AsString(), "hello world");
    EXPECT_EQ(doc.Attribute("DATA").LOBValue().AsString(), std::string("\x01\x00\xff", 3));
  }
  EXPECT_EQ(Hook<int (*)()>("ociStandin_LiveTemporaryLobs")(), 0);
}

TEST_F(OracleObjectTest, ObjectTablesReferencesAndTheCache) {
  Run("create table people of person_t");
  Run("insert into people values (person_t('Ann', null, 10, address_t('Main St', 'Oslo'), "
      "phones_t('111'), null))");
  // A new object of the table, written by the cache.
  {
    TOracleObject bob(session_.get(), "person_t", "people");
    bob.Attribute("NAME").SetAsString("Bob");
    bob.Attribute("SALARY").SetAsFloat(20);
    oracle::FlushObjectCache(session_.get());
  }
  Run("commit");

  auto other = NewSession();
  auto run = Executed(*other, "select ref(p), value(p) from people p order by 1");
  oracle::TOracleQuery& query = *run;
  ASSERT_EQ(query.FieldCount(), 2);
  oracle::TOracleReference& ref = oracle::RefField(query, 0);
  const std::string annHex = ref.Hex();
  EXPECT_EQ(query.FieldAsString(0), annHex);
  EXPECT_EQ(oracle::ObjectField(query, 1).Attribute("NAME").AsString(), "Ann");
  // Pinned from its REF, changed through the cache, and refreshed.
  TOracleObject& ann = ref.Pin();
  EXPECT_EQ(ann.Attribute("ADDRESS").ObjectValue().Attribute("CITY").AsString(), "Oslo");
  ann.Lock();
  ann.Attribute("SALARY").SetAsFloat(11);
  ann.MarkUpdate();
  ann.Flush();
  ann.Attribute("SALARY").SetAsFloat(99);
  ann.Refresh();
  EXPECT_EQ(ann.Attribute("SALARY").AsString(), "11");
  other->Commit();
  // Its hex form round trip names the same object.
  oracle::TOracleReference copy(session_.get(), "PERSON_T");
  copy.SetHex(annHex);
  EXPECT_EQ(copy.Pin().Attribute("SALARY").AsString(), "11");
  // deref() of a REF column reads the object it names; a null REF none.
  Run("create table posts (id number(5), holder ref person_t)");
  auto post = NewQuery("insert into posts values (1, :holder)");
  post->DeclareVariable("holder", otype::Reference);
  post->SetComplexVariable("holder", &copy);
  post->Execute();
  Run("insert into posts values (2, null)");
  auto derefs = NewQuery("select deref(s.holder) from posts s order by id");
  derefs->Execute();
  EXPECT_EQ(derefs->FieldName(0), "DEREF(S.HOLDER)");
  EXPECT_EQ(oracle::ObjectField(*derefs, 0).Attribute("SALARY").AsString(), "11");
  derefs->Next();
  EXPECT_TRUE(oracle::ObjectField(*derefs, 0).IsNull());
  query.Next();
  EXPECT_EQ(ref.Pin().Attribute("NAME").AsString(), "Bob");
  copy.Clear();
  EXPECT_EQ(ErrorOf([&] { copy.Pin(); }), "Reference is null");
  query.Close();
  // In a dataset a REF is a string of 256 characters.
  oracle::TOracleDataSet ds;
  ds.SetSession(session_.get());
  ds.SetSQL("select ref(p) from people p order by 1");
  ds.Open();
  EXPECT_EQ(ds.FieldByName("REF(P)").Size(), 256);
  EXPECT_EQ(ds.FieldByName("REF(P)").AsString(), annHex);
  ds.Close();

  // Made, pinned and freed many times over, nothing stays behind.
  const int before = LiveObjects();
  for (int k = 0; k < 1000; ++k) {
    TOracleObject person(session_.get(), "PERSON_T", "");
    person.Attribute("NAME").SetAsString("x");
    oracle::TOracleReference again(session_.get(), "PERSON_T");
    again.SetHex(annHex);
    EXPECT_EQ(again.Pin().Attribute("NAME").AsString(), "Ann");
  }
  EXPECT_EQ(LiveObjects(), before);
}

// Parts of a row's object kept across a move to the next row show that
// row's; elements kept across a collection's changes follow their index.
TEST_F(OracleObjectTest, PartsKeptAcrossRowsAndCollectionChangesFollowThem) {
  Run("create table staff (id number(5), person person_t)");
  Run("insert into staff values (1, person_t('Ann', null, 10, address_t('Main St', 'Oslo'), "
      "phones_t('111'), null))");
  Run("insert into staff values (2, person_t('Bob', null, 20, null, phones_t('2', '3'), null))");
  auto query = NewQuery("select person from staff order by id");
  query->Execute();
  TOracleObject& address = oracle::ObjectField(*query, 0).Attribute("ADDRESS").ObjectValue();
  TOracleObject& phones = oracle::ObjectField(*query, 0).Attribute("PHONES").ObjectValue();
  EXPECT_EQ(address.Attribute("CITY").AsString(), "Oslo");
  EXPECT_EQ(phones.ElementCount(), 1);
  query->Next();
  EXPECT_TRUE(address.IsNull());
  EXPECT_EQ(phones.ElementCount(), 2);
  EXPECT_EQ(phones.ElementAsString(1), "3");

  // A row's REF pinned on each row: the object pinned on the first stays.
  Run("create table people of person_t");
  Run("insert into people values (person_t('Ann', null, 10, null, null, null))");
  Run("insert into people values (person_t('Bob', null, 20, null, null, null))");
  auto refs = NewQuery("select ref(p) from people p order by 1");
  refs->Execute();
  TOracleObject& ann = oracle::RefField(*refs, 0).Pin();
  refs->Next();
  EXPECT_EQ(oracle::RefField(*refs, 0).Pin().Attribute("NAME").AsString(), "Bob");
  EXPECT_EQ(ann.Attribute("NAME").AsString(), "Ann");

  Run("create type item_t as object (name varchar2(10), qty number(5))");
  Run("create type items_t as table of item_t");
  TOracleObject items(session_.get(), "items_t", "");
  TOracleObject item(session_.get(), "item_t", "");
  for (const char* name : {"pen", "ink", "cap"}) {
    item.Attribute("NAME").SetAsString(name);
    items.AppendElementObject(item);
  }
  TOracleObject& second = items.ElementObject(1);
  TOracleObject& third = items.ElementObject(2);
  items.DeleteElement(1);
  EXPECT_TRUE(second.IsNull());
  items.TrimElements(1);
  EXPECT_TRUE(third.IsNull());
  item.Attribute("NAME").SetAsString("box");
  items.AppendElementObject(item);
  EXPECT_EQ(third.Attribute("NAME").AsString(), "box");
  EXPECT_EQ(&items.ElementObject(2), &third);
}

// What an object handed out (its nested objects, collections, LOBs, REFs
// and collection elements) stays readable while its holder keeps it: a
// second Pin of the same reference and a Refresh re-read the object in
// place, with what another session committed meanwhile.
class HandedOutObjectTest : public OracleObjectTest {
 protected:
  void SetUp() override {
    OracleObjectTest::SetUp();
    Run("create table people of person_t");
    Run("insert into people values (person_t('Ann', null, 10, null, null, null))");
    Run("insert into people values (person_t('Bob', null, 20, null, null, null))");
    Run("create type item_t as object (name varchar2(10), qty number(5))");
    Run("create type items_t as table of item_t");
    Run("create type card_t as object (name varchar2(20), address address_t, phones phones_t, "
        "note clob, boss ref person_t, items items_t)");
    Run("create table cards of card_t");
    auto people = NewQuery("select ref(p) from people p order by 1");
    people->Execute();
    annHex_ = oracle::RefField(*people, 0).Hex();
    people->Next();
    bobHex_ = oracle::RefField(*people, 0).Hex();
    {
      TOracleObject card(session_.get(), "card_t", "cards");
      card.Attribute("NAME").SetAsString("first");
      card.Attribute("ADDRESS").ObjectValue().Attribute("CITY").SetAsString("Oslo");
      card.Attribute("PHONES").ObjectValue().AppendElement("111");
      card.Attribute("NOTE").LOBValue().SetAsString("old note");
      oracle::TOracleReference boss(session_.get(), "PERSON_T");
      boss.SetHex(annHex_);
      card.Attribute("BOSS").SetRef(boss);
      TOracleObject item(session_.get(), "item_t", "");
      for (const char* name : {"pen", "ink"}) {
        item.Attribute("NAME").SetAsString(name);
        card.Attribute("ITEMS").ObjectValue().AppendElementObject(item);
      }
      oracle::FlushObjectCache(session_.get());
    }
    Run("commit");
    auto cards = NewQuery("select ref(c) from cards c");
    cards->Execute();
    cardHex_ = oracle::RefField(*cards, 0).Hex();
    other_ = NewSession();
  }

  void TearDown() override {
    other_.reset();
    OracleObjectTest::TearDown();
  }

  // The other session changes every part of the card and commits; with
  // `trimItems` its items go, else the second item is renamed.
  void ChangeElsewhere(const std::string& now, bool trimItems) {
    oracle::TOracleReference theirs(other_.get(), "CARD_T");
    theirs.SetHex(cardHex_);
    TOracleObject& card = theirs.Pin();
    card.Attribute("NAME").SetAsString("name " + now);
    card.Attribute("ADDRESS").ObjectValue().Attribute("CITY").SetAsString("city " + now);
    card.Attribute("PHONES").ObjectValue().SetElementAsString(0, "phone " + now);
    card.Attribute("NOTE").LOBValue().SetAsString("note " + now);
    oracle::TOracleReference boss(other_.get(), "PERSON_T");
    boss.SetHex(bobHex_);
    card.Attribute("BOSS").SetRef(boss);
    TOracleObject& items = card.Attribute("ITEMS").ObjectValue();
    if (trimItems)
      items.TrimElements(items.ElementCount());
    else
      items.ElementObject(1).Attribute("NAME").SetAsString(now);
    card.MarkUpdate();
    card.Flush();
    other_->Commit();
  }

  // The other session clears the card's city and boss and commits.
  void ClearElsewhere() {
    oracle::TOracleReference theirs(other_.get(), "CARD_T");
    theirs.SetHex(cardHex_);
    TOracleObject& card = theirs.Pin();
    card.Attribute("ADDRESS").ObjectValue().Attribute("CITY").Clear();
    card.Attribute("BOSS").Clear();
    card.MarkUpdate();
    card.Flush();
    other_->Commit();
  }

  using Reread = std::function<void(oracle::TOracleReference&, TOracleObject&)>;

  // Once the reference that pinned the card goes, nothing stays behind.
  void KeptPartsFollow(const Reread& reread) {
    const int objects = LiveObjects();
    KeepAndReread(reread);
    EXPECT_EQ(LiveObjects(), objects);
    EXPECT_EQ(Hook<int (*)()>("ociStandin_LiveTemporaryLobs")(), 0);
  }

  // Pins the card, takes every part of it, lets `reread` re-read it after
  // each change the other session commits (twice in a row), and reads each
  // part the holder kept.
  void KeepAndReread(const Reread& reread) {
    oracle::TOracleReference ref(session_.get(), "CARD_T");
    ref.SetHex(cardHex_);
    TOracleObject& card = ref.Pin();
    TOracleObject& address = card.Attribute("ADDRESS").ObjectValue();
    TOracleObject& phones = card.Attribute("PHONES").ObjectValue();
    oracle::TLOBLocator& note = card.Attribute("NOTE").LOBValue();
    oracle::TOracleReference& boss = card.Attribute("BOSS").RefValue();
    TOracleObject& items = card.Attribute("ITEMS").ObjectValue();
    TOracleObject& ink = items.ElementObject(1);
    const struct {
      const char* what;
      std::function<std::string()> read;
      std::string before;
    } parts[] = {
        {"the object", [&] { return card.Attribute("NAME").AsString(); }, "first"},
        {"a nested object", [&] { return address.Attribute("CITY").AsString(); }, "Oslo"},
        {"a collection", [&] { return phones.ElementAsString(0); }, "111"},
        {"a LOB", [&] { return note.AsString(); }, "old note"},
        {"a REF", [&] { return boss.Hex(); }, annHex_},
        {"the object a REF names", [&] { return boss.Pin().Attribute("NAME").AsString(); }, "Ann"},
        {"a collection element", [&] { return ink.Attribute("NAME").AsString(); }, "ink"},
    };
    for (const auto& part : parts) EXPECT_EQ(part.read(), part.before) << part.what;
    // The second round trims the items: the element gone reads as null.
    for (const bool trimItems : {false, true}) {
      const std::string now = trimItems ? "second" : "first";
      SCOPED_TRACE(now + " round");
      ChangeElsewhere(now, trimItems);
      reread(ref, card);
      const std::string expected[] = {"name " + now, "city " + now, "phone " + now,
                                      "note " + now, bobHex_,       "Bob"};
      for (std::size_t k = 0; k < std::size(expected); ++k)
        EXPECT_EQ(parts[k].read(), expected[k]) << parts[k].what;
      EXPECT_EQ(items.ElementCount(), trimItems ? 0 : 2);
      if (trimItems)
        EXPECT_TRUE(ink.IsNull());
      else
        EXPECT_EQ(parts[6].read(), now);
    }
    // Values made null elsewhere read as null in the parts kept.
    ClearElsewhere();
    reread(ref, card);
    EXPECT_TRUE(address.Attribute("CITY").IsNull());
    EXPECT_TRUE(boss.IsNull());
    EXPECT_EQ(parts[0].read(), "name second");
  }

  std::string annHex_, bobHex_, cardHex_;
  std::unique_ptr<oracle::TOracleSession> other_;
};

TEST_F(HandedOutObjectTest, ASecondPinReReadsTheObjectItHandedOut) {
  KeptPartsFollow(
      [](oracle::TOracleReference& ref, TOracleObject& card) { EXPECT_EQ(&ref.Pin(), &card); });
}

TEST_F(HandedOutObjectTest, RefreshReReadsInPlace) {
  KeptPartsFollow([](oracle::TOracleReference&, TOracleObject& card) { card.Refresh(); });
}

TEST_F(OracleObjectTest, XMLTypeColumnsAndAttributesReadAsText) {
  Run("create type note_t as object (title varchar2(20), body xmltype)");
  Run("create table notes (id number(5), doc sys.xmltype, note note_t)");
  Run("insert into notes values (1, xmltype('<a>1</a>'), note_t('t', xmltype('<b/>')))");
  Run("commit");
  {
    // Field and FieldAsString give the document, and the object, at once.
    auto plain = NewQuery("select doc, note from notes");
    plain->Execute();
    EXPECT_EQ(plain->Field(0), Variant::String("<a>1</a>"));
    EXPECT_EQ(plain->FieldAsString("DOC"), "<a>1</a>");
    const Variant note = plain->Field(1);
    ASSERT_EQ(note.Type(), oracle::VarType::Object);
    EXPECT_EQ(note.AsObject(), &oracle::ObjectField(*plain, 1));
    EXPECT_EQ(ErrorOf([&] { (void)plain->FieldAsString(1); }),
              "Cannot convert field NOTE to a String");
  }
  auto query = NewQuery("select doc, note from notes");
  query->Execute();
  EXPECT_EQ(query->FieldTypeName(0), "SYS.XMLTYPE");
  ClearJournal();
  oracle::TXMLType& doc = oracle::XMLTypeField(*query, 0);
  EXPECT_EQ(doc.XML(), "<a>1</a>");
  const std::string block =
      "declare\n  kel_object sys.xmltype;\n  xmldata clob;\nbegin\n"
      "  kel_object := :kel_object;\n  xmldata := kel_object.getclobval();\n"
      "  sys.dbms_lob.trim(:xmldata, 0);\n  sys.dbms_lob.append(:xmldata, xmldata);\nend;";
  const auto journal = JournalSql();
  ASSERT_EQ(journal.size(), 1u);
  EXPECT_EQ(journal[0].substr(0, block.size()), block);
  EXPECT_EQ(query->FieldAsString(0), "<a>1</a>");
  EXPECT_EQ(&oracle::ObjectField(*query, 0), &doc);
  TOracleObject& body = oracle::ObjectField(*query, 1).Attribute("BODY").ObjectValue();
  ASSERT_NE(dynamic_cast<oracle::TXMLType*>(&body), nullptr);
  EXPECT_EQ(static_cast<oracle::TXMLType&>(body).XML(), "<b/>");
  EXPECT_EQ(ErrorOf([&] { oracle::XMLTypeField(*query, 1); }), "Field NOTE is not an XMLType");

  // In a dataset the document is a CLOB field, the attribute a field of its
  // own.
  oracle::TOracleDataSet ds;
  ds.SetSession(session_.get());
  ds.SetSQL("select doc, note from notes");
  ds.Open();
  EXPECT_EQ(ds.FieldByName("DOC").DataType(), dataset::TFieldType::ftOraClob);
  EXPECT_EQ(ds.FieldByName("DOC").AsString(), "<a>1</a>");
  EXPECT_EQ(ds.FieldByName("NOTE.TITLE").AsString(), "t");
}

}  // namespace

#endif  // STANDIN_ORACLE_HOME
