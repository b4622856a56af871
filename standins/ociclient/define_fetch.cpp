// OCIDefineByPos, OCIDefineArrayOfStruct, OCIStmtFetch/OCIStmtFetch2 and the
// conversion of a fetched value into the defined external type.
#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>

#include "api_support.h"
#include "charsets.h"
#include "fetch_plan.h"
#include "lob.h"
#include "object_columns.h"
#include "oracle_format.h"
#include "statement.h"

namespace ocistandin {
namespace {

std::string hex(const void* data, int size) {
  static const char digits[] = "0123456789ABCDEF";
  const auto* bytes = static_cast<const unsigned char*>(data);
  std::string out;
  out.reserve(static_cast<size_t>(size) * 2);
  for (int i = 0; i < size; ++i) {
    out += digits[bytes[i] >> 4];
    out += digits[bytes[i] & 15];
  }
  return out;
}

// Text form of a column value as Oracle converts it to a character type.
std::string columnText(sqlite3_stmt* s, int c, int type, const ColumnInfo& column) {
  switch (type) {
    case SQLITE_INTEGER:
      return numberText(static_cast<std::int64_t>(sqlite3_column_int64(s, c)));
    case SQLITE_FLOAT:
      return numberText(sqlite3_column_double(s, c));
    case SQLITE_BLOB:
      return hex(sqlite3_column_blob(s, c), sqlite3_column_bytes(s, c));
    default:
      break;
  }
  const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, c));
  std::string text(p != nullptr ? p : "", static_cast<size_t>(sqlite3_column_bytes(s, c)));
  if (column.dataType == SQLT_DAT) {
    if (const auto date = parseIsoDate(text)) return formatDate(*date, kSessionDateFormat);
  } else if (column.dataType == SQLT_TIMESTAMP || column.dataType == SQLT_TIMESTAMP_TZ ||
             column.dataType == SQLT_TIMESTAMP_LTZ) {
    if (const auto stamp = parseIsoDate(text)) return formatDate(*stamp, kSessionTimestampFormat);
  } else if (column.dataType == SQLT_AFC && text.size() < column.dataSize) {
    text.resize(column.dataSize, ' ');  // CHAR(n) values are blank-padded
  }
  return text;
}

struct Slot {
  char* value;
  sb2* indicator;
  ub2* length;
  ub2* returnCode;
};

// The buffers of a step's element `row`.
Slot slotAt(const FetchStep& step, ub4 row) {
  auto at = [row](char* base, size_t skip) {
    return base == nullptr ? nullptr : base + static_cast<size_t>(row) * skip;
  };
  return {at(step.value, step.valueSkip),
          reinterpret_cast<sb2*>(at(step.indicators, step.indicatorSkip)),
          reinterpret_cast<ub2*>(at(step.lengths, step.lengthSkip)),
          reinterpret_cast<ub2*>(at(step.returnCodes, step.returnCodeSkip))};
}

template <class T>
void put(void* where, T value) {
  if (where != nullptr) std::memcpy(where, &value, sizeof value);
}

void finish(const Slot& slot, sb2 indicator, ub4 length, ub2 code) {
  put(slot.indicator, indicator);
  put(slot.length, static_cast<ub2>(length > 65535 ? 65535 : length));
  put(slot.returnCode, code);
}

