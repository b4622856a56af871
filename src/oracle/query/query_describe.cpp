// Describing a query's select list, choosing each column's fetch buffer and
// defining it, and checking a fetched block for truncated values.
#include <algorithm>
#include <limits>
#include <stdexcept>

#include "oracle/client/oci_loader.h"
#include "oracle/query/query.h"
#include "oracle/query/query_guards.h"
#include "oracle/session/session.h"
#include "oracle/values/type_codes.h"

namespace oracle {
namespace {

constexpr int16_t kNumber = 2;
constexpr int16_t kBinaryFloat = 100;
constexpr int16_t kBinaryDouble = 101;
constexpr int16_t kRowid = 11;
constexpr int16_t kRowidDescriptor = 104;
constexpr int16_t kMLSLabel = 106;
constexpr int16_t kIntervalYM = 189;
constexpr int16_t kIntervalDS = 190;
// Sizes of the pieces a LONG or LONG RAW value is fetched in.
constexpr std::size_t kFirstLongPiece = 4096;
constexpr std::size_t kLargestLongPiece = 32768;
// Longest column name kept.
constexpr std::size_t kMaxColumnName = 30;
constexpr int32_t kValueTruncated = 1406;

[[noreturn]] void NotYet(const std::string& kind, const std::string& column) {
  throw std::runtime_error("Column " + column + ": " + kind + " columns cannot be fetched yet");
}

template <class T>
sword Attribute(OCIParam* param, T& value, ub4 attribute, OCIError* err) {
  return OCIAttrGet(param, OCI_DTYPE_PARAM, &value, nullptr, attribute, err);
}

bool Succeeded(sword status) {
  return status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO;
}

// Hands the client the next piece of a LONG or LONG RAW value of row
// `iter`: 4096 bytes first, each further piece twice the last, up to 32768.
sb4 NextLongPiece(dvoid* context, OCIDefine*, ub4 iter, dvoid** buffer, ub4** length, ub1*,
                  dvoid** indicator, ub2** returnCode) {
  auto& data = *static_cast<TFieldData*>(context);
  const auto row = static_cast<int32_t>(iter);
  const std::vector<TLongPiece>& pieces = data.Pieces(row);
  const std::size_t capacity =
      pieces.empty() ? kFirstLongPiece : std::min(2 * pieces.back().Capacity(), kLargestLongPiece);
  TLongPiece& piece = data.AddPiece(row, capacity);
  piece.SetLength(static_cast<ub4>(capacity));
  *buffer = piece.Buffer();
  *length = piece.LengthPtr();
  *indicator = data.Indicators() + row;
  *returnCode = data.ReturnCodes() + row;
  return OCI_CONTINUE;
}

}  // namespace

TColumnBuffer ColumnBufferFor(int16_t oracleType, int32_t dataSize, int32_t precision,
                              int32_t scale, const TColumnBufferRules& rules,
                              const std::string& columnName) {
  switch (oracleType) {
    case kNumber:
    case kBinaryFloat:
    case kBinaryDouble:
      return rules.numeric(precision, scale);
    case otype::Long:
    case otype::LongRaw:
      return {oracleType, 0};  // fetched in pieces
    case kRowid:
    case kRowidDescriptor:
      return {otype::String, dataSize < 19 ? 19 : dataSize + 1};
    case otype::Date:
      if (rules.stringFieldsOnly) {
        // Room for the longest date text and its terminating zero.
        return {otype::String, std::max(rules.dateFormatLength(), 1) + 1};
      }
      return {otype::Date, 7};
    case otype::Raw:
      return {otype::String, 2 * dataSize + 1};
    case kMLSLabel:
      return {otype::String, 255};
    case otype::Object:
      NotYet("object", columnName);
    case otype::Reference:
      NotYet("REF", columnName);
    case otype::Cursor:
      return {otype::Cursor, 4};  // a statement handle per row
    case otype::CLOB:
    case otype::BLOB:
    case otype::BFile:
      NotYet("LOB", columnName);
    case otype::Timestamp:
    case otype::TimestampTZ:
    case otype::TimestampLTZ:
      if (rules.timestampAsString) return {otype::String, 50 * rules.bytesPerChar};
      return {oracleType, 4};
    case kIntervalYM:
    case kIntervalDS:
      return {otype::String, 20 * rules.bytesPerChar};
    default:  // VARCHAR2, CHAR and any other type: text
      return {otype::String, dataSize + 1};
  }
}

void TOracleQuery::DescribeAndDefine() {
  rowsPerFetch_ = readBuffer_;
  fields_.clear();
  try {
    TColumnBufferRules rules;
    rules.stringFieldsOnly = stringFieldsOnly_;
    rules.timestampAsString = session_->Preferences().TimestampAsString();
    rules.bytesPerChar = session_->BytesPerChar();
    rules.numeric = [this](int32_t precision, int32_t scale) {
      const TNumericMapping mapping = NumericColumnMapping(
          session_->Preferences(), session_->ODBCMode(), precision, scale, stringFieldsOnly_);
      return TColumnBuffer{mapping.externalType, mapping.size};
    };
    rules.dateFormatLength = [this] { return static_cast<int32_t>(session_->DateFormatLength()); };

    ub4 count = 0;
    sword status;
    {
      SessionStatementLock lock(*session_);
      status = OCIAttrGet(stmt_, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, err_);
    }
    lastStatus_ = status;
    if (!Succeeded(status)) RaiseOCIError(session_, err_, this, status);
    for (ub4 position = 1; position <= count; ++position) {
      TQueryColumn column;
      {
        SessionStatementLock lock(*session_);
        OCIParam* param = nullptr;
        status =
            OCIParamGet(stmt_, OCI_HTYPE_STMT, err_, reinterpret_cast<void**>(&param), position);
        if (!Succeeded(status)) {
          lastStatus_ = status;
          RaiseOCIError(session_, err_, this, status);
        }
        ub2 dataSize = 0, dataType = 0, charSize = 0, charsetId = 0;
        ub1 charsetForm = 0, nullable = 1;
        sb2 precision = 0;
        sb1 scale = 0;
        text* name = nullptr;
        ub4 nameLength = 0;
        status = Attribute(param, dataSize, OCI_ATTR_DATA_SIZE, err_);
        if (Succeeded(status) && OCI9Available) {
          status = Attribute(param, charSize, OCI_ATTR_CHAR_SIZE, err_);
        }
        if (Succeeded(status)) status = Attribute(param, dataType, OCI_ATTR_DATA_TYPE, err_);
        if (Succeeded(status)) status = Attribute(param, charsetForm, OCI_ATTR_CHARSET_FORM, err_);
        if (Succeeded(status)) status = Attribute(param, charsetId, OCI_ATTR_CHARSET_ID, err_);
        if (Succeeded(status)) {
          status = OCIAttrGet(param, OCI_DTYPE_PARAM, &name, &nameLength, OCI_ATTR_NAME, err_);
        }
        if (Succeeded(status)) status = Attribute(param, precision, OCI_ATTR_PRECISION, err_);
        if (Succeeded(status)) status = Attribute(param, scale, OCI_ATTR_SCALE, err_);
        if (Succeeded(status)) status = Attribute(param, nullable, OCI_ATTR_IS_NULL, err_);
        // The name points into the parameter descriptor: copied before it goes.
        if (Succeeded(status) && name != nullptr) {
          column.name.assign(reinterpret_cast<const char*>(name),
                             std::min<std::size_t>(nameLength, kMaxColumnName));
        }
        OCIDescriptorFree(param, OCI_DTYPE_PARAM);
        if (!Succeeded(status)) {
          lastStatus_ = status;
          RaiseOCIError(session_, err_, this, status);
        }
        column.oracleType = static_cast<int16_t>(dataType);
        column.dataSize = dataSize;
        column.charSize = charSize;
        column.precision = precision;
        column.scale = scale == -127 && precision == 0 ? 0 : scale;
        column.nullable = nullable != 0;
        column.charsetForm = charsetForm;
        column.charsetId = charsetId;
      }
      const TColumnBuffer buffer = ColumnBufferFor(
          column.oracleType, column.dataSize, column.precision, column.scale, rules, column.name);
      column.bufferType = buffer.type;
      column.bufferSize = buffer.size;
      column.data = std::make_unique<TFieldData>(buffer.type, buffer.size, rowsPerFetch_);
      if (column.data->HoldsHandles()) {
        status = column.data->AllocateHandles(session_->Environment());
        if (!Succeeded(status)) RaiseOCIError(session_, session_->ErrorHandle(), this, status);
      }
      DefineColumn(column, position);
      fields_.push_back(std::move(column));
    }
  } catch (...) {
    fields_.clear();
    SetErrorPositionFromStatement();
    parsedText_.clear();
    throw;
  }
  described_ = true;
}

void TOracleQuery::DefineColumn(TQueryColumn& column, ub4 position) {
  TFieldData& data = *column.data;
  const ub2 type = static_cast<ub2>(column.oracleType == kMLSLabel ? kMLSLabel : data.DataType());
  const bool pieces = type == otype::Long || type == otype::LongRaw;
  SessionStatementLock lock(*session_);
  sword status = pieces ? OCIDefineByPos(stmt_, &column.define, err_, position, nullptr,
                                         std::numeric_limits<sb4>::max(), type, data.Indicators(),
                                         nullptr, data.ReturnCodes(), OCI_DYNAMIC_FETCH)
                        : OCIDefineByPos(stmt_, &column.define, err_, position, data.Buffer(),
                                         data.ElementSize(), type, data.Indicators(),
                                         data.Lengths(), data.ReturnCodes(), OCI_DEFAULT);
  if (pieces && Succeeded(status)) {
    status = OCIDefineDynamic(column.define, err_, &data, &NextLongPiece);
  }
  lastStatus_ = status;
  if (!Succeeded(status)) RaiseOCIError(session_, err_, this, status);
}

void TOracleQuery::CheckTruncation(int32_t rows) {
  // A block the client answered "with information" may hold values cut to
  // their buffer; handing them out short would lose data without a word.
  for (TQueryColumn& column : fields_) {
    if (column.data->HoldsHandles()) continue;
    const ub2* codes = column.data->ReturnCodes();
    for (int32_t row = 0; row < rows && row < column.data->Rows(); ++row) {
      if (codes[row] == kValueTruncated) {
        snapshot_.errorCode = kValueTruncated;
        EOracleError error(
            "ORA-01406: fetched column value was truncated (column " + column.name + ")",
            kValueTruncated, this, session_);
        error.Raise();
      }
    }
  }
}

}  // namespace oracle
