// The tokens of an SQL text as the rewriter sees them: blanks, comments,
// string literals, quoted names, bind variables, words, numbers and
// punctuation, each with its offset in the original text.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/text.h"

namespace ocistandin::sqltokens {

enum class Tok { kSpace, kComment, kString, kQuoted, kBind, kWord, kNumber, kPunct };

struct Token {
  Tok kind;
  std::string text;
  std::size_t offset;
};

std::vector<Token> tokenize(const std::string& s);

bool significant(const Token& t);
// Index of the next (previous) significant token, or t.size() when none.
std::size_t nextSig(const std::vector<Token>& t, std::size_t i);
std::size_t prevSig(const std::vector<Token>& t, std::size_t i);
// Whether token i is the word (without regard to case) or the punctuation.
bool isWord(const std::vector<Token>& t, std::size_t i, const char* word);
bool isPunct(const std::vector<Token>& t, std::size_t i, const char* p);

}  // namespace ocistandin::sqltokens
