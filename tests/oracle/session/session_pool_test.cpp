// The session pool against the stand-in client: entries per account, the
// Max limit and its wait, freeing by Min and time-out, the events, the
// client's own pool and its fallback, the statement cache and many threads.

#include "session_fixture.h"

#ifdef STANDIN_ORACLE_HOME

#include <algorithm>
#include <atomic>
#include <latch>
#include <memory>
#include <mutex>
#include <thread>

#include "oracle/query/query.h"
#include "oracle/session/session_pool.h"

namespace oracle_session_test {
namespace {

using namespace oracle;

// A pool clock the test moves by hand.
struct ManualClock {
  std::int64_t now = 0;
  TOracleSessionPool::Clock Function() {
    return [this] { return now; };
  }
};

class SessionPoolTest : public StandinSessionTest {
 protected:
  // A session of `pool` (the fixture's by default) with the given account.
  std::unique_ptr<TOracleSession> PooledSession(const std::string& user = "VESKDATA",
                                                const std::string& password = "plimsy",
                                                bool threadSafe = false,
                                                TOracleSessionPool* pool = nullptr) {
    auto session = std::make_unique<TOracleSession>();
    session->SetLogonUsername(user);
    session->SetLogonPassword(password);
    session->SetLogonDatabase("RPROODS");
    session->SetThreadSafe(threadSafe);
    session->SetPooling(TSessionPooling::spInternal);
    session->SetPool(pool != nullptr ? pool : pool_.get());
    return session;
  }

  std::vector<std::string> Events() {
    std::lock_guard lock(eventsMutex_);
    return events_;
  }
  void RecordEvents() {
    auto record = [this](const char* what) {
      return [this, what](TOracleSessionPool&, TOracleSession& session) {
        std::lock_guard lock(eventsMutex_);
        events_.push_back(std::string(what) + " " + session.LogonUsername());
      };
    };
    pool_->AfterReserve = record("reserve");
    pool_->AfterConnect = record("connect");
    pool_->BeforeRelease = record("release");
  }

  // Freed before the client is unloaded, so that its sessions log off.
  void TearDown() override {
    pool_.reset();
    StandinSessionTest::TearDown();
  }

