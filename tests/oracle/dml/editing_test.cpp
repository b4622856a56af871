// Error translation and the sequence field, on a schema made through the
// stand-in client.
#include <string>
#include <vector>

#include "oracle_fixture/dataset_fixture.h"

#include "dataset/data_link.h"
#include "oracle/client/oracle_errors.h"
#include "oracle/dml/dml_query.h"
#include "oracle/dml/editing.h"
#include "oracle/dml/posting.h"
#include "oracle/dml/translate_message.h"
#include "oracle/values/type_codes.h"

namespace {

using oracle::Editing;
using oracle::EOracleError;

class EditingTest : public oracle_dataset_test::StandinDataSetTest {
 protected:
  void SetUp() override {
    StandinDataSetTest::SetUp();
    Run("create table dept (deptno number(4) constraint pk_dept primary key, dname "
        "varchar2(20) constraint ck_dname check (dname = upper(dname)))");
    Run("create table emp (empno number(6) primary key, deptno number(4) constraint "
        "fk_emp_dept references dept)");
    Run("create table msgs (constraint_name varchar2(30), actions varchar2(10), parent_child "
        "varchar2(1), error_message varchar2(100))");
    for (const char* row :
         {"'PK_DEPT', 'IU', '*', 'Department exists'", "'FK_EMP_DEPT', 'D', 'P', 'Has employees'",
          "'FK_EMP_DEPT', 'DI', 'C', 'No such department'",
          "'CK_DNAME', 'i', '*', 'Upper case names'", "'CK_DNAME', '*', '*', 'Bad name'",
          "'O''HARA', '*', '*', 'Quoted'"})
      Run(std::string("insert into msgs values (") + row + ")");
    Run("insert into dept values (10, 'SALES')");
    Run("insert into emp values (1, 10)");
    session_->SetMessageTable("msgs");
  }

