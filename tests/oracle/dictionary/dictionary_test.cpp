// Column defaults, client-side constraint checks and name resolution on a
// schema made through the stand-in client.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

// The fixture first: it includes the framework's headers before the OCI
// header, whose global type `text` they would otherwise shadow.
#include "oracle_fixture/dataset_fixture.h"

#include "dataset/database_error.h"
#include "oracle/client/oracle_errors.h"
#include "oracle/dictionary/constraint_check.h"
#include "oracle/dictionary/dictionary_posting.h"
#include "oracle/dictionary/table_dictionary.h"
#include "oracle/dml/editing.h"
#include "oracle/dml/posting.h"
#include "oracle/values/type_codes.h"
#include "oracle_fixture/exception_text.h"
#include "platform/text.h"

namespace {

using oracle::Editing;
using oracle_test_support::ErrorOf;

class DictionaryTest : public oracle_dataset_test::StandinDataSetTest {
 protected:
  void SetUp() override {
    StandinDataSetTest::SetUp();
    for (const char* sql : {
             "create sequence emp_seq start with 100",
             "create table dept (deptno number(4) constraint pk_dept primary key, dname "
             "varchar2(20))",
             "create table emp (empno number(6) constraint pk_emp primary key, ename varchar2(10), "
             "\"STATUS\" varchar2(10) default 'NEW' constraint ck_status check (\"STATUS\" in "
             "('STATUS', 'ACTIVE', 'NEW') /* STATUS */), email varchar2(30), phone varchar2(20), "
             "deptno number(4) constraint fk_emp_dept references dept, hired date default "
             "sysdate, badge number default emp_seq.nextval check (badge > 0), "
             "constraint uq_emp_contact unique (email, phone))",
             "create table msgs (constraint_name varchar2(30), actions varchar2(10), "
             "parent_child varchar2(1), error_message varchar2(100))",
             "insert into msgs values ('CK_STATUS', '*', '*', 'Unknown status')",
             "insert into dept values (10, 'SALES')",
             "insert into emp (empno, ename, status, deptno) values (1, 'KING', 'ACTIVE', 10)",
             "insert into emp (empno, ename, email, phone, deptno) values (2, 'BLAKE', 'b@x', "
             "'1', 10)",
             "create view emp_v as select empno, ename from emp",
             "create synonym staff for emp",
             "create public synonym people for veskdata.emp_v",
         })
      Run(sql);
    ClearJournal();
  }

  // An open dataset over `select` whose updating table is EMP, enforcing
  // constraints.
  std::unique_ptr<oracle::TOracleDataSet> Open(const std::string& select, bool cached = false) {
    auto ds = NewDataSet(select);
    ds->SetCachedUpdates(cached);
    Editing(*ds).UpdatingTable = "emp";
    Editing(*ds).OracleDictionary.EnforceConstraints = true;
    ds->Open();
    return ds;
  }

  // The text the server gives when `sql` breaks a constraint.
  std::string ServerRefusal(const std::string& sql) {
    try {
      Run(sql);
    } catch (const oracle::EOracleError& e) {
      session_->Rollback();
      return std::string(platform::Trim(e.Message(), " \t\r\n"));
    }
    return "<accepted>";
  }

  // Statements of the journal that hold `fragment`.
  static long Count(const std::string& fragment) {
    const std::vector<std::string> sql = JournalSql();
    return std::count_if(sql.begin(), sql.end(), [&](const std::string& s) {
      return s.find(fragment) != std::string::npos;
    });
  }