  std::unique_ptr<TOracleSessionPool> pool_ = std::make_unique<TOracleSessionPool>();
  std::mutex eventsMutex_;
  std::vector<std::string> events_;
};

TEST_F(SessionPoolTest, EntriesServeOneAccountAndMaxIsNeverPassed) {
  auto veskdata = PooledSession();
  auto admin = PooledSession("DBADMIN", "hedgerow");
  veskdata->LogOn();
  admin->LogOn();
  EXPECT_EQ(pool_->EntryCount(), 2) << "different users get different entries";
  EXPECT_EQ(SingleValue(*admin, "select user from dual"), "DBADMIN");
  veskdata->LogOff();
  admin->LogOff();
  EXPECT_EQ(pool_->FreeCount(), 2);

  // Max reached and only another account's entry free: it is replaced.
  TOracleSessionPool one;
  one.Max = 1;
  auto first = PooledSession("VESKDATA", "plimsy", false, &one);
  first->LogOn();
  first->LogOff();
  auto second = PooledSession("DBADMIN", "hedgerow", false, &one);
  second->LogOn();
  EXPECT_EQ(one.EntryCount(), 1);
  EXPECT_EQ(one.Entries(0)->ReservedBy(), second.get());
  EXPECT_EQ(one.Entries(0)->Session()->LogonUsername(), "DBADMIN");
  EXPECT_EQ(SingleValue(*second, "select user from dual"), "DBADMIN");
}

TEST_F(SessionPoolTest, ReserveAtMaxWaitsUntilAnotherThreadReleases) {
  RecordEvents();
  pool_->Max = 2;
  auto a = PooledSession("VESKDATA", "plimsy", true);
  auto b = PooledSession("VESKDATA", "plimsy", true);
  auto c = PooledSession("DBADMIN", "hedgerow", true);
  a->LogOn();
  b->LogOn();
  std::latch started(1);
  std::atomic<bool> reserved{false};
  std::thread third([&] {
    started.count_down();
    c->LogOn();
    reserved = true;
  });
  started.wait();
  // Whatever the third thread has done so far, it cannot have an entry.
  for (int i = 0; i < 20000 && !reserved; ++i) std::this_thread::yield();
  EXPECT_FALSE(reserved);
  EXPECT_EQ(pool_->EntryCount(), 2);
  a->LogOff();
  third.join();
  EXPECT_TRUE(c->Connected());
  EXPECT_EQ(pool_->EntryCount(), 2);
  const auto events = Events();
  EXPECT_EQ(std::vector<std::string>(events.begin() + 4, events.end()),
            (std::vector<std::string>{"release VESKDATA", "reserve DBADMIN", "connect DBADMIN"}));
}

TEST_F(SessionPoolTest, ReleasedEntriesAreFreedByMinAndTimeOut) {
  struct Case {
    int timeOut, min;
    std::int64_t advanceMs;
    int afterFirstRelease, afterSecondRelease;
  };
  const Case cases[] = {
      {0, 1, 0, 1, 1},     // freed at once while Min < entries
      {0, 0, 0, 2, 2},     // Min 0: kept
      {5, 0, 6000, 2, 1},  // the first release is older than the time-out
      {5, 0, 4000, 2, 2},  // not yet
      {5, 2, 6000, 2, 2},  // never below Min
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "TimeOut " << c.timeOut << " Min " << c.min << " after "
                                    << c.advanceMs << " ms");
    TOracleSessionPool pool;
    ManualClock clock;
    pool.SetClock(clock.Function());
    pool.TimeOut = c.timeOut;
    pool.Min = c.min;
    auto first = PooledSession("VESKDATA", "plimsy", false, &pool);
    auto second = PooledSession("VESKDATA", "plimsy", false, &pool);
    first->LogOn();
    second->LogOn();
    first->LogOff();
    EXPECT_EQ(pool.EntryCount(), c.afterFirstRelease);
    clock.now += c.advanceMs;
    second->LogOff();
    EXPECT_EQ(pool.EntryCount(), c.afterSecondRelease);
  }
}

TEST_F(SessionPoolTest, EventsComeInOrderAndABrokenConnectionIsReplaced) {
  RecordEvents();
  auto session = PooledSession();
  session->LogOn();
  session->LogOff();
  session->LogOn();  // the pooled connection again: no connect
  session->LogOff();
  FailNextCall(3114);  // the check of the pooled connection fails
  session->LogOn();
  EXPECT_EQ(SingleValue(*session, "select 'x' from dual"), "x");
  EXPECT_EQ(pool_->EntryCount(), 1);
  EXPECT_EQ(Events(),
            (std::vector<std::string>{"reserve VESKDATA", "connect VESKDATA", "release VESKDATA",
                                      "reserve VESKDATA", "release VESKDATA", "reserve VESKDATA",
                                      "connect VESKDATA"}));
  EXPECT_EQ(OciSpy::sessionBegins.size(), 2u);
}

// A connection goes back to the pool with nothing pending: the next user of
// the same connection neither sees nor commits what the last one left
// uncommitted, whatever RollbackOnDisconnect says, in both kinds of pool. A
// connection whose rollback fails is not handed on.
TEST_F(SessionPoolTest, AConnectionComesBackWithItsTransactionRolledBack) {
  auto outsider = NewSession();
  outsider->ExecuteSessionSQL("create table pool_probe (n number)", false);
  auto count = [&] { return SingleValue(*outsider, "select count(*) from pool_probe"); };
  const struct {
    TPoolType type;
    bool rollbackOnDisconnect;
  } cases[] = {{TPoolType::ptDefault, false},
               {TPoolType::ptDefault, true},
               {TPoolType::ptOracle, false},
               {TPoolType::ptOracle, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.type == TPoolType::ptOracle ? "client pool" : "own list")
                                    << " RollbackOnDisconnect " << c.rollbackOnDisconnect);
    TOracleSessionPool pool;
    pool.PoolType = c.type;
    auto first = PooledSession("VESKDATA", "plimsy", false, &pool);
    auto second = PooledSession("VESKDATA", "plimsy", false, &pool);
    for (int round = 0; round < 2; ++round) {
      first->SetRollbackOnDisconnect(c.rollbackOnDisconnect);
      first->LogOn();
      const TOracleSession* connection = pool.Entries(0)->Session();
      first->ExecuteSessionSQL("insert into pool_probe values (1)", false);
      EXPECT_EQ(SingleValue(*first, "select count(*) from pool_probe"), "1");
      first->LogOff();
      second->LogOn();
      ASSERT_EQ(pool.EntryCount(), 1);
      EXPECT_EQ(pool.Entries(0)->Session(), connection) << "the same connection";
      EXPECT_EQ(SingleValue(*second, "select count(*) from pool_probe"), "0");
      second->ExecuteSessionSQL("insert into pool_probe values (2)", false);
      second->Commit();
      second->LogOff();
      EXPECT_EQ(count(), "1") << "only the second user's row";
      outsider->ExecuteSessionSQL("delete from pool_probe", false);
      outsider->Commit();
    }
  }

