#pragma once
// Reading, locking and atomically replacing the registry file.

#include <string>

#include "platform/registry/tree.h"

namespace platform::registry {

// The tree stored at `path`; an empty tree when the file does not exist.
Tree LoadRegistryFile(const std::string& path);

// Holds the exclusive writer lock of the registry at `path` ("<path>.lock"),
// creating the folder when missing. Gives up with RegistryError after
// `timeoutMs` milliseconds. The lock is polled, so a waiter can lose the race
// to a writer that writes in a tight loop for as long as that loop runs; the
// bound leaves room for such a burst of writes on a slow, loaded machine.
class RegistryWriteLock {
 public:
  explicit RegistryWriteLock(const std::string& path, int timeoutMs = 60000);
  ~RegistryWriteLock();
  RegistryWriteLock(const RegistryWriteLock&) = delete;
  RegistryWriteLock& operator=(const RegistryWriteLock&) = delete;

 private:
  int fd_ = -1;
};

// Writes the tree to a temporary file beside `path`, flushes it and renames
// it over `path`. Only call while holding the write lock: it also removes
// temporary files that a crashed writer left behind.
void ReplaceRegistryFile(const std::string& path, const Tree& tree);

}  // namespace platform::registry