// Copies bytes into a character or raw buffer by the rules of the type;
// text goes out in the character set the define names (UTF-16 in code units
// of two bytes, never cut inside one). Returns whether the value had to be
// cut.
bool writeBytes(const DefineHandle& d, const Slot& slot, const char* data, size_t len) {
  const size_t size = d.valueSize > 0 ? static_cast<size_t>(d.valueSize) : 0;
  if (d.dataType == SQLT_LNG || d.dataType == SQLT_LBI) d.longValue.assign(data, len);
  const bool text = d.dataType == SQLT_STR || d.dataType == SQLT_AVC || d.dataType == SQLT_AFC ||
                    d.dataType == SQLT_CHR || d.dataType == SQLT_LNG;
  std::string converted;
  size_t unit = 1;
  if (text && isUtf16CharsetId(d.charsetId)) {
    converted = toCharset({data, len}, d.charsetId);
    data = converted.data();
    len = converted.size();
    unit = 2;
  }
  // Only blank-padded types need the blank in the define's character set.
  auto pad = [&](size_t from, size_t to) {
    if (from + unit > to) return;
    const std::string blank = toCharset(" ", text ? d.charsetId : 0);
    for (size_t i = from; i + unit <= to; i += unit)
      std::memcpy(slot.value + i, blank.data(), unit);
  };
  bool truncated = false;
  size_t written = 0;
  switch (d.dataType) {
    case SQLT_STR:
    case SQLT_AVC: {
      size_t room = size >= unit ? size - unit : 0;
      room -= room % unit;
      const size_t n = len < room ? len : room;
      truncated = len > room;
      if (size >= unit && slot.value != nullptr) {
        std::memcpy(slot.value, data, n);
        size_t end = n;
        if (d.dataType == SQLT_AVC) {
          pad(n, room);
          end = room;
        }
        std::memset(slot.value + end, 0, unit);
        written = end;
      }
      break;
    }
    case SQLT_AFC: {
      const size_t room = size - size % unit;
      const size_t n = len < room ? len : room;
      truncated = len > room;
      if (slot.value != nullptr) {
        std::memcpy(slot.value, data, n);
        pad(n, room);
      }
      written = room;
      break;
    }
    default: {
      const size_t room = size - size % unit;
      const size_t n = len < room ? len : room;
      truncated = len > room;
      if (slot.value != nullptr) std::memcpy(slot.value, data, n);
      written = n;
      break;
    }
  }
  const sb2 indicator =
      truncated ? static_cast<sb2>(len <= static_cast<size_t>(SHRT_MAX) ? len : -2) : 0;
  finish(slot, indicator, static_cast<ub4>(written), truncated ? kTruncated : 0);
  return truncated;
}

bool numericValue(sqlite3_stmt* s, int c, int type, const ColumnInfo& column, double& real,
                  sqlite3_int64& integer, bool& isInteger, OraError& error) {
  isInteger = false;
  if (type == SQLITE_INTEGER) {
    integer = sqlite3_column_int64(s, c);
    isInteger = true;
    return true;
  }
  if (type == SQLITE_FLOAT) {
    real = sqlite3_column_double(s, c);
    return true;
  }
  if (type == SQLITE_TEXT && column.dataType != SQLT_DAT) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, c));
    if (const auto parsed = parseNumber(p != nullptr ? p : "")) {
      real = *parsed;
      return true;
    }
    error = {kInvalidNumber, standardText(kInvalidNumber)};
    return false;
  }
  error = {kInconsistentTypes, standardText(kInconsistentTypes)};
  return false;
}

bool writeInteger(const DefineHandle& d, const Slot& slot, double real, sqlite3_int64 integer,
                  bool isInteger, OraError& error) {
  const bool isSigned = d.dataType == SQLT_INT;
  if (isInteger && isSigned && d.valueSize == 4) {
    // The common case (a NUMBER column fetched as a 4-byte integer) without
    // the extended-precision range checks below.
    if (integer < INT32_MIN || integer > INT32_MAX) {
      error = {kIntegerOverflow, standardText(kIntegerOverflow)};
      return false;
    }
    put(slot.value, static_cast<std::int32_t>(integer));
    finish(slot, 0, 4, 0);
    return true;
  }
  long double v = isInteger ? static_cast<long double>(integer)
                            : std::round(static_cast<long double>(real));  // half away from zero
  long double lo = 0, hi = 0;
  switch (d.valueSize) {
    case 1:
      lo = isSigned ? INT8_MIN : 0, hi = isSigned ? INT8_MAX : UINT8_MAX;
      break;
    case 2:
      lo = isSigned ? INT16_MIN : 0, hi = isSigned ? INT16_MAX : UINT16_MAX;
      break;
    case 4:
      lo = isSigned ? INT32_MIN : 0, hi = isSigned ? INT32_MAX : UINT32_MAX;
      break;
    case 8:
      lo = isSigned ? static_cast<long double>(INT64_MIN) : 0;
      hi = isSigned ? static_cast<long double>(INT64_MAX) : static_cast<long double>(UINT64_MAX);
      break;
    default:
      error = {kInconsistentTypes,
               "inconsistent datatypes: integer define of size " + std::to_string(d.valueSize)};
      return false;
  }
  if (v < lo || v > hi || !std::isfinite(static_cast<double>(v))) {
    error = {kIntegerOverflow, standardText(kIntegerOverflow)};
    return false;
  }
  if (slot.value != nullptr) {
    switch (d.valueSize) {
      case 1:
        isSigned ? put(slot.value, static_cast<std::int8_t>(v))
                 : put(slot.value, static_cast<std::uint8_t>(v));
        break;
      case 2:
        isSigned ? put(slot.value, static_cast<std::int16_t>(v))
                 : put(slot.value, static_cast<std::uint16_t>(v));
        break;
      case 4:
        isSigned ? put(slot.value, static_cast<std::int32_t>(v))
                 : put(slot.value, static_cast<std::uint32_t>(v));
        break;
      default:
        if (isInteger && isSigned)
          put(slot.value, static_cast<std::int64_t>(integer));
        else if (isSigned)
          put(slot.value, static_cast<std::int64_t>(v));
        else
          put(slot.value, static_cast<std::uint64_t>(v));
        break;
    }
  }
  finish(slot, 0, static_cast<ub4>(d.valueSize), 0);
  return true;
}

