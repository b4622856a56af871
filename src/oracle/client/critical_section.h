#pragma once
// The Oracle library's re-entrant lock and the process-wide loader lock.

#include <atomic>
#include <mutex>
#include <thread>

namespace oracle {

// A re-entrant lock with a nesting count. Enter may be called again by the
// thread that holds the lock; each Enter is matched by one Leave. Leave by a
// thread that does not hold the lock does nothing, so a stray Leave can never
// release another thread's lock.
class TOracleCriticalSection {
 public:
  TOracleCriticalSection() = default;
  TOracleCriticalSection(const TOracleCriticalSection&) = delete;
  TOracleCriticalSection& operator=(const TOracleCriticalSection&) = delete;

  void Enter();
  void Leave();

  // Nesting depth of the calling thread (0 when it does not hold the lock).
  int NestingCount() const;

 private:
  std::recursive_mutex mutex_;
  std::atomic<std::thread::id> owner_{};
  int count_ = 0;  // written only by the owner
};

// Enters on construction and leaves on destruction.
class OracleLockGuard {
 public:
  explicit OracleLockGuard(TOracleCriticalSection& lock) : lock_(lock) { lock_.Enter(); }
  ~OracleLockGuard() { lock_.Leave(); }
  OracleLockGuard(const OracleLockGuard&) = delete;
  OracleLockGuard& operator=(const OracleLockGuard&) = delete;

 private:
  TOracleCriticalSection& lock_;
};

// The process-wide loader lock: serialises loading the client library, the
// creation of a shared OCI environment and the calls of thread-safe sessions.
// It is taken before any session's own list locks.
TOracleCriticalSection& LoaderLock();

}  // namespace oracle
