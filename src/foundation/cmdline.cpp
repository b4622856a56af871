#include "foundation/cmdline.h"

#include <vector>

#include "platform/process.h"

namespace foundation {
namespace {

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameText(std::string_view a, std::string_view b, bool ignoreCase) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (ignoreCase ? Lower(a[i]) != Lower(b[i]) : a[i] != b[i]) return false;
  }
  return true;
}

bool StartsWithSwitchChar(const std::string& param, std::string_view chars) {
  if (param.empty()) return false;
  return chars.empty() || chars.find(param[0]) != std::string_view::npos;
}

std::vector<std::string> Parameters() {
  std::vector<std::string> args = platform::CommandLineArgs();
  if (!args.empty()) args.erase(args.begin());
  return args;
}

}  // namespace

bool GetCmdLineSwitchValue(std::string_view switchName, std::string_view chars, bool ignoreCase,
                           std::string& value) {
  for (const std::string& param : Parameters()) {
    if (!StartsWithSwitchChar(param, chars)) continue;
    std::string_view rest = std::string_view(param).substr(1);
    if (rest.size() < switchName.size()) continue;
    if (!SameText(rest.substr(0, switchName.size()), switchName, ignoreCase)) continue;
    if (rest.size() == switchName.size()) {
      value.clear();
      return true;
    }
    if (rest[switchName.size()] == '=') {
      value = std::string(rest.substr(switchName.size() + 1));
      return true;
    }
  }
  return false;
}

bool FindCmdLineSwitchValue(std::string_view switchName, std::string_view chars, bool ignoreCase,
                            std::string& value) {
  for (const std::string& param : Parameters()) {
    if (!StartsWithSwitchChar(param, chars)) continue;
    size_t sep = param.find(':', 1);
    if (sep == std::string::npos) sep = param.find('=', 1);
    if (sep == std::string::npos) continue;
    if (!SameText(std::string_view(param).substr(1, sep - 1), switchName, ignoreCase)) continue;
    value = param.substr(sep + 1);
    return true;
  }
  return false;
}

}  // namespace foundation
