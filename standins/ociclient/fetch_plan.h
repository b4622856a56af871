// The fetch plan of a select: for each define, its column, the conversion
// its values take and the addresses of its buffers, worked out once per
// fetch call so that the rows of the batch are written without deciding
// anything again per value.
#pragma once

#include <cstddef>
#include <vector>

#include "statement.h"

namespace ocistandin {

// The conversion a define's values take. The named ones are the common
// cases of a fetch, each covering only the SQLite value types it converts
// exactly as the general conversion would; any other value of the column
// (and every value of a kGeneral define) takes the general conversion.
enum class FetchConverter : unsigned char {
  kGeneral,
  kInt32,   // a 4-byte signed integer define (SQLT_INT) of a number
  kDouble,  // an 8-byte floating-point define of a number
  kText,    // a character define of a text or number column
  kDate7,   // a 7-byte date define (SQLT_DAT) of a date text
};

struct FetchStep {
  const DefineHandle* define = nullptr;
  int column = 0;  // 0-based SQLite column
  FetchConverter converter = FetchConverter::kGeneral;
  // Each buffer's first element and the stride to the next (a null buffer
  // stays null for every row).
  char* value = nullptr;
  char* indicators = nullptr;
  char* lengths = nullptr;
  char* returnCodes = nullptr;
  std::size_t valueSkip = 0, indicatorSkip = 0, lengthSkip = 0, returnCodeSkip = 0;
};

using FetchPlan = std::vector<FetchStep>;

// The plan of the statement's current defines over its described columns.
// A plan stays valid while neither changes, i.e. for one fetch call.
FetchPlan planFetch(const StmtHandle& stmt);

// Writes the current SQLite row into the defines at batch index `row` by
// `plan`. Sets `truncated` when a value had to be cut.
bool writeRow(StmtHandle& stmt, const FetchPlan& plan, ub4 row, bool& truncated, OraError& error);

}  // namespace ocistandin