// Hands a value to a dynamic define's callback piece by piece, in the
// buffers it gives: the first call says OCI_FIRST_PIECE, later ones
// OCI_NEXT_PIECE, until the value is delivered. A null value (Oracle keeps an
// empty LONG as null) takes one call whose indicator is set to -1.
bool writePieces(const DefineHandle& d, ub4 row, sqlite3_stmt* s, int c, OraError& error) {
  if (d.callback == nullptr) {
    error = {24345, "A Truncation or null fetch error occurred"};
    return false;
  }
  const bool raw = d.dataType == SQLT_LBI || d.dataType == SQLT_BIN;
  const auto* data = static_cast<const char*>(
      raw ? sqlite3_column_blob(s, c) : static_cast<const void*>(sqlite3_column_text(s, c)));
  const auto size = static_cast<size_t>(sqlite3_column_bytes(s, c));
  const bool null = sqlite3_column_type(s, c) == SQLITE_NULL || size == 0;
  size_t offset = 0;
  ub1 piece = OCI_FIRST_PIECE;
  do {
    dvoid* buffer = nullptr;
    ub4* length = nullptr;
    dvoid* indicator = nullptr;
    ub2* code = nullptr;
    auto* handle = reinterpret_cast<OCIDefine*>(const_cast<DefineHandle*>(&d));
    if (d.callback(d.callbackContext, handle, row, &buffer, &length, &piece, &indicator, &code) !=
        OCI_CONTINUE) {
      error = {24343, "user defined callback error"};
      return false;
    }
    if (null) {
      put(indicator, static_cast<sb2>(-1));
      if (length != nullptr) *length = 0;
      put(code, static_cast<ub2>(kNullFetched));
      return true;
    }
    const size_t capacity = length != nullptr && buffer != nullptr ? *length : 0;
    if (capacity == 0) {
      error = {24345, "A Truncation or null fetch error occurred"};
      return false;
    }
    const size_t n = std::min(capacity, size - offset);
    std::memcpy(buffer, data + offset, n);
    *length = static_cast<ub4>(n);
    put(indicator, static_cast<sb2>(0));
    put(code, static_cast<ub2>(0));
    offset += n;
    piece = OCI_NEXT_PIECE;
  } while (offset < size);
  return true;
}

