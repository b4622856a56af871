// Reading filter expressions over one record of the framework's in-memory
// dataset: the type table, conversions, null rules, text comparison, every
// function and every failure of a reading.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filter_outcome.h"
#include "memory_dataset/memory_dataset.h"
#include "oracle/filter/column_expression.h"
#include "oracle/filter/expression.h"

namespace filter_test {
namespace {

using dataset::foCaseInsensitive;
using dataset::foNoPartialCompare;
using dataset::TFieldType;

struct Case {
  std::string text;
  std::string expected;
  Read read = Read::Own;
  dataset::TFilterOptions options = 0;
};

std::string Repeat(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

// A filter text reading as the relational operators that hold between
// `left` and `right`, each after a blank, in table order.
std::string Holding(const std::string& left, const std::string& right) {
  std::string text;
  for (const std::string op : {"=", "<>", "<", ">", "<=", ">="})
    text +=
        (text.empty() ? "IF(" : " + IF(") + left + " " + op + " " + right + ", ' " + op + "', '')";
  return text;
}

TEST(FilterExpression, ReadsEachTextAsTheTableSays) {
  dataset::testing::MemoryDataSet ds;
  ds.AddColumn("D", TFieldType::ftDateTime);
  ds.AddColumn("DAY", TFieldType::ftDate);
  ds.AddColumn("S", TFieldType::ftString, 20);
  ds.AddColumn("F", TFieldType::ftFloat);
  ds.AddColumn("I", TFieldType::ftInteger);
  ds.AddColumn("BIG", TFieldType::ftLargeint);
  ds.AddColumn("CUR", TFieldType::ftCurrency);
  ds.AddColumn("B", TFieldType::ftBoolean);
  ds.AddColumn("N", TFieldType::ftString, 20);
  ds.AddColumn("NI", TFieldType::ftInteger);
  ds.AddRow({Variant::Date(45000.25), Variant::Date(45000), Variant("Smith"), Variant(2.5),
             Variant(int32_t{10}), Variant(int64_t{5}), Variant(1.25), Variant(true),
             Variant::Null(), Variant::Null()});
  ds.Open();
  const oracle::filter::TFieldResolver resolver = oracle::filter::ColumnResolver(ds);

  const std::vector<Case> cases = {
      // Fields by kind; the record's values.
      {"[D]", "Date:2023-03-15 06:00:00", Read::String},
      {"[DAY]", "Date:2023-03-15", Read::String},
      {"[S]", "String:Smith"},
      {"[F] + [CUR]", "Float:3.75"},
      {"[BIG] + [I]", "Integer:15"},
      {"[B]", "Boolean:TRUE"},
      {"[I]", "Integer:10", Read::Float},
      {"[D]", "Date:45000.25", Read::Float},
      {"[XYZ] = 1", "EDatabaseError:Field 'XYZ' not found"},
      // The operator table.
      {"[D] + 1", "Date:2023-03-16 06:00:00", Read::String},
      {"[D] - [DAY]", "Date:0.25", Read::Date},
      {"-[D]", "Date:-45000.25"},
      {"+[D]", "Date:2023-03-15 06:00:00", Read::String},
      {"[S] + 'x'", "String:Smithx"},
      {"[F] * 2 - 1 / 4", "Float:4.75"},
      {"3 / 2", "Float:1.5"},
      {"[I] DIV 4", "Integer:2"},
      {"-7 MOD 2", "Integer:-1"},
      {"7 MOD -2", "Integer:1"},
      {"NOT 0", "Integer:-1"},
      {"NOT [B]", "Boolean:FALSE"},
      {"NOT [B]", "Boolean:0", Read::Integer},
      {"5 AND 3", "Integer:1"},
      {"5 OR 2", "Integer:7"},
      {"5 XOR 1", "Integer:4"},
      {"[B] XOR ([I] = 10)", "Boolean:FALSE"},
      {"1 SHL 4", "Integer:16"},
      {"1 SHL 33", "Integer:2"},
      {"-16 SHR 28", "Integer:15"},
      {"TRUE + 1", "Integer:2"},
      {"[S] * 2", "Operator opMult incompatible with String"},
      {"('ab' * 2) = 'x'", "Operator opMult incompatible with String"},
      {"[D] * 2", "Operator opMult incompatible with Date"},
      {"[F] DIV 2", "Operator opDiv incompatible with Float"},
      {"TRUE + FALSE", "Operator opPlus incompatible with Boolean"},
      {"-'a'", "Operator opMinus incompatible with String"},
      // Readings a type does not lead to.
      {"'a'", "Cannot read String as Float", Read::Float},
      {"'a' + 'b'", "Cannot read String as Float", Read::Float},
      {"1.5 * 2", "Cannot read Float as integer", Read::Integer},
      {"1", "Cannot read Integer as boolean", Read::Boolean},
      {"NOT TRUE", "Cannot read Boolean as Date", Read::Date},
      {"TRUE", "Boolean:1", Read::Date},
      {"[D] + 0.5", "Date:45000", Read::Integer},
      // Conversions: dates as "yyyy-mm-dd[ hh:nn:ss]", floats to 15 digits.
      {"STRING(1 / 3)", "String:0.333333333333333"},
      {"DATE('2023-03-15') + 1", "Date:2023-03-16", Read::String},
      {"DATE('15/03/2023')", "EConvertError:'15/03/2023' is not a valid date"},
      {"[D] + 1e10", "EConvertError:10000045000.25 is not a valid date", Read::String},
      {"[D] > '2023-03-15'", "Boolean:TRUE"},
      {"[DAY] = '2023-03-15'", "Boolean:TRUE"},
      {"[I] < '9'", "Boolean:TRUE"},
      {"[I] = 10.0", "Boolean:TRUE"},
      {"[F] >= 2.5", "Boolean:TRUE"},
      // Each operator against a bound below, equal to and above the value.
      {Holding("[I]", "9"), "String: <> > >="},
      {Holding("[I]", "10"), "String: = <= >="},
      {Holding("[I]", "11"), "String: <> < <="},
      {Holding("[DAY]", "DATE('2023-03-14')"), "String: <> > >="},
      {Holding("[DAY]", "DATE('2023-03-15')"), "String: = <= >="},
      {Holding("[DAY]", "DATE('2023-03-16')"), "String: <> < <="},
      {"1.5", "Float:1.5", Read::String},
      {"TRUE", "Boolean:TRUE", Read::String},
      {"2147483647", "Integer:2147483647"},
      {"2147483648", "Float:2147483648"},
      {"1e5 + 1E-5", "Float:100000.00001"},
      {"1. + 1.5E-1", "Float:1.15"},
      {"'it''s'", "String:it's"},
      // Null rules.
      {"[N] = NULL", "Boolean:TRUE"},
      {"[S] = NULL", "Boolean:FALSE"},
      {"[N] <> NULL", "Boolean:FALSE"},
      {"[S] <> NULL", "Boolean:TRUE"},
      {"[N] > NULL", "Boolean:FALSE"},
      {"[NI] = 1", "Boolean:FALSE"},
      {"[NI] <> 1", "Boolean:TRUE"},
      {"NULL", "String:TRUE", Read::Null},
      // Text comparison: wildcards, case, byte order.
      {"[S] = 'Sm*'", "Boolean:TRUE"},
      {"[S] = 'Smith*'", "Boolean:TRUE"},
      {"[S] = 'Sm*'", "Boolean:FALSE", Read::Own, foNoPartialCompare},
      {"'Sm*' = 'Sm*'", "Boolean:TRUE", Read::Own, foNoPartialCompare},
      {"[S] = 'S?ith'", "Boolean:TRUE"},
      {"[S] = '*i*h'", "Boolean:TRUE"},
      {"[S] = '*x*'", "Boolean:FALSE"},
      {"[S] = 'Smith?'", "Boolean:FALSE"},
      {"[S] <> 'Sm*'", "Boolean:FALSE"},
      {"[S] = 'sm*'", "Boolean:FALSE"},
      {"[S] = 'sm*'", "Boolean:TRUE", Read::Own, foCaseInsensitive},
      {"[S] = 'SMITH'", "Boolean:TRUE", Read::Own, foCaseInsensitive | foNoPartialCompare},
      {"[S] > 'Sm'", "Boolean:TRUE"},
      {"[S] < 'smith'", "Boolean:TRUE"},
      {"'b' <= 'ab'", "Boolean:FALSE"},
      {"'" + Repeat("a", 40) + "' = '" + Repeat("*a", 20) + "*b'", "Boolean:FALSE"},
      {"TRUE < FALSE", "cannot apply opLT to boolean operands"},
      {"TRUE = FALSE", "Boolean:FALSE"},
      {"(1 = 1) <> FALSE", "Boolean:TRUE"},
      // String functions.
      {"UPPER('abc1') + LOWER([S])", "String:ABC1smith"},
      {"COPY('abcdef', 2, 3)", "String:bcd"},
      {"COPY('abc', 0, 2)", "String:ab"},
      {"COPY('abc', 5, 1) + COPY('abc', 2, -1)", "String:"},
      {"COPY('abc', 2, 2147483647)", "String:bc"},
      {"COPY('abc', 1.5, 1)", "Invalid parameter to COPY"},
      {"POS('c', 'abcdef')", "Integer:3"},
      {"POS('z', 'abc')", "Integer:0"},
      {"POS(1, 'a1')", "Integer:2", Read::String},
      {"LENGTH([S])", "Integer:5"},
      {"UPPER([D])", "Invalid parameter to UPPER"},
      {"UPPER()", "Invalid parameter to UPPER"},
      {"LENGTH('a', 'b')", "Invalid parameter to LENGTH"},
      // Mathematical functions.
      {"TRUNC(-2.7)", "Integer:-2"},
      {"ROUND(2.5) + ROUND(3.5) * 10 + ROUND(-2.5) * 100", "Integer:-158"},
      {"ABS(-2.5)", "Float:2.5"},
      {"ABS(-3)", "Float:3", Read::Integer},
      {"ARCTAN(1) * 4", "Float:3.14159265358979"},
      {"COS(0) + EXP(0) + SIN(0) + LN(1)", "Float:2"},
      {"FRAC(-1.25)", "Float:-0.25"},
      {"INT(-1.75)", "Float:-1"},
      {"PI()", "Float:3.14159265358979"},
      {"PI", "Float:3.14159265358979"},
      {"SQR(3) + SQRT(16)", "Float:13"},
      {"POWER(2, 10)", "Float:1024"},
      {"TRUNC('a')", "Invalid parameter to TRUNC"},
      {"SQRT([D])", "Invalid parameter to SQRT"},
      {"POWER(2)", "Invalid parameter to POWER"},
      // Casts and IF.
      {"FLOAT(3)", "Float:3"},
      {"BOOLEAN([B])", "Boolean:TRUE"},
      {"INTEGER('12')", "Cannot read String as integer"},
      {"DATE()", "Invalid parameter to DATE"},
      {"DATE", "Invalid parameter to DATE"},
      {"STRING(1, 2)", "Invalid parameter to STRING"},
      {"IF([I] > 0, 'pos', 'neg')", "String:pos"},
      {"IF([I] < 0, 'pos', 'neg')", "String:neg"},
      {"IF(1, 2, 3)", "Invalid parameters to If"},
      {"IF([B], 1)", "Invalid parameters to If"},
      {"IF([B], 1, 2.5)", "Float:1"},
      {"IF([B], 1, 'x')", "String:1"},
      {"IF([B], [N], 'x') = NULL", "Boolean:TRUE"},
      // Integer faults.
      {"1 DIV 0", "EMathError:Division by zero"},
      {"1 MOD 0", "EMathError:Division by zero"},
      {"-2147483647 - 1", "Integer:-2147483648"},
      {"(-2147483647 - 1) DIV -1", "EMathError:Integer overflow"},
      {"(-2147483647 - 1) MOD -1", "EMathError:Integer overflow"},
      {"-(-2147483647 - 1)", "EMathError:Integer overflow"},
      {"ABS(-2147483647 - 1)", "EMathError:Integer overflow", Read::Integer},
      {"2147483647 + 1", "EMathError:Integer overflow"},
      {"65536 * 65536", "EMathError:Integer overflow"},
      {"TRUNC(1e10)", "EMathError:Integer overflow"},
      {"ROUND(-3e9)", "EMathError:Integer overflow"},
      {"[D] + 1e10", "EMathError:Integer overflow", Read::Integer},
      // Floating-point faults.
      {"1.5 / 0", "EMathError:Floating point division by zero"},
      {"0 / 0", "EMathError:Invalid floating point operation"},
      {"LN(0)", "EMathError:Invalid floating point operation"},
      {"SQRT(-1)", "EMathError:Invalid floating point operation"},
      {"POWER(0, 2)", "EMathError:Invalid floating point operation"},
      {"POWER(-2, 2)", "EMathError:Invalid floating point operation"},
      {"EXP(1000)", "EMathError:Floating point overflow"},
      {"1e308 * 10", "EMathError:Floating point overflow"},
      {"SQR(1e200)", "EMathError:Floating point overflow"},
      {"POWER(10, 400)", "EMathError:Floating point overflow"},
      // Depth: reading and freeing never recurse deeper than 1,000 levels.
      {Repeat("1 + ", 999) + "1", "Integer:1000"},
      {Repeat("1 + ", 1000) + "1", "Expression nested too deeply"},
      {Repeat("-", 1001) + "1", "Expression nested too deeply"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Outcome(c.text, c.read, c.options, resolver), c.expected)
        << c.text.substr(0, 80) << " (options " << int{c.options} << ")";
  }
}

TEST(FilterExpression, OperatorsOutsideTheirClassAreRefusedAndTreesSurviveErrors) {
  using namespace oracle::filter;
  auto one = [] { return std::make_unique<TIntegerLiteral>(1); };
  const std::vector<std::pair<std::function<void()>, std::string>> builds = {
      {[&] { TUnaryOp(TOperator::opMult, one()); }, "opMult is not simple unary operator"},
      {[&] { TBinaryOp(TOperator::opEq, one(), one()); }, "opEq is not a simple binary operator"},
      {[&] { TRelationalOp(TOperator::opOr, one(), one()); }, "opOr is not relational operator"},
  };
  for (const auto& [build, message] : builds) {
    try {
      build();
      ADD_FAILURE() << message;
    } catch (const EExpression& e) {
      EXPECT_EQ(e.what(), message);
    }
  }
  // A failed reading leaves the tree as it was.
  TExpressionPtr tree = ParseFilterExpression("10 DIV (2 - 2 * 1)", 0, {});
  EXPECT_THROW(tree->AsInteger(), EDivByZero);
  EXPECT_THROW(tree->AsInteger(), EDivByZero);
}

}  // namespace
}  // namespace filter_test
