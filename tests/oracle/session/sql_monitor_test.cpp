// The SQL monitor hook: absent by default, and when set it hears the runs of
// queries, the calls of LOB locators, objects and references made, and the
// datasets that open, in the order they happen.
#include <map>
#include <string>
#include <vector>

// The dataset first: the client interface's global names would shadow its own.
#include "oracle/dataset/dataset.h"

#include "oracle/lob/lob_locator.h"
#include "oracle/objects/oracle_object.h"
#include "oracle/objects/oracle_reference.h"
#include "oracle/session/sql_monitor.h"
#include "oracle/values/type_codes.h"
#include "oracle_fixture/query_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace oracle_query_test {
namespace {

using oracle::TMonitorNotice;

class SqlMonitorTest : public StandinQueryTest {
 protected:
  void SetUp() override {
    StandinQueryTest::SetUp();
    Run("create table docs (id number(5), body clob)");
    Run("create type spot_t as object (x number(5))");
  }
  void TearDown() override {
    oracle::SetSQLMonitorHook(nullptr);
    StandinQueryTest::TearDown();
  }

  void Record() {
    oracle::SetSQLMonitorHook([this](const TMonitorNotice& notice) {
      EXPECT_EQ(notice.session, session_.get());
      lines_.push_back(Line(notice));
    });
  }

  // One notice as a line; ids by kind and order of first appearance in the
  // test ("Query#1"), as the numbers count across the process.
  std::string Line(const TMonitorNotice& notice) {
    std::string kind = notice.id;
    while (!kind.empty() && std::isdigit(static_cast<unsigned char>(kind.back()))) kind.pop_back();
    auto [at, added] = ids_.try_emplace(notice.id, 0);
    if (added) at->second = ++counts_[kind];
    std::string line = kind + "#" + std::to_string(at->second) + " ";
    switch (notice.kind) {
      case TMonitorNotice::TKind::kStart:
        line += "start " + notice.text + " [" + notice.statement + "]";
        for (const auto& [name, value] : notice.variables) line += " " + name + "=" + value;
        break;
      case TMonitorNotice::TKind::kEnd:
        line += "end" + notice.text + " rows " + std::to_string(notice.rows) + " error " +
                std::to_string(notice.errorCode);
        break;
      case TMonitorNotice::TKind::kTrace:
        line += notice.text;
        break;
      case TMonitorNotice::TKind::kRegister:
        line += "register " + std::to_string(notice.objectKind) + " " + notice.text;
        break;
      case TMonitorNotice::TKind::kUnregister:
        line += "unregister";
        break;
    }
    return line;
  }

  std::vector<std::string> lines_;
  std::map<std::string, int> ids_;
  std::map<std::string, int> counts_;
};

TEST_F(SqlMonitorTest, NoticesArriveInOrderOnlyWhileAHookIsSet) {
  EXPECT_FALSE(oracle::SQLMonitorActive());
  Run("insert into docs values (1, 'abc')");  // nobody hears it
  Record();
  EXPECT_TRUE(oracle::SQLMonitorActive());

  auto insert = NewQuery("insert into docs values (:id, 'de')");
  insert->DeclareAndSet("id", oracle::otype::Integer, oracle::Variant::Integer(2));
  insert->Execute();
  {
    auto select = NewQuery("select body from docs order by id");
    select->SetReadBuffer(1);
    select->Execute();
    EXPECT_EQ(oracle::LOBField(*select, 0).AsString(), "abc");
    select->Next();
    oracle::TOracleObject spot(session_.get(), "spot_t", "");
    oracle::TOracleReference ref(session_.get());
  }
  auto failing = NewQuery("select * from no_such_table");
  EXPECT_THROW(failing->Execute(), oracle::EOracleError);
  {
    oracle::TOracleDataSet ds;
    ds.SetName("Docs");
    ds.SetSession(session_.get());
    ds.SetSQL("select id from docs");
    ds.Open();
  }

  const std::vector<std::string> expected = {
      "Query#1 start Query.Execute [insert into docs values (:id, 'de')] :ID=2",
      "Query#1 end (1 record processed) rows 1 error 0",
      "Query#2 start Query.Execute [select body from docs order by id]",
      "Query#2 end (1 record processed) rows 1 error 0",
      "LOBLocator#1 LOB.Length",
      "LOBLocator#1 LOB.Read(6)",  // three characters as UTF-16
      "Query#2 start Query.Next for up to 1 record [select body from docs order by id]",
      "Query#2 end rows 2 error 0",
      "OracleObject#1 Object.Create('SPOT_T', '')",
      "OracleReference#1 Reference.Create",
      "OracleReference#1 unregister",
      "OracleObject#1 unregister",
      "Query#2 unregister",
      "LOBLocator#1 unregister",  // the query's locator goes with it
      "Query#3 start Query.Execute [select * from no_such_table]",
      "Query#3 end rows 0 error 942",
      "DataSet#1 register 3 Docs",
      "Query#4 start Query.Execute [select id from docs]",
      "Query#4 end (2 records processed) rows 2 error 1403",  // the block came back short
      "DataSet#1 unregister",
      "Query#4 unregister",
  };
  EXPECT_EQ(lines_, expected);

  oracle::SetSQLMonitorHook(nullptr);
  EXPECT_FALSE(oracle::SQLMonitorActive());
  lines_.clear();
  Run("insert into docs values (3, 'f')");
  EXPECT_TRUE(lines_.empty());
}

}  // namespace
}  // namespace oracle_query_test

#endif  // STANDIN_ORACLE_HOME
