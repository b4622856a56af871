#include "platform/com/ole_date.h"

#include <cstdio>

namespace {

using platform::ReadChar;
using platform::ReadDigits;

bool ReadTime(std::string_view text, size_t& pos, OleDateParts& parts) {
  if (!ReadDigits(text, pos, 2, parts.hour) || !ReadChar(text, pos, ':') ||
      !ReadDigits(text, pos, 2, parts.minute)) {
    return false;
  }
  if (pos < text.size() && (!ReadChar(text, pos, ':') || !ReadDigits(text, pos, 2, parts.second))) {
    return false;
  }
  return pos == text.size();
}

}  // namespace

std::optional<OleDateParts> OleDateToParts(double date) {
  // 100-01-01 .. 9999-12-31 23:59:59.999
  if (date <= -657435.0 || date >= 2958466.0) return std::nullopt;
  auto parts = platform::SplitDateTime(date);
  if (!parts || parts->year > 9999) return std::nullopt;
  return parts;
}

std::optional<double> OleDateFromParts(const OleDateParts& p) {
  if (p.year < 100 || p.year > 9999 || !platform::IsValidDateTime(p)) return std::nullopt;
  return platform::JoinDateTime(p);
}

std::string FormatOleDate(double date) {
  auto parts = OleDateToParts(date);
  if (!parts) return {};
  char text[32];
  bool midnight = parts->hour == 0 && parts->minute == 0 && parts->second == 0;
  bool timeOnly = parts->year == 1899 && parts->month == 12 && parts->day == 30 && !midnight;
  if (timeOnly) {
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", parts->hour, parts->minute, parts->second);
  } else if (midnight) {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", parts->year, parts->month, parts->day);
  } else {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", parts->year, parts->month,
                  parts->day, parts->hour, parts->minute, parts->second);
  }
  return text;
}

std::optional<double> ParseOleDate(std::string_view text) {
  OleDateParts parts;
  size_t pos = 0;
  if (text.size() >= 3 && text[2] == ':') {
    if (!ReadTime(text, pos, parts)) return std::nullopt;
    return OleDateFromParts(parts);
  }
  if (!ReadDigits(text, pos, 4, parts.year) || !ReadChar(text, pos, '-') ||
      !ReadDigits(text, pos, 2, parts.month) || !ReadChar(text, pos, '-') ||
      !ReadDigits(text, pos, 2, parts.day)) {
    return std::nullopt;
  }
  if (pos < text.size()) {
    char sep = text[pos++];
    if (sep != ' ' && sep != 'T') return std::nullopt;
    if (!ReadTime(text, pos, parts)) return std::nullopt;
  }
  return OleDateFromParts(parts);
}
