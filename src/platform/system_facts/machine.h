#pragma once
// Raw facts about the machine's hardware: the first processor's
// identification, the firmware's identification and the hardware addresses of
// the network adapters. Values are as the operating system reports them; a
// fact it does not expose is empty.

#include <string>
#include <string_view>
#include <vector>

namespace platform::system_facts {

struct CpuIdentity {
  std::string vendorId;   // e.g. "GenuineIntel"
  std::string family;     // decimal text, e.g. "6"
  std::string model;      // decimal text
  std::string stepping;   // decimal text
  std::string modelName;  // the full marketing name
};

// The first processor's fields of a /proc/cpuinfo text.
CpuIdentity ParseCpuInfo(std::string_view cpuinfoText);

// The running machine's first processor.
CpuIdentity FirstProcessor();

struct FirmwareIdentity {
  std::string biosVersion;
  std::string biosVendor;
  std::string biosDate;  // as the firmware writes it, usually "mm/dd/yyyy"
};

// The firmware's identification (DMI); fields the system hides are empty.
FirmwareIdentity Firmware();

struct NetworkAdapter {
  std::string name;                            // interface name, e.g. "eth0"
  std::vector<unsigned char> hardwareAddress;  // as many bytes as the link type has
};

// The non-loopback adapters that have a link-layer address, in the order the
// system lists them.
std::vector<NetworkAdapter> NetworkAdapters();

}  // namespace platform::system_facts
