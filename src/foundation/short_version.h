// The short "vMAJOR.MINOR" form of a file's version, shown to cashiers.
#pragma once

#include <string>
#include <string_view>

namespace foundation {

// "v%d.%d" with the major and minor numbers of the file's version record;
// empty when the file has none.
std::string GetFileVersionShort(const std::string& fileName);

// The same from a "%d.%d.%d.%d" version text; empty when it is not one.
std::string ShortVersionFromText(std::string_view versionText);

}  // namespace foundation