  static bool ChangedData() {
    for (const std::string& sql : JournalSql()) {
      const std::string upper = platform::UpperAscii(sql);
      if (upper.rfind("INSERT", 0) == 0 || upper.rfind("UPDATE", 0) == 0 ||
          upper.rfind("DELETE", 0) == 0)
        return true;
    }
    return false;
  }
};

// The constraint of the dataset's table with that name.
oracle::TOracleConstraintInfo& Constraint(oracle::TOracleDataSet& ds, const std::string& name) {
  oracle::TOracleTableInfo& info = oracle::DataSetTableInfo(ds);
  oracle::ReadConstraints(info);
  for (auto& c : info.Constraints)
    if (c.Name == name) {
      oracle::ReadDetails(c, ds);
      return c;
    }
  throw std::runtime_error("no constraint " + name);
}

TEST_F(DictionaryTest, ChecksRefuseWhatTheServerWouldBeforeAnyChange) {
  const std::string duplicate = ServerRefusal("insert into emp (empno) values (1)");
  const std::string orphan = ServerRefusal("insert into emp (empno, deptno) values (3, 99)");
  const std::string badStatus = ServerRefusal("insert into emp (empno, status) values (3, 'X')");
  const std::string contact =
      ServerRefusal("insert into emp (empno, email, phone) values (3, 'b@x', '1')");
  ClearJournal();
  struct Case {
    int empno;                                                // the record edited; 0: a new record
    std::vector<std::pair<const char*, const char*>> values;  // set in this order
    bool cachedPost;             // posted with CachedUpdates (record level)
    const std::string* refusal;  // null: accepted
  };
  const Case cases[] = {
      // A second record with the same key is refused as its key is set.
      {0, {{"EMPNO", "1"}}, false, &duplicate},
      {2, {{"EMPNO", "2"}}, false, nullptr},
      {1, {{"DEPTNO", "99"}}, false, &orphan},
      {1, {{"STATUS", "X"}}, false, &badStatus},
      {1, {{"STATUS", "STATUS"}}, false, nullptr},
      // Keys of several columns are checked when the record is posted.
      {0, {{"EMPNO", "3"}, {"EMAIL", "b@x"}, {"PHONE", "1"}}, true, &contact},
      {1, {{"EMAIL", "b@x"}}, true, nullptr},
      {1, {{"ENAME", "SCOTT"}}, true, nullptr},
  };
  for (const Case& c : cases) {
    auto ds =
        Open("select rowid, e.* from emp e where empno = " + std::to_string(c.empno), c.cachedPost);
    try {
      if (c.empno == 0)
        ds->Insert();
      else
        ds->Edit();
      for (const auto& [field, value] : c.values) ds->FieldByName(field).SetAsString(value);
      if (c.cachedPost) ds->Post();
      EXPECT_EQ(nullptr, c.refusal) << c.values[0].first;
    } catch (const dataset::EDatabaseError& e) {
      ASSERT_NE(nullptr, c.refusal) << c.values[0].first << ": " << e.what();
      EXPECT_EQ(*c.refusal, e.what()) << c.values[0].first;
      // The value stays and so does the state.
      EXPECT_EQ(c.values.back().second, ds->FieldByName(c.values.back().first).AsString());
      EXPECT_NE(dataset::TDataSetState::dsBrowse, ds->State());
    }
    if (ds->State() != dataset::TDataSetState::dsBrowse) ds->Cancel();
  }
  // A check column without a field is read by rowid.
  auto brief = Open("select rowid, empno from emp where empno = 1");
  EXPECT_NO_THROW(oracle::Check(Constraint(*brief, "CK_STATUS"), *brief));
  EXPECT_FALSE(ChangedData());
  // The all-null key and unchanged columns were not asked.
  for (const std::string& sql : JournalSql())
    EXPECT_EQ(std::string::npos, sql.find("email is null")) << sql;
  EXPECT_EQ(1, Count("select STATUS into :STATUS from emp where rowid"));
}

TEST_F(DictionaryTest, OptionsDecideWhatIsChecked) {
  auto ds = Open("select rowid, e.* from emp e where empno = 1");
  dataset::TField& status = ds->FieldByName("STATUS");
  ds->Edit();
  // Disabled by name (any case): not checked.
  Editing(*ds).OracleDictionary.SetDisabledConstraints({"ck_status"});
  EXPECT_NO_THROW(status.SetAsString("X"));
  Editing(*ds).OracleDictionary.SetDisabledConstraints({});
  // The message table's text, through translation.
  Editing(*ds).OracleDictionary.UseMessageTable = true;
  session_->SetMessageTable("msgs");
  try {
    status.SetAsString("X");
    ADD_FAILURE() << "accepted";
  } catch (const dataset::EDatabaseError& e) {
    EXPECT_STREQ("Unknown status", e.what());
    EXPECT_EQ(2290, e.ErrorCode());
  }
  // Without the option, or without a rowid, nothing is read at all.
  ClearJournal();
  Editing(*ds).OracleDictionary.EnforceConstraints = false;
  status.SetAsString("Y");
  ds->Cancel();
  auto noRowid = Open("select empno, 'X' status from emp where empno = 1");
  ClearJournal();
  oracle::EnforceConstraints(*noRowid, &noRowid->FieldByName("STATUS"));
  // Record level in browse state: no column changed, nothing checked.
  Editing(*ds).OracleDictionary.EnforceConstraints = true;
  oracle::EnforceConstraints(*ds, nullptr);
  EXPECT_EQ(std::vector<std::string>{}, JournalSql());
  // Server-named constraints are not read.
  for (const auto& c : oracle::DataSetTableInfo(*ds).Constraints)
    EXPECT_NE(0u, c.Name.rfind("SYS_C", 0)) << c.Name;
}

TEST_F(DictionaryTest, DetailLinkFieldsAreLeftToTheMaster) {
  auto dept = NewDataSet("select rowid, d.* from dept d");
  dept->Open();
  auto emp = NewDataSet("select rowid, e.* from emp e where deptno = :deptno");
  emp->DeclareVariable("deptno", oracle::otype::Integer);
  emp->SetMaster(dept.get());
  emp->SetMasterFields("DEPTNO");
  emp->SetCachedUpdates(true);
  Editing(*emp).UpdatingTable = "emp";
  Editing(*emp).OracleDictionary.EnforceConstraints = true;
  emp->Open();
  ClearJournal();
  emp->Insert();  // DEPTNO comes from the master
  EXPECT_EQ(10, emp->FieldByName("DEPTNO").AsInteger());
  emp->FieldByName("EMPNO").SetAsInteger(7);
  emp->Post();
  // The key was checked as it was set and again at the post; the foreign
  // key over the link field never was.
  EXPECT_EQ(2, Count("select 'x' from emp\nwhere EMPNO = :EMPNO"));
  EXPECT_EQ(0, Count(".DEPT\nwhere"));
}

TEST_F(DictionaryTest, DefaultsAreComputedOnceUnlessDynamic) {
  auto ds = Open("select rowid, e.* from emp e");
  Editing(*ds).OracleDictionary.DefaultValues = true;
  oracle::TOracleTableInfo& info = oracle::DataSetTableInfo(*ds);
  const auto blocks = [] { return Count("begin\n  :"); };
  // Each new record takes the defaults; the block runs once, or per record
  // with DynamicDefaults.
  const auto newRecord = [&] {
    ds->Insert();
    const std::string badge = ds->FieldByName("BADGE").AsString();
    EXPECT_EQ("NEW", ds->FieldByName("STATUS").AsString());
    EXPECT_FALSE(ds->FieldByName("HIRED").IsNull());
    EXPECT_TRUE(ds->FieldByName("ENAME").IsNull());
    ds->Cancel();
    return badge;
  };
  ClearJournal();
  EXPECT_EQ("102", newRecord());  // the two rows took 100 and 101
  EXPECT_EQ("'NEW'", oracle::FindColumn(info, "STATUS")->DefaultText);
  EXPECT_TRUE(oracle::FindColumn(info, "ENAME")->DefaultText.empty());
  EXPECT_EQ("102", newRecord());
  EXPECT_EQ(1, blocks());
  Editing(*ds).OracleDictionary.DynamicDefaults = true;
  EXPECT_EQ("103", newRecord());
  EXPECT_EQ(2, blocks());
  // A table without defaults runs no block.
  auto depts = NewDataSet("select rowid, d.* from dept d");
  depts->Open();
  EXPECT_FALSE(oracle::ComputeDefaults(oracle::DataSetTableInfo(*depts), *depts));
  EXPECT_EQ(2, blocks());
}

TEST_F(DictionaryTest, NamesResolveThroughTablesViewsAndSynonyms) {
  struct Case {
    const char* name;
    const char* owner;
    const char* table;
  };
  const Case cases[] = {
      {"emp", "VESKDATA", "EMP"},
      {"Emp_V", "VESKDATA", "EMP_V"},
      {"staff", "VESKDATA", "EMP"},
      {"people", "VESKDATA", "EMP_V"},
      {"nosuch", "", ""},
      {"", "", ""},
      {"owner.emp", "OWNER", "EMP"},
  };
  for (const Case& c : cases) {
    ClearJournal();
    std::string owner = "?", table = "?";
    oracle::ResolveTableName(*session_, c.name, owner, table);
    EXPECT_EQ(c.owner, owner) << c.name;
    EXPECT_EQ(c.table, table) << c.name;
    const bool asked = !JournalSql().empty();
    EXPECT_EQ(std::string(c.name).find('.') == std::string::npos && *c.name != 0, asked) << c.name;
  }
}

// What a dataset's updating table stands for is forgotten at log-off with
// the session's table information: after the next log-on the name is
// resolved again, and the constraints and key are the new table's.
TEST_F(DictionaryTest, ATableNameIsResolvedAgainAfterALogOff) {
  const struct {
    const char* what;
    const char* name;
    std::function<void()> betweenLogOns;
    const char* before;
    const char* after;
    const char* afterKey;
  } cases[] = {
      {"a synonym re-pointed", "staff",
       [&] {
         auto dba = NewSession();
         oracle::TOracleQuery repoint;
         repoint.SetSession(dba.get());
         repoint.SetSQL("create or replace synonym staff for dept");
         repoint.Execute();
       },
       "VESKDATA.EMP", "VESKDATA.DEPT", "DEPTNO"},
      {"another user", "emp",
       [&] {
         session_->SetLogonUsername("DBADMIN");
         session_->SetLogonPassword("hedgerow");
       },
       "VESKDATA.EMP", "DBADMIN.EMP", "EMPNO"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto ds = NewDataSet("select rowid, e.* from emp e");
    Editing(*ds).UpdatingTable = c.name;
    ds->Open();
    const auto table = [&] {
      const oracle::TOracleTableInfo& info = oracle::DataSetTableInfo(*ds);
      return info.Owner() + "." + info.TableName();
    };
    EXPECT_EQ(c.before, table());
    EXPECT_EQ(std::vector<std::string>{"EMPNO"}, oracle::KeyColumns(*ds));
    session_->LogOff();
    c.betweenLogOns();
    session_->LogOn();
    ds->Open();
    EXPECT_EQ(c.after, table());
    EXPECT_EQ(std::vector<std::string>{c.afterKey}, oracle::KeyColumns(*ds));
    // The next calls keep what was resolved: no further dictionary query.
    ClearJournal();
    EXPECT_EQ(c.after, table());
    EXPECT_EQ(0, Count("user_synonyms"));
    ds->Close();
    UsePluginAccount(*session_);
    session_->LogOff();
    session_->LogOn();
  }
}

// The ODBC roads, reached by a session logged on to the stand-in whose
// logon then names an ODBC source (with a table in the place of the
// source's catalogue of tables).
TEST_F(DictionaryTest, OdbcSessionsAskTheirOwnWay) {
  Run("create table all_tables (owner varchar2(30), table_name varchar2(30))");
  Run("insert into all_tables values ('VESKDATA', 'EMP')");
  struct OdbcLogon {
    oracle::TOracleSession& session;
    const std::string database = session.LogonDatabase();
    ~OdbcLogon() { session.SetLogonDatabase(database); }
  } odbc{*session_};
  session_->SetLogonDatabase("ODBC:" + odbc.database);
  ASSERT_TRUE(session_->ODBCMode());
  auto ds = Open("select rowid, e.* from emp e where empno = 2");
  const auto refusal = [&](const char* field, const char* value) {
    std::string text;
    ds->Edit();
    try {
      ds->FieldByName(field).SetAsString(value);
    } catch (const dataset::EDatabaseError& e) {
      text = std::to_string(e.ErrorCode()) + " " + e.what();
    }
    ds->Cancel();
    return text;
  };
  const std::string unknown = "30021 " + oracle::ServerErrorText(*session_, 30021);
  EXPECT_EQ(unknown + "[POL-3220] duplicate keys in unique/primary index", refusal("EMPNO", "1"));
  EXPECT_EQ(unknown + "[POL-5143] integrity constraint violation", refusal("DEPTNO", "99"));
  EXPECT_EQ("", refusal("STATUS", "X"));  // check constraints are not read
  // Server-named constraints are read as well.
  const auto& constraints = oracle::DataSetTableInfo(*ds).Constraints;
  EXPECT_TRUE(std::any_of(constraints.begin(), constraints.end(),
                          [](const auto& c) { return c.Name.rfind("SYS_C", 0) == 0; }));
  EXPECT_EQ(0, Count("not like 'SYS_C%'"));
  EXPECT_LT(0, Count("and constraint_type != 'C'"));

  // Names resolve through queries tried in turn. The synonym queries end
  // in a semicolon, which this server refuses; its error passes on.
  const std::string tables =
      "select owner, table_name from all_tables\nwhere owner = user and table_name = :name";
  const std::string synonyms =
      "select table_owner, table_name from all_synonyms\n"
      "where owner = user and synonym_name = :name;";
  ClearJournal();
  std::string owner, table;
  oracle::ResolveTableName(*session_, "emp", owner, table);
  EXPECT_EQ("VESKDATA.EMP", owner + "." + table);
  EXPECT_EQ(std::vector<std::string>{tables}, JournalSql());
  ClearJournal();
  EXPECT_EQ("ORA-00911: invalid character\n",
            ErrorOf([&] { oracle::ResolveTableName(*session_, "staff", owner, table); }));
  EXPECT_EQ(std::vector<std::string>({tables, synonyms}), JournalSql());
}

TEST(DictionaryHelpers, ConditionsBindTheirColumnsOnly) {
  const std::vector<std::string> columns = {"STATUS", "Sal"};
  const std::pair<const char*, const char*> cases[] = {
      {"\"STATUS\" in ('STATUS', 'X')", ":STATUS in ('STATUS', 'X')"},
      {"status = upper(status) -- status", ":status = upper(:status) -- status"},
      {"STATUSES > 0 and X_STATUS < 1 and :STATUS = 1",
       "STATUSES > 0 and X_STATUS < 1 and :STATUS = 1"},
      {"\"Sal\" > 0 /* \"Sal\" */ and sal < 9", ":Sal > 0 /* \"Sal\" */ and :sal < 9"},
  };
  for (const auto& [condition, bound] : cases)
    EXPECT_EQ(bound, oracle::BindColumnNames(condition, columns)) << condition;

  EXPECT_TRUE(oracle::FloatsEqual(1.0, 1.0 + 1e-12));
  EXPECT_FALSE(oracle::FloatsEqual(1.0, 1.0001));
  EXPECT_TRUE(oracle::FloatsEqual(0.0, 1e-11));
  EXPECT_FALSE(oracle::FloatsEqual(0.0, 1e-9));
  EXPECT_NE(0u, oracle::WordPos("sal", "a + (SAL)"));
  EXPECT_EQ(0u, oracle::WordPos("SAL", "a + SAL$"));
}

}  // namespace
