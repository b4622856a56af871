#pragma once
// The session's cache of table information: one entry per owner and table,
// made on first request and kept until the session logs off or ends. The
// entries are the dictionary's table information; the session only keeps
// them, so it sees them through this base.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace oracle {

class TTableInfoEntry {
 public:
  virtual ~TTableInfoEntry() = default;
};

class TTableInfoCache {
 public:
  using Factory = std::function<std::unique_ptr<TTableInfoEntry>()>;

  // The entry of that owner and table; made by the factory when there is
  // none yet. Owner and table are kept as given (dictionary names are
  // upper case already).
  TTableInfoEntry& Get(const std::string& owner, const std::string& table, const Factory& make);
  // The entry of that owner and table, or null.
  TTableInfoEntry* Find(const std::string& owner, const std::string& table) const;
  int Count() const;
  // Frees every entry.
  void Clear();
  // Changes at every Clear and differs from any other cache's, so what was
  // resolved while it stood (a dataset's owner and table) can tell that it
  // must be resolved again.
  std::uint64_t Epoch() const;

 private:
  static std::uint64_t NewEpoch();

  mutable std::mutex mutex_;
  std::uint64_t epoch_ = NewEpoch();
  std::map<std::pair<std::string, std::string>, std::unique_ptr<TTableInfoEntry>> entries_;
};

}  // namespace oracle
