#pragma once
// Facts about the machine for the log's start header: who it is, its
// language, and (when asked for) the machine block of processor, firmware,
// system, network adapter and file-system lines. Facts the system does not
// expose are empty.

#include <string>
#include <string_view>
#include <vector>

namespace foundation {

struct ComputerIdentity {
  std::string computerName;
  std::string domainName;
};

// The machine's name and DNS domain; raises platform::wmi::WmiError.
ComputerIdentity GetComputerIdentity();

// The default language with its territory, e.g. "English (United States)";
// "[could not be determined]" when the process has none (the C locale).
std::string SystemLanguageName();

// The English name of the default locale's language, e.g. "English"; empty
// when there is none.
std::string SystemLocaleLanguageEnglish();

struct CpuFacts {
  int vendorClass = 0;        // 1 Intel, 2 Cyrix, 3 AMD, 4 Transmeta, 5 VIA, 0 other
  std::string processorType;  // not exposed by Linux: empty
  std::string family;
  std::string model;
  std::string step;
  std::string vendor;        // the 12-character vendor identification
  std::string manufacturer;  // the vendor's short name
  std::string name;          // up to 47 characters
};

// The first processor's facts from a cpuinfo text (the kernel's processor list).
CpuFacts ParseCpuInfo(std::string_view cpuinfo);

// Six bytes as "00-1a-2b-3c-4d-5e"; empty for any other length.
std::string FormatMacAddress(const unsigned char* bytes, size_t length);

// A firmware date "mm/dd/yyyy" as "mm/dd/yyyy hh:nn:ss"; empty when the text
// is not such a date.
std::string FormatBiosDate(std::string_view date);

// The machine block, one entry per log line, in header order.
std::vector<std::string> MachineBlockLines();

}  // namespace foundation
