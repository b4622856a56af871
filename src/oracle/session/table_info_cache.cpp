#include "oracle/session/table_info_cache.h"

#include <atomic>

namespace oracle {

std::uint64_t TTableInfoCache::NewEpoch() {
  static std::atomic<std::uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

std::uint64_t TTableInfoCache::Epoch() const {
  std::lock_guard lock(mutex_);
  return epoch_;
}

TTableInfoEntry& TTableInfoCache::Get(const std::string& owner, const std::string& table,
                                      const Factory& make) {
  std::lock_guard lock(mutex_);
  auto key = std::make_pair(owner, table);
  const auto found = entries_.find(key);
  if (found != entries_.end()) return *found->second;
  auto made = make();  // a factory that throws leaves no entry behind
  return *entries_.emplace(std::move(key), std::move(made)).first->second;
}

TTableInfoEntry* TTableInfoCache::Find(const std::string& owner, const std::string& table) const {
  std::lock_guard lock(mutex_);
  const auto found = entries_.find({owner, table});
  return found == entries_.end() ? nullptr : found->second.get();
}

int TTableInfoCache::Count() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(entries_.size());
}

void TTableInfoCache::Clear() {
  decltype(entries_) gone;
  {
    std::lock_guard lock(mutex_);
    gone.swap(entries_);
    epoch_ = NewEpoch();
  }
  // Entries are freed outside the lock: each holds a query that leaves the
  // session's query list as it goes.
}

}  // namespace oracle
