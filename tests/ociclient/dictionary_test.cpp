// The schema's dictionary views, constraint names in violation texts,
// enforced foreign keys and sequences, on a schema made through the client.
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "oci_client/oci_test_support.h"

using namespace ocitest;

namespace {

const char* const kSchema[] = {
    "create sequence dept_seq start with 10 increment by 10",
    "create table dept (deptno number(4) constraint pk_dept primary key, "
    "dname varchar2(20) unique, loc varchar2(13) default 'HQ')",
    "create table emp (empno number(6) primary key, ename varchar2(10) not null, "
    "\"Sal Amount\" number(8,2) check (\"Sal Amount\" > 0), hired date default sysdate, "
    "deptno number(4), constraint fk_emp_dept foreign key (deptno) references dept (deptno), "
    "constraint uq_emp_name unique (ename), constraint ck_ename check (ename = upper(ename)))",
    "create table badge (id number default dept_seq.nextval, "
    "empno number references veskdata.emp on delete cascade)",
    "create view emp_v as select empno, ename from emp",
    "create synonym staff for emp",
    "create public synonym depts for veskdata.dept",
};

class Dictionary : public PluginAccountTest {
 protected:
  void SetUp() override {
    for (const char* sql : kSchema) run(s, sql);
  }
  std::string single(Session& session, const std::string& sql) {
    const Rows rows = query(session, sql);
    return rows.size() == 1 && rows[0].size() == 1 ? rows[0][0] : "<rows>";
  }
  ErrorInfo failure(Session& session, const std::string& sql) {
    Statement st(session, sql);
    ub2 type = 0;
    api().OCIAttrGet(st.stmt, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, session.err);
    EXPECT_EQ(OCI_ERROR, st.execute(type == OCI_STMT_SELECT ? 0 : 1)) << sql;
    return st.error();
  }
};

const char* const kConstraints =
    "select table_name, constraint_name, constraint_type, search_condition, r_constraint_name, "
    "delete_rule, status, generated from sys.all_constraints where table_name in ('BADGE', "
    "'DEPT', 'EMP') order by table_name, "
    "constraint_type, constraint_name";

// The generated names by the table and type they belong to.
std::string generated(const Rows& rows, const std::string& table, const std::string& type) {
  for (const auto& r : rows)
    if (r[0] == table && r[2] == type && r[7] == "GENERATED NAME") return r[1];
  return "<none>";
}

TEST_F(Dictionary, ViewsShowTheSchemaAsDeclared) {
  const Rows cons = query(s, kConstraints);
  const std::string empKey = generated(cons, "EMP", "P"), salCheck = generated(cons, "EMP", "C"),
                    dnameKey = generated(cons, "DEPT", "U"),
                    badgeKey = generated(cons, "BADGE", "R");
  for (const std::string& name : {empKey, salCheck, dnameKey, badgeKey})
    EXPECT_EQ(0u, name.rfind("SYS_C", 0)) << name;
  EXPECT_EQ(
      (Rows{
          {"BADGE", badgeKey, "R", "<null>", empKey, "CASCADE", "ENABLED", "GENERATED NAME"},
          {"DEPT", "PK_DEPT", "P", "<null>", "<null>", "<null>", "ENABLED", "USER NAME"},
          {"DEPT", dnameKey, "U", "<null>", "<null>", "<null>", "ENABLED", "GENERATED NAME"},
          {"EMP", "CK_ENAME", "C", "ename = upper(ename)", "<null>", "<null>", "ENABLED",
           "USER NAME"},
          {"EMP", salCheck, "C", "\"Sal Amount\" > 0", "<null>", "<null>", "ENABLED",
           "GENERATED NAME"},
          {"EMP", empKey, "P", "<null>", "<null>", "<null>", "ENABLED", "GENERATED NAME"},
          {"EMP", "FK_EMP_DEPT", "R", "<null>", "PK_DEPT", "NO ACTION", "ENABLED", "USER NAME"},
          {"EMP", "UQ_EMP_NAME", "U", "<null>", "<null>", "<null>", "ENABLED", "USER NAME"},
      }),
      cons);
  EXPECT_EQ((Rows{{"FK_EMP_DEPT", "DEPTNO", "1"}, {salCheck, "Sal Amount", "<null>"}}),
            query(s,
                  "select constraint_name, column_name, position from all_cons_columns where "
                  "owner = 'VESKDATA' and constraint_name in ('FK_EMP_DEPT', '" +
                      salCheck + "') order by 1"));
  EXPECT_EQ((Rows{{"EMPNO", "NUMBER", "6", "0", "N", "1", "<null>"},
                  {"ENAME", "VARCHAR2", "<null>", "<null>", "N", "2", "<null>"},
                  {"Sal Amount", "NUMBER", "8", "2", "Y", "3", "<null>"},
                  {"HIRED", "DATE", "<null>", "<null>", "Y", "4", "sysdate"},
                  {"DEPTNO", "NUMBER", "4", "0", "Y", "5", "<null>"}}),
            query(s,
                  "select column_name, data_type, data_precision, data_scale, nullable, "
                  "column_id, data_default from all_tab_columns where table_name = 'EMP' "
                  "order by column_id"));
  EXPECT_EQ("dept_seq.nextval",
            single(s,
                   "select data_default from all_tab_columns where table_name = 'BADGE' and "
                   "column_name = 'ID'"));
  EXPECT_EQ((Rows{{"BADGE"}, {"DEPT"}, {"EMP"}}),
            query(s,
                  "select table_name from user_tables where table_name in ('BADGE', 'DEPT', "
                  "'EMP', 'EMP_V', 'OCICLIENT_DDL') order by 1"));
  EXPECT_EQ((Rows{{"EMP_V", "select empno, ename from emp"}}),
            query(s, "select view_name, text from user_views"));
  EXPECT_EQ((Rows{{"STAFF", "VESKDATA", "EMP"}}),
            query(s, "select synonym_name, table_owner, table_name from user_synonyms"));
  EXPECT_EQ(
      (Rows{{"PUBLIC", "DEPTS", "VESKDATA", "DEPT"}, {"VESKDATA", "STAFF", "VESKDATA", "EMP"}}),
      query(s,
            "select owner, synonym_name, table_owner, table_name from all_synonyms "
            "order by 1"));
  EXPECT_EQ("0", single(s, "select count(*) from all_types"));
  // Views are current after data definition, and read-only.
  run(s, "drop synonym staff");
  run(s, "drop table badge");
  EXPECT_EQ("0", single(s, "select count(*) from user_synonyms"));
  EXPECT_EQ("0", single(s, "select count(*) from all_constraints where table_name = 'BADGE'"));
  EXPECT_NE(0, failure(s, "delete from all_constraints").code);
  // The owner qualifier naming the user goes; another owner names no table.
  EXPECT_EQ("0", single(s, "select count(*) from veskdata.dept"));
  EXPECT_EQ(942, failure(s, "select count(*) from scott.dept").code);

  // Another process sees the same generated names.
  int channel[2];
  ASSERT_EQ(0, pipe(channel));
  const pid_t child = fork();
  if (child == 0) {
    Session other("VESKDATA", "plimsy");
    std::string names;
    for (const auto& r : query(other, kConstraints)) names += r[1] + ",";
    const ssize_t written = write(channel[1], names.data(), names.size());
    _exit(written == static_cast<ssize_t>(names.size()) ? 0 : 1);
  }
  close(channel[1]);
  std::string seen;
  char buffer[256];
  for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;) seen.append(buffer, n);
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  std::string expected;
  for (const auto& r : query(s, kConstraints)) expected += r[1] + ",";
  EXPECT_EQ(expected, seen);
}