  // The rollback fails: the connection is dropped, its work not committed.
  TOracleSessionPool pool;
  auto first = PooledSession("VESKDATA", "plimsy", false, &pool);
  first->LogOn();
  first->ExecuteSessionSQL("insert into pool_probe values (3)", false);
  FailNextCall(3113);
  first->LogOff();
  EXPECT_EQ(pool.EntryCount(), 0);
  EXPECT_EQ(count(), "0");
  first->LogOn();
  EXPECT_EQ(SingleValue(*first, "select count(*) from pool_probe"), "0");
}

// A connection whose rollback fails when it goes back is dropped, in both
// kinds of pool, and what its user left uncommitted is never committed: not
// by the drop (ending a session commits), and not for the next user of the
// pool, who gets a fresh connection.
TEST_F(SessionPoolTest, AFailedRollbackAtReleaseNeverCommitsTheUsersWork) {
  auto outsider = NewSession();
  outsider->ExecuteSessionSQL("create table pool_probe (n number)", false);
  for (const TPoolType type : {TPoolType::ptDefault, TPoolType::ptOracle}) {
    SCOPED_TRACE(type == TPoolType::ptOracle ? "client pool" : "own list");
    TOracleSessionPool pool;
    pool.PoolType = type;
    auto first = PooledSession("VESKDATA", "plimsy", false, &pool);
    auto second = PooledSession("VESKDATA", "plimsy", false, &pool);
    first->LogOn();
    first->ExecuteSessionSQL("insert into pool_probe values (1)", false);
    FailNextCall(3113);  // the rollback of the release
    first->LogOff();
    EXPECT_EQ(pool.EntryCount(), 0);
    EXPECT_EQ(SingleValue(*outsider, "select count(*) from pool_probe"), "0");
    second->LogOn();
    EXPECT_EQ(SingleValue(*second, "select count(*) from pool_probe"), "0");
    second->LogOff();
    EXPECT_EQ(SingleValue(*outsider, "select count(*) from pool_probe"), "0");
  }
}

// A session that is to roll back at logoff and whose rollback fails is not
// ended with the call that commits: its work is given up, as the server
// gives up the work of a connection that broke off.
TEST_F(SessionPoolTest, AFailedRollbackOnDisconnectDoesNotCommit) {
  auto outsider = NewSession();
  outsider->ExecuteSessionSQL("create table pool_probe (n number)", false);
  for (const bool failing : {false, true}) {
    SCOPED_TRACE(failing ? "the rollback fails" : "the rollback works");
    auto session = NewSession();
    session->SetRollbackOnDisconnect(true);
    session->ExecuteSessionSQL("insert into pool_probe values (1)", false);
    if (failing) FailNextCall(3113);
    session->LogOff();
    EXPECT_FALSE(session->Connected());
    EXPECT_EQ(SingleValue(*outsider, "select count(*) from pool_probe"), "0");
    session->LogOn();  // the session can log on again
    EXPECT_EQ(SingleValue(*session, "select count(*) from pool_probe"), "0");
  }
}

TEST_F(SessionPoolTest, ClientPoolIsHomogeneousAndPassesLogonErrorsOn) {
  pool_->PoolType = TPoolType::ptOracle;
  pool_->Homogeneous = true;
  pool_->StatementCache = true;
  pool_->LogonUsername = "VESKDATA";
  pool_->SetLogonPassword("plimsy");
  pool_->LogonDatabase = "RPROODS";
  auto session = PooledSession("DBADMIN", "hedgerow");
  session->LogOn();
  EXPECT_EQ(pool_->EffectivePoolType(), TPoolType::ptOracle);
  EXPECT_FALSE(pool_->PoolName().empty());
  EXPECT_EQ(session->LogonUsername(), "VESKDATA") << "the pool's credentials";
  EXPECT_EQ(SingleValue(*session, "select user from dual"), "VESKDATA");
  const auto journal = JournalSql();
  EXPECT_NE(std::find(journal.begin(), journal.end(),
                      "SESSION BEGIN user=VESKDATA credt=1 mode=64 pool=" + pool_->PoolName()),
            journal.end());
  for (const std::string& line : journal) EXPECT_EQ(line.find("plimsy"), std::string::npos);

  TOracleSessionPool open;
  open.PoolType = TPoolType::ptOracle;
  auto wrong = PooledSession("VESKDATA", "wrong", false, &open);
  try {
    wrong->LogOn();
    FAIL() << "logged on";
  } catch (const EOracleError& e) {
    EXPECT_EQ(e.ErrorCode(), 1017);
  }
  EXPECT_FALSE(wrong->Connected());
  EXPECT_EQ(open.EntryCount(), 0);
  EXPECT_EQ(open.LogonDatabase, "RPROODS") << "taken from the first session";
}

