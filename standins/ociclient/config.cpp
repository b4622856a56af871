#include "config.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/text.h"

namespace ocistandin {
namespace {

constexpr std::string_view kSpaces = " \t\n\v\f\r";

}  // namespace

std::string configFilePath() {
  if (const char* explicitPath = std::getenv("NORVANE_OCI_CONFIG");
      explicitPath != nullptr && *explicitPath != '\0')
    return explicitPath;
  if (const char* home = std::getenv("ORACLE_HOME"); home != nullptr && *home != '\0')
    return (std::filesystem::path(home) / "network" / "admin" / "ociclient.conf").string();
  return {};
}

std::optional<std::string> resolveAlias(const std::string& alias, ClientConfig* config) {
  const std::string path = configFilePath();
  if (path.empty()) return std::nullopt;
  std::ifstream in(path);
  if (!in) return std::nullopt;
  const std::string wanted = platform::UpperAscii(platform::Trim(alias, kSpaces));
  std::optional<std::string> found;
  ClientConfig parsed;
  parsed.sourcePath = path;
  std::string line;
  while (std::getline(in, line)) {
    const auto hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = platform::UpperAscii(platform::Trim(line.substr(0, eq), kSpaces));
    const std::string value = std::string(platform::Trim(line.substr(eq + 1), kSpaces));
    if (key == "@BUSY_TIMEOUT_MS") {
      const int ms = std::atoi(value.c_str());
      if (ms >= 0 && ms <= 60000) parsed.busyTimeoutMs = ms;
    } else if (!key.empty() && key == wanted && !found) {
      std::filesystem::path file(value);
      if (file.is_relative()) file = std::filesystem::path(path).parent_path() / file;
      found = file.lexically_normal().string();
    }
  }
  if (config != nullptr) *config = parsed;
  return found;
}

}  // namespace ocistandin
