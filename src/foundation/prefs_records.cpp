#include "foundation/prefs_records.h"

namespace foundation {

TMainPrefs MainPrefs;
TWSPrefs WSPrefs;
TStorePrefs StorePrefs;
StringList EmailProviders;
const TFormatSettings XmlFormatSettings;

std::string NameOfLine(const std::string& line) {
  size_t equals = line.find('=');
  return equals == std::string::npos ? std::string() : line.substr(0, equals);
}

std::string ValueOfLine(const std::string& line) {
  size_t equals = line.find('=');
  return equals == std::string::npos ? std::string() : line.substr(equals + 1);
}

}  // namespace foundation
