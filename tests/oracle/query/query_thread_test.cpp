// Threaded execution against the stand-in client: the events in their order
// and on their thread, failures, a run refused while one is in progress, the
// thread reused by the next run, and the query destroyed in mid-run.

#include <condition_variable>
#include <mutex>
#include <thread>

#include "oracle/session/main_thread_calls.h"
#include "oracle_fixture/query_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace oracle_query_test {
namespace {

// The events of a threaded run as "executed", "record n", "error code
// message", "finished", with the thread each ran on.
struct EventLog {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::string> events;
  std::vector<std::thread::id> threads;
  bool finished = false;

  void Add(std::string event) {
    std::lock_guard lock(mutex);
    events.push_back(std::move(event));
    threads.push_back(std::this_thread::get_id());
    if (events.back() == "finished") finished = true;
    changed.notify_all();
  }
  void Watch(oracle::TOracleQuery& query) {
    query.OnThreadExecuted = [this](oracle::TOracleQuery&) { Add("executed"); };
    query.OnThreadRecord = [this](oracle::TOracleQuery& q) { Add("record " + q.FieldAsString(0)); };
    query.OnThreadError = [this](oracle::TOracleQuery&, int32_t code, const std::string& text) {
      Add("error " + std::to_string(code) + " " + text.substr(0, text.find('\n')));
    };
    query.OnThreadFinished = [this](oracle::TOracleQuery&) { Add("finished"); };
  }
  // Waits for OnThreadFinished, running the calls queued for this (the
  // main) thread when asked to. Bounded: a run that hangs fails the test.
  bool WaitFinished(bool runQueuedCalls) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::unique_lock lock(mutex);
    while (!finished && std::chrono::steady_clock::now() < deadline) {
      lock.unlock();
      if (runQueuedCalls) oracle::CheckSynchronize();
      lock.lock();
      changed.wait_for(lock, std::chrono::milliseconds(2));
    }
    return finished;
  }
  void Reset() {
    std::lock_guard lock(mutex);
    events.clear();
    threads.clear();
    finished = false;
  }
};

// OnThreadFinished fires before the run ends: waits (bounded) for its end.
bool WaitIdle(const oracle::TOracleQuery& query) {
  for (int i = 0; i < 60000 && query.ThreadRunning(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return !query.ThreadRunning();
}

std::vector<std::string> NumberEvents(int rows) {
  std::vector<std::string> events{"executed"};
  for (int n = 1; n <= rows; ++n) events.push_back("record " + std::to_string(n));
  events.push_back("finished");
  return events;
}

using QueryThreadTest = StandinQueryTest;

TEST_F(QueryThreadTest, SynchronisedEventsRunInOrderOnTheMainThread) {
  CreateNumbers(30);
  auto query = NewQuery("select n from numbers order by n");
  query->SetThreaded(true);
  EventLog log;
  log.Watch(*query);
  std::vector<std::string> refusals;
  query->OnThreadExecuted = [&](oracle::TOracleQuery& q) {
    log.Add("executed");
    for (auto run : {&oracle::TOracleQuery::Execute, &oracle::TOracleQuery::Describe}) {
      try {
        (q.*run)();
      } catch (const std::runtime_error& e) {
        refusals.push_back(e.what());
      }
    }
  };
  query->Execute();
  ASSERT_TRUE(log.WaitFinished(true));
  EXPECT_EQ(log.events, NumberEvents(30));
  for (std::thread::id id : log.threads) EXPECT_EQ(id, std::this_thread::get_id());
  EXPECT_EQ(refusals, std::vector<std::string>(2, "Query thread is still in progress"));
  EXPECT_TRUE(WaitIdle(*query));
}

TEST_F(QueryThreadTest, UnsynchronisedEventsRunOnTheQueryThreadWhichTheNextRunReuses) {
  CreateNumbers(3);
  auto query = NewQuery("select n from numbers order by n");
  query->SetThreaded(true);
  query->SetThreadSynchronized(false);
  EventLog log;
  log.Watch(*query);
  std::thread::id first;
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    log.Reset();
    query->Execute();
    ASSERT_TRUE(log.WaitFinished(false));
    EXPECT_EQ(log.events, NumberEvents(3));
    for (std::thread::id id : log.threads) EXPECT_NE(id, std::this_thread::get_id());
    if (run == 0) first = log.threads.front();
    EXPECT_EQ(log.threads.front(), first);
    ASSERT_TRUE(WaitIdle(*query));
  }
}

TEST_F(QueryThreadTest, FailuresReachOnThreadErrorBeforeOnThreadFinished) {
  CreateNumbers(3);
  for (const bool synchronised : {true, false}) {
    SCOPED_TRACE(synchronised);
    auto query = NewQuery("select n from numbers");
    query->SetThreaded(true);
    query->SetThreadSynchronized(synchronised);
    EventLog log;
    log.Watch(*query);
    FailNextCall(1013, "user requested cancel of current operation");
    query->Execute();
    ASSERT_TRUE(log.WaitFinished(synchronised));
    EXPECT_EQ(log.events,
              (std::vector<std::string>{
                  "error 1013 ORA-01013: user requested cancel of current operation", "finished"}));
    // A failure of the library's own: code 0.
    log.Reset();
    ASSERT_TRUE(WaitIdle(*query));
    query->SetSession(nullptr);
    query->Execute();
    ASSERT_TRUE(log.WaitFinished(synchronised));
    EXPECT_EQ(log.events, (std::vector<std::string>{"error 0 Session undefined", "finished"}));
  }
}

TEST_F(QueryThreadTest, StopEndsTheRunAndDestructionInMidRunIsClean) {
  CreateNumbers(60);
  // Stopped from a record event: no further record, OnThreadFinished still.
  {
    auto query = NewQuery("select n from numbers order by n");
    query->SetThreaded(true);
    EventLog log;
    log.Watch(*query);
    query->OnThreadRecord = [&](oracle::TOracleQuery& q) {
      log.Add("record " + q.FieldAsString(0));
      if (q.FieldAsInteger(0) == 2) q.StopThread();
    };
    query->Execute();
    ASSERT_TRUE(log.WaitFinished(true));
    EXPECT_EQ(log.events,
              (std::vector<std::string>{"executed", "record 1", "record 2", "finished"}));
  }
  // Destroyed while the thread waits for the main thread (synchronised) or
  // walks its rows (not): the destructor ends and joins it.
  for (const bool synchronised : {true, false}) {
    SCOPED_TRACE(synchronised);
    auto query = NewQuery("select n from numbers order by n");
    query->SetThreaded(true);
    query->SetThreadSynchronized(synchronised);
    std::mutex mutex;
    std::condition_variable changed;
    int records = 0;
    query->OnThreadRecord = [&](oracle::TOracleQuery&) {
      std::lock_guard lock(mutex);
      ++records;
      changed.notify_all();
    };
    query->Execute();
    if (synchronised) {
      // The record events run here, one by one.
      for (int i = 0; i < 60000 && records == 0; ++i) {
        if (!oracle::CheckSynchronize()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    } else {
      std::unique_lock lock(mutex);
      changed.wait_for(lock, std::chrono::seconds(60), [&] { return records > 0; });
    }
    query.reset();
    EXPECT_GT(records, 0);
    // Without the main thread a synchronised run cannot have gone on.
    if (synchronised) {
      EXPECT_LT(records, 60);
    }
  }
}

}  // namespace
}  // namespace oracle_query_test

#endif  // STANDIN_ORACLE_HOME
