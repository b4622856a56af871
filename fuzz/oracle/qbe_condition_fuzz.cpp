// Feeds typed texts to each field type and flag set and checks the condition
// built: with its bind names and to_date texts taken out, nothing may be left
// but the column expression, the language's words, operators, parentheses,
// commas and blanks. A typed character reaching the SQL text, a crash or an
// exception other than the conversion error is a fault.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "oracle/qbe/condition.h"

namespace {

using dataset::TFieldType;

constexpr TFieldType kTypes[] = {
    TFieldType::ftString,  TFieldType::ftWideString, TFieldType::ftMemo,  TFieldType::ftSmallint,
    TFieldType::ftInteger, TFieldType::ftLargeint,   TFieldType::ftFloat, TFieldType::ftCurrency,
    TFieldType::ftDate,    TFieldType::ftDateTime,   TFieldType::ftTime,  TFieldType::ftBoolean,
};

bool IsWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == ':';
}

// Removes every occurrence of `what`.
void Erase(std::string& text, const std::string& what) {
  for (std::size_t at; (at = text.find(what)) != std::string::npos;) text.erase(at, what.size());
}

void Check(std::string text) {
  // Bind names: ":kel__qbe" and digits, "_" and digits.
  for (std::size_t at; (at = text.find(oracle::qbe::kQBEVariablePrefix)) != std::string::npos;) {
    std::size_t end = at + sizeof oracle::qbe::kQBEVariablePrefix - 1;
    while (end < text.size() && ((text[end] >= '0' && text[end] <= '9') || text[end] == '_')) ++end;
    text.erase(at, end - at);
  }
  for (const char* format :
       {"to_date(, 'DD-MM-YYYY HH24:MI:SS')", "to_date(, 'DD-MM-YYYY')", "to_date(, 'HH24:MI:SS')"})
    Erase(text, format);
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (!IsWordChar(c)) {
      if (std::string_view(" \n()!<=>,").find(c) == std::string_view::npos) std::abort();
      ++i;
      continue;
    }
    const std::size_t begin = i;
    while (i < text.size() && IsWordChar(text[i])) ++i;
    const std::string word = text.substr(begin, i - begin);
    bool known = false;
    for (const char* w :
         {"COL", "and", "or", "not", "is", "null", "like", "in", "between", "upper", "soundex"})
      known = known || word == w;
    if (!known) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  oracle::qbe::TQBEColumn column;
  column.column = "COL";
  column.type = kTypes[data[0] % (sizeof kTypes / sizeof kTypes[0])];
  const uint8_t flags = data[1];
  column.matchFromStart = flags & 1;
  column.matchAnywhere = flags & 2;
  column.soundsLike = flags & 4;
  column.caseInsensitive = flags & 8;
  column.wholeDay = flags & 16;
  oracle::qbe::TQBEOptions options;
  options.allowOperators = !(flags & 32);
  options.allowFileWildCards = flags & 64;
  column.text.assign(reinterpret_cast<const char*>(data + 2), size - 2);
  try {
    Check(oracle::qbe::BuildQBECondition({column}, options).text);
  } catch (const oracle::qbe::EQBEConvertError&) {
  }
  return 0;
}
