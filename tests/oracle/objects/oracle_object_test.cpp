// Object instances over the stand-in's type catalogue: attributes by index
// and name, nested objects, collections, and the refusals.

#include <gtest/gtest.h>

#include <string>

#include "oracle/client/oracle_errors.h"
#include "oracle/objects/oracle_object.h"
#include "oracle/objects/oracle_reference.h"
#include "oracle_fixture/exception_text.h"
#include "oracle_fixture/query_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace {

using oracle::TOracleObject;
using oracle_test_support::ErrorOf;

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
  oracle::TOracleQuery query;
  query.SetSession(other.get());
  query.SetSQL("select id, person from staff order by id");
  query.Execute();
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
  EXPECT_EQ(ErrorOf([&] { oracle::TOracleReference{offline.get()}; }),
            "A TOracleReference instance requires a connected session");
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

}  // namespace

#endif  // STANDIN_ORACLE_HOME
