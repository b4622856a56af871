#include "oracle/client/oracle_home.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "oracle/client/client_settings.h"
#include "oracle/client/critical_section.h"
#include "oracle/client/oci_library_names.h"
#include "oracle/client/oci_loader_state.h"

namespace oracle {

namespace {

using platform::registry::Root;

constexpr const char* kOracleKey = "SOFTWARE\\ORACLE";
constexpr const char* kAllHomesKey = "SOFTWARE\\ORACLE\\ALL_HOMES";
constexpr int kMaxHomeKeys = 1000;

std::vector<OracleHomeEntry> g_homes;

bool LessNoCase(const std::string& a, const std::string& b) {
  return UpperCase(a) < UpperCase(b);
}

void AddHome(const std::string& name, int index) {
  auto at = std::lower_bound(
      g_homes.begin(), g_homes.end(), name,
      [](const OracleHomeEntry& e, const std::string& n) { return LessNoCase(e.name, n); });
  if (at != g_homes.end() && UpperCase(at->name) == UpperCase(name)) return;
  g_homes.insert(at, OracleHomeEntry{name, index});
}

bool HomeHasLibraryFolder(const std::string& home) {
  return FolderExists(JoinPath(home, kHomeLibraryFolder));
}

std::string HomeKey(const OracleHomeEntry& home) {
  if (home.index == -1) return std::string(kOracleKey) + "\\KEY_" + home.name;
  return std::string(kOracleKey) + "\\HOME" + std::to_string(home.index);
}

// Strict decimal integer, as the registry counter is written.
bool ToInteger(const std::string& text, int& out) {
  if (text.empty() || text.size() > 9) return false;
  std::size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (i == text.size()) return false;
  long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  out = static_cast<int>(text[0] == '-' ? -value : value);
  return true;
}

// Folder in which the library search path holds the client library, without
// a trailing '/'; empty when it holds none.
std::string SearchClientOnLibraryPath() {
  const std::string path = EnvironmentValue(kLibrarySearchPathVariable);
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    std::string folder = path.substr(start, end - start);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    // An empty entry would mean the current directory; it is not searched.
    if (!folder.empty() && FileExists(JoinPath(folder, kClientLibraryName))) return folder;
    start = end + 1;
  }
  return {};
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

bool FolderExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_directory(path, ec);
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::exists(path, ec) &&
         !std::filesystem::is_directory(path, ec);
}

const std::vector<OracleHomeEntry>& OracleHomeList() {
  return g_homes;
}

void ClearOracleHomeList() {
  g_homes.clear();
}

void EnumOracleHomes() {
  OracleLockGuard guard(LoaderLock());
  g_homes.clear();
  int remaining = 0;
  if (ToInteger(ReadRegistryString(Root::LocalMachine, kAllHomesKey, "HOME_COUNTER"), remaining)) {
    remaining = std::max(remaining, 1);
    for (int i = 0; i != kMaxHomeKeys && remaining > 0; ++i) {
      const std::string key = std::string(kOracleKey) + "\\HOME" + std::to_string(i);
      const std::string home = ReadRegistryString(Root::LocalMachine, key, "ORACLE_HOME");
      const std::string name = ReadRegistryString(Root::LocalMachine, key, "ORACLE_HOME_NAME");
      if (!home.empty() && !name.empty() && HomeHasLibraryFolder(home)) {
        AddHome(name, i);
        --remaining;
      }
    }
  }
  std::vector<std::string> subKeys;
  try {
    subKeys = platform::registry::SubKeyNames(Root::LocalMachine, kOracleKey);
  } catch (const std::exception&) {
    subKeys.clear();  // an unreadable registry lists no homes
  }
  for (const std::string& sub : subKeys) {
    if (sub.size() < 4 || UpperCase(sub.substr(0, 4)) != "KEY_") continue;
    const std::string home =
        ReadRegistryString(Root::LocalMachine, std::string(kOracleKey) + "\\" + sub, "ORACLE_HOME");
    if (!home.empty() && HomeHasLibraryFolder(home)) AddHome(sub.substr(4), -1);
  }
}

std::string FindOracleHome() {
  OracleLockGuard guard(LoaderLock());
  if (!OracleHomeKey.empty()) return OracleHomeKey;
  EnumOracleHomes();
  std::string key;
  if (!g_homes.empty()) {
    std::string requested = UpperCase(GetCommandLineValue("ORACLEHOME"));
    if (requested.empty()) requested = UpperCase(OracleHomeName);
    OracleHomeNameFound = false;
    const std::string searchPath = UpperCase(EnvironmentValue(kLibrarySearchPathVariable));
    std::size_t best = searchPath.size();
    const OracleHomeEntry* chosen = nullptr;
    for (const OracleHomeEntry& entry : g_homes) {
      if (!requested.empty() && UpperCase(entry.name) == requested) {
        chosen = &entry;
        break;
      }
      const std::string home =
          ReadRegistryString(Root::LocalMachine, HomeKey(entry), "ORACLE_HOME");
      if (home.empty()) continue;
      // The home whose library folder comes earliest in the search path wins.
      const std::size_t at = searchPath.find(UpperCase(JoinPath(home, kHomeLibraryFolder)));
      if (at != std::string::npos && at < best) {
        chosen = &entry;
        best = at;
      }
    }
    if (chosen == nullptr) chosen = &g_homes.back();
    key = HomeKey(*chosen);
    if (OracleHomeName.empty()) {
      OracleHomeName = chosen->name;
      OracleHomeNameFound = true;
    }
  } else {
    key = kOracleKey;
  }
  const std::string home = ReadRegistryString(Root::LocalMachine, key, "ORACLE_HOME");
  if (!home.empty() && HomeHasLibraryFolder(home)) {
    OracleHomeKey = key;
    return key;
  }
  OracleHomeKey.clear();
  return {};
}

std::string FindOCIDllInHome() {
  OracleLockGuard guard(LoaderLock());
  OracleHomeHasBin = true;
  const std::string key = FindOracleHome();
  std::string home;
  if (!key.empty()) home = ReadRegistryString(Root::LocalMachine, key, "ORACLE_HOME");
  if (!home.empty()) return home;

  OracleHomeKey.clear();
  home = EnvironmentValue("ORACLE_HOME");
  if (!home.empty() && home != ".") {
    OracleHomeHasBin = HomeHasLibraryFolder(home);
    return home;
  }
  const std::string folder = SearchClientOnLibraryPath();
  const std::string libSuffix = std::string("/") + UpperCase(kHomeLibraryFolder);
  if (folder.size() > libSuffix.size() &&
      UpperCase(folder.substr(folder.size() - libSuffix.size())) == libSuffix) {
    OracleHomeHasBin = true;
    return folder.substr(0, folder.size() - libSuffix.size());
  }
  OracleHomeHasBin = false;
  return folder;
}

}  // namespace oracle
