#include "hostplugin/bo_fields.h"

#include <charconv>
#include <cstdio>

#include "foundation/customer_field_names.h"
#include "foundation/helpers_text.h"
#include "foundation/log.h"
#include "foundation/prefs_records.h"
#include "foundation/text_convert.h"
#include "foundation/variant_text.h"
#include "platform/com/com_error.h"
#include "platform/com/variant.h"

namespace hostplugin {

namespace {

std::string HexStatus(HRESULT hr) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(hr));
  return buf;
}

// Reads one attribute; a failure status from the host becomes ComError.
Variant ReadField(IPluginAdapter& adapter, int32_t boHandle, const std::string& fieldName) {
  BStr name(fieldName);
  Variant value;
  const HRESULT hr = adapter.BOGetAttrValue(boHandle, name.Get(), value.Put());
  if (FAILED(hr)) {
    throw ComError(hr, "The host could not read the field \"" + fieldName +
                           "\" of business object " + std::to_string(boHandle) + " (" +
                           HexStatus(hr) + ")");
  }
  return value;
}

// Decimal integer text (sign allowed, blanks around it ignored), else 0.
int32_t TextToIntOrZero(const std::string& text) {
  const std::string trimmed = foundation::helpers::TrimText(text);
  const char* first = trimmed.data();
  const char* last = first + trimmed.size();
  if (first != last && *first == '+') ++first;
  int32_t value = 0;
  auto [end, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || end != last || first == last) return 0;
  return value;
}

bool FieldSaysYes(IPluginAdapter& adapter, int32_t boHandle, const std::string& field) {
  return TextSaysYes(GetBOFieldValue(adapter, boHandle, field));
}

constexpr size_t kPrefLineWidth = 38;

int32_t CurrentSubsidiary() {
  const int32_t sbs = TextToIntOrZero(foundation::MainPrefs.SBS);
  const std::string trimmed = foundation::helpers::TrimText(foundation::MainPrefs.SBS);
  return (sbs == 0 && trimmed != "0") ? 1 : sbs;
}

void LogSystemPrefsLine(const std::string& text) {
  foundation::KWLog(0, text, foundation::kLevelInfo, "LogSystemPrefs");
}

}  // namespace

std::string GetBOFieldValue(IPluginAdapter& adapter, int32_t boHandle,
                            const std::string& fieldName) {
  return ReadField(adapter, boHandle, fieldName).ToString();
}

int32_t GetBOFieldInt(IPluginAdapter& adapter, int32_t boHandle, const std::string& fieldName) {
  return TextToIntOrZero(GetBOFieldValue(adapter, boHandle, fieldName));
}

double GetBOFieldFloat(IPluginAdapter& adapter, int32_t boHandle, const std::string& fieldName) {
  return foundation::StrToFloatDefault(GetBOFieldValue(adapter, boHandle, fieldName), 0.0);
}

double GetBOFieldDateTime(IPluginAdapter& adapter, int32_t boHandle, const std::string& fieldName) {
  const Variant value = ReadField(adapter, boHandle, fieldName);
  VARIANT date;
  VariantInit(&date);
  const HRESULT hr = VariantChangeType(&date, &value.Get(), 0, VT_DATE);
  if (FAILED(hr)) {
    throw ComError(hr, "The field \"" + fieldName + "\" of business object " +
                           std::to_string(boHandle) + " holds no date");
  }
  return date.date;
}

bool HostFlagIsTrue(const std::string& text) {
  const std::string flag = foundation::helpers::UpperAscii(foundation::helpers::TrimText(text));
  return flag == "1" || flag == "-1" || flag == "TRUE";
}

bool TextSaysYes(const std::string& text) {
  return foundation::helpers::UpperAscii(foundation::helpers::TrimText(text)) == "YES";
}

bool CustomerAllowsEmail(IPluginAdapter& adapter, int32_t custBO) {
  const std::string& setting = foundation::MainPrefs.EmailOptInField;
  // The setting is read as every reader of it reads it (blanks and case aside).
  if (foundation::CustomerFieldSetting(setting) == "Allow Email") {
    return HostFlagIsTrue(GetBOFieldValue(adapter, custBO, "Allow Email"));
  }
  const std::string field = foundation::OptInHostField(setting);
  if (field.empty()) return false;
  return FieldSaysYes(adapter, custBO, field);
}

bool CustomerIsLoyaltyMember(IPluginAdapter& adapter, int32_t custBO) {
  const std::string field =
      foundation::LoyaltyStatusHostField(foundation::MainPrefs.LoyaltyStatusField);
  if (field.empty()) return false;
  return FieldSaysYes(adapter, custBO, field);
}

bool CustomerMarkedNoUpdate(IPluginAdapter& adapter, int32_t custBO, const std::string& tag) {
  const std::string field =
      foundation::NoUpdateAttributeName(foundation::MainPrefs.CustNoUpdateField);
  if (field.empty()) return false;
  const Variant value = ReadField(adapter, custBO, field);
  if (value.IsEmpty()) {
    foundation::KWLog(1, "Field name \"" + field + "\" wasn't recognized by the PIAPI",
                      foundation::kLevelError, tag);
    return false;
  }
  if (value.IsNull() || foundation::helpers::UpperAscii(
                            foundation::helpers::TrimText(value.ToString())) != "NO UPDATE") {
    return false;
  }
  foundation::KWLog(
      9, "Field \"" + field + "\" was set to \"No Update\" -- skipping update of customer record.",
      foundation::kLevelInfo, tag);
  return true;
}

std::string PrefLogLine(std::string_view name, const VARIANT& value) {
  std::string line(kPrefLineWidth, '.');
  line.replace(0, std::min(name.size(), kPrefLineWidth), name);
  if (value.vt == VT_EMPTY || value.vt == VT_NULL) {
    line += "[null]";
  } else {
    line += foundation::VariantToText(value, 0, 0, 0);
  }
  return line;
}

void VariantToLogText(int32_t index, const std::string& name, IPluginAdapter& adapter) {
  Variant value;
  const HRESULT hr = adapter.GetPreference(index, CurrentSubsidiary(), value.Put());
  if (FAILED(hr)) {
    throw ComError(hr, "The host could not read the preference " + name + " (" +
                           std::to_string(index) + ", " + HexStatus(hr) + ")");
  }
  foundation::KWLog(0, PrefLogLine(name, value.Get()), foundation::kLevelInfo, "");
}

void LogSystemPrefs(int level, IPluginAdapter& adapter) {
  if (level > foundation::GetLogLevel()) return;
  const std::string rule(58, '=');
  LogSystemPrefsLine("");
  LogSystemPrefsLine(rule);
  LogSystemPrefsLine("System preferences");
  LogSystemPrefsLine(rule);
  LogSystemPrefsLine("");
  for (const BusinessPref& pref : LoggedBusinessPrefs())
    VariantToLogText(pref.index, pref.name, adapter);
}

}  // namespace hostplugin
