#include "oracle/client/oci_library_choice.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "oracle/client/client_settings.h"
#include "oracle/client/critical_section.h"
#include "oracle/client/oci_library_names.h"
#include "oracle/client/oci_loader_state.h"
#include "oracle/client/oracle_home.h"

namespace oracle {

namespace {

std::vector<std::string> VersionedClientsIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec);
  if (ec) return names;
  for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    std::string name = it->path().filename().string();
    if (MatchesVersionedClientPattern(name)) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

void AddLoadTrace(const std::string& line) {
  OracleLockGuard guard(LoaderLock());
  if (!OCILoadTrace.empty()) OCILoadTrace += "\r\n";
  OCILoadTrace += line;
}

std::vector<std::string> FindOCIDllOnPath(const std::string& home) {
  OracleLockGuard guard(LoaderLock());
  std::vector<std::string> list;
  if (home.empty()) return list;
  for (;;) {
    std::string folder = home;
    if (OracleHomeHasBin) folder = JoinPath(folder, kHomeLibraryFolder);
    if (FileExists(JoinPath(folder, kClientLibraryName))) {
      AddLoadTrace(std::string("Found: ") + kClientLibraryName);
      list.push_back(JoinPath(folder, kClientLibraryName));
    }
    for (const std::string& name : VersionedClientsIn(folder)) {
      if (!ClientLibraryVersion(name)) continue;
      AddLoadTrace("Found: " + name);
      list.push_back(JoinPath(folder, name));
    }
    if (!list.empty() || !OracleHomeHasBin) break;
    OracleHomeHasBin = false;
  }
  return list;
}

std::string ChooseOCIDll(const std::vector<std::string>& candidates,
                         const std::string& upperExclude) {
  const std::string genericUpper = UpperCase(kClientLibraryName);
  for (int pass = 1; pass <= 2; ++pass) {
    std::string chosen;
    double best = 0.0;
    for (const std::string& candidate : candidates) {
      const std::string upperName = UpperCase(FileNameOf(candidate));
      if (pass == 1 && upperExclude.find('"' + upperName + '"') != std::string::npos) continue;
      if (upperName == genericUpper) {
        chosen = candidate;
        break;
      }
      std::optional<double> version = ClientLibraryVersion(FileNameOf(candidate));
      if (version && *version > best) {
        best = *version;
        chosen = candidate;
      }
    }
    if (!chosen.empty()) return chosen;
  }
  return {};
}

OCILoadStatus SelectOCIDll() {
  OracleLockGuard guard(LoaderLock());
  OCIDLLFoundBySearch = false;
  OCIDLLExclude = UpperCase(OCIDLLExclude);
  const std::string forced = GetCommandLineValue("OCIDLL");
  if (!forced.empty()) OCIDLL = forced;
  if (!OCIDLL.empty()) {
    AddLoadTrace("OCIDLL forced to " + OCIDLL);
    return OCILoadStatus::Ok;
  }
  OracleHomeDir = FindOCIDllInHome();
  AddLoadTrace("OracleHomeKey: " + OracleHomeKey);
  AddLoadTrace("OracleHomeDir: " + OracleHomeDir);
  if (OracleHomeDir.empty()) return OCILoadStatus::NoOracleHome;
  const std::vector<std::string> candidates = FindOCIDllOnPath(OracleHomeDir);
  const std::string chosen = ChooseOCIDll(candidates, OCIDLLExclude);
  if (chosen.empty()) return OCILoadStatus::NotFound;
  OCIDLL = chosen;
  OCIDLLFoundBySearch = true;
  AddLoadTrace("Using: " + OCIDLL);
  return OCILoadStatus::Ok;
}

}  // namespace oracle
