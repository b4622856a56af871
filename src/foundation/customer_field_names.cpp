#include "foundation/customer_field_names.h"

#include <array>
#include <utility>

#include "foundation/helpers_text.h"

namespace foundation {

std::string MapCustomerFieldName(std::string_view keyword) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 14> kTable{{
      {"NONE", ""},
      {"UDF3", "UDF 3 Val Id"},
      {"UDF4", "UDF 4 Val Id"},
      {"UDF5", "UDF 5 Val Id"},
      {"UDF6", "UDF 6 Val Id"},
      {"UDF7", "UDF 7 Val Id"},
      {"UDF8", "UDF 8 Val Id"},
      {"INFO1", "Info1"},
      {"INFO2", "Info2"},
      {"NOTES", "Notes"},
      {"UDF1 DATE", "UDF1 Date"},
      {"UDF2 DATE", "UDF2 Date"},
      {"ADDRESS6", "Address6"},
      {"ALLOW EMAIL", "Allow Email"},
  }};
  const std::string upper = helpers::UpperAscii(keyword);
  for (const auto& [key, field] : kTable) {
    if (upper == key) return std::string(field);
  }
  return {};
}

std::string LoyaltyStatusHostField(std::string_view setting) {
  if (setting.substr(0, 3) != "UDF") return std::string(setting);
  if (setting.size() < 4 || setting[3] < '0' || setting[3] > '9') return {};
  std::string field = "UDF ";
  field += setting[3];
  field += " Value";
  return field;
}

std::optional<char> UdfSettingDigit(std::string_view setting) {
  if (setting.size() < 4 || setting.substr(0, 3) != "UDF" || setting[3] < '0' || setting[3] > '9') {
    return std::nullopt;
  }
  return setting[3];
}

std::string OptInHostField(std::string_view setting) {
  return UdfSettingDigit(setting) ? LoyaltyStatusHostField(setting) : std::string(setting);
}

std::string NoUpdateAttributeName(const std::string& setting) {
  // The host's free-text fields hold the mark themselves.
  for (const char* field : {"Info1", "Info2", "Notes"}) {
    if (setting == field) return setting;
  }
  if (setting.empty() || setting == "None" || setting.size() < 4) return {};
  if (setting[3] < '0' || setting[3] > '9') return {};
  return std::string("UDF ") + setting[3] + " Value";
}

}  // namespace foundation
