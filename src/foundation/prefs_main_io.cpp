// Reading and writing the main settings file and the e-mail domain list.

#include <algorithm>
#include <optional>

#include "foundation/ini_file.h"
#include "foundation/log.h"
#include "foundation/prefs_io.h"
#include "foundation/prefs_records.h"
#include "foundation/settings_file_io.h"
#include "platform/text.h"

namespace foundation {

namespace {

constexpr const char* kMain = "MAIN";
constexpr const char* kCards = "CARDS";
constexpr const char* kQueueService = "QUEUESERVICE";
constexpr const char* kFields = "FIELDS";
constexpr const char* kCategoriesSection = "CATEGORIES";
constexpr const char* kProductCategories = "PRODUCTCATEGORIES";
constexpr const char* kDefaultCategory = "PRODUCT REGISTRATION";

std::string CategoryKey(int index) {
  return "CAT" + std::to_string(index);
}

// The service address that URLType selects: exactly "P" production, exactly
// "T" test, anything else (a lower-case letter too) the other address. Blanks
// and tabs around it are no part of it: a value edited by hand may hold them
// inside its quotes, where reading the file keeps them.
std::string ActiveURL(const TMainPrefs& prefs) {
  if (prefs.URLType == "P") return TrimProfileBlanks(prefs.ProdURL);
  if (prefs.URLType == "T") return TrimProfileBlanks(prefs.TestURL);
  return TrimProfileBlanks(prefs.OtherURL);
}

// The domains a list file holds, as a read takes them (blank lines dropped).
StringList DomainsOf(const std::string& content) {
  StringList lines = SplitLines(content);
  std::erase_if(lines, [](const std::string& line) { return line.empty(); });
  return lines;
}

void ReadEmailProviders(const std::string& datFile) {
  std::optional<std::string> content = ReadWholeFile(datFile);
  if (!content) return;  // no list file: the list stays as it was
  EmailProviders = DomainsOf(*content);
}

// Writes the domain list, one domain a line. A file that holds this very
// list already is left as it is (its blank lines and line ends too); any
// other is written with the line end its first line had (CR LF as a Windows
// editor saves it, a lone CR, else LF).
void WriteEmailProviders(const std::string& datFile) {
  const std::optional<std::string> old = ReadWholeFile(datFile);
  std::string lineEnd = "\n";
  if (old) {
    if (DomainsOf(*old) == EmailProviders) return;
    const size_t end = old->find_first_of("\r\n");
    if (end != std::string::npos && (*old)[end] == '\r') {
      lineEnd = end + 1 < old->size() && (*old)[end + 1] == '\n' ? "\r\n" : "\r";
    }
  }
  std::string text;
  for (const std::string& line : EmailProviders) text += line + lineEnd;
  WriteFileAtomically(datFile, text);
}

// Writes the lines of a name=value list as the keys of a freshly erased
// section. Lines whose name is blank cannot be stored as keys and are left out;
// a value keeps the blanks at its ends (a read gives them from a quoted value).
// A section that already holds exactly these entries is left as it is, so an
// unchanged list keeps its place and comments in the file. A name that comes
// again (in any case) is written once, with its first value: that is the one
// a read finds, and writing the later one would put it in the first one's
// place.
void WriteListSection(IniFile& ini, const char* section, const StringList& lines) {
  StringList entries;
  for (const std::string& line : lines) {
    const std::string name = TrimProfileBlanks(NameOfLine(line));
    if (!name.empty()) entries.push_back(name + "=" + ValueOfLine(line));
  }
  if (ini.ReadSectionValues(section) == entries) return;
  ini.EraseSection(section);
  StringList written;
  for (const std::string& entry : entries) {
    const std::string name = NameOfLine(entry);
    const bool again = std::any_of(written.begin(), written.end(), [&](const std::string& done) {
      return platform::SameText(done, name);
    });
    if (again) continue;
    written.push_back(name);
    ini.WriteString(section, name, ValueOfLine(entry));
  }
}

bool mainPrefsLoaded = false;

}  // namespace

bool MainPrefsLoaded() {
  return mainPrefsLoaded;
}

void ReadMainPrefs(const std::string& folder, const std::string& queueFolder,
                   const std::string& iniFile, const std::string& datFile) {
  CreateFolderIfMissing(folder);
  KWLog(5, "Reading config \"" + iniFile + "\"", kLevelInfo, "ReadMainPrefs");

  const IniFile ini(iniFile);
  TMainPrefs& p = MainPrefs;
  p.ProdURL = ini.ReadString(kMain, "ProdURL", "");
  p.TestURL = ini.ReadString(kMain, "TestURL", "");
  p.OtherURL = ini.ReadString(kMain, "OtherURL", "");
  p.URLType = ini.ReadString(kMain, "URLType", "T");
  p.MerchID = ini.ReadString(kMain, "MerchID", "");
  p.LoyalAttr = ini.ReadString(kMain, "LoyalAttr", "");
  p.LoyalField = ini.ReadString(kMain, "LoyalField", "");
  p.CustNoUpdateField = ini.ReadString(kMain, "CustNoUpdateField", "");
  p.Cards = ini.ReadSectionValues(kCards);
  p.SaveEmail = ini.ReadBool(kMain, "SaveEmail", false);
  p.BCType = ini.ReadString(kMain, "BCType", "");
  p.Timeout = ini.ReadInteger(kMain, "Timeout", 30);
  p.Disable = ini.ReadBool(kMain, "Disable", false);
  p.OffsetForm = ini.ReadBool(kMain, "OffsetForm", false);
  p.LoyaltyStatusField = ini.ReadString(kMain, "LoyaltyStatusField", "");
  // Older files carry the date field under a misspelled key; it is the
  // default for the correct one.
  const std::string oldDateField = ini.ReadString(kMain, "LoyaltTrackingDateField", "");
  p.LoyaltyTrackingDateField = ini.ReadString(kMain, "LoyaltyTrackingDateField", oldDateField);
  p.EmailOptInField = ini.ReadString(kMain, "EmailOptInField", "Allow Email");
  p.EnableLoyaltyTracking = ini.ReadBool(kMain, "EnableLoyaltyTracking", false);
  p.PromptForEmailMarketingOptIn = ini.ReadBool(kMain, "PromptForEmailMarketingOptIn", false);
  p.AlwaysCreateCustForUniqueEmail = ini.ReadBool(kMain, "AlwaysCreateCustForUniqueEmail", false);
  p.QueueEnabled = ini.ReadBool(kQueueService, "Enabled", true);
  p.QueueInterval = ini.ReadInteger(kQueueService, "Interval", 30);
  p.QueueLogLevel = ini.ReadInteger(kQueueService, "LogLevel", 1);
  p.QueueDirectory = ini.ReadString(kQueueService, "Directory", queueFolder);
  p.InclDesc3 = ini.ReadBool(kFields, "InclDesc3", false);
  p.InclDesc4 = ini.ReadBool(kFields, "InclDesc4", false);
  p.InclSize = ini.ReadBool(kFields, "InclSize", false);
  p.InclAttr = ini.ReadBool(kFields, "InclAttr", false);
  p.InclVendor = ini.ReadBool(kFields, "InclVendor", false);
  p.EnableAdvancedCategorization =
      ini.ReadBool(kCategoriesSection, "EnableAdvancedCategorization", false);
  p.Categories[0].clear();
  bool anyCategory = false;
  for (int i = 1; i <= 5; ++i) {
    p.Categories[i] = ini.ReadString(kCategoriesSection, CategoryKey(i), "");
    anyCategory = anyCategory || !p.Categories[i].empty();
  }
  p.ProductCategories = ini.ReadSectionValues(kProductCategories);
  mainPrefsLoaded = true;

  p.URL = ActiveURL(p);
  if (!anyCategory) p.Categories[1] = kDefaultCategory;

  ReadEmailProviders(datFile);
  CreateFolderIfMissing(queueFolder);
  SetLogLevel(9);
}

bool WriteMainPrefs(const std::string& folder, const std::string& queueFolder,
                    const std::string& iniFile, const std::string& datFile, std::string* error,
                    std::vector<std::string>* unsaved) {
  std::string step;
  bool iniWritten = false;
  try {
    step = "verifying directories";
    CreateFolderIfMissing(folder);
    CreateFolderIfMissing(queueFolder);

    step = "instantiating TIniFile";
    IniFile ini(iniFile);

    step = "populating INI properties";
    const TMainPrefs& p = MainPrefs;
    ini.WriteString(kMain, "ProdURL", p.ProdURL);
    ini.WriteString(kMain, "TestURL", p.TestURL);
    ini.WriteString(kMain, "OtherURL", p.OtherURL);
    ini.WriteString(kMain, "URLType", p.URLType);
    ini.WriteString(kMain, "MerchID", p.MerchID);
    ini.WriteString(kMain, "LoyalAttr", p.LoyalAttr);
    ini.WriteString(kMain, "LoyalField", p.LoyalField);
    ini.WriteString(kMain, "CustNoUpdateField", p.CustNoUpdateField);
    WriteListSection(ini, kCards, p.Cards);
    ini.WriteBool(kMain, "SaveEmail", p.SaveEmail);
    ini.WriteString(kMain, "BCType", p.BCType);
    ini.WriteInteger(kMain, "Timeout", p.Timeout);
    ini.WriteBool(kMain, "Disable", p.Disable);
    ini.WriteBool(kMain, "OffsetForm", p.OffsetForm);
    ini.WriteString(kMain, "LoyaltyStatusField", p.LoyaltyStatusField);
    ini.WriteString(kMain, "LoyaltyTrackingDateField", p.LoyaltyTrackingDateField);
    ini.WriteString(kMain, "EmailOptInField", p.EmailOptInField);
    ini.WriteBool(kMain, "EnableLoyaltyTracking", p.EnableLoyaltyTracking);
    ini.WriteBool(kMain, "PromptForEmailMarketingOptIn", p.PromptForEmailMarketingOptIn);
    ini.WriteBool(kMain, "AlwaysCreateCustForUniqueEmail", p.AlwaysCreateCustForUniqueEmail);
    ini.WriteBool(kQueueService, "Enabled", p.QueueEnabled);
    ini.WriteInteger(kQueueService, "Interval", p.QueueInterval);
    ini.WriteInteger(kQueueService, "LogLevel", p.QueueLogLevel);
    ini.WriteBool(kFields, "InclDesc3", p.InclDesc3);
    ini.WriteBool(kFields, "InclDesc4", p.InclDesc4);
    ini.WriteBool(kFields, "InclSize", p.InclSize);
    ini.WriteBool(kFields, "InclAttr", p.InclAttr);
    ini.WriteBool(kFields, "InclVendor", p.InclVendor);
    ini.WriteBool(kCategoriesSection, "EnableAdvancedCategorization",
                  p.EnableAdvancedCategorization);
    for (int i = 1; i <= 5; ++i)
      ini.WriteString(kCategoriesSection, CategoryKey(i), p.Categories[i]);
    WriteListSection(ini, kProductCategories, p.ProductCategories);

    step = "freeing INI object";
    ini.UpdateFile();
    iniWritten = true;

    step = "writing email providers list";
    WriteEmailProviders(datFile);
    return true;
  } catch (const std::exception& e) {
    LogException(e, "WriteMainPrefs while " + step);
    if (error != nullptr) *error = e.what();
    if (unsaved != nullptr) {
      *unsaved = iniWritten ? std::vector<std::string>{datFile}
                            : std::vector<std::string>{iniFile, datFile};
    }
    return false;
  }
}

}  // namespace foundation
