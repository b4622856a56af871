// A query's properties and variables, which need no server.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "oracle/query/query.h"
#include "oracle/session/session.h"
#include "oracle_fixture/exception_text.h"

namespace oracle {
namespace {

using oracle_test_support::ErrorOf;

TEST(QueryProperties, DefaultsOptimizeSqlLinesAndTheSessionARunNeeds) {
  const TOracleQuery* created = nullptr;
  SetQueryCreatedHook([&](TOracleQuery& q) { created = &q; });
  TOracleQuery query;
  SetQueryCreatedHook({});
  EXPECT_EQ(created, &query);
  EXPECT_EQ(query.ReadBuffer(), 25);
  EXPECT_TRUE(query.Eof());
  EXPECT_EQ(query.SQLType(), 0);
  EXPECT_EQ(query.Cursor(), 0);
  query.SetReadBuffer(0);
  EXPECT_EQ(query.ReadBuffer(), 1);
  query.SetReadBuffer(-7);
  EXPECT_EQ(query.ReadBuffer(), 1);
  query.SetReadBuffer(60);
  EXPECT_EQ(query.ReadBuffer(), 60);
  // Optimize reads false while statements always parse.
  ASSERT_TRUE(AlwaysParseStatements.load());
  EXPECT_FALSE(query.Optimize());
  AlwaysParseStatements = false;
  EXPECT_TRUE(query.Optimize());
  query.SetOptimize(false);
  EXPECT_FALSE(query.Optimize());
  AlwaysParseStatements = true;
  // Added lines end in carriage return, line feed.
  query.AddSQL("select *");
  query.AddSQL("from dual");
  EXPECT_EQ(query.SQL(), "select *\r\nfrom dual\r\n");
  query.DeclareVariable("x", 3);
  query.Clear();
  EXPECT_EQ(query.SQL(), "");
  EXPECT_EQ(query.VariableCount(), 0);
  query.SetSQL("select 1 from dual");
  EXPECT_EQ(ErrorOf([&] { query.Execute(); }), "Session undefined");
  EXPECT_EQ(ErrorOf([&] { query.Describe(); }), "Session undefined");
  TOracleSession session;
  query.SetSession(&session);
  EXPECT_EQ(ErrorOf([&] { query.Execute(); }), "Not logged on");
  // Next at Eof does nothing, with or without a connection.
  query.Next();
  EXPECT_TRUE(query.Eof());
  query.SetSession(nullptr);
}

TEST(QueryVariables, DeclaringAndRedeclaring) {
  TOracleQuery query;
  query.DeclareVariable("first", 3);
  query.DeclareVariable(":Second", 5);
  query.DeclareVariable("FIRST", 12);   // same name: same place, new type
  ASSERT_EQ(query.VariableCount(), 2);  // names and buffers: the variables' own tests
  EXPECT_EQ(query.VariableName(0), ":FIRST");
  EXPECT_EQ(query.VariableType(0), 12);

  // An unsupported type leaves the name undeclared, not at its old type.
  EXPECT_EQ(ErrorOf([&] { query.DeclareVariable("first", 2); }), "Unsupported variable type");
  EXPECT_EQ(query.VariableIndex("first"), -1);
  EXPECT_EQ(query.VariableCount(), 1);
  EXPECT_EQ(ErrorOf([&] { query.DeclareVariable("", 5); }),
            "You cannot declare a variable with an empty name");
  EXPECT_EQ(ErrorOf([&] { query.DeclareVariable(":", 5); }),
            "You cannot declare a variable with an empty name");
}

TEST(QueryVariables, ValuesAndTheirErrors) {
  TOracleQuery query;
  query.DeclareAndSet("id", 3, Variant::Integer(42));
  EXPECT_EQ(query.GetVariable("ID").ToInt32(), 42);
  query.SetVariable(":id", Variant());
  EXPECT_TRUE(query.GetVariable("id").IsEmpty());
  EXPECT_EQ(ErrorOf([&] { query.SetVariable("nope", Variant::Integer(1)); }),
            "Variable :NOPE not declared");
  EXPECT_EQ(ErrorOf([&] { query.DeleteVariable("nope"); }), "Variable :NOPE not declared");
  EXPECT_EQ(ErrorOf([&] { query.GetVariable("nope"); }), "Unknown variable: :NOPE");
  EXPECT_EQ(ErrorOf([&] { query.VariableName(3); }), "Variable 3 does not exist");
  query.DeleteVariable("id");
  EXPECT_EQ(query.VariableCount(), 0);
}

TEST(QueryVariables, ArrayValues) {
  TOracleQuery query;
  query.DeclareVariable("ids", 3);
  query.SetVariable("ids", Variant::VariantArray(
                               {Variant::Integer(1), Variant::Integer(2), Variant::Integer(3)}));
  EXPECT_EQ(query.Variables().Data(0).ArraySize(), 3);
  EXPECT_EQ(query.Variables().Data(0).GetValue(2, nullptr).ToInt32(), 3);
  // A failing element leaves the variable as it was.
  EXPECT_EQ(ErrorOf([&] {
              query.SetVariable("ids",
                                Variant::VariantArray({Variant::Integer(7), Variant::String("x"),
                                                       Variant::Integer(9), Variant()}));
            }),
            "Variant conversion error for variable :IDS");
  EXPECT_EQ(query.Variables().Data(0).ArraySize(), 3);
  EXPECT_EQ(query.Variables().Data(0).GetValue(0, nullptr).ToInt32(), 1);

  query.DeclareVariable("tab", 1);
  EXPECT_EQ(
      ErrorOf([&] { query.SetVariable("tab", Variant::VariantArray({Variant::String("a")})); }),
      ":TAB is a substitution variable and cannot be an array");
  query.DeclareVariable("stamp", 187);
  EXPECT_EQ(
      ErrorOf([&] { query.SetVariable("stamp", Variant::VariantArray({Variant::Integer(0)})); }),
      ":STAMP is a complex variable and cannot be an array");
  query.DeclarePLSQLTable("list", 3, 2, 0);
  EXPECT_EQ(ErrorOf([&] { query.SetVariable("list", Variant::Integer(1)); }),
            ":LIST is a PL/SQL Table, assign a variant array to it");
  EXPECT_EQ(ErrorOf([&] {
              query.SetVariable(
                  "list", Variant::VariantArray(
                              {Variant::Integer(1), Variant::Integer(2), Variant::Integer(3)}));
            }),
            "Array is larger than PL/SQL Table (3 > 2)");
}

TEST(QueryFields, NoFieldsBeforeARun) {
  TOracleQuery query;
  EXPECT_EQ(query.FieldCount(), 0);
  EXPECT_EQ(query.FieldIndex("x"), -1);
  EXPECT_EQ(ErrorOf([&] { query.FieldName(0); }), "Field 0 does not exist");
  EXPECT_EQ(ErrorOf([&] { query.FieldByName("x"); }), "Field x does not exist");
  EXPECT_EQ(ErrorOf([&] { query.Field(0); }), "You cannot access field data beyond Eof");
}

}  // namespace
}  // namespace oracle
