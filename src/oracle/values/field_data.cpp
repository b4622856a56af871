#include "oracle/values/field_data.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>

#include "oracle/client/oci_entry_points.h"
#include "oracle/values/oracle_date.h"
#include "oracle/values/session_context.h"
#include "oracle/values/text_convert.h"
#include "oracle/values/type_codes.h"

namespace oracle {
namespace {

// Handle type used for the row handles of a column, 0 for none made here.
uint32_t RowHandleType(int16_t type) {
  if (IsTimestampType(type)) return TimestampDescriptorType(type);
  if (IsLobType(type)) return LobDescriptorType(type);
  if (type == otype::Cursor) return odesc::StatementHandle;
  return 0;
}

// Text without CR or LF needs no line-end conversion: it is taken as it is
// instead of being rebuilt character by character.
bool HasLineBreak(std::string_view text) {
  return std::memchr(text.data(), '\n', text.size()) != nullptr ||
         std::memchr(text.data(), '\r', text.size()) != nullptr;
}

TFieldData::TInPlaceKind InPlaceKindOf(int16_t type, int32_t elementSize) {
  using Kind = TFieldData::TInPlaceKind;
  switch (type) {
    case otype::Integer:
      return elementSize >= 4 ? Kind::kInteger : Kind::kNone;
    case otype::Float:
      return elementSize >= 8 ? Kind::kFloat : Kind::kNone;
    case otype::Date:
      return elementSize >= static_cast<int32_t>(kOracleDateSize) ? Kind::kDate : Kind::kNone;
    case otype::Varchar2:
    case otype::String:
    case otype::PLSQLString:
    case otype::Char:
    case otype::CharZ:
      return Kind::kText;
    default:
      return Kind::kNone;
  }
}

Variant NullValue(const TSessionContext* session) {
  return session != nullptr && session->NullValueIsNull() ? Variant::Null() : Variant();
}

}  // namespace

TFieldData::TFieldData(int16_t dataType, int32_t elementSize, int32_t rows)
    : dataType_(dataType),
      elementSize_(elementSize),
      rows_(rows),
      holdsHandles_(IsComplexType(dataType)) {
  if (rows < 1 || elementSize < 0) {
    throw std::runtime_error("Invalid fetch buffer of " + std::to_string(rows) + " rows of " +
                             std::to_string(elementSize) + " bytes");
  }
  if (holdsHandles_) {
    elementSize_ = static_cast<int32_t>(sizeof(void*));
    handles_.assign(static_cast<std::size_t>(rows), nullptr);
  } else {
    buffer_.assign(std::size_t(rows) * std::size_t(elementSize), 0);
    inPlaceKind_ = InPlaceKindOf(dataType, elementSize);
  }
  indicators_.assign(static_cast<std::size_t>(rows), -1);
  lengths_.assign(static_cast<std::size_t>(rows), 0);
  returnCodes_.assign(static_cast<std::size_t>(rows), 0);
}

TFieldData::~TFieldData() {
  FreeHandles();
}

uint8_t* TFieldData::Buffer() {
  if (holdsHandles_) return reinterpret_cast<uint8_t*>(handles_.data());
  return buffer_.empty() ? nullptr : buffer_.data();
}

void TFieldData::RowOutsideBuffer(int32_t row) const {
  throw std::runtime_error("Row " + std::to_string(row) + " outside the fetch buffer");
}

sword TFieldData::AllocateHandles(OCIEnv* env) {
  const uint32_t type = RowHandleType(dataType_);
  if (type == 0) return OCI_SUCCESS;
  FreeHandles();
  ownsHandles_ = true;
  for (void*& handle : handles_) {
    const sword status = type == odesc::StatementHandle
                             ? OCIHandleAlloc(env, &handle, type, 0, nullptr)
                             : OCIDescriptorAlloc(env, &handle, type, 0, nullptr);
    if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO) {
      handle = nullptr;
      return status;
    }
  }
  return OCI_SUCCESS;
}

void TFieldData::FreeHandles() {
  if (!ownsHandles_) return;
  ownsHandles_ = false;
  const uint32_t type = RowHandleType(dataType_);
  // After the client was unloaded its handles are gone with it.
  if (OCIHandleFree == nullptr || OCIDescriptorFree == nullptr) return;
  for (void*& handle : handles_) {
    if (handle == nullptr) continue;
    if (type == odesc::StatementHandle) {
      OCIHandleFree(handle, type);
    } else {
      OCIDescriptorFree(handle, type);
    }
    handle = nullptr;
  }
}

TLongPiece& TFieldData::AddPiece(int32_t row, std::size_t capacity) {
  CheckRow(row);
  if (pieces_.empty()) pieces_.resize(static_cast<std::size_t>(rows_));
  return pieces_[static_cast<std::size_t>(row)].emplace_back(capacity);
}

void TFieldData::ClearPieces() {
  pieces_.clear();
}

