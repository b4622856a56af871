#pragma once
// Small readers of process and machine settings used across the Oracle
// library: host command-line values, registry strings and environment
// variables.

#include <string>
#include <string_view>

#include "platform/registry/registry.h"
#include "platform/text.h"

namespace oracle {

// Value of a host command-line parameter written as NAME=value (an optional
// leading "/" or "-" is allowed; the name is matched without regard to letter
// case). The value is the text after the first "=", in the case in which it
// was given, cut at 255 characters. The first matching parameter wins; no
// match gives an empty text. argv[0] is never matched.
std::string GetCommandLineValue(std::string_view name);

// Result codes of ReadRegistryString (the registry's own codes).
constexpr long kRegistryOk = 0;
constexpr long kRegistryNotFound = 2;
constexpr long kRegistryInvalidData = 13;
constexpr long kRegistryMoreData = 234;

// One string value of the registry; empty when the key or value is absent,
// when the registry file cannot be read, or when the value does not fit the
// 1024-byte buffer the library reads into (1023 characters and the
// terminating zero). `resultCode`, when given, receives one of the codes above.
std::string ReadRegistryString(platform::registry::Root root, std::string_view key,
                               std::string_view valueName, long* resultCode = nullptr);

// An environment variable's value; empty when unset.
std::string EnvironmentValue(const char* name);

// Upper-cases ASCII letters.
inline std::string UpperCase(std::string_view text) {
  return platform::UpperAscii(text);
}

}  // namespace oracle
