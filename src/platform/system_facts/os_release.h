#pragma once
// Raw facts about the running operating system: the kernel's release and
// version strings and the distribution's os-release fields.

#include <map>
#include <string>
#include <string_view>

namespace platform::system_facts {

struct KernelIdentity {
  std::string release;  // e.g. "6.1.0-18-amd64"; empty when unknown
  std::string version;  // e.g. "#1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1"
};

// The running kernel.
KernelIdentity RunningKernel();

// KEY=value lines of an os-release text, a quoted value unquoted; a key given
// twice keeps its last value. Lines without '=' are left out.
std::map<std::string, std::string> ParseOsRelease(std::string_view osReleaseText);

// The os-release text: /etc/os-release, else /usr/lib/os-release; empty when
// neither has any.
std::string OsReleaseText();

}  // namespace platform::system_facts
