#include "foundation/log_purge.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <ctime>
#include <vector>

namespace foundation {
namespace {

struct LogFileEntry {
  std::string key;  // "yyyymmdd=" + file name: date first, then name
  std::string path;
};

std::string LastWriteDay(const struct stat& st) {
  std::tm tm{};
  time_t t = st.st_mtime;
  localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%d", &tm);
  return buf;
}

}  // namespace

size_t PurgeOldLogs(const std::string& folder, const std::string& baseName, size_t keepCount) {
  const std::string prefix = baseName + "_";
  const std::string suffix = ".log";
  std::vector<LogFileEntry> entries;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return 0;
  while (dirent* de = ::readdir(dir)) {
    std::string name = de->d_name;
    if (name.size() < prefix.size() + suffix.size()) continue;
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    if (name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) continue;
    std::string path = folder + name;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    entries.push_back({LastWriteDay(st) + "=" + name, path});
  }
  ::closedir(dir);

  if (entries.size() <= keepCount + 2) return 0;
  std::sort(entries.begin(), entries.end(),
            [](const LogFileEntry& a, const LogFileEntry& b) { return a.key < b.key; });
  size_t deleted = 0;
  const size_t last = entries.size() - keepCount;  // inclusive
  for (size_t i = 0; i <= last; ++i) {
    if (::unlink(entries[i].path.c_str()) == 0) ++deleted;
  }
  return deleted;
}

}  // namespace foundation