TEST_F(Dictionary, ViolationsNameTheirConstraintAndForeignKeysHold) {
  run(s, "insert into dept values (10, 'SALES', 'OSLO')");
  run(s, "insert into emp (empno, ename, \"Sal Amount\", deptno) values (1, 'KING', 5, 10)");
  run(s, "insert into badge (empno) values (1)");
  const Rows cons = query(s, kConstraints);
  const std::string parentMissing = " violated - parent key not found\n";
  struct Case {
    const char* sql;
    std::string text;  // empty: the change is taken
  };
  const Case cases[] = {
      {"insert into dept values (10, 'X', 'Y')",
       "ORA-00001: unique constraint (VESKDATA.PK_DEPT) violated\n"},
      {"insert into dept values (20, 'SALES', 'Y')",
       "ORA-00001: unique constraint (VESKDATA." + generated(cons, "DEPT", "U") + ") violated\n"},
      {"update emp set ename = 'KING' where empno = 2", ""},
      {"insert into emp (empno, ename, deptno) values (2, 'KING', 10)",
       "ORA-00001: unique constraint (VESKDATA.UQ_EMP_NAME) violated\n"},
      {"insert into emp (empno, ename, \"Sal Amount\") values (2, 'ADAMS', -1)",
       "ORA-02290: check constraint (VESKDATA." + generated(cons, "EMP", "C") + ") violated\n"},
      {"insert into emp (empno, ename) values (2, 'adams')",
       "ORA-02290: check constraint (VESKDATA.CK_ENAME) violated\n"},
      {"insert into emp (empno, ename, deptno) values (2, 'ADAMS', 99)",
       "ORA-02291: integrity constraint (VESKDATA.FK_EMP_DEPT)" + parentMissing},
      {"update emp set deptno = 99",
       "ORA-02291: integrity constraint (VESKDATA.FK_EMP_DEPT)" + parentMissing},
      {"insert into badge (empno) values (7)", "ORA-02291: integrity constraint (VESKDATA." +
                                                   generated(cons, "BADGE", "R") + ")" +
                                                   parentMissing},
      {"delete from dept",
       "ORA-02292: integrity constraint (VESKDATA.FK_EMP_DEPT) violated - child record found\n"},
  };
  for (const Case& c : cases) {
    if (c.text.empty()) {
      run(s, c.sql);
      continue;
    }
    const ErrorInfo e = failure(s, c.sql);
    EXPECT_EQ(std::stoi(c.text.substr(4, 5)), e.code) << c.sql;
    EXPECT_EQ(c.text, e.text) << c.sql;
  }
  // Nothing of the refused changes stayed; a cascading delete takes the badge.
  EXPECT_EQ((Rows{{"1", "KING", "10"}}), query(s, "select empno, ename, deptno from emp"));
  run(s, "delete from emp");
  EXPECT_EQ("0", single(s, "select count(*) from badge"));
}

