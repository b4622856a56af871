#include "platform/paths.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>

namespace platform {

std::string TemporaryFolder() {
  const char* tmp = std::getenv("TMPDIR");
  if (tmp != nullptr && *tmp != '\0') return tmp;
  return "/tmp";
}

std::string CurrentFolder() {
  char buf[4096];
  if (::getcwd(buf, sizeof buf) == nullptr) return {};
  return buf;
}

bool CreateFolder(const std::string& path) {
  return ::mkdir(path.c_str(), 0755) == 0;
}

}  // namespace platform
