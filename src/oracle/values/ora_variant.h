#pragma once
// The variant value of the Oracle library: what bind variables take and give
// back, what parameters and dataset fields carry. Type tags follow the COM
// variant numbering; texts are UTF-8 (String) or UTF-16 (OleStr); arrays carry
// their bounds per dimension.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "oracle/values/oracle_date.h"

namespace oracle {

class TComplexObject;

enum class VarType : uint16_t {
  Empty = 0,  // unassigned
  Null = 1,
  SmallInt = 2,
  Integer = 3,
  Single = 4,
  Double = 5,
  Currency = 6,  // fixed point, four decimals
  Date = 7,
  OleStr = 8,
  Boolean = 11,
  Byte = 17,
  Int64 = 20,
  String = 0x100,
  Object = 0x4000,  // reference to a complex object (not owned)
  Array = 0x2000,
};

// A value that cannot be converted to the requested type.
class EVariantError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct VarBound {
  int32_t low = 0;
  int32_t count = 0;
};

class Variant;

// The content of an array variant: its element type, bounds per dimension and
// elements in row-major order (bytes for byte arrays, variants otherwise).
struct VarArray {
  VarType elementType = VarType::Byte;
  std::vector<VarBound> bounds;
  std::vector<uint8_t> bytes;
  std::vector<Variant> items;

  std::size_t ElementCount() const;
};

class Variant {
 public:
  Variant() = default;  // Empty
  static Variant Null();
  static Variant SmallInt(int16_t v);
  static Variant Integer(int32_t v);
  static Variant Int64(int64_t v);
  static Variant Byte(uint8_t v);
  static Variant Boolean(bool v);
  static Variant Single(float v);
  static Variant Double(double v);
  static Variant Currency(int64_t tenThousandths);
  static Variant Date(TDateTime v);
  static Variant String(std::string v);
  static Variant OleStr(std::u16string v);
  static Variant Object(TComplexObject* object);
  // A one-dimensional byte array with lower bound 0.
  static Variant ByteArray(std::vector<uint8_t> bytes);
  // A byte array of any shape; `bytes` holds the product of the counts.
  static Variant ByteArray(std::vector<VarBound> bounds, std::vector<uint8_t> bytes);
  // A one-dimensional array of variants with lower bound 0.
  static Variant VariantArray(std::vector<Variant> items);

  VarType Type() const { return type_; }
  bool IsEmpty() const { return type_ == VarType::Empty; }
  bool IsNull() const { return type_ == VarType::Null; }
  bool IsEmptyOrNull() const { return IsEmpty() || IsNull(); }
  bool IsArray() const { return type_ == VarType::Array; }
  bool IsText() const { return type_ == VarType::String || type_ == VarType::OleStr; }
  bool IsIntegral() const;  // SmallInt, Integer, Int64, Byte, Boolean
  bool IsFloat() const;     // Single, Double, Currency

  // The array content; raises EVariantError when the value is not an array.
  const VarArray& Array() const;
  // The object reference of an Object value (may be null); raises otherwise.
  TComplexObject* AsObject() const;

  // Conversions; each raises EVariantError when the value does not convert
  // (Empty and Null included, except ToText which gives "").
  int64_t ToInt64() const;
  int32_t ToInt32() const;
  double ToDouble() const;
  TDateTime ToDateTime() const;
  bool ToBool() const;
  std::string ToText() const;  // UTF-8

  bool operator==(const Variant& other) const;

 private:
  using Storage = std::variant<std::monostate, int64_t, double, std::string, std::u16string,
                               TComplexObject*, std::shared_ptr<const VarArray>>;
  Variant(VarType type, Storage storage) : type_(type), storage_(std::move(storage)) {}

  VarType type_ = VarType::Empty;
  Storage storage_;
};

// A float as the library shows it: up to 15 significant digits, no trailing
// zeros ("1.5", "0.1", "1e+20").
std::string FloatToText(double value);

}  // namespace oracle
