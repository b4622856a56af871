// Pooled connections whose rollback fails when they go back, once or twice
// in a row, in both kinds of pool, on one thread and on several: what
// their users left uncommitted is never committed, and the pool goes on
// serving.

#include "session_fixture.h"

#ifdef STANDIN_ORACLE_HOME

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "oracle/session/session_pool.h"

namespace oracle_session_test {
namespace {

using namespace oracle;

// Fails the next rollbacks of the calling thread.
struct FailingRollbacks {
  using Swap = oracle_test_support::EntryPointSwap<oracle::OCITransRollback>;
  static inline thread_local int toFail = 0;
  static inline std::atomic<int> failed = 0;
  static inline std::atomic<int> done = 0;
  static sword Rollback(OCISvcCtx* svc, OCIError* err, ub4 flags) {
    if (toFail > 0) {
      --toFail;
      ++failed;
      return OCI_ERROR;
    }
    ++done;
    return Swap::real(svc, err, flags);
  }
};

class PoolFailedRollbackTest : public StandinSessionTest {
 protected:
  void SetUp() override {
    StandinSessionTest::SetUp();
    outsider_ = NewSession();
    outsider_->ExecuteSessionSQL("create table pool_work (who varchar2(20))", false);
    outsider_->Commit();
    FailingRollbacks::failed = 0;
    FailingRollbacks::done = 0;
    swap_.emplace(&FailingRollbacks::Rollback);
  }
  void TearDown() override {
    swap_.reset();
    outsider_.reset();
    StandinSessionTest::TearDown();
  }

  static std::unique_ptr<TOracleSession> Pooled(TOracleSessionPool& pool, bool threadSafe) {
    auto session = std::make_unique<TOracleSession>();
    session->SetLogonUsername("VESKDATA");
    session->SetLogonPassword("plimsy");
    session->SetLogonDatabase("RPROODS");
    session->SetThreadSafe(threadSafe);
    session->SetPooling(TSessionPooling::spInternal);
    session->SetPool(&pool);
    return session;
  }

  std::string Committed() { return SingleValue(*outsider_, "select count(*) from pool_work"); }

