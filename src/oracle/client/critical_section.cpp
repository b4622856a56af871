#include "oracle/client/critical_section.h"

namespace oracle {

void TOracleCriticalSection::Enter() {
  mutex_.lock();
  owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
  ++count_;
}

void TOracleCriticalSection::Leave() {
  // Only the holder may leave; the owner id is only ever equal to the
  // calling thread's id while that thread holds the mutex.
  if (owner_.load(std::memory_order_relaxed) != std::this_thread::get_id()) return;
  if (count_ <= 0) return;
  if (--count_ == 0) owner_.store(std::thread::id{}, std::memory_order_relaxed);
  mutex_.unlock();
}

int TOracleCriticalSection::NestingCount() const {
  if (owner_.load(std::memory_order_relaxed) != std::this_thread::get_id()) return 0;
  return count_;
}

TOracleCriticalSection& LoaderLock() {
  static TOracleCriticalSection lock;
  return lock;
}

}  // namespace oracle
