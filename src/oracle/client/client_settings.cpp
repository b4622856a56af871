#include "oracle/client/client_settings.h"

#include <cctype>
#include <cstdlib>
#include <exception>

#include "platform/process.h"

namespace oracle {

namespace {

constexpr std::size_t kMaxCommandLineValue = 255;
constexpr std::size_t kRegistryBufferSize = 1024;

}  // namespace

std::string GetCommandLineValue(std::string_view name) {
  if (name.empty()) return {};
  const std::string wanted = UpperCase(name) + "=";
  const std::vector<std::string> args = platform::CommandLineArgs();
  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string_view param = args[i];
    if (!param.empty() && (param.front() == '/' || param.front() == '-')) param.remove_prefix(1);
    if (param.size() < wanted.size()) continue;
    if (UpperCase(param.substr(0, wanted.size())) != wanted) continue;
    return std::string(param.substr(wanted.size(), kMaxCommandLineValue));
  }
  return {};
}

std::string ReadRegistryString(platform::registry::Root root, std::string_view key,
                               std::string_view valueName, long* resultCode) {
  long code = kRegistryOk;
  std::string value;
  try {
    std::optional<std::string> read = platform::registry::ReadString(root, key, valueName);
    if (!read) {
      code = kRegistryNotFound;
    } else if (read->size() + 1 > kRegistryBufferSize) {
      code = kRegistryMoreData;
    } else {
      value = std::move(*read);
      // A stored value ends at its first zero character, as a C string does.
      value.resize(std::char_traits<char>::length(value.c_str()));
    }
  } catch (const std::exception&) {
    // A damaged or unreadable registry file reads as an absent value.
    code = kRegistryInvalidData;
  }
  if (resultCode != nullptr) *resultCode = code;
  return value;
}

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

}  // namespace oracle
