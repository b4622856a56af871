// Statement types, batch fetch, describe, error mapping and the SQL rewriter.
#include <cstring>

#include "oci_client/oci_test_support.h"

using namespace ocitest;

namespace {

class Statements : public PluginAccountTest {};

TEST_F(Statements, StatementTypesAndFunctionCodes) {
  struct Case {
    const char* sql;
    ub2 type;
    ub2 fncode;
  };
  const Case cases[] = {
      {"select 1 from dual", OCI_STMT_SELECT, 4},
      {"  with q as (select 1 x from dual) select x from q", OCI_STMT_SELECT, 4},
      {"(select 1 from dual)", OCI_STMT_SELECT, 4},
      {"/* lead */ update dcs set active = 1", OCI_STMT_UPDATE, 5},
      {"delete from dcs", OCI_STMT_DELETE, 9},
      {"INSERT into dcs values (1,'A','a',1)", OCI_STMT_INSERT, 3},
      {"create table x (a number)", OCI_STMT_CREATE, 1},
      {"drop table x", OCI_STMT_DROP, 8},
      {"alter table x add b number", OCI_STMT_ALTER, 26},
      {"alter session set nls_date_format = 'DD-MON-RR'", OCI_STMT_ALTER, 52},
      {"begin null; end;", OCI_STMT_BEGIN, 34},
      {"declare x number; begin null; end;", OCI_STMT_DECLARE, 34},
  };
  for (const Case& c : cases) {
    Statement st(s, c.sql);
    ub2 type = 99, fncode = 99;
    ASSERT_EQ(OCI_SUCCESS,
              api().OCIAttrGet(st.stmt, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, s.err));
    ASSERT_EQ(OCI_SUCCESS, api().OCIAttrGet(st.stmt, OCI_HTYPE_STMT, &fncode, nullptr,
                                            OCI_ATTR_SQLFNCODE, s.err));
    EXPECT_EQ(c.type, type) << c.sql;
    EXPECT_EQ(c.fncode, fncode) << c.sql;
  }
}

TEST_F(Statements, PlsqlIsRefusedAndAlterSessionIgnored) {
  Statement block(s, "begin delete from dcs; end;");
  EXPECT_EQ(OCI_ERROR, block.execute());
  EXPECT_EQ(6550, block.error().code);
  EXPECT_EQ((Rows{{"4"}}), query(s, "select count(*) from dcs"));
  Statement alter(s, "alter session set nls_date_format = 'YYYY'");
  EXPECT_EQ(OCI_SUCCESS, alter.execute());
}

TEST_F(Statements, DescribeOnlyParsesAChangeAndRunsNothing) {
  run(s, "create table probe (n number)");
  auto count = [this] { return query(s, "select count(*) from probe"); };
  Statement insert(s, "insert into probe values (1)");
  ASSERT_EQ(OCI_SUCCESS, insert.execute(1, OCI_DESCRIBE_ONLY));
  ub4 rows = 99, columns = 99;
  api().OCIAttrGet(insert.stmt, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, s.err);
  api().OCIAttrGet(insert.stmt, OCI_HTYPE_STMT, &columns, nullptr, OCI_ATTR_PARAM_COUNT, s.err);
  EXPECT_EQ(0u, rows);
  EXPECT_EQ(0u, columns);
  EXPECT_EQ((Rows{{"0"}}), count());

  // Neither data definition nor COMMIT described in the middle of a
  // transaction ends it.
  run(s, "insert into probe values (2)");
  Statement ddl(s, "create table never_made (n number)");
  EXPECT_EQ(OCI_SUCCESS, ddl.execute(1, OCI_DESCRIBE_ONLY));
  Statement commit(s, "commit");
  EXPECT_EQ(OCI_SUCCESS, commit.execute(1, OCI_DESCRIBE_ONLY));
  ASSERT_EQ(OCI_SUCCESS, api().OCITransRollback(s.svc, s.err, OCI_DEFAULT));
  EXPECT_EQ((Rows{{"0"}}), count());
  Statement missing(s, "select * from never_made");
  EXPECT_EQ(OCI_ERROR, missing.execute(0));
  EXPECT_EQ(942, missing.error().code);

  // Parse errors still show; a described statement runs normally later.
  Statement nowhere(s, "insert into nowhere values (1)");
  EXPECT_EQ(OCI_ERROR, nowhere.execute(1, OCI_DESCRIBE_ONLY));
  EXPECT_EQ(942, nowhere.error().code);
  ASSERT_EQ(OCI_SUCCESS, insert.execute());
  EXPECT_EQ((Rows{{"1"}}), count());
}

// Fetches batches of 25 and records (status, rows fetched) per call, and the
// error number of the last call.
std::vector<std::pair<sword, ub4>> fetchInBatches(Session& s, Statement& st, int calls,
                                                  sb4* lastCode = nullptr) {
  std::int32_t values[25];
  sb2 ind[25];
  OCIDefine* d = nullptr;
  api().OCIDefineByPos(st.stmt, &d, s.err, 1, values, 4, SQLT_INT, ind, nullptr, nullptr,
                       OCI_DEFAULT);
  std::vector<std::pair<sword, ub4>> out;
  for (int i = 0; i < calls; ++i) {
    const sword rc = api().OCIStmtFetch2(st.stmt, s.err, 25, OCI_FETCH_NEXT, 0, OCI_DEFAULT);
    if (lastCode != nullptr) *lastCode = lastError(s.err).code;
    ub4 fetched = 0;
    api().OCIAttrGet(st.stmt, OCI_HTYPE_STMT, &fetched, nullptr, OCI_ATTR_ROWS_FETCHED, s.err);
    out.emplace_back(rc, fetched);
  }
  return out;
}

TEST_F(Statements, BatchesFollowOraclesEndOfDataRule) {
  run(s, "create table n (x number(5))");
  Statement ins(s, "insert into n values (:x)");
  std::int32_t xs[60];
  for (int i = 0; i < 60; ++i) xs[i] = i;
  OCIBind* b = nullptr;
  api().OCIBindByName(ins.stmt, &b, s.err, reinterpret_cast<const text*>(":x"), 2, xs, 4, SQLT_INT,
                      nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  ASSERT_EQ(OCI_SUCCESS, ins.execute(60));

  Statement sixty(s, "select x from n order by x");
  ASSERT_EQ(OCI_SUCCESS, sixty.execute(0));
  sb4 code = 0;
  const auto batches = fetchInBatches(s, sixty, 4, &code);
  EXPECT_EQ((std::vector<std::pair<sword, ub4>>{
                {OCI_SUCCESS, 25}, {OCI_SUCCESS, 25}, {OCI_NO_DATA, 10}, {OCI_ERROR, 0}}),
            batches);
  EXPECT_EQ(1002, code);
  ub4 total = 0;
  api().OCIAttrGet(sixty.stmt, OCI_HTYPE_STMT, &total, nullptr, OCI_ATTR_ROW_COUNT, s.err);
  EXPECT_EQ(60u, total);

  Statement exact(s, "select x from n where x < 25");
  ASSERT_EQ(OCI_SUCCESS, exact.execute(0));
  EXPECT_EQ((std::vector<std::pair<sword, ub4>>{{OCI_SUCCESS, 25}, {OCI_NO_DATA, 0}}),
            fetchInBatches(s, exact, 2));

  Statement none(s, "select x from n where x < 0");
  ASSERT_EQ(OCI_SUCCESS, none.execute(0));
  EXPECT_EQ((std::vector<std::pair<sword, ub4>>{{OCI_NO_DATA, 0}}), fetchInBatches(s, none, 1));
}

TEST_F(Statements, ExecuteWithIterationsFetchesTheFirstBlock) {
  Statement st(s, "select cust_sid from customer order by cust_sid");
  std::int32_t sids[2];
  OCIDefine* d = nullptr;
  ASSERT_EQ(OCI_SUCCESS, st.execute(0, OCI_DESCRIBE_ONLY));
  api().OCIDefineByPos(st.stmt, &d, s.err, 1, sids, 4, SQLT_INT, nullptr, nullptr, nullptr, 0);
  ASSERT_EQ(OCI_SUCCESS, st.execute(2));
  EXPECT_EQ(9001, sids[0]);
  EXPECT_EQ(9002, sids[1]);
  EXPECT_EQ(OCI_NO_DATA, api().OCIStmtFetch(st.stmt, s.err, 2, OCI_FETCH_NEXT, OCI_DEFAULT));
  EXPECT_EQ(9003, sids[0]);
}

TEST_F(Statements, DescribeOfAFixtureTable) {
  Statement st(s,
               "select cust_sid, first_name, udf1_date, country, c.allow_email, "
               "count(*) over () cnt, to_char(cust_sid) as sid_text from customer c");
  ASSERT_EQ(OCI_SUCCESS, st.execute(0, OCI_DESCRIBE_ONLY));
  struct Expected {
    const char* name;
    ub2 type, size;
    sb2 precision;
    sb1 scale;
    ub1 nullable;
  };
  const Expected expected[] = {
      {"CUST_SID", SQLT_NUM, 22, 19, 0, 0},   {"FIRST_NAME", SQLT_CHR, 30, 0, 0, 1},
      {"UDF1_DATE", SQLT_DAT, 7, 0, 0, 1},    {"COUNTRY", SQLT_AFC, 2, 0, 0, 1},
      {"ALLOW_EMAIL", SQLT_NUM, 22, 1, 0, 1}, {"CNT", SQLT_NUM, 22, 0, -127, 1},
      {"SID_TEXT", SQLT_CHR, 4000, 0, 0, 1},
  };
  ub4 count = 0;
  api().OCIAttrGet(st.stmt, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, s.err);
  ASSERT_EQ(std::size(expected), count);
  for (ub4 i = 0; i < count; ++i) {
    void* param = nullptr;
    ASSERT_EQ(OCI_SUCCESS, api().OCIParamGet(st.stmt, OCI_HTYPE_STMT, s.err, &param, i + 1));
    ub2 type = 0, size = 0;
    sb2 precision = -1;
    sb1 scale = -1;
    ub1 nullable = 9;
    text* name = nullptr;
    ub4 nameLen = 0;
    api().OCIAttrGet(param, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, s.err);
    api().OCIAttrGet(param, OCI_DTYPE_PARAM, &size, nullptr, OCI_ATTR_DATA_SIZE, s.err);
    api().OCIAttrGet(param, OCI_DTYPE_PARAM, &precision, nullptr, OCI_ATTR_PRECISION, s.err);
    api().OCIAttrGet(param, OCI_DTYPE_PARAM, &scale, nullptr, OCI_ATTR_SCALE, s.err);
    api().OCIAttrGet(param, OCI_DTYPE_PARAM, &nullable, nullptr, OCI_ATTR_IS_NULL, s.err);
    api().OCIAttrGet(param, OCI_DTYPE_PARAM, &name, &nameLen, OCI_ATTR_NAME, s.err);
    const Expected& e = expected[i];
    EXPECT_EQ(e.name, std::string(reinterpret_cast<char*>(name), nameLen));
    EXPECT_EQ(e.type, type) << e.name;
    EXPECT_EQ(e.size, size) << e.name;
    if (e.type == SQLT_NUM) {
      EXPECT_EQ(e.precision, precision) << e.name;
      EXPECT_EQ(e.scale, scale) << e.name;
    }
    EXPECT_EQ(e.nullable, nullable) << e.name;
    if (e.type == SQLT_CHR || e.type == SQLT_AFC) {
      ub1 form = 0;
      ub2 charset = 0, charSize = 0;
      api().OCIAttrGet(param, OCI_DTYPE_PARAM, &form, nullptr, OCI_ATTR_CHARSET_FORM, s.err);
      api().OCIAttrGet(param, OCI_DTYPE_PARAM, &charset, nullptr, OCI_ATTR_CHARSET_ID, s.err);
      api().OCIAttrGet(param, OCI_DTYPE_PARAM, &charSize, nullptr, OCI_ATTR_CHAR_SIZE, s.err);
      EXPECT_EQ(SQLCS_IMPLICIT, form) << e.name;
      EXPECT_EQ(OCI_CHARSET_AL32UTF8, charset) << e.name;
      EXPECT_EQ(e.size, charSize) << e.name;
    }
    EXPECT_EQ(OCI_SUCCESS, api().OCIDescriptorFree(param, OCI_DTYPE_PARAM));
  }
  void* param = nullptr;
  EXPECT_EQ(OCI_ERROR, api().OCIParamGet(st.stmt, OCI_HTYPE_STMT, s.err, &param, count + 1));

  // A size in characters is described in bytes, four for each character of
  // the database character set up to the type's limit; the characters are
  // the character size.
  run(s,
      "create table sized (a varchar2(10 char), b varchar2(1500 char), c char(600 char), "
      "d varchar2(10 byte))");
  Statement sized(s, "select a, b, c, d from sized");
  ASSERT_EQ(OCI_SUCCESS, sized.execute(0, OCI_DESCRIBE_ONLY));
  const ub2 sizes[][2] = {{40, 10}, {4000, 1500}, {2000, 600}, {10, 10}};
  for (ub4 i = 0; i < 4; ++i) {
    ASSERT_EQ(OCI_SUCCESS, api().OCIParamGet(sized.stmt, OCI_HTYPE_STMT, s.err, &param, i + 1));
    ub2 size = 0, charSize = 0;
    ub1 charUsed = 9;
    api().OCIAttrGet(param, OCI_DTYPE_PARAM, &size, nullptr, OCI_ATTR_DATA_SIZE, s.err);
    api().OCIAttrGet(param, OCI_DTYPE_PARAM, &charSize, nullptr, OCI_ATTR_CHAR_SIZE, s.err);
    api().OCIAttrGet(param, OCI_DTYPE_PARAM, &charUsed, nullptr, OCI_ATTR_CHAR_USED, s.err);
    EXPECT_EQ(sizes[i][0], size) << i;
    EXPECT_EQ(sizes[i][1], charSize) << i;
    EXPECT_EQ(i < 3 ? 1 : 0, charUsed) << i;
    api().OCIDescriptorFree(param, OCI_DTYPE_PARAM);
  }
  // Its length is checked in characters: ten two-byte characters fit.
  run(s,
      "insert into sized (a) values ('\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"
      "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9')");
  Statement eleven(s, "insert into sized (a, d) values ('abcdefghijk', 'x')");
  EXPECT_EQ(OCI_ERROR, eleven.execute());
  EXPECT_EQ(
      "ORA-12899: value too large for column \"VESKDATA\".\"SIZED\".\"A\" (actual: 11, "
      "maximum: 10)\n",
      eleven.error().text);
}

TEST_F(Statements, SysdateIsADateAndSystimestampATimestamp) {
  Statement st(s, "select sysdate, systimestamp from dual");
  ASSERT_EQ(OCI_SUCCESS, st.execute(0)) << st.error().text;
  const ub2 expected[] = {SQLT_DAT, SQLT_TIMESTAMP};
  for (ub4 i = 0; i < 2; ++i) {
    void* param = nullptr;
    ub2 type = 0;
    api().OCIParamGet(st.stmt, OCI_HTYPE_STMT, s.err, &param, i + 1);
    api().OCIAttrGet(param, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, s.err);
    EXPECT_EQ(expected[i], type) << i;
  }
  unsigned char date[7] = {};
  OCIDefine* d = nullptr;
  api().OCIDefineByPos(st.stmt, &d, s.err, 1, date, 7, SQLT_DAT, nullptr, nullptr, nullptr, 0);
  ASSERT_EQ(OCI_SUCCESS, api().OCIStmtFetch2(st.stmt, s.err, 1, OCI_FETCH_NEXT, 0, 0));
  EXPECT_GE((date[0] - 100) * 100 + (date[1] - 100), 2024);
}

TEST_F(Statements, ArrayOfStructDefinesAndBinds) {
  struct Row {
    std::int32_t id;
    sb2 idInd;
    char name[12];
    sb2 nameInd;
    ub2 nameLen;
  };
  Statement st(s, "select cust_sid, first_name from customer where cust_sid >= :low order by 1");
  struct Bound {
    std::int64_t low;
    sb2 ind;
  } bound[1] = {{9002, 0}};
  OCIBind* b = nullptr;
  api().OCIBindByPos(st.stmt, &b, s.err, 1, &bound[0].low, 8, SQLT_INT, &bound[0].ind, nullptr,
                     nullptr, 0, nullptr, 0);
  ASSERT_EQ(OCI_SUCCESS, api().OCIBindArrayOfStruct(b, s.err, sizeof(Bound), sizeof(Bound), 0, 0));
  ASSERT_EQ(OCI_SUCCESS, st.execute(0));
  Row rows[3] = {};
  OCIDefine* d1 = nullptr;
  OCIDefine* d2 = nullptr;
  api().OCIDefineByPos(st.stmt, &d1, s.err, 1, &rows[0].id, 4, SQLT_INT, &rows[0].idInd, nullptr,
                       nullptr, 0);
  api().OCIDefineByPos(st.stmt, &d2, s.err, 2, rows[0].name, 12, SQLT_CHR, &rows[0].nameInd,
                       &rows[0].nameLen, nullptr, 0);
  api().OCIDefineArrayOfStruct(d1, s.err, sizeof(Row), sizeof(Row), 0, 0);
  api().OCIDefineArrayOfStruct(d2, s.err, sizeof(Row), sizeof(Row), sizeof(Row), 0);
  EXPECT_EQ(OCI_NO_DATA, api().OCIStmtFetch2(st.stmt, s.err, 3, OCI_FETCH_NEXT, 0, 0));
  EXPECT_EQ(9002, rows[0].id);
  EXPECT_EQ("Bob", std::string(rows[0].name, rows[0].nameLen));
  EXPECT_EQ(9003, rows[1].id);
  EXPECT_EQ("Cy", std::string(rows[1].name, rows[1].nameLen));
  EXPECT_EQ(0, rows[2].id);  // untouched
}

TEST_F(Statements, SqliteFailuresCarryOracleNumbers) {
  struct Case {
    const char* sql;
    sb4 code;
    const char* text;
  };
  const Case cases[] = {
      {"select * from nope", 942, "ORA-00942: table or view does not exist\n"},
      {"select nope from dual", 904, "ORA-00904: \"NOPE\": invalid identifier\n"},
      {"select d.nope from dual d", 904, "ORA-00904: \"D\".\"NOPE\": invalid identifier\n"},
      {"selec 1 from dual", 900, "ORA-00900: invalid SQL statement\n"},
      {"select 1 from dual where", 933, "ORA-00933: SQL command not properly ended\n"},
      {"insert into subsidiary values (1, 'x', 0)", 1,
       "ORA-00001: unique constraint (VESKDATA.SYS_C00707971) violated\n"},
      {"insert into subsidiary (sbs_name) values ('x')", 1400,
       "ORA-01400: cannot insert NULL into (\"VESKDATA\".\"SUBSIDIARY\".\"SBS_NO\")\n"},
      {"select to_number('12x') from dual", 1722, "ORA-01722: invalid number\n"},
      {"select 1 from dual;", 911, "ORA-00911: invalid character\n"},
      {"delete from dcs; drop table dcs", 911, "ORA-00911: invalid character\n"},
      {"select 1 from dual select 2 from dual", 933, "ORA-00933: SQL command not properly ended\n"},
      {"select to_date('31-02-2024', 'DD-MM-YYYY') from dual", 1861,
       "ORA-01861: literal does not match format string\n"},
      // Declared sizes and number columns are checked as Oracle does.
      {"insert into subsidiary values (7, 'a name longer than thirty bytes', 0)", 12899,
       "ORA-12899: value too large for column \"VESKDATA\".\"SUBSIDIARY\".\"SBS_NAME\" "
       "(actual: 31, maximum: 30)\n"},
      {"update subsidiary set sbs_name = sbs_name || ' and a long tail added to it'", 12899,
       "ORA-12899: value too large for column \"VESKDATA\".\"SUBSIDIARY\".\"SBS_NAME\" "
       "(actual: 38, maximum: 30)\n"},
      {"insert into subsidiary values (7, 'x', 'one')", 1722, "ORA-01722: invalid number\n"},
      {"update dcs set active = 'yes'", 1722, "ORA-01722: invalid number\n"},
  };
  for (const Case& c : cases) {
    Statement st(s, c.sql);
    ub2 type = 0;
    api().OCIAttrGet(st.stmt, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, s.err);
    EXPECT_EQ(OCI_ERROR, st.execute(type == OCI_STMT_SELECT ? 1 : 1)) << c.sql;
    EXPECT_EQ(c.code, st.error().code) << c.sql;
    EXPECT_EQ(c.text, st.error().text) << c.sql;
  }
  // A refused write takes back every row the statement wrote; values that
  // fit, numbers written as text among them, are taken.
  EXPECT_EQ((Rows{{"0"}}), query(s,
                                 "select count(*) from subsidiary where sbs_no = 7 or "
                                 "length(sbs_name) > 30 or typeof(master) = 'text'"));
  run(s, "insert into subsidiary values ('8', 'exactly thirty characters long', ' 1')");
  EXPECT_EQ((Rows{{"1"}}), query(s, "select master from subsidiary where sbs_no = 8"));

  Statement bad(s, "select 1 from dual\nwhere nope = 1");
  EXPECT_EQ(OCI_ERROR, bad.execute(0));
  ub2 offset = 0;
  api().OCIAttrGet(bad.stmt, OCI_HTYPE_STMT, &offset, nullptr, OCI_ATTR_PARSE_ERROR_OFFSET, s.err);
  EXPECT_EQ(25, offset);
}

TEST_F(Statements, RewriterLeavesLiteralsAndCommentsAlone) {
  const Rows rows =
      query(s,
            "select 'a/b' p, '--x' q, 'it''s /* no */' r, \"DUMMY\", 7/2, 1/4, -1/8 -- 1/0\n"
            "from dual /* a/b */ where :v = 'x' and 'a:b' = 'a' || ':b'",
            {{"v", "x"}});
  EXPECT_EQ((Rows{{"a/b", "--x", "it's /* no */", "X", "3.5", ".25", "-.125"}}), rows);
  EXPECT_EQ(
      "select 'a/b' p, '--x' q, 'it''s /* no */' r, \"DUMMY\", 7/2, 1/4, -1/8 -- 1/0\n"
      "from dual /* a/b */ where :v = 'x' and 'a:b' = 'a' || ':b'",
      std::string(api().journalSql(api().journalSize() - 1)));
}

TEST_F(Statements, OracleFunctionsAndSemantics) {
  const Rows rows = query(
      s,
      "select nvl(null, 'n'), decode(2, 1, 'one', 2, 'two', 'other'), decode(null, null, 'nn'), "
      "to_char(to_date('10-01-1999 10:10:10', 'dd-mm-yyyy hh24:mi:ss')), "
      "to_char(to_date('2024-02-29', 'YYYY-MM-DD'), 'DD Mon YYYY HH24:MI:SS'), "
      "to_char(1234.5, 'FM9,999.00'), to_char(.5), to_number('12.5') * 2, upper('ab'), "
      "lower('AB'), chr(65), lengthb('\xC3\xA4' || 'b'), user, "
      "to_char(userenv('SESSIONID')) from dual");
  ASSERT_EQ(1u, rows.size());
  const std::vector<std::string> expected = {
      "n",  "two", "nn", "10-JAN-99", "29 Feb 2024 00:00:00", "1,234.50", ".5", "25", "AB",
      "ab", "A",   "3",  "VESKDATA"};
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(expected[i], rows[0][i]) << i;
  EXPECT_FALSE(rows[0][13].empty());
  // soundex as Oracle codes names; a time alone falls on the first day of
  // the current month.
  EXPECT_EQ((Rows{{"A261", "A261", "T522", "P236", "<null>"}}),
            query(s,
                  "select soundex('Ashcraft'), soundex('ashcroft'), soundex('Tymczak'), "
                  "soundex('Pfister'), soundex('12') from dual"));
  EXPECT_EQ((Rows{{"1"}}),
            query(s,
                  "select count(*) from dual where to_char(to_date('08:15:00', 'HH24:MI:SS'), "
                  "'YYYY-MM-DD HH24:MI:SS') = to_char(sysdate, 'YYYY-MM') || '-01 08:15:00'"));
  // LIKE is case-sensitive; NULLs sort last ascending and first descending.
  EXPECT_EQ((Rows{{"0"}}), query(s, "select count(*) from customer where email_addr like 'bob%'"));
  EXPECT_EQ((Rows{{"1"}}), query(s, "select count(*) from customer where email_addr like 'BOB%'"));
  EXPECT_EQ((Rows{{"NO"}, {"YES"}, {"<null>"}}), query(s, "select info1 from customer order by 1"));
  EXPECT_EQ((Rows{{"<null>"}, {"YES"}, {"NO"}}),
            query(s, "select info1 from customer order by info1 desc"));
  // The session's date-format probe: twelve dates in the session format.
  std::string probe;
  for (int m = 1; m <= 12; ++m) {
    if (m > 1) probe += " union all ";
    probe += "select to_char(to_date('10-" + std::to_string(m) +
             "-1999 10:10:10', 'dd-mm-yyyy hh24:mi:ss')) from dual";
  }
  const Rows dates = query(s, probe);
  ASSERT_EQ(12u, dates.size());
  EXPECT_EQ("10-DEC-99", dates[11][0]);
}

}  // namespace
