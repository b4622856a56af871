#include "foundation/wmi_wrapper.h"

#include "foundation/helpers_text.h"
#include "platform/wmi.h"

namespace foundation {
TWMIWrapper::TWMIWrapper() = default;

TWMIWrapper::ObjectSet TWMIWrapper::OpenClassEx(const std::string& className,
                                                const std::string& clause) {
  // The stand-in answers the one class the system queries; a clause narrowing
  // that single object is not supported.
  if (helpers::UpperAscii(className) != "WIN32_COMPUTERSYSTEM" ||
      !helpers::TrimText(clause).empty()) {
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
    if (helpers::UpperAscii(name) == helpers::UpperAscii(property)) return value;
  }
  throw platform::wmi::WmiError();
}

std::string TWMIWrapper::GetFQDN() {
  Close();
  OpenClass("Win32_ComputerSystem", "");
  std::string name = GetString("Name");
  std::string domain = helpers::TrimText(GetString("Domain"));
  return domain.empty() ? name : name + "." + domain;
}

}  // namespace foundation
