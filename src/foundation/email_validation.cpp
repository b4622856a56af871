#include "foundation/email_validation.h"

#include <string_view>

namespace foundation {

namespace {

bool HasLetterOrDigit(std::string_view part) {
  for (char c : part) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  }
  return false;
}

}  // namespace

bool ValidateEmailAddress(std::string& email) noexcept {
  size_t atCount = 0;
  size_t lastAt = std::string::npos;
  size_t lastDot = std::string::npos;
  for (size_t i = 0; i < email.size(); ++i) {
    if (email[i] == '@') {
      ++atCount;
      lastAt = i;
    } else if (email[i] == '.') {
      lastDot = i;
    }
  }
  if (atCount != 1 || lastAt == 0 || lastDot == std::string::npos || lastDot < lastAt ||
      lastDot + 1 == email.size()) {
    return false;
  }
  for (char& c : email) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  const std::string_view all(email);
  return HasLetterOrDigit(all.substr(0, lastAt)) &&
         HasLetterOrDigit(all.substr(lastAt + 1, lastDot - lastAt - 1)) &&
         HasLetterOrDigit(all.substr(lastDot + 1));
}

}  // namespace foundation
