#include "foundation/customer_field_names.h"

#include <array>
#include <utility>

#include "foundation/helpers_text.h"

namespace foundation {

namespace {

// Whether `setting` starts with "UDF", in any case.
bool StartsWithUdf(std::string_view setting) {
  return setting.size() >= 3 && helpers::UpperAscii(setting.substr(0, 3)) == "UDF";
}

}  // namespace

std::string CustomerFieldSetting(std::string_view setting) {
  // The entries the setup offers for the customer fields, and the loyalty
  // attributes its loyalty ID entries stand for.
  static constexpr std::array<std::string_view, 20> kEntries{
      "None",        "UDF1 Date",   "UDF2 Date",   "UDF3",        "UDF4",
      "UDF5",        "UDF6",        "UDF7",        "UDF8",        "Info1",
      "Info2",       "Notes",       "Address6",    "Allow Email", "UDF 3 Value",
      "UDF 4 Value", "UDF 5 Value", "UDF 6 Value", "UDF 7 Value", "UDF 8 Value"};
  const std::string trimmed = helpers::TrimText(setting);
  const std::string upper = helpers::UpperAscii(trimmed);
  for (std::string_view entry : kEntries) {
    if (helpers::UpperAscii(entry) == upper) return std::string(entry);
  }
  return trimmed;
}

bool CustomerFieldConfigured(std::string_view setting) {
  const std::string read = CustomerFieldSetting(setting);
  return !read.empty() && read != "None";
}

std::string MapCustomerFieldName(std::string_view keyword) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 14> kTable{{
      {"None", ""},
      {"UDF3", "UDF 3 Val Id"},
      {"UDF4", "UDF 4 Val Id"},
      {"UDF5", "UDF 5 Val Id"},
      {"UDF6", "UDF 6 Val Id"},
      {"UDF7", "UDF 7 Val Id"},
      {"UDF8", "UDF 8 Val Id"},
      {"Info1", "Info1"},
      {"Info2", "Info2"},
      {"Notes", "Notes"},
      {"UDF1 Date", "UDF1 Date"},
      {"UDF2 Date", "UDF2 Date"},
      {"Address6", "Address6"},
      {"Allow Email", "Allow Email"},
  }};
  const std::string entry = CustomerFieldSetting(keyword);
  for (const auto& [key, field] : kTable) {
    if (entry == key) return std::string(field);
  }
  return {};
}

std::string LoyaltyStatusHostField(std::string_view setting) {
  const std::string read = CustomerFieldSetting(setting);
  if (!CustomerFieldConfigured(read)) return {};
  if (!StartsWithUdf(read)) return read;
  if (read.size() < 4 || read[3] < '0' || read[3] > '9') return {};
  std::string field = "UDF ";
  field += read[3];
  field += " Value";
  return field;
}

std::optional<char> UdfSettingDigit(std::string_view setting) {
  const std::string read = CustomerFieldSetting(setting);
  if (read.size() < 4 || !StartsWithUdf(read) || read[3] < '0' || read[3] > '9') {
    return std::nullopt;
  }
  return read[3];
}

std::string OptInHostField(std::string_view setting) {
  if (!CustomerFieldConfigured(setting)) return {};
  return UdfSettingDigit(setting) ? LoyaltyStatusHostField(setting) : CustomerFieldSetting(setting);
}

std::string NoUpdateAttributeName(const std::string& setting) {
  const std::string read = CustomerFieldSetting(setting);
  // The host's free-text fields hold the mark themselves.
  for (const char* field : {"Info1", "Info2", "Notes"}) {
    if (read == field) return read;
  }
  if (!CustomerFieldConfigured(read) || read.size() < 4) return {};
  if (read[3] < '0' || read[3] > '9') return {};
  return std::string("UDF ") + read[3] + " Value";
}

}  // namespace foundation
