// The QBE condition: one table of field type, flags, options and typed text
// against the predicate and the values bound; then the rewritten SELECT.

#include "oracle/qbe/condition.h"

#include <gtest/gtest.h>

namespace {

using dataset::TFieldType;
using oracle::qbe::BuildQBECondition;
using oracle::qbe::TQBEColumn;
using oracle::qbe::TQBEOptions;

enum Flag : unsigned {
  kFromStart = 1,
  kAnywhere = 2,
  kSounds = 4,
  kUpper = 8,
  kWholeDay = 16,
  kPlain = 32,  // AllowOperators off
  kNoFileWildCards = 64,
};

struct ConditionCase {
  const char* column;
  TFieldType type;
  unsigned flags;
  const char* typed;
  const char* condition;
  // Each bound value as name=value, "#" in front of a number's name.
  std::vector<std::string> binds;
};

const ConditionCase kCases[] = {
    // Text columns; a value without operator gets the match flags' "%".
    {"ENAME",
     TFieldType::ftString,
     kFromStart,
     "SM",
     "(ENAME like :kel__qbe1)",
     {":kel__qbe1=SM%"}},
    {"ENAME",
     TFieldType::ftString,
     kFromStart | kUpper,
     "SM",
     "(upper(ENAME) like upper(:kel__qbe1))",
     {":kel__qbe1=SM%"}},
    {"EMAIL",
     TFieldType::ftString,
     kAnywhere | kUpper,
     "example",
     "(upper(EMAIL) like upper(:kel__qbe1))",
     {":kel__qbe1=%example%"}},
    {"ENAME",
     TFieldType::ftString,
     kFromStart,
     "'SM'",
     "(ENAME like :kel__qbe1)",
     {":kel__qbe1=SM%"}},
    {"ENAME",
     TFieldType::ftString,
     kFromStart,
     "S_ITH",
     "(ENAME like :kel__qbe1)",
     {":kel__qbe1=S_ITH"}},
    {"ENAME",
     TFieldType::ftString,
     kFromStart,
     "= SMITH",
     "(ENAME = :kel__qbe1)",
     {":kel__qbe1=SMITH"}},
    {"ENAME",
     TFieldType::ftString,
     0,
     "'O''Brien'",
     "(ENAME = :kel__qbe1)",
     {":kel__qbe1=O'Brien"}},
    {"ENAME", TFieldType::ftString, 0, "LIKE SM*", "(ENAME like :kel__qbe1)", {":kel__qbe1=SM%"}},
    {"ENAME",
     TFieldType::ftString,
     kNoFileWildCards,
     "LIKE SM*",
     "(ENAME like :kel__qbe1)",
     {":kel__qbe1=SM*"}},
    {"ENAME",
     TFieldType::ftString,
     kUpper,
     "upper(x)",
     "(upper(ENAME) = upper(:kel__qbe1))",
     {":kel__qbe1=upper(x)"}},
    {"LAST_NAME",
     TFieldType::ftString,
     0,
     "SOUNDS LIKE Ashcroft OR Tymczak",
     "(soundex(LAST_NAME) = soundex(:kel__qbe1_1) or soundex(LAST_NAME) = soundex(:kel__qbe1_2))",
     {":kel__qbe1_1=Ashcroft", ":kel__qbe1_2=Tymczak"}},
    {"LAST_NAME",
     TFieldType::ftString,
     kSounds | kFromStart,
     "Ashcroft",
     "(soundex(LAST_NAME) = soundex(:kel__qbe1))",
     {":kel__qbe1=Ashcroft"}},
    {"ENAME",
     TFieldType::ftString,
     0,
     "A OR B OR 'C D'",
     "(ENAME = :kel__qbe1_1 or ENAME = :kel__qbe1_2 or ENAME = :kel__qbe1_3)",
     {":kel__qbe1_1=A", ":kel__qbe1_2=B", ":kel__qbe1_3=C D"}},
    // Numbers; only digits, one sign, "." and an exponent are kept.
    {"SAL", TFieldType::ftFloat, 0, ">= 1000", "(SAL >= :kel__qbe1)", {"#:kel__qbe1=1000"}},
    {"DEPTNO",
     TFieldType::ftInteger,
     0,
     "NOT 10",
     "(not (DEPTNO = :kel__qbe1) or DEPTNO is null)",
     {"#:kel__qbe1=10"}},
    {"DEPTNO",
     TFieldType::ftInteger,
     0,
     "NOT >= 5",
     "(not (DEPTNO >= :kel__qbe1) or DEPTNO is null)",
     {"#:kel__qbe1=5"}},
    {"DEPTNO",
     TFieldType::ftInteger,
     0,
     "10 .. 20",
     "(DEPTNO between :kel__qbe1_1 and :kel__qbe1_2)",
     {"#:kel__qbe1_1=10", "#:kel__qbe1_2=20"}},
    {"DEPTNO",
     TFieldType::ftInteger,
     0,
     "between 10 and 20",
     "(DEPTNO between :kel__qbe1_1 and :kel__qbe1_2)",
     {"#:kel__qbe1_1=10", "#:kel__qbe1_2=20"}},
    {"DEPTNO",
     TFieldType::ftInteger,
     0,
     "10 - 20",
     "(DEPTNO between :kel__qbe1_1 and :kel__qbe1_2)",
     {"#:kel__qbe1_1=10", "#:kel__qbe1_2=20"}},
    {"SAL", TFieldType::ftFloat, 0, "10..20", "(SAL = :kel__qbe1)", {"#:kel__qbe1=10.20"}},
    {"DEPTNO",
     TFieldType::ftInteger,
     0,
     "IN (10, 20)",
     "(DEPTNO in (:kel__qbe1_1, :kel__qbe1_2))",
     {"#:kel__qbe1_1=10", "#:kel__qbe1_2=20"}},
    {"SAL",
     TFieldType::ftCurrency,
     0,
     "-1.5e3 USD'; drop",
     "(SAL = :kel__qbe1)",
     {"#:kel__qbe1=-1.5e3"}},
    {"DEPTNO",
     TFieldType::ftInteger,
     0,
     "' or '1'='1",
     "(DEPTNO = :kel__qbe1)",
     {"#:kel__qbe1=11"}},
    {"DEPTNO", TFieldType::ftInteger, 0, "--", "(DEPTNO = :kel__qbe1)", {":kel__qbe1=-"}},
    {"ENAME",
     TFieldType::ftString,
     0,
     "x; delete from emp --",
     "(ENAME = :kel__qbe1)",
     {":kel__qbe1=x; delete from emp --"}},
    // Forms the language cannot read are one value.
    {"ENAME", TFieldType::ftString, 0, "IN (A, B", "(ENAME = :kel__qbe1)", {":kel__qbe1=IN (A, B"}},
    {"ENAME",
     TFieldType::ftString,
     0,
     "A OR B AND C",
     "(ENAME = :kel__qbe1)",
     {":kel__qbe1=A OR B AND C"}},
    {"ENAME", TFieldType::ftString, 0, "NOT A B", "(ENAME = :kel__qbe1)", {":kel__qbe1=NOT A B"}},
    // NULL and NOT.
    {"COMM", TFieldType::ftFloat, 0, "is not null", "(not (COMM is null))", {}},
    {"COMM", TFieldType::ftFloat, 0, "not null", "(not (COMM is null))", {}},
    {"COMM", TFieldType::ftFloat, 0, "= NULL", "(COMM is null)", {}},
    {"COMM", TFieldType::ftFloat, 0, "is null", "(COMM is null)", {}},
    // Dates and times in the library's date text form.
    {"HIREDATE",
     TFieldType::ftDate,
     kWholeDay,
     "2024-03-05",
     "(HIREDATE >= to_date(:kel__qbe1_1, 'DD-MM-YYYY') and HIREDATE < to_date(:kel__qbe1_2, "
     "'DD-MM-YYYY'))",
     {":kel__qbe1_1=05-03-2024", ":kel__qbe1_2=06-03-2024"}},
    {"HIREDATE",
     TFieldType::ftDate,
     kWholeDay,
     "< 2024-12-31",
     "(HIREDATE < to_date(:kel__qbe1, 'DD-MM-YYYY'))",
     {":kel__qbe1=31-12-2024"}},
    {"HIREDATE",
     TFieldType::ftDateTime,
     kWholeDay,
     "2024-03-05 10:30",
     "(HIREDATE = to_date(:kel__qbe1, 'DD-MM-YYYY HH24:MI:SS'))",
     {":kel__qbe1=05-03-2024 10:30:00"}},
    {"STARTS",
     TFieldType::ftTime,
     0,
     "08:15:00",
     "(STARTS = to_date(:kel__qbe1, 'HH24:MI:SS'))",
     {":kel__qbe1=08:15:00"}},
    // Without AllowOperators the typed value is one value.
    {"ENAME",
     TFieldType::ftString,
     kPlain | kFromStart,
     ">= x",
     "(ENAME like :kel__qbe1)",
     {":kel__qbe1=>= x%"}},
    {"DEPTNO", TFieldType::ftInteger, kPlain, "10", "(DEPTNO = :kel__qbe1)", {"#:kel__qbe1=10"}},
};

TEST(QBEConditionTest, EachFormGivesItsPredicateAndBinds) {
  for (const ConditionCase& c : kCases) {
    SCOPED_TRACE(c.typed);
    TQBEColumn column;
    column.column = c.column;
    column.type = c.type;
    column.matchFromStart = c.flags & kFromStart;
    column.matchAnywhere = c.flags & kAnywhere;
    column.soundsLike = c.flags & kSounds;
    column.caseInsensitive = c.flags & kUpper;
    column.wholeDay = c.flags & kWholeDay;
    column.text = c.typed;
    TQBEOptions options;
    options.allowOperators = !(c.flags & kPlain);
    options.allowFileWildCards = !(c.flags & kNoFileWildCards);
    const auto result = BuildQBECondition({column}, options);
    EXPECT_EQ(result.text, c.condition);
    std::vector<std::string> binds;
    for (const auto& b : result.binds)
      binds.push_back((b.isNumber ? "#" : "") + b.name + "=" + b.text);
    EXPECT_EQ(binds, c.binds);
  }
}

TEST(QBEConditionTest, FieldsAreJoinedAndNumberedAfterTheQueryVariables) {
  std::vector<TQBEColumn> columns(4);
  columns[0] = {"ENAME", TFieldType::ftString, true, false, false, false, false, "SM"};
  columns[1] = {"JOB", TFieldType::ftString, false, false, false, false, false, "  "};
  columns[2] = {"DEPTNO", TFieldType::ftInteger, false, false, false, false, false, "in (1,2)"};
  columns[3] = {"HIREDATE", TFieldType::ftDate, false, false, false, false, false, "2024-01-01"};
  TQBEOptions options;
  options.allowOperators = true;
  options.variableCount = 2;
  const auto result = BuildQBECondition(columns, options);
  EXPECT_EQ(result.text,
            "(ENAME like :kel__qbe3)\nand (DEPTNO in (:kel__qbe4_1, :kel__qbe4_2))\n"
            "and (HIREDATE = to_date(:kel__qbe5, 'DD-MM-YYYY'))");
  ASSERT_EQ(result.binds.size(), 4u);
  EXPECT_DOUBLE_EQ(result.binds[2].number, 2);

  // A value the conversion cannot read raises; nothing is built.
  columns[3].text = "5 March";
  EXPECT_THROW(BuildQBECondition(columns, options), oracle::qbe::EQBEConvertError);
  columns[3].type = TFieldType::ftTime;
  columns[3].text = "25:00";
  EXPECT_THROW(BuildQBECondition(columns, options), oracle::qbe::EQBEConvertError);
}

TEST(QBEConditionTest, TheConditionGoesAfterWhereOrHavingBeforeTheTail) {
  const std::string c = "(X = :kel__qbe1)";
  const std::string m = std::string("\n") + oracle::qbe::kQBEMarker;
  const struct {
    const char* sql;
    std::string rewritten;
  } cases[] = {
      {"select * from emp", "select * from emp\nwhere " + c + m},
      {"select * from emp where deptno = 10 order by ename",
       "select * from emp\nwhere (deptno = 10)\nand\n(" + c + ")\norder by ename" + m},
      {"select * from emp for update nowait",
       "select * from emp\nwhere " + c + "\nfor update nowait" + m},
      {"select deptno, count(*) from emp where sal > 0 group by deptno order by 1",
       "select deptno, count(*) from emp where sal > 0 group by deptno\nhaving " + c +
           "\norder by 1" + m},
      {"select deptno from emp group by deptno having count(*) > 1",
       "select deptno from emp group by deptno\nhaving (count(*) > 1)\nand\n(" + c + ")" + m},
      // Keywords in literals, quoted names, comments and subqueries never count.
      {"select 'where order' \"FOR\" from emp /* group by */ where x in (select y from t where "
       "z = 1 order by 1)",
       "select 'where order' \"FOR\" from emp /* group by */\nwhere (x in (select y from t where "
       "z = 1 order by 1))\nand\n(" +
           c + ")" + m},
      {"select * from emp where a = 1 -- note\norder by 2",
       "select * from emp\nwhere (a = 1 -- note\n)\nand\n(" + c + ")\norder by 2" + m},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.sql);
    EXPECT_EQ(oracle::qbe::RewriteSQLForQBE(k.sql, c), k.rewritten);
  }
  EXPECT_EQ(oracle::qbe::RewriteSQLForQBE("select * from emp", ""), "select * from emp");
  EXPECT_TRUE(oracle::qbe::IsQBEVariable(":KEL__QBE12_1"));
  EXPECT_FALSE(oracle::qbe::IsQBEVariable(":kel_qbe1"));
}

}  // namespace
