// Column information and the values of the current row of a query, by index
// and by name, with their conversions.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "oracle/query/query.h"
#include "oracle/session/session.h"
#include "oracle/values/oracle_timestamp.h"
#include "oracle/values/type_codes.h"

namespace oracle {
namespace {

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

const TQueryColumn& TOracleQuery::Column(int32_t i) const {
  if (i < 0 || i >= FieldCount()) {
    throw std::runtime_error("Field " + std::to_string(i) + " does not exist");
  }
  return fields_[static_cast<std::size_t>(i)];
}

const TQueryColumn& TOracleQuery::CurrentColumn(int32_t i) const {
  if (eof_) throw std::runtime_error("You cannot access field data beyond Eof");
  return Column(i);
}

int32_t TOracleQuery::FieldIndex(std::string_view name) const {
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (SameNameIgnoringCase(fields_[i].name, name)) return static_cast<int32_t>(i);
  }
  return -1;
}

int32_t TOracleQuery::NameIndex(std::string_view name) const {
  const int32_t index = FieldIndex(name);
  if (index < 0) throw std::runtime_error("Field " + std::string(name) + " does not exist");
  return index;
}

const std::string& TOracleQuery::FieldName(int32_t i) const {
  return Column(i).name;
}
int16_t TOracleQuery::FieldType(int32_t i) const {
  return Column(i).bufferType;
}
int32_t TOracleQuery::FieldSize(int32_t i) const {
  const TQueryColumn& column = Column(i);
  return column.bufferType == otype::String ? column.bufferSize - 1 : column.bufferSize;
}
int32_t TOracleQuery::FieldPrecision(int32_t i) const {
  return Column(i).precision;
}
int32_t TOracleQuery::FieldScale(int32_t i) const {
  return Column(i).scale;
}
bool TOracleQuery::FieldOptional(int32_t i) const {
  return Column(i).nullable;
}
const std::string& TOracleQuery::FieldTypeName(int32_t i) const {
  return Column(i).typeName;
}
int16_t TOracleQuery::FieldOracleType(int32_t i) const {
  return Column(i).oracleType;
}
int32_t TOracleQuery::FieldCharSize(int32_t i) const {
  return Column(i).charSize;
}
uint8_t TOracleQuery::FieldCharsetForm(int32_t i) const {
  return Column(i).charsetForm;
}
uint16_t TOracleQuery::FieldCharsetId(int32_t i) const {
  return Column(i).charsetId;
}

bool TOracleQuery::ConvertsLineEnds() const {
  return session_ == nullptr || session_->ConvertCRLF();
}

bool TOracleQuery::FieldIsNull(int32_t i) const {
  return CurrentColumn(i).data->IsNull(rowIndex_);
}

Variant TOracleQuery::Field(int32_t i) const {
  const TQueryColumn& column = CurrentColumn(i);
  TFieldData& data = *column.data;
  // A cursor column's value is its statement handle, which Field does not
  // hand out: it reads as null.
  if (data.IsNull(rowIndex_) && IsLobType(data.DataType()) && session_ != nullptr &&
      session_->Preferences().NullLOBIsEmpty()) {
    return data.DataType() == otype::CLOB ? Variant::String({}) : Variant::ByteArray({});
  }
  if (data.IsNull(rowIndex_) || data.DataType() == otype::Cursor) {
    return session_ != nullptr && session_->NullValueIsNull() ? Variant::Null() : Variant();
  }
  if (IsLobType(data.DataType())) return LOBValue(column);
  if (column.objects) {
    // A REF reads as its hex form, an XMLTYPE as its document, another
    // object as the object (its wrapper follows the current row).
    if (data.DataType() == otype::Reference) return Variant::String(RefHex(column));
    TObjectColumnObject* object = ObjectColumnObject(i);
    if (object == nullptr) {
      MakeColumnObject(i);
      object = ObjectColumnObject(i);
    }
    std::string text;
    if (object != nullptr && object->ColumnText(text)) return Variant::String(std::move(text));
    if (object != nullptr) return Variant::Object(object);
  }
  if (IsTimestampType(data.DataType())) {
    if (!column.timestamp) {
      column.timestamp =
          std::make_unique<TOracleTimestamp>(session_, TimestampDescriptorType(data.DataType()));
    }
    column.timestamp->Assign(static_cast<const OCIDateTime*>(data.Handles()[rowIndex_]), false);
    return Variant::Date(column.timestamp->Value());
  }
  if (oci7_ && (data.DataType() == otype::Long || data.DataType() == otype::LongRaw)) {
    ReadLongOCI7(column, i);
  }
  return data.Value(rowIndex_, session_);
}

int32_t TOracleQuery::GetLongField(int32_t i, void* buffer, int32_t length, int32_t offset) const {
  const TFieldData& data = *CurrentColumn(i).data;
  if (data.DataType() != otype::Long && data.DataType() != otype::LongRaw) {
    throw std::runtime_error("Field " + std::to_string(i) + " is not a Long");
  }
  if (data.IsNull(rowIndex_) || length <= 0 || offset < 0) return 0;
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t skip = offset;
  int32_t copied = 0;
  for (const TLongPiece& piece : data.Pieces(rowIndex_)) {
    const int64_t pieceLength = piece.Length();
    if (skip >= pieceLength) {
      skip -= pieceLength;
      continue;
    }
    const auto n = static_cast<int32_t>(std::min<int64_t>(pieceLength - skip, length - copied));
    std::memcpy(out + copied, piece.Buffer() + skip, static_cast<std::size_t>(n));
    copied += n;
    skip = 0;
    if (copied == length) break;
  }
  return copied;
}

void TOracleQuery::CannotConvert(int32_t i, const char* what) const {
  throw std::runtime_error("Cannot convert field " + Column(i).name + " to " + what);
}

// The typed readers take a value of their own type from the fetch buffer in
// place; other conversions go through the variant Field gives.

std::string TOracleQuery::FieldAsString(int32_t i) const {
  const TFieldData& data = FieldBuffer(i);
  if (data.InPlaceKind() == TFieldData::TInPlaceKind::kText) {
    if (data.IsNull(rowIndex_)) return {};
    std::string converted;
    return std::string(data.TextAt(rowIndex_, ConvertsLineEnds(), converted));
  }
  const Variant value = Field(i);
  if (value.IsEmptyOrNull()) return {};
  if (value.IsArray()) {
    // LONG RAW, BLOB and BFILE values: their bytes as they are.
    const VarArray& array = value.Array();
    if (array.elementType != VarType::Byte || array.bounds.size() != 1) {
      CannotConvert(i, "a String");
    }
    return std::string(array.bytes.begin(), array.bytes.end());
  }
  try {
    return value.ToText();
  } catch (const EVariantError&) {
    CannotConvert(i, "a String");
  }
}

int32_t TOracleQuery::FieldAsInteger(int32_t i) const {
  const TFieldData& data = FieldBuffer(i);
  if (data.InPlaceKind() == TFieldData::TInPlaceKind::kInteger) {
    return data.IsNull(rowIndex_) ? 0 : data.IntegerAt(rowIndex_);
  }
  if (data.InPlaceKind() == TFieldData::TInPlaceKind::kFloat && !data.IsNull(rowIndex_)) {
    // A NUMBER too wide for a 4-byte integer (NUMBER(10) and up) is fetched
    // as a double: a whole value in range is read from it in place; any
    // other takes the variant's rounding and range check below.
    const double v = data.FloatAt(rowIndex_);
    if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max() &&
        v == std::trunc(v)) {
      return static_cast<int32_t>(v);
    }
  }
  const Variant value = Field(i);
  if (value.IsEmptyOrNull()) return 0;
  try {
    return value.ToInt32();
  } catch (const EVariantError&) {
    CannotConvert(i, "an Integer");
  }
}

double TOracleQuery::FieldAsFloat(int32_t i) const {
  const TFieldData& data = FieldBuffer(i);
  if (data.InPlaceKind() == TFieldData::TInPlaceKind::kFloat) {
    return data.IsNull(rowIndex_) ? 0 : data.FloatAt(rowIndex_);
  }
  const Variant value = Field(i);
  if (value.IsEmptyOrNull()) return 0;
  try {
    return value.ToDouble();
  } catch (const EVariantError&) {
    CannotConvert(i, "a Float");
  }
}

TDateTime TOracleQuery::FieldAsDate(int32_t i) const {
  const TFieldData& data = FieldBuffer(i);
  if (data.InPlaceKind() == TFieldData::TInPlaceKind::kDate) {
    return data.IsNull(rowIndex_) ? 0 : data.DateAt(rowIndex_);
  }
  const Variant value = Field(i);
  if (value.IsEmptyOrNull()) return 0;
  try {
    return value.ToDateTime();
  } catch (const EVariantError&) {
    CannotConvert(i, "a Date");
  } catch (const EDateError&) {
    CannotConvert(i, "a Date");
  }
}

}  // namespace oracle
