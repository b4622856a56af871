#include "oracle/query/query_thread.h"

#include <chrono>
#include <exception>
#include <string>

#include "oracle/client/oracle_errors.h"
#include "oracle/query/query.h"
#include "oracle/session/main_thread_calls.h"

namespace oracle {

TQueryThread::TQueryThread(TOracleQuery& query) : query_(query) {
  thread_ = std::thread([this] { Loop(); });
}

TQueryThread::~TQueryThread() {
  {
    std::lock_guard lock(mutex_);
    terminated_ = true;
  }
  changed_.notify_all();
  // The thread may be waiting for a call of the main thread (this one).
  std::unique_lock lock(mutex_);
  while (!ended_) {
    lock.unlock();
    CheckSynchronize();
    lock.lock();
    changed_.wait_for(lock, std::chrono::milliseconds(2), [this] { return ended_; });
  }
  lock.unlock();
  thread_.join();
}

void TQueryThread::Run() {
  {
    std::lock_guard lock(mutex_);
    runRequested_ = true;
    running_ = true;
  }
  changed_.notify_all();
}

bool TQueryThread::Running() const {
  std::lock_guard lock(mutex_);
  return running_;
}

void TQueryThread::Stop() {
  std::lock_guard lock(mutex_);
  stop_ = true;
}

bool TQueryThread::StopRequested() const {
  std::lock_guard lock(mutex_);
  return stop_ || terminated_;
}

template <class Call>
void TQueryThread::Fire(const Call& call) {
  if (query_.ThreadSynchronized()) {
    SynchronizeWithMainThread(call);
  } else {
    call();
  }
}

void TQueryThread::Loop() {
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return runRequested_ || terminated_; });
      if (terminated_) break;
      runRequested_ = false;
      stop_ = false;
    }
    RunOnce();
    {
      std::lock_guard lock(mutex_);
      running_ = false;
    }
    changed_.notify_all();
  }
  {
    std::lock_guard lock(mutex_);
    running_ = false;
    ended_ = true;
  }
  changed_.notify_all();
}

void TQueryThread::RunOnce() {
  TOracleQuery& query = query_;
  try {
    query.ExecuteArray(-1, -1);
    Fire([&] {
      if (query.OnThreadExecuted) query.OnThreadExecuted(query);
    });
    while (!query.Eof() && !StopRequested()) {
      Fire([&] {
        if (query.OnThreadRecord) query.OnThreadRecord(query);
      });
      if (!StopRequested()) query.Next();
    }
  } catch (const std::exception& e) {
    const auto* oracleError = dynamic_cast<const EOracleError*>(&e);
    const int32_t code = oracleError != nullptr ? oracleError->ErrorCode() : 0;
    const std::string message = e.what();
    try {
      Fire([&] {
        if (query.OnThreadError) query.OnThreadError(query, code, message);
      });
    } catch (...) {
      // Nothing leaves the thread.
    }
  } catch (...) {
  }
  {
    std::lock_guard lock(mutex_);
    if (terminated_) return;
  }
  try {
    Fire([&] {
      if (query.OnThreadFinished) query.OnThreadFinished(query);
    });
  } catch (...) {
    // Nothing leaves the thread.
  }
}

}  // namespace oracle