// The general conversion of the current row's value of define `d`, for
// every define type and every stored value.
bool writeDefine(StmtHandle& stmt, const FetchStep& step, const Slot& slot, ub4 row,
                 bool& truncated, OraError& error) {
  const DefineHandle* d = step.define;
  {
    if (d->position == 0 || d->position > stmt.columns.size()) {
      error = {1007, "variable not in select list"};
      return false;
    }
    sqlite3_stmt* s = stmt.sqlite;
    int c = static_cast<int>(d->position - 1);
    const ColumnInfo& column = stmt.columns[static_cast<size_t>(c)];
    // A LOB column selected as typeof(column) and defined as anything but a
    // locator: its value is read by rowid.
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> lazyValue(nullptr, sqlite3_finalize);
    const StmtHandle::LazyLob* lazy = lazyLobAt(stmt, c);
    if (lazy != nullptr && d->dataType != SQLT_CLOB && d->dataType != SQLT_BLOB) {
      lazyValue.reset(lazyLobValue(stmt, *lazy));
      if (!lazyValue) {
        error = {kInternalError, "the row of a LOB value is gone"};
        return false;
      }
      s = lazyValue.get();
      c = 0;
    }
    if (d->dynamic) {
      if (!writePieces(*d, row, s, c, error)) return false;
      return true;
    }
    if (column.dataType == SQLT_RSET) {
      // A cursor expression: the row's statement handle gets its select, open.
      OCIStmt* handle = nullptr;
      if (slot.value != nullptr) std::memcpy(&handle, slot.value, sizeof handle);
      auto* cursor = findAs<StmtHandle>(handle, OCI_HTYPE_STMT);
      if (cursor == nullptr) {
        error = {kInvalidCursor, standardText(kInvalidCursor)};
        return false;
      }
      std::string select;
      for (const auto& [position, text] : stmt.rewritten.cursorColumns)
        if (position == static_cast<std::size_t>(c)) select = text;
      if (!openCursor(*cursor, select, stmt.connection, error)) return false;
      finish(slot, 0, sizeof handle, 0);
      return true;
    }
    const int type = sqlite3_column_type(s, c);
    if (type == SQLITE_NULL) {
      if (slot.indicator == nullptr) {
        error = {kNullFetched, standardText(kNullFetched)};
        return false;
      }
      finish(slot, -1, 0, kNullFetched);
      d->longValue.clear();
      return true;
    }
    switch (d->dataType) {
      case SQLT_CHR:
      case SQLT_AFC:
      case SQLT_STR:
      case SQLT_AVC:
      case SQLT_LNG: {
        // Plain text and integers go straight into the buffer; dates, CHAR
        // padding, reals and raw values take the general conversion.
        const bool plainText = column.dataType == SQLT_CHR || column.dataType == SQLT_LNG ||
                               column.dataType == SQLT_CLOB || column.dataType == SQLT_NUM;
        if (type == SQLITE_TEXT && plainText) {
          const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, c));
          const auto n = static_cast<size_t>(sqlite3_column_bytes(s, c));
          if (writeBytes(*d, slot, p != nullptr ? p : "", n)) truncated = true;
        } else if (type == SQLITE_INTEGER) {
          char digits[24];
          const auto result =
              std::to_chars(digits, digits + sizeof digits, sqlite3_column_int64(s, c));
          if (writeBytes(*d, slot, digits, static_cast<size_t>(result.ptr - digits)))
            truncated = true;
        } else {
          const std::string value = columnText(s, c, type, column);
          if (writeBytes(*d, slot, value.data(), value.size())) truncated = true;
        }
        break;
      }
      case SQLT_BIN:
      case SQLT_LBI: {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(s, c));
        const std::string bytes(p != nullptr ? p : "",
                                static_cast<size_t>(sqlite3_column_bytes(s, c)));
        if (writeBytes(*d, slot, bytes.data(), bytes.size())) truncated = true;
        break;
      }
      case SQLT_INT:
      case SQLT_UIN: {
        double real = 0;
        sqlite3_int64 integer = 0;
        bool isInteger = false;
        if (!numericValue(s, c, type, column, real, integer, isInteger, error)) return false;
        if (!writeInteger(*d, slot, real, integer, isInteger, error)) return false;
        break;
      }
      case SQLT_FLT:
      case SQLT_BDOUBLE:
      case SQLT_IBDOUBLE:
      case SQLT_BFLOAT:
      case SQLT_IBFLOAT: {
        double real = 0;
        sqlite3_int64 integer = 0;
        bool isInteger = false;
        if (!numericValue(s, c, type, column, real, integer, isInteger, error)) return false;
        if (isInteger) real = static_cast<double>(integer);
        if (d->valueSize == sizeof(double))
          put(slot.value, real);
        else if (d->valueSize == sizeof(float))
          put(slot.value, static_cast<float>(real));
        else {
          error = {kInconsistentTypes, standardText(kInconsistentTypes)};
          return false;
        }
        finish(slot, 0, static_cast<ub4>(d->valueSize), 0);
        break;
      }
      case SQLT_DAT: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, c));
        // Dates are stored as "YYYY-MM-DD HH:MM:SS"; a text in the session's
        // date format converts as Oracle's implicit conversion would.
        std::optional<DateParts> date;
        if (type == SQLITE_TEXT) {
          const std::string_view value(p != nullptr ? p : "");
          date = parseIsoDate(value);
          if (!date) date = parseDate(std::string(value), kSessionDateFormat);
        }
        if (!date) {
          error = type == SQLITE_TEXT
                      ? OraError{kLiteralMismatch, standardText(kLiteralMismatch)}
                      : OraError{kInconsistentTypes, standardText(kInconsistentTypes)};
          return false;
        }
        if (d->valueSize < 7) {
          error = {kInconsistentTypes, standardText(kInconsistentTypes)};
          return false;
        }
        if (slot.value != nullptr)
          toOracleDate7(*date, reinterpret_cast<unsigned char*>(slot.value));
        finish(slot, 0, 7, 0);
        break;
      }
      case SQLT_TIMESTAMP:
      case SQLT_TIMESTAMP_TZ:
      case SQLT_TIMESTAMP_LTZ: {
        // The element holds a pointer to a date-time descriptor.
        void* pointer = nullptr;
        if (slot.value != nullptr && d->valueSize >= static_cast<sb4>(sizeof pointer))
          std::memcpy(&pointer, slot.value, sizeof pointer);
        Handle* handle = findAnyHandle(pointer);
        if (handle == nullptr || handle->type < OCI_DTYPE_TIMESTAMP ||
            handle->type > OCI_DTYPE_TIMESTAMP_LTZ) {
          error = {kInconsistentTypes, "inconsistent datatypes: no date-time descriptor"};
          return false;
        }
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, c));
        const auto parts = type == SQLITE_TEXT ? parseIsoDate(p != nullptr ? p : "") : std::nullopt;
        if (!parts) {
          error = {kInconsistentTypes, standardText(kInconsistentTypes)};
          return false;
        }
        storeDateTime(*static_cast<DateTimeDescriptor*>(handle), *parts);
        finish(slot, 0, static_cast<ub4>(d->valueSize), 0);
        break;
      }
      case SQLT_CLOB:
      case SQLT_BLOB:
      case SQLT_BFILEE: {
        // The element holds a pointer to a LOB locator.
        bool isNull = false;
        if (!fetchLobColumn(stmt, c, d->dataType, slot.value, d->valueSize, isNull, error))
          return false;
        finish(slot, isNull ? -1 : 0, static_cast<ub4>(d->valueSize), 0);
        break;
      }
      case SQLT_NTY:
      case SQLT_REF:
        if (!fetchObjectColumn(stmt, *d, row, s, c, error)) return false;
        finish(slot, 0, 0, 0);
        break;
      default:
        error = {kUnimplemented, standardText(kUnimplemented)};
        return false;
    }
  }
  return true;
}

