// Reading and changing the value a LOB locator stands for (lob_value.cpp):
// shared by the OCILob* calls of lob_api.cpp and lob_files.cpp.
#pragma once

#include <memory>
#include <string>

#include "lob.h"

namespace ocistandin {

// The live locator behind a caller's pointer, else null.
LobLocator* findLocator(const void* pointer);

// Oracle's errors of LOB calls.
OraError lobError(sb4 code);

// The session the locator's value lives in; ORA-22275 for an uninitialised
// locator, ORA-22922 when its session has ended.
std::shared_ptr<Connection> lobSession(const LobLocator& locator, OraError& error);

// The whole value: bytes of a BLOB or BFILE, UTF-8 text of a CLOB.
bool loadLob(LobLocator& locator, std::string& value, OraError& error);
// Replaces the whole value (not for BFILEs). A persistent LOB's row must have
// been inserted or updated in the open transaction (ORA-22920).
bool storeLob(LobLocator& locator, const std::string& value, OraError& error);

// Length: bytes, or UTF-16 code units of a CLOB.
bool lobLength(LobLocator& locator, sqlite3_int64& length, OraError& error);

// Reads up to `amount` units (0: to the end) from the 1-based `offset` into
// `buffer` of `capacity` bytes, in character set `csid` for a CLOB. Answers
// the amount read in `amount`: bytes, or for a CLOB code units (UTF-16) or
// bytes (UTF-8); 0 at or past the end.
bool readLob(LobLocator& locator, sqlite3_int64 offset, ub4& amount, char* buffer, ub4 capacity,
             ub2 csid, OraError& error);

// A value's units: a CLOB's text as UTF-16 code units (lone surrogates kept),
// a BLOB's bytes one unit each.
std::u16string clobUnits(const std::string& utf8);
std::string clobText(const std::u16string& units);

}  // namespace ocistandin
