#include "platform/com/object_counts.h"

#include <atomic>

namespace {

std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

// Decrements unless the count is already zero.
void DecrementToZero(std::atomic<long>& count) {
  long current = count.load();
  while (current > 0 && !count.compare_exchange_weak(current, current - 1)) {
  }
}

}  // namespace

void ComObjectCreated() {
  g_objects.fetch_add(1);
}
void ComObjectDestroyed() {
  DecrementToZero(g_objects);
}

void ComLockServer(bool lock) {
  if (lock) {
    g_locks.fetch_add(1);
  } else {
    DecrementToZero(g_locks);
  }
}

HRESULT ComCanUnloadNow() {
  return g_objects.load() == 0 && g_locks.load() == 0 ? S_OK : S_FALSE;
}

long ComObjectCount() {
  return g_objects.load();
}
long ComLockCount() {
  return g_locks.load();
}
