// Blocks of assignments, select into, if and exception handlers: their
// values, the no-row and two-row exceptions handled and not, and the blocks
// the client still refuses.
#include <map>
#include <string>
#include <vector>

#include "oci_client/oci_test_support.h"

using namespace ocitest;

namespace {

const char* const kSchema[] = {
    "create sequence dept_seq start with 10 increment by 10",
    "create table dept (deptno number(4) primary key, dname varchar2(20), status varchar2(10))",
    "insert into dept values (10, 'SALES', 'X')",
    "insert into dept values (20, 'SALES', null)",
    "create view dept_v as select deptno, dname from dept",
    "create synonym branch for dept",
    "create public synonym office for veskdata.dept_v",
};

// Bind name to text value; "<null>" for null (in and out).
using Values = std::map<std::string, std::string>;

struct Outcome {
  sb4 code = 0;  // 0: the block ran
  Values values;
};

class PlsqlStatements : public PluginAccountTest {
 protected:
  void SetUp() override {
    for (const char* sql : kSchema) run(s, sql);
  }

  // Runs `block` with every name of `binds` bound as text in and out.
  Outcome runBlock(const std::string& block, const Values& binds) {
    Statement st(s, block);
    struct Buffer {
      char text[256] = {};
      sb2 indicator = 0;
    };
    std::map<std::string, Buffer> buffers;
    for (const auto& [name, value] : binds) {
      Buffer& b = buffers[name];
      b.indicator = value == "<null>" ? -1 : 0;
      if (b.indicator == 0) value.copy(b.text, sizeof b.text - 1);
      OCIBind* bind = nullptr;
      EXPECT_EQ(OCI_SUCCESS, api().OCIBindByName(st.stmt, &bind, s.err,
                                                 reinterpret_cast<const text*>(name.c_str()), -1,
                                                 b.text, sizeof b.text, SQLT_STR, &b.indicator,
                                                 nullptr, nullptr, 0, nullptr, OCI_DEFAULT));
    }
    Outcome out;
    if (st.execute() != OCI_SUCCESS) {
      out.code = st.error().code;
      return out;
    }
    for (const auto& [name, b] : buffers) out.values[name] = b.indicator == -1 ? "<null>" : b.text;
    return out;
  }
};

TEST_F(PlsqlStatements, AssignmentsAndConditionsRunTheirSql) {
  const Outcome defaults = runBlock(
      "begin\n  :LOC := 'H''Q';\n  :SEQ := dept_seq.nextval;\n  :NONE := null;\n"
      "  :STAMP := sysdate;\nend;",
      {{":LOC", ""}, {":SEQ", ""}, {":NONE", "x"}, {":STAMP", "<null>"}});
  ASSERT_EQ(0, defaults.code);
  EXPECT_EQ("H'Q", defaults.values.at(":LOC"));
  EXPECT_EQ("10", defaults.values.at(":SEQ"));
  EXPECT_EQ("<null>", defaults.values.at(":NONE"));
  EXPECT_NE("<null>", defaults.values.at(":STAMP"));

  // A check whose literal holds the column's name; a null condition passes.
  const std::string check =
      "begin\n  if not (:STATUS in ('STATUS', 'X') /* ; */) then\n    :error := 2290;\n"
      "  else\n    :error := 0;\n  end if;\nend;";
  for (const auto& [status, error] : std::vector<std::pair<std::string, std::string>>{
           {"STATUS", "0"}, {"X", "0"}, {"Y", "2290"}, {"<null>", "0"}}) {
    Outcome o = runBlock(check, {{":STATUS", status}, {":ERROR", ""}});
    EXPECT_EQ(0, o.code) << status;
    EXPECT_EQ(error, o.values[":ERROR"]) << status;
  }

  // sqlerrm leaves the place of owner and name empty.
  const std::string sqlerrm = "begin :text := sqlerrm(-:code); end;";
  for (const auto& [code, text] : std::vector<std::pair<std::string, std::string>>{
           {"1", "ORA-00001: unique constraint (.) violated"},
           {"2291", "ORA-02291: integrity constraint (.) violated - parent key not found"},
           {"942", "ORA-00942: table or view does not exist"},
           {"0", "ORA-0000: normal, successful completion"}})
    EXPECT_EQ(text, runBlock(sqlerrm, {{":TEXT", ""}, {":CODE", code}}).values[":TEXT"]) << code;
}

TEST_F(PlsqlStatements, SelectIntoRaisesUnlessHandled) {
  const std::string into = "select dname, status into :name, :status from dept where ";
  struct Case {
    std::string where, handler;
    sb4 code;
    std::string name;
  };
  const Case cases[] = {
      {"deptno = 10", "", 0, "SALES"},
      {"deptno = 30", "", 1403, ""},
      {"dname = 'SALES'", "", 1422, ""},
      {"deptno = 30", "exception when no_data_found then :name := 'none';", 0, "none"},
      {"dname = 'SALES'", "exception when no_data_found then :name := 'none';", 1422, ""},
      {"dname = 'SALES'", "exception when too_many_rows then :name := 'many';", 0, "many"},
      {"dname = 'SALES'", "exception when others then :name := 'other';", 0, "other"},
      {"nosuch = 1", "", 904, ""},
  };
  for (const Case& c : cases) {
    Outcome o = runBlock("begin\n  " + into + c.where + ";\n" + c.handler + "\nend;",
                         {{":NAME", "?"}, {":STATUS", "?"}});
    EXPECT_EQ(c.code, o.code) << c.where << " " << c.handler;
    if (c.code == 0) {
      EXPECT_EQ(c.name, o.values[":NAME"]) << c.where << " " << c.handler;
    }
  }

  // The check road: columns read by rowid, a missing row counts as passed.
  const std::string rowid = query(s, "select rowid from dept where deptno = 10")[0][0];
  const std::string check =
      "begin\n  select STATUS into :STATUS from dept where rowid = :kel__rowid;\n"
      "  if not (STATUS = 'X') then :error := 2290; else :error := 0; end if;\n"
      "exception\n  when others then :error := 0;\nend;";
  const std::string byVariable = [&] {
    std::string text = check;
    text.replace(text.find("(STATUS ="), 9, "(:STATUS =");
    return text;
  }();
  EXPECT_EQ("X", runBlock(byVariable, {{":STATUS", ""}, {":ERROR", ""}, {":KEL__ROWID", rowid}})
                     .values[":STATUS"]);
  EXPECT_EQ("0", runBlock(byVariable, {{":STATUS", ""}, {":ERROR", "9"}, {":KEL__ROWID", "AAAA"}})
                     .values[":ERROR"]);
}

TEST_F(PlsqlStatements, NestedHandlersResolveNames) {
  const std::string resolve =
      "begin begin select user, table_name into :o, :t from sys.user_tables where table_name = "
      ":name; exception when no_data_found then begin select user, view_name into :o, :t from "
      "sys.user_views where view_name = :name; exception when no_data_found then begin select "
      "table_owner, table_name into :o, :t from sys.user_synonyms where synonym_name = :name; "
      "exception when no_data_found then begin select table_owner, table_name into :o, :t from "
      "sys.all_synonyms where owner = 'PUBLIC' and synonym_name = :name; exception when "
      "no_data_found then :o := null; :t := null; end; end; end; end; end;";
  for (const auto& [name, owner, table] :
       std::vector<std::tuple<std::string, std::string, std::string>>{
           {"DEPT", "VESKDATA", "DEPT"},
           {"DEPT_V", "VESKDATA", "DEPT_V"},
           {"BRANCH", "VESKDATA", "DEPT"},
           {"OFFICE", "VESKDATA", "DEPT_V"},
           {"NOSUCH", "<null>", "<null>"}}) {
    Outcome o = runBlock(resolve, {{":NAME", name}, {":O", "?"}, {":T", "?"}});
    EXPECT_EQ(0, o.code) << name;
    EXPECT_EQ(owner, o.values[":O"]) << name;
    EXPECT_EQ(table, o.values[":T"]) << name;
  }
}

// The character set named on a bind travels with it into the block: a
// PL/SQL table's elements in UTF-16 go into a national column whole
// (forall) and come back in UTF-16 (bulk collect), and a select into a
// UTF-16 bind writes UTF-16.
TEST_F(PlsqlStatements, BindsKeepTheirCharacterSetInsideTheBlock) {
  run(s, "create table n (name nvarchar2(10))");
  auto utf16 = [&](OCIBind* bind) {
    ub1 form = SQLCS_NCHAR;
    ub2 id = OCI_UTF16ID;
    EXPECT_EQ(OCI_SUCCESS,
              api().OCIAttrSet(bind, OCI_HTYPE_BIND, &form, 0, OCI_ATTR_CHARSET_FORM, s.err));
    EXPECT_EQ(OCI_SUCCESS,
              api().OCIAttrSet(bind, OCI_HTYPE_BIND, &id, 0, OCI_ATTR_CHARSET_ID, s.err));
  };
  // Two elements of 20 bytes: ten and three characters (the second U+20AC).
  char16_t in[2][10] = {};
  for (int k = 0; k < 10; ++k) in[0][k] = u'a';
  for (int k = 0; k < 3; ++k) in[1][k] = u'\u20ac';
  ub2 inLengths[2] = {20, 6};
  ub4 inUse = 2;
  Statement forall(s, "begin forall i in 1 .. :n insert into n (name) values (:t(i)); end;");
  int rows = 2;
  OCIBind* n = nullptr;
  ASSERT_EQ(OCI_SUCCESS,
            api().OCIBindByName(forall.stmt, &n, s.err, reinterpret_cast<const text*>(":n"), -1,
                                &rows, sizeof rows, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr,
                                OCI_DEFAULT));
  OCIBind* t = nullptr;
  ASSERT_EQ(OCI_SUCCESS,
            api().OCIBindByName(forall.stmt, &t, s.err, reinterpret_cast<const text*>(":t"), -1, in,
                                20, SQLT_CHR, nullptr, inLengths, nullptr, 2, &inUse, OCI_DEFAULT));
  utf16(t);
  ASSERT_EQ(OCI_SUCCESS, forall.execute()) << forall.error().text;
  EXPECT_EQ(query(s, "select length(name) from n order by 1 desc"), (Rows{{"10"}, {"3"}}));

  char16_t out[3][10] = {};
  ub2 outLengths[3] = {};
  sb2 indicators[3] = {};
  ub4 filled = 0;
  Statement collect(s, "begin select name bulk collect into :t from n order by length(name); end;");
  ASSERT_EQ(
      OCI_SUCCESS,
      api().OCIBindByName(collect.stmt, &t, s.err, reinterpret_cast<const text*>(":t"), -1, out, 20,
                          SQLT_CHR, indicators, outLengths, nullptr, 3, &filled, OCI_DEFAULT));
  utf16(t);
  ASSERT_EQ(OCI_SUCCESS, collect.execute()) << collect.error().text;
  ASSERT_EQ(2u, filled);
  EXPECT_EQ(std::u16string(out[0], outLengths[0] / 2), u"\u20ac\u20ac\u20ac");
  EXPECT_EQ(std::u16string(out[1], outLengths[1] / 2), std::u16string(10, u'a'));

  char16_t one[10] = {};
  ub2 oneLength = 0;
  Statement into(s, "begin select name into :v from n where length(name) = 3; end;");
  OCIBind* v = nullptr;
  ASSERT_EQ(OCI_SUCCESS, api().OCIBindByName(
                             into.stmt, &v, s.err, reinterpret_cast<const text*>(":v"), -1, one, 20,
                             SQLT_CHR, nullptr, &oneLength, nullptr, 0, nullptr, OCI_DEFAULT));
  utf16(v);
  ASSERT_EQ(OCI_SUCCESS, into.execute()) << into.error().text;
  EXPECT_EQ(std::u16string(one, oneLength / 2), u"\u20ac\u20ac\u20ac");
}

TEST_F(PlsqlStatements, OtherBlocksAreRefused) {
  for (const char* block :
       {"begin dbms_output.put_line('x'); end;", "declare x number; begin x := 1; end;",
        "begin :a := 1 end;", "begin null; end;", "begin if 1 = 1 then :a := 1; end; end;",
        "begin :a := 1; exception end;"})
    EXPECT_EQ(6550, runBlock(block, {}).code) << block;
}

}  // namespace
