#include "oracle/values/variables.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "oracle/values/oracle_timestamp.h"
#include "oracle/values/session_context.h"
#include "oracle/values/text_convert.h"
#include "oracle/values/type_codes.h"

namespace oracle {
namespace {

constexpr int32_t kStringBufferSize = 4001;
constexpr int32_t kRowidBufferSize = 501;
constexpr int32_t kPLSQLStringBufferSize = 32513;
// The widest UTF-8 form of one character.
constexpr int64_t kMaxUtf8BytesPerChar = 4;
// Largest VARCHAR2 in characters when no session says otherwise.
constexpr int32_t kDefaultMaxVarchar2Chars = 2000;

bool ConvertsLineEnds(const TSessionContext* session) {
  return session == nullptr || session->ConvertCRLF();
}

// Characters of UTF-8 text: the bytes that begin one.
int64_t Utf8Characters(std::string_view text) {
  return std::count_if(text.begin(), text.end(),
                       [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
}

bool ZeroDateIsNull(const TSessionContext* session) {
  return session == nullptr || session->ZeroDateIsNull();
}

bool HoldsOwnBuffer(int16_t type) {
  return type == otype::Varchar2 || type == otype::Long || type == otype::LongRaw;
}

std::span<const uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::string FromServer(std::string_view text, const TSessionContext* session) {
  return ConvertsLineEnds(session) ? LineEndsFromServer(text) : std::string(text);
}

}  // namespace

std::string VariableStoredName(std::string_view name) {
  if (!name.empty() && name.front() == ':') name.remove_prefix(1);
  return ":" + UpperCaseIdentifier(name, false);
}

int32_t DeclaredBufferSize(std::string_view name, int16_t type) {
  switch (type) {
    case otype::Varchar2:
    case otype::Long:
    case otype::LongRaw:
      return 0;
    case otype::Integer:
      return 4;
    case otype::Float:
      return 8;
    case otype::String:
      return VariableStoredName(name).find("ROWID") != std::string::npos ? kRowidBufferSize
                                                                         : kStringBufferSize;
    case otype::PLSQLString:
      return kPLSQLStringBufferSize;
    case otype::Date:
      return static_cast<int32_t>(kOracleDateSize);
    case otype::CharZ:
      return kStringBufferSize;
    default:
      if (IsComplexType(type)) return 0;
      throw std::runtime_error("Unsupported variable type");
  }
}

// ---------------------------------------------------------------------------
// TVariableData

TVariableData::TVariableData(std::string_view name, int16_t dataType)
    : name_(VariableStoredName(name)),
      dataType_(dataType),
      bufferSize_(DeclaredBufferSize(name_, dataType)),
      buffer_(static_cast<std::size_t>(bufferSize_), 0),
      indicators_(1, kIndicatorNull),
      isFixedType_(dataType == otype::Integer || dataType == otype::Float ||
                   dataType == otype::Date) {}

int64_t TVariableData::DeclaredChars() const {
  const int64_t room = std::max<int64_t>(bufferSize_ - 1, 0);
  return IsNational() ? room / kMaxUtf8BytesPerChar : room;
}

int64_t TVariableData::TextElementSize(int64_t chars) const {
  return (IsNational() ? chars * kMaxUtf8BytesPerChar : chars) + 1;
}

void TVariableData::SetCharsetForm(uint8_t form) {
  const int64_t chars = DeclaredChars();
  const bool widens = !IsNational() && form == 2;
  charsetForm_ = form;
  if (!widens || !IsZeroTerminatedType(dataType_)) return;
  // The same characters take more room: each element moves to its place in
  // a buffer of the wider elements.
  const int64_t elementSize = TextElementSize(chars);
  if (elementSize * arraySize_ > std::numeric_limits<int32_t>::max()) {
    throw std::runtime_error("Invalid array size " + std::to_string(arraySize_) + " for variable " +
                             name_);
  }
  std::vector<uint8_t> wider(static_cast<std::size_t>(elementSize * arraySize_), 0);
  for (int32_t k = 0; k < arraySize_; ++k) {
    std::memcpy(wider.data() + static_cast<std::size_t>(k * elementSize), Element(k),
                static_cast<std::size_t>(bufferSize_));
  }
  buffer_ = std::move(wider);
  bufferSize_ = static_cast<int32_t>(elementSize);
}

bool TVariableData::IsNull(int32_t index) const {
  CheckIndex(index);
  return indicators_[static_cast<std::size_t>(index)] == kIndicatorNull;
}

void TVariableData::CheckIndex(int32_t index) const {
  if (index < 0 || index >= arraySize_) {
    throw std::runtime_error("Index " + std::to_string(index) + " out of range for variable " +
                             name_);
  }
}

void TVariableData::FailConversion() const {
  throw std::runtime_error("Variant conversion error for variable " + name_);
}

void TVariableData::SetValue(int32_t index, const Variant& value, const TSessionContext* session) {
  CheckIndex(index);
  if (value.IsEmptyOrNull()) {
    indicators_[static_cast<std::size_t>(index)] = kIndicatorNull;
    if (HoldsOwnBuffer(dataType_) && arraySize_ == 1) {
      buffer_.clear();
      bufferSize_ = 0;
      valueLength_ = 0;
    }
    if (IsComplexType(dataType_)) {
      objects_[static_cast<std::size_t>(index)] = nullptr;
      timestampValue_ = 0;
    }
    return;
  }
  try {
    StoreValue(index, value, session);
  } catch (const EVariantError&) {
    FailConversion();
  } catch (const EDateError&) {
    FailConversion();
  }
}

void TVariableData::StoreValue(int32_t index, const Variant& value,
                               const TSessionContext* session) {
  const auto i = static_cast<std::size_t>(index);
  switch (dataType_) {
    case otype::Varchar2:
    case otype::Long: {
      std::string text = value.ToText();
      if (ConvertsLineEnds(session)) text = LineEndsToServer(text);
      ReplaceBuffer(index, Bytes(text));
      break;
    }
    case otype::String:
    case otype::PLSQLString:
    case otype::CharZ: {
      std::string text = value.ToText();
      if (ConvertsLineEnds(session)) text = LineEndsToServer(text);
      StoreText(index, text);
      break;
    }
    case otype::Integer: {
      const int32_t v = value.ToInt32();
      std::memcpy(Element(index), &v, sizeof v);
      indicators_[i] = kIndicatorValue;
      break;
    }
    case otype::Float: {
      const double v = value.ToDouble();
      std::memcpy(Element(index), &v, sizeof v);
      indicators_[i] = kIndicatorValue;
      break;
    }
    case otype::Date: {
      const TDateTime v = value.ToDateTime();
      if (v == 0 && ZeroDateIsNull(session)) {
        indicators_[i] = kIndicatorNull;
        break;
      }
      uint8_t bytes[kOracleDateSize];
      DateTimeToOracleDate(v, bytes);
      std::memcpy(Element(index), bytes, sizeof bytes);
      indicators_[i] = kIndicatorValue;
      break;
    }
    case otype::LongRaw: {
      if (value.IsArray()) {
        const VarArray& array = value.Array();
        if (array.elementType != VarType::Byte || array.bounds.size() != 1) {
          throw std::runtime_error("Only one-dimensional array of bytes allowed for " + name_);
        }
        ReplaceBuffer(index, array.bytes);
      } else {
        ReplaceBuffer(index, Bytes(value.ToText()));
      }
      break;
    }
    case otype::Object:
    case otype::Reference:
    case otype::CLOB:
    case otype::BLOB:
    case otype::BFile:
    case otype::Cursor:
      StoreComplex(index, value);
      break;
    case otype::Timestamp:
    case otype::TimestampTZ:
    case otype::TimestampLTZ:
      StoreTimestamp(value, session);
      break;
    default:
      throw std::runtime_error("Unsupported variable type for " + name_);
  }
}

void TVariableData::ReplaceBuffer(int32_t index, std::span<const uint8_t> bytes) {
  if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max()) ||
      (arraySize_ > 1 && bytes.size() > static_cast<std::size_t>(bufferSize_))) {
    throw std::runtime_error("Value too long for variable " + name_);
  }
  if (arraySize_ == 1) {
    // A single value gets a buffer of exactly its length.
    buffer_.assign(bytes.begin(), bytes.end());
    bufferSize_ = static_cast<int32_t>(bytes.size());
  } else {
    // Elements of an array keep their size.
    uint8_t* element = Element(index);
    std::memset(element, 0, static_cast<std::size_t>(bufferSize_));
    if (!bytes.empty()) std::memcpy(element, bytes.data(), bytes.size());
  }
  valueLength_ = static_cast<int32_t>(bytes.size());
  if (arraySize_ > 1) elementLengths_[static_cast<std::size_t>(index)] = valueLength_;
  indicators_[static_cast<std::size_t>(index)] = kIndicatorValue;
}

int32_t TVariableData::ElementLength(int32_t index) const {
  CheckIndex(index);
  return arraySize_ > 1 ? elementLengths_[static_cast<std::size_t>(index)] : valueLength_;
}

void TVariableData::StoreText(int32_t index, const std::string& text) {
  // National text is declared in characters, whatever their width in the
  // library's UTF-8; other text in bytes.
  const bool fits = text.size() + 1 <= static_cast<std::size_t>(bufferSize_) &&
                    (!IsNational() || Utf8Characters(text) <= DeclaredChars());
  if (!fits) throw std::runtime_error("Value too long for variable " + name_);
  uint8_t* element = Element(index);
  std::memcpy(element, text.data(), text.size());
  element[text.size()] = 0;
  indicators_[static_cast<std::size_t>(index)] = kIndicatorValue;
}

void TVariableData::StoreComplex(int32_t index, const Variant& value) {
  TComplexObject*& object = objects_[static_cast<std::size_t>(index)];
  if (value.Type() == VarType::Object) {
    object = value.AsObject();
  } else if (value.IsIntegral() && value.ToInt64() == 0) {
    object = nullptr;
  } else {
    throw std::runtime_error("Pass LongInt(Object) to complex variable " + name_);
  }
  indicators_[static_cast<std::size_t>(index)] =
      object != nullptr ? kIndicatorValue : kIndicatorNull;
}

void TVariableData::StoreTimestamp(const Variant& value, const TSessionContext* session) {
  // A timestamp object (or a zero integer for none) is referred to; any other
  // value is a date-time held by the variable itself.
  if (value.Type() == VarType::Object || (value.IsIntegral() && value.ToInt64() == 0)) {
    StoreComplex(0, value);
    timestampValue_ = 0;
    return;
  }
  const TDateTime v = value.ToDateTime();
  objects_[0] = nullptr;
  if (v == 0 && ZeroDateIsNull(session)) {
    timestampValue_ = 0;
    indicators_[0] = kIndicatorNull;
    return;
  }
  DecodeDateTime(v);  // range check
  timestampValue_ = v;
  indicators_[0] = kIndicatorValue;
}

std::string_view TVariableData::ElementText(int32_t index) const {
  CheckIndex(index);
  if (buffer_.empty()) return {};
  const auto* element = reinterpret_cast<const char*>(Element(index));
  const auto size = static_cast<std::size_t>(bufferSize_);
  if (dataType_ == otype::Varchar2 || dataType_ == otype::Long) {
    return {element, std::min(static_cast<std::size_t>(valueLength_), size)};
  }
  if (IsZeroTerminatedType(dataType_)) {
    const void* zero = std::memchr(element, 0, size);
    return {element,
            zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - element) : size};
  }
  return {};
}

