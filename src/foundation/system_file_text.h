#pragma once
// Best-effort reading of the small text files the system facts come from
// (/proc, /sys, os-release). A fact that cannot be read is simply empty.

#include <string>

namespace foundation {

// The whole text of a file; empty when it cannot be opened.
std::string ReadSystemFileText(const std::string& path);

// The os-release text: /etc/os-release, else /usr/lib/os-release; empty when
// neither has any.
std::string ReadOsReleaseText();

}  // namespace foundation
