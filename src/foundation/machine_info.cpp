#include "foundation/machine_info.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netpacket/packet.h>
#include <sys/socket.h>
#include <QLocale>
#include <QString>

#include "foundation/drives.h"
#include "foundation/helpers_text.h"
#include "foundation/os_version.h"
#include "foundation/system_file_text.h"
#include "platform/wmi.h"

namespace foundation {
namespace {

std::string DmiFact(const char* name) {
  return helpers::TrimText(ReadSystemFileText(std::string("/sys/class/dmi/id/") + name));
}

struct VendorEntry {
  std::string_view id;
  int vendorClass;
  std::string_view shortName;
};

constexpr VendorEntry kVendors[] = {
    {"GenuineIntel", 1, "Intel"},     {"CyrixInstead", 2, "Cyrix"}, {"AuthenticAMD", 3, "AMD"},
    {"GenuineTMx86", 4, "Transmeta"}, {"CentaurHauls", 5, "VIA"},   {"VIA VIA VIA ", 5, "VIA"},
};

std::vector<std::string> MacAddresses() {
  std::vector<std::string> out;
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return out;
  for (ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
    if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_PACKET) continue;
    if ((a->ifa_flags & IFF_LOOPBACK) != 0) continue;
    const auto* ll = reinterpret_cast<const sockaddr_ll*>(a->ifa_addr);
    std::string mac = FormatMacAddress(ll->sll_addr, ll->sll_halen);
    if (!mac.empty() && mac != "00-00-00-00-00-00") out.push_back(mac);
  }
  ::freeifaddrs(list);
  return out;
}

}  // namespace

ComputerIdentity GetComputerIdentity() {
  platform::wmi::ComputerSystem cs = platform::wmi::QueryComputerSystem();
  return {cs.name, cs.domain};
}

std::string SystemLanguageName() {
  QLocale locale = QLocale::system();
  if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage) {
    return "[could not be determined]";
  }
  QString text = QLocale::languageToString(locale.language());
  if (locale.territory() != QLocale::AnyTerritory) {
    text += " (" + QLocale::territoryToString(locale.territory()) + ")";
  }
  return text.toStdString();
}

std::string SystemLocaleLanguageEnglish() {
  QLocale locale = QLocale::system();
  if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage) return {};
  return QLocale::languageToString(locale.language()).toStdString();
}

CpuFacts ParseCpuInfo(std::string_view text) {
  CpuFacts cpu;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t eol = text.find('\n', pos);
    if (eol == std::string_view::npos) eol = text.size();
    std::string_view line = text.substr(pos, eol - pos);
    pos = eol + 1;
    if (helpers::TrimText(line).empty()) {
      if (!cpu.vendor.empty() || !cpu.name.empty()) break;  // first processor only
      continue;
    }
    size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    std::string key = helpers::TrimText(line.substr(0, colon));
    std::string value = helpers::TrimText(line.substr(colon + 1));
    if (key == "vendor_id")
      cpu.vendor = value;
    else if (key == "cpu family")
      cpu.family = value;
    else if (key == "model")
      cpu.model = value;
    else if (key == "stepping")
      cpu.step = value;
    else if (key == "model name")
      cpu.name = value.substr(0, 47);
  }
  for (const auto& v : kVendors) {
    if (cpu.vendor == v.id) {
      cpu.vendorClass = v.vendorClass;
      cpu.manufacturer = std::string(v.shortName);
    }
  }
  return cpu;
}

std::string FormatMacAddress(const unsigned char* bytes, size_t length) {
  if (bytes == nullptr || length != 6) return {};
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < 6; ++i) {
    if (i != 0) out.push_back('-');
    out.push_back(kDigits[bytes[i] >> 4]);
    out.push_back(kDigits[bytes[i] & 0xF]);
  }
  return out;
}

std::string FormatBiosDate(std::string_view date) {
  if (date.size() != 10 || date[2] != '/' || date[5] != '/') return {};
  for (size_t i : {0, 1, 3, 4, 6, 7, 8, 9}) {
    if (date[i] < '0' || date[i] > '9') return {};
  }
  return std::string(date) + " 00:00:00";
}

std::vector<std::string> MachineBlockLines() {
  std::vector<std::string> lines;
  CpuFacts cpu = ParseCpuInfo(ReadSystemFileText("/proc/cpuinfo"));
  lines.push_back("CPU      : " + std::to_string(cpu.vendorClass));
  lines.push_back("     Processor    : " + cpu.processorType);
  lines.push_back("     Family       : " + cpu.family);
  lines.push_back("     Model        : " + cpu.model);
  lines.push_back("     Step         : " + cpu.step);
  lines.push_back("     Vendor       : " + cpu.vendor);
  lines.push_back("     Manufacturer : " + cpu.manufacturer);
  lines.push_back("     Name         : " + cpu.name);

  lines.push_back("BIOS     : " + DmiFact("bios_version"));
  lines.push_back("     Copyright    : " + DmiFact("bios_vendor"));
  lines.push_back("     Extended     : ");
  lines.push_back("     Date         : " + FormatBiosDate(DmiFact("bios_date")));

  lines.push_back("Windows  : " + OsNameFromOsRelease(ReadOsReleaseText()));
  lines.push_back("     Service pack : ");
  lines.push_back("     Owner        : ");
  lines.push_back("     Registered to: ");

  lines.push_back("MAC addresses:");
  for (const std::string& mac : MacAddresses()) lines.push_back("     " + mac);

  for (const MountedFileSystem& mount : ListStorageMounts()) {
    DriveInfo info;
    GetDriveInfoText(mount, info);
    lines.push_back(mount.mountPoint + "    :");
    lines.push_back("     Owner        : ");
    lines.push_back("     Type         :" + info.typeText);
    lines.push_back("     VolumeInfo   :" + info.volumeInfo);
    lines.push_back("     SerialNo     :" + info.serialNo);
    lines.push_back("     ReadWrite    :" + info.readWrite);
    lines.push_back("     DriveSize    :" + std::to_string(info.size));
    lines.push_back("     DriveFree    :" + std::to_string(info.free));
  }
  return lines;
}

}  // namespace foundation
