#include "platform/system_facts/machine.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netpacket/packet.h>
#include <sys/socket.h>

#include "platform/system_facts/system_file.h"
#include "platform/text.h"

namespace platform::system_facts {
namespace {

std::string DmiFact(const char* name) {
  return std::string(TrimControls(ReadSystemFileText(std::string("/sys/class/dmi/id/") + name)));
}

}  // namespace

CpuIdentity ParseCpuInfo(std::string_view text) {
  CpuIdentity cpu;
  size_t pos = 0;
  std::string_view line;
  while (NextLine(text, pos, line)) {
    if (TrimControls(line).empty()) {
      // A blank line ends a processor's section; only the first one counts.
      if (!cpu.vendorId.empty() || !cpu.modelName.empty()) break;
      continue;
    }
    size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    std::string key(TrimControls(line.substr(0, colon)));
    std::string value(TrimControls(line.substr(colon + 1)));
    if (key == "vendor_id")
      cpu.vendorId = value;
    else if (key == "cpu family")
      cpu.family = value;
    else if (key == "model")
      cpu.model = value;
    else if (key == "stepping")
      cpu.stepping = value;
    else if (key == "model name")
      cpu.modelName = value;
  }
  return cpu;
}

CpuIdentity FirstProcessor() {
  return ParseCpuInfo(ReadSystemFileText("/proc/cpuinfo"));
}

FirmwareIdentity Firmware() {
  return {DmiFact("bios_version"), DmiFact("bios_vendor"), DmiFact("bios_date")};
}

std::vector<NetworkAdapter> NetworkAdapters() {
  std::vector<NetworkAdapter> out;
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return out;
  for (ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
    if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_PACKET) continue;
    if ((a->ifa_flags & IFF_LOOPBACK) != 0) continue;
    const auto* ll = reinterpret_cast<const sockaddr_ll*>(a->ifa_addr);
    size_t length = ll->sll_halen;
    if (length > sizeof ll->sll_addr) length = sizeof ll->sll_addr;
    NetworkAdapter adapter;
    adapter.name = a->ifa_name != nullptr ? a->ifa_name : "";
    adapter.hardwareAddress.assign(ll->sll_addr, ll->sll_addr + length);
    out.push_back(std::move(adapter));
  }
  ::freeifaddrs(list);
  return out;
}

}  // namespace platform::system_facts
