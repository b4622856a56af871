// The SELECT splitter and the updating table and alias found with it.
#include <gtest/gtest.h>

#include <string>

#include "dataset/database_error.h"
#include "oracle/dml/editing.h"
#include "oracle/dml/updating_table.h"
#include "oracle/query/select_splitter.h"

namespace {

TEST(UpdatingTable, TableAndAliasFromTheSelectText) {
  struct Case {
    const char* sql;
    const char* table;
    const char* alias;
  };
  const Case cases[] = {
      {"select e.*, rowid from emp e where deptno = 10", "EMP", "E"},
      {"select * from (select a from dept d) v, emp", "DEPT", "V"},
      {"select * from emp where x = 1", "EMP", "EMP"},
      {"select * from emp order by 1", "EMP", "EMP"},
      {"select * from emp group by x", "EMP", "EMP"},
      {"select * from emp for update", "EMP", "EMP"},
      {"select * from emp start with x = 1 connect by prior a = b", "EMP", "EMP"},
      {"select * from \"Emp\" \"e\"", "EMP", "\"E\""},
      {"select * from scott.emp as x", "SCOTT.EMP", "X"},
      {"select * from table(x.items) t", "TABLE(x.items)", "T"},
      {"select ' from dual ' a, b from emp", "EMP", "EMP"},
      {"select a /* from dual */, b -- from dual\n from emp", "EMP", "EMP"},
      {"select \"from x\" from emp", "EMP", "EMP"},
      {"select emp.a, (select 1 from dual) x from emp, dept emp_alias", "EMP", "EMP"},
      {"select 1 + 2", "", ""},
      {"update emp set a = 1", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.table, oracle::UpdatingTableOf(c.sql)) << c.sql;
    EXPECT_EQ(c.alias, oracle::UpdatingTableAliasOf(c.sql, c.table)) << c.sql;
  }
}

TEST(UpdatingTable, SplitterKeepsEachClauseAsWritten) {
  oracle::TSelectParts p;
  ASSERT_TRUE(oracle::SplitSelect(
      "SELECT a,  'x where y' b FROM t1 x, (select 1 from t2) WHERE (a = 1) GROUP  BY a HAVING "
      "count(*) > 1 ORDER BY 2 desc FOR UPDATE NOWAIT",
      p));
  EXPECT_EQ("a,  'x where y' b", p.selectList);
  EXPECT_EQ("t1 x, (select 1 from t2)", p.from);
  EXPECT_EQ("(a = 1)", p.where);
  EXPECT_EQ("a", p.groupBy);
  EXPECT_EQ("count(*) > 1", p.having);
  EXPECT_EQ("2 desc", p.orderBy);
  EXPECT_EQ("NOWAIT", p.forUpdate);
  ASSERT_EQ(2u, p.fromItems.size());
  EXPECT_EQ("T2", p.fromItems[1].table);
  EXPECT_TRUE(p.fromItems[1].inlineView);
}

TEST(UpdatingTable, UpdatingTableTakesEffectAtOnceAndCursorsNeedIt) {
  oracle::TOracleDataSet ds;
  ds.SetSQL("select * from emp e");
  EXPECT_EQ("EMP", oracle::GetUpdatingTableName(ds));
  oracle::Editing(ds).UpdatingTable = "DEPT";
  EXPECT_EQ("DEPT", oracle::GetUpdatingTableName(ds));
  oracle::Editing(ds).UpdatingTable.clear();
  ds.SetSQL("select * from dept d");
  EXPECT_EQ("D", oracle::GetUpdatingTableAlias(ds));
  ds.SetSQL("begin :c := f; end;");
  ds.DeclareVariable("c", 116);
  EXPECT_THROW(oracle::GetUpdatingTableName(ds), dataset::EDatabaseError);
  oracle::Editing(ds).UpdatingTable = "EMP";
  EXPECT_EQ("EMP", oracle::GetUpdatingTableName(ds));
}

}  // namespace
