// Describing a query's select list, choosing each column's fetch buffer and
// defining it, and checking a fetched block for truncated values.
#include <algorithm>
#include <limits>
#include <stdexcept>

#include "oracle/client/feature_checks.h"
#include "oracle/client/oci_loader.h"
#include "oracle/query/query.h"
#include "oracle/query/query_guards.h"
#include "oracle/session/session.h"
#include "oracle/values/text_convert.h"
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

template <class T>
sword Attribute(OCIParam* param, T& value, ub4 attribute, OCIError* err) {
  return OCIAttrGet(param, OCI_DTYPE_PARAM, &value, nullptr, attribute, err);
}

bool Succeeded(sword status) {
  return status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO;
}

// String and LONG columns in the national form or a UTF-8 character set
// name their form and character set on the define.
bool CarriesCharset(const TQueryColumn& column) {
  const bool text = column.bufferType == otype::String || column.bufferType == otype::Long;
  return text && column.oracleType != kMLSLabel &&
         (column.charsetForm == SQLCS_NCHAR || IsUtf8CharSet(column.charsetId));
}

// The name under which a column kind that needs the OCI8 calls is checked;
// null for the kinds every mode fetches.
const char* ColumnFeature(int16_t oracleType, bool timestampAsString) {
  if (IsTimestampType(oracleType)) return timestampAsString ? nullptr : "A query with timestamps";
  if (IsLobType(oracleType)) return "A query with LOB's";
  switch (oracleType) {
    case otype::Object:
      return "A query with objects";
    case otype::Reference:
      return "A query with references";
    case otype::Cursor:
      return "A query with sub-queries";
    default:
      return nullptr;
  }
}

