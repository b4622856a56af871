#include "platform/system_facts/os_release.h"

#include <sys/utsname.h>

#include "platform/system_facts/system_file.h"

namespace platform::system_facts {
namespace {

std::string Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

}  // namespace

KernelIdentity RunningKernel() {
  utsname uts{};
  if (::uname(&uts) != 0) return {};
  return {uts.release, uts.version};
}

std::map<std::string, std::string> ParseOsRelease(std::string_view text) {
  std::map<std::string, std::string> fields;
  size_t pos = 0;
  std::string_view line;
  while (NextLine(text, pos, line)) {
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    fields[std::string(line.substr(0, eq))] = Unquote(line.substr(eq + 1));
  }
  return fields;
}

std::string OsReleaseText() {
  std::string text = ReadSystemFileText("/etc/os-release");
  if (text.empty()) text = ReadSystemFileText("/usr/lib/os-release");
  return text;
}

}  // namespace platform::system_facts
