#include "sql_soundex.h"

#include <cctype>

namespace ocistandin {
namespace {

// The digit of a letter; '0' for vowels and y, ' ' for h and w.
char codeOf(char upper) {
  switch (upper) {
    case 'B':
    case 'F':
    case 'P':
    case 'V':
      return '1';
    case 'C':
    case 'G':
    case 'J':
    case 'K':
    case 'Q':
    case 'S':
    case 'X':
    case 'Z':
      return '2';
    case 'D':
    case 'T':
      return '3';
    case 'L':
      return '4';
    case 'M':
    case 'N':
      return '5';
    case 'R':
      return '6';
    case 'H':
    case 'W':
      return ' ';
    default:
      return '0';
  }
}

}  // namespace

std::string soundexCode(std::string_view text) {
  std::string code;
  char previous = 0;
  for (char c : text) {
    if (!std::isalpha(static_cast<unsigned char>(c))) continue;
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const char digit = codeOf(upper);
    if (code.empty()) {
      code += upper;
      previous = digit;
      continue;
    }
    if (digit == ' ') continue;  // h and w do not part a run
    if (digit != '0' && digit != previous) code += digit;
    previous = digit;
    if (code.size() == 4) break;
  }
  if (code.empty()) return code;
  code.resize(4, '0');
  return code;
}

void soundexFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const unsigned char* text = sqlite3_value_text(argv[0]);
  const std::string code =
      text == nullptr ? std::string() : soundexCode(reinterpret_cast<const char*>(text));
  if (code.empty())
    sqlite3_result_null(ctx);
  else
    sqlite3_result_text(ctx, code.c_str(), static_cast<int>(code.size()), SQLITE_TRANSIENT);
}

}  // namespace ocistandin
