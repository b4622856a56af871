// Oracle's soundex for the stand-in's SQL dialect: the first letter kept,
// the following consonants as digits (b f p v 1, c g j k q s x z 2, d t 3,
// l 4, m n 5, r 6), one digit for a run of the same code (also across h and
// w), vowels and y separating runs, cut or padded with "0" to four.
#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>

namespace ocistandin {

// Empty when the text holds no letter (the function then returns NULL).
std::string soundexCode(std::string_view text);

// The SQL function soundex(text).
void soundexFn(sqlite3_context* ctx, int argc, sqlite3_value** argv);

}  // namespace ocistandin
