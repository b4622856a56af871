#pragma once
// The thread of a threaded query: made on the query's first threaded
// Execute, it waits between runs. Each run executes the query, fires
// OnThreadExecuted, then OnThreadRecord and Next for every row until Eof or
// a stop, then OnThreadFinished; a failure goes to OnThreadError (with the
// Oracle error code, 0 for any other failure) before OnThreadFinished. The
// events run on the main thread when the query is ThreadSynchronized, on
// this thread otherwise. Ending the thread (the query's destructor) stops
// the loop after the current call and joins it, running the main-thread
// calls the thread waits for meanwhile.

#include <condition_variable>
#include <mutex>
#include <thread>

namespace oracle {

class TOracleQuery;

class TQueryThread {
 public:
  explicit TQueryThread(TOracleQuery& query);
  ~TQueryThread();
  TQueryThread(const TQueryThread&) = delete;
  TQueryThread& operator=(const TQueryThread&) = delete;

  // Starts a run; the caller has checked that none is in progress.
  void Run();
  // A run is in progress.
  bool Running() const;
  // Ends the current run's record loop after the current row.
  void Stop();

 private:
  void Loop();
  void RunOnce();
  bool StopRequested() const;
  template <class Call>
  void Fire(const Call& call);

  TOracleQuery& query_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool runRequested_ = false;
  bool running_ = false;
  bool stop_ = false;
  bool terminated_ = false;
  bool ended_ = false;  // the loop has returned
  std::thread thread_;
};

}  // namespace oracle
