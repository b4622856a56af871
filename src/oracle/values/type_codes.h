#pragma once
// External data type codes of the Oracle call interface as the library uses
// them for bind variables and fetch buffers, and the descriptor types that
// hold the values of the complex ones.

#include <cstdint>

namespace oracle {

// External type codes (signed 16-bit, as variables and fields store them).
namespace otype {
inline constexpr int16_t Varchar2 = 1;      // text with explicit length
inline constexpr int16_t Integer = 3;       // 32-bit signed integer
inline constexpr int16_t Float = 4;         // 8-byte float
inline constexpr int16_t String = 5;        // zero-terminated string
inline constexpr int16_t Long = 8;          // LONG text
inline constexpr int16_t Varchar = 9;       // VARCHAR (counted text)
inline constexpr int16_t PLSQLString = 10;  // PL/SQL string (bound as type 5)
inline constexpr int16_t Date = 12;         // 7-byte DATE
inline constexpr int16_t Raw = 23;
inline constexpr int16_t LongRaw = 24;
inline constexpr int16_t Char = 96;
inline constexpr int16_t CharZ = 97;  // zero-terminated CHAR
inline constexpr int16_t Object = 108;
inline constexpr int16_t Reference = 110;
inline constexpr int16_t CLOB = 112;
// A CLOB in the national character-set form, when a temporary LOB is made.
inline constexpr int16_t NCLOB = -112;
inline constexpr int16_t BLOB = 113;
inline constexpr int16_t BFile = 114;
inline constexpr int16_t Cursor = 116;
inline constexpr int16_t Timestamp = 187;
inline constexpr int16_t TimestampTZ = 188;
inline constexpr int16_t TimestampLTZ = 232;
}  // namespace otype

// OCI descriptor and handle types used for the values of complex types.
namespace odesc {
inline constexpr uint32_t StatementHandle = 4;
inline constexpr uint32_t Lob = 50;
inline constexpr uint32_t File = 56;
inline constexpr uint32_t Timestamp = 68;
inline constexpr uint32_t TimestampTZ = 69;
inline constexpr uint32_t TimestampLTZ = 70;
}  // namespace odesc

constexpr bool IsTimestampType(int16_t type) {
  return type == otype::Timestamp || type == otype::TimestampTZ || type == otype::TimestampLTZ;
}

constexpr bool IsLobType(int16_t type) {
  return type == otype::CLOB || type == otype::BLOB || type == otype::BFile;
}

// Types whose value is an object rather than buffer bytes.
constexpr bool IsComplexType(int16_t type) {
  return type == otype::Object || type == otype::Reference || IsLobType(type) ||
         type == otype::Cursor || IsTimestampType(type);
}

// Types that hold text: they take the line-end and character-set conversions.
constexpr bool IsCharacterType(int16_t type) {
  switch (type) {
    case otype::Varchar2:
    case otype::String:
    case otype::Long:
    case otype::Varchar:
    case otype::PLSQLString:
    case otype::Char:
    case otype::CharZ:
    case otype::CLOB:
      return true;
    default:
      return false;
  }
}

// Types whose buffer element holds zero-terminated text.
constexpr bool IsZeroTerminatedType(int16_t type) {
  return type == otype::String || type == otype::PLSQLString || type == otype::CharZ;
}

// The descriptor type that holds a timestamp value of the given type code.
constexpr uint32_t TimestampDescriptorType(int16_t type) {
  if (type == otype::TimestampTZ) return odesc::TimestampTZ;
  if (type == otype::TimestampLTZ) return odesc::TimestampLTZ;
  return odesc::Timestamp;
}

// The descriptor type that holds a LOB value of the given type code.
constexpr uint32_t LobDescriptorType(int16_t type) {
  return type == otype::BFile ? odesc::File : odesc::Lob;
}

}  // namespace oracle
