// Reading and writing the workstation and store settings files.

#include <optional>

#include "foundation/ini_file.h"
#include "foundation/log.h"
#include "foundation/prefs_io.h"
#include "foundation/prefs_records.h"
#include "foundation/settings_file_io.h"
#include "foundation/settings_message.h"
#include "foundation/wmi_wrapper.h"

namespace foundation {

namespace {

constexpr const char* kWS = "WS";
constexpr const char* kStore = "STORE";

// The workstation file name and the machine name it was made with, kept from
// the first call of CheckWSPrefsFilename for the life of the process.
struct KeptWSName {
  std::string fileName;
  std::string fqdn;
};
std::optional<KeptWSName> g_keptWSName;

// The template with "%s" replaced by the machine name and "%%" by "%"; any
// other '%' stays as it is.
std::string FillTemplate(const std::string& fileTemplate, const std::string& fqdn) {
  std::string result;
  for (size_t i = 0; i < fileTemplate.size(); ++i) {
    if (fileTemplate[i] == '%' && i + 1 < fileTemplate.size()) {
      char next = fileTemplate[i + 1];
      if (next == 's') {
        result += fqdn;
        ++i;
        continue;
      }
      if (next == '%') {
        result += '%';
        ++i;
        continue;
      }
    }
    result += fileTemplate[i];
  }
  return result;
}

std::string WSPrefsFile(const std::string& folder1, const std::string& folder2,
                        const std::string& fileTemplate) {
  CreateFolderIfMissing(folder1);
  CreateFolderIfMissing(folder2);
  std::string fqdn;
  return CheckWSPrefsFilename(fileTemplate, fqdn);
}

}  // namespace

std::string CheckWSPrefsFilename(const std::string& fileTemplate, std::string& fqdn) {
  if (!g_keptWSName) {
    std::string name;
    try {
      TWMIWrapper wmi;
      name = wmi.GetFQDN();
    } catch (const std::exception& e) {
      LogException(e, "CheckWSPrefsFilename while reading FQDN from WMI");
    }
    g_keptWSName = KeptWSName{FillTemplate(fileTemplate, name), name};
  }
  fqdn = g_keptWSName->fqdn;
  return g_keptWSName->fileName;
}

void ReadWSPrefs(const std::string& folder1, const std::string& folder2,
                 const std::string& fileTemplate) {
  try {
    const IniFile ini(WSPrefsFile(folder1, folder2, fileTemplate));
    WSPrefs.DefaultEFTReceiptPrintingOn = ini.ReadBool(kWS, "DefaultEFTReceiptPrintingOn", true);
  } catch (const std::exception& e) {
    ShowSettingsMessage(std::string("Workstation preferences cannot be loaded: ") + e.what());
  }
}

bool WriteWSPrefs(const std::string& folder1, const std::string& folder2,
                  const std::string& fileTemplate) {
  try {
    IniFile ini(WSPrefsFile(folder1, folder2, fileTemplate));
    ini.WriteBool(kWS, "DefaultEFTReceiptPrintingOn", WSPrefs.DefaultEFTReceiptPrintingOn);
    ini.UpdateFile();
    return true;
  } catch (const std::exception& e) {
    ShowSettingsMessage(std::string("Workstation preferences could not be written: ") + e.what());
    return false;
  }
}

void ReadStorePrefs(const std::string& iniFile) {
  const IniFile ini(iniFile);
  TStorePrefs& s = StorePrefs;
  s.Name = ini.ReadString(kStore, "Name", "");
  s.Address = ini.ReadString(kStore, "Address", "");
  s.City = ini.ReadString(kStore, "City", "");
  s.State = ini.ReadString(kStore, "State", "");
  s.Zip = ini.ReadString(kStore, "Zip", "");
  s.Phone = ini.ReadString(kStore, "Phone", "");
}

bool WriteStorePrefs(const std::string& iniFile, std::string* error) {
  std::string step;
  try {
    step = "instantiating TIniFile object";
    IniFile ini(iniFile);

    step = "populating INI properties";
    const TStorePrefs& s = StorePrefs;
    ini.WriteString(kStore, "Name", s.Name);
    ini.WriteString(kStore, "Address", s.Address);
    ini.WriteString(kStore, "City", s.City);
    ini.WriteString(kStore, "State", s.State);
    ini.WriteString(kStore, "Zip", s.Zip);
    ini.WriteString(kStore, "Phone", s.Phone);

    step = "freeing INI object";
    ini.UpdateFile();
    return true;
  } catch (const std::exception& e) {
    LogException(e, "WriteStorePrefs while " + step);
    if (error != nullptr) *error = e.what();
    return false;
  }
}

}  // namespace foundation
