#pragma once
// Management queries of the local machine ("root/cimv2"), answered by the
// platform's management stand-in. Failures raise platform::wmi::WmiError.

#include <map>
#include <string>

namespace foundation {

class TWMIWrapper {
 public:
  // One object of a query's result: property name -> value as text.
  using ObjectSet = std::map<std::string, std::string>;

  TWMIWrapper();

  // Runs "SELECT * FROM " + className + " " + clause; failures raise unchanged.
  ObjectSet OpenClassEx(const std::string& className, const std::string& clause);

  // OpenClassEx; the result becomes the current set and the wrapper active.
  void OpenClass(const std::string& className, const std::string& clause);
  void Close();

  // The named property of the current object; raises when there is none.
  std::string GetString(const std::string& property) const;

  // The machine's fully qualified name: Name + "." + Domain of the computer
  // system, or the name alone when the machine has no domain.
  std::string GetFQDN();

  bool Active() const { return active_; }
  const std::string& ClassName() const { return className_; }

 private:
  ObjectSet objectSet_;
  std::string className_;
  bool active_ = false;
};

}  // namespace foundation
