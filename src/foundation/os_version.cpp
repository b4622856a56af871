#include "foundation/os_version.h"

#include <cstdio>

#include "platform/system_facts/os_release.h"

namespace foundation {
namespace {

// Reads a decimal number at `pos`; false when there is none.
bool ReadNumber(std::string_view text, size_t& pos, int& value) {
  size_t start = pos;
  long long v = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    v = v * 10 + (text[pos] - '0');
    if (v > 0x7fffffff) return false;
    ++pos;
  }
  value = static_cast<int>(v);
  return pos > start;
}

}  // namespace

void ParseKernelRelease(std::string_view release, OsVersionFacts& facts) {
  size_t pos = 0;
  facts.major = facts.minor = facts.build = 0;
  facts.hasBuild = false;
  facts.service.clear();
  if (!ReadNumber(release, pos, facts.major)) {
    facts.service = std::string(release);
    return;
  }
  if (pos < release.size() && release[pos] == '.') {
    ++pos;
    ReadNumber(release, pos, facts.minor);
  }
  if (pos < release.size() && release[pos] == '.') {
    size_t save = pos++;
    if (ReadNumber(release, pos, facts.build)) {
      facts.hasBuild = true;
    } else {
      pos = save;
    }
  }
  std::string_view rest = release.substr(pos);
  while (!rest.empty() && (rest.front() == '-' || rest.front() == '.' || rest.front() == '+')) {
    rest.remove_prefix(1);
  }
  facts.service = std::string(rest);
}

std::string OsNameFromOsRelease(std::string_view osRelease) {
  const auto fields = platform::system_facts::ParseOsRelease(osRelease);
  auto pretty = fields.find("PRETTY_NAME");
  if (pretty != fields.end() && !pretty->second.empty()) return pretty->second;
  auto name = fields.find("NAME");
  return name != fields.end() ? name->second : std::string();
}

std::string FormatVersionText(const OsVersionFacts& facts) {
  const std::string name = facts.name.empty() ? "Linux?" : facts.name;
  char buf[512];
  if (facts.name.empty() || !facts.hasBuild) {
    std::snprintf(buf, sizeof buf, "%s %d.%d", name.c_str(), facts.major, facts.minor);
  } else if (!facts.service.empty()) {
    std::snprintf(buf, sizeof buf, "%s %d.%d (Build %d: %s)", name.c_str(), facts.major,
                  facts.minor, facts.build, facts.service.c_str());
  } else {
    std::snprintf(buf, sizeof buf, "%s %d.%d (Build %d)", name.c_str(), facts.major, facts.minor,
                  facts.build);
  }
  return buf;
}

std::string GetWindowsVersionText() {
  OsVersionFacts facts;
  facts.name = OsNameFromOsRelease(platform::system_facts::OsReleaseText());
  const platform::system_facts::KernelIdentity kernel = platform::system_facts::RunningKernel();
  if (!kernel.release.empty()) ParseKernelRelease(kernel.release, facts);
  return FormatVersionText(facts);
}

}  // namespace foundation
