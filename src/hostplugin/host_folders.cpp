#include "hostplugin/host_folders.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

#include "foundation/helpers_text.h"
#include "platform/process.h"
#include "platform/registry/registry.h"
#include "platform/wmi.h"

namespace hostplugin {
namespace {

namespace fs = std::filesystem;
namespace reg = platform::registry;

constexpr const char* kHostBaseKey = "SOFTWARE\\Retail Pro\\CE\\RPro9";
constexpr const char* kVersionKeys[] = {"\\9.40", "\\9.30", "\\9.20 R6", "\\9.20 R2", "\\9.20"};
constexpr const char* kDefaultInstallPath = "c:\\RetailPro9";

using foundation::helpers::TrimText;
using foundation::helpers::UpperAscii;

bool EndsWithSeparator(const std::string& path) {
  return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

bool CreateFolder(const fs::path& folder) {
  if (fs::is_directory(folder)) return false;
  return fs::create_directories(folder);
}

}  // namespace

std::string GetRProInstallPath() {
  std::string key;
  for (const char* version : kVersionKeys) {
    std::string candidate = std::string(kHostBaseKey) + version;
    if (reg::KeyExists(reg::Root::LocalMachine, candidate)) {
      key = candidate;
      break;
    }
  }
  if (key.empty()) {
    std::vector<std::string> subkeys = reg::SubKeyNames(reg::Root::LocalMachine, kHostBaseKey);
    if (!subkeys.empty()) key = std::string(kHostBaseKey) + "\\" + subkeys.front();
  }
  if (key.empty()) return kDefaultInstallPath;
  std::optional<std::string> path = reg::ReadString(reg::Root::LocalMachine, key, "INSTALLPATH");
  if (!path) return kDefaultInstallPath;
  return *path;
}

bool GetHostPaths(std::string& exeFolder, std::string& installFolder) {
  exeFolder = platform::ExecutableFolder();
  installFolder = GetRProInstallPath();
  if (!EndsWithSeparator(installFolder)) installFolder += '/';
  return UpperAscii(exeFolder) != UpperAscii(installFolder);
}

std::string GetSwitchValue(const std::string& switchName) {
  if (switchName.empty()) return {};
  std::string wanted = UpperAscii(switchName);
  std::vector<std::string> args = platform::CommandLineArgs();
  for (size_t i = 1; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (!arg.empty() && (arg[0] == '-' || arg[0] == '/') && switchName[0] != arg[0]) {
      arg.remove_prefix(1);
    }
    if (arg.size() <= wanted.size()) continue;
    if (UpperAscii(arg.substr(0, wanted.size())) != wanted) continue;
    char separator = arg[wanted.size()];
    if (separator == ':' || separator == '=') return std::string(arg.substr(wanted.size() + 1));
  }
  return {};
}

std::string ReplaceChars(std::string_view text, std::string_view chars, char replacement) {
  std::string result(text);
  for (char& c : result) {
    if (chars.find(c) != std::string_view::npos) c = replacement;
  }
  return result;
}

JoinValue::JoinValue(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", value);
  text_ = buf;
}

JoinValue::JoinValue(const CY& value) {
  int64_t whole = value.int64 / 10000;
  int64_t fraction = value.int64 % 10000;
  bool negative = value.int64 < 0;
  if (fraction < 0) fraction = -fraction;
  if (whole < 0) whole = -whole;
  text_ = (negative ? "-" : "") + std::to_string(whole);
  if (fraction != 0) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04lld", static_cast<long long>(fraction));
    std::string frac(digits);
    while (!frac.empty() && frac.back() == '0') frac.pop_back();
    text_ += "." + frac;
  }
}

std::string JoinStrings(std::initializer_list<JoinValue> values, std::string_view separator) {
  std::string result;
  bool first = true;
  for (const JoinValue& value : values) {
    const std::string& text = value.Text();
    if (first || separator.empty()) {
      result += text;
      first = false;
      continue;
    }
    bool endsWith =
        result.size() >= separator.size() &&
        result.compare(result.size() - separator.size(), separator.size(), separator) == 0;
    bool startsWith = text.compare(0, separator.size(), separator) == 0;
    if (endsWith && startsWith) {
      result += text.substr(separator.size());
    } else if (endsWith || startsWith) {
      result += text;
    } else {
      result.append(separator);
      result += text;
    }
  }
  return result;
}

std::string WMIQuery(const std::string& className, const std::string& propertyName) {
  if (UpperAscii(className) != "WIN32_COMPUTERSYSTEM") throw platform::wmi::WmiError();
  platform::wmi::ComputerSystem system = platform::wmi::QueryComputerSystem();
  std::string property = UpperAscii(propertyName);
  if (property == "NAME") return system.name;
  if (property == "DOMAIN") return system.domain;
  throw platform::wmi::WmiError();
}

std::string GetFQDN() {
  std::string given = GetSwitchValue("FQDN");
  if (!given.empty()) return given;
  std::string domain = TrimText(WMIQuery("Win32_ComputerSystem", "Domain"));
  std::string name = TrimText(WMIQuery("Win32_ComputerSystem", "Name"));
  return ReplaceChars(domain + "_" + name, " -./\\", '_');
}

std::string GetWorkstationConfigDir(bool& created) {
  created = false;
  std::string base = GetSwitchValue("/WSCFGDIR");
  if (base.empty()) base = platform::ExecutableFolder();
  fs::path workstations = fs::path(base) / "Workstations";
  if (CreateFolder(workstations)) created = true;
  fs::path folder = workstations / GetFQDN();
  if (CreateFolder(folder)) created = true;
  return folder.string();
}

}  // namespace hostplugin
