#include "receipt/card_masking.h"

#include <vector>

namespace receipt {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsGroupSeparator(char c) {
  return c == ' ' || c == '-';
}

// One unbroken run of digits: [begin, end) in the text.
struct DigitGroup {
  size_t begin;
  size_t end;
  size_t Length() const { return end - begin; }
};

// The digit groups starting at `at` that are joined by single separators
// ("4111 1111-1111 1111" gives four groups). `at` is left after the last one.
std::vector<DigitGroup> JoinedGroups(std::string_view text, size_t& at) {
  std::vector<DigitGroup> groups;
  for (;;) {
    size_t end = at;
    while (end < text.size() && IsDigit(text[end])) ++end;
    groups.push_back({at, end});
    at = end;
    if (end + 1 < text.size() && IsGroupSeparator(text[end]) && IsDigit(text[end + 1])) {
      at = end + 1;
      continue;
    }
    return groups;
  }
}

// The digits of groups [first, last] without their separators.
std::string DigitsOf(std::string_view text, const std::vector<DigitGroup>& groups, size_t first,
                     size_t last) {
  std::string digits;
  for (size_t g = first; g <= last; ++g) {
    digits.append(text.substr(groups[g].begin, groups[g].Length()));
  }
  return digits;
}

// Masks every digit of groups [first, last] except the last four.
void MaskGroups(std::string& out, const std::vector<DigitGroup>& groups, size_t first, size_t last,
                size_t digitCount) {
  size_t left = digitCount - 4;
  for (size_t g = first; g <= last && left > 0; ++g) {
    for (size_t k = groups[g].begin; k < groups[g].end && left > 0; ++k, --left) out[k] = '*';
  }
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
  while (i < text.size()) {
    if (!IsDigit(text[i])) {
      ++i;
      continue;
    }
    const std::vector<DigitGroup> groups = JoinedGroups(text, i);
    // From each group on, the longest span of whole groups that holds 13 to
    // 19 digits and passes the Luhn check is a card number; the search goes
    // on after it.
    size_t first = 0;
    while (first < groups.size()) {
      size_t digits = 0;
      size_t end = first;
      while (end < groups.size() && digits + groups[end].Length() <= kMaxCardDigits) {
        digits += groups[end].Length();
        ++end;
      }
      size_t next = first + 1;
      for (; end > first; --end) {
        if (digits >= kMinCardDigits && PassesLuhn(DigitsOf(text, groups, first, end - 1))) {
          MaskGroups(out, groups, first, end - 1, digits);
          next = end;
          break;
        }
        digits -= groups[end - 1].Length();
      }
      first = next;
    }
  }
  return out;
}

}  // namespace receipt
