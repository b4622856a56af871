#pragma once
// The log's writer thread and its queue. Callers enqueue finished lines (all
// but the time column); the thread swaps the whole queue out under the lock,
// stamps and writes the lines outside it, and purges old files at most once a
// minute. The queue is bounded: by a number of lines at all times, and while
// the file cannot be written (the last pass failed and no other has begun) by
// the memory its lines take, so that a log that cannot be written holds only
// a few megabytes however long it goes on; beyond a bound the oldest lines
// are dropped and the next successful pass says how many. While passes
// succeed, the first after a failure included, a burst that the writer
// drains loses nothing below the line bound, however slowly it drains.
//
// Every line reaches the file once and whole. When a write stops short (a
// full disk), the lines it took whole count as written and the part of the
// line it cut is taken off the file again, so the line is written whole on a
// later pass; where the file refuses to shrink (append-only), the rest of that
// line is written first on the next pass, into the same file.

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
  // `queueLimit` lines at most wait for the writer; while the file cannot be
  // written, lines taking `queueBytes` at most (see QueuedLineBytes).
  TLogThread(std::unique_ptr<TLogOutput> output, std::string folder, std::string baseName,
             size_t queueLimit, size_t queueBytes);
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

  // The memory a queued line is counted at: its text's buffer and its share
  // of the queue and the allocator.
  static size_t QueuedLineBytes(const std::string& line);

 private:
  static constexpr uint64_t kNoFailure = ~uint64_t{0};

  // Everything the thread touches lives here, shared with the thread, so that
  // a thread that outlives a timed-out Stop still owns valid state.
  struct State {
    std::unique_ptr<TLogOutput> output;
    std::string folder;
    std::string baseName;
    size_t queueLimit;
    size_t queueBytes;

    std::mutex mutex;
    std::condition_variable wake;  // lines arrived or stop requested
    std::condition_variable idle;  // a pass ended or the thread finished
    std::deque<std::string> queue;
    size_t queuedBytes = 0;      // QueuedLineBytes of the lines in `queue`
    size_t dropped = 0;          // lines dropped since the last written notice
    uint64_t enqueued = 0;       // lines queued since the start
    uint64_t passedThrough = 0;  // value of `enqueued` at the start of the last pass
    // `enqueued` when the last failed pass began; while it stands (from the
    // end of a failed pass to the start of the next) the byte bound applies.
    uint64_t failedAt = kNoFailure;
    bool retryPending = false;  // the last pass failed; the next line wakes a retry
    // Writer only: the rest of a line whose beginning is in the file and
    // could not be taken off again.
    std::string tail;
    bool stop = false;
    bool finished = false;
  };

  static void Run(std::shared_ptr<State> state);
  // Writes `batch` (oldest first); lines not written stay in it, as does the
  // drop count when its notice could not be written.
  static void WritePass(State& state, std::deque<std::string>& batch, size_t& dropped);
  static void Requeue(State& state, std::deque<std::string>& batch, size_t dropped);
  // Drops the oldest lines while the queue is beyond its bounds (under the
  // lock).
  static void Trim(State& state);

  std::shared_ptr<State> state_;
  std::thread thread_;
};

}  // namespace foundation
