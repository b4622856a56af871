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
  static sword Rollback(OCISvcCtx* svc, OCIError* err, ub4 flags) {
    if (toFail > 0) {
      --toFail;
      ++failed;
      return OCI_ERROR;
    }
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

  std::string Committed() {
    return SingleValue(*outsider_, "select count(*) from pool_work");
  }

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
      SCOPED_TRACE(testing::Message() << KindName(type) << ", rollback fails " << failures
                                      << " times in a row");
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
            user->ExecuteSessionSQL(
                "insert into pool_work values ('t" + std::to_string(t) + "')", false);
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

}  // namespace
}  // namespace oracle_session_test

#endif  // STANDIN_ORACLE_HOME