TEST_F(Dictionary, SequencesHandOutEachValueOnce) {
  Session other("VESKDATA", "plimsy");
  EXPECT_EQ(8002, failure(s, "select dept_seq.currval from dual").code);
  EXPECT_EQ("ORA-08002: sequence DEPT_SEQ.CURRVAL is not yet defined in this session\n",
            failure(s, "select dept_seq.currval from dual").text);
  EXPECT_EQ(2289, failure(s, "select nope_seq.nextval from dual").code);
  EXPECT_EQ(2289, failure(s, "select scott.dept_seq.nextval from dual").code);
  EXPECT_EQ("10", single(s, "select dept_seq.nextval from dual"));
  EXPECT_EQ("20", single(other, "select veskdata.dept_seq.nextval from dual"));
  EXPECT_EQ("10", single(s, "select dept_seq.currval from dual"));
  // Taken in a transaction that is rolled back, a value stays taken; the
  // default and VALUES and SET take their values too.
  run(s, "insert into badge (empno) values (null)");
  run(s, "insert into dept (deptno, dname) values (dept_seq.nextval, 'X')");
  run(s, "update dept set loc = to_char(dept_seq.currval)");
  EXPECT_EQ((Rows{{"30", "40", "40"}}),
            query(s, "select b.id, d.deptno, d.loc from badge b, dept d"));
  ASSERT_EQ(OCI_SUCCESS, api().OCITransRollback(s.svc, s.err, OCI_DEFAULT));
  EXPECT_EQ("50", single(other, "select dept_seq.nextval from dual"));
  // Taking a value locks nothing another session's change needs.
  EXPECT_EQ("60", single(s, "select dept_seq.nextval from dual"));
  run(other, "insert into dept (deptno) values (1)");
  ASSERT_EQ(OCI_SUCCESS, api().OCITransCommit(other.svc, other.err, OCI_DEFAULT));
  run(s, "drop sequence dept_seq");
  EXPECT_EQ(2289, failure(s, "select dept_seq.nextval from dual").code);
  EXPECT_EQ(2289, failure(s, "drop sequence dept_seq").code);
}

}  // namespace
