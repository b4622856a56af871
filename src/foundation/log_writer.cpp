#include "foundation/log_writer.h"

#include <algorithm>
#include <vector>

#include "foundation/log.h"
#include "foundation/log_entry.h"
#include "foundation/log_purge.h"
#include "foundation/log_time.h"

namespace foundation {
namespace {

constexpr size_t kChunkBytes = 64 * 1024;
// A queued line's share of the queue's slot array and the allocator's
// bookkeeping, beside its text's buffer.
constexpr size_t kLineOverhead = sizeof(std::string) + 16;
constexpr auto kPurgeInterval = std::chrono::minutes(1);
constexpr auto kRetryPause = std::chrono::milliseconds(100);

std::string DroppedNotice(size_t dropped) {
  return FormatLogEntry(kLevelWarning, "",
                        std::to_string(dropped) +
                            " log lines were dropped because the log file could not be written");
}

}  // namespace

TLogThread::TLogThread(std::unique_ptr<TLogOutput> output, std::string folder, std::string baseName,
                       size_t queueLimit, size_t queueBytes)
    : state_(std::make_shared<State>()) {
  state_->output = std::move(output);
  state_->folder = std::move(folder);
  state_->baseName = std::move(baseName);
  state_->queueLimit = queueLimit == 0 ? 1 : queueLimit;
  state_->queueBytes = queueBytes;
  thread_ = std::thread(&TLogThread::Run, state_);
}

size_t TLogThread::QueuedLineBytes(const std::string& line) {
  return line.capacity() + kLineOverhead;
}

TLogThread::~TLogThread() {
  Stop(std::chrono::seconds(10));
}

bool TLogThread::Enqueue(std::string text) {
  bool notify = false;
  {
    std::lock_guard lock(state_->mutex);
    if (state_->stop) return false;
    notify = state_->queue.empty() || state_->retryPending;
    state_->retryPending = false;
    state_->queuedBytes += QueuedLineBytes(text);
    state_->queue.push_back(std::move(text));
    ++state_->enqueued;
    Trim(*state_);
  }
  // The writer checks the queue under the lock before it sleeps, so a wake-up
  // is needed only when it may have seen the queue empty (or is waiting for a
  // new line to retry a failed pass).
  if (notify) state_->wake.notify_one();
  return true;
}

bool TLogThread::Stop(std::chrono::milliseconds timeout) {
  if (!thread_.joinable()) return true;
  bool finished = false;
  {
    std::unique_lock lock(state_->mutex);
    state_->stop = true;
    state_->wake.notify_one();
    finished = state_->idle.wait_for(lock, timeout, [this] { return state_->finished; });
  }
  if (finished) {
    thread_.join();
  } else {
    // The file system does not answer. The thread keeps its own reference to
    // the state and ends by itself once the write returns.
    thread_.detach();
  }
  return finished;
}

bool TLogThread::WaitIdle(std::chrono::milliseconds timeout) {
  std::unique_lock lock(state_->mutex);
  const uint64_t target = state_->enqueued;
  // A pass takes every line queued when it starts, so once a pass that began
  // after the call has ended, each of those lines was written or kept queued.
  return state_->idle.wait_for(lock, timeout, [this, target] {
    return state_->finished || state_->passedThrough >= target;
  });
}

void TLogThread::Run(std::shared_ptr<State> state) {
  std::optional<std::chrono::steady_clock::time_point> lastPurge;
  std::deque<std::string> batch;
  std::unique_lock lock(state->mutex);
  for (;;) {
    // After a failed pass, only lines queued since that pass began start the
    // next attempt: a file that cannot be written is not retried in a loop.
    state->wake.wait(lock, [&state] {
      return state->stop || (!state->queue.empty() && state->enqueued != state->failedAt);
    });
    const bool stopping = state->stop;
    batch.swap(state->queue);
    state->queuedBytes = 0;
    // The pass tries the file again: until it is known to fail, the lines
    // that arrive meanwhile are bounded as those of a file being written, by
    // their number only, so that a pass that succeeds but takes its time
    // loses none of them.
    state->failedAt = kNoFailure;
    size_t dropped = state->dropped;
    state->dropped = 0;
    const uint64_t through = state->enqueued;
    lock.unlock();

    WritePass(*state, batch, dropped);
    auto now = std::chrono::steady_clock::now();
    if (!stopping && (!lastPurge || now - *lastPurge >= kPurgeInterval)) {
      PurgeOldLogs(state->folder, state->baseName);
      lastPurge = now;
    }

    lock.lock();
    const bool failed = !batch.empty() || dropped != 0 || !state->tail.empty();
    // Set first: the lines put back are bounded as a failing file's.
    state->failedAt = failed ? through : kNoFailure;
    if (failed) Requeue(*state, batch, dropped);
    state->retryPending = failed;
    state->passedThrough = through;
    state->idle.notify_all();
    if (stopping) break;
    // A short pause after a failure, so that a steady stream of new lines does
    // not turn into a stream of failing attempts.
    if (failed) state->wake.wait_for(lock, kRetryPause, [&state] { return state->stop; });
  }
  state->finished = true;
  state->idle.notify_all();
}

void TLogThread::Requeue(State& state, std::deque<std::string>& batch, size_t dropped) {
  // Unwritten lines are older than anything queued meanwhile: they go first.
  for (auto& line : state.queue) batch.push_back(std::move(line));
  state.queue.clear();
  state.queue.swap(batch);
  state.queuedBytes = 0;
  for (const std::string& line : state.queue) state.queuedBytes += QueuedLineBytes(line);
  state.dropped += dropped;
  Trim(state);
}

void TLogThread::Trim(State& state) {
  while (!state.queue.empty() &&
         (state.queue.size() > state.queueLimit ||
          (state.failedAt != kNoFailure && state.queuedBytes > state.queueBytes))) {
    state.queuedBytes -= QueuedLineBytes(state.queue.front());
    state.queue.pop_front();
    ++state.dropped;
  }
}

void TLogThread::WritePass(State& state, std::deque<std::string>& batch, size_t& dropped) {
  if (batch.empty() && dropped == 0 && state.tail.empty()) return;
  // The rest of a cut line goes into the file that holds its beginning.
  if (!state.output->Open(!state.tail.empty())) return;
  if (!state.tail.empty()) {
    state.tail.erase(0, state.output->Write(state.tail));
    if (!state.tail.empty()) {
      state.output->Close();
      return;
    }
  }

  // The notice (when lines were dropped) stands before the lines it precedes.
  const bool withNotice = dropped != 0;
  std::string buffer;
  buffer.reserve(kChunkBytes + 1024);
  std::vector<size_t> ends;  // where each entry of the chunk ends in `buffer`
  bool noticeInChunk = false;
  size_t nextLine = 0;      // index in batch of the next line to format
  size_t writtenLines = 0;  // lines of batch fully written
  bool noticeWritten = !withNotice;
  bool ok = true;

  auto flush = [&]() {
    const size_t written = state.output->Write(buffer);
    // Entries (the notice counts as one) that reached the file whole.
    size_t done =
        static_cast<size_t>(std::upper_bound(ends.begin(), ends.end(), written) - ends.begin());
    if (done < ends.size()) {
      ok = false;  // the entries not written are tried again on the next pass
      const size_t cutStart = done == 0 ? 0 : ends[done - 1];
      if (written > cutStart && !state.output->Unwrite(written - cutStart)) {
        // The file keeps the line's beginning: its end comes first next time.
        state.tail = buffer.substr(written, ends[done] - written);
        ++done;
      }
    }
    if (noticeInChunk && done > 0) noticeWritten = true;
    writtenLines += done - (noticeInChunk && done > 0 ? 1 : 0);
    buffer.clear();
    ends.clear();
    noticeInChunk = false;
  };
  auto append = [&](const std::string& text) {
    buffer += FormatLogTimestamp(LogNow());
    buffer += " | ";
    buffer += text;
    buffer += "\r\n";
    ends.push_back(buffer.size());
    if (buffer.size() >= kChunkBytes) flush();
  };

  if (withNotice) {
    noticeInChunk = true;
    append(DroppedNotice(dropped));
  }
  while (ok && nextLine < batch.size()) append(batch[nextLine++]);
  if (ok && !ends.empty()) flush();
  state.output->Close();

  if (noticeWritten) dropped = 0;
  batch.erase(batch.begin(), batch.begin() + static_cast<std::ptrdiff_t>(writtenLines));
}

}  // namespace foundation