Variant TVariableData::GetValue(int32_t index, const TSessionContext* session) const {
  CheckIndex(index);
  if (indicators_[static_cast<std::size_t>(index)] == kIndicatorNull) {
    return session != nullptr && session->NullValueIsNull() ? Variant::Null() : Variant();
  }
  switch (dataType_) {
    case otype::Varchar2:
    case otype::Long:
    case otype::String:
    case otype::PLSQLString:
    case otype::CharZ:
      return Variant::String(FromServer(ElementText(index), session));
    case otype::Integer: {
      int32_t v;
      std::memcpy(&v, Element(index), sizeof v);
      return Variant::Integer(v);
    }
    case otype::Float: {
      double v;
      std::memcpy(&v, Element(index), sizeof v);
      return Variant::Double(v);
    }
    case otype::Date:
      try {
        return Variant::Date(
            OracleDateToDateTime(std::span<const uint8_t, kOracleDateSize>(Element(index), 7)));
      } catch (const EDateError&) {
        FailConversion();
      }
    case otype::LongRaw: {
      const uint8_t* element = Element(index);
      const auto n = std::min(static_cast<std::size_t>(ElementLength(index)),
                              buffer_.size() - static_cast<std::size_t>(element - buffer_.data()));
      return Variant::ByteArray(std::vector<uint8_t>(element, element + n));
    }
    case otype::Timestamp:
    case otype::TimestampTZ:
    case otype::TimestampLTZ:
      if (objects_[0] == nullptr) return Variant::Date(timestampValue_);
      if (const auto* ts = dynamic_cast<const TOracleTimestamp*>(objects_[0])) {
        return ts->IsNull() ? Variant() : Variant::Date(ts->Value());
      }
      return Variant::Object(objects_[0]);
    default:
      return IsComplexType(dataType_) ? Variant::Object(ObjectAt(index)) : Variant();
  }
}

