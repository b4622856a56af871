#include "oracle/dml/cached_locks.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <vector>

#include "oracle/dml/editing.h"
#include "oracle/dml/posting.h"
#include "oracle/dml/updating_table.h"
#include "oracle/session/session.h"
#include "oracle/values/type_codes.h"

namespace oracle {
namespace {

// Numbers the cached locks of every session in the order they are taken;
// a lock's savepoint is named after its number, so no two share a name.
std::atomic<std::uint64_t> lockNumbers{0};

std::string SavepointName(std::uint64_t number) {
  return "KEL__LOCK" + std::to_string(number);
}

struct TLockRef {
  TOracleDataSet* dataSet;
  TCachedLock* lock;
};

// The cached locks of every dataset of the session, oldest first.
std::vector<TLockRef> SessionLocks(TOracleSession& session) {
  std::vector<TLockRef> locks;
  session.AttachedObjects().WalkLastToFirst(
      SessionObjectList::kDataSets, [&](TSessionAttached& attached) {
        auto* dataSet = dynamic_cast<TOracleDataSet*>(&attached);
        if (dataSet == nullptr || !dataSet->EditingPart) return;
        for (TCachedLock& lock : dataSet->EditingPart->cachedLocks_)
          if (!lock.dropped) locks.push_back({dataSet, &lock});
      });
  std::sort(locks.begin(), locks.end(),
            [](const TLockRef& a, const TLockRef& b) { return a.lock->seq < b.lock->seq; });
  return locks;
}

void Run(TOracleSession& session, const std::string& sql, const std::string& rowId = {}) {
  TOracleQuery query;
  query.SetSession(&session);
  query.SetSQL(sql);
  if (!rowId.empty()) query.DeclareAndSet("kel__rowid", otype::String, Variant::String(rowId));
  query.Execute();
}

void DropMarked(const std::vector<TLockRef>& locks) {
  for (const TLockRef& ref : locks)
    std::erase_if(ref.dataSet->EditingPart->cachedLocks_,
                  [](const TCachedLock& lock) { return lock.dropped; });
}

// Gives back the locks of `dataSet` that `picked` names, by a rollback to
// the savepoint of the oldest of them that only cached locks followed; the
// other locks after it are taken again, each behind a new savepoint.
void Release(TOracleSession& session, TOracleDataSet& dataSet,
             const std::function<bool(const TCachedLock&)>& picked) {
  std::vector<TLockRef> locks = SessionLocks(session);
  if (locks.empty() || locks.back().lock->markAfter != session.WorkMark()) return;
  // The run of locks at the end that followed each other directly.
  std::size_t first = locks.size() - 1;
  while (first > 0 && locks[first].lock->follows == locks[first - 1].lock->seq) --first;
  std::size_t from = first;
  while (from < locks.size() && !(locks[from].dataSet == &dataSet && picked(*locks[from].lock)))
    ++from;
  if (from == locks.size()) return;
  Run(session, "rollback to savepoint " + locks[from].lock->savepoint);
  // The session stands where the lock before it left it.
  TCachedLock* last = from > first ? locks[from - 1].lock : nullptr;
  if (last != nullptr) last->markAfter = session.WorkMark();
  for (std::size_t i = from; i < locks.size(); ++i) {
    TCachedLock& lock = *locks[i].lock;
    if (locks[i].dataSet == &dataSet && picked(lock)) {
      lock.dropped = true;
      continue;
    }
    const std::uint64_t number = ++lockNumbers;
    const std::string savepoint = SavepointName(number);
    try {
      Run(session, "savepoint " + savepoint);
      Run(session, "select * from " + lock.table + " where rowid = :kel__rowid\nfor update nowait",
          lock.rowId);
      lock.savepoint = savepoint;
      lock.seq = number;
      lock.follows = last != nullptr ? last->seq : 0;
      lock.markAfter = session.WorkMark();
      last = &lock;
    } catch (const std::exception&) {
      // Another user took the row in the moment it was free: the change
      // stays pending without its lock (its apply checks the row).
      lock.dropped = true;
      try {
        Run(session, "rollback to savepoint " + savepoint);
        if (last != nullptr) last->markAfter = session.WorkMark();
      } catch (const std::exception&) {
      }
    }
  }
  DropMarked(locks);
}

}  // namespace

TCachedLockPoint CachedLockPoint(TOracleSession* session) {
  TCachedLockPoint point{session, 0};
  if (session == nullptr) return point;
  const std::vector<TLockRef> locks = SessionLocks(*session);
  if (!locks.empty() && locks.back().lock->markAfter == session->WorkMark())
    point.newest = locks.back().lock->seq;
  return point;
}

void ReturnedTo(const TCachedLockPoint& point) {
  if (point.session == nullptr || point.newest == 0) return;
  const std::vector<TLockRef> locks = SessionLocks(*point.session);
  if (!locks.empty() && locks.back().lock->seq == point.newest)
    locks.back().lock->markAfter = point.session->WorkMark();
}

void TakeCachedLock(TOracleDataSet& dataSet, const std::function<void()>& lock) {
  TOracleSession* session = dataSet.Session();
  if (session == nullptr || !SessionAllowsSavepoints(dataSet)) {
    lock();
    return;
  }
  const TCachedLockPoint point = CachedLockPoint(session);
  const std::uint64_t number = ++lockNumbers;
  const std::string savepoint = SavepointName(number);
  Run(*session, "savepoint " + savepoint);
  try {
    lock();
  } catch (...) {
    // A lock refused, or taken and then refused by the check: none stays.
    try {
      Run(*session, "rollback to savepoint " + savepoint);
      ReturnedTo(point);
    } catch (const std::exception&) {
    }
    throw;
  }
  TCachedLock taken;
  taken.rowId = dataSet.RecordRowId();
  taken.table = GetUpdatingTableName(dataSet);
  taken.savepoint = savepoint;
  taken.seq = number;
  taken.follows = point.newest;
  taken.markAfter = session->WorkMark();
  Editing(dataSet).cachedLocks_.push_back(std::move(taken));
}

void GiveBackCachedLocks(TOracleDataSet& dataSet, const std::string& rowId) {
  if (!dataSet.EditingPart) return;
  std::vector<TCachedLock>& own = dataSet.EditingPart->cachedLocks_;
  const auto picked = [&rowId](const TCachedLock& lock) {
    return rowId.empty() || lock.rowId == rowId;
  };
  if (std::none_of(own.begin(), own.end(), picked)) return;
  TOracleSession* session = dataSet.Session();
  if (session != nullptr && session->Connected() && SessionAllowsSavepoints(dataSet)) {
    try {
      Release(*session, dataSet, picked);
    } catch (const std::exception&) {
      // The savepoint is gone (the transaction ended, and the lock with it),
      // or the session failed: a lock not given back ends with the
      // transaction.
    }
  }
  std::erase_if(own, picked);
}

void ForgetCachedLocks(TOracleDataSet& dataSet) {
  if (dataSet.EditingPart) dataSet.EditingPart->cachedLocks_.clear();
}

}  // namespace oracle
