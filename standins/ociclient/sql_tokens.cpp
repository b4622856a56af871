#include "sql_tokens.h"

#include <cctype>

#include "platform/text.h"

namespace ocistandin::sqltokens {

namespace {

bool isIdentChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#';
}

}  // namespace

std::vector<Token> tokenize(const std::string& s) {
  std::vector<Token> out;
  std::size_t i = 0;
  const std::size_t n = s.size();
  while (i < n) {
    const std::size_t start = i;
    const char c = s[i];
    Tok kind;
    if (std::isspace(static_cast<unsigned char>(c))) {
      while (i < n && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
      kind = Tok::kSpace;
    } else if (c == '-' && i + 1 < n && s[i + 1] == '-') {
      while (i < n && s[i] != '\n') ++i;
      kind = Tok::kComment;
    } else if (c == '/' && i + 1 < n && s[i + 1] == '*') {
      const std::size_t end = s.find("*/", i + 2);
      i = end == std::string::npos ? n : end + 2;
      kind = Tok::kComment;
    } else if (c == '\'') {
      ++i;
      while (i < n) {
        if (s[i] == '\'') {
          if (i + 1 < n && s[i + 1] == '\'') {
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        ++i;
      }
      kind = Tok::kString;
    } else if (c == '"') {
      const std::size_t end = s.find('"', i + 1);
      i = end == std::string::npos ? n : end + 1;
      kind = Tok::kQuoted;
    } else if (c == ':' && i + 1 < n && (isIdentChar(s[i + 1]) || s[i + 1] == '"')) {
      ++i;
      if (s[i] == '"') {
        const std::size_t end = s.find('"', i + 1);
        i = end == std::string::npos ? n : end + 1;
      } else {
        while (i < n && isIdentChar(s[i])) ++i;
      }
      kind = Tok::kBind;
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      while (i < n && isIdentChar(s[i])) ++i;
      kind = Tok::kWord;
    } else if (std::isdigit(static_cast<unsigned char>(c)) ||
               (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
      while (i < n && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '.')) {
        if ((s[i] == 'e' || s[i] == 'E') && i + 1 < n && (s[i + 1] == '+' || s[i + 1] == '-')) ++i;
        ++i;
      }
      kind = Tok::kNumber;
    } else {
      static const char* const pairs[] = {"||", "<=", ">=", "<>", "!=", ":=", "=>"};
      i += 1;
      for (const char* p : pairs)
        if (s.compare(start, 2, p) == 0) i = start + 2;
      kind = Tok::kPunct;
    }
    out.push_back({kind, s.substr(start, i - start), start});
  }
  return out;
}

bool significant(const Token& t) {
  return t.kind != Tok::kSpace && t.kind != Tok::kComment;
}

std::size_t nextSig(const std::vector<Token>& t, std::size_t i) {
  for (++i; i < t.size(); ++i)
    if (significant(t[i])) return i;
  return t.size();
}

std::size_t prevSig(const std::vector<Token>& t, std::size_t i) {
  while (i-- > 0)
    if (significant(t[i])) return i;
  return t.size();
}

bool isWord(const std::vector<Token>& t, std::size_t i, const char* word) {
  return i < t.size() && t[i].kind == Tok::kWord && platform::UpperAscii(t[i].text) == word;
}

bool isPunct(const std::vector<Token>& t, std::size_t i, const char* p) {
  return i < t.size() && t[i].kind == Tok::kPunct && t[i].text == p;
}

}  // namespace ocistandin::sqltokens