std::string TVariableData::DisplayText(const TSessionContext* session) const {
  if (isPLSQLTable_) return "(PL/SQL Table)";
  if (arraySize_ > 1) return "(Array)";
  switch (dataType_) {
    case otype::BLOB:
      return "(BLOB)";
    case otype::BFile:
      return "(BFile)";
    case otype::Cursor:
      return "(Cursor)";
    case otype::CLOB:
      return "(CLOB)";
    case otype::Long:
      return "(Long)";
    case otype::LongRaw:
      return "(Long Raw)";
    case otype::Object:
      return "(Object)";
    case otype::Reference:
      return "(Reference)";
    default:
      break;
  }
  const Variant value = GetValue(0, session);
  if (value.IsEmptyOrNull()) return "Null";
  return value.ToText();
}

void TVariableData::SetArrayItem(int32_t size, int32_t stringSize, const TSessionContext* session) {
  const bool text = IsZeroTerminatedType(dataType_);
  if (size == arraySize_ &&
      (stringSize == 0 || (text ? stringSize == DeclaredChars() : stringSize == bufferSize_ - 1)))
    return;
  int64_t elementSize = bufferSize_;
  int64_t chars = DeclaredChars();
  if (dataType_ == otype::String || dataType_ == otype::CharZ) {
    // Database text is limited by the widest VARCHAR2 in the database
    // character set; national text travels as UTF-16, which that width does
    // not bound: it keeps the characters a national variable is declared
    // with.
    const int64_t maxChars = IsNational()         ? kStringBufferSize - 1
                             : session != nullptr ? session->MaxVarchar2Chars()
                                                  : kDefaultMaxVarchar2Chars;
    chars = std::min(chars, maxChars);
  }
  // Fixed-size and complex types keep the size of their value.
  if (stringSize > 0 && !isFixedType_ && !IsComplexType(dataType_)) {
    chars = stringSize;
    elementSize = int64_t{stringSize} + 1;
  }
  if (text) elementSize = TextElementSize(chars);
  if (size < 1 || elementSize * size > std::numeric_limits<int32_t>::max()) {
    throw std::runtime_error("Invalid array size " + std::to_string(size) + " for variable " +
                             name_);
  }
  bufferSize_ = static_cast<int32_t>(elementSize);
  arraySize_ = size;
  buffer_.assign(static_cast<std::size_t>(elementSize * size), 0);
  indicators_.assign(static_cast<std::size_t>(size), kIndicatorNull);
  objects_.assign(static_cast<std::size_t>(size), nullptr);
  elementLengths_.assign(static_cast<std::size_t>(size), 0);
}

