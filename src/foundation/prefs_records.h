#pragma once
// The process-wide settings records: the main settings (MainPrefs), the
// workstation settings (WSPrefs), the store address (StorePrefs), the list of
// e-mail domains offered as quick picks (EmailProviders) and the number and
// date separators used for values in XML messages (XmlFormatSettings).
// They are plain globals used from the host's user-interface thread only; they
// start out holding the values a read gives for an empty settings file.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace foundation {

// A list of texts, one per line. Lists of settings hold "name=value" lines.
using StringList = std::vector<std::string>;

// The part of a "name=value" line before the first '=' and the part after it.
// A line without '=' has an empty name and an empty value.
std::string NameOfLine(const std::string& line);
std::string ValueOfLine(const std::string& line);

struct TMainPrefs {
  std::string ProdURL;
  std::string TestURL;
  std::string OtherURL;
  std::string URLType = "T";
  std::string URL;  // the active service address, chosen on read; never stored
  std::string MerchID;
  std::string LoyalAttr;
  std::string LoyalField;
  std::string CustNoUpdateField;
  StringList Cards;  // card name (upper case) = card type chosen in setup
  bool SaveEmail = false;
  std::string BCType;
  std::string SBS;  // subsidiary of the current document; never stored
  int32_t Timeout = 30;
  bool Disable = false;
  bool OffsetForm = false;
  bool EnableLoyaltyTracking = false;
  std::string LoyaltyStatusField;
  std::string LoyaltyTrackingDateField;
  std::string EmailOptInField = "Allow Email";
  bool PromptForEmailMarketingOptIn = false;
  bool InclDesc3 = false;
  bool InclDesc4 = false;
  bool InclSize = false;
  bool InclAttr = false;
  bool InclVendor = false;
  bool AlwaysCreateCustForUniqueEmail = false;
  bool QueueEnabled = true;
  int32_t QueueInterval = 30;
  int32_t QueueLogLevel = 1;
  std::string QueueDirectory;
  bool EnableAdvancedCategorization = false;
  std::array<std::string, 6> Categories;  // entry 0 always empty; 1..5 are CAT1..CAT5
  StringList ProductCategories;           // DCS code = roll-up categories
};

struct TWSPrefs {
  bool DefaultEFTReceiptPrintingOn = true;
};

struct TStorePrefs {
  std::string Name;
  std::string Address;
  std::string City;
  std::string State;
  std::string Zip;
  std::string Phone;
};

// Separators for numbers and dates written into XML messages; everything else
// follows the system defaults.
struct TFormatSettings {
  char DateSeparator = '-';
  char TimeSeparator = ':';
  char ThousandSeparator = ',';
  char DecimalSeparator = '.';
};

extern TMainPrefs MainPrefs;
extern TWSPrefs WSPrefs;
extern TStorePrefs StorePrefs;
extern StringList EmailProviders;
extern const TFormatSettings XmlFormatSettings;

}  // namespace foundation
