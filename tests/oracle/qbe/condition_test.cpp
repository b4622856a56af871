// The QBE condition: one table of field type, flags, options and typed text
// against the predicate and the values bound; then the rewritten SELECT.

#include "oracle/qbe/condition.h"

#include <gtest/gtest.h>

namespace {

using dataset::TFieldType;
using oracle::qbe::BuildQBECondition;
using oracle::qbe::TQBEColumn;
using oracle::qbe::TQBEOptions;

// Flags; kPlain turns AllowOperators off.
enum : unsigned { kStart = 1, kAnywhere = 2, kUpper = 4, kWholeDay = 8, kPlain = 16, kNoWild = 32 };

constexpr auto S = TFieldType::ftString, I = TFieldType::ftInteger, F = TFieldType::ftFloat,
               D = TFieldType::ftDate, T = TFieldType::ftTime;

struct ConditionCase {
  TFieldType type;
  unsigned flags;
  const char* typed;
  const char* condition;  // on column C
  const char* binds;      // suffix=value each; "#" marks a number
};

const ConditionCase kCases[] = {
    {S, kStart, "SM", "(C like :kel__qbe1)", "=SM%"},
    {S, kStart | kUpper, "SM", "(upper(C) like upper(:kel__qbe1))", "=SM%"},
    {S, kAnywhere | kUpper, "'ex'", "(upper(C) like upper(:kel__qbe1))", "=%ex%"},
    {S, kStart, "S_ITH", "(C like :kel__qbe1)", "=S_ITH"},
    {S, kStart, "= SMITH", "(C = :kel__qbe1)", "=SMITH"},
    {S, 0, "'O''Brien'", "(C = :kel__qbe1)", "=O'Brien"},
    {S, 0, "LIKE SM*", "(C like :kel__qbe1)", "=SM%"},
    {S, kNoWild, "LIKE SM*", "(C like :kel__qbe1)", "=SM*"},
    {S, 0, "SOUNDS LIKE Lee OR Ray",
     "(soundex(C) = soundex(:kel__qbe1_1) or soundex(C) = soundex(:kel__qbe1_2))", "_1=Lee _2=Ray"},
    {S, 0, "A OR 'C D'", "(C = :kel__qbe1_1 or C = :kel__qbe1_2)", "_1=A _2=C D"},
    {S, 0, "x; delete from t --", "(C = :kel__qbe1)", "=x; delete from t --"},
    // Texts the language cannot read are one value.
    {S, 0, "IN (A, B", "(C = :kel__qbe1)", "=IN (A, B"},
    {S, 0, "A OR B AND C", "(C = :kel__qbe1)", "=A OR B AND C"},
    {F, 0, ">= 1000", "(C >= :kel__qbe1)", "#=1000"},
    {I, 0, "NOT 10", "(not (C = :kel__qbe1) or C is null)", "#=10"},
    {I, 0, "NOT >= 5", "(not (C >= :kel__qbe1) or C is null)", "#=5"},
    {I, 0, "10 .. 20", "(C between :kel__qbe1_1 and :kel__qbe1_2)", "#_1=10 #_2=20"},
    {I, 0, "between 10 and 20", "(C between :kel__qbe1_1 and :kel__qbe1_2)", "#_1=10 #_2=20"},
    {F, 0, "10..20", "(C = :kel__qbe1)", "#=10.20"},
    {I, 0, "IN (10, 20)", "(C in (:kel__qbe1_1, :kel__qbe1_2))", "#_1=10 #_2=20"},
    {F, 0, "-1.5e3 USD'; x", "(C = :kel__qbe1)", "#=-1.5e3"},
    {I, 0, "' or '1'='1", "(C = :kel__qbe1)", "#=11"},
    {I, 0, "--", "(C = :kel__qbe1)", "=-"},
    {F, 0, "is not null", "(not (C is null))", ""},
    {F, 0, "= NULL", "(C is null)", ""},
    {D, kWholeDay, "2024-03-05",
     "(C >= to_date(:kel__qbe1_1, 'DD-MM-YYYY') and C < to_date(:kel__qbe1_2, 'DD-MM-YYYY'))",
     "_1=05-03-2024 _2=06-03-2024"},
    {D, kWholeDay, "< 2024-12-31", "(C < to_date(:kel__qbe1, 'DD-MM-YYYY'))", "=31-12-2024"},
    {D, kWholeDay, "2024-03-05 10:30", "(C = to_date(:kel__qbe1, 'DD-MM-YYYY HH24:MI:SS'))",
     "=05-03-2024 10:30:00"},
    {T, 0, "08:15:00", "(C = to_date(:kel__qbe1, 'HH24:MI:SS'))", "=08:15:00"},
    {S, kPlain | kStart, ">= x", "(C like :kel__qbe1)", "=>= x%"},
};

TEST(QBEConditionTest, EachFormGivesItsPredicateAndBinds) {
  for (const ConditionCase& c : kCases) {
    SCOPED_TRACE(c.typed);
    TQBEColumn column{"C",
                      c.type,
                      (c.flags & kStart) != 0,
                      (c.flags & kAnywhere) != 0,
                      false,
                      (c.flags & kUpper) != 0,
                      (c.flags & kWholeDay) != 0,
                      c.typed};
    TQBEOptions options{!(c.flags & kPlain), !(c.flags & kNoWild), 0};
    const auto result = BuildQBECondition({column}, options);
    EXPECT_EQ(result.text, c.condition);
    std::string binds;
    for (const auto& b : result.binds)
      binds += (binds.empty() ? "" : " ") + std::string(b.isNumber ? "#" : "") + b.name.substr(10) +
               "=" + b.text;
    EXPECT_EQ(binds, c.binds);
  }
}

TEST(QBEConditionTest, FieldsAreJoinedAndNumberedAfterTheQueryVariables) {
  std::vector<TQBEColumn> columns{{"ENAME", S, true, false, false, false, false, "SM"},
                                  {"JOB", S, false, false, false, false, false, "  "},
                                  {"DEPTNO", I, false, false, false, false, false, "in (1,2)"},
                                  {"HIRED", D, false, false, false, false, false, "2024-01-01"}};
  const auto result = BuildQBECondition(columns, {true, true, 2});
  EXPECT_EQ(result.text,
            "(ENAME like :kel__qbe3)\nand (DEPTNO in (:kel__qbe4_1, :kel__qbe4_2))\n"
            "and (HIRED = to_date(:kel__qbe5, 'DD-MM-YYYY'))");
  // A date or time the conversion cannot read raises.
  for (const auto& [type, text] : {std::pair{D, "5 March"}, std::pair{T, "25:00"}}) {
    columns[3].type = type;
    columns[3].text = text;
    EXPECT_THROW(BuildQBECondition(columns, {true, true, 0}), oracle::qbe::EQBEConvertError);
  }
}

TEST(QBEConditionTest, TheConditionGoesAfterWhereOrHavingBeforeTheTail) {
  const std::string c = "(X = :kel__qbe1)", m = "\n/* Modified for QBE */";
  const std::pair<const char*, std::string> cases[] = {
      {"select * from emp", "select * from emp\nwhere " + c + m},
      {"select * from emp where a = 1 order by b",
       "select * from emp\nwhere (a = 1)\nand\n(" + c + ")\norder by b" + m},
      {"select * from emp for update nowait",
       "select * from emp\nwhere " + c + "\nfor update nowait" + m},
      {"select a, count(*) from emp where b > 0 group by a order by 1",
       "select a, count(*) from emp where b > 0 group by a\nhaving " + c + "\norder by 1" + m},
      {"select a from emp group by a having count(*) > 1",
       "select a from emp group by a\nhaving (count(*) > 1)\nand\n(" + c + ")" + m},
      // Keywords in literals, quoted names, comments and subqueries never count.
      {"select 'where' \"FOR\" from emp /* order by */ where x in (select y from t where z = 1)",
       "select 'where' \"FOR\" from emp /* order by */\nwhere (x in (select y from t where z = 1))"
       "\nand\n(" +
           c + ")" + m},
      {"select * from emp where a = 1 -- note\norder by 2",
       "select * from emp\nwhere (a = 1 -- note\n)\nand\n(" + c + ")\norder by 2" + m},
  };
  for (const auto& [sql, rewritten] : cases)
    EXPECT_EQ(oracle::qbe::RewriteSQLForQBE(sql, c), rewritten);
  EXPECT_EQ(oracle::qbe::RewriteSQLForQBE("select * from emp", ""), "select * from emp");
  EXPECT_TRUE(oracle::qbe::IsQBEVariable(":KEL__QBE12_1"));
}

}  // namespace