void TVariableData::LoadStreamedValue(std::span<const uint8_t> bytes) {
  const std::size_t n = bytes.size();
  if (IsComplexType(dataType_)) {
    throw std::runtime_error("value bytes for complex variable " + name_);
  }
  if (buffer_.empty() && arraySize_ == 1) {
    if (n > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) {
      throw std::runtime_error("value too long for variable " + name_);
    }
    buffer_.assign(n, 0);
    bufferSize_ = static_cast<int32_t>(n);
  }
  const auto size = static_cast<std::size_t>(bufferSize_);
  if (n > size || (isFixedType_ && n != size)) {
    throw std::runtime_error("value of " + std::to_string(n) + " bytes does not fit variable " +
                             name_ + " (" + std::to_string(size) + " bytes)");
  }
  std::memset(buffer_.data(), 0, size);
  if (n > 0) std::memcpy(buffer_.data(), bytes.data(), n);
  if (dataType_ == otype::Varchar2) {
    // VARCHAR2 is streamed with a terminating zero that is not part of it.
    const void* zero = std::memchr(buffer_.data(), 0, n);
    valueLength_ = static_cast<int32_t>(zero ? static_cast<const uint8_t*>(zero) - buffer_.data()
                                             : static_cast<std::ptrdiff_t>(n));
  } else {
    valueLength_ = static_cast<int32_t>(n);
  }
  indicators_[0] = kIndicatorValue;
}

// ---------------------------------------------------------------------------
// TVariables

