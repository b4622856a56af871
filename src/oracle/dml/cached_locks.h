// Row locks of cached changes in lmLockImmediate. The lock an edit or a
// delete takes is held while its change is pending and given back when the
// change is taken back (Cancel, CancelUpdates, Close).
//
// The server gives a row lock back only by a rollback to a savepoint set
// before the lock, and such a rollback also undoes and releases all the
// session did after that savepoint. So each lock is taken behind a
// savepoint of its own, and it is given back only while the session did
// nothing since but take such locks (its work mark tells): the locks after
// it whose changes are still pending are taken again at once. A lock that
// other work of the session followed stays until the session's transaction
// ends; the apply of its change checks the row then (posting.cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "oracle/dataset/dataset.h"

namespace oracle {

class TOracleSession;

// Runs `lock`, which locks the active record's row, behind a savepoint of
// its own and keeps the lock to give back. A lock that fails (or a check
// after it) leaves no lock behind. Without savepoints on the session the
// lock is only taken.
void TakeCachedLock(TOracleDataSet& dataSet, const std::function<void()>& lock);
// Gives back the dataset's cached lock of the row `rowId`, or all of them
// when `rowId` is empty, where the session allows; the dataset forgets
// them either way. Failures of the server are not raised: a lock that
// cannot be given back stays until the transaction ends.
void GiveBackCachedLocks(TOracleDataSet& dataSet, const std::string& rowId);
// Forgets the dataset's cached locks: their changes were applied.
void ForgetCachedLocks(TOracleDataSet& dataSet);

// Where the session's cached locks stand before a savepoint is set: after
// a rollback to that savepoint they stand there again (ReturnedTo), so
// work that was undone does not keep them from being given back.
struct TCachedLockPoint {
  TOracleSession* session = nullptr;
  std::uint64_t newest = 0;  // the newest lock, when nothing followed it
};
TCachedLockPoint CachedLockPoint(TOracleSession* session);
void ReturnedTo(const TCachedLockPoint& point);

}  // namespace oracle
