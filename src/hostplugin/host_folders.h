#pragma once
// Where the host is installed and where this workstation's configuration
// folder (home of the plug-ins' debug logs) lives, plus the small text helpers
// those need.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/com/variant.h"

namespace hostplugin {

// The host's installation folder from the local-machine registry: "INSTALLPATH"
// of the first existing version key under "SOFTWARE\Retail Pro\CE\RPro9"
// ("9.40", "9.30", "9.20 R6", "9.20 R2", "9.20"), else of its first subkey;
// "c:\RetailPro9" when no key or value is found.
std::string GetRProInstallPath();

// The host executable's folder and the install folder, each ending with a
// separator. True when the two differ (compared upper-cased).
bool GetHostPaths(std::string& exeFolder, std::string& installFolder);

// The value of a command-line switch given as "name=value" or "name:value"
// (name compared upper-cased). A leading "-" or "/" of an argument is ignored
// unless the switch name itself begins with it. Empty when absent.
std::string GetSwitchValue(const std::string& switchName);

// Every character of `chars` in `text` replaced by `replacement`.
std::string ReplaceChars(std::string_view text, std::string_view chars, char replacement);

// One value of JoinStrings, converted to text when it is made.
class JoinValue {
 public:
  JoinValue(int32_t value) : text_(std::to_string(value)) {}
  JoinValue(int64_t value) : text_(std::to_string(value)) {}
  JoinValue(uint32_t value) : text_(std::to_string(value)) {}
  JoinValue(char value) : text_(1, value) {}
  JoinValue(bool value) : text_(value ? "True" : "False") {}
  JoinValue(double value);
  JoinValue(const char* value) : text_(value != nullptr ? value : "") {}
  JoinValue(std::string_view value) : text_(value) {}
  JoinValue(const std::string& value) : text_(value) {}
  JoinValue(const CY& value);
  JoinValue(const Variant& value) : text_(value.ToString()) {}

  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

// The values joined with `separator`, without doubling a separator that is
// already present at a joint.
std::string JoinStrings(std::initializer_list<JoinValue> values, std::string_view separator);

// Runs "SELECT * FROM " + className in "root\cimv2" and answers the property
// of the first object. Any failure throws platform::wmi::WmiError
// ("Thrown: WMI Failure").
std::string WMIQuery(const std::string& className, const std::string& propertyName);

// The switch "FQDN" when given; else domain + "_" + name of the computer
// system (each trimmed) with every blank, "-", ".", "/" and "\" made "_".
std::string GetFQDN();

// <"/WSCFGDIR" switch or the host executable's folder>/Workstations/<GetFQDN>.
// Missing folders are created; `created` tells whether one had to be. Throws
// std::filesystem::filesystem_error when a folder cannot be created.
std::string GetWorkstationConfigDir(bool& created);

}  // namespace hostplugin
