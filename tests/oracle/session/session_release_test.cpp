// What the session does with its attached objects at logon, logoff and
// destruction, and how its destructor deals with a failing logoff.

#include "session_fixture.h"

#ifdef STANDIN_ORACLE_HOME

#include <atomic>
#include <thread>

#include "oracle/query/table_info.h"

namespace oracle_session_test {
namespace {

using namespace oracle;

struct Attached : TSessionAttached {
  Attached(std::string n, std::vector<std::string>& sink) : name(std::move(n)), log(sink) {}
  std::string name;
  std::vector<std::string>& log;
  bool staysOpen = false;
  TOracleSession* session = nullptr;
  void SessionLoggedOn() override { log.push_back(name + " on"); }
  void SessionLoggingOff() override { log.push_back(name); }
  bool StaysOpenAtLogOff() const override { return staysOpen; }
  void SessionDestroyed() override {
    log.push_back(name + " forgot");
    session = nullptr;
  }
};

struct Listener : TSessionAttached {
  std::atomic<bool> stop{false};
  std::atomic<bool> running{true};
  std::thread thread;
  bool releasedAfterStop = false;
  Listener() {
    thread = std::thread([this] {
      while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      running = false;
    });
  }
  ~Listener() {
    stop = true;
    thread.join();
  }
  bool ListenerRunning() const override { return running; }
  void TerminateListener() override { stop = true; }
  void SessionLoggingOff() override { releasedAfterStop = !running; }
  void SessionDestroyed() override {}
};

using SessionReleaseTest = StandinSessionTest;

TEST_F(SessionReleaseTest, LogoffStopsListenersAndReleasesQueriesThenDataSetsLastToFirst) {
  std::vector<std::string> log;
  Attached q1("q1", log), q2("q2", log), q3("q3", log), d1("d1", log), d2("d2", log),
      keep("keep", log), helper("helper", log), other("other", log), lob("lob", log);
  keep.staysOpen = true;
  Listener listener;  // a helper whose listener thread is stopped before it is released
  TOracleSession session;
  UsePluginAccount(session);
  auto& lists = session.AttachedObjects();
  for (Attached* q : {&q1, &q2, &q3}) lists.Attach(SessionObjectList::kQueries, q);
  for (Attached* d : {&d1, &keep, &d2}) lists.Attach(SessionObjectList::kDataSets, d);
  lists.Attach(SessionObjectList::kHelperComponents, &helper);
  lists.Attach(SessionObjectList::kHelperComponents, &listener);
  lists.Attach(SessionObjectList::kOtherComponents, &other);
  lists.Attach(SessionObjectList::kLOBLocators, &lob);

  session.LogOn();
  EXPECT_EQ(log, (std::vector<std::string>{"q3 on", "q2 on", "q1 on"}));
  log.clear();
  session.LogOff();
  EXPECT_EQ(log, (std::vector<std::string>{"helper", "q3", "q2", "q1", "d2", "d1", "other"}));
  EXPECT_TRUE(listener.releasedAfterStop);
  // Released objects stay attached for the next connection.
  EXPECT_EQ(lists.Count(SessionObjectList::kQueries), 3u);
  log.clear();
}

TEST_F(SessionReleaseTest, TableInformationIsCachedPerTableUntilLogoff) {
  EXPECT_THROW(GetTableInfo(nullptr, "VESKDATA", "CUSTOMER"), std::runtime_error);
  TOracleSession session;
  UsePluginAccount(session);
  session.LogOn();
  const std::size_t queries = session.AttachedObjects().Count(SessionObjectList::kQueries);
  TOracleTableInfo& customer = GetTableInfo(&session, "VESKDATA", "CUSTOMER");
  EXPECT_EQ(&GetTableInfo(&session, "VESKDATA", "CUSTOMER"), &customer);
  EXPECT_EQ(customer.Owner(), "VESKDATA");
  EXPECT_EQ(customer.TableName(), "CUSTOMER");
  EXPECT_EQ(customer.Query().Session(), &session);
  EXPECT_FALSE(customer.Query().Debug());
  EXPECT_NE(&GetTableInfo(&session, "VESKDATA", "SUBSIDIARY"), &customer);
  EXPECT_EQ(session.TableInfoCache().Count(), 2);
  EXPECT_EQ(session.AttachedObjects().Count(SessionObjectList::kQueries), queries + 2);
  session.LogOff();
  EXPECT_EQ(session.TableInfoCache().Count(), 0);
  EXPECT_EQ(session.AttachedObjects().Count(SessionObjectList::kQueries), queries);
  // Entries left at destruction go with the session.
  session.LogOn();
  GetTableInfo(&session, "VESKDATA", "CUSTOMER");
}

TEST_F(SessionReleaseTest, DestructionDetachesEveryObject) {
  std::vector<std::string> log;
  Attached q("q", log), d("d", log), ts("ts", log);
  {
    TOracleSession session;
    UsePluginAccount(session);
    session.AttachedObjects().Attach(SessionObjectList::kQueries, &q);
    session.AttachedObjects().Attach(SessionObjectList::kDataSets, &d);
    session.AttachedObjects().Attach(SessionObjectList::kTimestamps, &ts);
    session.LogOn();
    log.clear();
  }
  EXPECT_EQ(log, (std::vector<std::string>{"q", "d", "q forgot", "d forgot", "ts forgot"}));
}

TEST_F(SessionReleaseTest, ExplicitLogoffRaisesButTheDestructorOnlyLogs) {
  {
    TOracleSession session;
    UsePluginAccount(session);
    session.LogOn();
    OciSpy::failSessionEnd = true;
    EXPECT_THROW(session.LogOff(), EOracleError);
    // The logoff still completed: disconnected, server detached, handles freed.
    EXPECT_FALSE(session.Connected());
    EXPECT_EQ(session.Environment(), nullptr);
    session.LogOn();
  }  // the destructor's logoff fails too, and must not throw
  OciSpy::failSessionEnd = false;
  EXPECT_EQ(OciSpy::handlesAllocated, OciSpy::handlesFreed);
}

TEST_F(SessionReleaseTest, ClientUnloadedUnderAConnectedSessionIsSurvived) {
  std::vector<std::string> log;
  Attached query("q", log);
  TOracleSession session;
  UsePluginAccount(session);
  session.AttachedObjects().Attach(SessionObjectList::kQueries, &query);
  session.LogOn();
  OciSpy::Remove();
  // The client goes away with everything it held for the session.
  oracle::OCIHandleFree(session.Environment(), OCI_HTYPE_ENV);
  FreeOCI();
  session.LogOff();  // no call reaches the unloaded client
  EXPECT_FALSE(session.Connected());
  EXPECT_EQ(log, (std::vector<std::string>{"q on", "q"}));
}

}  // namespace
}  // namespace oracle_session_test

#endif  // STANDIN_ORACLE_HOME
