// The text rules a query applies before parsing: substitution variables,
// carriage returns, statement kinds, and error offsets as lines and columns.
#include <gtest/gtest.h>

#include <map>

#include "oracle/query/query_text.h"

namespace oracle {
namespace {

std::optional<std::string> From(const std::map<std::string, std::string>& values,
                                std::string_view name) {
  const auto it = values.find(std::string(name));
  if (it == values.end()) return std::nullopt;
  return it->second;
}

TEST(SubstituteVariables, ReplacesKnownNamesAndLeavesBindsAndLiterals) {
  const std::map<std::string, std::string> values{{"tab", "emp"}, {"col", "ename"}};
  auto substitute = [&](std::string_view name) { return From(values, name); };
  EXPECT_EQ(SubstituteVariables("select * from :tab", substitute), "select * from emp");
  EXPECT_EQ(SubstituteVariables("select :col from :tab where id = :id", substitute),
            "select ename from emp where id = :id");
  // Text inside literals and comments is never a variable.
  EXPECT_EQ(SubstituteVariables("select ':tab' from :tab -- :tab", substitute),
            "select ':tab' from emp -- :tab");
  // A value longer or shorter than its name keeps earlier positions right.
  const std::map<std::string, std::string> uneven{{"a", "a_very_long_table"}, {"b", ""}};
  EXPECT_EQ(SubstituteVariables("x :a y :b z :a",
                                [&](std::string_view name) { return From(uneven, name); }),
            "x a_very_long_table y  z a_very_long_table");
}

TEST(RemoveCarriageReturns, OnlyOutsideQuotedText) {
  EXPECT_EQ(RemoveCarriageReturns("select 1\r\nfrom dual\r\n"), "select 1\nfrom dual\n");
  // A line end inside a literal belongs to the value.
  EXPECT_EQ(RemoveCarriageReturns("select 'a\r\nb'\r\nfrom dual"), "select 'a\r\nb'\nfrom dual");
  EXPECT_EQ(RemoveCarriageReturns("select \"x\ry\" from t\r"), "select \"x\ry\" from t");
  EXPECT_EQ(RemoveCarriageReturns("-- note\r\nselect 1 /* a\r\nb */"),
            "-- note\nselect 1 /* a\nb */");
}

TEST(StatementKinds, MapAndReuse) {
  // 5 is CREATE.
  const std::pair<int32_t, int32_t> kinds[] = {{1, sqltype::Select},     {2, sqltype::Update},
                                               {3, sqltype::Delete},     {4, sqltype::Insert},
                                               {8, sqltype::PLSQLBlock}, {9, sqltype::PLSQLBlock},
                                               {5, sqltype::Other},      {0, sqltype::Other}};
  for (const auto& [kind, type] : kinds) EXPECT_EQ(SQLTypeFromStatementType(kind), type) << kind;
  for (int32_t kind : {3, 4, 5, 9, 33, 34, 35, 54, 55, 56}) EXPECT_TRUE(IsReusableSQLType(kind));
  for (int32_t kind : {-1, 0, 1, 2, 6, 36}) EXPECT_FALSE(IsReusableSQLType(kind));
}

TEST(TextPositionOfOffset, CountsLineFeedSeparatedLinesFromOne) {
  const std::string text = "select *\nfrom t\nwher x";
  // Offset 9 is right after a line feed: the start of the next line; 16 is
  // "wher", 21 "x"; past the end counts as the end.
  const struct {
    std::size_t offset;
    int line, position;
  } cases[] = {{0, 1, 1}, {7, 1, 8}, {9, 2, 1}, {16, 3, 1}, {21, 3, 6}, {500, 3, 7}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.offset);
    const TTextPosition at = TextPositionOfOffset(text, c.offset);
    EXPECT_EQ(at.line, c.line);
    EXPECT_EQ(at.position, c.position);
  }
}

}  // namespace
}  // namespace oracle
