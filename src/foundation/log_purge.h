#pragma once
// Removal of old log files, so that the log folder does not grow without end.

#include <cstddef>
#include <string>

namespace foundation {

// Number of log files the purge keeps (see PurgeOldLogs).
inline constexpr size_t kLogKeepCount = 30;

// Lists the files folder + baseName + "_*.log" ordered by last-write date
// (day only), then by name. When there are more than keepCount + 2 of them,
// deletes the oldest Count - keepCount + 1, leaving keepCount - 1 files.
// Failures to list or delete are ignored. Returns the number deleted.
size_t PurgeOldLogs(const std::string& folder, const std::string& baseName,
                    size_t keepCount = kLogKeepCount);

}  // namespace foundation
