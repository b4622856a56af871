#include "foundation/wmi_wrapper.h"

#include <cctype>

#include "foundation/text_convert.h"
#include "platform/wmi.h"

namespace foundation {
namespace {

bool SameTextNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

TWMIWrapper::TWMIWrapper() = default;

TWMIWrapper::ObjectSet TWMIWrapper::OpenClassEx(const std::string& className,
                                                const std::string& clause) {
  // The stand-in answers the one class the system queries; a clause narrowing
  // that single object is not supported.
  if (!SameTextNoCase(className, "Win32_ComputerSystem") || !TrimText(clause).empty()) {
    throw platform::wmi::WmiError();
  }
  platform::wmi::ComputerSystem cs = platform::wmi::QueryComputerSystem();
  return ObjectSet{{"Name", cs.name}, {"Domain", cs.domain}};
}

void TWMIWrapper::OpenClass(const std::string& className, const std::string& clause) {
  ObjectSet set = OpenClassEx(className, clause);
  objectSet_ = std::move(set);
  className_ = className;
  active_ = true;
}

void TWMIWrapper::Close() {
  objectSet_.clear();
  className_.clear();
  active_ = false;
}

std::string TWMIWrapper::GetString(const std::string& property) const {
  if (!active_) throw platform::wmi::WmiError();
  for (const auto& [name, value] : objectSet_) {
    if (SameTextNoCase(name, property)) return value;
  }
  throw platform::wmi::WmiError();
}

std::string TWMIWrapper::GetFQDN() {
  Close();
  OpenClass("Win32_ComputerSystem", "");
  std::string name = GetString("Name");
  std::string domain = TrimText(GetString("Domain"));
  return domain.empty() ? name : name + "." + domain;
}

}  // namespace foundation
