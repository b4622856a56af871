// Transactions seen from a second session, the "alter session" texts the
// setters send, the connection check and the probes.

#include "session_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace oracle_session_test {
namespace {

using namespace oracle;

class SessionStatementsTest : public StandinSessionTest {
 protected:
  void SetUp() override {
    StandinSessionTest::SetUp();
    for (TOracleSession* s : {&writer_, &reader_}) {
      UsePluginAccount(*s);
      s->LogOn();
    }
    writer_.ExecuteSessionSQL("create table session_probe (n number)", false);
    ClearJournal();
  }
  void TearDown() override {
    writer_.LogOff();
    reader_.LogOff();
    StandinSessionTest::TearDown();
  }
  std::string Rows() { return SingleValue(reader_, "select count(*) from session_probe"); }

  TOracleSession writer_;
  TOracleSession reader_;
};

TEST_F(SessionStatementsTest, CommitRollbackAndLogoffSeenFromASecondSession) {
  writer_.ExecuteSessionSQL("insert into session_probe values (1)", false);
  writer_.Rollback();
  writer_.ExecuteSessionSQL("insert into session_probe values (2)", false);
  EXPECT_EQ(Rows(), "0");
  writer_.Commit();
  EXPECT_EQ(Rows(), "1");  // the rolled-back row is not among them
  writer_.ExecuteSessionSQL("insert into session_probe values (3)", false);
  writer_.LogOff();  // ending a session commits its work
  EXPECT_EQ(Rows(), "2");
  // Rollback on disconnect discards what logoff would commit.
  writer_.SetRollbackOnDisconnect(true);
  writer_.LogOn();
  writer_.ExecuteSessionSQL("insert into session_probe values (4)", false);
  writer_.LogOff();
  EXPECT_EQ(Rows(), "2");
  // Commit and rollback do nothing when disconnected.
  writer_.Commit();
  writer_.Rollback();
  EXPECT_EQ(OciSpy::sessionBegins.size(), 3u);
}

TEST_F(SessionStatementsTest, FailingCommitOrStatementRaisesAndKeepsTheConnection) {
  FailNextCall(2091, "transaction rolled back");
  try {
    writer_.Commit();
    FAIL() << "commit succeeded";
  } catch (const EOracleError& e) {
    EXPECT_EQ(e.ErrorCode(), 2091);
    EXPECT_EQ(e.Session(), &writer_);
  }
  EXPECT_TRUE(writer_.Connected());
  try {
    writer_.ExecuteSessionSQL("alter sessoin set nothing", true);
    FAIL() << "statement succeeded";
  } catch (const EOracleError& e) {
    EXPECT_NE(e.ErrorCode(), 0);
  }
  EXPECT_TRUE(writer_.Connected());
  EXPECT_EQ(writer_.CheckConnection(false), kConnectionOk);
}

TEST_F(SessionStatementsTest, SettersSendTheirStatementsWhenConnectedElseAtLogon) {
  writer_.SetSQLTrace(TSQLTrace::stTrue);
  writer_.SetSQLTrace(TSQLTrace::stFalse);
  writer_.SetOptimizerGoal(TOptimizerGoal::ogChoose);
  writer_.SetOptimizerGoal(TOptimizerGoal::ogFirstRows);
  writer_.SetOptimizerGoal(TOptimizerGoal::ogAllRows);
  writer_.SetOptimizerGoal(TOptimizerGoal::ogRule);
  writer_.SetIsolationLevel(TIsolationLevel::ilReadCommitted);
  writer_.SetIsolationLevel(TIsolationLevel::ilSerializable);
  // Unchanged values are stored and send nothing.
  writer_.SetSQLTrace(TSQLTrace::stUnchanged);
  writer_.SetOptimizerGoal(TOptimizerGoal::ogUnchanged);
  writer_.SetIsolationLevel(TIsolationLevel::ilUnchanged);
  EXPECT_EQ(JournalSql(), (std::vector<std::string>{
                              "alter session set sql_trace = true",
                              "alter session set sql_trace = false",
                              "alter session set optimizer_mode = choose",
                              "alter session set optimizer_mode = first_rows",
                              "alter session set optimizer_mode = all_rows",
                              "alter session set optimizer_mode = rule",
                              "alter session set isolation_level = read committed",
                              "alter session set isolation_level = serializable",
                          }));
  EXPECT_EQ(writer_.IsolationLevel(), TIsolationLevel::ilUnchanged);

  // Settings given before logon are sent at logon.
  ClearJournal();
  TOracleSession session;
  UsePluginAccount(session);
  session.SetOptimizerGoal(TOptimizerGoal::ogRule);
  session.SetIsolationLevel(TIsolationLevel::ilSerializable);
  EXPECT_TRUE(JournalSql().empty());
  session.LogOn();
  EXPECT_EQ(JournalSql(), (std::vector<std::string>{
                              "SESSION BEGIN user=VESKDATA credt=1 mode=0",
                              "alter session set optimizer_mode = rule",
                              "alter session set isolation_level = serializable",
                          }));
  EXPECT_EQ(session.OptimizerGoal(), TOptimizerGoal::ogRule);
}

TEST_F(SessionStatementsTest, CheckConnectionTestsOrReconnectsAndProbesOfTheConnection) {
  ClearJournal();
  EXPECT_EQ(writer_.CheckConnection(false), kConnectionOk);
  EXPECT_EQ(JournalSql(), std::vector<std::string>{"select 'x' from dual"});
  writer_.LogOff();
  EXPECT_EQ(writer_.CheckConnection(false), kNotConnected);
  EXPECT_FALSE(writer_.Connected());
  EXPECT_EQ(writer_.CheckConnection(true), kReconnected);
  EXPECT_TRUE(writer_.Connected());
  FailNextCall(3114, "not connected to ORACLE");
  EXPECT_THROW(writer_.CheckConnection(true), EOracleError);
  writer_.LogOn();
  ClearJournal();

  // Fixed one byte per character unless auto-detection is asked for.
  EXPECT_EQ(writer_.BytesPerChar(), 1);
  EXPECT_EQ(writer_.MaxVarchar2Chars(), 4000);
  EXPECT_TRUE(JournalSql().empty());
  writer_.SetBytesPerCharacter(TBytesPerCharacter::bcAutoDetect);
  const int32_t maxChars = writer_.MaxVarchar2Chars();  // probes
  const int detected = writer_.BytesPerChar();
  EXPECT_EQ(maxChars, 4000 / detected);
  EXPECT_GE(detected, 1);
  EXPECT_LE(detected, 4);
  EXPECT_EQ(writer_.MaxVarchar2Chars(), 4000 / detected);
  const auto sent = JournalSql();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0],
            "select length(chr(2000000000)) l4, length(chr(2000000)) l3,  length(chr(20000)) l2, "
            "'c' c1 from dual");
  EXPECT_EQ(sent[1], "select lengthb(nchr(20)), nchr(20) from dual");
  writer_.BytesPerChar();
  EXPECT_EQ(JournalSql().size(), 2u) << "probed once per connection";

  // The stand-in's dates are DD-MON-RR: nine characters.
  EXPECT_EQ(writer_.DateFormatLength(), 9);
  EXPECT_NE(JournalSql().back().find("union all"), std::string::npos);
  EXPECT_FALSE(writer_.GetAUDSID().empty());
  EXPECT_NE(writer_.GetAUDSID(), reader_.GetAUDSID());

  TOracleSession idle;
  idle.SetBytesPerCharacter(TBytesPerCharacter::bc2Bytes);
  EXPECT_EQ(idle.BytesPerChar(), 2);
  EXPECT_EQ(idle.DateFormatLength(), 40);
  EXPECT_EQ(idle.GetAUDSID(), "");
}

}  // namespace
}  // namespace oracle_session_test

#endif  // STANDIN_ORACLE_HOME
