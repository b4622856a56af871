#pragma once
// Which field a select-list column of an Oracle dataset becomes: the field
// type and size for the column's fetch type code, and whether the column is
// read as wide (UTF-16) text. Pure functions of the column's describe data
// and the session's preferences.

#include <cstdint>

#include "dataset/db_types.h"
#include "oracle/session/session_preferences.h"

namespace oracle {

// The session preferences the mapping reads.
struct TFieldTypeRules {
  int32_t smallIntPrecision = -1;  // 0 counts as 4
  int32_t maxStringFieldSize = 0;  // 0: no limit
};

struct TColumnFieldType {
  bool hasField = false;  // false: the column gets no field definition
  dataset::TFieldType type = dataset::TFieldType::ftUnknown;
  int size = 0;
  bool operator==(const TColumnFieldType&) const = default;
};

// `fetchType` is the column's type code as the query fetches it (3 integer,
// 4 float, 5 string, 8 LONG, 12 DATE, 24 LONG RAW, 110 REF, 112 CLOB,
// 113 BLOB, 114 BFILE, 187/188/232 timestamps); `size` the query's field
// size. Object columns (108) have no field of their own.
TColumnFieldType FieldTypeForColumn(int fetchType, int size, int precision, bool national,
                                    bool wide, const TFieldTypeRules& rules);

// Whether a column is read as wide text: national (form 2) and ConvertUTF not
// UTF-16-to-UTF-8, or in a UTF-8 character set and ConvertUTF UTF-8-to-UTF-16,
// or a string column with ForceWideStringFields; a LONG or CLOB column never.
bool IsWideColumn(int fetchType, int charsetForm, int charsetId, TConvertUTF convertUTF,
                  bool forceWideStringFields);

// Whether a column's character-set form is the national one.
bool IsNationalCharsetForm(int charsetForm);

}  // namespace oracle
