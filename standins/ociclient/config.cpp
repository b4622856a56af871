#include "config.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace ocistandin {
namespace {

std::string trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
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
  const std::string wanted = upper(trim(alias));
  std::optional<std::string> found;
  ClientConfig parsed;
  parsed.sourcePath = path;
  std::string line;
  while (std::getline(in, line)) {
    const auto hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = upper(trim(line.substr(0, eq)));
    const std::string value = trim(line.substr(eq + 1));
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
