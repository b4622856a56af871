// How the stand-in names a row by ROWID. The data object number is a 32-bit
// FNV-1a hash of the upper-case table name; the SQLite rowid, taken as 64
// unsigned bits, is split into relative file (bits 48-63), block (bits 16-47)
// and row (bits 0-15). Every SQLite rowid of every table thus has exactly one
// 18-character extended ROWID text and reads back from it.
#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>

#include "platform/oci/oci_rowid_layout.h"

namespace ocistandin {

ub4 rowidObjectNumber(std::string_view table);
OCIRowidLayout rowidLayout(std::string_view table, sqlite3_int64 rowid);
std::string rowidText(std::string_view table, sqlite3_int64 rowid);

enum class RowidMatch {
  kInvalid,     // not a ROWID text
  kOtherTable,  // a ROWID, but not of a row of this table
  kRow,         // a row of this table; its SQLite rowid is set
};
RowidMatch rowidOfText(std::string_view table, std::string_view text, sqlite3_int64& rowid);

}  // namespace ocistandin
