#include "foundation/text_convert.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "foundation/helpers_text.h"

namespace foundation {
namespace {

std::string Hex(uint32_t value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out(static_cast<size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i) {
    out[static_cast<size_t>(i)] = kDigits[value & 0xF];
    value >>= 4;
  }
  return out;
}

}  // namespace

std::string BoolToStrUpper(bool b) {
  return b ? "TRUE" : "FALSE";
}

std::string ByteToHex(uint8_t value) {
  return Hex(value, 2);
}
std::string WordToHex(uint16_t value) {
  return Hex(value, 4);
}
std::string DWordToHex(uint32_t value) {
  return Hex(value, 8);
}

double StrToFloatDefault(std::string_view text, double fallback) {
  std::string trimmed = helpers::TrimText(text);
  std::string_view digits = trimmed;
  if (!digits.empty() && digits[0] == '+') digits.remove_prefix(1);
  if (digits.empty()) return fallback;
  // Decimal notation only, whatever the process locale says: from_chars takes
  // neither hexadecimal nor a locale's decimal comma.
  double value = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                   std::chars_format::general);
  if (ec != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value)) {
    return fallback;
  }
  return value;
}

std::string CharsToText(const char* chars, int count) {
  if (chars == nullptr || count <= 0) return {};
  size_t n = strnlen(chars, static_cast<size_t>(count));
  return std::string(chars, n);
}

}  // namespace foundation