// Hands the client the next piece of a LONG or LONG RAW value of row
// `iter`: 4096 bytes first, each further piece twice the last, up to 32768.
sb4 NextLongPiece(dvoid* context, OCIDefine*, ub4 iter, dvoid** buffer, ub4** length, ub1*,
                  dvoid** indicator, ub2** returnCode) {
  auto& data = *static_cast<TFieldData*>(context);
  const auto row = static_cast<int32_t>(iter);
  const std::vector<TLongPiece>& pieces = data.Pieces(row);
  const std::size_t capacity =
      pieces.empty()
          ? static_cast<std::size_t>(kFirstLongPiece)
          : std::min(2 * pieces.back().Capacity(), static_cast<std::size_t>(kLargestLongPiece));
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
                              const std::string& /*columnName*/) {
  switch (oracleType) {
    case kNumber:
    case kBinaryFloat:
    case kBinaryDouble:
      return rules.numeric(precision, scale);
    case otype::Long:
    case otype::LongRaw:
      // Fetched in pieces: through the dynamic define, or (OCI7) read after
      // the fetch into a first piece and further ones.
      return {oracleType, rules.oci7 ? static_cast<int32_t>(kFirstLongPiece) : 0};
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
    case otype::Reference:
      return {oracleType, 4};  // an instance (or REF) per row
    case otype::Cursor:
      return {otype::Cursor, 4};  // a statement handle per row
    case otype::CLOB:
    case otype::BLOB:
    case otype::BFile:
      return {oracleType, 4};  // a locator per row
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

TColumnBufferRules TOracleQuery::BufferRules() const {
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
  rules.oci7 = oci7_;
  return rules;
}

void TOracleQuery::DescribeAndDefine() {
  rowsPerFetch_ = readBuffer_;
  ClearFields();
  try {
    const TColumnBufferRules rules = BufferRules();
    if (oci7_) {
      std::vector<TQueryColumn> columns;
      for (ub4 position = 1;; ++position) {
        TQueryColumn column;
        if (!DescribeColumnOCI7(position, column)) break;
        // The rest of a LONG value is read from the row fetched last: such
        // a select fetches one row per round trip.
        if (column.oracleType == otype::Long || column.oracleType == otype::LongRaw) {
          rowsPerFetch_ = 1;
        }
        columns.push_back(std::move(column));
      }
      for (std::size_t k = 0; k < columns.size(); ++k) {
        AddColumn(std::move(columns[k]), static_cast<ub4>(k + 1), rules);
      }
      described_ = true;
      return;
    }
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
      if (column.oracleType == otype::Object || column.oracleType == otype::Reference)
        DescribeObjectType(position, column);
      AddColumn(std::move(column), position, rules);
    }
  } catch (...) {
    ClearFields();
    SetErrorPositionFromStatement();
    parsedText_.clear();
    throw;
  }
  described_ = true;
}

void TOracleQuery::AddColumn(TQueryColumn column, ub4 position, const TColumnBufferRules& rules) {
  if (const char* feature = ColumnFeature(column.oracleType, rules.timestampAsString)) {
    CheckNet8Feature(session_, feature);
  }
  const TColumnBuffer buffer = ColumnBufferFor(column.oracleType, column.dataSize, column.precision,
                                               column.scale, rules, column.name);
  column.bufferType = buffer.type;
  column.bufferSize = buffer.size;
  // UTF-16 text needs a terminator of two bytes.
  const bool utf16 = CarriesCharset(column) && IsUtf16CharSet(column.charsetId);
  column.data =
      std::make_unique<TFieldData>(buffer.type, buffer.size + (utf16 ? 1 : 0), rowsPerFetch_);
  if (utf16) column.data->SetUtf16Text(column.charsetId == kCharSetAL16UTF16);
  if (column.data->HoldsHandles()) {
    const sword status = column.data->AllocateHandles(session_->Environment());
    if (!Succeeded(status)) RaiseOCIError(session_, session_->ErrorHandle(), this, status);
  }
  DefineColumn(column, position);
  fields_.push_back(std::move(column));
}

void TOracleQuery::DescribeObjectType(ub4 position, TQueryColumn& column) {
  SessionStatementLock lock(*session_);
  OCIParam* param = nullptr;
  sword status =
      OCIParamGet(stmt_, OCI_HTYPE_STMT, err_, reinterpret_cast<void**>(&param), position);
  std::string schema, name;
  auto text = [&](ub4 attribute, std::string& out) {
    ::text* value = nullptr;
    ub4 length = 0;
    if (Succeeded(status))
      status = OCIAttrGet(param, OCI_DTYPE_PARAM, &value, &length, attribute, err_);
    if (Succeeded(status) && value != nullptr)
      out.assign(reinterpret_cast<const char*>(value), length);
  };
  text(OCI_ATTR_SCHEMA_NAME, schema);
  text(OCI_ATTR_TYPE_NAME, name);
  if (param != nullptr) OCIDescriptorFree(param, OCI_DTYPE_PARAM);
  lastStatus_ = status;
  if (!Succeeded(status)) RaiseOCIError(session_, err_, this, status);
  column.typeName = schema.empty() ? name : schema + "." + name;
}

void TOracleQuery::DefineColumn(TQueryColumn& column, ub4 position) {
  TFieldData& data = *column.data;
  const ub2 type = static_cast<ub2>(column.oracleType == kMLSLabel ? kMLSLabel : data.DataType());
  const bool pieces = type == otype::Long || type == otype::LongRaw;
  SessionStatementLock lock(*session_);
  if (oci7_) {
    const sword rc =
        odefin(Area(), static_cast<sword>(position), data.Buffer(), data.ElementSize(), type, -1,
               data.Indicators(), nullptr, 0, -1, data.Lengths(), data.ReturnCodes());
    lastStatus_ = rc;
    if (rc != 0) RaiseOCI7Error(session_, AreaReturnCode(), this);
    return;
  }
  sword status = pieces ? OCIDefineByPos(stmt_, &column.define, err_, position, nullptr,
                                         std::numeric_limits<sb4>::max(), type, data.Indicators(),
                                         nullptr, data.ReturnCodes(), OCI_DYNAMIC_FETCH)
                        : OCIDefineByPos(stmt_, &column.define, err_, position, data.Buffer(),
                                         data.ElementSize(), type, data.Indicators(),
                                         data.Lengths(), data.ReturnCodes(), OCI_DEFAULT);
  if (pieces && Succeeded(status)) {
    status = OCIDefineDynamic(column.define, err_, &data, &NextLongPiece);
  }
  if (Succeeded(status) && (type == otype::Object || type == otype::Reference)) {
    // The client makes each row's instance in the buffer; the type is pinned
    // for the column's life.
    column.objects = std::make_unique<TRowObjects>(session_->Environment(), data);
    void* handle = nullptr;
    status = OCIHandleAlloc(session_->Environment(), &handle, OCI_HTYPE_ERROR, 0, nullptr);
    column.objects->err = static_cast<OCIError*>(handle);
    if (Succeeded(status) && type == otype::Object) {
      std::string schema, name = column.typeName;
      if (const auto dot = name.find('.'); dot != std::string::npos) {
        schema = name.substr(0, dot);
        name = name.substr(dot + 1);
      }
      status = OCITypeByName(
          session_->Environment(), err_, session_->ServiceContext(),
          reinterpret_cast<const ::text*>(schema.c_str()), static_cast<ub4>(schema.size()),
          reinterpret_cast<const ::text*>(name.c_str()), static_cast<ub4>(name.size()), nullptr, 0,
          OCI_DURATION_SESSION, OCI_TYPEGET_ALL, &column.objects->type);
    }
    if (Succeeded(status))
      status = OCIDefineObject(column.define, err_, column.objects->type, data.Handles(), nullptr,
                               nullptr, nullptr);
  }
  if (Succeeded(status) && CarriesCharset(column)) {
    // Text of a national or UTF-8 column is asked for in the column's own
    // form and character set, whatever the client's character set is.
    ub1 form = column.charsetForm;
    ub2 id = column.charsetId;
    status = OCIAttrSet(column.define, OCI_HTYPE_DEFINE, &form, 0, OCI_ATTR_CHARSET_FORM, err_);
    if (Succeeded(status)) {
      status = OCIAttrSet(column.define, OCI_HTYPE_DEFINE, &id, 0, OCI_ATTR_CHARSET_ID, err_);
    }
  }
  lastStatus_ = status;
  if (!Succeeded(status)) RaiseOCIError(session_, err_, this, status);
}

void TOracleQuery::CheckTruncation(int32_t rows) {
  // A block the client answered "with information" may hold values cut to
  // their buffer; handing them out short would lose data without a word.
  for (TQueryColumn& column : fields_) {
    if (column.data->HoldsHandles()) continue;
    // In OCI7 mode only the first piece of a LONG value is in the buffer.
    if (oci7_ && (column.bufferType == otype::Long || column.bufferType == otype::LongRaw))
      continue;
    const ub2* codes = column.data->ReturnCodes();
    for (int32_t row = 0; row < rows && row < column.data->Rows(); ++row) {
      if (codes[row] == kOraValueTruncated) {
        snapshot_.errorCode = kOraValueTruncated;
        RaiseOracleErrorCode(
            session_, this, kOraValueTruncated,
            "ORA-01406: fetched column value was truncated (column " + column.name + ")");
      }
    }
  }
}

}  // namespace oracle
