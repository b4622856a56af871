#include "foundation/system_file_text.h"

#include <fstream>
#include <iterator>

namespace foundation {

std::string ReadSystemFileText(const std::string& path) {
  std::ifstream in(path);
  if (!in) return {};
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string ReadOsReleaseText() {
  std::string text = ReadSystemFileText("/etc/os-release");
  if (text.empty()) text = ReadSystemFileText("/usr/lib/os-release");
  return text;
}

}  // namespace foundation
