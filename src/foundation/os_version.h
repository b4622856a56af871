#pragma once
// The operating-system version line of the log header: the system's name from
// /etc/os-release and the kernel release in the form
// "%s %d.%d (Build %d: %s)" (name, major, minor, build, the release's rest).

#include <string>
#include <string_view>

namespace foundation {

struct OsVersionFacts {
  std::string name;  // e.g. "Debian GNU/Linux 12 (bookworm)"; empty when unknown
  int major = 0;
  int minor = 0;
  int build = 0;
  bool hasBuild = false;  // the kernel release carried a third number
  std::string service;    // what follows the numbers, e.g. "18-amd64"
};

// Splits a kernel release such as "6.1.0-18-amd64" into the numbers and the rest.
void ParseKernelRelease(std::string_view release, OsVersionFacts& facts);

// PRETTY_NAME of an os-release text, else NAME, else empty.
std::string OsNameFromOsRelease(std::string_view osRelease);

// "%s %d.%d (Build %d: %s)" with a service text, "%s %d.%d (Build %d)" without
// one, "%s %d.%d" when the release has no build number. An unknown system
// name is written "Linux?".
std::string FormatVersionText(const OsVersionFacts& facts);

// The running system's line.
std::string GetWindowsVersionText();

}  // namespace foundation