bool isCharacterDefine(ub2 type) {
  return type == SQLT_CHR || type == SQLT_AFC || type == SQLT_STR || type == SQLT_AVC ||
         type == SQLT_LNG;
}

bool isFloatDefine(ub2 type) {
  return type == SQLT_FLT || type == SQLT_BDOUBLE || type == SQLT_IBDOUBLE || type == SQLT_BFLOAT ||
         type == SQLT_IBFLOAT;
}

// The conversion of a define, from its type and size and its column's type.
// Only a plain column qualifies: a dynamic define, a cursor column and a LOB
// read by rowid keep the general conversion.
FetchConverter converterFor(const StmtHandle& stmt, const DefineHandle& d) {
  if (d.dynamic || d.position == 0 || d.position > stmt.columns.size())
    return FetchConverter::kGeneral;
  const int c = static_cast<int>(d.position - 1);
  const ColumnInfo& column = stmt.columns[static_cast<size_t>(c)];
  if (column.dataType == SQLT_RSET || lazyLobAt(stmt, c) != nullptr)
    return FetchConverter::kGeneral;
  if (d.dataType == SQLT_INT && d.valueSize == 4) return FetchConverter::kInt32;
  if (isFloatDefine(d.dataType) && d.valueSize == sizeof(double)) return FetchConverter::kDouble;
  if (d.dataType == SQLT_DAT && d.valueSize >= 7) return FetchConverter::kDate7;
  const bool plainText = column.dataType == SQLT_CHR || column.dataType == SQLT_LNG ||
                         column.dataType == SQLT_CLOB || column.dataType == SQLT_NUM;
  if (isCharacterDefine(d.dataType) && plainText) return FetchConverter::kText;
  return FetchConverter::kGeneral;
}