  // The error the stand-in raises for `sql`.
  EOracleError Failure(const std::string& sql) {
    try {
      Run(sql);
    } catch (const EOracleError& e) {
      session_->Rollback();
      return e;
    }
    ADD_FAILURE() << "no error: " << sql;
    return EOracleError("", 0, nullptr, nullptr);
  }
};

TEST_F(EditingTest, ConstraintNameSearchEndsOnEveryInput) {
  const std::pair<const char*, const char*> cases[] = {
      {"unique constraint (SCOTT.PK_EMP) violated", "PK_EMP"},
      {"value (x) in (SCOTT.CK_A) and (S.B)", "CK_A"},
      {")(", ""},
      {"(", ""},
      {"no name here", ""},
      {") x (A.B)", "B"},
      {"(A.B", ""},
  };
  for (const auto& [message, name] : cases) EXPECT_EQ(name, oracle::ConstraintNameOf(message));
}

TEST_F(EditingTest, TranslateMessageUsesTheTableByActionAndSide) {
  auto ds = NewDataSet("select * from dept");
  Editing(*ds).OracleDictionary.UseMessageTable = true;
  const EOracleError unique = Failure("insert into dept values (10, 'X')");
  const EOracleError child = Failure("insert into emp values (2, 99)");
  const EOracleError parent = Failure("delete from dept");
  const EOracleError check = Failure("insert into dept values (20, 'lower')");
  FailNextCall(20001, "Balance too low\nORA-06512: at line 3");
  const EOracleError application = Failure("select 1 from dual");
  struct Case {
    const EOracleError* error;
    char action;
    std::string expected;  // empty: the message unchanged
  };
  const Case cases[] = {
      {&unique, 'I', "Department exists"},
      {&unique, 'U', "Department exists"},
      {&unique, 'D', ""},
      {&child, 'I', "No such department"},
      {&parent, 'D', "Has employees"},
      {&check, 'I', "Upper case names"},
      {&check, 'U', "Bad name"},
      {&application, 'I', "ORA-20001: Balance too low"},
  };
  for (const Case& c : cases) {
    std::string result;
    oracle::TranslateMessage(*ds, c.action, c.error->ErrorCode(), c.error->Message(), result);
    EXPECT_EQ(c.expected.empty() ? c.error->Message() : c.expected, result)
        << c.error->Message() << " " << c.action;
  }
  // A quote in the name reaches the table as a bind value only.
  ClearJournal();
  std::string result;
  oracle::TranslateMessage(*ds, 'I', 2290, "check constraint (X.O'HARA) violated", result);
  EXPECT_EQ("Quoted", result);
  EXPECT_EQ(std::vector<std::string>{"select actions, parent_child, error_message from msgs\nwhere "
                                     "constraint_name = :constraint_name\norder by actions"},
            JournalSql());
  // Without the option the table is not read; the event sees every call.
  Editing(*ds).OracleDictionary.UseMessageTable = false;
  std::vector<std::string> seen;
  Editing(*ds).OnTranslateMessage = [&](oracle::TOracleDataSet&, int code, const std::string& name,
                                        char action, std::string& msg) {
    seen.push_back(std::to_string(code) + " " + name + " " + action);
    msg = "Changed";
  };
  oracle::TranslateMessage(*ds, 'D', parent.ErrorCode(), parent.Message(), result);
  EXPECT_EQ("Changed", result);
  oracle::TranslateMessage(*ds, 'L', 54, "resource busy (no.name)", result);
  EXPECT_EQ((std::vector<std::string>{"2292 FK_EMP_DEPT D", "54  L"}), seen);
  // A missing message table's error passes on.
  Editing(*ds).OracleDictionary.UseMessageTable = true;
  session_->SetMessageTable("no_such_messages");
  try {
    oracle::TranslateMessage(*ds, 'I', unique.ErrorCode(), unique.Message(), result);
    ADD_FAILURE() << "no error";
  } catch (const EOracleError& e) {
    EXPECT_EQ(942, e.ErrorCode());
  }
}

TEST_F(EditingTest, SequenceFieldKeepsAValueAndDictionaryReopensOnDisplayFormats) {
  Run("create sequence dept_seq start with 50");
  auto ds = NewDataSet("select deptno, dname from dept");
  oracle::TSequenceField& sequence = Editing(*ds).SequenceField;
  struct Case {
    const char* field;
    const char* sequence;
    oracle::TSequenceApplyMoment moment;
    bool active, isField, onServer;
  };
  const Case cases[] = {
      {"DeptNo", "dept_seq", oracle::TSequenceApplyMoment::amOnServer, true, true, true},
      {"deptno", "dept_seq", oracle::TSequenceApplyMoment::amOnPost, true, true, false},
      {"deptno", "", oracle::TSequenceApplyMoment::amOnServer, false, false, false},
      {"", "dept_seq", oracle::TSequenceApplyMoment::amOnServer, false, false, false},
  };
  for (const Case& c : cases) {
    oracle::TSequenceField source(ds.get());
    source.Field = c.field;
    source.Sequence = c.sequence;
    source.ApplyMoment = c.moment;
    source.AssignTo(sequence);
    EXPECT_EQ(c.active, sequence.IsActive()) << c.field << c.sequence;
    EXPECT_EQ(c.isField, sequence.IsSequenceField("DEPTNO")) << c.field << c.sequence;
    EXPECT_EQ(c.onServer, sequence.AppliesOnServer("deptno")) << c.field << c.sequence;
  }
  // A field that has a value keeps it and the sequence is not advanced.
  sequence.Field = "deptno";
  sequence.Sequence = "dept_seq";
  ds->Open();
  ClearJournal();
  sequence.Apply();
  EXPECT_EQ("10", ds->FieldByName("deptno").AsString());
  EXPECT_TRUE(JournalSql().empty());
  sequence.Field = "nope";
  EXPECT_ANY_THROW(sequence.Apply());

  // RequiredFields marks the NOT NULL columns' fields at once.
  oracle::TOracleDictionary& dictionary = Editing(*ds).OracleDictionary;
  dictionary.SetRequiredFields(false);
  EXPECT_FALSE(ds->FieldByName("deptno").Required());
  // ... and the open marks the fields made by default too.
  ds->Close();
  ds->Open();
  EXPECT_FALSE(ds->FieldByName("deptno").Required());
  dictionary.SetRequiredFields(true);
  EXPECT_TRUE(ds->FieldByName("deptno").Required());
  EXPECT_FALSE(ds->FieldByName("dname").Required());

  // CharacterSize and the dataset's ReadOnly tell the linked controls of a
  // change, and only of one: the fields' set-up and the dataset's state.
  struct EventCount : dataset::TDataLink {
    void DataEvent(dataset::TDataEvent event, dataset::TField* field) override {
      if (event == dataset::TDataEvent::dePropertyChange) ++properties;
      if (event == dataset::TDataEvent::deDataSetChange) ++changes;
      dataset::TDataLink::DataEvent(event, field);
    }
    int properties = 0, changes = 0;
  } events;
  dataset::TDataSource source(ds.get());
  events.SetDataSource(&source);
  dictionary.SetCharacterSize(true);
  dictionary.SetCharacterSize(true);
  EXPECT_EQ(1, events.properties);
  ds->SetReadOnly(true);
  ds->SetReadOnly(true);
  EXPECT_EQ(1, events.changes);
  EXPECT_FALSE(ds->CanModify());
  ds->SetReadOnly(false);
  EXPECT_EQ(2, events.changes);
  events.SetDataSource(nullptr);

  // DisplayFormats reopens an active dataset when it changes, and only then.
  int opens = 0;
  ds->AfterOpen = [&](dataset::TDataSet&) { ++opens; };
  dictionary.SetDisplayFormats(true);
  dictionary.SetDisplayFormats(true);
  EXPECT_EQ(1, opens);
  ds->Close();
  dictionary.SetDisplayFormats(false);
  EXPECT_FALSE(ds->Active());
  oracle::TOracleDictionary copy;
  dictionary.AssignTo(copy);
  EXPECT_FALSE(copy.DisplayFormats());
  EXPECT_TRUE(copy.RequiredFields());
  EXPECT_FALSE(copy.UseMessageTable);
}

TEST_F(EditingTest, DmlQueryFollowsTheDataSetAndTakesItsNamedVariables) {
  auto ds = NewDataSet("select * from dept where deptno = :no");
  ds->SetDebug(true);
  ds->SetReadBuffer(50);
  ds->DeclareAndSet("no", oracle::otype::Integer, oracle::Variant::Integer(10));
  ds->DeclareAndSet("other", oracle::otype::String, oracle::Variant::String("x"));
  oracle::TOracleQuery& query = oracle::PrepareDMLQuery(*ds, true);
  EXPECT_EQ(&query, &oracle::PrepareDMLQuery(*ds, false));
  EXPECT_TRUE(query.Debug());
  EXPECT_FALSE(oracle::PrepareDMLQuery(*ds, true).Debug());
  EXPECT_EQ(2, query.ReadBuffer());
  EXPECT_EQ(session_.get(), query.Session());
  query.SetSQL("select dname from dept where deptno = :no");
  oracle::CopyDataSetVariables(*ds, query);
  EXPECT_EQ(1, query.VariableCount());
  query.Execute();
  EXPECT_EQ("SALES", query.Field(0).ToText());
  EXPECT_EQ(-1, oracle::RowIdFieldIndex(query));
  query.DeleteVariable("no");
  query.SetSQL("select dname, rowid, d.rowid from dept d");
  query.Execute();
  EXPECT_EQ(1, oracle::RowIdFieldIndex(query));
  oracle::ReleaseDMLQuery(*ds);
}

}  // namespace
