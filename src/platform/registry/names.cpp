#include "platform/registry/names.h"

#include "platform/registry/tree.h"

namespace platform::registry {

namespace {

constexpr size_t kMaxKeyNameLength = 255;

}  // namespace

std::string FoldCase(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

std::vector<std::string_view> SplitKeyPath(std::string_view path) {
  std::vector<std::string_view> names;
  std::string_view rest = path;
  if (!rest.empty() && rest.front() == '\\') rest.remove_prefix(1);
  if (!rest.empty() && rest.back() == '\\') rest.remove_suffix(1);
  if (rest.empty()) return names;
  auto invalid = [&](const char* why) {
    return RegistryError("invalid registry key path \"" + std::string(path) + "\": " + why);
  };
  while (true) {
    size_t end = rest.find('\\');
    std::string_view name = rest.substr(0, end);
    if (name.empty()) throw invalid("empty key name");
    if (name.size() > kMaxKeyNameLength) throw invalid("key name longer than 255 bytes");
    for (char c : name) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) throw invalid("control character");
    }
    names.push_back(name);
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return names;
}

}  // namespace platform::registry