// The fast conversions of a step: one SQLite call reads the value, the
// buffers' addresses come from the plan. Answers false, having written
// nothing, when the value is not one the step's converter covers.
bool writeFast(const FetchStep& step, const Slot& slot, sqlite3_stmt* s, bool& truncated,
               OraError& error, bool& written) {
  const DefineHandle& d = *step.define;
  sqlite3_value* value = sqlite3_column_value(s, step.column);
  const int type = sqlite3_value_type(value);
  written = true;
  if (type == SQLITE_NULL) {
    if (slot.indicator == nullptr) {
      error = {kNullFetched, standardText(kNullFetched)};
      return false;
    }
    finish(slot, -1, 0, kNullFetched);
    d.longValue.clear();
    return true;
  }
  switch (step.converter) {
    case FetchConverter::kInt32:
      if (type != SQLITE_INTEGER) break;
      return writeInteger(d, slot, 0, sqlite3_value_int64(value), true, error);
    case FetchConverter::kDouble:
      if (type == SQLITE_INTEGER) {
        put(slot.value, static_cast<double>(sqlite3_value_int64(value)));
      } else if (type == SQLITE_FLOAT) {
        put(slot.value, sqlite3_value_double(value));
      } else {
        break;
      }
      finish(slot, 0, sizeof(double), 0);
      return true;
    case FetchConverter::kText:
      if (type == SQLITE_TEXT) {
        const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(value));
        const auto n = static_cast<size_t>(sqlite3_value_bytes(value));
        if (writeBytes(d, slot, p != nullptr ? p : "", n)) truncated = true;
        return true;
      }
      if (type == SQLITE_INTEGER) {
        char digits[24];
        const auto result =
            std::to_chars(digits, digits + sizeof digits, sqlite3_value_int64(value));
        if (writeBytes(d, slot, digits, static_cast<size_t>(result.ptr - digits))) truncated = true;
        return true;
      }
      break;
    case FetchConverter::kDate7:
      if (type == SQLITE_TEXT) {
        const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(value));
        const auto n = static_cast<size_t>(sqlite3_value_bytes(value));
        if (const auto date = parseIsoDate({p != nullptr ? p : "", p != nullptr ? n : 0})) {
          if (slot.value != nullptr)
            toOracleDate7(*date, reinterpret_cast<unsigned char*>(slot.value));
          finish(slot, 0, 7, 0);
          return true;
        }
      }
      break;
    case FetchConverter::kGeneral:
      break;
  }
  written = false;
  return true;
}

}  // namespace

FetchPlan planFetch(const StmtHandle& stmt) {
  FetchPlan plan;
  plan.reserve(stmt.defines.size());
  for (const DefineHandle* d : stmt.defines) {
    FetchStep step;
    step.define = d;
    step.column = d->position > 0 ? static_cast<int>(d->position - 1) : 0;
    step.converter = converterFor(stmt, *d);
    step.value = static_cast<char*>(d->value);
    step.indicators = static_cast<char*>(d->indicators);
    step.lengths = reinterpret_cast<char*>(d->lengths);
    step.returnCodes = reinterpret_cast<char*>(d->returnCodes);
    step.valueSkip = d->valueSkip != 0 ? d->valueSkip : static_cast<size_t>(d->valueSize);
    step.indicatorSkip = d->indicatorSkip != 0 ? d->indicatorSkip : sizeof(sb2);
    step.lengthSkip = d->lengthSkip != 0 ? d->lengthSkip : sizeof(ub2);
    step.returnCodeSkip = d->returnCodeSkip != 0 ? d->returnCodeSkip : sizeof(ub2);
    plan.push_back(step);
  }
  return plan;
}

