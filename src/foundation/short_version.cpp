#include "foundation/short_version.h"

#include <charconv>

#include "foundation/file_version.h"

namespace foundation {

std::string ShortVersionFromText(std::string_view versionText) {
  int parts[4] = {0, 0, 0, 0};
  const char* p = versionText.data();
  const char* end = p + versionText.size();
  for (int i = 0; i < 4; ++i) {
    auto [next, ec] = std::from_chars(p, end, parts[i]);
    if (ec != std::errc() || next == p) return {};
    p = next;
    if (i < 3) {
      if (p == end || *p != '.') return {};
      ++p;
    }
  }
  if (p != end) return {};
  return "v" + std::to_string(parts[0]) + "." + std::to_string(parts[1]);
}

std::string GetFileVersionShort(const std::string& fileName) {
  return ShortVersionFromText(GetFileVersionText(fileName));
}

}  // namespace foundation