const TSessionContext* TVariables::Session() const {
  return owner_ != nullptr ? owner_->VariablesSession() : nullptr;
}

TVariableData& TVariables::Data(int32_t index) {
  return const_cast<TVariableData&>(static_cast<const TVariables&>(*this).Data(index));
}

const TVariableData& TVariables::Data(int32_t index) const {
  if (index < 0 || index >= Count()) {
    throw std::runtime_error("Variable " + std::to_string(index) + " does not exist");
  }
  return *items_[static_cast<std::size_t>(index)];
}

int32_t TVariables::IndexOf(std::string_view name) const {
  const std::string stored = VariableStoredName(name);
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i]->Name() == stored) return static_cast<int32_t>(i);
  }
  return -1;
}

TVariableData& TVariables::Declare(std::string_view name, int16_t type) {
  const std::string stored = VariableStoredName(name);
  if (stored.size() < 2) {
    throw std::runtime_error("You cannot declare a variable with an empty name");
  }
  return Store(std::make_unique<TVariableData>(stored, type));
}

TVariableData& TVariables::Store(std::unique_ptr<TVariableData> item) {
  TVariableData& result = *item;
  const int32_t index = IndexOf(item->Name());
  if (index >= 0) {
    items_[static_cast<std::size_t>(index)] = std::move(item);
  } else {
    items_.push_back(std::move(item));
  }
  Changed();
  return result;
}

TVariableData& TVariables::DeclarePLSQLTable(std::string_view name, int16_t type, int32_t tableSize,
                                             int32_t stringSize) {
  if (type != otype::String && type != otype::Integer && type != otype::Float &&
      type != otype::Date) {
    throw std::runtime_error("Only PL/SQL Tables of strings, integers, floats and dates supported");
  }
  if (type == otype::String && stringSize <= 0) {
    throw std::runtime_error("You must specify a string size for a PL/SQL Table of strings");
  }
  if (type != otype::String && stringSize > 0) {
    throw std::runtime_error("You can only specify a string size for a PL/SQL Table of strings");
  }
  if (tableSize <= 0) throw std::runtime_error("You must specify the size of the PL/SQL Table");
  const std::string stored = VariableStoredName(name);
  if (stored.size() < 2) {
    throw std::runtime_error("You cannot declare a variable with an empty name");
  }
  auto item = std::make_unique<TVariableData>(stored, type);
  item->SetIsPLSQLTable(true);
  item->SetArrayItem(tableSize, stringSize, Session());
  return Store(std::move(item));
}

void TVariables::Delete(int32_t index) {
  Data(index);  // range check
  items_.erase(items_.begin() + index);
  Changed();
}

void TVariables::Clear() {
  items_.clear();
  Changed();
}

void TVariables::Replace(TVariables&& staged) {
  items_ = std::move(staged.items_);
  staged.items_.clear();
  Changed();
}

void TVariables::Changed() {
  if (owner_ != nullptr) owner_->VariablesChanged();
}

void TVariables::Assign(const TParams& params) {
  TVariables staged;
  for (const TParam& param : params) {
    int16_t type;
    switch (param.Value.Type()) {
      case VarType::SmallInt:
      case VarType::Integer:
      case VarType::Boolean:
      case VarType::Byte:
        type = otype::Integer;
        break;
      case VarType::Single:
      case VarType::Double:
      case VarType::Currency:
        type = otype::Float;
        break;
      case VarType::Date:
        type = otype::Date;
        break;
      case VarType::String:
      case VarType::OleStr:
        type = otype::String;
        break;
      default:
        throw std::runtime_error("Unsupported variable type");
    }
    staged.Declare(param.Name, type).SetValue(0, param.Value, Session());
  }
  Replace(std::move(staged));
}

void TVariables::AssignTo(TParams& params) const {
  TParams result;
  for (const auto& item : items_) {
    result.push_back({item->Name().substr(1), item->GetValue(0, Session())});
  }
  params = std::move(result);
}

void TVariables::AssignTo(TVariables& dest) const {
  if (owner_ == nullptr || dest.owner_ == nullptr) {
    throw std::runtime_error("Can only Assign TVariables owned by a TOracleQuery");
  }
  if (&dest == this) return;
  TVariables staged;
  for (const auto& item : items_) staged.items_.push_back(std::make_unique<TVariableData>(*item));
  dest.Replace(std::move(staged));
}

}  // namespace oracle
