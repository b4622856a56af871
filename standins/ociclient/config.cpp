#include "config.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/text.h"

namespace ocistandin {
namespace {

constexpr std::string_view kSpaces = " \t\n\v\f\r";

// A path of the configuration file: relative ones to the file's folder.
std::string relativeTo(const std::string& configPath, const std::string& value) {
  std::filesystem::path file(value);
  if (file.is_relative()) file = std::filesystem::path(configPath).parent_path() / file;
  return file.lexically_normal().string();
}

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
    } else if (key.rfind("@DIRECTORY ", 0) == 0) {
      const std::string name = std::string(platform::Trim(key.substr(11), kSpaces));
      if (!name.empty()) parsed.directories[name] = relativeTo(path, value);
    } else if (!key.empty() && key == wanted && !found) {
      found = relativeTo(path, value);
    }
  }
  if (config != nullptr) *config = parsed;
  return found;
}

ClientConfig currentConfig() {
  ClientConfig config;
  resolveAlias({}, &config);  // an empty identifier matches no line
  return config;
}

}  // namespace ocistandin