#ifdef NO92_STANDIN_CLIENT
TEST_F(SessionPoolTest, ClientPoolFallsBackToTheOwnListWithoutTheSessionPoolCalls) {
  OciSpy::Remove();
  FreeOCI();
  OCIDLL = NO92_STANDIN_CLIENT;
  InitOCI();
  ASSERT_FALSE(OCI92Available);
  pool_->PoolType = TPoolType::ptOracle;
  auto session = PooledSession();
  session->LogOn();
  EXPECT_EQ(pool_->EffectivePoolType(), TPoolType::ptDefault);
  EXPECT_TRUE(pool_->PoolName().empty());
  EXPECT_EQ(SingleValue(*session, "select user from dual"), "VESKDATA");
}
#endif

TEST_F(SessionPoolTest, StatementCacheSavesPreparesAndDropsTheLeastRecentlyUsed) {
  const auto prepares = Hook<PFN_ociStandin_PrepareCount>("ociStandin_PrepareCount");
  auto run = [](TOracleSession& session, const std::string& sql) {
    TOracleQuery query;
    query.SetSession(&session);
    query.SetSQL(sql);
    query.Execute();
  };
  for (const bool cached : {true, false}) {
    SCOPED_TRACE(cached ? "cache on" : "cache off");
    TOracleSession session;
    UsePluginAccount(session);
    session.SetStatementCache(cached);
    session.LogOn();
    const int before = prepares();
    for (int i = 0; i < 100; ++i) run(session, "select 1 from dual");
    EXPECT_EQ(prepares() - before, cached ? 1 : 100);
  }
  TOracleSession session;
  UsePluginAccount(session);
  session.SetStatementCache(true);
  session.SetStatementCacheSize(2);
  session.LogOn();
  for (const char* sql : {"select 1 from dual", "select 2 from dual", "select 3 from dual"})
    run(session, sql);
  int before = prepares();
  run(session, "select 3 from dual");
  EXPECT_EQ(prepares(), before) << "still cached";
  run(session, "select 1 from dual");
  EXPECT_EQ(prepares(), before + 1) << "the least recently used one left";
  session.SetStatementCacheSize(1);  // keeps "select 1" only
  run(session, "select 3 from dual");
  EXPECT_EQ(prepares(), before + 2) << "the smaller size took effect";
}

TEST_F(SessionPoolTest, ManyThreadsShareThreeEntries) {
  pool_->Max = 3;
  std::atomic<int> most{0}, reserves{0};
  pool_->AfterReserve = [&](TOracleSessionPool& pool, TOracleSession&) {
    ++reserves;
    const int count = pool.EntryCount();
    int seen = most.load();
    while (count > seen && !most.compare_exchange_weak(seen, count)) {
    }
  };
  std::vector<std::unique_ptr<TOracleSession>> sessions;
  for (int i = 0; i < 8; ++i) sessions.push_back(PooledSession("VESKDATA", "plimsy", true));
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (auto& session : sessions) {
    threads.emplace_back([&failures, s = session.get()] {
      for (int round = 0; round < 200; ++round) {
        try {
          s->LogOn();
          s->LogOff();
        } catch (const std::exception&) {
          ++failures;
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(reserves, 8 * 200);
  EXPECT_LE(most, 3);
  EXPECT_LE(pool_->EntryCount(), 3);
  EXPECT_EQ(pool_->FreeCount(), pool_->EntryCount());
}

TEST_F(SessionPoolTest, DestroyedPoolLeavesItsSessionsDisconnected) {
  auto pool = std::make_unique<TOracleSessionPool>();
  auto a = PooledSession("VESKDATA", "plimsy", false, pool.get());
  auto b = PooledSession("DBADMIN", "hedgerow", false, pool.get());
  a->LogOn();
  b->LogOn();
  pool.reset();
  for (auto* s : {a.get(), b.get()}) {
    EXPECT_FALSE(s->Connected());
    EXPECT_EQ(s->Pool(), nullptr);
  }
  EXPECT_EQ(OciSpy::sessionBegins.size(), 2u);
}

TEST_F(SessionPoolTest, SessionWithoutPoolUsesTheProcessWideOne) {
  TOracleSessionPool& pool = DefaultOracleSessionPool();
  TOracleSession session;
  UsePluginAccount(session);
  session.SetPooling(TSessionPooling::spInternal);
  session.LogOn();
  EXPECT_EQ(pool.EntryCount(), 1);
  EXPECT_EQ(pool.Entries(0)->ReservedBy(), &session);
  // A clock that moves ten seconds at each reading frees the entry at once.
  std::int64_t now = 0;
  pool.SetClock([&now] { return now += 10000; });
  pool.TimeOut = 1;
  session.LogOff();
  pool.TimeOut = 0;
  pool.SetClock(nullptr);
  EXPECT_EQ(pool.EntryCount(), 0);
}

}  // namespace
}  // namespace oracle_session_test

#endif  // STANDIN_ORACLE_HOME
