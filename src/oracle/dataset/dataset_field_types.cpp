#include "oracle/dataset/dataset_field_types.h"

#include "oracle/values/text_convert.h"
#include "oracle/values/type_codes.h"

namespace oracle {

using dataset::TFieldType;

TColumnFieldType FieldTypeForColumn(int fetchType, int size, int precision, bool national,
                                    bool wide, const TFieldTypeRules& rules) {
  switch (fetchType) {
    case otype::Integer: {
      const int smallInt = rules.smallIntPrecision == 0 ? 4 : rules.smallIntPrecision;
      return {true, precision <= smallInt ? TFieldType::ftSmallint : TFieldType::ftInteger, 0};
    }
    case otype::Float:
      return {true, TFieldType::ftFloat, 0};
    case otype::String: {
      int fieldSize = national && !wide ? size * 2 : size;
      if (fieldSize < 1) fieldSize = 1;
      if (!wide && rules.maxStringFieldSize > 0 && rules.maxStringFieldSize < fieldSize) {
        return {true, TFieldType::ftMemo, 0};
      }
      return {true, wide ? TFieldType::ftWideString : TFieldType::ftString, fieldSize};
    }
    case otype::Long:
      return {true, TFieldType::ftMemo, 0};
    case otype::Date:
    case otype::Timestamp:
    case otype::TimestampTZ:
    case otype::TimestampLTZ:
      return {true, TFieldType::ftDateTime, 0};
    case otype::LongRaw:
      return {true, TFieldType::ftBlob, 0};
    case otype::Reference:
      return {true, TFieldType::ftString, 256};
    case otype::CLOB:
      return {true, TFieldType::ftOraClob, 0};
    case otype::BLOB:
    case otype::BFile:
      return {true, TFieldType::ftOraBlob, 0};
    default:  // objects (their attributes), cursors and anything else
      return {};
  }
}

bool IsWideColumn(int fetchType, int charsetForm, int charsetId, TConvertUTF convertUTF,
                  bool forceWideStringFields) {
  const bool national = IsNationalCharsetForm(charsetForm);
  const bool utf8 = IsUtf8CharSet(charsetId);
  if (fetchType == otype::Long || fetchType == otype::CLOB) return false;
  if (national && convertUTF != TConvertUTF::cuUTF16ToUTF8) return true;
  if (utf8 && convertUTF == TConvertUTF::cuUTF8ToUTF16) return true;
  return fetchType == otype::String && forceWideStringFields;
}

bool IsNationalCharsetForm(int charsetForm) {
  return charsetForm == 2;  // SQLCS_NCHAR
}

}  // namespace oracle