const std::vector<TLongPiece>& TFieldData::Pieces(int32_t row) const {
  static const std::vector<TLongPiece> none;
  CheckRow(row);
  return pieces_.empty() ? none : pieces_[static_cast<std::size_t>(row)];
}

uint64_t TFieldData::LongLength(int32_t row) const {
  uint64_t total = 0;
  for (const TLongPiece& piece : Pieces(row)) total += piece.Length();
  return total;
}

std::string TFieldData::JoinedPieces(int32_t row) const {
  std::string out;
  out.reserve(static_cast<std::size_t>(LongLength(row)));
  for (const TLongPiece& piece : Pieces(row)) {
    out.append(reinterpret_cast<const char*>(piece.Buffer()), piece.Length());
  }
  return out;
}

std::string_view TFieldData::ElementBytes(int32_t row) const {
  const auto* element = reinterpret_cast<const char*>(Element(row));
  const auto size = static_cast<std::size_t>(elementSize_);
  if (IsZeroTerminatedType(dataType_)) {
    const void* zero = std::memchr(element, 0, size);
    return {element,
            zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - element) : size};
  }
  return {element, std::min<std::size_t>(lengths_[static_cast<std::size_t>(row)], size)};
}

std::string_view TFieldData::ElementText(int32_t row, std::string& decoded) const {
  if (!utf16_) return ElementBytes(row);
  // Code units up to the first zero unit (or the returned length for the
  // types that carry no terminator).
  const uint8_t* element = Element(row);
  std::size_t bytes = static_cast<std::size_t>(elementSize_);
  if (!IsZeroTerminatedType(dataType_)) {
    bytes = std::min<std::size_t>(lengths_[static_cast<std::size_t>(row)], bytes);
  }
  std::u16string units;
  units.reserve(bytes / 2);
  for (std::size_t at = 0; at + 1 < bytes; at += 2) {
    char16_t unit;
    std::memcpy(&unit, element + at, sizeof unit);
    if (unit == 0 && IsZeroTerminatedType(dataType_)) break;
    units.push_back(unit);
  }
  if (utf16BigEndian_ && std::endian::native == std::endian::little) SwapUtf16Bytes(units);
  // A lone surrogate cannot be written as UTF-8: the value is refused rather
  // than handed out altered.
  std::optional<std::string> text = Utf16ToUtf8(units);
  if (!text) throw std::runtime_error("Invalid UTF-16 text fetched from the server");
  decoded = std::move(*text);
  return decoded;
}

int32_t TFieldData::IntegerAt(int32_t row) const {
  CheckRow(row);
  int32_t v;
  std::memcpy(&v, Element(row), sizeof v);
  return v;
}

double TFieldData::FloatAt(int32_t row) const {
  CheckRow(row);
  double v;
  std::memcpy(&v, Element(row), sizeof v);
  return v;
}

TDateTime TFieldData::DateAt(int32_t row) const {
  CheckRow(row);
  return OracleDateToDateTime(std::span<const uint8_t, kOracleDateSize>(Element(row), 7));
}

std::string_view TFieldData::TextAt(int32_t row, bool convertLineEnds,
                                    std::string& converted) const {
  CheckRow(row);
  std::string decoded;
  const std::string_view bytes = ElementText(row, decoded);
  if (!convertLineEnds || !HasLineBreak(bytes)) {
    if (!utf16_) return bytes;
    converted = std::move(decoded);
    return converted;
  }
  converted = LineEndsFromServer(bytes);
  return converted;
}

Variant TFieldData::Value(int32_t row, const TSessionContext* session) const {
  CheckRow(row);
  if (indicators_[static_cast<std::size_t>(row)] == -1) return NullValue(session);
  const bool convertLineEnds = session == nullptr || session->ConvertCRLF();
  auto text = [&](std::string_view bytes) {
    return Variant::String(convertLineEnds && HasLineBreak(bytes) ? LineEndsFromServer(bytes)
                                                                  : std::string(bytes));
  };
  switch (inPlaceKind_) {
    case TInPlaceKind::kInteger:
      return Variant::Integer(IntegerAt(row));
    case TInPlaceKind::kFloat:
      return Variant::Double(FloatAt(row));
    case TInPlaceKind::kDate:
      return Variant::Date(DateAt(row));
    case TInPlaceKind::kText: {
      std::string decoded;
      return text(ElementText(row, decoded));
    }
    case TInPlaceKind::kNone:
      break;
  }
  switch (dataType_) {
    case otype::Long:
      return text(pieces_.empty() ? std::string(ElementBytes(row)) : JoinedPieces(row));
    case otype::LongRaw: {
      const std::string bytes =
          pieces_.empty() ? std::string(ElementBytes(row)) : JoinedPieces(row);
      return Variant::ByteArray(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    }
    default:
      break;
  }
  return Variant();
}

}  // namespace oracle
