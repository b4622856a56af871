// Bind and define of every supported external type, array DML, truncation
// and conversion errors.
#include <cstring>

#include "oci_client/oci_test_support.h"

using namespace ocitest;

namespace {

class BindsDefines : public PluginAccountTest {
 protected:
  void SetUp() override {
    run(s,
        "create table t (id number(10) not null primary key, c_chr varchar2(20), "
        "c_num number, c_str varchar2(20), c_lng long, c_dat date, c_bin raw(10), "
        "c_lbi long raw, c_afc char(6), c_avc char(6))");
  }
  template <class T>
  void bind(Statement& st, const char* name, T* value, sb4 size, ub2 type, sb2* ind = nullptr,
            ub2* len = nullptr) {
    OCIBind* b = nullptr;
    ASSERT_EQ(OCI_SUCCESS,
              api().OCIBindByName(st.stmt, &b, s.err, reinterpret_cast<const text*>(name), -1,
                                  value, size, type, ind, len, nullptr, 0, nullptr, OCI_DEFAULT))
        << name << " " << st.error().text;
  }
  template <class T>
  void define(Statement& st, ub4 pos, T* value, sb4 size, ub2 type, sb2* ind, ub2* len, ub2* code) {
    OCIDefine* d = nullptr;
    ASSERT_EQ(OCI_SUCCESS, api().OCIDefineByPos(st.stmt, &d, s.err, pos, value, size, type, ind,
                                                len, code, OCI_DEFAULT));
  }
};

TEST_F(BindsDefines, EveryExternalTypeRoundTrips) {
  Statement ins(s,
                "insert into t values (:id, :C_CHR, :c_num, :\"C_STR\", :c_lng, :c_dat, "
                ":c_bin, :c_lbi, :c_afc, :c_avc)");
  std::int32_t id = 1;
  char chr[] = "abcXYZ";
  ub2 chrLen = 3;
  double num = 2.5;
  char str[] = "hello";
  char lng[] = "a long text";
  unsigned char dat[7] = {119, 199, 12, 31, 24, 60, 59};  // 1999-12-31 23:59:58
  unsigned char bin[4] = {0x00, 0x01, 0x02, 0xFF};
  unsigned char lbi[3] = {9, 8, 7};
  char afc[] = "ab";
  char avc[] = "xy";
  bind(ins, "id", &id, 4, SQLT_INT);
  bind(ins, ":c_chr", chr, sizeof chr, SQLT_CHR, nullptr, &chrLen);
  bind(ins, "C_NUM", &num, 8, SQLT_FLT);
  bind(ins, "c_str", str, sizeof str, SQLT_STR);
  bind(ins, "c_lng", lng, static_cast<sb4>(std::strlen(lng)), SQLT_LNG);
  bind(ins, "c_dat", dat, 7, SQLT_DAT);
  bind(ins, "c_bin", bin, 4, SQLT_BIN);
  bind(ins, "c_lbi", lbi, 3, SQLT_LBI);
  bind(ins, "c_afc", afc, 2, SQLT_AFC);
  bind(ins, "c_avc", avc, sizeof avc, SQLT_AVC);
  ASSERT_EQ(OCI_SUCCESS, ins.execute()) << ins.error().text;

  Statement sel(s,
                "select id, c_chr, c_num, c_str, c_lng, c_dat, c_bin, c_lbi, c_afc, c_avc, "
                "c_dat, c_bin, c_num from t");
  ASSERT_EQ(OCI_SUCCESS, sel.execute(0));
  std::int64_t outId = 0;
  char outChr[20], outStr[20], outLng[40], outAfc[6], outAvc[8], datText[20], binText[20],
      numText[20];
  double outNum = 0;
  unsigned char outDat[7], outBin[10], outLbi[10];
  sb2 ind[13];
  ub2 len[13], code[13];
  define(sel, 1, &outId, 8, SQLT_INT, &ind[0], &len[0], &code[0]);
  define(sel, 2, outChr, sizeof outChr, SQLT_CHR, &ind[1], &len[1], &code[1]);
  define(sel, 3, &outNum, 8, SQLT_FLT, &ind[2], &len[2], &code[2]);
  define(sel, 4, outStr, sizeof outStr, SQLT_STR, &ind[3], &len[3], &code[3]);
  define(sel, 5, outLng, sizeof outLng, SQLT_LNG, &ind[4], &len[4], &code[4]);
  define(sel, 6, outDat, 7, SQLT_DAT, &ind[5], &len[5], &code[5]);
  define(sel, 7, outBin, sizeof outBin, SQLT_BIN, &ind[6], &len[6], &code[6]);
  define(sel, 8, outLbi, sizeof outLbi, SQLT_LBI, &ind[7], &len[7], &code[7]);
  define(sel, 9, outAfc, sizeof outAfc, SQLT_AFC, &ind[8], &len[8], &code[8]);
  define(sel, 10, outAvc, sizeof outAvc, SQLT_AVC, &ind[9], &len[9], &code[9]);
  define(sel, 11, datText, sizeof datText, SQLT_STR, &ind[10], &len[10], &code[10]);
  define(sel, 12, binText, sizeof binText, SQLT_STR, &ind[11], &len[11], &code[11]);
  define(sel, 13, numText, sizeof numText, SQLT_STR, &ind[12], &len[12], &code[12]);
  ASSERT_EQ(OCI_SUCCESS, api().OCIStmtFetch(sel.stmt, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT))
      << sel.error().text;
  for (int i = 0; i < 13; ++i) {
    EXPECT_EQ(0, ind[i]) << i;
    EXPECT_EQ(0, code[i]) << i;
  }
  EXPECT_EQ(1, outId);
  EXPECT_EQ("abc", std::string(outChr, len[1]));
  EXPECT_EQ(2.5, outNum);
  EXPECT_STREQ("hello", outStr);
  EXPECT_EQ("a long text", std::string(outLng, len[4]));
  EXPECT_EQ(0, std::memcmp(dat, outDat, 7));
  EXPECT_EQ(4, len[6]);
  EXPECT_EQ(0, std::memcmp(bin, outBin, 4));
  EXPECT_EQ(0, std::memcmp(lbi, outLbi, 3));
  EXPECT_EQ("ab    ", std::string(outAfc, 6));  // CHAR(6), blank-padded
  EXPECT_STREQ("xy     ", outAvc);              // padded to the buffer, terminated
  EXPECT_STREQ("31-DEC-99", datText);
  EXPECT_STREQ("000102FF", binText);
  EXPECT_STREQ("2.5", numText);
}

TEST_F(BindsDefines, NullsEmptyStringsAndBindByPosition) {
  Statement ins(s, "insert into t (id, c_chr, c_str) values (:1, :2, :2)");
  std::int32_t id = 7;
  char empty[] = "";
  char text[] = "kept";
  sb2 nullInd = -1;
  OCIBind* b = nullptr;
  const Api& a = api();
  ASSERT_EQ(OCI_SUCCESS, a.OCIBindByPos(ins.stmt, &b, s.err, 1, &id, 4, SQLT_INT, nullptr, nullptr,
                                        nullptr, 0, nullptr, OCI_DEFAULT));
  ASSERT_EQ(OCI_SUCCESS, a.OCIBindByPos(ins.stmt, &b, s.err, 2, empty, 1, SQLT_STR, nullptr,
                                        nullptr, nullptr, 0, nullptr, OCI_DEFAULT));
  ASSERT_EQ(OCI_SUCCESS, a.OCIBindByPos(ins.stmt, &b, s.err, 3, text, 5, SQLT_STR, &nullInd,
                                        nullptr, nullptr, 0, nullptr, OCI_DEFAULT));
  ASSERT_EQ(OCI_SUCCESS, ins.execute()) << ins.error().text;
  const Rows rows = query(s, "select nvl(c_chr, 'empty is null'), nvl(c_str, 'null') from t");
  ASSERT_EQ(1u, rows.size());
  EXPECT_EQ("empty is null", rows[0][0]);
  EXPECT_EQ("null", rows[0][1]);
}

TEST_F(BindsDefines, UnboundAndUnknownPlaceholders) {
  Statement st(s, "select c_chr from t where id = :id and c_chr = :name");
  std::int32_t id = 1;
  OCIBind* b = nullptr;
  EXPECT_EQ(OCI_ERROR,
            api().OCIBindByName(st.stmt, &b, s.err, reinterpret_cast<const text*>("nope"), 4, &id,
                                4, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT));
  EXPECT_EQ(1036, st.error().code);
  bind(st, "ID", &id, 4, SQLT_INT);
  EXPECT_EQ(OCI_ERROR, st.execute(0));
  EXPECT_EQ(1008, st.error().code);
  char noTerminator[3] = {'a', 'b', 'c'};
  bind(st, "name", noTerminator, 3, SQLT_STR);
  EXPECT_EQ(OCI_ERROR, st.execute(0));
  EXPECT_EQ(1480, st.error().code);
}

TEST_F(BindsDefines, ArrayDmlCountsRowsAndReportsTheFailingRow) {
  Statement ins(s, "insert into t (id, c_chr) values (:id, :c)");
  std::int32_t ids[5] = {1, 2, 3, 2, 5};
  char names[5][4] = {"a", "b", "c", "d", "e"};
  bind(ins, "id", ids, 4, SQLT_INT);
  bind(ins, "c", names, 4, SQLT_STR);
  EXPECT_EQ(OCI_ERROR, ins.execute(5));
  EXPECT_EQ(1, ins.error().code);
  EXPECT_EQ("ORA-00001: unique constraint (VESKDATA.SYS_C00535696) violated\n", ins.error().text);
  ub4 offset = 0, count = 0;
  api().OCIAttrGet(ins.stmt, OCI_HTYPE_STMT, &offset, nullptr, OCI_ATTR_DML_ROW_OFFSET, s.err);
  api().OCIAttrGet(ins.stmt, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_ROW_COUNT, s.err);
  EXPECT_EQ(3u, offset);
  EXPECT_EQ(3u, count);
  // Continue after the failed row.
  ASSERT_EQ(OCI_SUCCESS, ins.execute(5, OCI_DEFAULT, 4));
  api().OCIAttrGet(ins.stmt, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_ROW_COUNT, s.err);
  EXPECT_EQ(1u, count);
  EXPECT_EQ((Rows{{"1", "a"}, {"2", "b"}, {"3", "c"}, {"5", "e"}}),
            query(s, "select id, c_chr from t order by id"));
  const int last = api().journalSize() - 2;  // the second execute, before the query
  EXPECT_STREQ("insert into t (id, c_chr) values (:id, :c)", api().journalSql(last));
  ASSERT_EQ(2, api().journalBindCount(last));
  EXPECT_STREQ("ID=5", api().journalBind(last, 0));
  EXPECT_STREQ("C='e'", api().journalBind(last, 1));
}

// LONG VARCHAR and LONG VARRAW elements: a 4-byte length, then the value;
// each row of an array its own length, 0 a NULL, a length past the element
// refused.
TEST_F(BindsDefines, LongVarcharAndVarrawElementsCarryTheirLengths) {
  struct Element {
    sb4 length;
    char bytes[8];
  };
  Element texts[3] = {{2, {'a', 'b'}}, {0, {}}, {8, {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'}}};
  Element raws[3] = {{3, {1, 0, 2}}, {1, {9}}, {0, {}}};
  std::int32_t ids[3] = {1, 2, 3};
  Statement ins(s, "insert into t (id, c_lng, c_lbi) values (:id, :l, :r)");
  bind(ins, "id", ids, 4, SQLT_INT);
  bind(ins, "l", texts, sizeof(Element), SQLT_LVC);
  bind(ins, "r", raws, sizeof(Element), SQLT_LVB);
  ASSERT_EQ(OCI_SUCCESS, ins.execute(3)) << ins.error().text;
  EXPECT_EQ((Rows{{"1", "ab", "010002"}, {"2", "<null>", "09"}, {"3", "abcdefgh", "<null>"}}),
            query(s, "select id, c_lng, c_lbi from t order by id"));

  ids[0] = 4;
  texts[0].length = 9;  // one more than the element holds
  Statement bad(s, "insert into t (id, c_lng) values (:id, :l)");
  bind(bad, "id", ids, 4, SQLT_INT);
  bind(bad, "l", texts, sizeof(Element), SQLT_LVC);
  EXPECT_EQ(OCI_ERROR, bad.execute(1));
  EXPECT_EQ(932, bad.error().code);
  EXPECT_EQ((Rows{{"3"}}), query(s, "select count(*) from t"));
}

TEST_F(BindsDefines, TruncationNullAndOverflow) {
  run(s, "insert into t (id, c_chr, c_num) values (1, 'Abcdef', 70000)");
  run(s, "insert into t (id, c_chr, c_num) values (2, null, 1)");
  Statement sel(s, "select c_chr, c_num from t order by id");
  ASSERT_EQ(OCI_SUCCESS, sel.execute(0));
  char buf[2][4];
  sb2 ind[2];
  ub2 len[2], code[2];
  std::int16_t small[2];
  define(sel, 1, buf, 4, SQLT_STR, ind, len, code);
  define(sel, 2, small, 2, SQLT_INT, nullptr, nullptr, nullptr);
  EXPECT_EQ(OCI_ERROR, api().OCIStmtFetch2(sel.stmt, s.err, 1, OCI_FETCH_NEXT, 0, OCI_DEFAULT));
  EXPECT_EQ(1455, sel.error().code);

  Statement again(s, "select c_chr from t order by id");
  ASSERT_EQ(OCI_SUCCESS, again.execute(0));
  define(again, 1, buf, 4, SQLT_STR, ind, len, code);
  EXPECT_EQ(OCI_SUCCESS_WITH_INFO,
            api().OCIStmtFetch2(again.stmt, s.err, 2, OCI_FETCH_NEXT, 0, OCI_DEFAULT));
  EXPECT_EQ(24345, again.error().code);
  EXPECT_STREQ("Abc", buf[0]);
  EXPECT_EQ(6, ind[0]);
  EXPECT_EQ(1406, code[0]);
  EXPECT_EQ(3, len[0]);
  EXPECT_EQ(-1, ind[1]);
  EXPECT_EQ(1405, code[1]);

  Statement noIndicator(s, "select c_chr from t where id = 2");
  ASSERT_EQ(OCI_SUCCESS, noIndicator.execute(0));
  define(noIndicator, 1, buf, 4, SQLT_STR, nullptr, nullptr, nullptr);
  EXPECT_EQ(OCI_ERROR, api().OCIStmtFetch2(noIndicator.stmt, s.err, 1, OCI_FETCH_NEXT, 0, 0));
  EXPECT_EQ(1405, noIndicator.error().code);
}

// One column read through an integer, a floating-point and a text define
// within one batch, its rows stored as integer, real and null: each row is
// converted by its own stored type, and a value too large for the integer
// ends the batch after the rows before it.
TEST_F(BindsDefines, StoredTypesMayDifferFromRowToRowOfABatch) {
  run(s, "insert into t (id, c_num) values (1, 7)");
  run(s, "insert into t (id, c_num) values (2, 2.5)");
  run(s, "insert into t (id, c_num) values (3, null)");
  run(s, "insert into t (id, c_num) values (4, 3000000000)");
  Statement sel(s, "select c_num, c_num, c_num from t order by id");
  ASSERT_EQ(OCI_SUCCESS, sel.execute(0));
  std::int32_t ints[4] = {};
  double reals[4] = {};
  char texts[4][12] = {};
  sb2 ind[3][4] = {};
  ub2 len[4], code[4];
  define(sel, 1, ints, 4, SQLT_INT, ind[0], nullptr, nullptr);
  define(sel, 2, reals, 8, SQLT_FLT, ind[1], nullptr, nullptr);
  define(sel, 3, texts, 12, SQLT_STR, ind[2], len, code);
  EXPECT_EQ(OCI_ERROR, api().OCIStmtFetch2(sel.stmt, s.err, 4, OCI_FETCH_NEXT, 0, OCI_DEFAULT));
  EXPECT_EQ(1455, sel.error().code);
  ub4 fetched = 0;
  api().OCIAttrGet(sel.stmt, OCI_HTYPE_STMT, &fetched, nullptr, OCI_ATTR_ROWS_FETCHED, s.err);
  EXPECT_EQ(3u, fetched);
  EXPECT_EQ(7, ints[0]);
  EXPECT_EQ(3, ints[1]);  // rounded half away from zero
  EXPECT_EQ(7.0, reals[0]);
  EXPECT_EQ(2.5, reals[1]);
  EXPECT_STREQ("7", texts[0]);
  EXPECT_STREQ("2.5", texts[1]);
  EXPECT_EQ(3, len[1]);
  for (int column = 0; column < 3; ++column) {
    EXPECT_EQ(0, ind[column][1]);
    EXPECT_EQ(-1, ind[column][2]);
  }
  EXPECT_EQ(1405, code[2]);
}

TEST_F(BindsDefines, CharacterSetsNamedOnBindsAndDefinesAreHonoured) {
  run(s, "create table n (id number(10), body nvarchar2(10))");
  auto attr = [&](void* handle, ub4 type, ub2 id) {
    ub1 form = SQLCS_NCHAR;
    EXPECT_EQ(OCI_SUCCESS, api().OCIAttrSet(handle, type, &form, 0, OCI_ATTR_CHARSET_FORM, s.err));
    return api().OCIAttrSet(handle, type, &id, 0, OCI_ATTR_CHARSET_ID, s.err);
  };
  // "Zoë €" as UTF-16 in the client's (little-endian) order.
  const char16_t units[] = u"Zo\u00eb \u20ac";
  ub2 length = 10;
  Statement ins(s, "insert into n values (1, :b)");
  OCIBind* b = nullptr;
  ASSERT_EQ(OCI_SUCCESS,
            api().OCIBindByName(ins.stmt, &b, s.err, reinterpret_cast<const text*>(":b"), -1,
                                const_cast<char16_t*>(units), 10, SQLT_CHR, nullptr, &length,
                                nullptr, 0, nullptr, OCI_DEFAULT));
  ASSERT_EQ(OCI_SUCCESS, attr(b, OCI_HTYPE_BIND, OCI_UTF16ID));
  ASSERT_EQ(OCI_SUCCESS, ins.execute()) << ins.error().text;
  EXPECT_EQ(query(s, "select body from n"), (Rows{{"Zo\xc3\xab \xe2\x82\xac"}}));

  Statement sel(s, "select body, body from n");
  ASSERT_EQ(OCI_SUCCESS, sel.execute(0));
  unsigned char wide[14];
  char narrow[16];
  sb2 ind[2];
  ub2 len[2], code[2];
  OCIDefine* d = nullptr;
  ASSERT_EQ(OCI_SUCCESS, api().OCIDefineByPos(sel.stmt, &d, s.err, 1, wide, sizeof wide, SQLT_STR,
                                              &ind[0], &len[0], &code[0], OCI_DEFAULT));
  EXPECT_EQ(OCI_ERROR, attr(d, OCI_HTYPE_DEFINE, 31));  // a set the client cannot convert
  EXPECT_EQ(12715, sel.error().code);
  ASSERT_EQ(OCI_SUCCESS, attr(d, OCI_HTYPE_DEFINE, OCI_CHARSET_AL16UTF16));
  // The second column keeps the client's own UTF-8.
  define(sel, 2, narrow, sizeof narrow, SQLT_STR, &ind[1], &len[1], &code[1]);
  ASSERT_EQ(OCI_SUCCESS, api().OCIStmtFetch2(sel.stmt, s.err, 1, OCI_FETCH_NEXT, 0, OCI_DEFAULT));
  // AL16UTF16 is big-endian, ended by a zero unit.
  const unsigned char expected[] = {0, 'Z', 0, 'o', 0, 0xEB, 0, ' ', 0x20, 0xAC, 0, 0};
  EXPECT_EQ(0, std::memcmp(expected, wide, sizeof expected));
  EXPECT_EQ(10, len[0]);
  EXPECT_EQ(0, code[0]);
  EXPECT_STREQ("Zo\xc3\xab \xe2\x82\xac", narrow);
}

}  // namespace
