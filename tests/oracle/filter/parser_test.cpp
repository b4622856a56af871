// The filter text parser: what it accepts, the names it hands to the
// resolver, and each of its messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filter_outcome.h"

namespace filter_test {
namespace {

using namespace oracle::filter;

struct ParseCase {
  std::string text;
  std::string expected;    // "parsed", "none" or the message
  std::string names = "";  // handed to the resolver, in order
  bool withResolver = true;
};

TEST(FilterParser, ParsesOrRefusesEachText) {
  const std::string long256(256, 'a');
  const std::vector<ParseCase> cases = {
      {"", "none"},
      {" \t\r\n", "none"},
      // Precedence: AND binds tighter than a comparison.
      {"[SAL] > 1000 AND [DEPTNO] = 10", "Syntax error", "SAL DEPTNO"},
      {"([SAL] > 1000) AND ([DEPTNO] = 10)", "parsed", "SAL DEPTNO"},
      // Names: identifiers upper-cased, bracketed names as written.
      {"ename = 'SMITH'", "parsed", "ENAME"},
      {"[ename] = 'SMITH'", "parsed", "ename"},
      {"[first name]", "parsed", "first name"},
      {"upper ( [ENAME] ) = 'SMITH'", "parsed", "ENAME"},
      {"col(1, 2)", "parsed", "COL"},
      {"[Missing] = 1", "Unknown Identifier Missing", "Missing"},
      {"missing(1)", "Unknown Identifier MISSING", "MISSING"},
      {"FOO(1)", "Unknown Identifier FOO", "", false},
      {"[A] = 1", "Unknown Identifier A", "", false},
      // NOT applies to the factor after it.
      {"NOT ([A] = 1)", "parsed", "A"},
      {"NOT [FLAG]", "parsed", "FLAG"},
      {"NOT(TRUE)", "parsed"},
      {"not not 1", "parsed"},
      // Literals.
      {"'it", "Unterminated string"},
      {"'" + long256 + "'", "parsed"},
      {"'" + long256 + "a'", "String too long"},
      {"[" + long256 + "]", "parsed", long256},
      {"[" + long256 + "a]", "Fieldname too long"},
      {"[A", "Unterminated fieldname"},
      {"1e+5", "Bad numeric format"},
      {"1e", "Bad numeric format"},
      {"1.2.3", "Bad numeric format"},
      {"1e5e5", "Bad numeric format"},
      {"1e5.0", "Bad numeric format"},
      {std::string(28, '9'), "parsed"},
      {std::string(29, '9'), "Bad numeric format"},
      {"1e999", "EConvertError:'1E999' is not a valid floating point value"},
      {"1e-999", "parsed"},
      {".5", "Syntax error"},
      // Operators and structure.
      {"[A] => 1", "=> not a valid operator", "A"},
      {"[A] < = 1", "Syntax error", "A"},
      {"([A] = 1", " ) expected", "A"},
      {"([A] = 1, 2)", " ) expected", "A"},
      {"[A] = 1)", ") not appropriate", "A"},
      {"1, 2", ", not appropriate"},
      {"()", "invalid sub-expression"},
      {"1 2", "char 2 in input stream"},
      {"1 + 'a' 'b'", "char ' in input stream"},
      {"[A] = 1 B", "Identifier B not allowed here", "A"},
      {"1 * 2 C", "Identifier C not allowed here"},
      {"1 TRUE", "Boolean literal not allowed here"},
      {"1 + 2 FALSE", "Boolean literal not allowed here"},
      {"AND 1", "opAnd not allowed here"},
      {"1 +", "Unexpected end of factor"},
      {"(1 * )", "Unexpected end of factor"},
      {"1 + ;", "Syntax error"},
      {"[A] = 1 NOT [B]", "Syntax error", "A"},
      {"1 = 1 = 1", "Syntax error"},
      {std::string("1 \0 2", 5), "char #0 in input stream"},
      // Parameters.
      {"PI()", "parsed"},
      {"UPPER( )", "Invalid parameter to UPPER"},  // parsed; refused when read
      {"POS('a', 'b')", "parsed"},
      {"F(1,)", "Incorrectly formed parameters"},
      {"F(,1)", "Incorrectly formed parameters"},
      {"F(1", "Incorrectly formed parameters"},
      // Nesting.
      {std::string(999, '(') + "1" + std::string(999, ')'), "parsed"},
      {std::string(1000, '(') + "1" + std::string(1000, ')'), "Expression nested too deeply"},
      {std::string(5000, '('), "Expression nested too deeply"},
  };
  for (const ParseCase& c : cases) {
    std::string names;
    TFieldResolver resolver;
    if (c.withResolver) {
      resolver = [&names](const std::string& name, TParameterList*, TExprFlags flags) {
        names += (names.empty() ? "" : " ") + name;
        TExpressionPtr leaf;
        if (name != "Missing" && name != "MISSING")
          leaf = std::make_unique<TIntegerLiteral>(1, flags);
        return leaf;
      };
    }
    std::string outcome = Outcome(c.text, Read::Own, 0, resolver);
    if (outcome.find(':') != std::string::npos && outcome.rfind("EConvertError", 0) != 0) {
      outcome = "parsed";
    }
    EXPECT_EQ(outcome, c.expected) << c.text.substr(0, 60);
    EXPECT_EQ(names, c.names) << c.text.substr(0, 60);
  }
}

TEST(FilterParser, OptionsReachEveryNodeOfTheTree) {
  for (dataset::TFilterOptions options = 0; options < 4; ++options) {
    TExpressionPtr tree = ParseFilterExpression("'abc' = 'A*'", options, {});
    EXPECT_EQ(tree->CaseInsensitive(), (options & dataset::foCaseInsensitive) != 0);
    EXPECT_EQ(tree->PartialCompare(), (options & dataset::foNoPartialCompare) == 0);
    EXPECT_EQ(tree->AsBoolean(), options == dataset::foCaseInsensitive) << int{options};
  }
}

}  // namespace
}  // namespace filter_test
