#pragma once
// The one management query the system makes: the computer system's name and
// DNS domain. Answered from the operating system.

#include <functional>
#include <stdexcept>
#include <string>

namespace platform::wmi {

struct ComputerSystem {
  std::string name;    // host name, without domain
  std::string domain;  // DNS domain; empty when the machine has none
};

// Any failure of the query raises this, with the text "Thrown: WMI Failure".
class WmiError : public std::runtime_error {
 public:
  WmiError() : std::runtime_error("Thrown: WMI Failure") {}
};

// Query of Win32_ComputerSystem for "Name" and "Domain".
ComputerSystem QueryComputerSystem();

// Tests replace the answer; an empty function restores the operating system's.
using ComputerSystemProvider = std::function<ComputerSystem()>;
void SetComputerSystemProvider(ComputerSystemProvider provider);

}  // namespace platform::wmi
