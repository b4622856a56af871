#include "oracle/session/main_thread_calls.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>

#include "oracle/session/ui_hooks.h"

namespace oracle {

namespace {

struct PendingCall {
  std::function<void()> call;
  bool done = false;
  std::exception_ptr error;
};

struct CallQueue {
  std::mutex mutex;
  std::condition_variable ran;
  std::deque<std::shared_ptr<PendingCall>> calls;
};

CallQueue& Queue() {
  static CallQueue queue;
  return queue;
}

}  // namespace

void SynchronizeWithMainThread(const std::function<void()>& call) {
  auto pending = std::make_shared<PendingCall>();
  pending->call = call;
  CallQueue& queue = Queue();
  {
    std::lock_guard lock(queue.mutex);
    queue.calls.push_back(pending);
  }
  if (const auto ui = OracleUserInterface()) ui->MainThreadCallsWaiting();
  std::unique_lock lock(queue.mutex);
  queue.ran.wait(lock, [&] { return pending->done; });
  if (pending->error) std::rethrow_exception(pending->error);
}

bool CheckSynchronize() {
  CallQueue& queue = Queue();
  std::deque<std::shared_ptr<PendingCall>> taken;
  {
    std::lock_guard lock(queue.mutex);
    taken.swap(queue.calls);
  }
  for (const auto& pending : taken) {
    try {
      pending->call();
    } catch (...) {
      pending->error = std::current_exception();
    }
    {
      std::lock_guard lock(queue.mutex);
      pending->done = true;
    }
    queue.ran.notify_all();
  }
  return !taken.empty();
}

}  // namespace oracle
