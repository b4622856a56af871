#include "foundation/cmdline.h"

#include <vector>

#include "platform/process.h"
#include "platform/text.h"

namespace foundation {
namespace {

bool SameName(std::string_view a, std::string_view b, bool ignoreCase) {
  return ignoreCase ? platform::SameText(a, b) : a == b;
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
    if (!SameName(rest.substr(0, switchName.size()), switchName, ignoreCase)) continue;
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
    if (!SameName(std::string_view(param).substr(1, sep - 1), switchName, ignoreCase)) continue;
    value = param.substr(sep + 1);
    return true;
  }
  return false;
}

}  // namespace foundation
