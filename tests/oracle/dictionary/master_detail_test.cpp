// Master/detail linking on a schema made through the stand-in client: the
// detail following its master, the linked fields, new detail records and
// posting on the cached road, and the automatic configuration from the
// dictionary's foreign keys.
#include <algorithm>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

// The fixture first: it includes the framework's headers before the OCI
// header, whose global type `text` they would otherwise shadow.
#include "oracle_fixture/dataset_fixture.h"

#include "dataset/database_error.h"
#include "oracle/dataset/master_detail.h"
#include "oracle/dictionary/master_detail_config.h"
#include "oracle/dml/posting.h"
#include "oracle/dml/table_expression.h"
#include "oracle/session/ui_hooks.h"
#include "oracle/values/type_codes.h"
#include "platform/text.h"

#ifdef STANDIN_ORACLE_HOME

namespace {

using oracle::TOracleDataSet;
namespace otype = oracle::otype;

// Records the messages shown and answers questions with `answer`.
class DialogRecorder : public oracle::TOracleUserInterface {
 public:
  oracle::TCursor GetScreenCursor() override { return oracle::crDefault; }
  void SetScreenCursor(oracle::TCursor) override {}
  int MessageDialog(const std::string& text, oracle::TMsgDlgButtons buttons) override {
    messages.push_back(text);
    return (buttons & oracle::mbYes) != 0 ? answer : oracle::mrOk;
  }
  // Answers the collection column chooser with `pick` (-1: Cancel).
  bool SelectMasterCollectionColumn(const std::vector<std::string>& columns, int& index,
                                    bool& readOnly) override {
    offered = columns;
    index = pick;
    readOnly = pick >= 0 && pickReadOnly;
    return pick >= 0;
  }
  int ComponentCount() override { return 0; }
  const void* Component(int) override { return nullptr; }
  void Notify(std::intptr_t) override {}
  std::vector<std::string> messages, offered;
  int answer = oracle::mrYes;
  int pick = -1;
  bool pickReadOnly = false;
};

std::string What(const std::function<void()>& run) {
  try {
    run();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(nothing raised)";
}

class MasterDetailTest : public oracle_dataset_test::StandinDataSetTest {
 protected:
  void SetUp() override {
    StandinDataSetTest::SetUp();
    for (const char* sql : {
             "create table dept (deptno number(4) constraint pk_dept primary key, "
             "dname varchar2(20))",
             "create table emp (empno number(6) constraint pk_emp primary key, "
             "ename varchar2(10), deptno number(4) constraint fk_emp_dept references dept)",
             "create table task (taskno number(6) primary key, title varchar2(20), "
             "empno number(6) references emp)",
             "create table transfer (id number(6) primary key, from_dept number(4) "
             "references dept, to_dept number(4) references dept)",
             "create table staff (id number(6) primary key, dept_id number(4) references dept)",
             "create table region (code char(10) primary key, name varchar2(20))",
             "create table shop (id number(6) primary key, code char(10) references region)",
             "insert into dept values (10, 'SALES')",
             "insert into dept values (20, 'RESEARCH')",
             "insert into dept values (30, 'EMPTY')",
             "insert into emp values (1, 'KING', 10)",
             "insert into emp values (2, 'BLAKE', 10)",
             "insert into emp values (3, 'SCOTT', 20)",
             "insert into task values (100, 'plan', 1)",
             "insert into region values ('AB', 'North')",
             "insert into shop values (7, 'AB')",
         })
      Run(sql);
    oracle::SetOracleUserInterface(dialogs_);
    ClearJournal();
  }
  void TearDown() override {
    oracle::SetOracleUserInterface(nullptr);
    StandinDataSetTest::TearDown();
  }

  // A dataset editing on the client only.
  std::unique_ptr<TOracleDataSet> Cached(const std::string& sql) {
    auto ds = NewDataSet(sql);
    ds->SetCachedUpdates(true);
    ds->SetLockingMode(oracle::TLockingMode::lmNone);
    return ds;
  }
  // A detail over `sql` whose variable `variable` the master field `field`
  // fills.
  std::unique_ptr<TOracleDataSet> Detail(TOracleDataSet& master, const std::string& sql,
                                         const std::string& field, const std::string& variable,
                                         int16_t type = otype::Integer) {
    auto ds = Cached(sql);
    ds->DeclareVariable(variable, type);
    ds->SetMaster(&master);
    ds->SetMasterFields(field);
    ds->SetDetailFields(variable == field ? "" : variable);
    return ds;
  }
  static int Runs(const std::string& table) {
    const std::vector<std::string> sql = JournalSql();
    return static_cast<int>(std::count_if(sql.begin(), sql.end(), [&](const std::string& s) {
      return s.find("from " + table + " ") != std::string::npos;
    }));
  }

  std::shared_ptr<DialogRecorder> dialogs_ = std::make_shared<DialogRecorder>();
};

TEST_F(MasterDetailTest, DetailFollowsItsMasterRecordByBookmark) {
  auto dept = Cached("select rowid, deptno, dname from dept order by deptno");
  auto emp = Detail(*dept, "select rowid, empno, ename, deptno from emp where deptno = :dept",
                    "DEPTNO", "dept");
  dept->Open();
  emp->Open();
  EXPECT_EQ(Walk(*emp, "EMPNO"), (std::vector<std::string>{"1", "2"}));

  // Each step: what the master does, the detail's rows, its re-runs.
  struct Step {
    const char* what;
    std::function<void()> act;
    std::vector<std::string> rows;
    int runs;
  };
  const Step steps[] = {
      {"next master record", [&] { dept->Next(); }, {"3"}, 1},
      {"same record edited",
       [&] {
         dept->Edit();
         dept->FieldByName("DNAME").SetAsString("LAB");
         dept->Post();
       },
       {"3"},
       0},
      {"back to the first", [&] { dept->First(); }, {"1", "2"}, 1},
      {"master refreshed", [&] { dept->Refresh(); }, {"1", "2"}, 1},
      // The next record takes the deleted one's number, not its bookmark.
      {"current master deleted", [&] { dept->Delete(); }, {"3"}, 1},
      {"master without details", [&] { dept->Last(); }, {}, 1},
      {"master closed", [&] { dept->Close(); }, {}, 0},
      {"master opened", [&] { dept->Open(); }, {"1", "2"}, 1},
  };
  for (const Step& step : steps) {
    ClearJournal();
    step.act();
    EXPECT_EQ(Runs("emp"), step.runs) << step.what;
    EXPECT_EQ(Walk(*emp, "EMPNO"), step.rows) << step.what;
  }
}

TEST_F(MasterDetailTest, LinkedFieldsNewRecordsAndPostingOnTheCachedRoad) {
  auto dept = Cached("select rowid, deptno, dname from dept order by deptno");
  auto emp = Detail(*dept, "select rowid, empno, ename, deptno from emp where deptno = :DEPTNO",
                    "DEPTNO", "DEPTNO");
  auto task = Detail(*emp, "select rowid, taskno, title, empno from task where empno = :empno",
                     "EMPNO", "EMPNO");
  dept->Open();
  emp->Open();
  task->Open();
  dataset::TField& deptno = dept->FieldByName("DEPTNO");
  EXPECT_EQ(std::tuple(deptno.ReadOnly(), dept->FieldByName("DNAME").ReadOnly()),
            std::tuple(true, false));
  // One detail record protects the key as well.
  dept->Next();
  EXPECT_EQ(std::tuple(Walk(*emp, "EMPNO"), deptno.ReadOnly()),
            std::tuple(std::vector<std::string>{"3"}, true));
  dept->First();

  // Scrolling the master (here onto the same record) posts the edits of the
  // whole detail tree.
  emp->Edit();
  emp->FieldByName("ENAME").SetAsString("KONG");
  task->Edit();
  task->FieldByName("TITLE").SetAsString("review");
  dept->First();
  EXPECT_EQ(std::tuple(emp->ChangeLog().Count(), task->ChangeLog().Count()), std::tuple(1, 1));
  EXPECT_EQ(std::tuple(emp->State(), task->State()),
            std::tuple(dataset::TDataSetState::dsBrowse, dataset::TDataSetState::dsBrowse));
  EXPECT_EQ(What([&] { dept->Refresh(); }),
            "Refresh not allowed: detail records have cached updates.\r\n"
            "You have to apply the updates first");
  emp->CancelUpdates();
  task->CancelUpdates();

  // A master record without details keeps its linked field writable until a
  // detail record is inserted, which takes the master's value.
  dept->Last();
  EXPECT_FALSE(deptno.ReadOnly());
  dept->Edit();
  deptno.SetAsInteger(31);
  EXPECT_FALSE(emp->VariablesMatchMaster());
  dept->Cancel();
  EXPECT_TRUE(emp->VariablesMatchMaster());
  emp->Insert();
  EXPECT_TRUE(deptno.ReadOnly());
  EXPECT_EQ(emp->FieldByName("DEPTNO").AsString(), "30");
  emp->Cancel();
  EXPECT_FALSE(deptno.ReadOnly());
  // A posted new record is shown under its own master record only.
  emp->Insert();
  emp->FieldByName("EMPNO").SetAsInteger(9);
  emp->Post();
  dept->First();
  EXPECT_EQ(Walk(*emp, "EMPNO"), (std::vector<std::string>{"1", "2"}));
  dept->Last();
  EXPECT_EQ(Walk(*emp, "EMPNO"), (std::vector<std::string>{"9"}));
  emp->CancelUpdates();
  // While the master posts an insert, the detail's own Post leaves it be.
  dept->Insert();
  dept->FieldByName("DEPTNO").SetAsInteger(50);
  emp->Insert();
  emp->FieldByName("EMPNO").SetAsInteger(10);
  dataset::TDataSetState during = dataset::TDataSetState::dsInactive;
  dept->BeforePost = [&](dataset::TDataSet&) {
    emp->Post();
    during = emp->State();
  };
  dept->Post();
  dept->BeforePost = nullptr;
  // The master's new record re-runs the detail, which posts it first.
  EXPECT_EQ(std::tuple(during, emp->State()),
            std::tuple(dataset::TDataSetState::dsInsert, dataset::TDataSetState::dsBrowse));
  EXPECT_EQ(Walk(*emp, "DEPTNO"), (std::vector<std::string>{"50"}));
  emp->CancelUpdates();
  dept->CancelUpdates();

  // A new detail record refuses a master field without a value.
  auto byName = Detail(*dept, "select rowid, empno, ename from emp where ename = :dname", "DNAME",
                       "dname", otype::String);
  byName->Open();
  dept->Edit();
  dept->FieldByName("DNAME").SetAsString("  ");
  dept->Post();
  EXPECT_EQ(What([&] { byName->Insert(); }), "Field 'DNAME' must have a value");

  // Circles are refused and change nothing.
  for (TOracleDataSet* master : {task.get(), dept.get()}) {
    EXPECT_EQ(What([&] { dept->SetMaster(master); }),
              "Circular master/detail dependency not allowed");
  }
  EXPECT_EQ(dept->Master(), nullptr);
  EXPECT_TRUE(dept->Active());

  // Inside a remote data module the linked fields are left alone.
  TOracleDataSet remote(nullptr, true);
  remote.SetSession(session_.get());
  remote.SetSQL("select deptno from dept order by deptno");
  emp->SetMaster(&remote);
  remote.Open();
  emp->Open();
  EXPECT_FALSE(emp->IsEmpty());
  EXPECT_FALSE(remote.FieldByName("DEPTNO").ReadOnly());
  EXPECT_FALSE(deptno.ReadOnly());
}

TEST_F(MasterDetailTest, FixedCharacterKeysArePaddedUnlessBoundAsCharZ) {
  auto region = NewDataSet("select code from region");
  region->Open();
  // The stand-in keeps CHAR values unpadded, so only the CHAR variable
  // finds the row there.
  for (const auto& [type, bound, rows] :
       {std::tuple{otype::String, std::string("AB        "), std::vector<std::string>{}},
        std::tuple{otype::CharZ, std::string("AB"), std::vector<std::string>{"7"}}}) {
    auto shop = NewDataSet("select id from shop where code = :code");
    shop->DeclareVariable("code", type);
    shop->SetMaster(region.get());
    shop->SetMasterFields("CODE");
    shop->Open();
    EXPECT_EQ(shop->GetVariable("code").ToText(), bound);
    EXPECT_EQ(Walk(*shop, "ID"), rows) << type;
  }
}

TEST_F(MasterDetailTest, ConfigurationFromTheForeignKey) {
  auto dept = NewDataSet("select * from dept");
  // Each case: detail SQL, master SQL, answer; the outcome and the SQL after.
  struct Case {
    std::string detailSql, masterSql;
    int answer;
    std::string message, masterFields, detailFields, sqlAfter;
  };
  const std::string agg =
      "select deptno, count(*) n from emp where empno > 0 group by deptno having count(*) > 0 "
      "order by deptno";
  const std::string question =
      "Modify query to add variables to WHERE clause?\r\nNOTE: This will remove any existing "
      "WHERE clause and variables!";
  const Case cases[] = {
      {agg, "select * from dept", oracle::mrYes, question, "DEPTNO", "DEPTNO",
       "select deptno, count(*) n from emp where DEPTNO = :deptno group by deptno having "
       "count(*) > 0 order by deptno"},
      {agg, "select * from dept", oracle::mrNo, "", "DEPTNO", "DEPTNO", agg},
      {"select * from shop", "select * from region", oracle::mrYes, question, "CODE", "CODE",
       "select * from shop\nwhere CODE = :code"},
      {"select * from staff", "select * from dept", oracle::mrYes, question, "DEPTNO", "DEPT_ID",
       "select * from staff\nwhere DEPT_ID = :dept_id"},
      {"select * from transfer", "select * from dept", oracle::mrYes,
       "Automatic Master/Detail configuration is only\r\npossible if just one foreign key "
       "constraint\r\nexists between the Master and Detail table.",
       "", "", "select * from transfer"},
      {"select * from region", "select * from dept", oracle::mrYes,
       "Automatic Master/Detail configuration is only\r\npossible if a foreign key constraint "
       "exists\r\nbetween the Master and Detail table.",
       "", "", "select * from region"},
      {"", "select * from dept", oracle::mrYes,
       "Automatic Master/Detail configuraion is only\r\npossible if the Detail SQL text is set "
       "correctly,\r\nor if the Master dataset contains one or more collection fields.",
       "", "", ""},
      {"select * from emp", "", oracle::mrYes,
       "Automatic Master/Detail configuration is only\r\npossible if the Master SQL text is set "
       "correctly.",
       "", "", "select * from emp"},
  };
  for (const Case& c : cases) {
    auto master = NewDataSet(c.masterSql);
    auto detail = NewDataSet(c.detailSql);
    detail->SetMaster(master.get());
    dialogs_->messages.clear();
    dialogs_->answer = c.answer;
    oracle::ConfigureMasterDetail(*detail);
    const std::string shown = dialogs_->messages.empty() ? "" : dialogs_->messages.back();
    if (c.answer == oracle::mrYes) {
      EXPECT_EQ(shown, c.message) << c.detailSql;
    }
    EXPECT_EQ(std::tuple(detail->MasterFields(), detail->DetailFields(), detail->SQL()),
              std::tuple(c.masterFields, c.detailFields, c.sqlAfter))
        << c.detailSql;
  }

  // A CHAR master column gives a CHAR variable; the configured detail opens
  // and follows. The setter configures only when both are designed.
  auto region = NewDataSet("select * from region");
  auto shop = NewDataSet("select * from shop");
  shop->SetComponentState(dataset::csDesigning);
  shop->SetMaster(region.get());
  EXPECT_EQ(shop->MasterFields(), "");
  shop->SetMaster(nullptr);
  region->SetComponentState(dataset::csDesigning);
  shop->SetMaster(region.get());
  EXPECT_EQ(std::tuple(shop->MasterFields(), shop->VariableCount(), shop->VariableType(0)),
            std::tuple(std::string("CODE"), 1, otype::CharZ));
  shop->SetComponentState(0);
  region->SetComponentState(0);
  region->Open();
  shop->Open();
  EXPECT_EQ(Walk(*shop, "ID"), (std::vector<std::string>{"7"}));

  // Key columns: the primary key's; none when a column is not a field.
  const std::string owner = platform::UpperAscii(session_->LogonUsername());
  EXPECT_EQ(oracle::TableKeyColumns(*shop, owner, "SHOP", false), (std::vector<std::string>{"ID"}));
  EXPECT_EQ(oracle::TableKeyColumns(*shop, owner, "DEPT", true), (std::vector<std::string>{}));
  EXPECT_EQ(oracle::TableKeyColumns(*shop, owner, "DEPT", false),
            (std::vector<std::string>{"DEPTNO"}));

  // Without a connected session nothing is asked of the dictionary.
  auto emp = NewDataSet("select * from emp");
  emp->SetMaster(dept.get());
  session_->LogOff();
  dialogs_->messages.clear();
  EXPECT_FALSE(oracle::ConfigureMasterDetail(*emp));
  EXPECT_EQ(dialogs_->messages,
            (std::vector<std::string>{"Automatic Master/Detail configuration is only\r\npossible "
                                      "if the Session is connected."}));
}

TEST_F(MasterDetailTest, CollectionDetailOfTheMasterRow) {
  for (const char* sql : {
           "create type item_t as object (sku varchar2(10), qty number(5))",
           "create type item_tab as table of item_t",
           "create type tag_arr as varray(4) of varchar2(10)",
           "create type addr_t as object (city varchar2(20), phones tag_arr)",
           "create table orders (id number(5) primary key, items item_tab, tags tag_arr, "
           "addr addr_t)",
           "insert into orders values (1, item_tab(item_t('A', 1), item_t('B', 2)), null, "
           "addr_t('Oslo', tag_arr('111', '222')))",
           "insert into orders values (2, null, null, null)",
       })
    Run(sql);
  auto orders = NewDataSet("select * from orders order by id");
  auto items = NewDataSet();
  items->SetMaster(orders.get());
  // Cancel changes nothing and shows no message.
  dialogs_->messages.clear();
  EXPECT_FALSE(oracle::ConfigureMasterDetail(*items));
  EXPECT_EQ(dialogs_->offered, (std::vector<std::string>{"ITEMS (ITEM_TAB)", "TAGS (TAG_ARR)",
                                                         "ADDR.PHONES (TAG_ARR)"}));
  EXPECT_EQ(std::tuple(items->SQL(), items->MasterFields(), items->DetailFields()),
            std::tuple(std::string(), std::string(), std::string()));
  EXPECT_TRUE(dialogs_->messages.empty());

  dialogs_->pick = 2;
  dialogs_->pickReadOnly = true;
  EXPECT_TRUE(oracle::ConfigureMasterDetail(*items));
  EXPECT_EQ(items->SQL(),
            "select t.*\nfrom table(select m.ADDR.PHONES\n           from   ORDERS m\n"
            "           where  m.ID = :ID) t");
  orders->Open();
  items->Open();
  EXPECT_EQ(Walk(*items, "COLUMN_VALUE"), (std::vector<std::string>{"111", "222"}));
  orders->Close();
  // A collection detail configures again from the collections.
  dialogs_->pick = 0;
  dialogs_->pickReadOnly = false;
  EXPECT_TRUE(oracle::ConfigureMasterDetail(*items));
  EXPECT_EQ(std::tuple(items->SQL(), items->MasterFields(), items->DetailFields(),
                       items->VariableCount()),
            std::tuple(std::string("select t.*, rowid\nfrom table(select m.ITEMS\n"
                                   "           from   ORDERS m\n"
                                   "           where  m.ID = :ID) t"),
                       std::string("ID"), std::string("ID"), 1));

  // The detail lists the current order's elements and inserts into an
  // order whose collection is null after making it empty.
  orders->Open();
  items->Open();
  EXPECT_TRUE(oracle::IsTableExpression(*items));
  EXPECT_EQ(Walk(*items, "SKU"), (std::vector<std::string>{"A", "B"}));
  orders->Next();
  EXPECT_TRUE(items->IsEmpty());
  ClearJournal();
  items->Insert();
  items->FieldByName("SKU").SetAsString("Q");
  items->FieldByName("QTY").SetAsString("4");
  items->Post();
  const std::vector<std::string> sql = JournalSql();
  const auto block = std::find(sql.begin(), sql.end(),
                               "begin\n  update ORDERS m\n  set m.ITEMS = " +
                                   oracle::ParseTableExpression(*items).CollectionType +
                                   "()\n  where m.ITEMS is null\n  and (m.ID = :ID);\nend;");
  const auto insert = std::find_if(sql.begin(), sql.end(), [](const std::string& s) {
    return s.rfind("insert into TABLE(", 0) == 0;
  });
  EXPECT_TRUE(block < insert && insert != sql.end()) << ::testing::PrintToString(sql);
  items->Refresh();
  EXPECT_EQ(Walk(*items, "SKU"), (std::vector<std::string>{"Q"}));
  // An edited element keeps its row; the master's next record lists its own.
  items->Edit();
  items->FieldByName("QTY").SetAsString("40");
  items->Post();
  orders->Prior();
  EXPECT_EQ(Walk(*items, "SKU"), (std::vector<std::string>{"A", "B"}));
  orders->Next();
  EXPECT_EQ(Walk(*items, "QTY"), (std::vector<std::string>{"40"}));
  session_->Commit();
}

TEST(MasterDetailWhereClause, ReplacesOnlyTheTopLevelCondition) {
  const std::string where = "where A = :a";
  const std::pair<std::string, std::string> cases[] = {
      {"select * from t where x in (select y from u where z = 1) order by 1",
       "select * from t where A = :a order by 1"},
      {"select * from t\norder by 1", "select * from t\nwhere A = :a\norder by 1"},
      {"select a, count(*) from t group by a",
       "select a, count(*) from t where A = :a\ngroup by a"},
      {"select * from t for update", "select * from t where A = :a\nfor update"},
      {"select * from t where b = 2  ", "select * from t where A = :a  "},
  };
  for (const auto& [sql, expected] : cases) {
    EXPECT_EQ(oracle::ReplaceWhereClause(sql, where), expected) << sql;
  }
}

}  // namespace

#endif  // STANDIN_ORACLE_HOME
