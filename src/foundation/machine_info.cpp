#include "foundation/machine_info.h"

#include <QLocale>
#include <QString>

#include "foundation/drives.h"
#include "foundation/os_version.h"
#include "platform/system_facts/machine.h"
#include "platform/system_facts/os_release.h"
#include "platform/wmi.h"

namespace foundation {
namespace {

struct VendorEntry {
  std::string_view id;
  int vendorClass;
  std::string_view shortName;
};

constexpr VendorEntry kVendors[] = {
    {"GenuineIntel", 1, "Intel"},     {"CyrixInstead", 2, "Cyrix"}, {"AuthenticAMD", 3, "AMD"},
    {"GenuineTMx86", 4, "Transmeta"}, {"CentaurHauls", 5, "VIA"},   {"VIA VIA VIA ", 5, "VIA"},
};

// The adapters' addresses in the log's form; an all-zero address (an adapter
// without a real one) is left out.
std::vector<std::string> MacAddresses() {
  std::vector<std::string> out;
  for (const auto& adapter : platform::system_facts::NetworkAdapters()) {
    std::string mac =
        FormatMacAddress(adapter.hardwareAddress.data(), adapter.hardwareAddress.size());
    if (!mac.empty() && mac != "00-00-00-00-00-00") out.push_back(mac);
  }
  return out;
}

// The log's processor facts: the vendor's class and short name added, the
// name cut to the 47 characters the processor's brand string holds.
CpuFacts FromIdentity(const platform::system_facts::CpuIdentity& id) {
  CpuFacts cpu;
  cpu.family = id.family;
  cpu.model = id.model;
  cpu.step = id.stepping;
  cpu.vendor = id.vendorId;
  cpu.name = id.modelName.substr(0, 47);
  for (const auto& v : kVendors) {
    if (cpu.vendor == v.id) {
      cpu.vendorClass = v.vendorClass;
      cpu.manufacturer = std::string(v.shortName);
    }
  }
  return cpu;
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
  return FromIdentity(platform::system_facts::ParseCpuInfo(text));
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
  CpuFacts cpu = FromIdentity(platform::system_facts::FirstProcessor());
  lines.push_back("CPU      : " + std::to_string(cpu.vendorClass));
  lines.push_back("     Processor    : " + cpu.processorType);
  lines.push_back("     Family       : " + cpu.family);
  lines.push_back("     Model        : " + cpu.model);
  lines.push_back("     Step         : " + cpu.step);
  lines.push_back("     Vendor       : " + cpu.vendor);
  lines.push_back("     Manufacturer : " + cpu.manufacturer);
  lines.push_back("     Name         : " + cpu.name);

  const platform::system_facts::FirmwareIdentity bios = platform::system_facts::Firmware();
  lines.push_back("BIOS     : " + bios.biosVersion);
  lines.push_back("     Copyright    : " + bios.biosVendor);
  lines.push_back("     Extended     : ");
  lines.push_back("     Date         : " + FormatBiosDate(bios.biosDate));

  lines.push_back("Windows  : " + OsNameFromOsRelease(platform::system_facts::OsReleaseText()));
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
