#include "platform/system_facts/system_file.h"

#include <fstream>
#include <iterator>

namespace platform::system_facts {

std::string ReadSystemFileText(const std::string& path) {
  std::ifstream in(path);
  if (!in) return {};
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool NextLine(std::string_view text, size_t& pos, std::string_view& line) {
  if (pos >= text.size()) return false;
  size_t eol = text.find('\n', pos);
  if (eol == std::string_view::npos) eol = text.size();
  line = text.substr(pos, eol - pos);
  pos = eol + 1;
  return true;
}

}  // namespace platform::system_facts
