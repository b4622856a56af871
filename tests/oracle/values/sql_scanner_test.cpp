#include "oracle/values/sql_scanner.h"

#include <gtest/gtest.h>

namespace oracle {
namespace {

std::vector<std::string> Names(std::string_view sql) {
  std::vector<std::string> names;
  for (const TBindOccurrence& b : FindBindVariables(sql)) names.push_back(b.name);
  return names;
}

using Names_ = std::vector<std::string>;

TEST(SqlScanner, FindsBindsWithTheirPositions) {
  const std::string sql = "select * from emp where empno = :empno and ename=:Name_1";
  const auto binds = FindBindVariables(sql);
  ASSERT_EQ(binds.size(), 2u);
  EXPECT_EQ(binds[0].name, "empno");
  EXPECT_EQ(binds[0].position, sql.find(":empno"));
  EXPECT_EQ(binds[0].length, 6u);
  EXPECT_EQ(binds[1].name, "Name_1");
  EXPECT_EQ(binds[1].position, sql.find(":Name_1"));
}

TEST(SqlScanner, SkipsBindsInsideQuotesAndComments) {
  EXPECT_EQ(Names("select to_char(d, 'hh24:mi:ss') from t where x = :x"), Names_{"x"});
  EXPECT_EQ(Names("select \"a:b\" from t where y = :y"), Names_{"y"});
  EXPECT_EQ(Names("select 1 -- where z = :z\nfrom t where w = :w"), Names_{"w"});
  EXPECT_EQ(Names("select /* :hidden\n :also */ :shown from dual"), Names_{"shown"});
  EXPECT_EQ(Names("select 'it''s :not' || :yes from dual"), Names_{"yes"});
  EXPECT_EQ(Names("select 1 from dual /* unterminated :c"), Names_{});
  EXPECT_EQ(Names("select ':open"), Names_{});
}

TEST(SqlScanner, AssignmentsAndLoneColonsAreNoBinds) {
  EXPECT_EQ(Names("begin :r := f(:a); x := 1; end;"), (Names_{"r", "a"}));
  EXPECT_EQ(Names("select : x from dual"), Names_{});
  EXPECT_EQ(Names("select :1, :b$#, :\u00e4x from dual"), (Names_{"1", "b$#", "\u00e4x"}));
}

TEST(SqlScanner, StatesMarkQuotesAndCommentsWithTheirDelimiters) {
  const std::string sql = "a'b'/*c*/-- d\ne\"f\"";
  const auto states = ScanSqlText(sql);
  std::string marks;
  for (SqlTextState s : states) marks += "NSILB"[static_cast<int>(s)];
  EXPECT_EQ(marks, "NSSSBBBBBLLLLNNIII");
}

TEST(SqlScanner, SplitsStatementsOnlyAtSeparatorsInPlainText) {
  const auto parts = SplitSqlStatements(
      "insert into t values ('a;b');\n -- c;d\n update t set x = 1 ; ; /* ; */ delete t");
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(parts[0], "insert into t values ('a;b')");
  EXPECT_EQ(parts[1], "-- c;d\n update t set x = 1");
  EXPECT_EQ(parts[2], "/* ; */ delete t");
}

}  // namespace
}  // namespace oracle
