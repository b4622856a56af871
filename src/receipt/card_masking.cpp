#include "receipt/card_masking.h"

namespace receipt {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

bool PassesLuhn(std::string_view digits) {
  if (digits.size() < 2) return false;
  unsigned sum = 0;
  bool twice = false;
  for (size_t i = digits.size(); i-- > 0;) {
    if (!IsDigit(digits[i])) return false;
    unsigned d = static_cast<unsigned>(digits[i] - '0');
    if (twice) {
      d *= 2;
      if (d > 9) d -= 9;
    }
    sum += d;
    twice = !twice;
  }
  return sum % 10 == 0;
}

std::string MaskCardNumbers(std::string_view text) {
  std::string out(text);
  size_t i = 0;
  while (i < out.size()) {
    if (!IsDigit(out[i])) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < out.size() && IsDigit(out[end])) ++end;
    const size_t len = end - i;
    if (len >= kMinCardDigits && len <= kMaxCardDigits &&
        PassesLuhn(std::string_view(out).substr(i, len))) {
      for (size_t k = i; k < end - 4; ++k) out[k] = '*';
    }
    i = end;
  }
  return out;
}

}  // namespace receipt