bool writeRow(StmtHandle& stmt, const FetchPlan& plan, ub4 row, bool& truncated, OraError& error) {
  for (const FetchStep& step : plan) {
    const Slot slot = slotAt(step, row);
    if (step.converter != FetchConverter::kGeneral) {
      bool written = false;
      if (!writeFast(step, slot, stmt.sqlite, truncated, error, written)) return false;
      if (written) continue;
    }
    if (!writeDefine(stmt, step, slot, row, truncated, error)) return false;
  }
  return true;
}

}  // namespace ocistandin

using namespace ocistandin;

extern "C" {

sword OCIDefineByPos(OCIStmt* stmtp, OCIDefine** defnp, OCIError* errhp, ub4 position,
                     dvoid* valuep, sb4 value_sz, ub2 dty, dvoid* indp, ub2* rlenp, ub2* rcodep,
                     ub4 mode) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* stmt = findAs<StmtHandle>(stmtp, OCI_HTYPE_STMT);
  if (err == nullptr || stmt == nullptr || defnp == nullptr) return OCI_INVALID_HANDLE;
  if (mode != OCI_DEFAULT && mode != OCI_DYNAMIC_FETCH) return fail(err, kUnimplemented);
  if (position == 0 || (stmt->described && position > stmt->columns.size()))
    return fail(err, OraError{1007, "variable not in select list"});
  if (value_sz < 0) return fail(err, kInconsistentTypes);
  auto* define = registerHandle(std::make_unique<DefineHandle>(OCI_HTYPE_DEFINE, stmt));
  define->position = position;
  define->value = valuep;
  define->valueSize = value_sz;
  define->dataType = dty;
  define->indicators = indp;
  define->lengths = rlenp;
  define->returnCodes = rcodep;
  define->dynamic = mode == OCI_DYNAMIC_FETCH;
  bool replaced = false;
  for (auto& existing : stmt->defines) {
    if (existing->position == position) {
      existing = define;  // a new define of a position replaces the old one
      replaced = true;
    }
  }
  if (!replaced) stmt->defines.push_back(define);
  *defnp = reinterpret_cast<OCIDefine*>(define);
  return OCI_SUCCESS;
}

sword OCIDefineDynamic(OCIDefine* defnp, OCIError* errhp, dvoid* octxp, OCICallbackDefine ocbfp) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* define = findAs<DefineHandle>(defnp, OCI_HTYPE_DEFINE);
  if (err == nullptr || define == nullptr) return OCI_INVALID_HANDLE;
  if (!define->dynamic) return fail(err, OraError{24304, "datatype not allowed for this call"});
  define->callbackContext = octxp;
  define->callback = ocbfp;
  return OCI_SUCCESS;
}

sword OCIDefineArrayOfStruct(OCIDefine* defnp, OCIError* errhp, ub4 pvskip, ub4 indskip, ub4 rlskip,
                             ub4 rcskip) {
  return setArrayOfStruct<DefineHandle>(defnp, OCI_HTYPE_DEFINE, errhp, pvskip, indskip, rlskip,
                                        rcskip);
}

sword OCIStmtFetch2(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, sb4, ub4) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* stmt = findAs<StmtHandle>(stmtp, OCI_HTYPE_STMT);
  if (err == nullptr || stmt == nullptr) return OCI_INVALID_HANDLE;
  return fetchRows(*stmt, err, nrows, orientation);
}

sword OCIStmtFetch(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, ub4 mode) {
  return OCIStmtFetch2(stmtp, errhp, nrows, orientation, 0, mode);
}

}  // extern "C"
