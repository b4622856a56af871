#include "foundation/os_version.h"

#include <sys/utsname.h>
#include <cstdio>

#include "foundation/system_file_text.h"

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

std::string Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
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
  std::string pretty;
  std::string name;
  size_t pos = 0;
  while (pos < osRelease.size()) {
    size_t eol = osRelease.find('\n', pos);
    if (eol == std::string_view::npos) eol = osRelease.size();
    std::string_view line = osRelease.substr(pos, eol - pos);
    pos = eol + 1;
    if (line.rfind("PRETTY_NAME=", 0) == 0) pretty = Unquote(line.substr(12));
    if (line.rfind("NAME=", 0) == 0) name = Unquote(line.substr(5));
  }
  return pretty.empty() ? name : pretty;
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
  facts.name = OsNameFromOsRelease(ReadOsReleaseText());
  utsname uts{};
  if (::uname(&uts) == 0) ParseKernelRelease(uts.release, facts);
  return FormatVersionText(facts);
}

}  // namespace foundation