  std::unique_ptr<TOracleSession> outsider_;
  std::optional<FailingRollbacks::Swap> swap_;
};

const char* KindName(TPoolType type) {
  return type == TPoolType::ptOracle ? "client pool" : "own list";
}

// One user after another leaves a row uncommitted and logs off while its
// rollback fails 0, 1 or 2 times: none of the rows is ever committed, and
// the next user of the pool works on.
TEST_F(PoolFailedRollbackTest, NoFailedUsersRowIsEverCommitted) {
  for (const TPoolType type : {TPoolType::ptDefault, TPoolType::ptOracle}) {
    for (const int failures : {1, 2, 3}) {
      SCOPED_TRACE(testing::Message()
                   << KindName(type) << ", rollback fails " << failures << " times in a row");
      TOracleSessionPool pool;
      pool.PoolType = type;
      auto user = Pooled(pool, false);
      user->LogOn();
      user->ExecuteSessionSQL("insert into pool_work values ('failed user')", false);
      FailingRollbacks::toFail = failures;
      user->LogOff();
      FailingRollbacks::toFail = 0;
      EXPECT_EQ(Committed(), "0") << "the failed user's row was committed";
      // The pool serves the next user, who sees nothing of it.
      auto next = Pooled(pool, false);
      next->LogOn();
      EXPECT_EQ(SingleValue(*next, "select count(*) from pool_work"), "0");
      next->LogOff();
      outsider_->ExecuteSessionSQL("delete from pool_work", false);
      outsider_->Commit();
    }
  }
}

// Six threads share a pool of each kind, five rounds each: every user logs
// on, leaves a row uncommitted and logs off with its rollbacks failing
// none, once or twice; no row is ever committed and every thread ends
// with its session logged off.
TEST_F(PoolFailedRollbackTest, ThreadsWithFailingRollbacksNeverCommitEachOthersWork) {
  for (const TPoolType type : {TPoolType::ptDefault, TPoolType::ptOracle}) {
    SCOPED_TRACE(KindName(type));
    TOracleSessionPool pool;
    pool.PoolType = type;
    std::mutex writer;  // one uncommitted writer at a time in the stand-in's database
    std::atomic<int> errors = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
      threads.emplace_back([&, t] {
        try {
          auto user = Pooled(pool, true);
          for (int round = 0; round < 5; ++round) {
            user->LogOn();
            std::lock_guard lock(writer);
            user->ExecuteSessionSQL("insert into pool_work values ('t" + std::to_string(t) + "')",
                                    false);
            FailingRollbacks::toFail = (t + round) % 3;
            user->LogOff();
            FailingRollbacks::toFail = 0;
          }
        } catch (const std::exception& e) {
          ++errors;
          ADD_FAILURE() << "thread " << t << ": " << e.what();
        }
      });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(errors, 0);
    EXPECT_EQ(Committed(), "0") << "rows of failed users were committed";
    outsider_->ExecuteSessionSQL("delete from pool_work", false);
    outsider_->Commit();
  }
}

// A client-pool connection whose rollback fails at every try of its
// release is held out of use, uncounted and unused, with its user's row
// pending, and rolled back at the next pool call that can: the next
// Reserve, the next Release, or the pool's close. Only then is it dropped,
// with nothing left to commit; the table is free to write again.
TEST_F(PoolFailedRollbackTest, AConnectionHeldOutIsRolledBackByALaterPoolCall) {
  const struct {
    const char* when;
    int failAtReserve;  // tries of the next Reserve that fail
    int failAtClose;    // tries of the close that fail
    bool nextUser;
  } cases[] = {
      {"at the next Reserve", 0, 0, true},
      {"at the next Release", 1, 0, true},
      {"at the pool's close, on its last try", 0, 2, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.when);
    {
      TOracleSessionPool pool;
      pool.PoolType = TPoolType::ptOracle;
      auto user = Pooled(pool, false);
      user->LogOn();
      user->ExecuteSessionSQL("insert into pool_work values ('held out')", false);
      FailingRollbacks::toFail = 3;
      user->LogOff();
      EXPECT_EQ(FailingRollbacks::toFail, 0) << "three tries at the release";
      EXPECT_EQ(pool.EntryCount(), 0) << "held out, not counted";
      EXPECT_EQ(Committed(), "0");
      const int rolledBack = FailingRollbacks::done;
      if (c.nextUser) {
        auto next = Pooled(pool, false);
        FailingRollbacks::toFail = c.failAtReserve;
        next->LogOn();
        EXPECT_EQ(FailingRollbacks::done, rolledBack + (c.failAtReserve == 0 ? 1 : 0));
        FailingRollbacks::toFail = 0;
        EXPECT_EQ(SingleValue(*next, "select count(*) from pool_work"), "0");
        next->LogOff();
        EXPECT_EQ(FailingRollbacks::done, rolledBack + 2)
            << "the held-out connection's and the next user's rollbacks";
        EXPECT_EQ(pool.EntryCount(), 1) << "the next user's connection, clean, kept";
      }
      FailingRollbacks::toFail = c.failAtClose;
      pool.Close();
      FailingRollbacks::toFail = 0;
    }
    EXPECT_EQ(Committed(), "0");
    // No connection holds the row any more: the table takes a write.
    outsider_->ExecuteSessionSQL("insert into pool_work values ('outsider')", false);
    outsider_->ExecuteSessionSQL("delete from pool_work", false);
    outsider_->Commit();
  }
}

// A held-out connection takes no place of the pool's: with Max 1 the next
// user gets a connection at once.
TEST_F(PoolFailedRollbackTest, AConnectionHeldOutLeavesRoomUnderMax) {
  TOracleSessionPool pool;
  pool.PoolType = TPoolType::ptOracle;
  pool.Max = 1;
  auto user = Pooled(pool, false);
  user->LogOn();
  user->ExecuteSessionSQL("insert into pool_work values ('held out')", false);
  FailingRollbacks::toFail = 3;
  user->LogOff();
  FailingRollbacks::toFail = 1;  // the next Reserve's retry fails too
  auto next = Pooled(pool, false);
  next->LogOn();
  FailingRollbacks::toFail = 0;
  EXPECT_EQ(SingleValue(*next, "select count(*) from pool_work"), "0");
  next->LogOff();
  EXPECT_EQ(Committed(), "0");
}

// The narrow limit: a connection whose rollback fails at every try until
// the pool closes is never dropped, and the client's pool is not destroyed
// (either would end the session, and ending commits): both are left open
// until the process ends, with the row uncommitted. The pool object serves
// again afterwards, on a new client pool; the client's unload discards the
// row.
TEST_F(PoolFailedRollbackTest, AConnectionThatNeverRollsBackIsLeftOpenUncommitted) {
  TOracleSessionPool pool;
  pool.PoolType = TPoolType::ptOracle;
  auto user = Pooled(pool, false);
  user->LogOn();
  user->ExecuteSessionSQL("insert into pool_work values ('never rolled back')", false);
  FailingRollbacks::toFail = 3 + 3;  // the release's tries, then the close's
  user->LogOff();
  pool.Close();
  EXPECT_EQ(FailingRollbacks::toFail, 0);
  EXPECT_FALSE(pool.IsOpen());
  EXPECT_EQ(Committed(), "0");
  auto next = Pooled(pool, false);
  next->LogOn();
  EXPECT_EQ(SingleValue(*next, "select count(*) from pool_work"), "0");
  next->LogOff();
  EXPECT_EQ(Committed(), "0");
  // The process's end (here: the client's unload) takes the connection
  // away; its work goes with it and the table takes writes again.
  pool.Close();
  user.reset();
  next.reset();
  outsider_.reset();
  oracle::FreeOCI();
  oracle::InitOCI();
  outsider_ = NewSession();
  outsider_->ExecuteSessionSQL("insert into pool_work values ('after')", false);
  outsider_->Commit();
  EXPECT_EQ(Committed(), "1");
}

}  // namespace
}  // namespace oracle_session_test

#endif  // STANDIN_ORACLE_HOME
