// National-character variables at the size they are declared for: scalars,
// array elements and PL/SQL table elements in characters of one to four
// UTF-8 bytes, up to and one past their declared characters, in and out.

#include <string>
#include <vector>

#include "oracle/values/type_codes.h"
#include "oracle_fixture/exception_text.h"
#include "oracle_fixture/query_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace oracle_query_test {
namespace {

using oracle::Variant;
using oracle_test_support::ErrorOf;

std::string Repeat(const std::string& character, int count) {
  std::string text;
  for (int k = 0; k < count; ++k) text += character;
  return text;
}

struct Width {
  const char* what;
  std::string character;
};
const Width kWidths[] = {
    {"one byte", "a"},
    {"two bytes", "\xc3\xa9"},           // é
    {"three bytes", "\xe2\x82\xac"},     // €
    {"four bytes", "\xf0\x9f\x98\x80"},  // U+1F600
};

class NationalVariablesTest : public StandinQueryTest {};

// A national variable takes as many characters as it is declared for in any
// script, and refuses one more in every script alike: a scalar of 4000
// characters and a PL/SQL table of elements of 10 characters.
TEST_F(NationalVariablesTest, OneCharacterMoreThanDeclaredIsRefusedInEveryScript) {
  for (const Width& w : kWidths) {
    SCOPED_TRACE(w.what);
    auto scalar = NewQuery("select count(*) from dual where :body is not null");
    scalar->DeclareVariable("body", oracle::otype::String, SQLCS_NCHAR);
    EXPECT_EQ(
        ErrorOf([&] { scalar->SetVariable("body", Variant::String(Repeat(w.character, 4000))); }),
        "<no error>");
    EXPECT_EQ(
        ErrorOf([&] { scalar->SetVariable("body", Variant::String(Repeat(w.character, 4001))); }),
        "Value too long for variable :BODY");

    auto table = NewQuery();
    table->DeclarePLSQLTable("names", oracle::otype::String, 3, 10);
    table->Variables().Data(table->VariableIndex("names")).SetCharsetForm(SQLCS_NCHAR);
    EXPECT_EQ(ErrorOf([&] {
                table->SetVariable(
                    "names", Variant::VariantArray({Variant::String(Repeat(w.character, 10))}));
              }),
              "<no error>");
    EXPECT_EQ(ErrorOf([&] {
                table->SetVariable(
                    "names", Variant::VariantArray({Variant::String(Repeat(w.character, 11))}));
              }),
              "Value too long for variable :NAMES");
  }
}

// National text put in through a national variable comes back out of the
// server whole through a national variable: a RETURNING clause into a
// scalar, in every width, at the column's full 10 characters.
TEST_F(NationalVariablesTest, NationalTextComesBackThroughAReturningClause) {
  Run("create table nnames (id number(5), name nvarchar2(10))");
  int id = 0;
  for (const Width& w : kWidths) {
    SCOPED_TRACE(w.what);
    const std::string name = Repeat(w.character, 10);
    auto insert = NewQuery("insert into nnames values (:id, :name)");
    insert->DeclareAndSet("id", oracle::otype::Integer, Variant::Integer(++id));
    insert->DeclareVariable("name", oracle::otype::String, SQLCS_NCHAR);
    insert->SetVariable("name", Variant::String(name));
    insert->Execute();
    for (const uint8_t form : {uint8_t{SQLCS_IMPLICIT}, uint8_t{SQLCS_NCHAR}}) {
      SCOPED_TRACE(form == SQLCS_NCHAR ? "national variable" : "plain variable");
      auto returning =
          NewQuery("update nnames set id = id where id = :id returning name into :name");
      returning->DeclareAndSet("id", oracle::otype::Integer, Variant::Integer(id));
      returning->DeclareVariable("name", oracle::otype::String, form);
      EXPECT_EQ(ErrorOf([&] { returning->Execute(); }), "<no error>");
      const Variant back = returning->GetVariable("name");
      EXPECT_EQ(back.IsEmptyOrNull() ? std::string("<null>") : back.ToText(), name);
    }
  }
}

// National text goes in as PL/SQL table elements and comes back out of a
// bulk collect with all its characters, in every width, the elements at
// their declared 10 characters.
TEST_F(NationalVariablesTest, NationalTableElementsTravelBothWaysWhole) {
  Run("create table nnames (id number(5), name nvarchar2(10))");
  for (const Width& w : kWidths) {
    SCOPED_TRACE(w.what);
    Run("delete from nnames");
    const std::vector<Variant> names = {Variant::String(Repeat(w.character, 10)),
                                        Variant::String(Repeat(w.character, 3)),
                                        Variant::String(w.character)};
    auto insert =
        NewQuery("begin forall i in 1 .. :n insert into nnames (name) values (:t(i)); end;");
    insert->DeclarePLSQLTable("t", oracle::otype::String, 5, 10);
    insert->Variables().Data(insert->VariableIndex("t")).SetCharsetForm(SQLCS_NCHAR);
    insert->SetVariable("t", Variant::VariantArray(names));
    insert->DeclareAndSet("n", oracle::otype::Integer, Variant::Integer(3));
    EXPECT_EQ(ErrorOf([&] { insert->Execute(); }), "<no error>");
    auto lengths = NewQuery("select length(name) from nnames order by length(name) desc");
    lengths->Execute();
    EXPECT_EQ(FirstColumn(*lengths), (std::vector<std::string>{"10", "3", "1"}));

    auto collect = NewQuery(
        "begin select name bulk collect into :t from nnames order by length(name) desc; end;");
    collect->DeclarePLSQLTable("t", oracle::otype::String, 5, 10);
    collect->Variables().Data(collect->VariableIndex("t")).SetCharsetForm(SQLCS_NCHAR);
    EXPECT_EQ(ErrorOf([&] { collect->Execute(); }), "<no error>");
    const Variant back = collect->GetVariable("t");
    ASSERT_TRUE(back.IsArray());
    ASSERT_EQ(back.Array().ElementCount(), names.size());
    for (std::size_t k = 0; k < names.size(); ++k)
      EXPECT_EQ(back.Array().items[k].ToText(), names[k].ToText()) << k;
  }
}

// Array DML through a national variable on a session of each bytes-per-
// character setting: every element holds the 2000 characters an
// NVARCHAR2(2000) column takes, whatever the width of the database's own
// characters.
TEST_F(NationalVariablesTest, ArrayElementsHoldTheirCharactersAtEveryBytesPerCharacter) {
  Run("create table nnotes (id number(10), body nvarchar2(2000))");
  using oracle::TBytesPerCharacter;
  const struct {
    const char* what;
    TBytesPerCharacter setting;
  } settings[] = {{"1 byte", TBytesPerCharacter::bc1Byte},
                  {"2 bytes", TBytesPerCharacter::bc2Bytes},
                  {"3 bytes", TBytesPerCharacter::bc3Bytes},
                  {"4 bytes", TBytesPerCharacter::bc4Bytes},
                  {"detected", TBytesPerCharacter::bcAutoDetect}};
  int id = 0;
  for (const auto& setting : settings) {
    SCOPED_TRACE(setting.what);
    session_->LogOff();
    session_->SetBytesPerCharacter(setting.setting);
    session_->LogOn();
    auto insert = NewQuery("insert into nnotes values (:id, :body)");
    insert->DeclareVariable("id", oracle::otype::Integer);
    insert->DeclareVariable("body", oracle::otype::String, SQLCS_NCHAR);
    const std::string one = Repeat("a", 2000), three = Repeat("\xe2\x82\xac", 2000);
    insert->SetVariable("id",
                        Variant::VariantArray({Variant::Integer(++id), Variant::Integer(++id)}));
    EXPECT_EQ(ErrorOf([&] {
                insert->SetVariable(
                    "body", Variant::VariantArray({Variant::String(one), Variant::String(three)}));
              }),
              "<no error>");
    EXPECT_EQ(ErrorOf([&] { insert->Execute(); }), "<no error>");
    auto lengths = NewQuery(
        "select length(body) from nnotes where id >= " + std::to_string(id - 1) + " order by id");
    lengths->Execute();
    EXPECT_EQ(FirstColumn(*lengths), (std::vector<std::string>{"2000", "2000"}));
  }
}

// A national variable set by a block, in every width: a select into it reads
// the row, a null the block gives replaces an earlier value, and a value
// the block only reads (run twice) stays as it was.
TEST_F(NationalVariablesTest, ABlockSetsANationalVariableToTextOrNull) {
  Run("create table nnames (id number(5), name nvarchar2(10))");
  for (const Width& w : kWidths) {
    SCOPED_TRACE(w.what);
    Run("delete from nnames");
    const std::string name = Repeat(w.character, 10);
    Run("insert into nnames values (1, '" + name + "')");
    auto into = NewQuery("begin select name into :v from nnames where id = 1; end;");
    into->DeclareVariable("v", oracle::otype::String, SQLCS_NCHAR);
    into->Execute();
    EXPECT_EQ(into->GetVariable("v").ToText(), name);

    auto assign = NewQuery("begin :v := null; end;");
    assign->DeclareVariable("v", oracle::otype::String, SQLCS_NCHAR);
    assign->SetVariable("v", Variant::String(name));
    assign->Execute();
    EXPECT_TRUE(assign->GetVariable("v").IsEmptyOrNull()) << "the null the block gave";

    auto untouched = NewQuery("begin :n := length(:v); end;");
    untouched->DeclareVariable("n", oracle::otype::Integer);
    untouched->DeclareVariable("v", oracle::otype::String, SQLCS_NCHAR);
    untouched->SetVariable("v", Variant::String(name));
    untouched->Execute();
    untouched->Execute();
    EXPECT_EQ(untouched->GetVariable("n").ToText(), "10");
    EXPECT_EQ(untouched->GetVariable("v").ToText(), name) << "an in value left as it was";
  }
}

}  // namespace
}  // namespace oracle_query_test

#endif  // STANDIN_ORACLE_HOME
