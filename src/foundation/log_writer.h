#pragma once
// The log's writer thread and its queue. Callers enqueue finished lines (all
// but the time column); the thread swaps the whole queue out under the lock,
// stamps and writes the lines outside it, and purges old files at most once a
// minute. The queue is bounded: when the file cannot be written for long, the
// oldest lines are dropped and the next successful pass says how many.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "foundation/log_output.h"

namespace foundation {

class TLogThread {
 public:
  TLogThread(std::unique_ptr<TLogOutput> output, std::string folder, std::string baseName,
             size_t queueLimit);
  // Stops the thread when Stop was not called.
  ~TLogThread();
  TLogThread(const TLogThread&) = delete;
  TLogThread& operator=(const TLogThread&) = delete;

  // Queues a line; false (and the line is dropped) once the thread was told
  // to stop.
  bool Enqueue(std::string text);

  // Tells the thread to stop; it writes what is queued in one last pass and
  // ends. Waits for that at most `timeout`; true when the thread ended.
  bool Stop(std::chrono::milliseconds timeout);

  // Waits until every line queued before the call went through a pass.
  bool WaitIdle(std::chrono::milliseconds timeout);

 private:
  static constexpr uint64_t kNoFailure = ~uint64_t{0};

  // Everything the thread touches lives here, shared with the thread, so that
  // a thread that outlives a timed-out Stop still owns valid state.
  struct State {
    std::unique_ptr<TLogOutput> output;
    std::string folder;
    std::string baseName;
    size_t queueLimit;

    std::mutex mutex;
    std::condition_variable wake;  // lines arrived or stop requested
    std::condition_variable idle;  // a pass ended or the thread finished
    std::deque<std::string> queue;
    size_t dropped = 0;              // lines dropped since the last written notice
    uint64_t enqueued = 0;           // lines queued since the start
    uint64_t passedThrough = 0;      // value of `enqueued` at the start of the last pass
    uint64_t failedAt = kNoFailure;  // `enqueued` when the last failed pass began
    bool retryPending = false;       // the last pass failed; the next line wakes a retry
    bool stop = false;
    bool finished = false;
  };

  static void Run(std::shared_ptr<State> state);
  // Writes `batch` (oldest first); lines not written stay in it, as does the
  // drop count when its notice could not be written.
  static void WritePass(State& state, std::deque<std::string>& batch, size_t& dropped);
  static void Requeue(State& state, std::deque<std::string>& batch, size_t dropped);

  std::shared_ptr<State> state_;
  std::thread thread_;
};

}  // namespace foundation
